// Lexical's rich text with its history.
import { $getRoot, createEditor } from 'lexical';
import { registerRichText } from '@lexical/rich-text';
import { createEmptyHistoryState, registerHistory } from '@lexical/history';
import { host } from './host.js';

const editor = createEditor({ namespace: 'korvel-test', onError: (error) => { throw error; } });
const root = host();
root.contentEditable = 'true';
editor.setRootElement(root);
registerRichText(editor);
registerHistory(editor, createEmptyHistoryState(), 300);
window.editorUnderTest = {
  text: () => editor.getEditorState().read(() => $getRoot().getTextContent()),
};
