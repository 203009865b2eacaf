"use strict";
// The workbench's one state and the one way it changes. Every event (typing, 計算, クリヤ, the
// unit, the table's settings, the head entry, a link, a file, a worker's answer) is an action;
// update() applies it to the state and nothing else; the views (workbench.js) are drawn from the
// state alone, once a frame or at once where a test or a listener waits for the result. A result
// is kept with the key of the inputs it answers, so that a view can tell whether it answers the
// inputs on screen now.
(() => {
  const key = (...parts) => JSON.stringify(parts);

  const state = {
    ready: false,          // the core has arrived
    units: [],             // the core's flow units: {name, symbol, key, decimals}
    entries: ["", "", "", ""],  // the window's four entries as typed: diameter, flow, minimum, maximum
    unit: "L/min",
    head: "",              // the head entry, as typed: a head, or a staff reading where a gauge zero is given
    // The sheet's title block and the staff gauge's zero (mm) and step, as typed.
    // The gauge's step (a flow in the workbench's unit; blank: the core's round step).
    about: { project: "", site: "", author: "", zero: "", gaugeStep: "" },
    table: { by: "flows", from: "10", to: "200", step: "10", bracket: false, kept: { flows: null, heads: null } },
    cursor: null,          // the read-off's head (mm), or null
    notice: null,          // what a link could not carry: {word, text}
    answer: null,          // the window's last answer: {key, entries, result}
    headFlow: null,        // {key, token, status: running|done, said, mark, failed}
    tableJob: null,        // {key, token, status, inputs, view | message}
    batchJob: null,        // {token, file, status, progress, view | message}
    gaugeJob: null,        // {key, token, status, svg | message}
    cardJob: null,         // {key, token, status, card, view | message}
    signals: [],           // events to send once the views show what caused them
    // Counts the changes that came from elsewhere than typing into the boxes themselves (a link,
    // クリヤ, another kind of table): the boxes are written from the state only then, so that
    // nothing typed is ever written over.
    filled: 0,
  };

  // The keys of the inputs each result answers.
  const keys = {
    entries: (s) => key(...s.entries),
    headFlow: (s) => key(s.entries[0], s.head.trim(), s.unit, s.about.zero.trim()),
    table: (s) => {
      const t = s.table, bracketed = t.by === "flows" && t.bracket;
      return key(s.entries[0], t.by, t.from.trim(), t.to.trim(), t.step.trim(), s.unit, bracketed ? s.entries.slice(2) : null,
                 t.by === "heads" ? s.about.zero.trim() : null);
    },
    gauge: (s) => key(s.entries[0], s.unit, s.about.zero.trim(), s.about.gaugeStep.trim()),
    card: (s) => key(s.entries[0], s.unit, s.about.project, s.about.site, s.about.author, s.about.zero),
  };

  // Whether a job's result is the current one: a superseded job's actions are dropped.
  const current = (job, token) => job !== null && job.token === token;

  const handlers = {
    ready(s, { units, unit }) {
      s.ready = true;
      s.units = units;
      if (units.some((u) => u.name === unit)) s.unit = unit;
    },
    entries(s, { values }) { s.entries = [...values]; },
    unit(s, { name }) { if (s.units.some((u) => u.name === name)) s.unit = name; },
    head(s, { text }) { s.head = text; },
    about(s, { name, value }) { s.about[name] = value; },
    cursor(s, { head }) { s.cursor = head; },
    // Each kind of table keeps its own from, to and step.
    tableSetting(s, { setting, value }) {
      const t = s.table;
      if (setting === "by" && value !== t.by) {
        t.kept[t.by] = { from: t.from, to: t.to, step: t.step };
        Object.assign(t, t.kept[value] ?? {}, { by: value });
        s.filled++;
      } else if (setting !== "by") {
        t[setting] = value;
      }
    },
    // A link's fragment: what it carries replaces what is on screen; nothing is pressed.
    link(s, { fields, unit, unknownUnit }) {
      s.entries = fields.entries;
      s.head = fields.head;
      s.about = fields.about;
      if (unit) s.unit = unit;
      s.notice = unknownUnit === null ? null : { word: "unknown_unit", text: unknownUnit };
      const t = s.table;
      t.kept = { flows: null, heads: null };
      Object.assign(t, { by: fields.by, bracket: fields.bracket });
      for (const name of ["from", "to", "step"]) if (fields[name] !== null) t[name] = fields[name];
      s.filled++;
    },
    // The window answered a press of 計算 on these entries (page.js).
    answered(s, { entries, result }) {
      s.answer = { key: key(...entries), entries: [...entries], result };
    },
    cleared(s) {
      s.entries = ["", "", "", ""];
      s.answer = null;
      s.filled++;
    },

    headStart(s, { token }) {
      s.headFlow = { key: keys.headFlow(s), token, status: "running" };
    },
    headStop(s) { s.headFlow = null; },
    headDone(s, { token, said, mark, failed }) {
      if (!current(s.headFlow, token)) return;
      Object.assign(s.headFlow, { status: failed ? "failed" : "done", said, mark });
      // The sign that the flow for the head entry on screen is shown: not for one asked before it.
      if (s.headFlow.key === keys.headFlow(s)) s.signals.push(["headSection", "vordanel-head-done"]);
    },

    tableStart(s, { token, inputs }) {
      s.tableJob = { key: keys.table(s), token, status: "running", inputs };
    },
    tableDone(s, { token, view, message, download }) {
      if (!current(s.tableJob, token)) return;
      Object.assign(s.tableJob, { status: message === undefined ? "done" : "failed", view, message, download });
      s.signals.push(["tableSection", "vordanel-table-done"]);
    },

    gaugeStart(s, { token }) {
      s.gaugeJob = { key: keys.gauge(s), token, status: "running" };
    },
    gaugeDone(s, { token, svg, message }) {
      if (!current(s.gaugeJob, token)) return;
      Object.assign(s.gaugeJob, { status: message === undefined ? "done" : "failed", svg, message });
      s.signals.push(["gaugeSection", "vordanel-gauge-done"]);
    },

    cardStart(s, { token, card }) {
      s.cardJob = { key: keys.card(s), token, status: "running", card };
    },
    cardDone(s, { token, view, message }) {
      if (!current(s.cardJob, token)) return;
      Object.assign(s.cardJob, { status: message === undefined ? "done" : "failed", view, message });
      s.signals.push(["gaugeSection", "vordanel-card-done"]);
    },

    batchStart(s, { token, file, total }) {
      s.batchJob = { token, file, status: "running", progress: { done: 0, total } };
    },
    batchProgress(s, { token, done }) {
      if (current(s.batchJob, token)) s.batchJob.progress.done = done;
    },
    batchDone(s, { token, view, message, download }) {
      if (!current(s.batchJob, token)) return;
      Object.assign(s.batchJob, { status: message === undefined ? "done" : "failed", view, message, download });
      s.signals.push(["batchSection", "vordanel-batch-done"]);
    },
  };

  const renderers = [];
  let frame = 0, stepping = false, waiting = [];
  function render() {
    cancelAnimationFrame(frame);
    frame = 0;
    for (const draw of renderers) draw(state);
    // The signals follow the views that show what caused them.
    for (const [id, name] of state.signals.splice(0)) document.getElementById(id).dispatchEvent(new CustomEvent(name, { bubbles: true }));
    if (!stepping && state.ready) for (const resolve of waiting.splice(0)) resolve();
  }

  // Applies an action; the views follow at the next frame, or at once with { now: true }. Until the
  // core has arrived there is nothing to draw but at once: the first drawing follows it (drawInSteps).
  function dispatch(action, { now = false } = {}) {
    handlers[action.type](state, action);
    if (now) render();
    else if (!frame && state.ready && !stepping) frame = requestAnimationFrame(render);
  }

  // The page once it has been drawn: after the next frame (or a moment, where a page in the
  // background draws none).
  const afterPaint = () => new Promise((resolve) => {
    const done = () => { clearTimeout(timer); cancelAnimationFrame(frameId); setTimeout(resolve); };
    const timer = setTimeout(done, 100), frameId = requestAnimationFrame(done);
  });

  // The first drawing of every view, once the core has arrived and the window (with the answer to a
  // press made meanwhile) has been painted: in a task of its own, a few views a task, each task
  // ended once it has taken a moment, so that this drawing, the page's longest, never keeps a key
  // or a press waiting long. Resolves when every view shows the state as it is then.
  const nextTask = () => new Promise((resolve) => setTimeout(resolve));
  async function drawInSteps() {
    stepping = true;
    cancelAnimationFrame(frame);
    frame = 0;
    try {
      await nextTask();
      let began = performance.now();
      for (const draw of renderers) {
        draw(state);
        if (performance.now() - began < 8) continue;
        await nextTask();
        began = performance.now();
      }
    } finally {
      stepping = false;
      render();
    }
  }

  // Resolves once the views show the state as it is now: at once, or when the drawing under way or
  // due is done.
  const drawn = () => (stepping || frame || !state.ready ? new Promise((resolve) => waiting.push(resolve)) : Promise.resolve());

  app.state = state;
  app.keys = keys;
  app.dispatch = dispatch;
  app.render = render;
  app.drawInSteps = drawInSteps;
  app.afterPaint = afterPaint;
  app.drawn = drawn;
  // A view: draw(state), called after each change, in the order added.
  app.view = (draw) => renderers.push(draw);
  // record: a part of the workbench with its own actions (views/record.js) adds its handlers.
  app.handle = (more) => Object.assign(handlers, more);
})();
