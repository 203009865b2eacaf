"use strict";
// The operator's record drawn (record.js keeps its state and job): the days, the hydrograph with
// its read-off, the rules, the downloads, the month's report for print and the hydrograph's files.
// It comes when the record is first used, and draws from then on (app.recordPart.view()).
(() => {
  const $ = app.$, part = app.recordPart, { graph, settings, fresh } = part;
  const svgNS = "http://www.w3.org/2000/svg";
  const dayMs = 86_400_000;
  function text(id, value) {
    const e = $(id);
    if (e.textContent !== value) e.textContent = value;
  }
  const download = app.download;  // the workbench's download links

  function el(name, attributes = {}, content = "") {
    const e = document.createElementNS(svgNS, name);
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, String(v));
    if (content) e.textContent = content;
    return e;
  }
  // Round steps for an axis to `top`: 1, 2 or 5 times a power of ten.
  function ticks(top) {
    if (!(top > 0)) return [0];
    const raw = top / 4, power = 10 ** Math.floor(Math.log10(raw));
    const step = [1, 2, 5, 10].map((m) => m * power).find((v) => v >= raw);
    return Array.from({ length: Math.floor(top / step) + 1 }, (_, i) => i * step);
  }
  const number = (v) => String(Number(v.toPrecision(6)));

  // The hydrograph: the flow as a line broken wherever the days were not bridged, the days'
  // volumes as bars on the right-hand axis, the day boundaries, and a mark under each stretch that
  // holds a noted reading.
  function drawGraph(svg, view) {
    const points = view.points.filter((p) => p.flows > 0), days = view.days;
    const from = view.range?.[0] ?? Math.min(0, ...days.map((d) => d.start));
    const to = view.range?.[1] ?? Math.max(view.points.at(-1)?.to ?? 1, ...days.map((d) => d.start + dayMs), from + 1);
    const flowTop = Math.max(...points.map((p) => p.max), 0) * 1.05 || 1;
    const volumeTop = Math.max(...days.map((d) => d.volume), 0) * 1.05 || 1;
    const x = (t) => graph.left + ((t - from) / (to - from)) * (graph.right - graph.left);
    const yFlow = (q) => graph.bottom - (q / flowTop) * (graph.bottom - graph.top);
    const yVolume = (v) => graph.bottom - (v / volumeTop) * (graph.bottom - graph.top);
    // The bars (complete days and incomplete ones apart) and the day boundaries are a path each,
    // not an element a day: a year of them is drawn, and rasterized for its PNG, in a moment.
    let complete = "", incomplete = "", boundaries = "";
    const at = (v) => v.toFixed(1);
    for (const d of days) {
      const x0 = x(d.start), x1 = x(d.start + dayMs), top = yVolume(d.volume);
      const bar = `M${at(x0)},${at(graph.bottom)}V${at(top)}h${at(Math.max(x1 - x0 - 1, 0.5))}V${at(graph.bottom)}z`;
      if (d.complete) complete += bar;
      else incomplete += bar;
      boundaries += `M${at(x0)},${graph.top}V${graph.bottom}`;
    }
    const parts = [el("path", { class: "bar", d: complete }), el("path", { class: "bar incomplete", d: incomplete }),
                   el("path", { class: "day", d: boundaries })];
    for (const v of ticks(flowTop)) {
      parts.push(el("line", { class: "grid", x1: graph.left, x2: graph.right, y1: yFlow(v), y2: yFlow(v) }));
      parts.push(el("text", { class: "tick", x: graph.left - 4, y: yFlow(v) + 4, "text-anchor": "end" }, number(v)));
    }
    for (const v of ticks(volumeTop))
      parts.push(el("text", { class: "tick", x: graph.right + 4, y: yVolume(v) + 4 }, number(v)));
    let d = "";
    for (const [i, p] of points.entries()) {
      const inner = [[p.from, p.first], p.min_at < p.max_at ? [p.min_at, p.min] : [p.max_at, p.max],
                     p.min_at < p.max_at ? [p.max_at, p.max] : [p.min_at, p.min], [p.to, p.last]];
      const start = i === 0 || p.break || points[i - 1].gap_inside || p.gap_inside;
      inner.forEach(([t, q], k) => { d += `${k === 0 && start ? "M" : "L"}${x(t).toFixed(1)},${yFlow(q).toFixed(1)}`; });
    }
    parts.push(el("path", { class: "flow", d }));
    let marks = "";
    for (const p of view.points) if (p.noted > 0) marks += `M${x(p.from).toFixed(1)},${graph.bottom + 1}l-3,6h6z`;
    if (marks) parts.push(el("path", { class: "noted", d: marks }));
    parts.push(el("line", { class: "axis", x1: graph.left, x2: graph.right, y1: graph.bottom, y2: graph.bottom }));
    parts.push(el("text", { class: "caption", x: graph.left, y: graph.top - 4 }, view.flow_axis));
    parts.push(el("text", { class: "caption", x: graph.right, y: graph.top - 4, "text-anchor": "end" }, view.volume_axis));
    parts.push(el("text", { class: "tick", x: graph.left, y: graph.bottom + 20 }, view.days[0]?.cells[0] ?? view.origin_text));
    parts.push(el("text", { class: "tick", x: graph.right, y: graph.bottom + 20, "text-anchor": "end" }, view.days.at(-1)?.cells[0] ?? ""));
    parts.push(el("line", { class: "cursor", x1: 0, x2: 0, y1: graph.top, y2: graph.bottom, visibility: "hidden" }));
    svg.replaceChildren(...parts);
    return { points, x };
  }
  // Where the hydrograph of each record view put its stretches (a cache keyed by the view), for the
  // read-off.
  const scales = new WeakMap();
  const scaleNow = () => scales.get(app.state.record.shown?.view);

  // The month's report, for print: a page a month of the record on screen, headed with the title,
  // the project, the site, the month and "n / N", with the title block, the weir, the month's days
  // as the companion gives them, its total and greatest day, the rules and the month's hydrograph.
  const freshShown = (s) => (fresh(s) ? s.record.shown : null);
  const reportKey = (s) => [freshShown(s)?.view, s.about.project, s.about.site, s.about.author, s.entries[0], s.about.zero, s.unit];
  function drawReport(s) {
    const about = s.about, holder = $("reportSheet"), view = freshShown(s)?.view;
    holder.replaceChildren();
    if (!view) return;
    const say = app.say, months = view.months ?? [];
    const line = (name, words) => Object.assign(document.createElement("p"), { className: name, textContent: words });
    months.forEach((month, n) => {
      const page = document.createElement("section");
      page.className = "report-page";
      const days = month.days.map((i) => view.days[i]);
      const table = document.createElement("table");
      table.className = "report-days";
      const head = table.createTHead().insertRow();
      for (const caption of view.captions) head.append(Object.assign(document.createElement("th"), { textContent: caption, scope: "col" }));
      const body = table.createTBody();
      for (const day of days) {
        const tr = body.insertRow();
        tr.className = day.complete ? "complete" : "incomplete";
        day.cells.forEach((value, k) => { tr.insertCell().textContent = day.complete && k === day.cells.length - 1 ? view.complete_word : value; });
      }
      const graph = document.createElementNS("http://www.w3.org/2000/svg", "svg");
      graph.setAttribute("viewBox", "0 0 720 260");
      graph.setAttribute("class", "report-graph");
      const from = days[0].start, to = days.at(-1).start + dayMs;
      drawGraph(graph, { ...view, days, range: [from, to], points: view.points.filter((p) => p.from >= from && p.to <= to) });
      page.append(line("report-head", say("report_head", { month: month.month, project: about.project, site: about.site, page: n + 1, pages: months.length })),
                  line("report-title", say("report_title", { month: month.month })),
                  line("report-about", say("report_about", { project: about.project, site: about.site, author: about.author })),
                  line("report-about", say("report_weir", { d: s.entries[0], zero: about.zero || "0", unit: s.unit })),
                  table, line("report-total", month.total), line("report-total", month.greatest), line("report-rules", view.rules), graph);
      holder.append(page);
    });
  }

  // The read-off: the stretch nearest the pointer, or moved to by the arrow keys, with its greatest
  // reading's time, head and flow as the core words them; the state keeps which (record.cursor).
  function showReadOff(svg, index) {
    const at = scaleNow(), p = index >= 0 ? at?.points[index] : undefined, line = svg.querySelector(".cursor");
    if (!line) return;
    const px = p ? at.x(p.max_at).toFixed(1) : "0";
    Object.entries({ x1: px, x2: px, visibility: p ? "visible" : "hidden" }).forEach(([k, v]) => line.setAttribute(k, v));
    text("hydrographReadOff", p?.said ?? "");
  }
  const readOff = (index) => {
    const count = scaleNow()?.points.length ?? 0;
    if (count) app.dispatch({ type: "recordCursor", index: Math.max(0, Math.min(count - 1, index)) }, { now: true });
  };
  function nearest(event) {
    const svg = $("hydrograph"), at = scaleNow();
    if (!at) return -1;
    const box = svg.getBoundingClientRect(), px = ((event.clientX - box.left) / box.width) * graph.width;
    let best = -1, distance = Infinity;
    at.points.forEach((p, i) => {
      const d = Math.abs(at.x(p.max_at) - px);
      if (d < distance) best = i, distance = d;
    });
    return best;
  }

  // Each element with the role its tag has in a table laid out as one (the style lays it out row by row).
  function fillDays(table, view) {
    const cell = (tag, value, role = "cell") => {
      const c = document.createElement(tag);
      c.setAttribute("role", role);
      c.textContent = value;
      return c;
    };
    table.tHead.rows[0].replaceChildren(...(view?.captions ?? []).map((caption) => Object.assign(cell("th", caption, "columnheader"), { scope: "col" })));
    // A day's row is a copy of one made once: copying is quicker than making a year of cells anew.
    const width = view?.captions.length ?? 0, pattern = document.createElement("tr");
    pattern.setAttribute("role", "row");
    for (let k = 0; k < width; ++k) pattern.append(cell("td", " "));
    const body = document.createDocumentFragment();
    for (const day of view?.days ?? []) {
      const tr = pattern.cloneNode(true);
      tr.className = day.complete ? "complete" : "incomplete";
      let td = tr.firstChild;
      day.cells.forEach((value, k) => {
        td.firstChild.data = day.complete && k === width - 1 ? view.complete_word : value;
        td = td.nextSibling;
      });
      body.append(tr);
    }
    table.tBodies[0].replaceChildren(body);
    table.tFoot.rows[0].replaceChildren(...(view?.total ?? []).map((value) => cell("td", value)));
  }

  // The settings' boxes, where they changed otherwise than by typing (a link).
  function fill(s) {
    const rec = s.record;
    for (const { name, id } of settings) if ($(id).value !== rec.settings[name]) $(id).value = rec.settings[name];
    // Settings a link brought are in sight.
    if (Object.values(rec.settings).some((v) => v !== "")) $("loggerSettings").open = true;
  }

  // The job's state, its progress, what it says, and the downloads of the record on screen while
  // it answers the inputs on screen.
  function status(s) {
    const rec = s.record, job = s.jobs.record, shown = rec.shown, isFresh = fresh(s);
    $("recordResult").hidden = !job;
    $("recordSection").dataset.state = job?.status ?? "idle";
    $("recordSection").dataset.stale = String(Boolean(shown && !isFresh));
    const bar = $("loggerProgress");
    if (job?.status === "running") {
      bar.max = Math.max(job.progress.total, 1);
      bar.value = Math.min(job.progress.done, bar.max);
    } else if (job) {
      bar.value = bar.max;
    }
    text("loggerSummary", !job ? "" : job.status === "failed" ? job.message : shown?.view.summary ?? "");
    $("loggerStale").hidden = !(shown && !isFresh);
    text("loggerStale", shown && !isFresh ? shown.view.stale : "");
    text("loggerRules", shown?.view.rules ?? "");
    $("reportPrint").disabled = !(shown && isFresh);
    download("loggerReadings", isFresh ? shown.readings : null);
    download("loggerDaily", isFresh ? shown.daily : null);
  }

  // The hydrograph and the days of the record on screen.
  function record(s) {
    const shown = s.record.shown, svg = $("hydrograph");
    if (shown) scales.set(shown.view, drawGraph(svg, shown.view));
    else svg.replaceChildren();
    svg.toggleAttribute("hidden", !shown);  // an SVG element has no hidden property of its own
    fillDays($("loggerDays"), shown?.view);
    $("loggerDays").closest(".rows").hidden = !shown;
  }

  // The hydrograph as SVG and PNG, of what it shows.
  function graphFiles(s) {
    const shown = freshShown(s);
    if (!shown) {
      download("hydrographSvg", null);
      download("hydrographPng", null);
      return;
    }
    const copy = $("hydrograph").cloneNode(true);
    copy.removeAttribute("hidden");
    copy.setAttribute("xmlns", svgNS);
    copy.setAttribute("width", graph.width);
    copy.setAttribute("height", graph.height);
    copy.prepend(el("style", {}, ".bar{fill:#c6d8ef}.bar.incomplete{fill:#fff;stroke:#7d9cc4;stroke-dasharray:3 2}.day,.grid{stroke:#ddd}"
                                 + ".flow{fill:none;stroke:#0040c0;stroke-width:1.5}.noted{fill:#c00000}.axis{stroke:#000}"
                                 + ".tick,.caption{font:11px sans-serif}.cursor{display:none}"));
    copy.prepend(el("rect", { width: graph.width, height: graph.height, fill: "#fff" }));
    const svgText = new XMLSerializer().serializeToString(copy), base = shown.daily.name.replace(/-daily\.csv$/, "");
    download("hydrographSvg", { bytes: svgText, name: `${base}-hydrograph.svg`, type: "image/svg+xml" });
    const url = URL.createObjectURL(new Blob([svgText], { type: "image/svg+xml" })), image = new Image();
    image.src = url;
    image.decode().then(() => app.png(image, graph.width * 2, graph.height * 2)).then((blob) => {
      if (freshShown(app.state) === shown) download("hydrographPng", { bytes: blob, name: `${base}-hydrograph.png`, type: "image/png" });
    }).catch(() => {}).finally(() => URL.revokeObjectURL(url));
  }

  part.view = () => {
    part.view = () => {};
    app.view(fill, { key: (s) => [s.record.filled] });
    app.view(status);
    app.view(record, { key: (s) => [s.record.shown?.view] });
    app.view((s) => showReadOff($("hydrograph"), s.record.shown ? s.record.cursor : -1));
    // The report and the hydrograph's files are of the record on screen too, but each is drawn in
    // a task of its own after the days, so that no one task draws a year's record whole; what went
    // stale goes at once.
    app.view(drawReport, { key: reportKey, later: freshShown });
    app.view(graphFiles, { key: (s) => [freshShown(s)], later: freshShown });
    const svg = $("hydrograph");
    svg.addEventListener("pointermove", (e) => readOff(nearest(e)));
    svg.addEventListener("pointerdown", (e) => readOff(nearest(e)));
    svg.addEventListener("keydown", (e) => {
      const step = { ArrowLeft: -1, ArrowRight: 1, PageUp: -10, PageDown: 10 }[e.key];
      if (step === undefined && e.key !== "Home" && e.key !== "End") return;
      e.preventDefault();
      const count = scaleNow()?.points.length ?? 0, cursor = app.state.record.cursor;
      readOff(e.key === "Home" ? 0 : e.key === "End" ? count - 1 : cursor < 0 ? 0 : cursor + step);
    });
    if (app.state.ready) app.render();
  };
})();
