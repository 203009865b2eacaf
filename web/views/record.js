"use strict";
// The operator's record: a level logger's file, dropped on its part of the workbench, run through
// the companion's `series --daily` and `series`, each in a worker of its own. The days, the
// hydrograph and the rules come from the core's reading of that run (glue_commands.cpp's record
// view); the downloads are the companion's bytes. This script adds the record's part of the state,
// its settings and its job (a job of the state's, started by whatever change asks for another);
// record_view.js draws what the job gave.
(() => {
  const $ = app.$;
  const graph = { width: 720, height: 260, left: 56, right: 664, top: 14, bottom: 222 };
  const columns = graph.right - graph.left;  // the readings come back as at most a stretch a column

  // The record's settings as typed, each with its input and the option and link field it goes by.
  const settings = [
    { name: "dayStart", id: "loggerDayStart", option: "--day-start", field: "day_start" },
    { name: "maxGap", id: "loggerMaxGap", option: "--max-gap", field: "max_gap" },
    { name: "levelUnit", id: "loggerLevelUnit", option: "--level-unit", field: "level_unit" },
    { name: "timeColumn", id: "loggerTimeColumn", option: "--time-column", field: "time_column" },
    { name: "levelColumn", id: "loggerLevelColumn", option: "--level-column", field: "level_column" },
    { name: "headU", id: "loggerHeadU", option: "--head-uncertainty", field: "u_head" },
    { name: "zeroU", id: "loggerZeroU", option: "--zero-uncertainty", field: "u_zero" },
    { name: "coefU", id: "loggerCoefU", option: "--coefficient-uncertainty", field: "u_coef" },
  ];

  app.state.record = {
    settings: Object.fromEntries(settings.map((x) => [x.name, ""])),
    filled: 0,     // counts the changes from a link, after which the inputs are written from the state
    files: 0,      // counts the files chosen, so that the same one chosen again is made again
    file: null,    // {serial, name, blob: the File, which the workers read as they go}
    shown: null,   // the last record made: {key, view, readings, daily}; kept marked while another runs
    cursor: -1,    // the read-off: the stretch of the shown record's hydrograph it stands on, or -1
  };

  // The command line the record runs: the window's diameter, the workbench's gauge zero and unit,
  // and its own settings. A blank setting is the companion's default.
  function argsOf(s) {
    const set = s.record.settings, args = ["series", `--diameter=${s.entries[0].trim()}`, `--flow-unit=${s.unit}`];
    if (s.about.zero.trim()) args.push(`--gauge-zero=${s.about.zero.trim()}`);
    for (const { name, option } of settings) if (set[name].trim()) args.push(`${option}=${set[name].trim()}`);
    return args;
  }
  // The job: the days first, with the progress and a view of the graph's width in columns, and
  // the readings beside it on a second core, gathered into a Blob in their worker (a year of them
  // runs to tens of megabytes, which the page would otherwise copy at once). Its key is the file
  // (as chosen) and the command.
  const command = (s) => {
    const file = s.record.file, args = argsOf(s);
    return file && { serial: file.serial, runs: [{ argv: [...args, "--daily"], view: columns, file: file.name, progress: true },
                                                 { argv: args, stream: true }] };
  };
  const fresh = (s) => s.record.shown !== null && s.record.shown.key === app.keyNow(s, "record");
  // The signs that the record of the file and settings on screen is shown, its days and then all of
  // it: not one asked before.
  const sign = (s, job, name) => job === app.fresh(s, "record") && s.signals.push(["recordSection", name]);

  // Each run's answer; the readings' may come before the days' and wait for them.
  function finish(s, { part, answer, why }, job) {
    const rec = s.record, message = why ? app.say(...why) : part === 0 && answer.view.failed ? answer.view.message : null;
    if (job.status === "failed") return;  // the first failure says why
    if (message !== null) {
      // A failure leaves nothing of the record it replaced.
      Object.assign(job, { status: "failed", message, previous: null });
      rec.shown = null;
      rec.cursor = -1;
      return sign(s, job, "vordanel-record-done");
    }
    if (part === 0) {
      Object.assign(job, { status: "done", previous: null });
      rec.shown = { key: job.key, view: answer.view, readings: null, daily: { bytes: answer.stdout, name: answer.view.daily_name } };
      rec.cursor = -1;
      sign(s, job, "vordanel-record-days");
    } else {
      job.readings = answer.stdout;
    }
    if (job.status === "done" && job.readings !== undefined && rec.shown?.key === job.key) {
      rec.shown.readings = { bytes: job.readings, name: rec.shown.view.readings_name };
      sign(s, job, "vordanel-record-done");
    }
  }
  app.follow("record", { command, finish, input: (s) => s.record.file.blob,
                         more: (s) => ({ progress: { done: 0, total: s.record.file.blob.size } }) });

  app.handle({
    recordSetting(s, { name, value }) { s.record.settings[name] = value; },
    recordCursor(s, { index }) { s.record.cursor = index; },
    // A file chosen or dropped: it supersedes the record under way.
    recordFile(s, { file }) { s.record.file = { serial: ++s.record.files, name: file.name, blob: file }; },
    recordLink(s, { values }) {
      Object.assign(s.record.settings, values);
      s.record.filled++;
    },
  });

  // The link carries the settings, as it does the others'.
  app.linkParts.push({
    write(s, params) {
      for (const { name, field } of settings) if (s.record.settings[name] !== "") params.set(field, s.record.settings[name]);
    },
    read(params, { now }) {
      const values = Object.fromEntries(settings.map(({ name, field }) => [name, params.get(field) ?? ""]));
      // A link that changes none of the settings starts nothing of the record.
      if (settings.every(({ name }) => values[name] === app.state.record.settings[name])) return;
      activate();
      app.dispatch({ type: "recordLink", values }, { now });
    },
  });

  function chosen(file) {
    if (!file) return;
    activate().then((started) => started && app.dispatch({ type: "recordFile", file }, { now: true }));
  }

  // The record's drawing (record_view.js) starts when the record is first used (a file, a setting,
  // a link that carries one): a plain open of the page runs nothing of it, and the hosted edition
  // fetches it only then (app.later). A file waits for it, so that the record's signs follow what
  // is drawn; where it cannot be had, the record's part says why. Whether it started, the promise.
  const part = app.recordPart = { graph, settings, fresh, view: null };  // what the drawing shares
  const activate = () => (part.view ? Promise.resolve() : app.later("record")).then(() => {
    part.view();  // once: it is then a no-op
    return true;
  }, (e) => {
    $("recordResult").hidden = false;
    $("loggerSummary").textContent = app.say("job_failed", { why: e.message });
    return false;
  });

  // ---- Events ----

  for (const { name, id } of settings)
    for (const type of ["input", "change"]) $(id).addEventListener(type, () => {
      activate();
      app.dispatch({ type: "recordSetting", name, value: $(id).value });
    });
  $("loggerFile").addEventListener("change", (e) => {
    chosen(e.target.files[0]);
    e.target.value = "";
  });
  // The workers and their module are made ready as a file is about to come (the picker opened, a
  // file dragged in), so that the record starts on arrival; not on a plain open.
  const warm = () => {
    app.dispatch({ type: "warm", kind: "record", workers: 2 });
    activate();
  };
  $("reportPrint").addEventListener("click", () => app.dispatch({ type: "print", what: "report" }, { now: true }));
  $("loggerFile").addEventListener("pointerdown", warm);
  $("loggerFile").addEventListener("keydown", warm);
  const section = $("recordSection");
  section.addEventListener("dragenter", warm);
  section.addEventListener("dragover", (e) => {
    if (![...e.dataTransfer.types].includes("Files")) return;
    e.preventDefault();
    e.dataTransfer.dropEffect = "copy";
  });
  // A file dropped here is the record's, not the batch's.
  section.addEventListener("drop", (e) => {
    const file = e.dataTransfer.files[0];
    if (!file) return;
    e.preventDefault();
    e.stopPropagation();
    $("workbench").classList.remove("dropping");
    chosen(file);
  });
})();
