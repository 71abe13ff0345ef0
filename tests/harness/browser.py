"""The browsers that the Python tests and benchmarks drive, and the server of
their pages: every one of them starts both from here.

- `SiteServer(folder)`: the folder on 127.0.0.1 at a free port.
- `start_chromium(...)`: Debian's Chromium, headless, through Selenium.
"""
import functools
import http.server
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


class SiteServer:
    """Serves a folder on 127.0.0.1 at a free port, in a thread, with `headers` on every response;
    remembers every path asked for. Set `failing` to 503 and every answer is that error; to "hang"
    and no answer comes until the server is closed."""

    def __init__(self, folder, headers=None, port=0):
        self.requested = []
        self.failing = None
        self.closing = threading.Event()
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self):
                server.requested.append(self.path)
                if server.failing == "hang":
                    server.closing.wait()
                elif server.failing:
                    self.send_error(server.failing)
                else:
                    super().do_GET()

            def end_headers(self):
                for name, value in (headers or {}).items():
                    self.send_header(name, value)
                super().end_headers()

            def log_message(self, *args):
                pass

        class Server(http.server.ThreadingHTTPServer):
            daemon_threads = True

            def handle_error(self, request, client_address):
                pass  # a browser that hangs up early is no failure of the page

        self.httpd = Server(("127.0.0.1", port), functools.partial(Handler, directory=str(folder)))
        self.port = self.httpd.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}/"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.closing.set()
        self.httpd.shutdown()
        self.httpd.server_close()


def start_chromium(width=1100, height=900, phone=False, arguments=(), language="en-US"):
    """Headless Chromium that reaches for nothing of its own on the network;
    with `phone`, a touch screen of `width` by `height` CSS pixels; pages are
    told that the browser's language is `language`."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="korvel-chromium-")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-default-apps", f"--lang={language}", f"--user-data-dir={profile}",
                     f"--window-size={width},{height}", *arguments):
        options.add_argument(argument)
    if phone:
        options.add_experimental_option("mobileEmulation", {
            "deviceMetrics": {"width": width, "height": height, "pixelRatio": 2, "touch": True},
            "userAgent": "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
                         "Chrome/156.0 Mobile Safari/537.36"})
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
