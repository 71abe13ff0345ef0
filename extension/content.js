// Korvel in the text fields of a page and its frames: where it is switched
// on, each typed character and each composed word is replaced by what the
// keyboard table gives, as Korvel's own editor types. Never in a password,
// a one-time code or a field that takes no typing; nothing typed is kept.
'use strict';

(function () {
  const TEXT_INPUTS = new Set(['text', 'search', 'url', 'email', 'tel']);
  const SECRET_AUTOCOMPLETE = new Set(['one-time-code', 'current-password', 'new-password']);
  let on = false;

  function fieldOf(event) {
    if (!on) return null;
    const target = event.composedPath()[0]; // inside shadow roots too
    if (!target || target.nodeType !== Node.ELEMENT_NODE) return null;
    const typable = target.tagName === 'TEXTAREA' || (target.tagName === 'INPUT' && TEXT_INPUTS.has(target.type)) ||
                    target.isContentEditable;
    if (!typable || target.readOnly || target.disabled) return null;
    const autocomplete = (target.getAttribute('autocomplete') || '').toLowerCase().split(/\s+/);
    if (autocomplete.some((token) => SECRET_AUTOCOMPLETE.has(token))) return null;
    return target;
  }

  KorvelTyping.attach(window, { fieldOf, transcribe: KorvelKeyboardTable.typedText });
  chrome.runtime.onMessage.addListener((message) => {
    if (typeof message.korvel === 'boolean') on = message.korvel;
  });
  chrome.runtime.sendMessage('korvel-state').then((state) => {
    on = state === true;
  }, () => {});
})();
