// Korvel's page: the editor that types Cyrillic on a German keyboard, the
// on-screen keyboard, the copy button, the switch and the whole-text
// conversions, all through the transcription core compiled to WebAssembly
// (korvel-core.js). The text is kept in this browser only; without the core
// the page stays a plain text box with copy. It speaks German, Russian or
// English (page_texts.js).
'use strict';

(function () {
  const TITLE_OWN_KEYS = 'Váš nastavený jazyk na klávesnici'; // the heading while the keys type their own letters
  const LABEL_UNITS = 98; // the label echoes this many units of the copied text
  const STORAGE_KEY = 'korvel.text';

  const $ = (id) => document.getElementById(id);
  const editor = $('editor');
  const heading = $('heading');
  const label = $('label');
  const copyButton = $('copy');
  const clearButton = $('clear');
  const transcribeSwitch = $('transcribe');
  const fixSwitch = $('fix-by-itself');
  const toLatinButton = $('to-latin');
  const toCyrillicButton = $('to-cyrillic');
  const keyboardToggle = $('keyboard-toggle');
  const keyboardElement = $('keyboard');
  const storageNote = $('storage-note');
  const languageChooser = $('language');

  let language = KorvelPageTexts.chosen();
  const say = (key) => KorvelPageTexts.text(language, key);
  KorvelPageTexts.show(language);
  languageChooser.value = language;
  languageChooser.addEventListener('change', () => {
    language = languageChooser.value;
    KorvelPageTexts.keep(language);
    KorvelPageTexts.show(language);
  });

  let escapePressed = false; // Esc, then Tab, leaves the editor

  // The text kept in this browser (localStorage): never sent anywhere. Where
  // storage is refused (private modes) the page says so and goes on without
  // it. A text that does not fit (storage full) is not kept, and the older
  // copy still kept is marked, so that a reload says what it is.
  const OLDER_KEY = STORAGE_KEY + '.older';
  const kept = (() => {
    let storage = null;
    try {
      storage = window.localStorage;
      storage.setItem(STORAGE_KEY + '.probe', '1');
      storage.removeItem(STORAGE_KEY + '.probe');
    } catch (error) {
      storage = null;
    }
    function note(key, warning) {
      storageNote.dataset.text = key;
      storageNote.textContent = say(key);
      storageNote.classList.toggle('warning', warning);
    }
    function refuse() {
      storage = null;
      note('storageRefused', true);
    }
    function showOlder(older) {
      if (older) note('storageOlder', true);
      else note('storageUsual', false);
    }
    function markOlder() {
      try {
        storage.setItem(OLDER_KEY, '1');
      } catch (error) {
        storage.removeItem(STORAGE_KEY); // not even the mark fits: no copy rather than an unmarked old one
      }
      showOlder(true);
    }
    if (!storage) refuse();
    else showOlder(storage.getItem(OLDER_KEY) !== null);
    return {
      load: () => (storage && storage.getItem(STORAGE_KEY)) || '',
      save(text) {
        if (!storage) return;
        try {
          if (text) storage.setItem(STORAGE_KEY, text);
          else storage.removeItem(STORAGE_KEY);
        } catch (error) {
          markOlder();
          return;
        }
        if (storage.getItem(OLDER_KEY) !== null) {
          storage.removeItem(OLDER_KEY);
          showOlder(false);
        }
      },
      // Another window of the page kept a text, or marked it older.
      onChange(event, adopt) {
        if (!storage || event.storageArea !== storage) return;
        if (event.key === STORAGE_KEY) adopt(event.newValue || '');
        else if (event.key === OLDER_KEY) showOlder(event.newValue !== null);
      },
    };
  })();

  // Kept a moment after each change, so that typing into a long text does
  // not write all of it for every key; at once when the page is hidden. Only
  // a change is written: a window left idle never writes its old text over
  // what another window kept since, and takes that text up instead.
  const KEEP_AFTER_MS = 250;
  let keepTimer = 0;
  let keptText = '';
  function keepText() {
    clearTimeout(keepTimer);
    keepTimer = 0;
    if (editor.value === keptText) return;
    keptText = editor.value;
    kept.save(keptText);
  }
  function keepSoon() {
    if (!keepTimer) keepTimer = setTimeout(keepText, KEEP_AFTER_MS);
  }
  function adoptKeptText(text) {
    if (keepTimer || text === editor.value) return; // an edit of this window's own is about to be kept
    const { selectionStart, selectionEnd } = editor;
    editor.value = keptText = text;
    editor.setSelectionRange(Math.min(selectionStart, text.length), Math.min(selectionEnd, text.length));
  }

  // The core hands out results as 16-bit units; each is copied into a string
  // at once, zero units and lone surrogates included.
  function unitsToString(units) {
    let text = '';
    for (let i = 0; i < units.length; i += 4096) {
      text += String.fromCharCode.apply(null, units.subarray(i, i + 4096));
    }
    return text;
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

  // "New text": empties the text box, undoably, and the kept text with it.
  function clearText() {
    editor.focus();
    editor.select();
    if (editor.value) document.execCommand('delete');
    keepText();
  }

  function onKeyDown(event) {
    if (event.key === 'Shift' || event.key === 'Control' || event.key === 'Alt' || event.key === 'Meta') return;
    const leaving = escapePressed;
    escapePressed = event.key === 'Escape';
    if (event.key === 'Tab' && !event.ctrlKey && !event.altKey && !event.metaKey) {
      if (leaving || event.shiftKey) return; // the browser moves the focus on
      event.preventDefault();
      KorvelTyping.insert(editor, '\t');
      return;
    }
    const key = event.key.toLowerCase();
    if ((event.ctrlKey || event.metaKey) && !event.altKey && (key === 'a' || key === 'c')) {
      exportText(); // then the browser selects all, or copies, as usual
    }
  }

  function enable(...controls) {
    for (const control of controls) control.disabled = false;
  }

  function start(core) {
    const typed = (text) => unitsToString(core.typedText(text));
    const shownFor = (character) => (transcribeSwitch.checked ? typed(character) : character);
    KorvelTyping.attach(editor, { fieldOf: () => (transcribeSwitch.checked ? editor : null), transcribe: typed });

    // A tap types as the key would, at the caret, and leaves the focus and
    // the caret in the text box.
    function tap(action) {
      if (document.activeElement !== editor) editor.focus({ preventScroll: true });
      action();
    }
    const keyboard = KorvelScreenKeyboard.create(keyboardElement, {
      layout: core.germanKeyboard(),
      labels: { shift: 'keyShift', backspace: 'keyBackspace', enter: 'keyEnter', space: 'keySpace',
                spaceShown: 'keySpaceShown' },
      shownFor,
      onType: (character) => tap(() => KorvelTyping.insert(editor, shownFor(character))),
      onBackspace: () => tap(() => document.execCommand('delete')),
      onEnter: () => tap(() => KorvelTyping.insert(editor, '\n')),
    });
    function showKeyboard(shown) {
      keyboardElement.hidden = !shown;
      keyboardToggle.setAttribute('aria-pressed', String(shown));
      // The system's own keyboard stays away while ours is shown.
      if (shown) editor.setAttribute('inputmode', 'none');
      else editor.removeAttribute('inputmode');
      document.documentElement.style.setProperty('--keyboard-height', shown ? `${keyboardElement.offsetHeight}px` : '0px');
    }
    keyboardToggle.addEventListener('click', () => {
      showKeyboard(keyboardElement.hidden);
      editor.focus({ preventScroll: true });
    });
    showKeyboard(window.matchMedia('(pointer: coarse)').matches);
    editor.addEventListener('keydown', (event) => {
      if (!keyboardElement.hidden) keyboard.light(event);
    });

    KorvelPageTexts.show(language); // the keyboard's keys
    transcribeSwitch.addEventListener('change', () => {
      if (transcribeSwitch.checked) {
        heading.dataset.text = 'heading';
        heading.textContent = say('heading');
        heading.removeAttribute('lang');
      } else {
        delete heading.dataset.text;
        heading.textContent = TITLE_OWN_KEYS;
        heading.lang = 'cs';
      }
      keyboard.refresh();
    });
    // The selection, where there is one, else the whole text; undoable.
    function convertText(convert) {
      const { selectionStart: start, selectionEnd: end } = editor;
      const selected = start !== end;
      const text = selected ? editor.value.slice(start, end) : editor.value;
      const converted = unitsToString(convert(text));
      editor.focus();
      if (!selected) editor.select();
      if (converted === text) return;
      KorvelTyping.insert(editor, converted);
      if (selected) editor.setSelectionRange(start, start + converted.length);
    }
    // The fixing by itself: its switch and the words whose fix the user took
    // back, kept in this browser like the text.
    const FIX_KEY = 'korvel.fixByItself';
    const LEFT_ALONE_KEY = 'korvel.leftAlone';
    const MOST_LEFT_ALONE = 2000;
    const read = (key) => {
      try {
        return window.localStorage.getItem(key);
      } catch (error) {
        return null;
      }
    };
    const write = (key, value) => {
      try {
        window.localStorage.setItem(key, value);
      } catch (error) {
        // kept for this visit alone
      }
    };
    fixSwitch.checked = read(FIX_KEY) !== 'off';
    fixSwitch.addEventListener('change', () => write(FIX_KEY, fixSwitch.checked ? 'on' : 'off'));
    let leftAlone = (read(LEFT_ALONE_KEY) || '').split('\n').filter(Boolean);
    const fixing = {
      on: () => fixSwitch.checked,
      judgeRun: (run, words) => {
        const fix = core.judgeRun(run, words);
        return fix && { begin: fix.begin, text: unitsToString(fix.text), cyrillic: fix.cyrillic };
      },
      leftAlone: () => leftAlone,
      leaveAlone: (text) => {
        const words = unitsToString(core.wordsOf(text)).split('\n').filter(Boolean);
        leftAlone = [...leftAlone.filter((word) => !words.includes(word)), ...words].slice(-MOST_LEFT_ALONE);
        write(LEFT_ALONE_KEY, leftAlone.join('\n'));
      },
    };
    // Pause and Shift+Pause: the word before the caret, or the selection, in
    // the other alphabet, the switch following it; and the fixing by itself.
    KorvelTyping.attachRewriting(editor, {
      fixing,
      fieldOf: () => editor,
      rewriteText: (text, transcription) => {
        const rewritten = core.rewrite(text, transcription);
        return { text: unitsToString(rewritten.text), cyrillic: rewritten.cyrillic };
      },
      typingOn: () => transcribeSwitch.checked,
      setTyping: (on) => {
        if (transcribeSwitch.checked === on) return;
        transcribeSwitch.checked = on;
        transcribeSwitch.dispatchEvent(new Event('change'));
      },
    });
    toLatinButton.addEventListener('click', () => convertText(core.cyrillicToLatin));
    toCyrillicButton.addEventListener('click', () => convertText(core.latinToCyrillic));
    enable(transcribeSwitch, fixSwitch, toLatinButton, toCyrillicButton, keyboardToggle);
    ready('true');
  }

  // Without the core: a plain text box that still keeps and copies the text.
  // `why`: the key of the reason's text; `error`: what the browser said.
  function startWithoutCore(why, error) {
    const failure = $('core-failure');
    Object.assign(failure.dataset, { text: 'coreFailure', reason: why, error: error ? String(error) : '' });
    KorvelPageTexts.show(language);
    failure.hidden = false;
    keyboardToggle.hidden = true;
    ready('no-core');
  }

  function ready(state) {
    enable(editor, copyButton, clearButton);
    editor.focus();
    window.korvelReadyAt = performance.now();
    document.documentElement.dataset.ready = state;
  }

  editor.value = keptText = kept.load();
  editor.setSelectionRange(editor.value.length, editor.value.length);
  editor.addEventListener('input', keepSoon);
  window.addEventListener('storage', (event) => kept.onChange(event, adoptKeptText));
  editor.addEventListener('keydown', onKeyDown);
  // What the last input left unsaved, when the page is hidden or closed.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden') keepText();
  });
  window.addEventListener('pagehide', keepText);
  copyButton.addEventListener('click', exportText);
  clearButton.addEventListener('click', clearText);
  if (window.matchMedia('(max-width: 40em)').matches) $('key-map').open = false;

  if (typeof WebAssembly !== 'object') {
    startWithoutCore('noWebAssembly');
  } else if (typeof createKorvelCore !== 'function') {
    startWithoutCore('noCoreFile');
  } else {
    createKorvelCore().then((core) => {
      // A start that fails halfway still leaves a text box to type in, and says why.
      try {
        start(core);
      } catch (error) {
        transcribeSwitch.checked = false; // what did start of the typing types the keys' own letters, as said
        startWithoutCore('coreNotStarted', error);
      }
    }, (error) => startWithoutCore('coreNotLoaded', error));
  }

  // Offline and installable, where the page is served (not as a local file).
  if ('serviceWorker' in navigator && window.location.protocol !== 'file:') {
    navigator.serviceWorker.register('service-worker.js', { updateViaCache: 'none' }).catch(() => {});
  }
})();
