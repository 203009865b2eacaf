// The core's module, compiled meanwhile (the page's head), made an instance; the font asked for
// only then, so that it never takes the core's share of a slow line, the captions shown meanwhile
// in the system's IPA font or sans-serif.
VordanelCore = ((make) => (options = {}) => make({ ...options, instantiateWasm(imports, receive) {
  vordanelCoreModule.then((module) => WebAssembly.instantiate(module, imports).then((instance) => {
    receive(instance, module);
    // Given to the page once loaded: the page's text is laid out again once, with it.
    const face = new FontFace("IPA P Gothic VORDANEL", 'url("@FONT_URL@") format("woff")');
    face.load().then(() => document.fonts.add(face), () => { /* the fallback stays */ });
  }));
  return {};
} }))(VordanelCore);
