// ProseMirror with its history and keymap.
import { EditorState, Selection } from 'prosemirror-state';
import { EditorView } from 'prosemirror-view';
import { schema } from 'prosemirror-schema-basic';
import { history, redo, undo } from 'prosemirror-history';
import { keymap } from 'prosemirror-keymap';
import { baseKeymap } from 'prosemirror-commands';
import { host } from './host.js';

const view = new EditorView(host('div'), {
  state: EditorState.create({
    schema,
    plugins: [history(), keymap({ 'Mod-z': undo, 'Mod-y': redo, 'Shift-Mod-z': redo }), keymap(baseKeymap)],
  }),
});
window.editorUnderTest = {
  text: () => view.state.doc.textBetween(0, view.state.doc.content.size, '\n'),
  // A long document, paragraph by paragraph, with the caret at its end.
  fill: (paragraphs) => {
    const doc = schema.node('doc', null, paragraphs.map((text) => schema.node('paragraph', null, schema.text(text))));
    view.updateState(EditorState.create({ doc, plugins: view.state.plugins, selection: Selection.atEnd(doc) }));
  },
};
