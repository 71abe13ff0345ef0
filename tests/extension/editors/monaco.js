// Monaco, which takes its input through an EditContext in Chromium and
// through a hidden text area in Firefox. Its language services would run in
// workers; plain text needs none.
import * as monaco from 'monaco-editor/editor/editor.api.js';
import { host } from './host.js';

const style = document.createElement('link');
style.rel = 'stylesheet';
style.href = 'monaco.css';
document.head.append(style);
self.MonacoEnvironment = { getWorker: () => new Worker(URL.createObjectURL(new Blob([''], { type: 'text/javascript' }))) };

const element = host('div');
element.style.cssText = 'width: 800px; height: 400px';
const editor = monaco.editor.create(element, { value: '', language: 'plaintext', minimap: { enabled: false } });
window.editorUnderTest = {
  focus: '.monaco-editor .view-lines',
  text: () => editor.getValue(),
  shown: () => element.querySelector('.view-lines').innerText,
  // A long document, with the caret at its end.
  fill: (paragraphs) => {
    editor.setValue(paragraphs.join('\n'));
    const end = editor.getModel().getFullModelRange().getEndPosition();
    editor.setPosition(end);
    editor.focus();
  },
};
