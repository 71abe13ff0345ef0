// Korvel's extension in the rich-text editors that mail, chat and social
// sites are built on, in headless Chromium or Firefox driven by
// puppeteer-core: pages of ours host each editor, typed at with real key
// events, and each editor's own document model is read back. Also, in
// both browsers, the options page saving on a pause and (Firefox) the
// fields Korvel keeps out of; in Chromium, compositions as Android
// keyboards send them and a switch made while a page is still loading. And
// the options page (Chromium: also the name) in a German and a Russian browser.
// Firefox's remote protocol has no composition and reaches no extension
// background: those are tried in Chromium only.
//
//   NODE_PATH=build/test-tools/node_modules node tests/extension/editors_test.js \
//     chromium|firefox EXTENSION_DIR EDITOR_PAGES_DIR
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const harness = require('../harness/browser.js');

const [browserName, extension, pages] = process.argv.slice(2);
const site = path.join(__dirname, 'site');
const firefox = browserName === 'firefox';
const EDITORS = ['lexical', 'slate', 'draft', 'ckeditor', 'quill', 'prosemirror', 'monaco', 'trix'];
const PHRASE = "Privet, mir! #Üäöß'+*xQW";
const CYRILLIC = 'Привет, мир! жЭчшьЖщЩяЁЮ';
const { pause } = harness;

// The editor pages and the site of fields.
const serve = () => harness.serve([pages, site]);
const launch = (language = 'en') => harness.launch(browserName, { extension, language });

async function openOptions(browser, base) {
  const page = await browser.newPage();
  // Firefox reports no load of an extension page to the remote protocol.
  await page.goto(`${base}/options.html`, { waitUntil: 'domcontentloaded', timeout: 5000 }).catch(() => {});
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
  return page;
}

// The editor's own model as text; a space the browser shows as a no-break
// space at a line's end counts as the space it is.
async function modelText(page) {
  return page.evaluate(() => window.editorUnderTest.text().replace(/\u00a0/g, ' '));
}

async function expectModel(page, expected, what) {
  await page.waitForFunction((text) => window.editorUnderTest.text().replace(/\u00a0/g, ' ') === text,
                             { timeout: 3000 }, expected).catch(() => {});
  assert.equal(await modelText(page), expected, what);
}

// Android keyboards: a key of 229, the word so far at each step, then the word committed.
async function compose(page, steps, commit) {
  const session = await page.createCDPSession();
  await session.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', windowsVirtualKeyCode: 229, key: 'Unidentified' });
  for (const step of steps) {
    await session.send('Input.imeSetComposition', { text: step, selectionStart: step.length, selectionEnd: step.length });
  }
  await session.send('Input.insertText', { text: commit });
  await session.detach();
}

// An editor's page (the site's text area for 'textarea'), clicked into.
async function openEditor(page, origin, editor) {
  await page.goto(editor === 'textarea' ? `${origin}/index.html` : `${origin}/${editor}.html`);
  if (editor === 'textarea') {
    await page.evaluate(() => {
      window.editorUnderTest = { text: () => document.getElementById('message').value, focus: '#message' };
      window.editorErrors = [];
    });
  }
  const focus = await page.waitForFunction(() => window.editorUnderTest &&
    document.querySelector(window.editorUnderTest.focus || '[contenteditable="true"]'));
  await focus.click();
}

async function undo(page) {
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyZ');
  await page.keyboard.up('Control');
  await pause(300);
}

// Undo leaves a state typing went through: `before` with some of what was
// typed at `at`, or less of `before` (editors group typing as they please);
// never Latin.
async function expectSaneUndo(page, before, at, typed, what) {
  await undo(page);
  const text = await modelText(page);
  const states = [...typed].map((_, i) => before.slice(0, at) + typed.slice(0, i) + before.slice(at));
  const sane = (states.includes(text) || before.startsWith(text)) && !/[A-Za-z]/.test(text);
  assert.ok(sane, `${what}: after undo ${JSON.stringify(text)}`);
}

test(`Korvel's extension in ${browserName}`, async (t) => {
  const server = await serve();
  const origin = `http://127.0.0.1:${server.address().port}`;
  const { browser, base, worker } = await launch();
  t.after(async () => {
    await browser.close();
    server.close();
  });

  await t.test('the options page saves when the typing pauses, and the last edit is kept', async () => {
    const options = await openOptions(browser, base);
    await options.evaluate(() => {
      window.writes = 0;
      const set = chrome.storage.sync.set.bind(chrome.storage.sync);
      chrome.storage.sync.set = (items) => {
        window.writes += 1;
        return set(items);
      };
    });
    await options.click('#sites', { count: 3 });
    await options.keyboard.press('Backspace');
    await options.type('#sites', 'mail.example.org\n127.0.0.1');
    await options.waitForFunction(() => document.getElementById('saved').textContent === 'Saved.', { timeout: 5000 });
    assert.equal(await options.evaluate(() => chrome.storage.sync.get('sites').then((kept) => kept.sites)),
                 'mail.example.org\n127.0.0.1');
    assert.ok(await options.evaluate(() => window.writes) <= 2, 'writes to synced storage');
    // Firefox answers the permission prompt yes; Chromium's test build has the test server's hosts already.
    if (firefox) await options.click('#allow');
    await options.waitForFunction(() => chrome.scripting.getRegisteredContentScripts()
      .then((scripts) => scripts.some((script) => script.id === 'korvel-127.0.0.1')));
    await options.close();
  });

  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));

  for (const editor of EDITORS) {
    await t.test(editor, async () => {
      errors.length = 0;
      await page.goto(`${origin}/${editor}.html`);
      // Where the editor takes the keys, and what it shows.
      const focus = await page.waitForFunction(() => window.editorUnderTest &&
        document.querySelector(window.editorUnderTest.focus || '[contenteditable="true"]'));
      await focus.click();
      if (editor === 'monaco') {
        assert.equal(await page.evaluate(() => Boolean(document.activeElement.editContext)), !firefox,
                     'Monaco takes its input through an EditContext in Chromium alone');
      }
      await page.keyboard.type(PHRASE, { delay: 10 });
      await expectModel(page, CYRILLIC, 'the phrase');
      const shown = await page.evaluate(() => (window.editorUnderTest.shown?.() ??
        document.querySelector('[contenteditable="true"]').innerText).replace(/\u00a0/g, ' ').trim());
      assert.equal(shown, CYRILLIC, 'the page shows what the model holds');

      // In the middle, and the caret stays after what was typed.
      for (let i = 0; i < 'жЭчшьЖщЩяЁЮ'.length; i += 1) await page.keyboard.press('ArrowLeft');
      await page.keyboard.type('da', { delay: 10 });
      await page.keyboard.type('!', { delay: 10 });
      await expectModel(page, 'Привет, мир! да!жЭчшьЖщЩяЁЮ', 'typed in the middle');
      await expectSaneUndo(page, CYRILLIC, 13, 'да!', 'after typing in the middle');

      if (!firefox) {
        await focus.click(); // Trix keeps no caret after undoing all
        await page.keyboard.down('Control');
        await page.keyboard.press('End');
        await page.keyboard.up('Control');
        await page.keyboard.type(' ');
        const before = await modelText(page);
        await compose(page, ['P', 'Pr', 'Pri', 'Priv'], 'Priv'); // Gboard, letter by letter
        await expectModel(page, `${before}Прив`, 'a word composed letter by letter');
        await page.keyboard.type(' ');
        await compose(page, ['Privet'], 'Privet'); // Samsung, the whole word
        await expectModel(page, `${before}Прив Привет`, 'a word composed at once');
        await expectSaneUndo(page, before, before.length, 'Прив Привет', 'after composition');
      }
      assert.deepEqual([...errors, ...await page.evaluate(() => window.editorErrors)], [], 'errors thrown');
    });
  }

  // The fixing by itself, in a text area and a rich editor: German typed
  // with Korvel on comes back Latin in the editor's own model, and one undo
  // takes the fix back (ProseMirror may take the typing with it: never
  // Latin). In the text area, Pause at once takes it back, and those words
  // are left alone from then on.
  for (const editor of ['textarea', 'prosemirror']) {
    await t.test(`fixed by itself in ${editor}`, async () => {
      errors.length = 0;
      await openEditor(page, origin, editor);
      await page.keyboard.type('Guten Tag wie ', { delay: 10 });
      await expectModel(page, 'Guten Tag wie ', 'German typed with Korvel on, fixed by itself');
      await undo(page);
      const undone = await modelText(page);
      assert.ok(editor === 'textarea' ? undone === 'Гутен Таг юие ' : 'Гутен Таг юие '.startsWith(undone),
                `one undo takes the fix back: ${JSON.stringify(undone)}`);
      if (editor === 'textarea') {
        await openEditor(page, origin, editor);
        await page.keyboard.type('Ich liebe dich ', { delay: 10 });
        await expectModel(page, 'Ich liebe dich ', 'fixed by itself');
        await page.keyboard.press('Pause');
        await expectModel(page, 'Ицх лиебе дицх ', 'Pause at once takes it back');
        await page.keyboard.type('Ich liebe dich x', { delay: 10 });
        await expectModel(page, 'Ицх лиебе дицх Ицх лиебе дицх я', 'typing on in Cyrillic; those words left alone');
      }
      assert.deepEqual([...errors, ...await page.evaluate(() => window.editorErrors)], [], 'errors thrown');
    });
  }

  // Pause: the word before the caret, the mode following; on a selection,
  // which stays selected; one undo step. Shift+Pause and the command and
  // context menu (Chromium reaches the background) on a textarea. Each
  // leaves Korvel on.
  for (const editor of ['textarea', 'lexical', 'prosemirror', 'quill']) {
    await t.test(`Pause in ${editor}`, async () => {
      errors.length = 0;
      await openEditor(page, origin, editor);
      await page.keyboard.type('Da Privet', { delay: 10 });
      await expectModel(page, 'Да Привет', 'typed with Korvel on');
      await page.keyboard.press('Pause');
      await expectModel(page, 'Да Privet', 'Pause: the word before the caret');
      await page.keyboard.type(' mir', { delay: 10 });
      await expectModel(page, 'Да Privet mir', 'typing goes on in Latin');
      await pause(1100); // ProseMirror and Quill put what comes within a second in one undo step
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyA');
      await page.keyboard.up('Control');
      await page.keyboard.press('Pause');
      await expectModel(page, 'Да Привет мир', 'Pause on the selection, mostly Latin');
      const selectedText = () => {
        const active = document.activeElement;
        return (active.tagName === 'TEXTAREA' ? active.value.slice(active.selectionStart, active.selectionEnd)
          : document.getSelection().toString()).replace(/\u00a0/g, ' ');
      };
      await page.waitForFunction(`(${selectedText})() === 'Да Привет мир'`, { timeout: 3000 }).catch(() => {});
      assert.equal(await page.evaluate(selectedText), 'Да Привет мир', 'it stays selected');
      await undo(page);
      await expectModel(page, 'Да Privet mir', 'one undo takes it back');
      if (editor === 'textarea') {
        await page.evaluate(() => document.getElementById('message').setSelectionRange(0, 2));
        await page.keyboard.down('Shift');
        await page.keyboard.press('Pause');
        await page.keyboard.up('Shift');
        await expectModel(page, 'Da Privet mir', 'Shift+Pause: the transcription');
        if (!firefox) {
          const inTab = (command) => worker.evaluate((name) => chrome.tabs.query({ active: true, lastFocusedWindow: true })
            .then(([tab]) => (name === 'menu' ? onContextMenu({ menuItemId: 'rewrite-word', frameId: 0 }, tab)
              : onCommand(name, tab))), command);
          await page.evaluate(() => document.getElementById('message').setSelectionRange(3, 9));
          await inTab('rewrite-word');
          await expectModel(page, 'Da Привет mir', 'the command');
          await page.evaluate(() => document.getElementById('message').setSelectionRange(10, 13));
          await inTab('menu');
          await expectModel(page, 'Da Привет мир', 'the context menu');
        }
        await page.evaluate(() => document.getElementById('message').setSelectionRange(0, 2));
        await page.keyboard.press('Pause'); // and Korvel is on again, for what follows
        await expectModel(page, firefox ? 'Да Privet mir' : 'Да Привет мир', 'Pause on a Latin selection');
      }
      assert.deepEqual([...errors, ...await page.evaluate(() => window.editorErrors)], [], 'errors thrown');
    });
  }

  await t.test('a German and a Russian browser get the options page (and the name) in their language', async () => {
    const messagesOf = (language) => JSON.parse(fs.readFileSync(path.join(extension, '_locales', language,
                                                                          'messages.json')));
    const english = messagesOf('en');
    for (const language of ['de', 'ru']) {
      const own = messagesOf(language);
      const { browser: speaking, base: itsBase } = await launch(language);
      try {
        const options = await openOptions(speaking, itsBase);
        const shown = await options.evaluate(() => ({
          lang: document.documentElement.lang, title: document.title, text: document.body.innerText,
          name: chrome.runtime.getManifest().name,
        }));
        assert.equal(shown.lang, language);
        assert.equal(shown.title, own.optionsTitle.message);
        assert.ok(shown.text.includes(own.optionsIntro.message), `${language}: the introduction`);
        const left = Object.keys(english).filter((key) => key !== 'language' &&
          own[key].message !== english[key].message &&
          (shown.text.includes(english[key].message) || shown.title.includes(english[key].message)));
        assert.deepEqual(left, [], `${language}: English left on the options page`);
        if (!firefox) assert.equal(shown.name, own.extensionName.message);
      } finally {
        await speaking.close();
      }
    }
  });

  if (firefox) {
    await t.test('only fields meant for words', async () => {
      await page.goto(`${origin}/index.html`);
      await page.click('#new-password');
      await page.click('#show-password'); // a password field, now shown as text
      const values = {};
      for (const id of ['message', 'subject', 'search', 'notes', 'to', 'password', 'code', 'phone', 'site',
                        'new-password']) {
        await page.click(`#${id}`);
        await page.keyboard.type('+49 Privet', { delay: 5 });
        values[id] = await page.$eval(`#${id}`, (field) => (field.isContentEditable ? field.textContent : field.value));
      }
      const typed = 'щ49 Привет';
      const left = '+49 Privet';
      assert.deepEqual(values, { message: typed, subject: typed, search: typed, notes: typed, to: left, password: left,
                                 code: left, phone: left, site: left, 'new-password': left });
    });
  } else {
    await t.test('a switch made while a page is still loading holds', async () => {
      await page.goto(`http://localhost:${server.address().port}/index.html`);
      const loading = page.goto(`${origin}/index.html?slow`); // another site, which takes 2 s to answer
      await pause(500);
      await worker.evaluate(() => chrome.storage.sync.set({ sites: '' }));
      assert.equal(await worker.evaluate(() => chrome.tabs.query({ active: true, lastFocusedWindow: true })
        .then(([tab]) => onToolbarButton(tab))), true);
      await loading;
      await page.click('#message');
      await page.keyboard.type('Da');
      assert.equal(await page.$eval('#message', (field) => field.value), 'Да');
    });
  }
});
