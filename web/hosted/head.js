"use strict";
// The page's first script (a file, as the site's Content-Security-Policy wants every script), run
// from its head before the style has come: the core's module asked for at once.
// A module fetched and compiled as its bytes arrive (from the whole file, where a host sends .wasm
// under another type). One that does not compile is dropped from the service worker's caches and
// fetched once more from the host, so that a bad copy kept is never the only one tried.
window.vordanelCompile = (url) => {
  const compile = (init) => fetch(url, { credentials: "same-origin", ...init }).then((response) =>
    WebAssembly.compileStreaming(response.clone()).catch(() => response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes))));
  return compile().catch(async () => {
    if (self.caches) for (const key of await caches.keys()) if (key.startsWith("vordanel-")) await (await caches.open(key)).delete(url);
    return compile({ cache: "reload" });
  });
};
// The core's module asked for from the page's first line; the page's scripts, which run once the
// window has been painted, make it an instance.
window.vordanelCoreModule = vordanelCompile(new URL(@CORE_WASM_URL@, document.baseURI).href);
