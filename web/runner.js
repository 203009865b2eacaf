"use strict";
// vordanel-cli's run() inside a module of the core: the arguments after the program's name, the
// bytes of standard input, and what the command wrote, as bytes. Shared by the page and its worker.
function vordanelRun(module, args, input, onRead) {
  if (!Array.isArray(args) || args.some((a) => typeof a !== "string" || a.includes("\0")))
    throw new TypeError("vordanel.run: the arguments are a list of strings without NUL");
  let read = 0;
  module.readInput = (buffer, size) => {
    const n = Math.min(size, input.length - read);
    module.HEAPU8.set(input.subarray(read, read + n), buffer);
    read += n;
    if (onRead) onRead(read, input.length);
    return n;
  };
  const encoded = new TextEncoder().encode(args.map((a) => a + "\0").join(""));
  const argv = module._malloc(encoded.length + 1);
  if (!argv) throw new Error("vordanel.run: no memory for the arguments");
  module.HEAPU8.set(encoded, argv);
  try {
    const status = module._vordanel_run(argv, args.length);
    const copy = (data, size) => module.HEAPU8.slice(data, data + size);
    const stdout = copy(module._vordanel_out_data(), module._vordanel_out_size());
    const stderr = copy(module._vordanel_err_data(), module._vordanel_err_size());
    return { status, stdout, stderr };
  } finally {
    module._vordanel_release();
    module._free(argv);
    module.readInput = null;
  }
}
