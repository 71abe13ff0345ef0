// Korvel in the text fields of a page and its frames: where it is switched
// on, each typed character and each composed word is replaced by what the
// keyboard table gives, as Korvel's own editor types. Only in fields meant
// for words: text areas, contenteditable boxes, editors that take their input
// through an EditContext, and inputs of type text and
// search; never in a password (nor in a field that was one: a "show
// password" button makes it a text field), a one-time code, a telephone
// number, an address, a number, or a field that takes no typing. Nothing
// typed is kept.
'use strict';

(function () {
  const WORD_INPUTS = new Set(['text', 'search']);
  const SECRET_AUTOCOMPLETE = new Set(['one-time-code', 'current-password', 'new-password']);
  // The switch as last set, and the sequence number of the setting, so that
  // an older answer never undoes a newer switch.
  let on = false;
  let sequence = -1;

  const wasPassword = new WeakSet();
  function notePassword(element) {
    if (element && element.tagName === 'INPUT' && element.type === 'password') wasPassword.add(element);
  }
  document.addEventListener('focusin', (event) => notePassword(event.composedPath()[0]), true);
  new MutationObserver((records) => {
    for (const record of records) {
      if ((record.oldValue || '').toLowerCase() === 'password') wasPassword.add(record.target);
    }
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['type'], attributeOldValue: true });

  function isMeantForWords(target) {
    if (target.tagName === 'TEXTAREA') return true;
    // An editor that takes its input through an EditContext (Chromium).
    if (target.editContext) return target.getAttribute('aria-readonly') !== 'true';
    if (target.tagName === 'INPUT') return WORD_INPUTS.has(target.type) && !wasPassword.has(target);
    return target.isContentEditable;
  }

  // The field at `target` that Korvel may type in, whether it is on or off.
  function wordFieldOf(target) {
    if (!target || target.nodeType !== Node.ELEMENT_NODE) return null;
    if (!isMeantForWords(target) || target.readOnly || target.disabled) return null;
    const autocomplete = (target.getAttribute('autocomplete') || '').toLowerCase().split(/\s+/);
    if (autocomplete.some((token) => SECRET_AUTOCOMPLETE.has(token))) return null;
    return target;
  }

  const fieldOf = (target) => (on ? wordFieldOf(target) : null);

  function apply(state) {
    if (!state || typeof state.on !== 'boolean' || state.sequence < sequence) return;
    on = state.on;
    sequence = state.sequence;
  }

  KorvelTyping.attach(window, { fieldOf, transcribe: KorvelKeyboardTable.typedText });
  // Pause, Shift+Pause, the commands and the context menu: also where Korvel
  // is off, whose switch then follows the alphabet chosen.
  const rewrite = KorvelTyping.attachRewriting(window, {
    fieldOf: wordFieldOf,
    rewriteText: KorvelKeyboardTable.rewrite,
    typingOn: () => on,
    setTyping: (typing) => {
      if (typing !== on) chrome.runtime.sendMessage({ korvelSwitchTo: typing }).catch(() => {});
    },
  });
  // The focused field of this frame, inside shadow roots too.
  function focusedField() {
    let element = document.activeElement;
    while (element && element.shadowRoot && element.shadowRoot.activeElement) element = element.shadowRoot.activeElement;
    return document.hasFocus() && element ? wordFieldOf(element) : null;
  }
  chrome.runtime.onMessage.addListener((message, sender, reply) => {
    if (message === 'korvel-site' && window === window.top) reply(window.location.hostname);
    else if (message && message.korvel) apply(message.korvel);
    else if (message && typeof message.korvelRewrite === 'boolean') {
      const field = focusedField();
      if (field) rewrite(field, message.korvelRewrite);
    }
  });
  chrome.runtime.sendMessage('korvel-state').then(apply, () => {});
})();
