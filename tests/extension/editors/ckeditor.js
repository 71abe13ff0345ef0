// CKEditor 5, the self-contained build, with the GPL licence key.
import { ClassicEditor, Essentials, Paragraph, Undo } from 'ckeditor5';
import { host } from './host.js';

ClassicEditor.create(host('div'), { licenseKey: 'GPL', plugins: [Essentials, Paragraph, Undo], toolbar: [] })
  .then((editor) => {
    window.editorUnderTest = {
      text: () => editor.getData().replace(/<\/p><p>/g, '\n').replace(/<[^>]*>/g, '').replace(/&nbsp;/g, ' ')
        .replace(/&amp;/g, '&').replace(/&lt;/g, '<').replace(/&gt;/g, '>'),
    };
  });
