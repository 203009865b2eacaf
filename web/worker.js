"use strict";
// The companion's commands off the page's thread, so that a long table or batch never holds up
// the window. This text follows the commands' module and runner.js in a Blob made by the page.
// A request is {id, args, input: ArrayBuffer, progress}, args null for a batch with its count;
// the answer is {id, status, stdout, stderr: ArrayBuffer, rows, failed, ms: the time it took}, or
// {id, error}; while the input is read, {id, done, total} now and then when progress is asked for.
// The module's WebAssembly comes gzipped, as base64 (packedWasm, put first by the page).
async function unpack(base64) {
  const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
  return new Response(stream).arrayBuffer();
}
const core = unpack(packedWasm).then((wasmBinary) => VordanelCommands({ wasmBinary }));
const queue = [];
let busy = false;

// Often enough for a smooth bar, seldom enough to cost nothing.
const progressInterval = 100;  // ms

function answer(module, { id, args, input, progress }) {
  let told = 0;
  const onRead = progress && ((done, total) => {
    const now = performance.now();
    if (now - told < progressInterval && done < total) return;
    told = now;
    postMessage({ id, done, total });
  });
  const bytes = new Uint8Array(input ?? new ArrayBuffer(0));
  const started = performance.now();
  const r = args ? vordanelRun(module, args, bytes, onRead) : vordanelBatch(module, bytes, onRead);
  const ms = performance.now() - started;
  postMessage({ ...r, id, ms, stdout: r.stdout.buffer, stderr: r.stderr.buffer }, [r.stdout.buffer, r.stderr.buffer]);
}

async function drain() {
  if (busy) return;
  busy = true;
  let module;
  try {
    module = await core;
  } catch (e) {
    // No module (a browser without DecompressionStream or WebAssembly): every request says so.
    for (const request of queue.splice(0)) postMessage({ id: request.id, error: `the commands cannot start: ${e}` });
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
  queue.push(e.data);
  drain();
};
