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

// Standard input for a run: bytes, or a file (a Blob), read a window at a time so that a file of
// a gigabyte is never held whole. copy(at, n, into) puts its bytes [at, at + n) at `into` on the
// module's heap; a file that can no longer be read throws.
const inputWindow = 1 << 20;
function inputOf(input) {
  if (!(input instanceof Blob)) return { size: input.length, copy: (module, at, n, into) => module.HEAPU8.set(input.subarray(at, at + n), into) };
  const reader = new FileReaderSync();
  let start = 0, window = new Uint8Array(0);
  return {
    size: input.size,
    copy(module, at, n, into) {
      if (at < start || at + n > start + window.length)
        window = new Uint8Array(reader.readAsArrayBuffer(input.slice(start = at, at + Math.max(n, inputWindow))));
      module.HEAPU8.set(window.subarray(at - start, at - start + n), into);
    },
  };
}

// The whole command line after the program's name (strings without NUL: vordanel.run checks
// them); args null runs a batch on the input (bytes or a Blob). `view` asks for the core's reading
// of the output, with so many rows, and `file` names the file read; `ms` is how long the command
// took. What the command wrote comes back as bytes, copied off the module's heap; with `stream`,
// standard output comes back as a Blob, gathered from the module as it is written.
function vordanelRun(module, args, input, onRead, { view = 0, file = "", stream = false } = {}) {
  const source = inputOf(input);
  let read = 0;
  module.readInput = (buffer, size) => {
    const n = Math.min(size, source.size - read);
    try {
      source.copy(module, read, n, buffer);
    } catch {
      return -1;  // the file changed or went: a read error, which the command reports
    }
    read += n;
    if (onRead) onRead(read, source.size);
    return n;
  };
  // fseek on the input (SEEK_SET, SEEK_CUR, SEEK_END: 0, 1, 2): the new place, or -1 off the input.
  module.seekInput = (offset, whence) => {
    const at = offset + [0, read, source.size][whence];
    if (!(at >= 0 && at <= source.size)) return -1;
    return (read = at);
  };
  // The output's blocks, each copied off the heap into a Blob of its own as it comes.
  const parts = [];
  if (stream) module.writeOutput = (at, size) => (parts.push(new Blob([module.HEAPU8.subarray(at, at + size)])), 1);
  const started = performance.now();
  try {
    const ran = vordanelAsk(module, "run", args ?? ["batch"]);
    const copy = ([at, size]) => module.HEAPU8.slice(at, at + size);
    const r = { status: ran.status, stdout: stream ? new Blob(parts) : copy(ran.stdout), stderr: copy(ran.stderr) };
    if (view || args === null) r.view = vordanelAsk(module, "view", [ran.status, view, file, performance.now() - started]);
    return r;
  } finally {
    module._vordanel_release();
    module.readInput = module.seekInput = module.writeOutput = null;
  }
}
