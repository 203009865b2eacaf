"use strict";
// The one object through which the page's scripts meet: the page's module of the core and the way
// into it, the window's entries, the live region, and the hooks one script offers another. Each
// script puts here what it offers and takes from here what it uses; nothing is hung on the
// emscripten factory, and nothing hangs on the order in which listeners were added.
const app = {
  $: (id) => document.getElementById(id),
  // The page's module (glue_page.cpp), ready in a moment; `module` is the same once it is.
  core: VordanelCore(),
  module: null,
  // The window's four entries, in the order the core reads them.
  entryIds: ["Text6", "Text1", "Text2", "Text3"],
  entries() { return this.entryIds.map((id) => this.$(id).value); },

  // A call into the page's module: its arguments (texts, then numbers) as one JSON array, on the
  // module's heap for the one call (a NUL typed or pasted goes as \u0000, part of its text); its
  // answer one JSON text, read at once. The core answers the same arguments alike, and the views,
  // drawn after every change (a job's progress among them), ask again for what they asked before:
  // the last answers are kept, frozen, as they are shared.
  answers: new Map(),
  call(name, texts, more = []) {
    const request = JSON.stringify([...texts, ...more]), key = `${name}\0${request}`, kept = this.answers.get(key);
    if (kept) return kept;
    const module = this.module, size = module.lengthBytesUTF8(request) + 1, at = module._malloc(size);
    if (!at) throw new Error("no memory for the entries");
    let answer;
    try {
      module.stringToUTF8(request, at, size);
      answer = JSON.parse(module.UTF8ToString(module[`_vordanel_${name}`](at)), (k, v) => (typeof v === "object" && v !== null ? Object.freeze(v) : v));
    } finally {
      module._free(at);
    }
    if (this.answers.size >= 64) this.answers.delete(this.answers.keys().next().value);
    this.answers.set(key, answer);
    return answer;
  },

  // Says a result to a screen reader through the page's one live region. The same words twice in
  // a row differ by a trailing no-break space, so that the second is said too.
  announce(text) {
    const region = this.$("announce");
    region.textContent = region.textContent === text ? `${text}\u00a0` : text;
  },
};
app.core.then((module) => { app.module = module; });
