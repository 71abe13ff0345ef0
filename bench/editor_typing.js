// Korvel's extension in long documents: per key, in a Lexical, a ProseMirror
// and a Monaco document of 20,000 characters (200 paragraphs or lines; Monaco
// takes its input through an EditContext in Chromium), in headless
// Chromium with the extension loaded, switched on for the page against
// switched off, in turns in the same run, after a round of each to warm up.
// A key is real: the DevTools protocol's key down and up, each sent once the
// page has handled the one before, so a key's time is what the page, the
// editor and Korvel take to handle it (and the protocol's round trips, the
// same either way). Prints a Markdown table (the one in docs/performance.md).
//
//   NODE_PATH=build/test-tools/node_modules node bench/editor_typing.js build/web/extension build/web/editor-pages
'use strict';

const harness = require('../tests/harness/browser.js');

const [extension, pages] = process.argv.slice(2);
const KEYS = 'Privet mir kak dela xorosho segodnq ';
const TYPED = 300;
const ROUNDS = 5;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function main() {
  const server = await harness.serve([pages]);
  const { browser, worker } = await harness.launch('chromium', { extension });
  const page = await browser.newPage();
  const paragraphs = Array.from({ length: 200 }, (_, i) => `${i} `.padEnd(100, 'Съешь же ещё этих мягких булок. '));

  async function perKey(editor, on) {
    await worker.evaluate((sites) => chrome.storage.sync.set({ sites }), on ? '127.0.0.1' : '');
    await page.goto(`http://127.0.0.1:${server.address().port}/${editor}.html`);
    const focus = await page.waitForFunction(() => window.editorUnderTest &&
      document.querySelector(window.editorUnderTest.focus || '[contenteditable="true"]'));
    await focus.click();
    await page.evaluate((text) => window.editorUnderTest.fill(text), paragraphs);
    const length = (await page.evaluate(() => window.editorUnderTest.text())).length;
    const started = performance.now();
    await page.keyboard.type(KEYS.repeat(Math.ceil(TYPED / KEYS.length)).slice(0, TYPED));
    const ms = (performance.now() - started) / TYPED;
    const text = await page.evaluate(() => window.editorUnderTest.text());
    if (on === /[A-Za-z]/.test(text.slice(-TYPED)) || on !== /[а-я]/.test(text.slice(-TYPED))) {
      throw new Error(`${editor}: not typed as expected with Korvel ${on ? 'on' : 'off'}`);
    }
    return { ms, length };
  }

  console.log('| editor, 20,000 characters | per key, Korvel on | per key, Korvel off (the floor) | ratio (goal: at most 1.3) |');
  console.log('|---|---:|---:|---:|');
  const names = { lexical: 'Lexical', prosemirror: 'ProseMirror', monaco: 'Monaco' };
  for (const [editor, name] of Object.entries(names)) {
    const on = [];
    const off = [];
    let length = 0;
    await perKey(editor, false);
    await perKey(editor, true);
    for (let round = 0; round < ROUNDS; round += 1) {
      off.push((await perKey(editor, false)).ms);
      const measured = await perKey(editor, true);
      on.push(measured.ms);
      length = measured.length;
    }
    console.log(`| ${name} (${length.toLocaleString('en')} characters) | ${(median(on) * 1000).toFixed(0)} us | ` +
                `${(median(off) * 1000).toFixed(0)} us | ${(median(on) / median(off)).toFixed(2)} |`);
  }
  await browser.close();
  server.close();
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
