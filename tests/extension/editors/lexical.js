// Lexical's rich text with its history.
import { $createParagraphNode, $createTextNode, $getRoot, createEditor } from 'lexical';
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
  // A long document, paragraph by paragraph, with the caret at its end.
  fill: (paragraphs) => editor.update(() => {
    const root = $getRoot().clear();
    for (const text of paragraphs) root.append($createParagraphNode().append($createTextNode(text)));
    root.selectEnd();
  }, { discrete: true }),
};
