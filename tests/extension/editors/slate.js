// Slate with slate-react and its history.
import { createElement, useMemo, useState } from 'react';
import { createRoot } from 'react-dom/client';
import { createEditor, Node } from 'slate';
import { Editable, Slate, withReact } from 'slate-react';
import { withHistory } from 'slate-history';
import { host } from './host.js';

function SlateEditor() {
  const editor = useMemo(() => withHistory(withReact(createEditor())), []);
  const [initial] = useState([{ type: 'paragraph', children: [{ text: '' }] }]);
  window.editorUnderTest = { text: () => editor.children.map((block) => Node.string(block)).join('\n') };
  return createElement(Slate, { editor, initialValue: initial }, createElement(Editable, { id: 'editable' }));
}
createRoot(host('div')).render(createElement(SlateEditor));
