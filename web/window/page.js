"use strict";
// The window's three handlers, as on the desktop: the page moves texts between its boxes and the
// core (compiled from the same source) and shows what comes back. Entries are read with a
// decimal point, whatever the browser's language.
(() => {
  const $ = app.$;
  // Each entry in the order the core reads them.
  const entries = app.entryIds.map((id) => [id]);

  // The failure dialog with the core's words for it, the focus going back to the entry at fault.
  function report(said, entryId) {
    $("failureMessage").textContent = said;
    $("failure").showModal();
    if (entryId) $("failure").addEventListener("close", () => $(entryId).focus(), { once: true });
  }

  // The page's sign that a press's answer is out (the head, a message or the dialog): the window's
  // data-state is "calculating" meanwhile, then "answered", its data-answers counts the presses
  // answered, and a "vordanel-answered" event carries the answer. The workbench has caught up
  // with it, and the live region has said it, before the count goes up.
  async function answered(press) {
    const window_ = $("VORDANEL");
    window_.dataset.state = "calculating";
    let answer = null;
    try {
      answer = await press();
      await app.drawn();
    } finally {
      if (answer) announce(answer);
      window_.dispatchEvent(new CustomEvent("vordanel-answered", { bubbles: true, detail: answer }));
      window_.dataset.answers = String(Number(window_.dataset.answers ?? 0) + 1);
      window_.dataset.state = "answered";
    }
  }

  // texts: the entries as they stood when 計算 was pressed (before the page's scripts had
  // arrived, the early press's own); the window's boxes otherwise.
  async function Command1_Click(texts = entries.map(([box]) => $(box).value)) {
    $("Label8").hidden = true;
    $("Label9").hidden = true;
    $("Text4").value = "";
    $("Text5").value = "";
    // A press before the core has arrived is answered once it is here; meanwhile the page says so
    // (where the workbench's heading, which says it, has been parsed).
    const readiness = () => $("readiness") ?? {};
    if (!app.module) readiness().hidden = false;
    await app.core;
    readiness().hidden = true;
    const answer = app.call("calculate", texts);
    switch (answer.outcome) {
      case "converged":
        $("Text4").value = answer.head_mm;
        $("Text5").value = String(answer.trials);
        $("Label8").hidden = !answer.above_weir;
        break;
      case "no_solution":
        $("Label9").hidden = false;
        break;
      case "fault":
        report(answer.said, answer.control);
        break;
    }
    // The workbench follows at once; for a press made before the core arrived, in its first
    // drawing, after the window's answer has been painted.
    app.dispatch({ type: "answered", entries: texts, result: answer }, { now: app.state.ready });
    return answer;
  }

  // The answer in words for a screen reader, as the core words it: the head and trials with their
  // captions, the message the window shows, or the entries an empty press needs. A fault is told
  // by its dialog, which takes the focus.
  function announce(answer) {
    if (answer.said && answer.outcome !== "fault") app.announce(answer.said);
  }

  function Command2_Click() {
    $("Label8").hidden = true;
    $("Label9").hidden = true;
    for (const id of ["Text1", "Text2", "Text3", "Text4", "Text5", "Text6"]) $(id).value = "";
    app.dispatch({ type: "cleared" }, { now: true });
  }

  function Form_Load() {
    $("Command1").addEventListener("click", () => answered(() => Command1_Click()));
    // The presses made before this script arrived, caught by the page's first lines, in turn.
    const early = window.vordanelEarly;
    early.stop();
    for (const texts of early.presses.splice(0)) answered(() => Command1_Click(texts));
    $("Command2").addEventListener("click", Command2_Click);
    // The controls stand in the page in the window's keyboard order; past the trial count Tab
    // goes on to the workbench, and Shift+Tab from the diameter goes out of the window.
    $("Text6").focus();
  }

  Form_Load();
})();
