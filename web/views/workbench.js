"use strict";
// The workbench's views and events. Events become actions (state.js); each view draws one part of
// the page from the state alone: the window's entries, the curve and its facts, the read-off, the
// flow at a head, the rating table, the batch, the link and the printed sheet. Every word and every
// figure comes from the core (the page's module) or from the companion's own commands (the
// workers), as structured answers: this script moves them onto the page, and composes none.
(() => {
  const $ = app.$;
  const curvePoints = 480;  // a smooth line at any width the page gives it
  const say = app.say, dispatch = app.dispatch;
  const unitOf = (s) => s.units.find((u) => u.name === s.unit) ?? s.units[0];

  // What the core derives from the entries, worked out once for each set of them: derived values
  // are not kept in the state, so that they cannot go stale.
  const derived = (() => {
    let lastKey = null, last = null;
    return (s) => {
      const texts = [...s.entries, s.unit], k = JSON.stringify(texts);
      if (k === lastKey) return last;
      const curve = app.call("curve", texts, [curvePoints]);
      lastKey = k;
      last = { curve, facts: app.call("facts", texts) };
      return last;
    };
  })();

  // The window's answer while the entries are those it answered; null once they changed.
  const freshAnswer = (s) => (s.answer && s.answer.key === app.keys.entries(s) ? s.answer.result : null);
  const freshHeadFlow = (s) => app.fresh(s, "head");
  const freshTable = (s) => app.fresh(s, "table");

  // Writes a text only where it changed, so that a view drawn again costs nothing and a screen
  // reader is not told the same thing twice.
  function text(id, value) {
    const e = $(id);
    if (e.textContent !== value) e.textContent = value;
  }
  function show(id, shown) {
    if ($(id).hidden === shown) $(id).hidden = !shown;
  }
  // A download link: enabled with bytes and a name, disabled without.
  const urls = new Map();
  function download(id, file) {
    const link = $(id), was = urls.get(id);
    if (was?.file === file) return;
    if (was) URL.revokeObjectURL(was.url);
    urls.delete(id);
    if (!file) {
      link.removeAttribute("href");
      link.setAttribute("aria-disabled", "true");
      return;
    }
    const url = URL.createObjectURL(new Blob([file.bytes], { type: file.type ?? "text/csv" }));
    urls.set(id, { file, url });
    Object.assign(link, { href: url, download: file.name });
    link.removeAttribute("aria-disabled");
  }
  app.download = download;
  function fillRows(table, captions, rows, mark) {
    table.tHead.rows[0].replaceChildren(...captions.map((caption) => {
      const th = document.createElement("th");
      th.scope = "col";
      th.textContent = caption;
      return th;
    }));
    const body = document.createDocumentFragment();
    rows.forEach((cells, i) => {
      const tr = document.createElement("tr");
      if (mark?.[i]) tr.className = "no-head";
      for (const cell of cells) tr.insertCell().textContent = cell;
      body.append(tr);
    });
    table.tBodies[0].replaceChildren(body);
  }

  // The sheet's title block and the gauge's zero and step: the state's names and their boxes.
  const aboutIds = { project: "project", site: "site", author: "author", zero: "gaugeZero", gaugeStep: "gaugeStep" };

  // ---- The boxes, filled in from the state where it changed otherwise than by typing ----

  app.view((s) => {
    const t = s.table;
    const values = [...s.entries.map((value, i) => [app.entryIds[i], value]), ["headEntry", s.head], ["tableBy", t.by],
                    ["tableFrom", t.from], ["tableTo", t.to], ["tableStep", t.step],
                    ...Object.entries(aboutIds).map(([name, id]) => [id, s.about[name]])];
    for (const [id, value] of values) if ($(id).value !== value) $(id).value = value;
    $("tableBracket").checked = t.bracket;
  }, { key: (s) => [s.filled] });

  // ---- The curve, its marks and its facts ----

  const view = new app.CurveView($("curve"), $("curveReadout"), {
    readOff: (head) => app.call("read_off", [app.state.entries[0], app.state.unit], [head]),
    point: (head) => app.dispatch({ type: "cursor", head }, { now: true }),
    cursor: () => app.state.cursor,
  });

  app.view((s) => {
    const { curve, facts } = derived(s);
    const answer = freshAnswer(s), headFlow = freshHeadFlow(s);
    // The window's answer is marked only while it answers the entries on screen.
    const answerMark = answer?.outcome === "converged" ? { mm: Number(answer.head_mm), text: answer.head_mm } : null;
    view.show(curve, { answer: answerMark, head: headFlow?.mark ?? null }, s.words);
    view.showCursor(s.cursor);

    text("peakFlowCaption", facts.peak_flow_caption);
    text("peakFlow", facts.peak_flow);
    text("peakHead", facts.peak_head);
    text("risingHead", facts.rising_text);
    // The other head is told beside the window's answer, so only while that answer is fresh.
    const other = answer?.outcome === "converged" ? facts.other_text : null;
    show("otherHead", Boolean(other));
    text("otherHeadText", other ?? "");
    const needed = answer?.outcome === "incomplete" ? answer.needed_text : "";
    show("entryNeeded", needed !== "");
    text("entryNeededText", needed);
  });

  // ---- The curve as files: the SVG as drawn, the PNG once the entries rest ----

  // Both are of the drawing on screen (view.drawn: what it was drawn from); a PNG made for another
  // is dropped.
  const curveDrawn = (s) => [derived(s).curve.ok ? view.drawn : null];
  app.view((s) => {
    const { curve } = derived(s);
    download("curvePng", null);
    download("curveSvg", curve.ok ? { bytes: view.svgText(curve.caption), name: `${curve.file_name}.svg`, type: "image/svg+xml" } : null);
  }, { key: curveDrawn });
  app.view((s) => {
    const { curve } = derived(s), drawing = view.drawn;
    if (!curve.ok) return;
    // Drawn with the page's font, so that it looks as shown.
    const fontFace = [...document.styleSheets].flatMap((sheet) => [...sheet.cssRules]).find((r) => r instanceof CSSFontFaceRule)?.cssText ?? "";
    view.png(view.svgText(curve.caption, fontFace), 3 * 560).then((blob) => {
      if (view.drawn === drawing) download("curvePng", { bytes: blob, name: `${curve.file_name}.png`, type: "image/png" });
    }, () => {});
  }, { key: curveDrawn, later: (s) => derived(s).curve.ok });

  app.view((s) => {
    const headFlow = freshHeadFlow(s);
    $("headSection").dataset.state = headFlow?.status ?? "idle";
    text("headFlow", !headFlow ? "" : headFlow.status === "running" ? say("running") : headFlow.said);
    // With a gauge zero the entry is a reading on the staff.
    text("headEntryCaption", say(s.about.zero.trim() ? "reading_caption" : "head_caption"));
  });

  // ---- The rating table, by `vordanel-cli table` ----

  app.view((s) => {
    const t = s.table;
    $("tableBracket").disabled = t.by === "heads";
    const captions = app.call("table_words", [s.entries[0], t.by, t.from, t.to, t.step, s.unit, "", "", s.about.zero.trim()], [0]).captions;
    text("tableFromCaption", captions.from);
    text("tableToCaption", captions.to);
    text("tableStepCaption", captions.step);
    show("tableNotice", Boolean(t.notice));
    text("tableNotice", t.notice ? say(t.notice.word, t.notice) : "");

    const job = s.jobs.table, fresh = freshTable(s);
    $("tableSection").dataset.state = job?.status ?? "idle";
    $("tableCancel").disabled = job?.status !== "running";
    // A table whose inputs changed since stays in sight, marked with the inputs it answers.
    $("tableSection").dataset.stale = String(Boolean(job && !fresh));
    show("tableStale", Boolean(job && !fresh && job.status === "done"));
    text("tableStale", job && !fresh ? say("table_stale", { title: job.about?.title ?? "" }) : "");
    const summary = !job ? "" : job.status === "running" ? say("running") : job.status === "failed" ? job.message : job.view.summary;
    text("tableSummary", summary);
    download("tableDownload", job?.status === "done" ? job.download : null);
  });
  const tableShown = (s) => (s.jobs.table?.status === "done" ? s.jobs.table.view : null);
  app.view((s) => fillRows($("tableRows"), tableShown(s)?.captions ?? [], tableShown(s)?.rows ?? []), { key: (s) => [tableShown(s)] });

  // ---- The batch, by `vordanel-cli batch` ----

  app.view((s) => {
    const job = s.jobs.batch, done = job?.status === "done" ? job.view : null;
    $("batchSection").dataset.state = job?.status ?? "idle";
    $("batchCancel").disabled = job?.status !== "running";
    const bar = $("batchProgress");
    const [value, max] = job ? [job.progress.done, job.progress.total] : [0, 1];
    if (bar.max !== max) bar.max = max;
    if (bar.value !== value) bar.value = value;
    text("batchSummary", !job ? "" : job.status === "running" ? say("batch_running", { file: job.command.file })
      : job.status === "failed" ? job.message : done.summary);
    $("batchRows").parentElement.hidden = !done?.rows.length;
    text("batchDownload", done ? say("batch_download", { file: done.file_name }) : say("batch_download_none"));
    download("batchDownload", done ? job.download : null);
  });
  // A failed batch leaves nothing of the one before.
  const batchShown = (s) => (s.jobs.batch?.status === "done" ? s.jobs.batch.view : null);
  app.view((s) => {
    const done = batchShown(s);
    fillRows($("batchRows"), done?.captions ?? [], done?.rows ?? [], done?.no_head);
    $("batchReasons").replaceChildren(...(done?.reasons ?? []).map((reason) => {
      const li = document.createElement("li");
      li.textContent = reason;
      return li;
    }));
  }, { key: (s) => [batchShown(s)] });

  // ---- The staff gauge, by `vordanel-cli gauge` ----

  app.view((s) => {
    const job = s.jobs.gauge, fresh = app.fresh(s, "gauge", app.sheet.today());
    $("gaugeSection").dataset.state = job?.status ?? "idle";
    const done = fresh?.status === "done" ? fresh : null;
    text("gaugeSummary", !job ? "" : job.status === "running" ? say("running") : job.status === "failed" ? job.message
      : done ? say("gauge_ready") : say("gauge_stale"));
    download("gaugeDownload", done ? { bytes: done.svg, name: app.call("table_words", [s.entries[0], "heads", "", "", "", s.unit, "", "", ""], [0]).gauge_file_name, type: "image/svg+xml" } : null);
    $("gaugePrint").disabled = !done;
    text("gaugeStepCaption", say("gauge_step_caption", { symbol: unitOf(s).symbol }));
    app.sheet.gauge(done ? done.svg : null, done ? app.call("gauge_pieces", [s.entries[0], s.about.zero.trim()]) : null, s.about, say, linkUrl(s));
  });

  // ---- The operator's card: flows by staff reading, as `vordanel-cli flow --gauge-zero` gives them ----

  app.view((s) => {
    const job = s.jobs.card, fresh = app.fresh(s, "card"), done = fresh?.status === "done" ? fresh : null;
    $("cardPrint").disabled = !done;
    text("cardSummary", !job ? "" : job.status === "running" ? say("running") : job.status === "failed" ? job.message
      : done ? say("card_ready") : say("card_stale"));
    app.sheet.card(done && { ...done.card, place: say("card_place", { project: s.about.project, site: s.about.site, date: app.sheet.today() }),
                             captions: done.view.figure_captions, rows: done.view.figures, link: linkUrl(s, { reading: true }) }, say);
  });

  // ---- The link to the calculation ----

  // The link itself; a card's opens ready for a staff reading: no head, its entry focused.
  function linkUrl(s, { reading = false } = {}) {
    const params = app.linkOf(s);
    if (reading) params.delete("head"), params.set("read", "head");
    return `${location.href.replace(/#.*$/, "")}#${params}`;
  }
  // A link's fragment as an action: its entries, unit (named as the core names units, or said to
  // be unknown) and table settings; drawn at once, or with the page's first drawing (now: false).
  // cut: the field the page's first script cut from the link it opened with.
  const linkFields = ["d", "q", "min", "max"];
  function openLink(hash, { now = true, cut = null } = {}) {
    const params = new URLSearchParams(hash.replace(/^#/, ""));
    if (![...params.keys()].length) return false;
    const tooLong = app.capLink(params) ?? cut;
    const get = (name) => params.get(name);
    const unitText = get("unit"), unit = unitText === null ? "" : app.call("unit_named", [unitText]);
    app.dispatch({ type: "link", unit: unit || null, unknownUnit: unitText !== null && !unit ? unitText : null, tooLong, fields: {
      entries: linkFields.map((name) => get(name) ?? ""), head: get("head") ?? "",
      by: get("by") === "heads" ? "heads" : "flows", bracket: get("bracket") === "1",
      from: get("from"), to: get("to"), step: get("step"),
      about: Object.fromEntries(Object.keys(aboutIds).map((name) => [name, get(name) ?? ""])),
    } }, { now });
    if (get("read") === "head") $("headEntry").focus();
    for (const part of app.linkParts) part.read(params, { now });  // record
    return true;
  }
  app.openLink = openLink;
  app.view((s) => {
    const params = app.linkOf(s);
    const url = linkUrl(s);
    app.sheet.lead(url, say);
    show("linkNotice", s.notice !== null);
    text("linkNotice", s.notice ? say(s.notice.word, s.notice) : "");
    if ($("shareLink").href === url) return;
    $("shareLink").href = url;
    // Shown whole where it is of a length to read; the address holds it all.
    text("shareLink", url.length > 300 ? `${url.slice(0, 300)}…` : url);
  });

  async function copyLink() {
    const url = $("shareLink").href;
    try {
      await navigator.clipboard.writeText(url);
    } catch {
      // Where the clipboard is not offered to the page: the link selected, and copied the old way.
      const range = document.createRange();
      range.selectNodeContents($("shareLink"));
      getSelection().removeAllRanges();
      getSelection().addRange(range);
      document.execCommand("copy");
    }
    app.announce(say("link_copied"));
  }

  // ---- The sheet: what the screen shows now, on paper ----

  app.view((s) => {
    const { curve, facts } = derived(s), answer = freshAnswer(s), headFlow = freshHeadFlow(s);
    const sheet = app.call("sheet_words", [...s.entries, s.unit, s.about.project]);
    app.sheet.titleBlock(s.about);
    app.sheet.entries(sheet.entries);
    // The window's answer goes on the sheet only with the entries it answered.
    const rows = answer && answer.outcome !== "incomplete" ? [...answer.sheet_rows] : [sheet.not_pressed];
    rows.push([sheet.captions.rising, facts.rising_text]);
    if (answer?.outcome === "converged" && facts.other_text) rows.push([sheet.captions.other, facts.other_text]);
    rows.push([facts.peak_flow_caption, facts.peak_flow], [sheet.captions.peak_head, facts.peak_head]);
    if (headFlow?.status === "done" || headFlow?.status === "failed")
      rows.push([say(s.about.zero.trim() ? "sheet_reading_flow" : "sheet_head_flow", { head: s.head.trim(), zero: s.about.zero.trim() }), headFlow.said]);
    app.sheet.answers(rows);
    app.sheet.curve(curve.ok ? $("curve") : null, view.drawn);
    const table = freshTable(s);
    if (table?.status === "done") app.sheet.table({ title: table.about?.title ?? "", ...table.view }, say);
    else app.sheet.noTable();
  });

  // ---- The workbench's sign that it shows the state as it is now ----

  app.view(() => {
    const bench = $("workbench");
    bench.dataset.updates = String(Number(bench.dataset.updates ?? 0) + 1);
    bench.dispatchEvent(new CustomEvent("vordanel-updated"));
  });

  // ---- Events ----

  function start() {
    const entries = () => app.dispatch({ type: "entries", values: app.entries() });
    for (const id of app.entryIds) $(id).addEventListener("input", entries);
    $("headEntry").addEventListener("input", () => app.dispatch({ type: "head", text: $("headEntry").value }));
    for (const [name, id] of Object.entries(aboutIds))
      $(id).addEventListener("input", () => app.dispatch({ type: "about", name, value: $(id).value }));
    const run = (kind, more = {}) => dispatch({ type: "run", kind, today: app.sheet.today(), ...more }, { now: true });
    $("gaugeRun").addEventListener("click", () => run("gauge"));
    $("gaugePrint").addEventListener("click", () => dispatch({ type: "print", what: "gauge" }, { now: true }));
    $("cardRun").addEventListener("click", () => run("card"));
    $("cardPrint").addEventListener("click", () => dispatch({ type: "print", what: "card" }, { now: true }));
    addEventListener("afterprint", () => {
      dispatch({ type: "printed" }, { now: true });
      app.sheet.untitle();
    });
    // The file itself goes to the worker, which reads it as the batch goes.
    const runBatch = (file) => run("batch", { file });
    $("flowUnit").addEventListener("change", () => {
      try { localStorage.setItem("vordanel.flowUnit", $("flowUnit").value); } catch { /* storage may be off */ }
      app.dispatch({ type: "unit", name: $("flowUnit").value });
    });
    $("tableBy").addEventListener("change", () => app.dispatch({ type: "tableSetting", setting: "by", value: $("tableBy").value }));
    for (const [id, setting] of [["tableFrom", "from"], ["tableTo", "to"], ["tableStep", "step"]])
      $(id).addEventListener("input", () => app.dispatch({ type: "tableSetting", setting, value: $(id).value }));
    for (const type of ["input", "change"])
      $("tableBracket").addEventListener(type, () => app.dispatch({ type: "tableSetting", setting: "bracket", value: $("tableBracket").checked }));
    $("tableRun").addEventListener("click", () => run("table"));
    $("tableCancel").addEventListener("click", () => dispatch({ type: "cancel", kind: "table" }, { now: true }));
    $("batchCancel").addEventListener("click", () => dispatch({ type: "cancel", kind: "batch" }, { now: true }));
    $("printSheet").addEventListener("click", () => print());
    $("copyLink").addEventListener("click", copyLink);
    $("batchFile").addEventListener("change", (e) => {
      const file = e.target.files[0];
      if (!file) return;
      runBatch(file);
      // The same file chosen again (saved anew since) is run again.
      e.target.value = "";
    });
    const warm = () => dispatch({ type: "warm", kind: "batch" }, { now: true });
    $("batchFile").addEventListener("pointerdown", warm);
    $("batchFile").addEventListener("keydown", warm);
    const bench = $("workbench");
    // (A file dragged onto the record's part is the record's.)
    bench.addEventListener("dragenter", (e) => { if (!e.target.closest?.("#recordSection")) warm(); });
    bench.addEventListener("dragover", (e) => {
      if (![...e.dataTransfer.types].includes("Files")) return;
      e.preventDefault();
      e.dataTransfer.dropEffect = "copy";
      bench.classList.add("dropping");
    });
    bench.addEventListener("dragleave", (e) => {
      if (!bench.contains(e.relatedTarget)) bench.classList.remove("dropping");
    });
    // A file dropped beside the workbench must not take the browser away from the page.
    for (const type of ["dragover", "drop"])
      document.addEventListener(type, (e) => {
        if ([...(e.dataTransfer?.types ?? [])].includes("Files") && !bench.contains(e.target)) e.preventDefault();
      });
    bench.addEventListener("drop", (e) => {
      bench.classList.remove("dropping");
      const file = e.dataTransfer.files[0];
      if (!file) return;
      e.preventDefault();
      runBatch(file);
    });
    // Alt+W moves between the window and the workbench.
    document.addEventListener("keydown", (e) => {
      if (!e.altKey || e.ctrlKey || e.metaKey || e.code !== "KeyW" || $("failure").open) return;
      e.preventDefault();
      if (bench.contains(document.activeElement)) $("Text6").focus();
      else $("curve").focus();
    });
    // Every print, the button's or the browser's own, shows the sheet of the state as it is now,
    // set on pages then, and dated.
    addEventListener("beforeprint", () => {
      app.render();
      const st = app.state, sheet = app.call("sheet_words", [...st.entries, st.unit, st.about.project]);
      if (!document.body.dataset.print)
        app.sheet.paginate([say("sheet_page_title"), say("sheet_page_project", { project: st.about.project }),
                            say("sheet_page_site", { site: st.about.site }), say("sheet_page_d", { d: sheet.diameter_text })],
                           (page, pages) => say("page_of", { page, pages }));
      app.sheet.stamp();
      app.sheet.title(document.body.dataset.print ?? "sheet", sheet.print_titles);
    });
  }

  start();
  // Once the core is here and the window, with the answer to a press made meanwhile, painted.
  // `app.opened`: once the page has been drawn whole for the first time.
  app.opened = app.core.then(app.afterPaint).then(() => {
    const words = app.call("words", []), units = app.call("units", []);
    $("flowUnit").replaceChildren(...units.map((u) => new Option(u.symbol, u.name)));
    let remembered = null;
    try { remembered = localStorage.getItem("vordanel.flowUnit"); } catch { /* storage may be off */ }
    app.dispatch({ type: "ready", units, unit: remembered, words, kept: location.hash !== "" });
    // What was typed while the core was on its way counts.
    app.dispatch({ type: "entries", values: app.entries() });
    if ($("headEntry").value !== "") app.dispatch({ type: "head", text: $("headEntry").value });
    openLink(location.hash, { now: false, cut: window.vordanelEarly.linkCut });
    return app.drawInSteps().then(() => { document.documentElement.dataset.vordanel = "ready"; });
  });
  // The unit select shows the state's unit; the page, what is being printed.
  app.view((s) => {
    if (s.ready && $("flowUnit").value !== s.unit) $("flowUnit").value = s.unit;
  });
  app.view((s) => {
    if (s.print) document.body.dataset.print = s.print;
    else delete document.body.dataset.print;
  }, { key: (s) => [s.print] });
})();
