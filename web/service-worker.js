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

// The network's answer when it is a good one and comes in time; otherwise
// the kept copy. An error page (a server's 503, a captive portal's sign-in
// page) or a network that never answers counts as no network.
const NETWORK_WAIT_MS = 3000;

async function answer(request) {
  const fromNetwork = fetch(request, { cache: 'no-cache' }).catch(() => null);
  let timer = 0;
  const late = new Promise((resolve) => {
    timer = setTimeout(resolve, NETWORK_WAIT_MS, null);
  });
  const first = await Promise.race([fromNetwork, late]);
  clearTimeout(timer);
  if (first && first.ok) return first;
  const kept = await caches.open(CACHE).then((cache) => cache.match(request, { ignoreSearch: true }));
  if (kept) return kept;
  // Nothing kept for it: whatever the network gives, in its own time.
  return first || (await fromNetwork) || Response.error();
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(answer(request));
});
