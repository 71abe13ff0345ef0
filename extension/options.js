// The options page: the sites where Korvel starts switched on, saved as
// they are typed.
'use strict';

(function () {
  const sites = document.getElementById('sites');
  const saved = document.getElementById('saved');
  chrome.storage.sync.get('sites').then((stored) => {
    sites.value = stored.sites || '';
    document.documentElement.dataset.ready = 'true';
  });
  sites.addEventListener('input', () => {
    chrome.storage.sync.set({ sites: sites.value }).then(() => {
      saved.textContent = 'Saved.';
    }, (error) => {
      saved.textContent = `Not saved: ${error.message}`;
    });
  });
})();
