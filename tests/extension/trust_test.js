// Korvel's extension as a browser-security reviewer tries it, in headless
// Chromium or Firefox (puppeteer-core): it asks for no website at install and
// runs on none until the user turns it on for a site (Chromium: a real click
// on the toolbar button; Firefox: the options page's button, its prompt
// answered yes); the switch holds over a reload and the back/forward cache,
// and a cross-origin frame follows its own site's; a page's synthetic events
// are never answered; fields meant for no words stay Latin; and a tab whose
// extension went away stops typing.
//
//   NODE_PATH=build/test-tools/node_modules node tests/extension/trust_test.js \
//     chromium|firefox EXTENSION_DIR SHIPPED_EXTENSION_DIR
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const harness = require('../harness/browser.js');

const [browserName, extension, shipped] = process.argv.slice(2);
const firefox = browserName === 'firefox';

async function fieldValue(page, id, frame = page) {
  return frame.$eval(`#${id}`, (field) => (field.isContentEditable ? field.textContent : field.value));
}

// Typed into a field emptied first; what it then holds.
async function typeInto(page, id, text, frame = page) {
  await frame.$eval(`#${id}`, (field) => {
    if (field.isContentEditable) field.textContent = '';
    else field.value = '';
  });
  await frame.click(`#${id}`);
  await page.keyboard.type(text, { delay: 5 });
  return fieldValue(page, id, frame);
}

// Until typing there gives `expected` (the switch reaches a page a moment
// after the click).
async function expectTyping(page, id, expected, what) {
  const deadline = Date.now() + 10000;
  let typed = '';
  while (Date.now() < deadline) {
    typed = await typeInto(page, id, 'Da');
    if (typed === expected) return;
    await harness.pause(100);
  }
  assert.equal(typed, expected, what);
}

test(`Korvel's extension can be trusted, in ${browserName}`, async (t) => {
  const server = await harness.serve([path.join(__dirname, 'site')]);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const other = `http://localhost:${server.address().port}`;
  const { browser, id, base, extension: installed } = await harness.launch(browserName, { extension });
  t.after(async () => {
    await browser.close();
    server.close();
  });
  const page = await browser.newPage();

  async function setSites(sites) {
    const options = await browser.newPage();
    // Firefox reports no load of an extension page to the remote protocol.
    await options.goto(`${base}/options.html`, { waitUntil: 'domcontentloaded', timeout: 5000 }).catch(() => {});
    await options.waitForFunction(() => document.documentElement.dataset.ready === 'true');
    await options.click('#sites', { count: 3 });
    await options.keyboard.down('Control');
    await options.keyboard.press('KeyA');
    await options.keyboard.up('Control');
    await options.keyboard.press('Backspace');
    if (sites) await options.type('#sites', sites);
    await options.waitForFunction((wanted) => chrome.storage.sync.get('sites').then((kept) => kept.sites === wanted),
                                  {}, sites);
    return options;
  }

  await t.test('it asks for no website at install, and runs on none not turned on', async () => {
    const manifest = JSON.parse(fs.readFileSync(path.join(shipped, 'manifest.json')));
    assert.equal(manifest.content_scripts, undefined);
    assert.equal(manifest.host_permissions, undefined);
    assert.deepEqual(manifest.optional_host_permissions, ['*://*/*']);
    await page.goto(`${origin}/index.html`);
    assert.equal(await typeInto(page, 'message', 'Privet'), 'Privet');
    if (!firefox) assert.deepEqual(await page.mainFrame().extensionRealms(), [], 'no script of Korvel\'s');
  });

  // On for the page's site: in Chromium the toolbar button, clicked; in
  // Firefox, whose toolbar no test reaches, the options page's button, its
  // prompt answered yes.
  async function turnOn() {
    if (firefox) {
      const options = await setSites('127.0.0.1');
      await options.click('#allow');
      await options.waitForFunction(() => document.getElementById('allow').hidden);
      await options.close();
      await page.reload();
    } else {
      await page.triggerExtensionAction(installed);
    }
  }

  await t.test('turned on for a site it holds over a reload, while a cross-origin frame follows its own site',
                async () => {
    await turnOn();
    await expectTyping(page, 'message', 'Да', 'once turned on');
    await page.reload();
    assert.equal(await typeInto(page, 'message', 'Privet'), 'Привет', 'after a reload');
    // A frame of another site (as an advertisement or a payment form is) stays off.
    await page.evaluate((source) => {
      const frame = document.createElement('iframe');
      frame.id = 'foreign';
      frame.src = source;
      document.body.append(frame);
    }, `${other}/frame.html`);
    const frame = await (await page.waitForSelector('#foreign')).contentFrame();
    await frame.waitForSelector('#reply');
    assert.equal(await typeInto(page, 'reply', 'Privet', frame), 'Privet', 'a cross-origin frame');
  });

  await t.test('a page\'s synthetic events are never answered nor cancelled, on or off', async () => {
    const tryEvents = () => page.evaluate(() => {
      const field = document.getElementById('message');
      field.value = 'Privet';
      field.focus();
      field.setSelectionRange(6, 6);
      const cancelled = [];
      const send = (event) => {
        if (!field.dispatchEvent(event)) cancelled.push(event.type);
      };
      send(new KeyboardEvent('keydown', { key: 'Pause', code: 'Pause', bubbles: true, cancelable: true }));
      send(new InputEvent('beforeinput', { inputType: 'insertText', data: 'q', bubbles: true, cancelable: true }));
      send(new CompositionEvent('compositionstart', { data: '', bubbles: true, cancelable: true }));
      send(new CompositionEvent('compositionend', { data: 'q', bubbles: true, cancelable: true }));
      return { cancelled, value: field.value };
    });
    assert.deepEqual(await tryEvents(), { cancelled: [], value: 'Privet' }, 'with Korvel on');
    // A real Pause with nothing to rewrite goes on to the page.
    await page.evaluate(() => {
      window.pauses = [];
      document.addEventListener('keydown', (event) => window.pauses.push(event.defaultPrevented));
      document.getElementById('message').value = '';
    });
    await page.keyboard.press('Pause');
    assert.deepEqual(await page.evaluate(() => window.pauses), [false], 'a Pause that rewrote nothing');
    await page.goto(`${other}/index.html`);
    assert.deepEqual(await tryEvents(), { cancelled: [], value: 'Privet' }, 'with Korvel off');
  });

  await t.test('fields meant for no words stay Latin, also one turned into a password while typing', async () => {
    await page.goto(`${origin}/index.html`);
    await expectTyping(page, 'message', 'Да', 'Korvel on');
    const masked = await page.$eval('#pin', (field) => getComputedStyle(field).getPropertyValue('-webkit-text-security'));
    for (const id of ['user', 'card-name', 'phone-text', 'mail-text', ...(masked ? ['pin'] : [])]) {
      assert.equal(await typeInto(page, id, '+49 Privet'), '+49 Privet', id);
    }
    await typeInto(page, 'subject', 'Pri');
    await page.$eval('#subject', (field) => {
      field.type = 'password';
    });
    await page.keyboard.type('vet', { delay: 5 });
    assert.equal(await fieldValue(page, 'subject'), 'Приvet', 'a field turned into a password');
    await page.$eval('#subject', (field) => {
      field.value = ''; // no password left for the browser to offer to keep
      field.type = 'text';
    });
  });

  await t.test('turned off, and a page back from the back/forward cache types as the switch says', async () => {
    // A page of its own: after a return from the cache Firefox's remote protocol follows the tab no further.
    const away = await browser.newPage();
    await away.goto(`${origin}/index.html?away`);
    await expectTyping(away, 'message', 'Да', 'Korvel on');
    await away.goto(`${other}/index.html`);
    await (await setSites('')).close();
    // Back, as the browser's button goes (Firefox's remote protocol reports no load of a page from the cache).
    await away.bringToFront();
    // Not awaited in the page: the navigation may destroy the context before the answer comes.
    await away.evaluate(() => {
      setTimeout(() => history.back());
    });
    await away.waitForFunction((url) => window.location.href === url && document.readyState === 'complete', {},
                               `${origin}/index.html?away`);
    assert.equal(await typeInto(away, 'message', 'Privet'), 'Privet', 'turned off while the page was away');
    await away.close();
    await page.reload();
    assert.equal(await typeInto(page, 'message', 'Privet'), 'Privet', 'loaded again');
  });

  await t.test('a tab whose extension went away stops typing', async () => {
    await page.goto(`${origin}/index.html`);
    await turnOn();
    await expectTyping(page, 'message', 'Да', 'Korvel on');
    await browser.uninstallExtension(id);
    assert.equal(await typeInto(page, 'message', 'Privet'), 'Privet', 'after the extension went away');
  });
});
