// Quill 2.
import Quill from 'quill';
import { host } from './host.js';

const quill = new Quill(host('div'));
window.editorUnderTest = { text: () => quill.getText().replace(/\n$/, '') };
