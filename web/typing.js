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
// Editors built on an EditContext (Chromium) hear only their context's own
// `textupdate`: the replacement goes into the context and raises that, as
// the browser does for typing.
//
// Only the user's own input counts: an event that a page's script made
// (isTrusted false) is never cancelled, never answered and changes nothing,
// so that no page can drive Korvel or tell that it is there.
'use strict';

const KorvelTyping = (() => {
  let inserting = false; // our own events are under way: not to be transcribed again
  let editingByBrowser = false; // the browser's own editing is inserting what editors were offered
  let wordEnded = null; // the fixing by itself, told of a word's end that the user typed in a field
  const WORD_END = /[ .,!?;:]$/;

  function isTextControl(field) {
    return field.tagName === 'TEXTAREA' || field.tagName === 'INPUT';
  }

  // The field's EditContext, where it takes its input through one.
  function editContextOf(field) {
    return field.editContext || null;
  }

  // Types `text` over [start, end) of an EditContext as the browser does:
  // the context's text and selection, then its `textupdate`.
  function typeIntoEditContext(field, start, end, text) {
    const context = editContextOf(field);
    const caret = start + text.length;
    context.updateText(start, end, text);
    context.updateSelection(caret, caret);
    const { TextUpdateEvent } = field.ownerDocument.defaultView;
    const wasInserting = inserting;
    inserting = true;
    try {
      context.dispatchEvent(new TextUpdateEvent('textupdate', {
        updateRangeStart: start, updateRangeEnd: end, text, selectionStart: caret, selectionEnd: caret,
      }));
    } finally {
      inserting = wasInserting;
    }
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
      const context = editContextOf(field);
      if (context) {
        typeIntoEditContext(field, context.selectionStart, context.selectionEnd, text);
        return;
      }
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
    if (editContextOf(field)) return editContextOf(field).text;
    return isTextControl(field) ? field.value : field.textContent;
  }

  // Where the caret stands in textOf(field), with the text node and offset
  // it stands at in a contenteditable box; null with a selection.
  function caretOf(field) {
    const control = editContextOf(field) || (isTextControl(field) && field);
    if (control) {
      return control.selectionStart === control.selectionEnd ? { at: control.selectionEnd } : null;
    }
    const selection = field.ownerDocument.getSelection();
    if (!selection || selection.rangeCount !== 1 || !selection.isCollapsed) return null;
    const { startContainer: node, startOffset: offset } = selection.getRangeAt(0);
    if (node.nodeType !== Node.TEXT_NODE || !field.contains(node)) return null;
    return { at: offsetIn(field, node, offset), node, offset };
  }

  // Where (node, offset) stands in textOf(field) of a contenteditable box.
  function offsetIn(field, node, offset) {
    const before = field.ownerDocument.createRange();
    before.selectNodeContents(field);
    before.setEnd(node, offset);
    return before.toString().length;
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

  // The text node and offset at `at` in textOf(field) of a contenteditable box.
  function pointAt(field, at) {
    const walker = field.ownerDocument.createTreeWalker(field, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (at <= node.length) return { node, offset: at };
      at -= node.length;
    }
    return null;
  }

  // An editor that builds its document from the composition's own events
  // (Trix) draws the composed word again over the one replaced in place,
  // once the composition has ended. Then the replacement is typed over it
  // as a typed key's is, which such an editor takes into its document.
  function retypeWhenDrawnOver(field, composed, added, output) {
    const view = field.ownerDocument.defaultView;
    const replaced = textOf(field);
    const watch = new view.MutationObserver(() => {
      const text = textOf(field);
      if (text === replaced) return;
      watch.disconnect();
      if (text !== composed) return; // typed on, or changed otherwise
      const start = pointAt(field, added.start);
      const end = pointAt(field, added.end);
      if (!start || !end) return;
      field.ownerDocument.getSelection().setBaseAndExtent(start.node, start.offset, end.node, end.offset);
      const range = new view.StaticRange({
        startContainer: start.node, startOffset: start.offset, endContainer: end.node, endOffset: end.offset,
      });
      insert(field, output, field, [range]);
    });
    watch.observe(field, { childList: true, characterData: true, subtree: true });
    // Not past the next key (an undo, say) or a second.
    const stop = () => watch.disconnect();
    field.addEventListener('keydown', stop, { once: true });
    view.setTimeout(stop, 1000);
  }

  // Types Korvel's way in the fields that `target` (a field, or a document
  // for all of its fields) holds. `fieldOf(element)` names the field that an
  // event at `element` is for, or null where Korvel does not type now;
  // `transcribe(text)` gives what typing `text` inserts.
  function attach(target, { fieldOf, transcribe }) {
    const fieldFor = (event) => fieldOf(event.composedPath()[0]); // inside shadow roots too
    // Firefox's editing raises the typing events again, but editors were
    // offered the text already; in Chromium it raises none.
    const offeredAlready = (event) => {
      if (editingByBrowser) event.stopImmediatePropagation();
    };
    target.addEventListener('textInput', offeredAlready, true);
    const announced = new WeakSet(); // EditContexts whose next update a `beforeinput` announced
    target.addEventListener('beforeinput', (event) => {
      offeredAlready(event);
      if (!event.isTrusted) return;
      const context = event.target.editContext;
      if (context && !inserting) announced.add(context);
      // Typed text only: pasted, dropped and autocorrected text arrive
      // unchanged, and composition is handled when it ends.
      if (inserting || event.isComposing || event.inputType !== 'insertText' || !event.data) return;
      const field = fieldFor(event);
      if (!field) return;
      const output = transcribe(event.data);
      if (output === event.data) return;
      // The typed key's text reaches no editor, not even to be ignored.
      event.preventDefault();
      event.stopImmediatePropagation();
      if (context) announced.delete(context);
      insert(field, output, event.target, event.getTargetRanges());
      if (wordEnded && WORD_END.test(output)) wordEnded(field);
    }, true);

    let composing = null; // the field a composition is under way in, and its text before
    function startComposition(field) {
      composing = field && { field, before: textOf(field) };
    }
    function endComposition(event, field) {
      const started = composing;
      composing = null;
      if (!event.data || !field || !started || started.field !== field) return;
      const added = addedByComposition(field, started.before, event.data);
      if (!added) return;
      const output = transcribe(added.text);
      if (output === added.text) return;
      if (editContextOf(field)) {
        typeIntoEditContext(field, added.start, added.end, output);
        return;
      }
      if (isTextControl(field)) {
        // Replaced through the browser's editing: one undo step.
        field.setSelectionRange(added.start, added.end);
        insert(field, output);
        return;
      }
      // An editor takes the committed word from the page or from this
      // event: both get the transcribed word before any editor sees either.
      const composed = textOf(field);
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
      retypeWhenDrawnOver(field, composed, added, output);
    }
    target.addEventListener('compositionstart', (event) => {
      if (event.isTrusted && !inserting) startComposition(fieldFor(event));
    }, true);
    // The end of a composition that the user's input method began: the
    // commit of Chromium's DevTools (as the tests drive it) ends it with an
    // untrusted event, and a page cannot begin one.
    target.addEventListener('compositionend', (event) => {
      if ((event.isTrusted || composing) && !inserting) endComposition(event, fieldFor(event));
    }, true);

    // An EditContext's composition events go to the context alone, and text
    // that an input method commits at once (not composed) arrives there with
    // no `beforeinput`: the editor has taken it when Korvel hears of it, so it
    // is typed over.
    const contexts = new WeakSet();
    const watchEditContext = (event) => {
      if (!event.isTrusted) return;
      const element = event.composedPath()[0];
      const context = element && element.editContext;
      if (!context || contexts.has(context)) return;
      contexts.add(context);
      context.addEventListener('compositionstart', (start) => {
        if (start.isTrusted) startComposition(fieldOf(element));
      });
      context.addEventListener('compositionend', (end) => {
        if (end.isTrusted || composing) endComposition(end, fieldOf(element));
      });
      context.addEventListener('textupdate', (update) => {
        if (!update.isTrusted || inserting || composing || announced.delete(context)) return;
        const field = fieldOf(element);
        const output = field && transcribe(update.text);
        if (!field || output === update.text) return;
        const start = update.updateRangeStart;
        typeIntoEditContext(field, start, start + update.text.length, output);
      });
    };
    target.addEventListener('focusin', watchEditContext, true);
    target.addEventListener('keydown', watchEditContext, true);
  }

  // What Pause rewrites in `field`: the selection, or else the word before
  // the caret, back to a space or the line's start (in a contenteditable
  // box, the caret's text node's), the spaces after it left as they are.
  // Offsets in textOf(field); null where there is none.
  function pieceToRewrite(field) {
    const selection = selectionIn(field);
    if (!selection) return null;
    const { start, end, lineStart } = selection;
    if (start !== end) return { start, end, selected: true };
    const text = textOf(field);
    let to = start;
    while (to > lineStart && /[ \t\u00a0]/.test(text[to - 1])) to--;
    let from = to;
    while (from > lineStart && !/\s/.test(text[from - 1])) from--;
    return from < to ? { start: from, end: to, caret: start, selected: false } : null;
  }

  // The selection (or the caret) in textOf(field), and where the caret's
  // line starts; null where it is not in the field.
  function selectionIn(field) {
    const control = editContextOf(field) || (isTextControl(field) && field);
    if (control) {
      return { start: Math.min(control.selectionStart, control.selectionEnd),
               end: Math.max(control.selectionStart, control.selectionEnd), lineStart: 0 };
    }
    const selection = field.ownerDocument.getSelection();
    if (!selection || selection.rangeCount !== 1) return null;
    const range = selection.getRangeAt(0);
    if (!field.contains(range.startContainer) || !field.contains(range.endContainer)) return null;
    const start = offsetIn(field, range.startContainer, range.startOffset);
    const end = offsetIn(field, range.endContainer, range.endOffset);
    if (start !== end) return { start, end, lineStart: 0 };
    const caret = caretOf(field);
    return caret ? { start, end, lineStart: caret.at - caret.offset } : null;
  }

  function select(field, start, end) {
    if (isTextControl(field)) {
      field.setSelectionRange(start, end);
      return true;
    }
    const from = pointAt(field, start);
    const to = pointAt(field, end);
    if (!from || !to) return false;
    field.ownerDocument.getSelection().setBaseAndExtent(from.node, from.offset, to.node, to.offset);
    return true;
  }

  // Types `text` over [start, end) of textOf(field) as typing does, so that
  // the editor's own model and undo take it, and leaves `left` selected
  // (a caret where it is empty).
  function typeOver(field, start, end, text, left) {
    if (editContextOf(field)) {
      typeIntoEditContext(field, start, end, text);
      return;
    }
    if (!select(field, start, end)) return;
    let ranges = [];
    if (!isTextControl(field)) {
      const range = field.ownerDocument.getSelection().getRangeAt(0);
      ranges = [new field.ownerDocument.defaultView.StaticRange(range)];
    }
    insert(field, text, field, ranges);
    if (left.start === start + text.length && left.end === left.start) return; // where the insertion leaves it
    if (isTextControl(field)) select(field, left.start, left.end);
    else field.ownerDocument.defaultView.setTimeout(() => select(field, left.start, left.end)); // once the editor drew it
  }

  // Pause and Shift+Pause in the fields that `target` holds, and `rewrite`
  // for commands and menus: the selection, or the word before the caret, in
  // the other alphabet; pressed again before any other key, all as it was.
  // `fieldOf(element)` names the field (whether Korvel types there or not),
  // `rewriteText(text, transcription)` gives { text, cyrillic }, and
  // `typingOn()` and `setTyping(on)` are the mode that follows it. Returns
  // `rewrite(field, transcription)`, which says whether it changed anything.
  //
  // With `fixing`, the fixing by itself: at each word's end the user types,
  // the run typed on the caret's line since the last switch or fix is judged
  // (`fixing.judgeRun(run, leftAlone)` gives { begin, text, cyrillic } or
  // null) and typed over as Pause types, the mode following; Pause at once
  // takes it back, and `fixing.leaveAlone(text)` keeps its words from being
  // fixed again. `fixing.on()` says whether the user wants it.
  function attachRewriting(target, { fieldOf, rewriteText, typingOn, setTyping, fixing = null }) {
    let last = null;
    // Where the run being judged begins: the line's text before it, in the
    // field where it was last switched or fixed, or where typing began after
    // a click, a key that moves the caret, or a new focus (`markNext`).
    let runStart = null;
    let markNext = true;
    function lineStartOf(field, text, at) {
      if (!isTextControl(field) && !editContextOf(field)) return selectionIn(field).lineStart;
      return at > 0 ? text.lastIndexOf('\n', at - 1) + 1 : 0;
    }
    function markRunStart(field) {
      if (!field) return;
      const now = selectionIn(field);
      const text = textOf(field);
      // No text node yet at the caret (an empty paragraph): the line begins there.
      runStart = { field, before: now ? text.slice(lineStartOf(field, text, now.end), now.end) : '' };
    }
    function switchTyping(field, on) {
      setTyping(on);
      markRunStart(field);
    }
    function fixByItself(field) {
      const now = selectionIn(field);
      if (!now || now.start !== now.end) return;
      const text = textOf(field);
      const lineStart = lineStartOf(field, text, now.end);
      // Only what was typed since the run began: never text the caret was put into.
      if (!runStart || runStart.field !== field) return;
      const line = text.slice(lineStart, now.end);
      if (!line.startsWith(runStart.before)) {
        markNext = true; // taken back past where it began
        return;
      }
      const from = lineStart + runStart.before.length;
      const fix = fixing.judgeRun(text.slice(from, now.end), fixing.leftAlone());
      if (!fix) return;
      const start = from + fix.begin;
      const before = text.slice(start, now.end);
      const wasOn = typingOn();
      const left = { start: start + fix.text.length, end: start + fix.text.length };
      typeOver(field, start, now.end, fix.text, left);
      switchTyping(field, fix.cyrillic);
      last = { field, start, before, after: fix.text, selected: false, wasOn, left, byItself: true };
    }
    if (fixing) {
      const judgeSoon = (field) => {
        if (fixing.on()) field.ownerDocument.defaultView.setTimeout(() => fixByItself(field));
      };
      wordEnded = judgeSoon;
      // A word's end that Korvel did not type over (a space): the browser or
      // the editor inserts it first.
      target.addEventListener('beforeinput', (event) => {
        if (!event.isTrusted || inserting || event.isComposing || event.inputType !== 'insertText' ||
            !WORD_END.test(event.data || '')) {
          return;
        }
        const field = fieldOf(event.composedPath()[0]);
        if (field) judgeSoon(field);
      }, true);
    }
    // Where the last rewriting left the text and the selection.
    function standsAsLeft(field) {
      if (!last || last.field !== field) return false;
      const now = selectionIn(field);
      return Boolean(now) && now.start === last.left.start && now.end === last.left.end &&
        textOf(field).slice(last.start, last.start + last.after.length) === last.after;
    }
    function rewrite(field, transcription) {
      const text = textOf(field);
      if (standsAsLeft(field)) {
        const grown = last.before.length - last.after.length;
        typeOver(field, last.start, last.start + last.after.length, last.before,
                 last.selected ? { start: last.start, end: last.start + last.before.length }
                   : { start: last.left.start + grown, end: last.left.end + grown });
        if (last.byItself) fixing.leaveAlone(last.before);
        switchTyping(field, last.wasOn);
        last = null;
        return true;
      }
      last = null;
      const piece = pieceToRewrite(field);
      if (!piece) return false;
      const before = text.slice(piece.start, piece.end);
      const rewritten = rewriteText(before, transcription);
      if (rewritten.text === before) return false;
      const wasOn = typingOn();
      const grown = rewritten.text.length - before.length;
      const left = piece.selected ? { start: piece.start, end: piece.start + rewritten.text.length }
        : { start: piece.caret + grown, end: piece.caret + grown };
      typeOver(field, piece.start, piece.end, rewritten.text, left);
      switchTyping(field, rewritten.cyrillic);
      last = { field, start: piece.start, before, after: rewritten.text, selected: piece.selected, wasOn, left };
      return true;
    }
    target.addEventListener('pointerdown', (event) => {
      if (event.isTrusted) markNext = true;
    }, true);
    target.addEventListener('focusin', (event) => {
      if (event.isTrusted) markNext = true;
    }, true);
    target.addEventListener('keydown', (event) => {
      if (!event.isTrusted || ['Shift', 'Control', 'Alt', 'Meta', 'AltGraph'].includes(event.key)) return;
      if (event.key !== 'Pause' || event.ctrlKey || event.altKey || event.metaKey) {
        last = null;
        if (event.key.length !== 1 || event.ctrlKey || event.altKey || event.metaKey) {
          markNext = markNext || event.key !== 'Backspace';
        } else if (markNext) {
          markRunStart(fieldOf(event.composedPath()[0]));
          markNext = false;
        }
        return;
      }
      const field = fieldOf(event.composedPath()[0]);
      // Pause goes on to the page where nothing was rewritten.
      if (!field || !rewrite(field, event.shiftKey)) return;
      event.preventDefault();
      event.stopImmediatePropagation();
    }, true);
    return rewrite;
  }

  return { attach, attachRewriting, insert };
})();
