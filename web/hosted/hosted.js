"use strict";
// The hosted edition's own: the workbench's code fetched when first used, and the page's side of
// its service worker (sw.js), registered once the page has been drawn whole, so that caching the
// build (the commands' module among it) never takes a slow line's share from the core or the font
// the page is waiting for; looks for a new build when the page is opened or shown again; offers a
// new build once all of its files are cached, and loads it on request, the page then coming whole
// from the new build's cache.
(() => {
  // The workbench's code that comes when first used: its file of this build, asked for once.
  const later = @LATER_FILE_URLS@, loading = {};
  app.later = (name) => (loading[name] ??= new Promise((resolve, reject) => {
    const script = document.createElement("script");
    script.src = later[name];
    script.onload = resolve;
    script.onerror = () => {
      delete loading[name];
      reject(new Error(`${later[name]} could not be loaded`));
    };
    document.head.append(script);
  }));

  if (!("serviceWorker" in navigator)) return;
  const $ = app.$;

  function offer(load) {
    $("update").hidden = false;
    $("updateLoad").disabled = false;
    $("updateLoad").onclick = () => {
      $("updateLoad").disabled = true;
      load();
    };
  }
  // The new build took over: at this page's request it reloads; where another page asked, this one
  // still runs the older build (whose files that build's cache keeps) and offers a reload.
  const offerWorker = (worker) => offer(() => {
    navigator.serviceWorker.removeEventListener("controllerchange", elsewhere);
    navigator.serviceWorker.addEventListener("controllerchange", () => location.reload(), { once: true });
    worker.postMessage("take over");
  });
  const elsewhere = () => {
    if (navigator.serviceWorker.controller && $("update").hidden === false) offer(() => location.reload());
  };
  navigator.serviceWorker.addEventListener("controllerchange", elsewhere);

  const register = async () => {
    let registration;
    try {
      registration = await navigator.serviceWorker.register("sw.js");
    } catch {
      return;  // a host without the worker, or a browser that keeps none: the page works as it is
    }
    const controlled = () => Boolean(navigator.serviceWorker.controller);
    if (registration.waiting && controlled()) offerWorker(registration.waiting);
    // How the last install this page saw stands, on the page's root (data-vordanel-worker:
    // installing, installed, activated, or redundant where it failed): what the tests wait for.
    const watch = (worker) => {
      if (!worker) return;
      const sign = () => { document.documentElement.dataset.vordanelWorker = worker.state; };
      sign();
      worker.addEventListener("statechange", sign);
    };
    watch(registration.installing);
    registration.addEventListener("updatefound", () => {
      const worker = registration.installing;
      watch(worker);
      worker?.addEventListener("statechange", () => {
        if (worker.state === "installed" && controlled()) offerWorker(worker);
      });
    });
    const look = () => registration.update().catch(() => { /* offline: the build in hand stays */ });
    document.addEventListener("visibilitychange", () => { if (document.visibilityState === "visible") look(); });
    setInterval(look, 60 * 60 * 1000);
  };
  // The page's load event may not wait for the core, which is fetched, not linked; the page may
  // also fail to open, and is kept for offline use all the same.
  app.opened.then(register, register);
})();
