// Keeps the page's files so that after one visit it loads and runs with no network. The build
// names the cache after the version and the files' contents: a new build's worker fills a cache
// of its own and drops the others, and every page load after that gets the new files.
'use strict';
var CACHE = 'plasmaballs-@VERSION@-@HASH@';
var FILES = ['index.html', 'plasmaballs.js', 'plasmaballs.wasm', 'manifest.webmanifest',
             'icon-192.png', 'icon-512.png'];

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    // Past the browser's own cache, so that the new cache holds the new files.
    return cache.addAll(FILES.map(function (file) {
      return new Request(file, { cache: 'reload' });
    }));
  }).then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf('plasmaballs-') === 0 && name !== CACHE;
    }).map(function (name) { return caches.delete(name); }));
  }).then(function () { return self.clients.claim(); }));
});

// Every address of the page (any query: ?seed=, ?script=) is the one index.html.
self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  var key = request.mode === 'navigate' ? 'index.html' : request;
  event.respondWith(caches.open(CACHE).then(function (cache) {
    return cache.match(key, { ignoreSearch: true });
  }).then(function (hit) { return hit || fetch(request); }));
});
