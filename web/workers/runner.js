"use strict";
// vordanel-cli's commands inside their module (VordanelCommands): standard input from bytes, and
// what the command wrote, as bytes, with the core's reading of it. Runs in the page's workers.
// A call into the module: its arguments as one JSON array on the module's heap for the call, its
// answer one JSON text (glue/request.h), as the page's own module is called (window/app.js).
function vordanelAsk(module, name, args) {
  const request = JSON.stringify(args), size = module.lengthBytesUTF8(request) + 1, at = module._malloc(size);
  if (!at) throw new Error("vordanel: no memory");
  try {
    module.stringToUTF8(request, at, size);
    return JSON.parse(module.UTF8ToString(module[`_vordanel_${name}`](at)));
  } finally {
    module._free(at);
  }
}

// The whole command line after the program's name (strings without NUL: vordanel.run checks
// them); args null runs a batch on the input. `view` asks for the core's reading of the output,
// with so many rows, and `file` names the file read; `ms` is how long the command took. What the
// command wrote comes back as bytes, copied off the module's heap.
function vordanelRun(module, args, input, onRead, { view = 0, file = "" } = {}) {
  let read = 0;
  module.readInput = (buffer, size) => {
    const n = Math.min(size, input.length - read);
    module.HEAPU8.set(input.subarray(read, read + n), buffer);
    read += n;
    if (onRead) onRead(read, input.length);
    return n;
  };
  const started = performance.now();
  // fseek on the input (SEEK_SET, SEEK_CUR, SEEK_END: 0, 1, 2): the new place, or -1 off the input.
  module.seekInput = (offset, whence) => {
    const at = offset + [0, read, input.length][whence];
    if (!(at >= 0 && at <= input.length)) return -1;
    return (read = at);
  };
  try {
    const ran = vordanelAsk(module, "run", args ?? ["batch"]);
    const copy = ([at, size]) => module.HEAPU8.slice(at, at + size);
    const r = { status: ran.status, stdout: copy(ran.stdout), stderr: copy(ran.stderr) };
    if (view || args === null) r.view = vordanelAsk(module, "view", [ran.status, view, file, performance.now() - started]);
    return r;
  } finally {
    module._vordanel_release();
    module.readInput = module.seekInput = null;
  }
}
