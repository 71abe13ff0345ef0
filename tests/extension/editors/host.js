// Where a test page's editor lives; the page reports errors the editor throws.
export function host(tag = 'div') {
  const element = document.createElement(tag);
  element.id = 'editor';
  document.body.append(element);
  return element;
}

window.editorErrors = [];
window.addEventListener('error', (event) => window.editorErrors.push(String(event.message)));
