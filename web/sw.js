"use strict";
// The hosted edition's service worker. It keeps one build's files together in a cache named by the
// build, fetched whole when it installs (past the browser's HTTP cache, so that a build is never
// made of an older file); it waits while pages of the build before it are open, until one of them
// asks it to take over (the page's offer of the new version), and then drops the older caches but
// the last, which pages still open on that build take their files from.
const build = "@BUILD@";
const files = ["@FILES@"];
const cacheName = `vordanel-${build}`;

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files.map((f) => new Request(f, { cache: "reload" })))));
});

self.addEventListener("activate", (event) => {
  event.waitUntil((async () => {
    const older = (await caches.keys()).filter((key) => key.startsWith("vordanel-") && key !== cacheName);
    for (const key of older.slice(0, -1)) await caches.delete(key);
    await self.clients.claim();
  })());
});

self.addEventListener("message", (event) => {
  if (event.data === "take over") self.skipWaiting();
  // Which build answers: the page's tests ask.
  else if (event.data === "build") event.ports[0]?.postMessage(build);
});

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET") return;
  const url = new URL(request.url), scope = new URL(self.registration.scope);
  if (url.origin !== scope.origin) return;
  // The page at the folder's address or as index.html, whatever its query; every other file by its
  // exact address, the build's tag included, in this build's cache or the one before.
  const page = request.mode === "navigate" && [scope.pathname, `${scope.pathname}index.html`].includes(url.pathname);
  event.respondWith((async () => {
    const own = await caches.open(cacheName);
    const hit = page ? await own.match("./") : (await own.match(request)) ?? (await caches.match(request));
    return hit ?? fetch(request);
  })());
});
