"use strict";
// The one runner of the effects update() asks for (state.js): a job run or ended, the address bar
// written, a print. Each job's answer, failure or progress goes back as an action with the job's
// token, so that the state drops a superseded job's. A job of the companion's runs in a worker of
// its kind's own: a new run of the kind ends the one in flight (its worker with it), so nothing
// waits behind a job nobody wants any more. The timer and what was last written to the address
// live here, beside what they time.
(() => {
  const workers = {};  // kind: [app.Commands], a worker for each of its runs
  const pool = (kind, count) => {
    const own = workers[kind] ??= [];
    while (own.length < count) own.push(new app.Commands());
    return own;
  };
  const dispatch = (action) => app.dispatch(action, { now: true });

  // A batch's output, a small multiple of its file, which may run to gigabytes, comes as a Blob
  // gathered as it is written (stream). A table's stays whole in its worker: one that outgrows the
  // worker's memory fails and says so. A job of several runs (the record's days and readings) has
  // them run side by side, a worker each, on the same input, each answer with its run's place.
  function run({ run: command, kind, token, input }) {
    // The page's module answers in microseconds: after the drawing that asked for it.
    if (command.call) {
      queueMicrotask(() => dispatch({ type: "done", kind, token, answer: app.call(command.call, command.args) }));
      return;
    }
    if (command.words) dispatch({ type: "tableAbout", token, about: app.call("table_words", ...command.words) });
    const runs = command.runs ?? [command], own = pool(kind, runs.length);
    runs.forEach(({ argv, view = 0, file = "", progress = false, stream = false }, part) => {
      const commands = own[part];
      if (commands.busy) commands.cancel();
      const onProgress = progress ? (read, total) => dispatch({ type: "progress", kind, token, done: read, total }) : null;
      commands.run(argv, input ?? new Uint8Array(0), onProgress, { view, file, stream }).then(
        (answer) => dispatch({ type: "done", kind, token, part, answer }),
        (e) => { if (!(e instanceof app.Cancelled)) dispatch({ type: "done", kind, token, part, why: ["job_failed", { why: e.message }] }); });
    });
  }

  let addressTimer = 0, written = location.hash;
  // The address bar follows once typing rests: browsers refuse a page that rewrites its address
  // too often.
  function address(fragment) {
    clearTimeout(addressTimer);
    addressTimer = setTimeout(() => {
      try {
        history.replaceState(null, "", `${location.href.replace(/#.*$/, "")}#${fragment}`);
        written = location.hash;
      } catch { /* the link itself is there */ }
    }, 400);
  }
  // Another link pasted into this tab goes the way the first open went; the runner's own writing
  // of the address does not.
  addEventListener("hashchange", () => {
    if (location.hash === written) return;
    written = location.hash;
    clearTimeout(addressTimer);
    app.openLink(location.hash);
  });

  app.effects = {
    run(effect) {
      if ("run" in effect) run(effect);
      else if ("cancel" in effect) {
        for (const commands of workers[effect.cancel] ?? []) if (commands.busy) commands.cancel();
      } else if ("warm" in effect) {
        // The workers and their module made ready before a job comes, so that it starts on arrival.
        for (const commands of pool(effect.warm, effect.workers)) commands.start();
      } else if ("address" in effect) address(effect.address);
      else if ("print" in effect) print();
    },
  };
})();
