// The on-screen German keyboard: each key shows, large, what it types in
// Korvel in the current Shift state and, small, the German key's own
// character. The keys come from the core's description of the German
// keyboard, and what they show and type from the core's keyboard table, so
// the picture cannot drift from what typing gives.
'use strict';

const KorvelScreenKeyboard = (() => {
  const LONG_PRESS_MS = 500;
  // Keys that type only themselves and are rare in Russian text leave room
  // for twelve keys a row on a phone: the dead keys ^ and ´, and <.
  const LEFT_OUT = new Set(['^', '\u00B4', '<']);

  // `label`: the key of the page's text that names the button.
  function keyButton(className, label) {
    const button = document.createElement('button');
    button.type = 'button';
    button.tabIndex = -1; // the text box keeps the focus; Tab goes to the page's controls
    button.className = className;
    if (label) button.dataset.label = label;
    return button;
  }

  // `layout`: rows of [plain unit, shifted unit, KeyboardEvent.code], as
  // the core's germanKeyboard() gives them. `shownFor(character)`: what
  // typing the character inserts now. `labels`: the keys of the page's texts
  // that name the Shift, Backspace, Enter and space keys, and the space key's
  // own text (page_texts.js puts them on). `onType(character)`,
  // `onBackspace()`, `onEnter()`: a tap on a key.
  function create(container, { layout, shownFor, labels, onType, onBackspace, onEnter }) {
    let shift = 'off'; // 'once': for the next key; 'locked': until pressed again
    const characterKeys = [];
    const rows = layout.map((row) => row.filter(([plain]) => !LEFT_OUT.has(String.fromCharCode(plain))));

    function characterKey([plain, shifted, code]) {
      const button = keyButton('key');
      const key = { button, plain: String.fromCharCode(plain), shifted: String.fromCharCode(shifted), code };
      button.dataset.key = key.plain;
      // Named by what it shows: "ё q".
      button.append(document.createElement('span'), ' ', document.createElement('span'));
      button.firstChild.className = 'typed';
      button.lastChild.className = 'german';
      button.addEventListener('click', () => {
        onType(shift === 'off' ? key.plain : key.shifted);
        if (shift === 'once') setShift('off');
      });
      characterKeys.push(key);
      return button;
    }

    const shiftKey = keyButton('key special', labels.shift);
    shiftKey.dataset.key = 'Shift';
    shiftKey.textContent = '\u21E7';
    let pressTimer = 0;
    let lockedByLongPress = false;
    shiftKey.addEventListener('pointerdown', () => {
      lockedByLongPress = false;
      clearTimeout(pressTimer);
      pressTimer = setTimeout(() => {
        lockedByLongPress = true;
        setShift('locked');
      }, LONG_PRESS_MS);
    });
    shiftKey.addEventListener('click', () => {
      clearTimeout(pressTimer);
      if (lockedByLongPress) return;
      setShift({ off: 'once', once: 'locked', locked: 'off' }[shift]);
    });

    const backspaceKey = keyButton('key special', labels.backspace);
    backspaceKey.dataset.key = 'Backspace';
    backspaceKey.textContent = '\u232B';
    backspaceKey.addEventListener('click', onBackspace);
    const enterKey = keyButton('key special', labels.enter);
    enterKey.dataset.key = 'Enter';
    enterKey.textContent = '\u21B5';
    enterKey.addEventListener('click', onEnter);
    const spaceKey = keyButton('key space', labels.space);
    spaceKey.dataset.key = ' ';
    spaceKey.dataset.text = labels.spaceShown;
    spaceKey.addEventListener('click', () => onType(' '));

    const lines = [
      [...rows[0].map(characterKey), backspaceKey],
      rows[1].map(characterKey),
      rows[2].map(characterKey),
      [shiftKey, ...rows[3].map(characterKey), enterKey],
      [spaceKey],
    ];
    for (const keys of lines) {
      const line = document.createElement('div');
      line.className = 'keyboard-row';
      line.append(...keys);
      container.append(line);
    }
    // A tap must neither take the focus from the text box nor start a
    // selection or a context menu.
    container.addEventListener('pointerdown', (event) => event.preventDefault());
    container.addEventListener('contextmenu', (event) => event.preventDefault());

    function setShift(state) {
      shift = state;
      shiftKey.setAttribute('aria-pressed', String(state !== 'off'));
      shiftKey.classList.toggle('locked', state === 'locked');
      refresh();
    }

    // Shows what each key types now: after a Shift press, or when the
    // transcription is switched off or on.
    function refresh() {
      for (const key of characterKeys) {
        const character = shift === 'off' ? key.plain : key.shifted;
        const shown = shownFor(character);
        key.button.firstChild.textContent = shown;
        key.button.lastChild.textContent = character;
      }
    }

    const specialKeys = { Shift: shiftKey, Backspace: backspaceKey, Enter: enterKey, ' ': spaceKey };
    // Lights the key that a physical key press stands for: by the character
    // it types, else by its place on the keyboard.
    function light(event) {
      const key = characterKeys.find((k) => k.plain === event.key || k.shifted === event.key) ||
                  characterKeys.find((k) => k.code === event.code);
      const button = key ? key.button : specialKeys[event.key];
      if (!button) return;
      button.classList.add('lit');
      setTimeout(() => button.classList.remove('lit'), 150);
    }

    setShift('off');
    return { refresh, light };
  }

  return { create };
})();
