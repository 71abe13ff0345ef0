// Draft.js, with React 18 (Draft.js needs 18 or earlier).
import { createElement, useState } from 'react';
import { createRoot } from 'react-dom/client';
import { Editor, EditorState } from 'draft-js';
import { host } from './host.js';

function DraftEditor() {
  const [state, setState] = useState(() => EditorState.createEmpty());
  window.editorUnderTest = { text: () => state.getCurrentContent().getPlainText('\n') };
  return createElement(Editor, { editorState: state, onChange: setState });
}
createRoot(host('div')).render(createElement(DraftEditor));
