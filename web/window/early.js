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
  return { presses, stop: () => document.removeEventListener("click", press) };
})();
