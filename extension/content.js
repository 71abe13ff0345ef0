// Korvel in the text fields of a page and its frames, on the sites the user
// turned it on for (the background registers this script there, and puts it
// into a tab where a command asks for it): each typed character and each
// composed word is replaced by what the keyboard table gives, as Korvel's own
// editor types. Only in fields meant for words: text areas, contenteditable
// boxes, editors that take their input through an EditContext, and inputs
// of type text and search; never in a password (nor in a field that was
// one: a "show password" button makes it a text field), a field drawn
// masked, nor one whose autocomplete or input mode says it takes a name of
// an account, an address, a number, a code or a card. Only the user's own
// input counts: what a page's script sends is never answered. A run of
// words typed in the wrong alphabet is fixed by itself (the options page
// switches that off). Nothing typed is kept but the words whose fix the user
// took back, on this computer alone (storage.local).
'use strict';

(function () {
  // Once in each frame, however often a command puts it there.
  if (globalThis.korvelAttached) return;
  globalThis.korvelAttached = true;

  const WORD_INPUTS = new Set(['text', 'search']);
  const NOT_WORDS = new Set(['username', 'email', 'url', 'postal-code', 'one-time-code', 'current-password',
                             'new-password', 'impp', 'webauthn']);
  const NOT_WORDS_INPUT_MODES = new Set(['email', 'tel', 'url', 'numeric', 'decimal']);
  // The switch for this frame's own site, and the sequence of the switches
  // heard, so that an older answer never undoes a newer switch.
  let siteOn = false;
  let heard = 0;
  // The alphabet a Pause chose in this page, over the site's switch.
  let chosen = null;
  // The fixing by itself (the options page's switch, on at first), and the
  // words whose fix the user took back, kept on this computer alone.
  let fixOn = true;
  let leftAlone = [];
  const MOST_LEFT_ALONE = 2000;

  // Left behind by an update, a reload or a removal of the extension: it
  // answers nothing any more.
  const alive = () => Boolean(globalThis.chrome && chrome.runtime && chrome.runtime.id);

  const wasPassword = new WeakSet();
  document.addEventListener('focusin', (event) => {
    const target = event.composedPath()[0];
    if (target && target.tagName === 'INPUT' && target.type === 'password') wasPassword.add(target);
  }, true);

  function isMeantForWords(target) {
    if (target.tagName === 'TEXTAREA') return true;
    // An editor that takes its input through an EditContext (Chromium).
    if (target.editContext) return target.getAttribute('aria-readonly') !== 'true';
    if (target.tagName === 'INPUT') {
      if (target.type === 'password') wasPassword.add(target);
      return WORD_INPUTS.has(target.type) && !wasPassword.has(target);
    }
    return target.isContentEditable;
  }

  function saysItIsNoWords(target) {
    const tokens = (target.getAttribute('autocomplete') || '').toLowerCase().split(/\s+/);
    if (tokens.some((token) => NOT_WORDS.has(token) || token === 'tel' || token.startsWith('tel-') ||
                               token.startsWith('cc-'))) {
      return true;
    }
    if (NOT_WORDS_INPUT_MODES.has((target.getAttribute('inputmode') || '').toLowerCase())) return true;
    // Drawn masked, as many sites draw their PIN and password boxes.
    const style = target.ownerDocument.defaultView.getComputedStyle(target);
    const masked = style.getPropertyValue('-webkit-text-security');
    return Boolean(masked) && masked !== 'none';
  }

  // The field at `target` that Korvel may type in, whether it is on or off;
  // asked at every event, so that a field turned into a password stops at once.
  function wordFieldOf(target) {
    if (!alive() || !target || target.nodeType !== Node.ELEMENT_NODE) return null;
    if (!isMeantForWords(target) || target.readOnly || target.disabled || saysItIsNoWords(target)) return null;
    return target;
  }

  const typingOn = () => (chosen === null ? siteOn : chosen);
  const fieldOf = (target) => (typingOn() ? wordFieldOf(target) : null);

  function apply(on, sequence) {
    if (sequence < heard) return;
    heard = sequence;
    siteOn = on;
    chosen = null;
  }

  function ask() {
    if (!alive()) return;
    const sequence = ++heard;
    chrome.runtime.sendMessage({ korvelState: window.location.hostname })
      .then((state) => state && apply(Boolean(state.on), sequence), () => {});
  }

  KorvelTyping.attach(window, { fieldOf, transcribe: KorvelKeyboardTable.typedText });
  // Pause, Shift+Pause, the commands and the context menu: the alphabet
  // chosen goes on in this page.
  const rewrite = KorvelTyping.attachRewriting(window, {
    fieldOf: wordFieldOf,
    rewriteText: KorvelKeyboardTable.rewrite,
    typingOn,
    setTyping: (typing) => {
      chosen = typing;
    },
    fixing: {
      on: () => fixOn && alive(),
      judgeRun: KorvelAlphabetDetector.judgeRun,
      leftAlone: () => leftAlone,
      leaveAlone: (text) => {
        const words = KorvelAlphabetDetector.wordsOf(text);
        leftAlone = [...leftAlone.filter((word) => !words.includes(word)), ...words].slice(-MOST_LEFT_ALONE);
        if (alive()) chrome.storage.local.set({ leftAlone }).catch(() => {});
      },
    },
  });
  if (alive()) {
    chrome.storage.sync.get('fixByItself').then((kept) => {
      fixOn = kept.fixByItself !== false;
    }, () => {});
    chrome.storage.local.get('leftAlone').then((kept) => {
      if (Array.isArray(kept.leftAlone)) leftAlone = kept.leftAlone.filter((word) => typeof word === 'string');
    }, () => {});
    chrome.storage.onChanged.addListener((changes) => {
      if (changes.fixByItself) fixOn = changes.fixByItself.newValue !== false;
      if (changes.leftAlone && Array.isArray(changes.leftAlone.newValue)) leftAlone = changes.leftAlone.newValue;
    });
  }
  // The focused field of this frame, inside shadow roots too.
  function focusedField() {
    let element = document.activeElement;
    while (element && element.shadowRoot && element.shadowRoot.activeElement) element = element.shadowRoot.activeElement;
    return document.hasFocus() && element ? wordFieldOf(element) : null;
  }
  chrome.runtime.onMessage.addListener((message, sender) => {
    if (!alive() || sender.id !== chrome.runtime.id || !message) return;
    if (typeof message.korvelSite === 'string' && message.korvelSite === window.location.hostname) {
      apply(Boolean(message.on), ++heard);
    } else if (typeof message.korvelRewrite === 'boolean') {
      const field = focusedField();
      if (field) rewrite(field, message.korvelRewrite);
    }
  });
  // Back from the back/forward cache: the switch may have changed meanwhile.
  window.addEventListener('pageshow', (event) => {
    if (event.persisted) ask();
  });
  ask();
})();
