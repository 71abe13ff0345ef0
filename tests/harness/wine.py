"""Windows programs under Wine, as every test here runs them.

- A prefix is booted once (`boot_prefix`) and copied for each driver that
  needs one of its own (`copy_prefix`): a copy takes a moment, a boot tens of
  seconds. scripts/test-all.sh boots one and names it in KORVEL_WINE_TEMPLATE.
- Now and then Wine fails to start a program at all: it ends at once with
  exit code 1 (Wine's own fatal start-up errors) or is killed by a signal,
  having done nothing. That says nothing of the program, so it is started
  again, at most twice (`did_not_start`). A program that ends normally has
  written something (the test programs print a header), or ends with a code
  of its own, and a Windows crash ends with the exception's code: neither is
  started again. Each restart is noted in KORVEL_WINE_RUN_LOG, which the
  whole run reports.
- `Helper` is the tests' own Windows helper (desktop_helper.exe), started
  once and asked one query a line over its standard input.

    python3 tests/harness/wine.py PROGRAM.exe [ARGUMENTS...]   runs it by the rule above (CTest's runner)
    python3 tests/harness/wine.py --boot FOLDER                 boots a prefix there, to be copied
"""
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

QUIET = {"WINEDEBUG": "-all",
         # No crash debugger: a crash must fail the program, not be reported with exit code 0.
         "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d"}
ATTEMPTS = 3


def did_not_start(status, wrote_anything):
    """Wine's fatal start-up errors exit with 1; a Unix signal kills it (-n from Python, 128+n from a shell)."""
    return not wrote_anything and (status == 1 or status < 0 or 128 < status < 160)


def note_restart(notice):
    print(notice, file=sys.stderr)
    if os.environ.get("KORVEL_WINE_RUN_LOG"):
        with open(os.environ["KORVEL_WINE_RUN_LOG"], "a") as log:
            log.write(notice + "\n")


def wine_environment(prefix=None, **more):
    environment = {**QUIET, **os.environ, **more}
    if prefix:
        environment["WINEPREFIX"] = str(prefix)
    return environment


def boot_prefix(folder=None):
    """A new prefix, booted, its wineserver ended (so that it can be copied)."""
    folder = Path(folder or tempfile.mkdtemp(prefix="korvel-wine.")).resolve()
    environment = wine_environment(folder)
    subprocess.run(["wineboot", "-i"], env=environment, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=600, check=True)
    subprocess.run(["wineserver", "-w"], env=environment, timeout=600, check=True)
    return folder


class Prefix:
    """A prefix of a driver's own: a copy of the booted one in KORVEL_WINE_TEMPLATE (or a new boot), with its
    wineserver kept running so that each program starts quickly; removed by `stop`."""

    def __init__(self):
        template = os.environ.get("KORVEL_WINE_TEMPLATE")
        if template and Path(template, "system.reg").exists():
            self.path = Path(tempfile.mkdtemp(prefix="korvel-wine."))
            shutil.rmtree(self.path)
            subprocess.run(["cp", "-a", template, str(self.path)], check=True)
        else:
            self.path = boot_prefix()
        self.environment = wine_environment(self.path)
        self.start_server()

    def start_server(self):
        self.server = subprocess.Popen(["wineserver", "-p"], env=self.environment, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def end_server(self):
        subprocess.run(["wineserver", "-k"], env=self.environment, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
        self.server.wait(60)

    def restart(self):
        """Every program of the prefix ended, and its wineserver started again."""
        self.end_server()
        self.start_server()

    def stop(self):
        self.end_server()
        shutil.rmtree(self.path, ignore_errors=True)


def run(command, environment=None, timeout=None):
    """Runs `command` (a Windows program and its arguments) to its end by the rule above; its output goes
    through a file, since Wine's own helper processes may outlive it and would hold a pipe open."""
    environment = environment or wine_environment()
    for attempt in range(1, ATTEMPTS + 1):
        with tempfile.TemporaryFile() as output:
            status = subprocess.run(["wine", *map(str, command)], env=environment, stdin=subprocess.DEVNULL,
                                    stdout=output, stderr=subprocess.STDOUT, timeout=timeout).returncode
            output.seek(0)
            written = output.read()
        if not did_not_start(status, bool(written)) or attempt == ATTEMPTS:
            return status, written
        note_restart(f"wine-run: {command[0]} ended with exit code {status} before writing anything "
                     f"(attempt {attempt} of {ATTEMPTS})")
    raise AssertionError("unreachable")


def eventually(fetch, accept, timeout=30, interval=0.05):
    """Polls fetch() until accept(value) holds or `timeout` seconds pass; (accepted, last value)."""
    deadline = time.monotonic() + timeout
    while True:
        value = fetch()
        if accept(value) or time.monotonic() > deadline:
            return accept(value), value
        time.sleep(interval)


class Program:
    """A Windows program running in the background, its output in `log_path`. `started()` says when it is
    up (a window of its shows, say); a program that ends before that by the rule above is started again."""

    def __init__(self, command, log_path, started, environment=None, timeout=60):
        self.command = [str(part) for part in command]
        self.log_path = Path(log_path)
        self.log_path.parent.mkdir(parents=True, exist_ok=True)
        self.log = open(self.log_path, "ab")
        for attempt in range(1, ATTEMPTS + 1):
            self.process = subprocess.Popen(["wine", *self.command], env=environment or wine_environment(),
                                            stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
            up, _ = eventually(lambda: started() or self.process.poll() is not None, bool, timeout=timeout)
            status = self.process.poll()
            if status is None or not did_not_start(status, False) or attempt == ATTEMPTS:
                break
            note_restart(f"wine: {self.command[0]} ended with exit code {status} before it was up "
                         f"(attempt {attempt} of {ATTEMPTS})")
        self.up = up and self.process.poll() is None

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(30)
        self.log.close()


class HelperError(AssertionError):
    pass


class Helper:
    """desktop_helper.exe serving queries: one line in, one line out ("!" and a reason when it cannot
    answer). Started once per driver; ended by closing its input."""

    def __init__(self, executable, environment=None, timeout=120):
        self.timeout = timeout
        for attempt in range(1, ATTEMPTS + 1):
            self.process = subprocess.Popen(["wine", str(executable), "serve"], env=environment or wine_environment(),
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL, bufsize=0)
            self.pending = b""
            greeting = self.line(timeout)
            if greeting == b"ready":
                return
            status = self.process.poll()
            if attempt == ATTEMPTS or status is None or not did_not_start(status, bool(greeting)):
                self.process.kill()
                raise HelperError(f"desktop_helper did not start (exit code {status}, said {greeting!r})")
            note_restart(f"wine: desktop_helper ended with exit code {status} before it was up "
                         f"(attempt {attempt} of {ATTEMPTS})")

    def line(self, timeout):
        """The next line the helper writes; None once it has ended or said nothing for `timeout` seconds (Wine's
        own processes may hold its output open after it ended, so no end of file comes)."""
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.2)
            if ready:
                chunk = os.read(self.process.stdout.fileno(), 65536)
                if not chunk:
                    return None
                self.pending += chunk
            elif self.process.poll() is not None or time.monotonic() > deadline:
                return None
        line, self.pending = self.pending.split(b"\n", 1)
        return line.rstrip(b"\r")

    def ask(self, query):
        """The helper's answer to `query`, a line without its line break."""
        try:
            self.process.stdin.write(query.encode("utf-8") + b"\n")
        except BrokenPipeError:
            raise HelperError(f"desktop_helper has ended (exit code {self.process.poll()}) before {query!r}")
        answer = self.line(self.timeout)
        if answer is None:
            raise HelperError(f"desktop_helper gave no answer to {query!r} (exit code {self.process.poll()})")
        answer = answer.decode("utf-8")
        if answer.startswith("!"):
            raise HelperError(f"desktop_helper could not answer {query!r}: {answer[1:]}")
        return answer

    def text(self, query):
        """An answer that is UTF-16 text written as hex, four digits a unit."""
        return bytes.fromhex(self.ask(query)).decode("utf-16-be", "surrogatepass")

    def stop(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(30)


def main():
    if sys.argv[1:2] == ["--boot"] and len(sys.argv) == 3:
        boot_prefix(sys.argv[2])
        return 0
    status, written = run(sys.argv[1:])
    sys.stdout.buffer.write(written)
    return status


if __name__ == "__main__":
    sys.exit(main())
