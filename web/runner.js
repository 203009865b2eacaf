"use strict";
// vordanel-cli's commands inside their module (VordanelCommands): standard input from bytes, and
// what the command wrote, as bytes. Runs in the page's workers.
function vordanelCall(module, input, onRead, call, more) {
  let read = 0;
  module.readInput = (buffer, size) => {
    const n = Math.min(size, input.length - read);
    module.HEAPU8.set(input.subarray(read, read + n), buffer);
    read += n;
    if (onRead) onRead(read, input.length);
    return n;
  };
  try {
    const status = call();
    const copy = (data, size) => module.HEAPU8.slice(data, data + size);
    return { status, stdout: copy(module._vordanel_out_data(), module._vordanel_out_size()),
             stderr: copy(module._vordanel_err_data(), module._vordanel_err_size()), ...more?.() };
  } finally {
    module._vordanel_release();
    module.readInput = null;
  }
}

// The whole command line after the program's name (strings without NUL: vordanel.run checks them).
function vordanelRun(module, args, input, onRead) {
  const encoded = new TextEncoder().encode(args.map((a) => a + "\0").join(""));
  const argv = module._malloc(encoded.length + 1);
  if (!argv) throw new Error("vordanel.run: no memory for the arguments");
  module.HEAPU8.set(encoded, argv);
  try {
    return vordanelCall(module, input, onRead, () => module._vordanel_run(argv, args.length));
  } finally {
    module._free(argv);
  }
}

// `vordanel-cli batch`, with its counts as the companion keeps them (JSON) and its first records
// read back by the companion's own CSV reader, for the page to show: `shown` records at most.
function vordanelBatch(module, input, onRead, shown) {
  return vordanelCall(module, input, onRead, () => module._vordanel_batch(), () => {
    const preview = module._vordanel_preview(shown);
    return {
      counts: JSON.parse(new TextDecoder().decode(module.HEAPU8.subarray(module._vordanel_counts_data(), module._vordanel_counts_data() + module._vordanel_counts_size()))),
      preview: module.HEAPU8.slice(preview, preview + module._vordanel_preview_size()),
    };
  });
}
