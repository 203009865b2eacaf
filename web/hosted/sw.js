"use strict";
// The hosted edition's service worker. It keeps one build's files together in a cache named by the
// build, fetched whole when it installs, past the browser's HTTP cache (so that a build is never
// made of an older file) and kept out of it (so that a file that fails its check below is not what
// the page's next load of it finds there: a module swapped for another compiles, then will not
// link); it waits while pages of the build before it are open, until one of them asks it to take
// over (the page's offer of the new version), and then drops the older caches but the last, which
// pages still open on that build take their files from.
// Every file is checked against the SHA-256 the build wrote for it before anything is kept: a host
// that cuts a file short, sends another file's bytes or answers with its index page fails the
// install, which the next visit tries again, and never leaves a build that cannot start.
const build = "@BUILD@";
const files = ["@FILES@"];
const hashes = {"@HASHES@": ""};
const cacheName = `vordanel-${build}`;

const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, "0")).join("");
// The file's answer if it is the build's own bytes, else null.
async function checked(response, file) {
  if (!response.ok) return null;
  const copy = response.clone();
  const digest = hex(await crypto.subtle.digest("SHA-256", await response.arrayBuffer()));
  return digest === hashes[file] ? copy : null;
}
// A request's file of this build, as the list names it ("./" for the page), or null.
function fileOf(url) {
  const relative = url.href.slice(new URL(self.registration.scope).href.length);
  if (relative === "" || relative === "index.html") return "./";
  return files.includes(relative) ? relative : null;
}

self.addEventListener("install", (event) => {
  event.waitUntil((async () => {
    // All checked first, then kept together: a failed install leaves no part of the build behind.
    const answers = await Promise.all(files.map(async (file) => {
      const response = await checked(await fetch(new Request(file, { cache: "no-store" })), file);
      if (!response) throw new Error(`${file} is not this build's`);
      return [file, response];
    }));
    const cache = await caches.open(cacheName);
    await Promise.all(answers.map(([file, response]) => cache.put(file, response)));
  })());
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
    if (hit) return hit;
    // A file of this build missing from its cache (one the page dropped because it would not
    // compile): fetched, and kept again once it is checked.
    const response = await fetch(request);
    const file = page ? "./" : fileOf(url);
    if (file && (await caches.has(cacheName))) {
      event.waitUntil(checked(response.clone(), file).then((good) => good && own.put(file, good)));
    }
    return response;
  })());
});
