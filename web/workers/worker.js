"use strict";
// The companion's commands off the page's thread. This text follows the commands' module and
// runner.js in a Blob made by the page, which first hands over the module's WebAssembly, compiled
// once for all its workers: {module}, or {error} where it could not be had. Then a request is
// {id, args, input: ArrayBuffer, progress, view, file}, args null for a batch; the answer is
// {id, status, stdout, stderr: ArrayBuffer, view: the core's reading of the output, when asked},
// or {id, error}; while the input is read, {id, done, total} now and then when progress is asked
// for.
let started;
const core = new Promise((resolve) => { started = resolve; }).then(({ module, error }) => {
  if (error) throw new Error(error);
  return VordanelCommands({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
      return {};
    },
  });
});
const queue = [];
let busy = false;

// Often enough for a smooth bar, seldom enough to cost nothing.
const progressInterval = 100;  // ms

function answer(module, { id, args, input, progress, view, file }) {
  let told = -Infinity;  // the first read is told at once
  const onRead = progress && ((done, total) => {
    const now = performance.now();
    if (now - told < progressInterval && done < total) return;
    told = now;
    postMessage({ id, done, total });
  });
  const bytes = new Uint8Array(input ?? new ArrayBuffer(0));
  const r = vordanelRun(module, args, bytes, onRead, { view, file });
  postMessage({ ...r, id, stdout: r.stdout.buffer, stderr: r.stderr.buffer }, [r.stdout.buffer, r.stderr.buffer]);
}

async function drain() {
  if (busy) return;
  busy = true;
  let module;
  try {
    module = await core;
  } catch (e) {
    // No module (a browser without DecompressionStream or WebAssembly): every request says so.
    for (const request of queue.splice(0)) postMessage({ id: request.id, error: String(e.message ?? e) });
    busy = false;
    return;
  }
  while (queue.length) {
    const request = queue.shift();
    try {
      answer(module, request);
    } catch (e) {
      postMessage({ id: request.id, error: String(e) });
    }
  }
  busy = false;
}

onmessage = (e) => {
  if ("module" in e.data || ("error" in e.data && !("id" in e.data))) {
    started(e.data);
    return;
  }
  queue.push(e.data);
  drain();
};
