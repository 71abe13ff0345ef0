// Korvel's page offline: every file of the site is kept when the page is
// first opened, and served when the network is gone or answers badly. The
// network comes first while it answers well, so that an update is never
// hidden behind a kept copy; the cache's name carries a hash of the site's
// files, so a new build keeps its own files and drops the old ones.
'use strict';

const CACHE = 'korvel-@SITE_HASH@';
const FILES = '@SITE_FILES@'.split(' ');

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('korvel-') && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// Each page load takes every file from one place: the network, where the
// page itself came from it in good order and in time, else the kept copies
// (mixed, a new korvel.js could meet an old korvel-core.js). An error page
// (a server's 503, a captive portal's sign-in page) or a network that never
// answers counts as no network.
const NETWORK_WAIT_MS = 3000;
const sources = new Map(); // a page's client id: 'network' or 'cache'

const kept = (request) => caches.open(CACHE).then((cache) => cache.match(request, { ignoreSearch: true }));

async function answerPage(event) {
  const fromNetwork = fetch(event.request, { cache: 'no-cache' }).catch(() => null);
  let timer = 0;
  const late = new Promise((resolve) => {
    timer = setTimeout(resolve, NETWORK_WAIT_MS, null);
  });
  const first = await Promise.race([fromNetwork, late]);
  clearTimeout(timer);
  const fresh = Boolean(first && first.ok);
  if (event.resultingClientId) sources.set(event.resultingClientId, fresh ? 'network' : 'cache');
  if (fresh) return first;
  // Nothing kept for it: whatever the network gives, in its own time.
  return (await kept(event.request)) || first || (await fromNetwork) || Response.error();
}

async function answerFile(event) {
  // Where the page's source is not known (this worker started after it),
  // the kept copy: the page most likely came from it too.
  if (sources.get(event.clientId) !== 'network') {
    const copy = await kept(event.request);
    if (copy) return copy;
  }
  const answer = await fetch(event.request, { cache: 'no-cache' }).catch(() => null);
  if (answer && answer.ok) return answer;
  return (await kept(event.request)) || answer || Response.error();
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(request.mode === 'navigate' ? answerPage(event) : answerFile(event));
});

