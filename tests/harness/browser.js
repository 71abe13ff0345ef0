// The browsers that the JavaScript tests and benchmarks drive, and the server
// of their pages: every one of them starts both from here.
//
//   serve(folders)   the files of `folders` (the first that has a path wins) on
//                    127.0.0.1 at a free port; `?slow` holds an answer back
//                    two seconds, as a slow site does
//   launch(name, { extension, language, prefs })
//                    headless Chromium or Firefox (puppeteer-core; Debian's
//                    browsers) in `language`, with the unpacked `extension`
//                    installed: { browser, id, base (the extension's own
//                    address), and in Chromium worker (its service worker)
//                    and extension (for page.triggerExtensionAction, the
//                    toolbar button's click) }. Firefox grants the
//                    permissions Korvel asks for without a prompt, as if
//                    the user had allowed them; `prefs`: more of its
//                    preferences
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const TYPES = { '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.json': 'application/json',
                '.svg': 'image/svg+xml', '.png': 'image/png', '.ttf': 'font/ttf' };
// Firefox gives an extension's pages an address of its own choosing unless told one.
const FIREFOX_UUID = '7a1f4b52-2d7b-4d2c-9a39-4f6a9d6c1e01';
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function serve(folders) {
  const server = http.createServer(async (request, response) => {
    const url = new URL(request.url, 'http://x');
    const file = folders.map((folder) => path.join(folder, url.pathname))
      .find((candidate) => fs.existsSync(candidate) && fs.statSync(candidate).isFile());
    if (url.searchParams.has('slow')) await pause(2000);
    if (!file) {
      response.writeHead(404).end();
      return;
    }
    const type = TYPES[path.extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': `${type}; charset=utf-8` }).end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
    server.url = `http://127.0.0.1:${server.address().port}`;
    resolve(server);
  }));
}

async function launch(name, { extension, language = 'en', prefs = {} } = {}) {
  if (name === 'firefox') {
    const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'manifest.json')));
    const addonId = manifest.browser_specific_settings.gecko.id;
    const browser = await puppeteer.launch({
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
      args: ['--remote-allow-system-access'], // extension pages, in Firefox 153 and later
      extraPrefsFirefox: { 'extensions.webextensions.uuids': JSON.stringify({ [addonId]: FIREFOX_UUID }),
                           'intl.locale.requested': language,
                           'extensions.webextOptionalPermissionPrompts': false, ...prefs },
    });
    const id = await browser.installExtension(path.resolve(extension));
    return { browser, id, base: `moz-extension://${FIREFOX_UUID}` };
  }
  // Over a pipe, with extensions installed as a user does: the toolbar button can then be clicked.
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true, pipe: true, enableExtensions: true,
    env: { ...process.env, LANGUAGE: language }, // on Linux, not --lang, gives the browser's own language
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', `--lang=${language}`,
           '--enable-unsafe-extension-debugging'],
  });
  const id = await browser.installExtension(path.resolve(extension));
  const worker = await browser.waitForTarget((target) => target.type() === 'service_worker' &&
                                             target.url().startsWith(`chrome-extension://${id}/`));
  return { browser, id, base: `chrome-extension://${id}`, worker: await worker.worker(),
           extension: (await browser.extensions()).get(id) };
}

module.exports = { serve, launch, pause };
