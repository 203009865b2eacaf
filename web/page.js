"use strict";
// The window's three handlers, as on the desktop: the page moves texts between its boxes and the
// core (compiled from the same source) and shows what comes back. Entries are read with a
// decimal point, whatever the browser's language.
(() => {
  const $ = (id) => document.getElementById(id);
  const core = VordanelCore();  // ready in a moment; a press before then waits for it
  VordanelCore.ready = core;  // one module for the whole page: the workbench draws from it too
  // Each entry in the order the core reads them, with its caption.
  const entries = [["Text6", "Label7"], ["Text1", "Label2"], ["Text2", "Label3"], ["Text3", "Label4"]];
  let faultEntry = null;

  // A call into the core with texts, each as UTF-8 with its length, on its heap for the one call;
  // the core answers in JSON. The workbench calls the core the same way.
  function withTexts(module, texts, call) {
    const strings = texts.map((text) => {
      const size = module.lengthBytesUTF8(text);
      const pointer = module._malloc(size + 1);
      if (pointer) module.stringToUTF8(text, pointer, size + 1);
      return [pointer, size];
    });
    try {
      if (strings.some(([pointer]) => !pointer)) throw new Error("no memory for the entries");
      return JSON.parse(module.UTF8ToString(call(strings.flat())));
    } finally {
      strings.forEach(([pointer]) => pointer && module._free(pointer));
    }
  }
  VordanelCore.withTexts = withTexts;
  const calculate = (module, texts) => withTexts(module, texts, (s) => module._vordanel_calculate(...s));

  function report(message, entryId) {
    const caption = entries.find(([box]) => box === entryId);
    $("failureMessage").textContent = caption ? `${$(caption[1]).textContent}: ${message}` : message;
    faultEntry = entryId ? $(entryId) : null;
    $("failure").showModal();
  }

  // The page's sign that a press's answer is out (the head, a message or the dialog): the window's
  // data-state is "calculating" meanwhile, then "answered", its data-answers counts the presses
  // answered, and a "vordanel-answered" event carries the answer to whoever shows more of it.
  async function answered(press) {
    const window_ = $("VORDANEL");
    window_.dataset.state = "calculating";
    let answer = null;
    try {
      answer = await press();
    } finally {
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
    const answer = calculate(await core, texts);
    switch (answer.outcome) {
      case "converged":
        $("Text4").value = answer.head;
        $("Text5").value = answer.trials;
        $("Label8").hidden = !answer.aboveWeir;
        break;
      case "no_solution":
        $("Label9").hidden = false;
        break;
      case "fault":
        report(answer.message, answer.entry);
        break;
    }
    return answer;
  }

  function Command2_Click() {
    $("Label8").hidden = true;
    $("Label9").hidden = true;
    for (const id of ["Text1", "Text2", "Text3", "Text4", "Text5", "Text6"]) $(id).value = "";
  }

  function Form_Load() {
    $("Command1").addEventListener("click", () => answered(Command1_Click));
    $("Command2").addEventListener("click", Command2_Click);
    $("failure").addEventListener("close", () => faultEntry && faultEntry.focus());
    // The keyboard order goes round, as in the window: past the trial count back to the diameter.
    $("Text5").addEventListener("keydown", (e) => {
      if (e.key === "Tab" && !e.shiftKey) { e.preventDefault(); $("Text6").focus(); }
    });
    $("Text6").addEventListener("keydown", (e) => {
      if (e.key === "Tab" && e.shiftKey) { e.preventDefault(); $("Text5").focus(); }
    });
    $("Text6").focus();
  }

  Form_Load();
})();
