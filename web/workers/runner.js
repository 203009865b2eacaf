"use strict";
// vordanel-cli's commands inside their module (VordanelCommands): standard input from bytes, and
// what the command wrote, as bytes, with the core's reading of it. Runs in the page's workers.
function vordanelCall(module, input, onRead, call, more) {
  let read = 0;
  module.readInput = (buffer, size) => {
    const n = Math.min(size, input.length - read);
    module.HEAPU8.set(input.subarray(read, read + n), buffer);
    read += n;
    if (onRead) onRead(read, input.length);
    return n;
  };
  // fseek on the input (SEEK_SET, SEEK_CUR, SEEK_END: 0, 1, 2): the new place, or -1 off the input.
  module.seekInput = (offset, whence) => {
    const at = offset + [0, read, input.length][whence];
    if (!(at >= 0 && at <= input.length)) return -1;
    return (read = at);
  };
  try {
    const status = call();
    const copy = (data, size) => module.HEAPU8.slice(data, data + size);
    return { status, stdout: copy(module._vordanel_out_data(), module._vordanel_out_size()),
             stderr: copy(module._vordanel_err_data(), module._vordanel_err_size()), ...more?.(status) };
  } finally {
    module._vordanel_release();
    module.readInput = module.seekInput = null;
  }
}

// A text handed to the module for one call: UTF-8 on its heap, freed after.
function vordanelWithText(module, text, use) {
  const bytes = new TextEncoder().encode(text);
  const at = module._malloc(bytes.length + 1);
  if (!at) throw new Error("vordanel: no memory");
  module.HEAPU8.set(bytes, at);
  try {
    return use(at, bytes.length);
  } finally {
    module._free(at);
  }
}

// The whole command line after the program's name (strings without NUL: vordanel.run checks
// them); args null runs a batch on the input. `view` asks for the core's reading of the output,
// with so many rows, and `file` names the file read; `ms` is how long the command took.
function vordanelRun(module, args, input, onRead, { view = 0, file = "" } = {}) {
  const more = (status, ms) => (view || args === null) ? vordanelWithText(module, file, (at, size) =>
    ({ view: JSON.parse(module.UTF8ToString(module._vordanel_view(status, view, at, size, ms()))) })) : {};
  const started = performance.now(), ms = () => performance.now() - started;
  const encoded = new TextEncoder().encode((args ?? ["batch"]).map((a) => a + "\0").join(""));
  const argv = module._malloc(encoded.length + 1);
  if (!argv) throw new Error("vordanel.run: no memory for the arguments");
  module.HEAPU8.set(encoded, argv);
  try {
    return vordanelCall(module, input, onRead, () => module._vordanel_run(argv, (args ?? ["batch"]).length), (status) => more(status, ms));
  } finally {
    module._free(argv);
  }
}
