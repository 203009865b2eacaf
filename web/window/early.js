"use strict";
// Presses of 計算 before the page's scripts have arrived (the core is on its way): each kept with the
// entries as they stood, and answered in turn once the scripts are here (page.js). Listened for on
// the document, so that no press is lost however early the button is there.
window.vordanelEarly = (() => {
  const presses = [];
  const press = (e) => {
    if (e.target.id !== "Command1") return;
    // An entry not yet parsed is empty.
    presses.push(["Text6", "Text1", "Text2", "Text3"].map((id) => document.getElementById(id)?.value ?? ""));
    const readiness = document.getElementById("readiness");
    if (readiness) readiness.hidden = false;
  };
  document.addEventListener("click", press);

  // A link's fields, each at most this many characters (a project's name of a few hundred): a
  // longer one is cut there, and said, rather than drawn into every page and code at full length.
  const linkFieldCap = 500;
  // Cuts a link's over-long fields (URLSearchParams, in place); the first of them by name, or null.
  const capLink = (params) => {
    let over = null;
    for (const [name, value] of [...params]) {
      if (value.length <= linkFieldCap) continue;
      // Not between the two halves of a character outside the BMP.
      const end = /[\ud800-\udbff]/.test(value[linkFieldCap - 1]) ? linkFieldCap - 1 : linkFieldCap;
      params.set(name, value.slice(0, end));
      over ??= name;
    }
    return over;
  };
  // A link that opened the page with a field over the cap is cut before anything reads the
  // address: the browser copies the whole address wherever the page's own is used (every link,
  // every reference within a drawing), and a megabyte of it held up the page for seconds.
  const cutLink = () => {
    if (location.hash.length <= linkFieldCap) return null;
    const params = new URLSearchParams(location.hash.slice(1)), over = capLink(params);
    if (over !== null) {
      try {
        history.replaceState(null, "", `${location.href.slice(0, location.href.indexOf("#"))}#${params}`);
      } catch { /* the page reads the link as it is */ }
    }
    return over;
  };
  return { presses, stop: () => document.removeEventListener("click", press), capLink, linkFieldCap,
           // The field cut from the link the page opened with, which its first reading tells.
           linkCut: cutLink() };
})();
