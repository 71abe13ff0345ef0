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

  function textOf(field) {
    return isTextControl(field) ? field.value : field.textContent;
  }

  // Where the caret stands in textOf(field), with the text node and offset
  // it stands at in a contenteditable box; null with a selection.
  function caretOf(field) {
    if (isTextControl(field)) {
      return field.selectionStart === field.selectionEnd ? { at: field.selectionEnd } : null;
    }
    const selection = field.ownerDocument.getSelection();
    if (!selection || selection.rangeCount !== 1 || !selection.isCollapsed) return null;
    const { startContainer: node, startOffset: offset } = selection.getRangeAt(0);
    if (node.nodeType !== Node.TEXT_NODE || !field.contains(node)) return null;
    const before = field.ownerDocument.createRange();
    before.selectNodeContents(field);
    before.setEnd(node, offset);
    return { at: before.toString().length, node, offset };
  }

  // The range [start, end) of `after` that is new against `before`: all
  // they do not share at their beginning and their end.
  function changedRange(before, after) {
    const shortest = Math.min(before.length, after.length);
    let start = 0;
    while (start < shortest && before[start] === after[start]) start++;
    let fromEnd = 0;
    while (fromEnd < shortest - start && before[before.length - 1 - fromEnd] === after[after.length - 1 - fromEnd]) {
      fromEnd++;
    }
    return { start, end: after.length - fromEnd };
  }

  // What the composition that committed `word` added to the field: the word
  // less what stood there before (Android keyboards re-open the word the
  // caret is put into, and that part stays as it was). Taken from the
  // field's text before and after, since neither the start event nor the
  // selection tells it on every keyboard. Null when it added nothing or the
  // field is not as the composition left it; else the text, and a function
  // that selects it.
  function addedByComposition(field, before, word) {
    const caret = caretOf(field);
    const after = textOf(field);
    if (!caret || caret.at < word.length || after.slice(caret.at - word.length, caret.at) !== word) return null;
    const changed = changedRange(before, after);
    const start = Math.max(changed.start, caret.at - word.length);
    const end = Math.min(changed.end, caret.at);
    if (start >= end) return null;
    const nodeStart = caret.node ? caret.offset - (caret.at - start) : 0;
    if (nodeStart < 0) return null; // the word runs over more than one text node
    const select = isTextControl(field) ? () => field.setSelectionRange(start, end) :
      () => field.ownerDocument.getSelection().setBaseAndExtent(caret.node, nodeStart, caret.node,
                                                                caret.offset - (caret.at - end));
    return { text: after.slice(start, end), select };
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
    let composing = null; // the field a composition is under way in, and its text before
    target.addEventListener('compositionstart', (event) => {
      const field = fieldOf(event);
      composing = field && { field, before: textOf(field) };
    }, true);
    target.addEventListener('compositionend', (event) => {
      const started = composing;
      composing = null;
      const field = fieldOf(event);
      if (!event.data || !field || !started || started.field !== field) return;
      const added = addedByComposition(field, started.before, event.data);
      if (!added) return;
      const output = transcribe(added.text);
      if (output === added.text) return;
      added.select();
      insert(field, output);
    }, true);
  }

  return { attach, insert };
})();
