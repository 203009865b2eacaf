"use strict";
// Right after the window's markup (an async script, run once it is parsed): the window's scripts
// asked for once the window has been painted (at once where it already has been: on a slow phone
// the parser gets here well after the first paint), so that they run while the rest of the page is
// still being parsed; the workbench's once the core's bytes are in and the page has been parsed.
(() => {
  const load = (src) => {
    const script = document.createElement("script");
    script.src = src;
    script.async = false;  // in the order asked for
    document.head.append(script);
  };
  const parsed = new Promise((resolve) => {
    if (document.readyState !== "loading") resolve();
    else document.addEventListener("DOMContentLoaded", resolve);
  });
  // Whichever comes first starts them.
  new Promise((start) => {
    if (performance.getEntriesByType("paint").length > 0) start();
    requestAnimationFrame(() => setTimeout(start));
    setTimeout(start, 100);  // a page in the background draws no frame
  }).then(() => {
    load(@WINDOW_FILE_URL@);
    const bench = () => parsed.then(() => load(@BENCH_FILE_URL@));
    window.vordanelCoreModule.then(bench, bench);
  });
})();
