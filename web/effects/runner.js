"use strict";
// The one runner of the effects update() asks for (state.js): a job run or ended, the address bar
// written, a print. Each job's answer, failure or progress goes back as an action with the job's
// token, so that the state drops a superseded job's. A job of the companion's runs in a worker of
// its kind's own: a new run of the kind ends the one in flight (its worker with it), so nothing
// waits behind a job nobody wants any more. The timer and what was last written to the address
// live here, beside what they time.
(() => {
  const workers = {};  // kind: app.Commands
  const dispatch = (action) => app.dispatch(action, { now: true });

  // A batch's output, a small multiple of its file, which may run to gigabytes, comes as a Blob
  // gathered as it is written. A table's stays whole in its worker: one that outgrows the worker's
  // memory fails and says so.
  function run({ run: command, kind, token, input = new Uint8Array(0) }) {
    const done = (answer) => dispatch({ type: "done", kind, token, answer });
    // The page's module answers in microseconds: after the drawing that asked for it.
    if (command.call) {
      queueMicrotask(() => done(app.call(command.call, command.args)));
      return;
    }
    if (command.words) dispatch({ type: "tableAbout", token, about: app.call("table_words", ...command.words) });
    const commands = workers[kind] ??= new app.Commands();
    if (commands.busy) commands.cancel();
    const progress = kind === "batch" ? (read, total) => dispatch({ type: "progress", kind, token, done: read, total }) : null;
    commands.run(command.argv, input, progress, { view: command.view, file: command.file ?? "", stream: kind === "batch" }).then(done, (e) => {
      if (!(e instanceof app.Cancelled)) dispatch({ type: "done", kind, token, why: ["job_failed", { why: e.message }] });
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
        if (workers[effect.cancel]?.busy) workers[effect.cancel].cancel();
      } else if ("address" in effect) address(effect.address);
      else if ("print" in effect) print();
    },
  };
})();
