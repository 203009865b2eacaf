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

  // A call into the page's module: texts go as UTF-8, each as a pointer and its length in bytes (so
  // that a NUL typed or pasted is part of the text), on the module's heap for the one call; more
  // (numbers) follow them. The module answers in JSON, or in plain text where `json` is false.
  call(name, texts, more = [], json = true) {
    const module = this.module;
    const strings = texts.map((text) => {
      const size = module.lengthBytesUTF8(text);
      const pointer = module._malloc(size + 1);
      if (pointer) module.stringToUTF8(text, pointer, size + 1);
      return [pointer, size];
    });
    try {
      if (strings.some(([pointer]) => !pointer)) throw new Error("no memory for the entries");
      const answer = module.UTF8ToString(module[`_vordanel_${name}`](...strings.flat(), ...more));
      return json ? JSON.parse(answer) : answer;
    } finally {
      strings.forEach(([pointer]) => pointer && module._free(pointer));
    }
  },

  // Says a result to a screen reader through the page's one live region. The same words twice in
  // a row differ by a trailing no-break space, so that the second is said too.
  announce(text) {
    const region = this.$("announce");
    region.textContent = region.textContent === text ? `${text}\u00a0` : text;
  },
};
app.core.then((module) => { app.module = module; });
