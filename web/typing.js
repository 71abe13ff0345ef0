// Korvel's typing in a text field, shared by the page and the browser
// extension. A typed character, and the text an input method commits when
// its composition ends (Android keyboards compose every word; dead keys
// compose too), is replaced by what the keyboard table gives for it. The
// replacement goes through the browser's own editing, so that the field's
// own input handlers see it as typed and Ctrl+Z undoes it in one step.
'use strict';

// eslint-disable-next-line no-unused-vars
const KorvelTyping = (() => {
  let inserting = false; // our own insertion is under way: not to be transcribed again

  function isTextControl(field) {
    return field.tagName === 'TEXTAREA' || field.tagName === 'INPUT';
  }

  // Inserts over the selection, or at the caret, as typing does.
  function insert(field, text) {
    inserting = true;
    try {
      if (field.ownerDocument.execCommand('insertText', false, text)) return;
      if (isTextControl(field)) {
        field.setRangeText(text, field.selectionStart, field.selectionEnd, 'end');
        field.dispatchEvent(new InputEvent('input', { bubbles: true, inputType: 'insertText', data: text }));
      }
    } finally {
      inserting = false;
    }
  }

  // Selects `text` where it ends at the caret; false when it does not stand
  // there (the field changed meanwhile): then nothing is replaced.
  function selectBeforeCaret(field, text) {
    if (isTextControl(field)) {
      const end = field.selectionEnd;
      if (field.selectionStart !== end || field.value.slice(Math.max(0, end - text.length), end) !== text) return false;
      field.setSelectionRange(end - text.length, end);
      return true;
    }
    const selection = field.ownerDocument.getSelection();
    if (!selection || selection.rangeCount !== 1 || !selection.isCollapsed) return false;
    const { startContainer: node, startOffset: end } = selection.getRangeAt(0);
    if (node.nodeType !== Node.TEXT_NODE || node.data.slice(Math.max(0, end - text.length), end) !== text) return false;
    selection.setBaseAndExtent(node, end - text.length, node, end);
    return true;
  }

  // Types Korvel's way in the fields that `target` (a field, or a document
  // for all of its fields) holds. `fieldOf(event)` names the field an event
  // is for, or null where Korvel does not type now; `transcribe(text)` gives
  // what typing `text` inserts.
  function attach(target, { fieldOf, transcribe }) {
    target.addEventListener('beforeinput', (event) => {
      // Typed text only: pasted, dropped and autocorrected text arrive
      // unchanged, and composition is handled when it ends.
      if (inserting || event.isComposing || event.inputType !== 'insertText' || !event.data) return;
      const field = fieldOf(event);
      if (!field) return;
      const output = transcribe(event.data);
      if (output === event.data) return;
      event.preventDefault();
      insert(field, output);
    }, true);
    target.addEventListener('compositionend', (event) => {
      if (!event.data) return;
      const field = fieldOf(event);
      if (!field) return;
      const output = transcribe(event.data);
      if (output !== event.data && selectBeforeCaret(field, event.data)) insert(field, output);
    }, true);
  }

  return { attach, insert };
})();
