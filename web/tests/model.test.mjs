// A user's ways through the workbench, at random but seeded (VORDANEL_SEED, printed): typing and
// clearing entries, 計算 and クリヤ, the unit, the table's settings, the head entry, a link opened
// or pasted into the tab, a good or a bad batch, a table made, a good or a bad logger's file and the
// record's settings. After every step each figure the
// screen and the print view show is checked against the companion's answer for the entries on
// screen now; a figure that answers other entries must say so.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { rmSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { finish, launch, native, nativeJson, open, scratch } from "./driver.mjs";

const seed = Number(process.env.VORDANEL_SEED ?? 20261209);
const steps = Number(process.env.VORDANEL_STEPS ?? 200);
let session, files;
before(async () => {
  session = await launch();
  files = scratch("model");
  writeFileSync(join(files, "good.csv"), "diameter_mm,flow_lpm,min_mm,max_mm\n100,40,1,99\n200,100,10,150\n0,40,1,99\n");
  writeFileSync(join(files, "bad.csv"), "weir,pool\n1,2\n");
  // Two days and a half of ten-minute readings with an hour and a half missing; and a logger's file
  // without a level.
  const pad = (n) => String(n).padStart(2, "0"), readings = ["time,level_mm"];
  for (let i = 0; i < 360; ++i) {
    const t = new Date(Date.UTC(2026, 6, 1, 0, 10 * i));
    if (i < 100 || i >= 109) readings.push(`2026-07-${pad(t.getUTCDate())} ${pad(t.getUTCHours())}:${pad(t.getUTCMinutes())},${20 + (i % 50)}`);
  }
  writeFileSync(join(files, "logger.csv"), readings.join("\n") + "\n");
  writeFileSync(join(files, "logger-bad.csv"), "time,pegel\n2026-07-01 00:00,150\n");
});
after(async () => {
  await session?.close();
  rmSync(files, { recursive: true, force: true });
});

// mulberry32: a small generator whose sequence a seed fixes.
function generator(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = Math.imul(a ^ (a >>> 15), 1 | a);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const pools = {
  Text6: ["100", "200", "50", "abc", "", "１００", "300"],
  Text1: ["40", "5", "20", "300", "", "x"],
  Text2: ["1", "60", "", "0"],
  Text3: ["99", "250", "150", ""],
  headEntry: ["35", "50", "180", "", "-5", "５０"],
  tableFrom: ["10", "1", "20"], tableTo: ["200", "3", "10"], tableStep: ["10", "1", "0"],
  loggerDayStart: ["", "06:30", "25:00"], loggerMaxGap: ["", "30", "120", "x"],
};
// The record's settings on screen, each with the companion's option and the link's field.
const recordSettings = { loggerDayStart: ["--day-start", "day_start"], loggerMaxGap: ["--max-gap", "max_gap"] };
const units = ["L/min", "L/s", "m3/h"];

// Everything the screen and the print view show, read in one go.
async function seen(page) {
  return page.evaluate(async (settings) => {
    const $ = (id) => document.getElementById(id), text = (id) => $(id).textContent;
    const rows = (table) => [...table.tBodies[0].rows].map((tr) => [...tr.cells].map((c) => c.textContent));
    return {
      entries: ["Text6", "Text1", "Text2", "Text3"].map((id) => $(id).value),
      window: { head: $("Text4").value, trials: $("Text5").value, noSolution: !$("Label9").hidden },
      head: $("headEntry").value, unit: $("flowUnit").value, symbol: $("flowUnit").selectedOptions[0]?.textContent,
      table: { by: $("tableBy").value, from: $("tableFrom").value, to: $("tableTo").value, step: $("tableStep").value,
               bracket: $("tableBracket").checked },
      answerLabel: [...document.querySelectorAll("#curve .answer-label")].map((e) => e.textContent),
      headLabel: [...document.querySelectorAll("#curve .head-label")].map((e) => e.textContent),
      rising: text("risingHead"), other: $("otherHead").hidden ? null : text("otherHeadText"),
      peakFlow: text("peakFlow"), peakHead: text("peakHead"),
      headFlow: text("headFlow"), headState: $("headSection").dataset.state,
      readout: text("curveReadout"),
      tableState: $("tableSection").dataset.state, tableStale: $("tableSection").dataset.stale === "true",
      tableStaleShown: !$("tableStale").hidden, tableRows: rows($("tableRows")), tableSummary: text("tableSummary"),
      batchState: $("batchSection").dataset.state, batchRows: rows($("batchRows")), batchSummary: text("batchSummary"),
      batchLink: $("batchDownload").hasAttribute("href"),
      sheetAnswers: rows($("sheetAnswers")).map((r) => r.join("|")),
      sheetValues: rows($("sheetAnswers")).map((r) => r[1]), sheetEntries: rows($("sheetEntries")).map((r) => r[1]),
      sheetTable: $("sheetTableSection").hidden ? null : rows($("sheetTable")),
      link: $("shareLink").href,
      page: document.body.innerText,
      record: { state: $("recordSection").dataset.state, stale: $("recordSection").dataset.stale === "true", staleShown: !$("loggerStale").hidden,
                days: $("loggerDays").tBodies[0].rows.length, summary: text("loggerSummary"),
                settings: Object.fromEntries(Object.keys(settings).map((id) => [id, $(id).value])),
                daily: $("loggerDaily").hasAttribute("href") ? await (await fetch($("loggerDaily").href)).text() : null },
    };
  }, recordSettings);
}

const lines = (r) => r.stdout.toString().trimEnd().split("\n");
// An option as the page passes it: after "=", or apart where empty.
const option = (name, value) => (value === "" ? [name, ""] : [`${name}=${value}`]);
const valueOf = (out, caption) => out.find((l) => l.startsWith(caption))?.slice(caption.length + 1);

// The companion's answer to the window's four entries: its status, head and trial count.
function windowAnswer(entries) {
  const [d, q, min, max] = entries, args = ["head", ...option("--diameter", d), ...option("--flow", q), ...option("--min", min), ...option("--max", max)];
  const r = native(args), out = lines(r);
  return { status: r.status, head: r.status === 0 ? valueOf(out, "越流高さ(mm) [底部から]") : undefined,
           trials: r.status === 0 ? valueOf(out, "Trial回数") : undefined, out: r.stdout.toString(),
           aboveWeir: r.status === 0 && nativeJson([...args, "--json"]).above_weir };
}
const notPressed = "この入力では計算はまだ押されていません";
const any = Symbol("any");

// The companion's answers for what is on screen, and the checks of each figure against them.
// pressed: the entries 計算 was last pressed on (null: none since クリヤ), which the window's boxes
// answer; the curve and the sheet show that answer only while those are the entries on screen.
function check(s, step, pressed, logger) {
  const [d, q, min, max] = s.entries, at = `step ${step}`;
  // A press with an entry left blank is answered by the entries it needs, in words.
  const incomplete = pressed !== null && pressed.includes(""), last = pressed && !incomplete ? windowAnswer(pressed) : null;
  assert.equal(s.window.head, last?.status === 0 ? last.head : "", `${at}: the window shows the head ${s.window.head} for ${JSON.stringify(pressed)}`);
  assert.equal(s.window.trials, last?.status === 0 ? last.trials : "", `${at}: the window shows ${s.window.trials} trials`);
  assert.equal(s.window.noSolution, last?.status === 1, `${at}: the window's no-solution message`);
  const fresh = pressed !== null && pressed.every((e, i) => e === s.entries[i]);
  const answer = fresh ? last : null;
  assert.deepEqual(s.answerLabel, answer?.status === 0 ? [`計算 ${answer.head} mm`] : [],
                   `${at}: the curve marks ${JSON.stringify(s.answerLabel)} for entries ${JSON.stringify(s.entries)}`);
  if (s.other !== null) {
    const other = answer?.out.match(/the other is ([0-9.]+) mm/)?.[1];
    assert.ok(other && s.other.startsWith(`${other} mm`) && s.other.includes(`${answer.head} mm`), `${at}: ${s.other}`);
  }
  // The sheet: the entries on screen, the window's answer to them or none, then what the screen
  // shows beside the curve and for the head entry.
  s.sheetEntries.forEach((value, i) => assert.ok(value.startsWith(s.entries[i]), `${at}: the sheet prints the entry ${value}`));
  const windowRows = !answer ? [notPressed]
    : answer.status === 0 ? [answer.head, answer.trials, ...(answer.aboveWeir ? [any] : [])]
    : ["—", any];
  const headDone = s.head.trim() !== "" && (s.headState === "done" || s.headState === "failed");
  const expected = [...windowRows, s.rising, ...(s.other === null ? [] : [s.other]), s.peakFlow, s.peakHead, ...(headDone ? [s.headFlow] : [])];
  assert.equal(s.sheetValues.length, expected.length, `${at}: the sheet prints ${JSON.stringify(s.sheetAnswers)}, not ${expected.length} rows`);
  expected.forEach((value, i) => value === any || assert.equal(s.sheetValues[i], value, `${at}: the sheet prints ${s.sheetAnswers[i]}`));
  // The rising side, by the companion without a bracket.
  if (d.trim() !== "" && q.trim() !== "") {
    const rising = native(["head", ...option("--diameter", d), ...option("--flow", q)]);
    const head = valueOf(lines(rising), "越流高さ(mm) [底部から]");
    if (rising.status === 0) assert.ok(s.rising.startsWith(`${head} mm`), `${at}: rising ${s.rising}, companion ${head}`);
    else assert.ok(!/^[0-9]/.test(s.rising), `${at}: rising ${s.rising} where the companion has none`);
  }
  // The flow at the head entry, in words and on the curve.
  if (s.head.trim() !== "" && s.headState === "done") {
    const flow = nativeJson(["flow", ...option("--diameter", d), ...option("--head", s.head.trim()), `--flow-unit=${s.unit}`, "--json"]);
    if (flow.outcome === "flow") assert.ok(s.headFlow.includes(`${flow.flow_text} ${s.symbol}`), `${at}: ${s.headFlow}`);
    for (const label of s.headLabel) assert.ok(flow.outcome === "flow" && label.endsWith(`→ ${flow.flow_text} ${s.symbol}`), `${at}: ${label}`);
  } else {
    assert.deepEqual(s.headLabel, [], `${at}: a head mark without a flow for the head entry`);
    if (s.head.trim() === "") assert.equal(s.headFlow, "", `${at}: a flow for an empty head entry`);
  }
  // The read-off names a head and the flow there.
  const read = s.readout.match(/越流高さ ([0-9.]+) mm、流量 ([-0-9.e]+) /);
  if (read) {
    const flow = nativeJson(["flow", ...option("--diameter", d), `--head=${read[1]}`, `--flow-unit=${s.unit}`, "--json"]);
    assert.equal(read[2], flow.flow_text ?? "0", `${at}: ${s.readout}`);
  }
  // The table: the companion's for the settings on screen, or marked as another's.
  if (s.tableState === "done") {
    const t = s.table, bracket = t.by === "flows" && t.bracket ? [...option("--min", min), ...option("--max", max)] : [];
    const expected = native(["table", ...option("--diameter", d), `--${t.by}=${t.from}:${t.to}:${t.step}`, `--flow-unit=${s.unit}`, ...bracket]);
    const csv = lines(expected).slice(1).map((l) => l.split(",").slice(0, 2));
    const fresh = expected.stdout.length > 0 && s.tableRows.length === csv.length
      && s.tableRows.every((r, i) => r[0] === csv[i][0] && r[1] === csv[i][1]);
    if (!s.tableStale) assert.ok(fresh, `${at}: the table shown is not the companion's for the settings on screen`);
    else assert.ok(s.tableStaleShown, `${at}: a table of other settings is not marked`);
    if (s.sheetTable !== null) assert.ok(fresh && !s.tableStale, `${at}: the sheet prints a table of other settings`);
  } else {
    assert.equal(s.sheetTable, null, `${at}: the sheet prints a table that is not shown`);
    if (s.tableState === "failed") assert.deepEqual(s.tableRows, [], `${at}: a failed table leaves rows`);
  }
  if (s.batchState === "failed") assert.ok(s.batchRows.length === 0 && !s.batchLink, `${at}: a failed batch leaves the last one's rows`);
  // The link carries what is on screen.
  const params = new URL(s.link).hash.slice(1), link = new URLSearchParams(params);
  ["d", "q", "min", "max"].forEach((k, i) => assert.equal(link.get(k) ?? "", s.entries[i], `${at}: the link's ${k}`));
  assert.equal(link.get("unit"), s.unit, `${at}: the link's unit`);
  assert.ok(!/Cannot read|TypeError|undefined|NaN/.test(s.page), `${at}: the page shows a script's error`);
  checkRecord(s, at, logger);
}

// The record: the companion's `series --daily` for the logger's file last chosen and what is on
// screen (the diameter, the unit, the settings), or marked as answering other inputs, or failed
// where the companion fails and then nothing of it is to be had.
function checkRecord(s, at, logger) {
  const r = s.record, link = new URLSearchParams(new URL(s.link).hash.slice(1));
  for (const [id, [, field]] of Object.entries(recordSettings)) assert.equal(link.get(field) ?? "", r.settings[id], `${at}: the link's ${field}`);
  if (!logger) return assert.equal(r.state, "idle", `${at}: a record without a file`);
  const args = ["series", `--diameter=${s.entries[0].trim()}`, `--flow-unit=${s.unit}`,
                ...Object.entries(recordSettings).filter(([id]) => r.settings[id].trim()).map(([id, [option]]) => `${option}=${r.settings[id].trim()}`),
                "--daily", logger];
  const expected = native(args);
  if (r.stale) return assert.ok(r.staleShown && r.daily === null, `${at}: a record of other inputs is not marked, or can be downloaded`);
  if (r.state === "failed") {
    assert.notEqual(expected.status, 0, `${at}: the record failed ("${r.summary}") where the companion gives one`);
    return assert.ok(r.days === 0 && r.daily === null, `${at}: a failed record leaves days or a download`);
  }
  assert.equal(r.state, "done", `${at}: the record is ${r.state}`);
  assert.equal(expected.status, 0, `${at}: the record shows days where the companion says ${expected.stderr}`);
  assert.equal(r.daily, expected.stdout.toString(), `${at}: the days' download is not the companion's for what is on screen`);
  assert.equal(r.days, expected.stdout.toString().trimEnd().split("\n").length - 2, `${at}: a row a day`);
}

test(`random ways through the workbench show only answers to what is on screen (seed ${seed})`, async () => {
  const random = generator(seed), pick = (list) => list[Math.floor(random() * list.length)];
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const settle = () => page.evaluate(() => new Promise((resolve) => {
    const quiet = () => document.getElementById("headSection").dataset.state !== "running"
      && document.getElementById("tableSection").dataset.state !== "running"
      && document.getElementById("batchSection").dataset.state !== "running"
      && document.getElementById("recordSection").dataset.state !== "running";
    const wait = () => requestAnimationFrame(() => requestAnimationFrame(() => (quiet() ? resolve() : setTimeout(wait, 20))));
    wait();
  }));
  const set = (id, value) => page.evaluate((id, value) => {
    const e = document.getElementById(id);
    e.value = value;
    e.dispatchEvent(new Event(e.tagName === "SELECT" ? "change" : "input", { bubbles: true }));
  }, id, value);
  const actions = [
    [4, "type", () => { const id = pick(["Text6", "Text1", "Text2", "Text3"]); return set(id, pick(pools[id])); }],
    [3, "計算", () => page.evaluate(() => new Promise((resolve) => {
      const $ = (id) => document.getElementById(id);
      $("VORDANEL").addEventListener("vordanel-answered", () => { if ($("failure").open) $("failure").close(); resolve(); }, { once: true });
      $("Command1").click();
    }))],
    [1, "クリヤ", () => page.click("#Command2")],
    [1, "unit", () => set("flowUnit", pick(units))],
    [2, "head", () => set("headEntry", pick(pools.headEntry))],
    [1, "table by", () => set("tableBy", pick(["flows", "heads"]))],
    [2, "table setting", () => { const id = pick(["tableFrom", "tableTo", "tableStep"]); return set(id, pick(pools[id])); }],
    [1, "bracket", () => page.evaluate(() => document.getElementById("tableBracket").click())],
    [2, "表を作る", () => page.click("#tableRun")],
    [1, "link", () => page.evaluate((hash) => { location.hash = hash; },
      new URLSearchParams({ d: pick(pools.Text6), q: pick(pools.Text1), min: "1", max: pick(pools.Text3), head: pick(pools.headEntry),
                            unit: pick(["m³/h", "L/s", "furlongs"]), by: pick(["flows", "heads"]) }).toString())],
    [1, "batch", async () => (await page.$("#batchFile")).uploadFile(join(files, pick(["good.csv", "bad.csv"])))],
    [1, "logger's file", async () => {
      logger = join(files, pick(["logger.csv", "logger-bad.csv"]));
      await (await page.$("#loggerFile")).uploadFile(logger);
    }],
    [1, "record setting", () => { const id = pick(Object.keys(recordSettings)); return set(id, pick(pools[id])); }],
  ];
  const weighted = actions.flatMap(([weight, ...rest]) => Array(weight).fill(rest));
  const done = [];
  let pressed = null, logger = null;
  for (let step = 0; step < steps; ++step) {
    const [name, act] = pick(weighted);
    done.push(name);
    const before = name === "計算" ? (await seen(page)).entries : null;
    await act();
    await settle();
    if (name === "計算") pressed = before;
    if (name === "クリヤ") pressed = null;
    try {
      check(await seen(page), step, pressed, logger);
    } catch (e) {
      e.message += `\n(seed ${seed}; steps ${done.join(", ")})`;
      throw e;
    }
  }
  await finish(opened);
});

// The record's job through the state's update alone, a step at a time on a copy of the page's state:
// each step's effects and what the state then shows. The workers' answers are made up here; what is
// checked is only which of them the state keeps.
test("the record's job: edits and files start it again, superseded answers are dropped, a failure clears it", async () => {
  const opened = await open(session), { page } = opened;
  const failures = await page.evaluate(() => {
    const s = structuredClone(app.state), runs = [], answer = (name) => ({ view: { failed: false, daily_name: name, readings_name: name }, stdout: new Uint8Array([1]) });
    const step = (action) => {
      const started = app.update(s, action).filter((e) => e.kind === "record" && "run" in e);
      runs.push(...started);
      return started;
    };
    const token = (back = 0) => runs.at(-1 - back).token, done = (t, part, answer) => step({ type: "done", kind: "record", token: t, part, answer });
    const stale = () => s.record.shown !== null && s.record.shown.key !== app.keyNow(s, "record");
    const file = (name) => new File(["time,level_mm\n"], name);
    step({ type: "entries", values: ["100", "", "", ""] });
    const steps = [
      ["a file starts both runs on the File itself", () => step({ type: "recordFile", file: file("a.csv") }),
       (fx) => fx.length === 1 && fx[0].run.runs.length === 2 && fx[0].input === s.record.file.blob && s.jobs.record.progress.total === s.record.file.blob.size],
      ["the readings before the days wait for them", () => { done(token(), 1, answer("a")); done(token(), 0, answer("a")); },
       () => s.record.shown?.readings?.bytes.length === 1 && !stale()],
      ["an edit of the diameter starts it again and marks the shown one stale", () => step({ type: "entries", values: ["120", "", "", ""] }),
       (fx) => fx.length === 1 && token() > token(1) && stale() && s.jobs.record.status === "running"],
      ["a setting starts it again", () => step({ type: "recordSetting", name: "dayStart", value: "06:30" }), (fx) => fx.length === 1 && stale()],
      ["a superseded job's answer is dropped", () => done(token(1), 0, answer("old")), () => s.record.shown.view.daily_name === "a" && stale()],
      ["a new file supersedes the job", () => step({ type: "recordFile", file: file("b.csv") }), (fx) => fx.length === 1 && s.jobs.record.token === token()],
      ["a failure clears what it replaced and says why", () => done(token(), 0, { view: { failed: true, message: "no" } }),
       () => s.record.shown === null && s.jobs.record.status === "failed" && s.jobs.record.message === "no"],
      ["its other run says no more", () => done(token(), 1, answer("b")), () => s.record.shown === null && s.jobs.record.status === "failed"],
    ];
    return steps.filter(([, act, holds]) => !holds(act() ?? [])).map(([name]) => name);
  });
  assert.deepEqual(failures, []);
  await finish(opened);
});
