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
    words: {},             // the core's words: {name: text with {placeholders}}
    entries: ["", "", "", ""],  // the window's four entries as typed: diameter, flow, minimum, maximum
    unit: "L/min",
    head: "",              // the head entry, as typed: a head, or a staff reading where a gauge zero is given
    // The sheet's title block and the staff gauge's zero (mm) and step, as typed.
    // The gauge's step (a flow in the workbench's unit; blank: the core's round step).
    about: { project: "", site: "", author: "", zero: "", gaugeStep: "" },
    // The table's settings; notice: what a change of unit did to its range, until they are next set.
    table: { by: "flows", from: "10", to: "200", step: "10", bracket: false, kept: { flows: null, heads: null }, notice: null },
    cursor: null,          // the read-off's head (mm), or null
    notice: null,          // what a link could not carry: {word, text}
    answer: null,          // the window's last answer: {key, entries, result}
    // The jobs, one of each kind, all alike: {key: the command it runs, command, token, status:
    // running|done|failed, progress, answer | message}. head and card are the page's module's own
    // calls (microseconds), table, gauge, batch and record (views/record.js) the companion's
    // commands in workers.
    jobs: { head: null, table: null, batch: null, gauge: null, card: null, record: null },
    tokens: 0,             // the last job's token
    print: null,           // what is being printed: sheet (null), gauge or card
    address: { fragment: null, kept: false },  // the link last asked of the address bar, and whether it keeps one
    signals: [],           // events to send once the views show what caused them
    // Counts the changes that came from elsewhere than typing into the boxes themselves (a link,
    // クリヤ, another kind of table): the boxes are written from the state only then, so that
    // nothing typed is ever written over.
    filled: 0,
  };

  // The core's words with their {placeholders} filled in.
  const say = (s, name, values = {}) => (s.words[name] ?? "").replace(/\{([a-z_]+)\}/g, (_, k) => String(values[k] ?? ""));

  // An option of the companion's with its value: after "=", so that a value typed with a leading
  // "-" is never read as an option; apart where it is empty, which "=" would drop.
  const option = (name, value) => (value === "" ? [name, ""] : [`${name}=${value}`]);

  // What each job runs for the inputs on screen: a command of the companion's (argv, with what the
  // worker is to read of it) or a call into the page's module (call, args). A job's key is this
  // command, so that its result answers the inputs on screen while the command they ask for is
  // the one it ran; null where the inputs ask for none.
  const commands = {
    head(s) {
      const head = s.head.trim();
      return head === "" ? null : { call: "head_flow", args: [s.entries[0], head, s.about.zero.trim(), s.unit] };
    },
    table(s) {
      const t = s.table, bracketed = t.by === "flows" && t.bracket;
      const [diameter, , min, max] = s.entries, [from, to, step] = [t.from, t.to, t.step].map((v) => v.trim());
      const zero = t.by === "heads" ? s.about.zero.trim() : "";
      return {
        argv: ["table", ...option("--diameter", diameter), ...option(`--${t.by}`, `${from}:${to}:${step}`), ...option("--flow-unit", s.unit),
               ...(bracketed ? [...option("--min", min), ...option("--max", max)] : []), ...(zero ? option("--gauge-zero", zero) : [])],
        view: 5000,  // rows drawn in the page; the download holds them all
        // The same inputs as the core's words for the table (title, file name) take them.
        words: [[diameter, t.by, from, to, step, s.unit, min, max, zero], [bracketed ? 1 : 0]],
      };
    },
    gauge(s, today) {
      const zero = s.about.zero.trim(), step = s.about.gaugeStep.trim();
      return { argv: ["gauge", ...option("--diameter", s.entries[0]), ...option("--flow-unit", s.unit),
                      ...(zero ? option("--gauge-zero", zero) : []), ...(step ? option("--step", step) : []), ...option("--date", today)],
               view: 1 };
    },
    card: (s) => ({ call: "card", args: [s.entries[0], s.about.zero.trim(), s.unit] }),
    batch: (s, file) => ({ argv: null, file: file.name, view: 200, progress: true, stream: true }),
  };
  const keyOf = (command) => (command ? JSON.stringify(command) : null);
  // The key of what a kind would run for the inputs on screen.
  const keyNow = (s, kind, ...more) => keyOf(commands[kind](s, ...more));
  // The job of a kind while it answers the inputs on screen (today: for the gauge's date).
  const fresh = (s, kind, ...more) => {
    const job = s.jobs[kind];
    return job && (kind === "batch" || job.key === keyNow(s, kind, ...more)) ? job : null;
  };
  // The kinds whose job follows the inputs, started by whatever change asks for another (the flow
  // at the head entry; views/record.js adds the record): what the job starts with beside its
  // command, and its standard input.
  const following = { head: { more: () => ({}), input: () => undefined } };
  // The kinds that take their answers themselves: finish(s, action, job), with the job's token
  // already matched (a kind of several runs hears from each, by its part).
  const finishers = {};

  // What a finished job shows, by kind, from what it answered: the companion's status, output and
  // the core's reading of it (view), or the page's module's answer. A failure replaces what it
  // superseded.
  const results = {
    head: (s, flow) => ({ status: flow.failed ? "failed" : "done", said: flow.text, mark: flow.mark }),
    table: (s, r, job) => (r.view.failed ? { status: "failed", message: r.view.message }
      : { status: "done", view: r.view, download: { bytes: r.stdout, name: job.about.file_name } }),
    batch: (s, r) => (r.view.failed ? { status: "failed", message: r.view.message }
      : { status: "done", view: r.view, download: { bytes: r.stdout, name: r.view.file_name } }),
    gauge: (s, r) => (r.view.failed ? { status: "failed", message: say(s, "gauge_failed", { why: r.view.message }) }
      : { status: "done", svg: new TextDecoder().decode(r.stdout) }),
    card: (s, card) => ({ status: "done", card, view: { figure_captions: card.captions, figures: card.rows } }),
  };
  // The sign each kind gives once its result is shown.
  const signals = { head: ["headSection", "vordanel-head-done"], table: ["tableSection", "vordanel-table-done"],
                    batch: ["batchSection", "vordanel-batch-done"], gauge: ["gaugeSection", "vordanel-gauge-done"],
                    card: ["gaugeSection", "vordanel-card-done"] };

  // A job started: what it runs, under a token of its own; the one it supersedes is ended.
  // input: standard input (a batch's file), kept out of the key (the file is known by its name).
  function start(s, fx, kind, command, more = {}, input = undefined) {
    const token = ++s.tokens;
    s.jobs[kind] = { key: keyOf(command), command, token, status: "running", previous: s.jobs[kind], ...more };
    fx.push({ run: command, kind, token, input });
  }

  // What a link carries: the window's entries, the unit, the head entry and the table's settings.
  const linkFields = ["d", "q", "min", "max"], aboutNames = ["project", "site", "author", "zero", "gaugeStep"];
  function linkOf(s) {
    const params = new URLSearchParams();
    s.entries.forEach((value, i) => value !== "" && params.set(linkFields[i], value));
    if (s.head !== "") params.set("head", s.head);
    for (const name of ["from", "to", "step"]) if (s.table[name] !== "") params.set(name, s.table[name]);
    params.set("unit", s.unit);
    params.set("by", s.table.by);
    if (s.table.bracket) params.set("bracket", "1");
    for (const name of aboutNames) if (s.about[name] !== "") params.set(name, s.about[name]);
    for (const part of app.linkParts) part.write(s, params);  // the record's settings
    return params;
  }
  // The parts of the workbench that carry settings of their own in the link (views/record.js).
  app.linkParts = [];
  // Links' fields are capped by the page's first script (window/early.js), before anything reads
  // the address.
  const { capLink, linkFieldCap } = window.vordanelEarly;
  app.capLink = capLink;

  // Each handler changes the state and pushes the effects to run (fx): jobs to run or end, the
  // address to write, a print.
  const handlers = {
    ready(s, { units, unit, words, kept }) {
      s.ready = true;
      s.units = units;
      s.words = words;
      s.address.kept = kept;
      if (units.some((u) => u.name === unit)) s.unit = unit;
    },
    entries(s, { values }) { s.entries = [...values]; },
    // A flow table's range is typed in the unit on screen: it follows the unit, converted by the
    // core (a pure call), and what is no number to convert is emptied; the table says which.
    unit(s, { name }) {
      if (!s.units.some((u) => u.name === name) || name === s.unit) return;
      const from = s.unit, t = s.table, range = t.by === "flows" ? t : t.kept.flows;
      s.unit = name;
      if (!range) return;
      let emptied = false;
      for (const setting of ["from", "to", "step"]) {
        const converted = app.call("flow_in_unit", [range[setting], from, name]);
        emptied ||= !converted.ok;
        range[setting] = converted.ok ? converted.text : "";
      }
      const symbol = (unit) => s.units.find((u) => u.name === unit).symbol;
      if (t.by === "flows") t.notice = { word: emptied ? "range_emptied" : "range_converted", from: symbol(from), to: symbol(name) };
      s.filled++;
    },
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
      t.notice = null;
    },
    // A link's fragment: what it carries replaces what is on screen; nothing is pressed.
    link(s, { fields, unit, unknownUnit, tooLong = null }) {
      s.entries = fields.entries;
      s.head = fields.head;
      s.about = fields.about;
      if (unit) s.unit = unit;
      s.notice = unknownUnit !== null ? { word: "unknown_unit", text: unknownUnit }
        : tooLong !== null ? { word: "link_too_long", text: tooLong, cap: linkFieldCap } : null;
      const t = s.table;
      t.kept = { flows: null, heads: null };
      Object.assign(t, { by: fields.by, bracket: fields.bracket, notice: null });
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

    // 表を作る, 量水標を作る, カードを作る, a batch file chosen or dropped (file: a File, or a Blob and its name).
    run(s, { kind, today, file }, fx) {
      const command = commands[kind](s, kind === "batch" ? file : today);
      const more = kind === "batch" ? { progress: { done: 0, total: Math.max(file.size, 1) } } : kind === "table" ? { about: null } : {};
      start(s, fx, kind, command, more, file);
    },
    // The table's words for the inputs it runs on, from the page's module.
    tableAbout(s, { token, about }) {
      if (s.jobs.table?.token === token) s.jobs.table.about = about;
    },
    progress(s, { kind, token, done, total }) {
      const job = s.jobs[kind];
      if (job?.token === token) job.progress = { done, total };
    },
    // A kind's workers and their module made ready as its input is about to come (a file picker
    // opened, a file dragged in), so that its job starts on arrival; never on a plain open.
    warm(s, { kind, workers = 1 }, fx) { fx.push({ warm: kind, workers }); },
    // A job's answer, failure or cancellation (why: the reason a job failed, in the core's words'
    // name and values); a superseded job's are dropped.
    done(s, action) {
      const { kind, token, answer, why } = action, job = s.jobs[kind];
      if (job?.token !== token) return;
      if (finishers[kind]) return finishers[kind](s, action, job);
      // A card the entries give none of leaves the one before.
      if (kind === "card" && answer && !answer.ok) {
        s.jobs.card = job.previous;
        return;
      }
      Object.assign(job, why ? { status: "failed", message: say(s, ...why) } : results[kind](s, answer, job), { previous: null });
      // The sign that the flow for the head entry on screen is shown: not for one asked before it.
      if (kind !== "head" || job === fresh(s, "head")) s.signals.push(signals[kind]);
    },
    // A job cancelled is a job failed: nothing of it is kept.
    cancel(s, { kind }, fx) {
      const job = s.jobs[kind];
      if (job?.status !== "running") return;
      fx.push({ cancel: kind });
      handlers.done(s, { kind, token: job.token, why: ["job_cancelled"] });
    },

    print(s, { what }, fx) {
      s.print = what;
      fx.push({ print: what });
    },
    printed(s) { s.print = null; },
  };

  // What follows every change: the flow at the head entry worked out whenever the diameter, the
  // head, the zero or the unit changed, and the address bar following the link.
  function follow(s, fx) {
    if (!s.ready) return;
    for (const [kind, { more, input }] of Object.entries(following)) {
      const command = commands[kind](s);
      if (!command) s.jobs[kind] = null;
      else if (s.jobs[kind]?.key !== keyOf(command)) start(s, fx, kind, command, more(s), input(s));
    }
    const params = linkOf(s), fragment = params.toString();
    if (fragment === s.address.fragment) return;
    s.address.fragment = fragment;
    // A reload opens the same calculation, once there is one to open.
    if (params.has("d") || params.has("q") || s.address.kept) {
      s.address.kept = true;
      fx.push({ address: fragment });
    }
  }

  // The state changed by an action, and the effects it asks for (plain data, which app.effects runs).
  function update(s, action) {
    const fx = [];
    handlers[action.type](s, action, fx);
    follow(s, fx);
    return fx;
  }

  // The views, in the order added. One with a key (what it is drawn from: a list, compared item by
  // item) is drawn again only where that changed. One with `later` is drawn, while later(s) holds,
  // in an idle moment after the frame that drew the rest, one such view a task (all of them at once
  // before a print), so that no one task draws the whole of a large result.
  const renderers = [];
  const sameKey = (drawn, key) => drawn !== null && drawn.length === key.length && drawn.every((k, i) => k === key[i]);
  const stale = (view) => !view.key || !sameKey(view.drawn, view.key(state));
  const deferred = (view) => Boolean(view.later?.(state));
  function drawView(view) {
    if (!stale(view)) return;
    view.drawn = view.key ? view.key(state) : null;
    view.draw(state);
  }
  const idle = (then) => (window.requestIdleCallback ?? setTimeout)(then, { timeout: 500 });
  let idleTask = 0;
  function drawLater({ all = false } = {}) {
    (window.cancelIdleCallback ?? clearTimeout)(idleTask);
    idleTask = 0;
    const due = () => renderers.filter((view) => view.later && stale(view));
    for (const view of due()) {
      drawView(view);
      if (!all) break;
    }
    if (due().length) idleTask = idle(() => drawLater());
  }
  addEventListener("beforeprint", () => drawLater({ all: true }));

  let frame = 0, stepping = false, waiting = [];
  function render() {
    cancelAnimationFrame(frame);
    frame = 0;
    for (const view of renderers) if (!deferred(view)) drawView(view);
    if (!idleTask && renderers.some((view) => view.later && stale(view))) idleTask = idle(() => drawLater());
    // The signals follow the views that show what caused them.
    for (const [id, name] of state.signals.splice(0)) document.getElementById(id).dispatchEvent(new CustomEvent(name, { bubbles: true }));
    if (!stepping && state.ready) for (const resolve of waiting.splice(0)) resolve();
  }

  // Applies an action; the views follow at the next frame, or at once with { now: true }. Until the
  // core has arrived there is nothing to draw but at once: the first drawing follows it (drawInSteps).
  function dispatch(action, { now = false } = {}) {
    const fx = update(state, action);
    if (now) render();
    else if (!frame && state.ready && !stepping) frame = requestAnimationFrame(render);
    for (const effect of fx) app.effects.run(effect);
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
      for (const view of renderers) {
        if (deferred(view)) continue;
        drawView(view);
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
  app.keys = { entries: (s) => key(...s.entries) };
  app.fresh = fresh;
  app.keyNow = keyNow;
  app.say = (name, values) => say(state, name, values);
  app.linkOf = linkOf;
  app.update = update;
  app.dispatch = dispatch;
  app.render = render;
  app.drawInSteps = drawInSteps;
  app.afterPaint = afterPaint;
  app.drawn = drawn;
  // A view: draw(state), called after each change, in the order added; with key(state), only where
  // that changed; with later(state), put off to an idle moment while that holds.
  app.view = (draw, { key = null, later = null } = {}) => renderers.push({ draw, key, later, drawn: null });
  // record: a part of the workbench with its own actions (views/record.js) adds its handlers.
  app.handle = (more) => Object.assign(handlers, more);
  // A kind of job that follows the inputs: command(s), or null where they ask for none; more(s),
  // input(s) and finish as above.
  app.follow = (kind, { command, more, input, finish }) => {
    commands[kind] = command;
    following[kind] = { more, input };
    finishers[kind] = finish;
  };
})();
