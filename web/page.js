"use strict";
// The window's three handlers, as on the desktop: the page moves texts between its boxes and the
// core (compiled from the same source) and shows what comes back. Entries are read with a
// decimal point, whatever the browser's language.
(() => {
  const $ = app.$;
  // Each entry in the order the core reads them, with its caption.
  const entries = [["Text6", "Label7"], ["Text1", "Label2"], ["Text2", "Label3"], ["Text3", "Label4"]];
  let faultEntry = null;

  function report(message, entryId) {
    const caption = entries.find(([box]) => box === entryId);
    $("failureMessage").textContent = caption ? `${$(caption[1]).textContent}: ${message}` : message;
    faultEntry = entryId ? $(entryId) : null;
    $("failure").showModal();
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
    } finally {
      app.windowChanged(answer);
      if (answer) announce(answer);
      window_.dispatchEvent(new CustomEvent("vordanel-answered", { bubbles: true, detail: answer }));
      window_.dataset.answers = String(Number(window_.dataset.answers ?? 0) + 1);
      window_.dataset.state = "answered";
    }
  }

  async function Command1_Click() {
    $("Label8").hidden = true;
    $("Label9").hidden = true;
    $("Text4").value = "";
    $("Text5").value = "";
    const texts = entries.map(([box]) => $(box).value);
    await app.core;
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
        report(answer.message, answer.control);
        break;
    }
    return answer;
  }

  // The answer in words for a screen reader: the head and trials with their captions, or the
  // message the window shows. A fault is told by its dialog, which takes the focus.
  function announce(answer) {
    const caption = (id) => $(id).textContent;
    const messages = ["Label8", "Label9"].filter((id) => !$(id).hidden).map(caption);
    if (answer.outcome === "converged")
      app.announce([`${caption("Label5")} ${$("Text4").value}、${caption("Label1")} ${$("Text5").value}。`, ...messages].join(" "));
    else if (answer.outcome === "no_solution") app.announce(messages.join(" "));
  }

  function Command2_Click() {
    $("Label8").hidden = true;
    $("Label9").hidden = true;
    for (const id of ["Text1", "Text2", "Text3", "Text4", "Text5", "Text6"]) $(id).value = "";
    app.windowChanged(null);
  }

  function Form_Load() {
    $("Command1").addEventListener("click", () => answered(Command1_Click));
    $("Command2").addEventListener("click", Command2_Click);
    $("failure").addEventListener("close", () => faultEntry && faultEntry.focus());
    // The controls stand in the page in the window's keyboard order; past the trial count Tab
    // goes on to the workbench, and Shift+Tab from the diameter goes out of the window.
    $("Text6").focus();
  }

  Form_Load();
})();
