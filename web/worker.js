"use strict";
// The companion's commands off the page's thread, so that a long table or batch never holds up
// the window. This text follows the core's script and runner.js in a Blob made by the page.
// A request is {id, args, input: ArrayBuffer, progress}; the answer is
// {id, status, stdout, stderr: ArrayBuffer}, or {id, error}; while a batch reads its input,
// {id, done, total} now and then when progress is asked for.
const core = VordanelCore();
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
  const r = vordanelRun(module, args, new Uint8Array(input ?? new ArrayBuffer(0)), onRead);
  postMessage({ id, status: r.status, stdout: r.stdout.buffer, stderr: r.stderr.buffer }, [r.stdout.buffer, r.stderr.buffer]);
}

async function drain() {
  if (busy) return;
  busy = true;
  const module = await core;
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
