// Trix, which builds its document from its own input and composition events
// and draws it again.
import 'trix';
import { host } from './host.js';

const element = host('trix-editor');
element.style.cssText = 'display: block; min-height: 5em'; // clickable when empty
window.editorUnderTest = {
  focus: 'trix-editor',
  shown: () => element.innerText,
  text: () => (element.editor ? element.editor.getDocument().toString().replace(/\n$/, '') : ''),
};
