"use strict";
// The workbench beside the window: the discharge curve of the window's weir, what the curve knows
// in words, rating tables and batches, and vordanel-cli itself as window.vordanel.run. Every figure
// comes from the core (the page's module, glue_page.cpp) or from the companion's own commands (the
// workers' module): this script only moves texts and bytes, and draws.
(() => {
  const $ = (id) => document.getElementById(id);
  const svgNS = "http://www.w3.org/2000/svg";
  const utf8 = new TextDecoder();  // what is not UTF-8 shows as U+FFFD, as in a terminal
  const entryIds = ["Text6", "Text1", "Text2", "Text3"];
  const entries = () => entryIds.map((id) => $(id).value);

  // ---- The companion's commands in workers, so that the page never waits on them ----

  let workerUrl = null;
  function workerSource() {
    // The page is one file and fetches nothing: the worker is made of the scripts it already holds.
    workerUrl ??= URL.createObjectURL(new Blob(
      [`const packedWasm = "${$("commandsWasm").textContent.trim()}";\n`, $("commandsScript").textContent, "\n",
       $("runnerScript").textContent, "\n", $("workerScript").textContent],
      { type: "text/javascript" }));
    return workerUrl;
  }

  // One worker, started at its first request, answering requests in turn.
  class Commands {
    constructor() {
      this.worker = null;
      this.nextId = 1;
      this.pending = new Map();
    }
    start() {
      if (this.worker) return;
      this.worker = new Worker(workerSource());
      this.worker.onmessage = (e) => {
        const { id } = e.data;
        const request = this.pending.get(id);
        if (!request) return;
        if ("done" in e.data) {
          request.onProgress?.(e.data.done, e.data.total);
        } else if ("error" in e.data) {
          this.pending.delete(id);
          request.reject(new Error(e.data.error));
        } else {
          this.pending.delete(id);
          request.resolve({ ...e.data, stdout: new Uint8Array(e.data.stdout), stderr: new Uint8Array(e.data.stderr) });
        }
      };
      this.worker.onerror = (e) => {
        e.preventDefault();
        for (const request of this.pending.values()) request.reject(new Error(e.message || "the worker stopped"));
        this.pending.clear();
        this.worker.terminate();
        this.worker = null;
      };
    }
    run(args, bytes, onProgress) {
      this.start();
      const id = this.nextId++;
      return new Promise((resolve, reject) => {
        this.pending.set(id, { resolve, reject, onProgress });
        this.worker.postMessage({ id, args, input: bytes.buffer, progress: Boolean(onProgress) }, [bytes.buffer]);
      });
    }
  }
  const consoleCommands = new Commands();  // window.vordanel.run and the rating tables
  const batchCommands = new Commands();    // batches, which may take a while

  // Standard input as vordanel.run takes it: a string (sent as UTF-8) or bytes, copied so that the
  // caller's buffer stays theirs.
  function inputBytes(input) {
    if (input === undefined || input === null) return new Uint8Array(0);
    if (typeof input === "string") return new TextEncoder().encode(input);
    if (input instanceof ArrayBuffer) return new Uint8Array(input.slice(0));
    if (ArrayBuffer.isView(input)) return new Uint8Array(input.buffer, input.byteOffset, input.byteLength).slice();
    throw new TypeError("vordanel.run: the input is a string, an ArrayBuffer or a typed array");
  }

  // An output as text where it is UTF-8, which then stands for exactly its bytes; else the bytes
  // themselves (a batch passes a Shift_JIS file's cells through as they are).
  const strictUtf8 = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });
  function textOrBytes(bytes) {
    try {
      return strictUtf8.decode(bytes);
    } catch {
      return bytes;
    }
  }

  // The console interface: `await vordanel.run(["head", "-d", "100", "-q", "40"])` gives
  // {status, stdout, stderr}, exactly what vordanel-cli gives.
  window.vordanel = Object.freeze({
    async run(args, input) {
      if (!Array.isArray(args) || args.some((a) => typeof a !== "string" || a.includes("\0")))
        throw new TypeError("vordanel.run: the arguments are a list of strings without NUL");
      const r = await consoleCommands.run([...args], inputBytes(input));
      return { status: r.status, stdout: textOrBytes(r.stdout), stderr: textOrBytes(r.stderr) };
    },
  });

  // ---- The curve and what it knows, from the page's module of the core ----

  let module = null;
  const core = VordanelCore.ready ?? VordanelCore();

  const withTexts = (texts, call) => VordanelCore.withTexts(module, texts, call);
  const curvePoints = 480;  // a smooth line at any width the page gives it
  function curveOf(texts) {
    const curve = withTexts(texts, (s) => module._vordanel_curve(...s, curvePoints));
    if (curve.ok) {
      const xy = new Float64Array(module.HEAPF64.buffer, curve.points_at, 2 * curve.points_count);
      curve.points = Array.from({ length: curve.points_count }, (_, i) => [xy[2 * i], xy[2 * i + 1]]);
    }
    return curve;
  }
  const readOff = (diameter, head) => withTexts([diameter], (s) => module._vordanel_read_off(...s, head));
  const factsOf = (texts) => withTexts(texts, (s) => module._vordanel_facts(...s));

  const plot = { left: 62, right: 546, top: 16, bottom: 284, width: 560, height: 330 };
  let scale = null;  // the drawn curve's axes: {xMax, yMax, diameter}
  let cursorHead = null;

  function niceStep(range) {
    const raw = range / 5;
    const power = 10 ** Math.floor(Math.log10(raw));
    return [1, 2, 2.5, 5, 10].map((m) => m * power).find((s) => s >= raw);
  }
  const tickText = (v) => String(Number(v.toPrecision(12)));
  const x = (head) => plot.left + (head / scale.xMax) * (plot.right - plot.left);
  const y = (flow) => plot.bottom - (flow / scale.yMax) * (plot.bottom - plot.top);

  function el(name, attributes, text) {
    const e = document.createElementNS(svgNS, name);
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function draw(curve, answerText) {
    const svg = $("curve");
    svg.replaceChildren();
    const defs = el("defs", {});
    const clip = el("clipPath", { id: "plotArea" });
    clip.append(el("rect", { x: plot.left, y: plot.top - 4, width: plot.right - plot.left, height: plot.bottom - plot.top + 4 }));
    defs.append(clip);
    svg.append(defs);
    svg.append(el("rect", { class: "plot", x: plot.left, y: plot.top, width: plot.right - plot.left, height: plot.bottom - plot.top }));
    if (!curve.ok) {
      scale = null;
      svg.append(el("text", { class: "empty", x: (plot.left + plot.right) / 2, y: (plot.top + plot.bottom) / 2 },
                    "堰の径(mm)を入れると曲線を描きます"));
      return;
    }
    const answer = answerText === "" ? NaN : Number(answerText);
    const within = (v) => Number.isFinite(v) && v > 0 && v <= 3 * curve.zero_head_mm;
    const bracket = curve.bracket_mm ? [Math.min(...curve.bracket_mm), Math.max(...curve.bracket_mm)] : null;
    let xMax = curve.zero_head_mm;
    for (const v of [bracket?.[1], answer]) if (within(v)) xMax = Math.max(xMax, v);
    let yMax = curve.peak_flow_lpm * 1.12;
    if (curve.flow_lpm > 0 && curve.flow_lpm <= 2 * curve.peak_flow_lpm) yMax = Math.max(yMax, curve.flow_lpm * 1.08);
    const xStep = niceStep(xMax * 1.02), yStep = niceStep(yMax);
    scale = { xMax: Math.ceil(xMax * 1.02 / xStep) * xStep, yMax: Math.ceil(yMax / yStep) * yStep, diameter: $("Text6").value };

    const axes = el("g", { class: "axes" });
    for (let v = 0; v <= scale.xMax + xStep / 2; v += xStep) {
      axes.append(el("line", { class: "grid", x1: x(v), x2: x(v), y1: plot.top, y2: plot.bottom }));
      axes.append(el("text", { class: "tick", x: x(v), y: plot.bottom + 16, "text-anchor": "middle" }, tickText(v)));
    }
    for (let v = 0; v <= scale.yMax + yStep / 2; v += yStep) {
      axes.append(el("line", { class: "grid", x1: plot.left, x2: plot.right, y1: y(v), y2: y(v) }));
      axes.append(el("text", { class: "tick", x: plot.left - 6, y: y(v) + 4, "text-anchor": "end" }, tickText(v)));
    }
    axes.append(el("text", { class: "axis-title", x: (plot.left + plot.right) / 2, y: plot.bottom + 36, "text-anchor": "middle" },
                   "越流高さ(mm) [底部から]"));
    axes.append(el("text", { class: "axis-title", x: 14, y: (plot.top + plot.bottom) / 2, "text-anchor": "middle",
                             transform: `rotate(-90 14 ${(plot.top + plot.bottom) / 2})` }, "流量(L/min)"));
    svg.append(axes);

    const marks = el("g", { "clip-path": "url(#plotArea)" });
    if (bracket) {
      const from = Math.max(0, Math.min(bracket[0], scale.xMax)), to = Math.max(0, Math.min(bracket[1], scale.xMax));
      marks.append(el("rect", { class: "bracket", x: x(from), y: plot.top, width: Math.max(x(to) - x(from), 1), height: plot.bottom - plot.top }));
      marks.append(el("text", { class: "bracket-label", x: x(from) + 4, y: plot.top + 12 }, "挟込み範囲"));
    }
    const top = curve.diameter_mm;
    if (top <= scale.xMax) {
      marks.append(el("line", { class: "weir-top", x1: x(top), x2: x(top), y1: plot.top, y2: plot.bottom }));
      marks.append(el("text", { class: "weir-top-label", x: x(top) + 4, y: plot.bottom - 6 }, "堰の上端 (越流高さ＝径)"));
    }
    const path = curve.points.map(([h, q], i) => `${i ? "L" : "M"}${x(h).toFixed(2)} ${y(q).toFixed(2)}`).join("");
    marks.append(el("path", { id: "curveLine", class: "curve", d: path }));
    if (curve.flow_lpm !== null && curve.flow_lpm <= scale.yMax && curve.flow_lpm >= 0) {
      marks.append(el("line", { class: "flow", x1: plot.left, x2: plot.right, y1: y(curve.flow_lpm), y2: y(curve.flow_lpm) }));
      marks.append(el("text", { class: "flow-label", x: plot.right - 4, y: y(curve.flow_lpm) - 5, "text-anchor": "end" },
                      `流量 ${$("Text1").value.trim()} L/min`));
      for (const head of curve.heads) {
        marks.append(el("circle", { class: `meet ${head.side}`, cx: x(head.mm), cy: y(curve.flow_lpm), r: 4 }));
        marks.append(el("text", { class: "meet-label", x: x(head.mm) + (head.side === "rising" ? -6 : 6),
                                  y: y(curve.flow_lpm) + 16, "text-anchor": head.side === "rising" ? "end" : "start" },
                        `${head.text} mm`));
      }
    }
    const peakX = x(curve.peak_head_mm), peakY = y(curve.peak_flow_lpm);
    marks.append(el("circle", { class: "peak", cx: peakX, cy: peakY, r: 4.5 }));
    marks.append(el("text", { class: "peak-label", x: peakX, y: peakY - 9, "text-anchor": "middle" },
                    `最大 ${curve.peak_flow_text} L/min・${curve.peak_head_text} mm`));
    if (within(answer) && answer <= scale.xMax) {
      marks.append(el("line", { class: "answer", x1: x(answer), x2: x(answer), y1: plot.top, y2: plot.bottom }));
      const flowY = curve.flow_lpm !== null && curve.flow_lpm <= scale.yMax ? y(curve.flow_lpm) : plot.top + 24;
      marks.append(el("circle", { class: "answer", cx: x(answer), cy: flowY, r: 6 }));
      marks.append(el("text", { class: "answer-label", x: x(answer) + 7, y: plot.top + 26 }, `計算 ${answerText} mm`));
    }
    svg.append(marks);
    svg.append(el("g", { id: "cursor" }));
    if (cursorHead !== null) showCursor(cursorHead);
  }

  // Reads the curve off at a head: the core's flow there, marked and told.
  function showCursor(head) {
    const cursor = $("cursor");
    if (!scale || !cursor) return;
    cursorHead = Math.min(Math.max(head, 0), scale.xMax);
    const read = readOff(scale.diameter, cursorHead);
    cursor.replaceChildren();
    if (!read.head) {
      $("curveReadout").textContent = "この越流高さでは式が流量を与えません。";
      return;
    }
    const flow = Number(read.flow);
    cursor.append(el("line", { class: "cursor", x1: x(cursorHead), x2: x(cursorHead), y1: plot.top, y2: plot.bottom }));
    if (flow >= 0 && flow <= scale.yMax) cursor.append(el("circle", { class: "cursor", cx: x(cursorHead), cy: y(flow), r: 4 }));
    $("curveReadout").textContent = `越流高さ ${read.head} mm ・ 流量 ${read.flow} L/min`;
  }

  function pointAt(event) {
    if (!scale) return;
    const svg = $("curve");
    const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(svg.getScreenCTM().inverse());
    if (point.x < plot.left - 8 || point.x > plot.right + 8) return;
    showCursor(((point.x - plot.left) / (plot.right - plot.left)) * scale.xMax);
  }

  // The facts beside the curve, in words.
  function tell(curve, [diameter, flow, min, max]) {
    const risingHead = $("risingHead"), other = $("otherHead");
    other.hidden = true;
    if (!curve.ok) {
      for (const id of ["risingHead", "peakFlow", "peakHead"]) $(id).textContent = "—";
      return;
    }
    $("peakFlow").textContent = `${curve.peak_flow_text} L/min`;
    $("peakHead").textContent = `${curve.peak_head_text} mm`;
    if (flow === "") {
      risingHead.textContent = "流量(L/min)を入れてください";
      return;
    }
    const facts = factsOf([diameter, flow, min, max]);
    const rising = facts.rising;
    if (rising?.outcome === "converged") {
      risingHead.textContent = `${rising.head} mm（Trial回数 ${rising.trials}）` + (rising.above_weir ? " 堰の上端を越えます" : "");
    } else if (rising?.outcome === "no_solution") {
      risingHead.textContent = {
        above_peak: `なし: 流量が最大流量 ${curve.peak_flow_text} L/min を超えています`,
        no_flow: "なし: 流量が0以下です",
        too_small: "なし: 流量が小さすぎて式が越流高さを分けられません",
      }[rising.why];
    } else {
      risingHead.textContent = "流量が数として読めません";
    }
    const two = facts.other;
    if (!two) return;
    const sides = { rising: "上昇側", falling: "下降側" };
    $("otherHeadText").textContent = `${two.head} mm（${sides[two.side]}）— 窓の答え ${two.answer} mm は曲線の` +
      `${sides[two.answer_side]}、最大流量の越流高さ ${curve.peak_head_text} mm より${two.answer_side === "rising" ? "下" : "上"}にあります。` +
      (two.answer_side === "falling" ? "ふつう求めるのは上昇側の越流高さです。" : "");
    other.hidden = false;
  }

  // The workbench's sign that it shows the entries as they are now: data-updates on #workbench
  // counts its updates, and a "vordanel-updated" event follows each.
  function update() {
    if (!module) return;
    const texts = entries();
    const curve = curveOf(texts);
    draw(curve, $("Text4").value);
    tell(curve, texts);
    const bench = $("workbench");
    bench.dataset.updates = String(Number(bench.dataset.updates ?? 0) + 1);
    bench.dispatchEvent(new CustomEvent("vordanel-updated", { detail: curve.ok }));
  }

  // ---- The rating table ----

  let tableUrl = null;
  let tableRequest = 0;
  const tableShown = 5000;  // rows drawn in the page; the download holds them all

  // The sign that a table is done: #tableSection's data-state goes "running", then "done" or
  // "failed", and a "vordanel-table-done" event follows; the download link has its href only then.
  async function runTable() {
    const section = $("tableSection"), link = $("tableDownload"), summary = $("tableSummary");
    const request = ++tableRequest;
    link.removeAttribute("href");
    link.setAttribute("aria-disabled", "true");
    section.dataset.state = "running";
    summary.textContent = "計算中…";
    const [diameter, , min, max] = entries();
    const flows = ["tableFrom", "tableTo", "tableStep"].map((id) => $(id).value.trim()).join(":");
    const args = ["table", "-d", diameter, ...(min !== "" && max !== "" ? ["--min", min, "--max", max] : []), "--flows", flows];
    let r;
    try {
      r = await consoleCommands.run(args, new Uint8Array(0));
    } catch (e) {
      r = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(String(e)) };
    }
    if (request !== tableRequest) return;
    const body = $("tableRows").tBodies[0];
    body.replaceChildren();
    if (r.status === 2 && r.stdout.length === 0) {
      summary.textContent = utf8.decode(r.stderr).trim() || "表を作れませんでした";
      section.dataset.state = "failed";
    } else {
      // Lines counted on the bytes, and only the shown ones decoded: a million-row table is 25 MB.
      let lineEnds = 0, shownEnd = 0;
      for (let at = r.stdout.indexOf(10); at !== -1; at = r.stdout.indexOf(10, at + 1)) {
        if (++lineEnds === tableShown + 1) shownEnd = at;
      }
      const rows = lineEnds - 1;  // the header row is not one
      const lines = utf8.decode(rows > tableShown ? r.stdout.subarray(0, shownEnd) : r.stdout).split("\n");
      const rowsFragment = document.createDocumentFragment();
      for (const line of lines.slice(1, 1 + Math.min(rows, tableShown))) {
        const tr = document.createElement("tr");
        for (const cell of line.split(",")) tr.insertCell().textContent = cell;
        rowsFragment.append(tr);
      }
      body.append(rowsFragment);
      if (tableUrl) URL.revokeObjectURL(tableUrl);
      tableUrl = URL.createObjectURL(new Blob([r.stdout], { type: "text/csv" }));
      link.href = tableUrl;
      link.download = "vordanel-table.csv";
      link.removeAttribute("aria-disabled");
      summary.textContent = `${rows} 行` + (rows > tableShown ? `（先頭の ${tableShown} 行を表示、全行はCSVに）` : "") +
        (r.stderr.length ? ` ${utf8.decode(r.stderr).trim()}` : "");
      section.dataset.state = "done";
    }
    section.dispatchEvent(new CustomEvent("vordanel-table-done", { bubbles: true }));
  }

  // ---- The batch ----

  let batchUrl = null;
  let batchRequest = 0;

  // weirs.csv → weirs-heads.csv
  const headsName = (name) => `${name.replace(/(.)\.[^./\\]*$/, "$1")}-heads.csv`;

  // The sign that a batch is done: #batchSection's data-state goes "running", then "done" or
  // "failed", and a "vordanel-batch-done" event follows; the download link has its href only then.
  async function runBatch(file) {
    const section = $("batchSection"), link = $("batchDownload"), summary = $("batchSummary"), bar = $("batchProgress");
    const request = ++batchRequest;
    link.removeAttribute("href");
    link.setAttribute("aria-disabled", "true");
    section.dataset.state = "running";
    bar.max = 1;
    bar.value = 0;
    summary.textContent = `${file.name} を計算中…`;
    let r;
    try {
      const bytes = new Uint8Array(await file.arrayBuffer());
      bar.max = Math.max(bytes.length, 1);
      r = await batchCommands.run(null, bytes, (done) => {
        if (request === batchRequest) bar.value = done;
      });
    } catch (e) {
      r = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(String(e)) };
    }
    if (request !== batchRequest) return;
    bar.value = bar.max;
    const message = utf8.decode(r.stderr).trim();
    if (r.status === 2 && r.stdout.length === 0) {
      summary.textContent = `${file.name}: ${message || "計算できませんでした"}`;
      section.dataset.state = "failed";
    } else {
      if (batchUrl) URL.revokeObjectURL(batchUrl);
      batchUrl = URL.createObjectURL(new Blob([r.stdout], { type: "text/csv" }));
      link.href = batchUrl;
      link.download = headsName(file.name);
      link.textContent = `${link.download} を保存`;
      link.removeAttribute("aria-disabled");
      const seconds = `${(r.ms / 1000).toFixed(2)} 秒`;
      summary.textContent = `${file.name}: ${r.rows} 行を計算、うち失敗 ${r.failed} 行 (${seconds})`
        + (r.status === 2 ? "。注記の列を見てください" : "");
      section.dataset.state = "done";
    }
    section.dispatchEvent(new CustomEvent("vordanel-batch-done", { bubbles: true }));
  }

  // ---- Wiring ----

  function start() {
    for (const id of entryIds) $(id).addEventListener("input", update);
    $("Command2").addEventListener("click", update);
    $("VORDANEL").addEventListener("vordanel-answered", update);
    $("tableRun").addEventListener("click", runTable);
    $("batchFile").addEventListener("change", (e) => {
      const file = e.target.files[0];
      if (file) runBatch(file);
    });
    const bench = $("workbench");
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

    const svg = $("curve");
    svg.addEventListener("pointermove", pointAt);
    svg.addEventListener("pointerdown", pointAt);
    svg.addEventListener("keydown", (e) => {
      if (!scale || !["ArrowLeft", "ArrowRight", "Home", "End"].includes(e.key)) return;
      e.preventDefault();
      const step = scale.xMax / (e.shiftKey ? 20 : 200);
      const from = cursorHead ?? 0;
      showCursor({ ArrowLeft: from - step, ArrowRight: from + step, Home: 0, End: scale.xMax }[e.key]);
    });

    // The window's keyboard order goes round within the window, as it always has; Alt+W moves
    // between the window and the workbench.
    document.addEventListener("keydown", (e) => {
      if (!e.altKey || e.ctrlKey || e.metaKey || e.code !== "KeyW" || $("failure").open) return;
      e.preventDefault();
      if (bench.contains(document.activeElement)) $("Text6").focus();
      else svg.focus();
    });
  }

  start();
  core.then((m) => {
    module = m;
    update();
    document.documentElement.dataset.vordanel = "ready";
    // The workers compile their module while the page is idle, so that the first table or batch
    // does not wait for it.
    const warm = () => { consoleCommands.start(); batchCommands.start(); };
    if (window.requestIdleCallback) requestIdleCallback(warm, { timeout: 2000 });
    else setTimeout(warm, 500);
  });
})();
