// The site's offline copy: every file of one build in one cache, named after
// the build (scripts/web.sh writes its name in), answered from there first.
// A new build fills its own cache and drops the old one.

const cache = 'tenfall-BUILD';
const files = ['./', 'index.html', 'page.js', 'tenfall.js', 'tenfall.wasm', 'xterm.js', 'xterm.css',
  'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cache).then((store) => store.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name !== cache).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method === 'GET') {
    event.respondWith(caches.open(cache).then((store) => store.match(event.request, { ignoreSearch: true })
      .then((hit) => hit ?? fetch(event.request))));
  }
});
