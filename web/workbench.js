"use strict";
// The workbench's wiring: what the curve knows of the window's entries, in the chosen flow unit;
// the flow at a head; rating tables and batches; the link to the calculation; the printed sheet.
// Every figure and every word of a rule comes from the core (the page's module) or from the
// companion's own commands (the workers): this script moves texts and bytes between them.
(() => {
  const $ = app.$;
  const curvePoints = 480;  // a smooth line at any width the page gives it
  const tableShown = 5000;  // a table's rows drawn in the page; the download holds them all
  const batchShown = 200;   // a batch's first rows drawn in the page, a look before the download
  const sides = { rising: "上昇側", falling: "下降側" };

  let units = [];            // the core's flow units: {name, symbol, key, decimals}
  let lastAnswer = null;     // the window's last answer, as the core gave it, and the entries it answered
  // The last answer, while the entries are still those it answered; null once they changed.
  const freshAnswer = () => (lastAnswer && lastAnswer.entries.every((text, i) => text === app.entries()[i]) ? lastAnswer.answer : null);
  let headMark = null;       // the head entry's flow, as the companion gave it: {mm, flow, text, flowText}
  const unit = () => units.find((u) => u.name === $("flowUnit").value) ?? units[0];
  const noteWordsCache = new Map();
  // A note cell of the companion's keys in the core's words ("above_weir;two_heads" → Japanese).
  function noteWords(cell) {
    if (cell === "" || cell === undefined) return "";
    if (!noteWordsCache.has(cell)) noteWordsCache.set(cell, app.call("note_words", [cell], [], false));
    return noteWordsCache.get(cell);
  }

  // ---- The curve and what it knows ----

  function curveOf(texts) {
    const curve = app.call("curve", [...texts, unit().name], [curvePoints]);
    if (curve.ok) {
      const xy = new Float64Array(app.module.HEAPF64.buffer, curve.points_at, 2 * curve.points_count);
      curve.points = Array.from({ length: curve.points_count }, (_, i) => [xy[2 * i], xy[2 * i + 1]]);
    }
    return curve;
  }
  const view = new app.CurveView($("curve"), $("curveReadout"),
                                 (diameter, head) => app.call("read_off", [diameter, unit().name], [head]));

  // The facts beside the curve, in words.
  function tell(curve, texts) {
    const [, flow] = texts;
    const risingHead = $("risingHead"), other = $("otherHead");
    other.hidden = true;
    $("peakFlowCaption").textContent = `最大流量(${unit().symbol})`;
    if (!curve.ok) {
      for (const id of ["risingHead", "peakFlow", "peakHead"]) $(id).textContent = "—";
      return;
    }
    $("peakFlow").textContent = `${curve.peak_flow_text} ${unit().symbol}`;
    $("peakHead").textContent = `${curve.peak_head_text} mm`;
    if (flow === "") {
      risingHead.textContent = "流量(L/min)を入れてください";
      return;
    }
    const facts = app.call("facts", [...texts, unit().name]);
    const rising = facts.rising;
    if (rising.outcome === "converged") {
      risingHead.textContent = `${rising.head_mm} mm（Trial回数 ${rising.trials}）` + (rising.above_weir ? ` ${noteWords("above_weir")}` : "");
    } else if (rising.outcome === "no_solution") {
      risingHead.textContent = `なし: ${rising.why}`;
    } else {
      risingHead.textContent = `${$(rising.control)?.labels[0].textContent ?? ""}: ${rising.message}`;
    }
    const two = facts.other;
    if (!two) return;
    $("otherHeadText").textContent = `${two.head} mm（${sides[two.side]}）— 窓の答え ${two.answer} mm は曲線の` +
      `${sides[two.answer_side]}、最大流量の越流高さ ${curve.peak_head_text} mm より${two.answer_side === "rising" ? "下" : "上"}にあります。` +
      (two.answer_side === "falling" ? "ふつう求めるのは上昇側の越流高さです。" : "");
    other.hidden = false;
  }

  // The window's last press ended silently on an empty entry: which ones the window needs.
  function tellEntryNeeded() {
    const answer = freshAnswer();
    const needed = answer?.outcome === "incomplete" ? answer.empty.map((id) => $(id).labels[0].textContent) : [];
    $("entryNeeded").hidden = needed.length === 0;
    $("entryNeededText").textContent = needed.length ? `${needed.join("、")} が空です。入れてから計算を押してください。` : "";
  }

  // ---- The sheet ----

  function fillSheet(texts, curve) {
    const [diameter, flow, min, max] = texts;
    app.sheet.entries([
      ["堰の径 D", `${diameter} mm`], ["流量 Q", `${flow} L/min`], ["解の挟込最小値", `${min} mm`], ["挟込最大値", `${max} mm`],
    ]);
    // The window's answer goes on the sheet with the entries it answered, not with others typed since.
    const answer = freshAnswer(), answered = answer && answer.outcome !== "incomplete";
    const messages = ["Label8", "Label9"].filter((id) => !$(id).hidden).map((id) => $(id).textContent);
    const rows = [["越流高さ(mm) [底部から] (窓の答え)", answered ? $("Text4").value || "—" : "この入力では計算はまだ押されていません"]];
    if (answered) rows.push(["Trial回数", $("Text5").value || "—"]);
    if (answered && messages.length) rows.push(["メッセージ", messages.join(" ")]);
    if (answer?.outcome === "fault") rows.push(["メッセージ", $("failureMessage").textContent]);
    rows.push(["上昇側の越流高さ(mm) [挟込みなし]", $("risingHead").textContent]);
    if (!$("otherHead").hidden) rows.push(["もう一つの越流高さ(mm) [挟込み範囲内]", $("otherHeadText").textContent]);
    rows.push([`最大流量(${unit().symbol})`, $("peakFlow").textContent], ["最大流量時の越流高さ(mm)", $("peakHead").textContent]);
    if ($("headEntry").value.trim() !== "") rows.push([`越流高さ ${$("headEntry").value.trim()} mm の流量`, $("headFlow").textContent]);
    app.sheet.answers(rows);
    app.sheet.curve($("curve"));
    app.sheet.stamp();
    $("sheetCurveSection").hidden = !curve.ok;
  }

  // ---- The curve as files ----

  let svgUrl = null, pngUrl = null, pngWanted = 0;
  function curveFiles(curve) {
    const svgLink = $("curveSvg"), pngLink = $("curvePng");
    for (const url of [svgUrl, pngUrl]) if (url) URL.revokeObjectURL(url);
    svgUrl = pngUrl = null;
    for (const link of [svgLink, pngLink]) {
      link.removeAttribute("href");
      link.setAttribute("aria-disabled", "true");
    }
    const wanted = ++pngWanted;
    if (!curve.ok) return;
    const name = `vordanel-curve-D${curve.diameter_text}`;
    const caption = `円形堰 D = ${curve.diameter_text} mm の流量と越流高さ(スタウスの式)`;
    svgUrl = URL.createObjectURL(new Blob([view.svgText(caption)], { type: "image/svg+xml" }));
    Object.assign(svgLink, { href: svgUrl, download: `${name}.svg` });
    svgLink.removeAttribute("aria-disabled");
    // The PNG is drawn once the entries rest: with the page's font, so that it looks as shown.
    const fontFace = [...document.styleSheets].flatMap((s) => [...s.cssRules]).find((r) => r instanceof CSSFontFaceRule)?.cssText ?? "";
    const text = view.svgText(caption, fontFace);
    const draw = () => {
      if (wanted !== pngWanted) return;
      view.png(text, 3 * 560).then((blob) => {
        if (wanted !== pngWanted) return;
        pngUrl = URL.createObjectURL(blob);
        Object.assign(pngLink, { href: pngUrl, download: `${name}.png` });
        pngLink.removeAttribute("aria-disabled");
      }, () => {});
    };
    if (window.requestIdleCallback) requestIdleCallback(draw, { timeout: 1000 });
    else setTimeout(draw, 300);
  }

  // ---- One update per animation frame ----

  let frame = 0;
  // The entries changed: the workbench follows at the next frame, whatever was typed meanwhile.
  function schedule() {
    if (!frame) frame = requestAnimationFrame(update);
  }
  // The workbench's sign that it shows the entries as they are now: data-updates on #workbench
  // counts its updates, and a "vordanel-updated" event follows each.
  function update() {
    cancelAnimationFrame(frame);
    frame = 0;
    if (!app.module) return;
    const texts = app.entries();
    const curve = curveOf(texts);
    view.show(curve, { answer: $("Text4").value, head: headMark });
    tell(curve, texts);
    tellEntryNeeded();
    flowFromHead();
    fillSheet(texts, curve);
    curveFiles(curve);
    share();
    const bench = $("workbench");
    bench.dataset.updates = String(Number(bench.dataset.updates ?? 0) + 1);
    bench.dispatchEvent(new CustomEvent("vordanel-updated", { detail: curve.ok }));
  }

  // The window cleared its entries or answered a press: the workbench catches up at once.
  app.windowChanged = (answer) => {
    lastAnswer = answer && { answer, entries: app.entries() };
    update();
    if (answer?.outcome === "incomplete") app.announce($("entryNeededText").textContent);
  };

  // ---- The flow at a head, by `vordanel-cli flow` ----

  const headJob = new app.Job({ name: "head", element: $("headSection"), summary: $("headFlow") });
  let headAsked = "";
  function flowFromHead() {
    const head = $("headEntry").value.trim(), diameter = $("Text6").value;
    const asked = JSON.stringify([diameter, head, unit().name]);
    if (asked === headAsked) return;
    headAsked = asked;
    if (head === "") {
      headJob.stop();
      headMark = null;
      return;
    }
    const args = ["flow", "-d", diameter, "--head", head, "--flow-unit", unit().name, "--json"];
    // A flow is worked out in a moment: the one shown stays until the next is there.
    headJob.run({ args, running: null }, (r) => {
      const flow = JSON.parse(new TextDecoder().decode(r.stdout));
      const symbol = unit().symbol;
      let said;
      headMark = null;
      if (flow.outcome === "flow") {
        headMark = { mm: Number(head), flow: flow[`flow_${unit().key}`], text: head, flowText: flow.flow_text };
        said = `流量 ${flow.flow_text} ${symbol}（${sides[flow.side]}）` + (flow.side === "falling" ? ` ${noteWords("falling_side")}` : "") +
          (flow.above_weir ? ` ${noteWords("above_weir")}` : "");
      } else if (flow.outcome === "no_flow") {
        said = `流量なし: ${noteWords("no_flow")}`;
      } else {
        const caption = flow.input === "diameter" ? $("Label7").textContent : $("headEntry").labels[0].textContent;
        said = `${caption}: ${noteWords(flow.kind)}`;
      }
      return { summary: said, failed: flow.outcome === "fault" };
    });
  }

  // ---- The rating table, by `vordanel-cli table` ----

  const tableFields = { flows: { tableFrom: "10", tableTo: "200", tableStep: "10" }, heads: { tableFrom: "10", tableTo: "200", tableStep: "10" } };
  let tableBy = "flows";
  function tableCaptions() {
    const by = $("tableBy").value;
    if (by !== tableBy) {  // each kind of table keeps its own from, to and step
      for (const id of Object.keys(tableFields[tableBy])) tableFields[tableBy][id] = $(id).value;
      for (const [id, value] of Object.entries(tableFields[by])) $(id).value = value;
      tableBy = by;
    }
    const what = by === "heads" ? "越流高さ" : "流量", inUnit = by === "heads" ? "mm" : unit()?.symbol ?? "L/min";
    for (const [id, word] of [["tableFromCaption", "始め"], ["tableToCaption", "終わり"], ["tableStepCaption", "刻み"]])
      $(id).textContent = `${what} ${word}(${inUnit})`;
    $("tableBracket").disabled = by === "heads";
  }

  // A column of the companion's CSV by its caption in the window's words, as the core names it;
  // the trial count and the note by the window's and the table's own.
  function columnCaption(key) {
    return app.call("caption", [key], [], false) || { trials: $("Label1").textContent, note: "注記" }[key] || key;
  }

  function fillRows(table, captions, rows, mark) {
    table.tHead.rows[0].replaceChildren(...captions.map((caption) => {
      const th = document.createElement("th");
      th.scope = "col";
      th.textContent = caption;
      return th;
    }));
    const body = document.createDocumentFragment();
    for (const cells of rows) {
      const tr = document.createElement("tr");
      if (mark?.(cells)) tr.className = "no-head";
      for (const cell of cells) tr.insertCell().textContent = cell;
      body.append(tr);
    }
    table.tBodies[0].replaceChildren(body);
  }

  const tableJob = new app.Job({ name: "table", element: $("tableSection"), summary: $("tableSummary"), link: $("tableDownload") });
  function runTable() {
    const [diameter, , min, max] = app.entries();
    const by = $("tableBy").value, bracketed = by === "flows" && $("tableBracket").checked;
    const range = ["tableFrom", "tableTo", "tableStep"].map((id) => $(id).value.trim()).join(":");
    // The window's bracket as typed: the companion decides what a blank end means.
    const args = ["table", "-d", diameter, `--${by}`, range, "--flow-unit", unit().name,
                  ...(bracketed ? ["--min", min, "--max", max] : [])];
    tableJob.run({ args }, (r, stderr) => {
      const { header, rows, count } = app.csvLines(r.stdout, tableShown);
      const note = header.indexOf("note");
      const shown = rows.map((cells) => cells.map((cell, i) => (i === note ? noteWords(cell) : cell)));
      const captions = header.map(columnCaption);
      fillRows($("tableRows"), captions, shown);
      const weir = view.curve?.ok ? view.curve.diameter_text : diameter.trim();
      const [from, to, step] = range.split(":"), inUnit = by === "heads" ? "mm" : unit().symbol;
      const title = `D = ${weir} mm、${by === "heads" ? "越流高さ" : "流量"} ${from} 〜 ${to} ${inUnit}、刻み ${step} ${inUnit}` +
        (by === "flows" ? (bracketed ? `、窓の挟込み範囲 ${min} 〜 ${max} mm で` : "、上昇側") : "");
      app.sheet.table({ title, captions, rows: shown, count });
      const summary = `${count} 行` + (count > tableShown ? `（先頭の ${tableShown} 行を表示、全行はCSVに）` : "") +
        (stderr ? ` ${stderr}` : "");
      const name = `vordanel-${by === "heads" ? "heads" : "table"}-D${weir.replace(/[^0-9A-Za-z.+-]/g, "_")}.csv`;
      return { summary, download: { bytes: r.stdout, name } };
    });
  }

  // ---- The batch, by `vordanel-cli batch` ----

  const batchJob = new app.Job({ name: "batch", element: $("batchSection"), summary: $("batchSummary"),
                                 link: $("batchDownload"), bar: $("batchProgress") });
  // weirs.csv → weirs-heads.csv
  const headsName = (name) => `${name.replace(/(.)\.[^./\\]*$/, "$1")}-heads.csv`;
  async function runBatch(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    batchJob.run({ args: null, bytes, running: `${file.name} を計算中…`, shown: batchShown + 1 }, (r) => {
      const [header = [], ...rows] = app.previewRecords(r.preview);
      const head = header.indexOf("head_mm"), note = header.indexOf("note");
      const shown = rows.map((cells) => cells.map((cell, i) => (i === note ? noteWords(cell) : cell)));
      fillRows($("batchRows"), header, shown, (cells) => head >= 0 && (cells[head] ?? "") === "");
      $("batchRows").parentElement.hidden = rows.length === 0;
      const { rows: count, failed, no_answer: noHead, reasons } = r.counts;
      $("batchReasons").replaceChildren(...Object.entries(reasons).map(([reason, n]) => {
        const li = document.createElement("li");
        li.textContent = `${noteWords(reason)}: ${n} 行`;
        return li;
      }));
      const seconds = `${(r.ms / 1000).toFixed(2)} 秒`;
      const summary = `${file.name}: ${count} 行を計算、うち失敗 ${failed} 行、越流高さなし ${noHead} 行 (${seconds})` +
        (rows.length > batchShown ? `。先頭の ${batchShown} 行を表示` : "");
      $("batchDownload").textContent = `${headsName(file.name)} を保存`;
      return { summary, download: { bytes: r.stdout, name: headsName(file.name) } };
    });
  }

  // ---- The link to the calculation ----

  // What the link carries: the window's entries, the unit, the head entry and the table's settings.
  let addressTimer = 0;
  const linkKeys = { d: "Text6", q: "Text1", min: "Text2", max: "Text3", head: "headEntry", from: "tableFrom", to: "tableTo", step: "tableStep" };
  function share() {
    const params = new URLSearchParams();
    for (const [key, id] of Object.entries(linkKeys)) if ($(id).value !== "") params.set(key, $(id).value);
    params.set("unit", unit().name);
    params.set("by", $("tableBy").value);
    if ($("tableBracket").checked) params.set("bracket", "1");
    const url = `${location.href.replace(/#.*$/, "")}#${params}`;
    if ($("shareLink").href === url) return;
    $("shareLink").href = url;
    // Shown whole where it is of a length to read; the address holds it all.
    $("shareLink").textContent = url.length > 300 ? `${url.slice(0, 300)}…` : url;
    // A reload opens the same calculation, once there is one to open. The address bar follows
    // once typing rests: browsers refuse a page that rewrites its address too often.
    if (!params.has("d") && !params.has("q") && location.hash === "") return;
    clearTimeout(addressTimer);
    addressTimer = setTimeout(() => {
      try { history.replaceState(null, "", $("shareLink").href); } catch { /* the link itself is there */ }
    }, 400);
  }
  // Fills in what a link carries (nothing is pressed); false for a plain open of the page.
  function openLink() {
    const params = new URLSearchParams(location.hash.slice(1));
    if (![...params.keys()].length) return false;
    if (units.some((u) => u.name === params.get("unit"))) $("flowUnit").value = params.get("unit");
    if (["flows", "heads"].includes(params.get("by"))) $("tableBy").value = params.get("by");
    tableCaptions();
    $("tableBracket").checked = params.get("bracket") === "1";
    for (const [key, id] of Object.entries(linkKeys)) if (params.has(key)) $(id).value = params.get(key);
    return true;
  }

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
    app.announce("リンクをコピーしました");
  }

  // ---- Wiring ----

  function start() {
    for (const id of app.entryIds) $(id).addEventListener("input", schedule);
    $("headEntry").addEventListener("input", schedule);
    $("headSection").addEventListener("vordanel-head-done", schedule);
    $("flowUnit").addEventListener("change", () => {
      try { localStorage.setItem("vordanel.flowUnit", $("flowUnit").value); } catch { /* storage may be off */ }
      tableCaptions();
      schedule();
    });
    $("tableBy").addEventListener("change", () => { tableCaptions(); schedule(); });
    for (const id of ["tableFrom", "tableTo", "tableStep", "tableBracket"]) $(id).addEventListener("input", schedule);
    $("tableRun").addEventListener("click", runTable);
    $("printSheet").addEventListener("click", () => { app.sheet.stamp(); print(); });
    $("copyLink").addEventListener("click", copyLink);
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
    // Alt+W moves between the window and the workbench.
    document.addEventListener("keydown", (e) => {
      if (!e.altKey || e.ctrlKey || e.metaKey || e.code !== "KeyW" || $("failure").open) return;
      e.preventDefault();
      if (bench.contains(document.activeElement)) $("Text6").focus();
      else $("curve").focus();
    });
  }

  start();
  app.core.then(() => {
    units = app.call("units", []);
    $("flowUnit").replaceChildren(...units.map((u) => new Option(u.symbol, u.name)));
    let remembered = null;
    try { remembered = localStorage.getItem("vordanel.flowUnit"); } catch { /* storage may be off */ }
    if (units.some((u) => u.name === remembered)) $("flowUnit").value = remembered;
    openLink();
    tableCaptions();
    update();
    document.documentElement.dataset.vordanel = "ready";
    // The workers start while the page is idle, so that the first table or batch does not wait.
    const warm = () => [tableJob, batchJob, headJob].forEach((job) => job.warm());
    if (window.requestIdleCallback) requestIdleCallback(warm, { timeout: 2000 });
    else setTimeout(warm, 500);
  });
})();
