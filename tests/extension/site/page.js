// Keeps the subject in the page's own state, as a framework does: the field
// shows what the state holds, and the state is what the input events said.
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
})();
