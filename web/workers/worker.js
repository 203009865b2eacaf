"use strict";
// The companion's commands off the page's thread. This text follows the commands' module and
// runner.js in a Blob made by the page, which first hands over the module's WebAssembly, compiled
// once for all its workers: {module}, or {error} where it could not be had. Then a request is
// {id, args, input: ArrayBuffer or Blob, progress, view, file, stream}, args null for a batch; the
// answer is {id, status, stdout: ArrayBuffer (a Blob with stream), stderr: ArrayBuffer, view: the
// core's reading of the output, when asked},
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

function answer(module, { id, args, input, progress, view, file, stream }) {
  let told = -Infinity;  // the first read is told at once
  const onRead = progress && ((done, total) => {
    const now = performance.now();
    if (now - told < progressInterval && done < total) return;
    told = now;
    postMessage({ id, done, total });
  });
  const r = vordanelRun(module, args, input instanceof Blob ? input : new Uint8Array(input ?? new ArrayBuffer(0)), onRead, { view, file, stream });
  const stdout = r.stdout instanceof Blob ? r.stdout : r.stdout.buffer;
  postMessage({ ...r, id, stdout, stderr: r.stderr.buffer }, stdout instanceof Blob ? [r.stderr.buffer] : [stdout, r.stderr.buffer]);
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

// A picture as PNG: {id, png: {width, height, strips: [{x, bitmap}]}}, its strips side by side on
// white, answered {id, png: Blob}. It needs no module.
async function encode({ id, png: { width, height, strips } }) {
  try {
    const canvas = new OffscreenCanvas(width, height), context = canvas.getContext("2d");
    context.fillStyle = "#fff";
    context.fillRect(0, 0, width, height);
    for (const { x, bitmap } of strips) {
      context.drawImage(bitmap, x, 0);
      bitmap.close();
    }
    postMessage({ id, png: await canvas.convertToBlob({ type: "image/png" }) });
  } catch (e) {
    postMessage({ id, error: String(e.message ?? e) });
  }
}

onmessage = (e) => {
  if ("png" in e.data) {
    encode(e.data);
    return;
  }
  if ("module" in e.data || ("error" in e.data && !("id" in e.data))) {
    started(e.data);
    return;
  }
  queue.push(e.data);
  drain();
};
