// The options page: the sites where Korvel is on, and the switch of the
// fixing by itself. Saved when the typing
// pauses and when the field or the page is left, not on every key: the
// browser allows synced storage only so many writes a minute. A site added
// here is on once the browser allows Korvel there, which only a click may
// ask for: the button says which sites wait for it. Its texts are in the
// browser's language (_locales).
'use strict';

(function () {
  document.documentElement.lang = chrome.i18n.getMessage('language');
  for (const element of document.querySelectorAll('[data-message]')) {
    element.textContent = chrome.i18n.getMessage(element.dataset.message);
  }

  const SAVE_AFTER_MS = 600;
  const sites = document.getElementById('sites');
  const saved = document.getElementById('saved');
  const allow = document.getElementById('allow');
  const patternOf = (host) => `*://${host}/*`;
  let waiting = []; // listed sites the browser does not yet allow Korvel on

  async function showWaiting() {
    const hosts = sites.value.split('\n').map((line) => line.trim().toLowerCase()).filter(Boolean);
    const allowed = await Promise.all(hosts.map((host) => chrome.permissions.contains({ origins: [patternOf(host)] })
      .catch(() => true)));
    waiting = hosts.filter((host, i) => !allowed[i]);
    allow.hidden = waiting.length === 0;
    allow.textContent = chrome.i18n.getMessage('optionsAllow', [waiting.join(', ')]);
  }

  // Asked within the click: the browser allows a permission request then alone.
  allow.addEventListener('click', () => {
    chrome.permissions.request({ origins: waiting.map(patternOf) }).then(showWaiting, showWaiting);
  });
  let timer = 0;
  let stored = null; // what storage holds, as far as this page knows

  function save() {
    clearTimeout(timer);
    timer = 0;
    const value = sites.value;
    if (value === stored) return;
    stored = value;
    chrome.storage.sync.set({ sites: value }).then(() => {
      if (sites.value === value) saved.textContent = chrome.i18n.getMessage('optionsSaved');
      showWaiting();
    }, (error) => {
      stored = null; // the next pause or leave tries again
      saved.textContent = chrome.i18n.getMessage('optionsNotSaved', [error.message]);
    });
  }

  // The fixing by itself: on until the user switches it off.
  const fixByItself = document.getElementById('fix-by-itself');
  fixByItself.addEventListener('change', () => {
    chrome.storage.sync.set({ fixByItself: fixByItself.checked }).catch((error) => {
      saved.textContent = chrome.i18n.getMessage('optionsNotSaved', [error.message]);
    });
  });

  chrome.storage.sync.get(['sites', 'fixByItself']).then(async (kept) => {
    fixByItself.checked = kept.fixByItself !== false;
    sites.value = stored = kept.sites || '';
    await showWaiting();
    document.documentElement.dataset.ready = 'true';
  });
  sites.addEventListener('input', () => {
    saved.textContent = '';
    clearTimeout(timer);
    timer = setTimeout(save, SAVE_AFTER_MS);
  });
  sites.addEventListener('blur', save);
  window.addEventListener('pagehide', save);
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden') save();
  });
})();
