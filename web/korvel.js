// Korvel's page: the editor that types Cyrillic on a German keyboard, the
// copy button, the switch and the whole-text conversions, all through the
// transcription core compiled to WebAssembly (korvel-core.js).
'use strict';

(function () {
  const TITLE_TRANSCRIBING = 'German to Russian';
  const TITLE_OWN_KEYS = 'Váš nastavený jazyk na klávesnici';
  const LABEL_UNITS = 98; // the label echoes this many units of the copied text

  const editor = document.getElementById('editor');
  const heading = document.getElementById('heading');
  const label = document.getElementById('label');
  const copyButton = document.getElementById('copy');
  const transcribeSwitch = document.getElementById('transcribe');
  const toLatinButton = document.getElementById('to-latin');
  const toCyrillicButton = document.getElementById('to-cyrillic');

  let core = null;
  let inserting = false; // our own insertion is under way: not to be transcribed again
  let escapePressed = false; // Esc, then Tab, leaves the editor

  // The core hands out results as 16-bit units; each is copied into a string
  // at once, zero units and lone surrogates included.
  function unitsToString(units) {
    let text = '';
    for (let i = 0; i < units.length; i += 4096) {
      text += String.fromCharCode.apply(null, units.subarray(i, i + 4096));
    }
    return text;
  }

  // Inserts over the selection, or at the caret, through the browser's own
  // editing, so that Ctrl+Z undoes it and Ctrl+Y redoes it.
  function insertText(text) {
    inserting = true;
    try {
      if (!document.execCommand('insertText', false, text)) {
        editor.setRangeText(text, editor.selectionStart, editor.selectionEnd, 'end');
        editor.dispatchEvent(new Event('input', { bubbles: true }));
      }
    } finally {
      inserting = false;
    }
  }

  function onBeforeInput(event) {
    if (inserting || !transcribeSwitch.checked || event.isComposing) return;
    // Typed text only: pasted and dropped text, and input method
    // composition, arrive unchanged.
    if (event.inputType !== 'insertText' || !event.data) return;
    const output = unitsToString(core.typedText(event.data));
    if (output === event.data) return;
    event.preventDefault();
    insertText(output);
  }

  async function copyToClipboard(text) {
    if (navigator.clipboard && navigator.clipboard.writeText) {
      try {
        await navigator.clipboard.writeText(text);
        return true;
      } catch (error) {
        // not allowed here: the editor's selection holds the whole text
      }
    }
    return document.execCommand('copy');
  }

  // "OK": the whole text to the clipboard and, when that worked, its
  // beginning to the label. The whole text stays selected.
  async function exportText() {
    const text = editor.value;
    editor.focus();
    editor.select();
    if (await copyToClipboard(text)) label.textContent = text.slice(0, LABEL_UNITS);
  }

  function convertWholeText(convert) {
    const text = editor.value;
    const converted = unitsToString(convert(text));
    editor.focus();
    editor.select();
    if (converted !== text) insertText(converted);
  }

  function onKeyDown(event) {
    if (event.key === 'Shift' || event.key === 'Control' || event.key === 'Alt' || event.key === 'Meta') return;
    const leaving = escapePressed;
    escapePressed = event.key === 'Escape';
    if (event.key === 'Tab' && !event.ctrlKey && !event.altKey && !event.metaKey) {
      if (leaving || event.shiftKey) return; // the browser moves the focus on
      event.preventDefault();
      insertText('\t');
      return;
    }
    const key = event.key.toLowerCase();
    if ((event.ctrlKey || event.metaKey) && !event.altKey && (key === 'a' || key === 'c')) {
      exportText(); // then the browser selects all, or copies, as usual
    }
  }

  function onSwitch() {
    const transcribing = transcribeSwitch.checked;
    heading.textContent = transcribing ? TITLE_TRANSCRIBING : TITLE_OWN_KEYS;
    heading.lang = transcribing ? 'en' : 'cs';
  }

  createKorvelCore().then((loaded) => {
    core = loaded;
    editor.addEventListener('beforeinput', onBeforeInput);
    editor.addEventListener('keydown', onKeyDown);
    copyButton.addEventListener('click', exportText);
    transcribeSwitch.addEventListener('change', onSwitch);
    toLatinButton.addEventListener('click', () => convertWholeText(core.cyrillicToLatin));
    toCyrillicButton.addEventListener('click', () => convertWholeText(core.latinToCyrillic));
    for (const control of [editor, copyButton, transcribeSwitch, toLatinButton, toCyrillicButton]) {
      control.disabled = false;
    }
    editor.focus();
    window.korvelReadyAt = performance.now();
    document.documentElement.dataset.ready = 'true';
  });
})();
