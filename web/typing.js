// Korvel's typing in a text field, shared by the page and the browser
// extension. A typed character, and the text an input method commits when
// its composition ends (Android keyboards compose every word; dead keys
// compose too), is replaced by what the keyboard table gives for it.
//
// Rich-text editors (mail, chat and social sites are built on them) keep a
// document model of their own and take typed text from the events typing
// raises. So the typed key's own event goes to no one, and the replacement
// is offered to the field as typing offers text: as a cancellable
// `beforeinput` (most editors), then as a `textInput` (React's); where no
// editor took it, the browser's own editing inserts it, which editors that
// watch the page see, and which the field's own input handlers see as typed.
'use strict';

// eslint-disable-next-line no-unused-vars
const KorvelTyping = (() => {
  let inserting = false; // our own events are under way: not to be transcribed again
  let editingByBrowser = false; // the browser's own editing is inserting what editors were offered

  function isTextControl(field) {
    return field.tagName === 'TEXTAREA' || field.tagName === 'INPUT';
  }

  // The browser's own editing: over the selection, or at the caret.
  function insertByBrowser(field, text) {
    editingByBrowser = true;
    try {
      if (field.ownerDocument.execCommand('insertText', false, text)) return;
    } finally {
      editingByBrowser = false;
    }
    if (isTextControl(field)) {
      field.setRangeText(text, field.selectionStart, field.selectionEnd, 'end');
      field.dispatchEvent(new InputEvent('input', { bubbles: true, inputType: 'insertText', data: text }));
    }
  }

  // Offers `event` at `target`; true when an editor took it: cancelled it
  // (it inserted the text itself, or refused it), or changed the page at once.
  function taken(field, target, event) {
    const changes = new field.ownerDocument.defaultView.MutationObserver(() => {});
    changes.observe(field, { childList: true, characterData: true, subtree: true });
    const cancelled = !target.dispatchEvent(event);
    const changed = changes.takeRecords().length > 0;
    changes.disconnect();
    return cancelled || changed;
  }

  // Types `text` into `field` as typing does, at `target` (where the typed
  // key's event went; the field itself by default) over `ranges` (the typed
  // key's target ranges; the selection by default).
  function insert(field, text, target = field, ranges = []) {
    inserting = true;
    try {
      const document = field.ownerDocument;
      const view = document.defaultView;
      const before = new view.InputEvent('beforeinput', {
        inputType: 'insertText', data: text, bubbles: true, cancelable: true, composed: true, targetRanges: ranges,
      });
      if (taken(field, target, before)) return;
      if ('TextEvent' in view) {
        const textInput = document.createEvent('TextEvent');
        textInput.initTextEvent('textInput', true, true, view, text);
        if (taken(field, target, textInput)) return;
      }
      insertByBrowser(field, text);
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
  // field is not as the composition left it; else the added text, where it
  // stands in the field's text, in the word, and in the caret's text node.
  function addedByComposition(field, before, word) {
    const caret = caretOf(field);
    const after = textOf(field);
    if (!caret || caret.at < word.length || after.slice(caret.at - word.length, caret.at) !== word) return null;
    const changed = changedRange(before, after);
    const start = Math.max(changed.start, caret.at - word.length);
    const end = Math.min(changed.end, caret.at);
    if (start >= end) return null;
    const added = { text: after.slice(start, end), start, end, caret, inWord: start - (caret.at - word.length) };
    if (caret.node) {
      added.nodeStart = caret.offset - (caret.at - start);
      if (added.nodeStart < 0) return null; // the word runs over more than one text node
    }
    return added;
  }

  // Types Korvel's way in the fields that `target` (a field, or a document
  // for all of its fields) holds. `fieldOf(event)` names the field an event
  // is for, or null where Korvel does not type now; `transcribe(text)` gives
  // what typing `text` inserts.
  function attach(target, { fieldOf, transcribe }) {
    // Firefox's editing raises the typing events again, but editors were
    // offered the text already; in Chromium it raises none.
    const offeredAlready = (event) => {
      if (editingByBrowser) event.stopImmediatePropagation();
    };
    target.addEventListener('textInput', offeredAlready, true);
    target.addEventListener('beforeinput', (event) => {
      offeredAlready(event);
      // Typed text only: pasted, dropped and autocorrected text arrive
      // unchanged, and composition is handled when it ends.
      if (inserting || event.isComposing || event.inputType !== 'insertText' || !event.data) return;
      const field = fieldOf(event);
      if (!field) return;
      const output = transcribe(event.data);
      if (output === event.data) return;
      // The typed key's text reaches no editor, not even to be ignored.
      event.preventDefault();
      event.stopImmediatePropagation();
      insert(field, output, event.target, event.getTargetRanges());
    }, true);

    let composing = null; // the field a composition is under way in, and its text before
    target.addEventListener('compositionstart', (event) => {
      if (inserting) return;
      const field = fieldOf(event);
      composing = field && { field, before: textOf(field) };
    }, true);
    target.addEventListener('compositionend', (event) => {
      if (inserting) return;
      const started = composing;
      composing = null;
      const field = fieldOf(event);
      if (!event.data || !field || !started || started.field !== field) return;
      const added = addedByComposition(field, started.before, event.data);
      if (!added) return;
      const output = transcribe(added.text);
      if (output === added.text) return;
      if (isTextControl(field)) {
        // Replaced through the browser's editing: one undo step.
        field.setSelectionRange(added.start, added.end);
        insert(field, output);
        return;
      }
      // An editor takes the committed word from the page or from this
      // event: both get the transcribed word before any editor sees either.
      const { node, offset } = added.caret;
      node.replaceData(added.nodeStart, added.text.length, output);
      const caret = offset + output.length - added.text.length;
      field.ownerDocument.getSelection().setBaseAndExtent(node, caret, node, caret);
      event.stopImmediatePropagation();
      const word = event.data.slice(0, added.inWord) + output + event.data.slice(added.inWord + added.text.length);
      inserting = true;
      try {
        const view = field.ownerDocument.defaultView;
        event.target.dispatchEvent(new view.CompositionEvent('compositionend', { data: word, bubbles: true, composed: true }));
      } finally {
        inserting = false;
      }
    }, true);
  }

  return { attach, insert };
})();
