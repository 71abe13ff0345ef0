// Keeps the subject in the page's own state, as a framework does: the field
// shows what the state holds, and the state is what the input events said.
// "Show" turns the new password into a text field, as such buttons do.
'use strict';
(function () {
  const subject = document.getElementById('subject');
  const shown = document.getElementById('subject-state');
  let state = '';
  subject.addEventListener('input', () => {
    state = subject.value;
    subject.value = state;
    shown.textContent = state;
  });
  document.getElementById('show-password').addEventListener('click', () => {
    document.getElementById('new-password').type = 'text';
  });
})();
