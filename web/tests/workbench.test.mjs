// The workbench beside the window, in the browser VORDANEL_BROWSER names: the curve's heads after
// the worked runs, a rating table and a batch downloaded and compared byte for byte with the
// companion, vordanel.run against the companion, the page at desktop and phone sizes, and the page
// as one file that asks for nothing beyond itself. Needs VORDANEL_PAGE and VORDANEL_CLI.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { readdirSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { basename, join } from "node:path";
import { built, click, enter, fill, finish, launch, linkBytes, native, open, scratch, until } from "./driver.mjs";

let session, files;
before(async () => {
  session = await launch();
  files = scratch("files");
});
after(async () => {
  await session?.close();
  rmSync(files, { recursive: true, force: true });
});

// Bytes as text where they are UTF-8, so that a difference reads plainly, and in hex where not.
function text(bytes) {
  try {
    return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
  } catch {
    return `bytes ${bytes.toString("hex")}`;
  }
}

// A number as a whole token of a text: 47.1 is not found in 147.12.
const names = (text, number) => new RegExp(`(^|[^0-9.])${number.replace(".", "\\.")}(?![0-9])`).test(text);

// The companion's own figures for one weir and flow: the window's head for the bracket, the
// rising-side head with its trials, the curve's peak and, where the bracket holds two, the other head.
function companion([d, q, min, max]) {
  const line = (out, caption) => out.split("\n").find((l) => l.startsWith(caption))?.slice(caption.length + 1);
  const bracketed = native(["head", "-d", d, "-q", q, "--min", min, "--max", max]);
  const rising = native(["head", "-d", d, "-q", q]);
  const above = native(["head", "-d", d, "-q", "1e30"]);
  const peak = `${above.stdout}${above.stderr}`.match(/at most ([0-9.]+) L\/min.* head of ([0-9.]+) mm/s);
  const other = bracketed.stdout.toString().match(/the other is ([0-9.]+) mm/);
  return {
    window: line(bracketed.stdout.toString(), "越流高さ(mm) [底部から]") ?? "",
    rising: rising.status === 0 ? [line(rising.stdout.toString(), "越流高さ(mm) [底部から]"), line(rising.stdout.toString(), "Trial回数")] : null,
    peakFlow: peak[1], peakHead: peak[2], other: other?.[1] ?? null,
  };
}

test("after the worked runs the workbench names the rising-side head, the peak and the other head", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [
    ["100", "40", "1", "250"], ["100", "40", "1", "99"], ["50", "60", "1", "70"], ["200", "100", "10", "150"],
    ["123.4", "56.78", "0.5", "200.25"], ["100", "300", "1", "250"], ["100", "40", "60", "99"],
  ];
  for (const entries of rows) {
    const expected = companion(entries);
    await enter(page, entries, { typed: false });
    await click(page);
    assert.equal(await page.$eval("#Text4", (e) => e.value), expected.window, entries.join(" "));
    const shown = await page.evaluate(() => {
      const text = (id) => document.getElementById(id).textContent, other = document.getElementById("otherHead");
      return { rising: text("risingHead"), peakFlow: text("peakFlow"), peakHead: text("peakHead"),
               other: other.checkVisibility() ? other.textContent : null,
               drawn: [...document.querySelectorAll("#curve path, #curve polyline")].some((e) => e.getTotalLength() > 0) };
    });
    if (expected.rising) {
      for (const figure of expected.rising) assert.ok(names(shown.rising, figure), `${entries}: ${shown.rising} lacks ${figure}`);
    } else {
      // A flow above the greatest there is has no head: the workbench says so, naming the greatest.
      assert.ok(names(shown.rising, expected.peakFlow) && /超え/.test(shown.rising), `${entries}: ${shown.rising}`);
    }
    assert.ok(names(shown.peakFlow, expected.peakFlow) && shown.peakFlow.includes("L/min"), `${entries}: ${shown.peakFlow}`);
    assert.ok(names(shown.peakHead, expected.peakHead) && shown.peakHead.includes("mm"), `${entries}: ${shown.peakHead}`);
    if (expected.other) assert.ok(shown.other !== null && names(shown.other, expected.other), `${entries}: ${shown.other}`);
    else assert.equal(shown.other, null, entries.join(" "));
    assert.ok(shown.drawn, "the curve is drawn");
  }
  // The worked run the README tells of, in the companion's figures and so on the page.
  assert.deepEqual(companion(["100", "40", "1", "250"]),
                   { window: "205.81", rising: ["47.1", "11"], peakFlow: "203.26", peakHead: "149.09", other: "47.1" });
  await finish(opened);
});

test("a rating table, shown and downloaded, is the companion's table, on the rising side unless the window's bracket is asked for", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [  // the window's entries, from, to and step in L/min, and whether the window's bracket is used
    [["100", "40", "1", "250"], "10", "210", "20", false],
    [["100", "40", "1", "250"], "10", "210", "20", true],
    [["100", "40", "", ""], "0.5", "250", "0.5", true],
    [["123.4", "1", "5", ""], "1", "9", "1", true],
    [["1500", "25000", "1", "3000"], "1000", "100000", "999.5", false],
  ];
  // A table of ten million rows, superseded at once, is cancelled rather than waited for.
  await enter(page, ["100", "40", "1", "250"], { typed: false });
  await fill(page, [["tableFrom", "0.00002"], ["tableTo", "200"], ["tableStep", "0.00002"]]);
  await page.click("#tableRun");
  await fill(page, [["tableFrom", "1"], ["tableTo", "3"], ["tableStep", "1"]]);
  await until(page, "vordanel-table-done", () => page.click("#tableRun"), 10_000);
  assert.deepEqual(await linkBytes(page, "a#tableDownload"), native(["table", "-d", "100", "--flows", "1:3:1"]).stdout);
  for (const [entries, from, to, step, bracketed] of rows) {
    const name = `${entries} ${from}:${to}:${step}${bracketed ? " in the window's bracket" : ""}`;
    const expected = native(["table", "-d", entries[0], "--flows", `${from}:${to}:${step}`, "--flow-unit", "L/min",
                             ...(bracketed ? ["--min", entries[2], "--max", entries[3]] : [])]);
    await enter(page, entries, { typed: false });
    await fill(page, [["tableFrom", from], ["tableTo", to], ["tableStep", step]]);
    await page.$eval("#tableBracket", (e, on) => { if (e.checked !== on) e.click(); }, bracketed);
    await until(page, "vordanel-table-done", () => page.click("#tableRun"));
    const state = await page.$eval("#tableSection", (e) => e.dataset.state);
    if (expected.status === 2 && expected.stdout.length === 0) {
      // One blank end: told in Japanese, naming both ends, and the table before it gone.
      assert.equal(state, "failed", name);
      assert.match(await page.$eval("#tableSummary", (e) => e.textContent), /^解の挟込最小値\(mm\)と挟込最大値\(mm\)の両方を/, name);
      assert.deepEqual(await page.$$eval("#tableRows tbody tr", (rows) => rows.length), 0, name);
      continue;
    }
    assert.equal(state, "done", name);
    const csv = expected.stdout.toString().trimEnd().split("\n").slice(1).map((l) => l.split(","));
    const cells = await page.evaluate(() => [...document.querySelectorAll("#tableRows tbody tr")]
      .map((tr) => [...tr.cells].map((c) => c.textContent.trim())));
    assert.equal(cells.length, csv.length, `${name}: rows shown`);
    assert.deepEqual(cells.map((r) => r.slice(0, 3)), csv.map((r) => r.slice(0, 3)), name);
    // Notes in words, where the CSV keeps the companion's keys.
    cells.forEach((r, i) => assert.ok(csv[i][3] === "" ? r[3] === "" : r[3] !== "" && !/[a-z]_[a-z]/.test(r[3]), `${name}: note ${r[3]}`));
    assert.deepEqual(await linkBytes(page, "a#tableDownload"), expected.stdout, name);
    assert.equal(await page.$eval("a#tableDownload", (a) => a.download), `vordanel-table-D${entries[0]}.csv`);
  }
  await finish(opened);
});

test("a flow table's range follows the unit: converted where it is a number, emptied and said where it is not; a heads table's stays", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [  // the table's kind, its range typed in one unit, the unit switched to, the range then ("" emptied)
    ["flows", "10:200:10", "L/min", "m3/h", "0.6:12:0.6"],
    ["flows", "30:300:30", "L/min", "L/s", "0.5:5:0.5"],
    ["flows", "0.5:5:0.5", "L/s", "m3/min", "0.03:0.3:0.03"],
    ["flows", "１０:x:10", "L/min", "m3/h", "0.6::0.6"],
    ["heads", "10:140:10", "L/min", "m3/h", "10:140:10"],
  ];
  const range = () => page.evaluate(() => ["tableFrom", "tableTo", "tableStep"].map((id) => document.getElementById(id).value).join(":"));
  // The table's heads: a flow table's second column, a heads table's first.
  const heads = (by) => page.$$eval("#tableRows tbody tr", (trs, column) => trs.map((tr) => tr.cells[column].textContent), by === "flows" ? 1 : 0);
  await enter(page, ["100", "40", "1", "250"], { typed: false });
  for (const [by, typed, from, to, expected] of rows) {
    const name = `${by} ${typed} ${from} → ${to}`;
    await page.select("#flowUnit", from);
    await page.select("#tableBy", by);
    const [a, b, c] = typed.split(":");
    await fill(page, [["tableFrom", a], ["tableTo", b], ["tableStep", c]]);
    const before = expected.includes("::") ? null : (await until(page, "vordanel-table-done", () => page.click("#tableRun")), await heads(by));
    await page.select("#flowUnit", to);
    await page.evaluate(() => app.drawn());
    assert.equal(await range(), expected, name);
    const notice = await page.$eval("#tableNotice", (e) => (e.hidden ? "" : e.textContent));
    if (by === "heads") assert.equal(notice, "", name);
    else {
      const symbols = await page.$$eval("#flowUnit option", (options, units) => units.map((u) => options.find((o) => o.value === u).textContent), [from, to]);
      assert.ok(symbols.every((sym) => notice.includes(sym)), `${name}: ${notice}`);
      assert.equal(/空に/.test(notice), expected.includes("::"), `${name}: ${notice}`);
    }
    if (!before) continue;
    // The same table, in the new unit: its heads are the rows' heads before.
    await until(page, "vordanel-table-done", () => page.click("#tableRun"));
    const after = await heads(by);
    assert.ok(after.length > 0, name);
    assert.deepEqual(after, before, name);
  }
  await page.select("#flowUnit", "L/min");  // the unit the browser remembers for the tests after
  await finish(opened);
});

test("a batch file, dropped in, downloads the companion's heads under its own name", async () => {
  // Title lines above the header, as sheets are kept: passed through, and not shown as the header.
  const titles = ["\u6c88\u6bbf\u6c60 No.3", ""];
  const long = "\u9577".repeat(5000);  // a cell far longer than a preview shows
  const lines = [...titles, "site,diameter_mm,flow_lpm,min_mm,max_mm", `${long},100,40,1,99`, "A,100,40,1,99", "B,100,40,1,250", "C,0,40,1,99",
                 "D,100,x,1,99", "E,50,60,1,70", "F,100,300,1,250", "\"G, north\",200,100,10,150", "H,100,40,60,99", "I,100,40"];
  for (let i = 0; i < 3000; ++i) lines.push(`r${i},${10 + i % 500},${(0.5 + (i * 7) % 300).toFixed(2)},1,${(20 + i % 700)}`);
  const file = join(files, "gauges.csv");
  writeFileSync(file, lines.join("\r\n") + "\r\n");
  const expected = native(["batch", file]);
  const out = expected.stdout.toString().trimEnd().split(/\r?\n/).slice(titles.length + 1);

  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  // Every value the progress bar takes on the way.
  await page.$eval("progress#batchProgress", (bar) => {
    window.progressSeen = [];
    new MutationObserver(() => window.progressSeen.push([bar.value, bar.max])).observe(bar, { attributes: true });
  });
  const input = await page.$("input#batchFile");
  await until(page, "vordanel-batch-done", () => input.uploadFile(file));
  assert.equal(await page.$eval("#batchSection", (e) => e.dataset.state), "done");
  const link = await page.$eval("a#batchDownload", (a) => a.download);
  assert.equal(link, `${basename(file, ".csv")}-heads.csv`);
  assert.deepEqual(await linkBytes(page, "a#batchDownload"), expected.stdout);
  const seen = await page.evaluate(() => window.progressSeen);
  assert.ok(seen.some(([value, max]) => value > 0 && value < max), `the bar moved on the way: ${JSON.stringify(seen)}`);
  // Full at the end by the worker's own count of the bytes it read: the whole file.
  assert.deepEqual(seen.at(-1), [statSync(file).size, statSync(file).size], "the bar is full at the end");
  // The counts, by reason, as the companion tells them on standard error.
  const told = expected.stderr.toString();
  const failed = told.match(/(\d+) row\(s\) failed/)?.[1] ?? "0", noHead = told.match(/(\d+) row\(s\) without/)?.[1] ?? "0";
  assert.ok(failed !== "0" && noHead !== "0", `the file has failing rows and rows without a head: ${told}`);
  const summary = await page.$eval("#batchSummary", (e) => e.textContent);
  assert.ok(names(summary, String(out.length)) && names(summary, failed) && names(summary, noHead), `${summary}: ${told}`);
  const reasons = await page.$$eval("#batchReasons li", (all) => all.map((e) => e.textContent));
  for (const [, reason, n] of told.matchAll(/[(,] ?([a-z_]+): (\d+)/g))
    assert.ok(reasons.some((r) => names(r, n) && !r.includes(reason)), `${reason}: ${n} in words among ${reasons}`);
  // The first rows shown, those without a head marked.
  assert.equal(await page.$eval("#batchRows thead th", (th) => th.textContent), "site");
  assert.equal(await page.$eval("#batchRows tbody td", (td) => td.textContent), long.slice(0, 200) + "\u2026");
  const shown = await page.$$eval("#batchRows tbody tr", (rows) => rows.map((tr) => tr.classList.contains("no-head")));
  const heads = out.map((line) => line.split(",").at(-3));
  assert.deepEqual(shown, heads.slice(0, shown.length).map((h) => h === ""));
  await finish(opened);
});

test("a batch whose first rows outweigh a preview shows as many as it holds and says how many", async () => {
  // Megabytes of cells in each of 40 rows: the preview is drawn from the output's first
  // megabytes, the download is all of it.
  const lines = ["site,diameter_mm,flow_lpm"];
  for (let i = 0; i < 40; ++i) lines.push(`${String(i % 10).repeat(300_000)},100,${10 + i}`);
  const file = join(files, "wide.csv");
  writeFileSync(file, lines.join("\n") + "\n");
  assert.equal(native(["batch", file, "-o", `${file}.heads`]).status, 0);
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await until(page, "vordanel-batch-done", async () => (await page.$("input#batchFile")).uploadFile(file));
  const heads = readFileSync(`${file}.heads`);
  assert.ok((await linkBytes(page, "a#batchDownload")).equals(heads), "the download is the companion's");
  // Every row shown whole: none cut short where the kept start ends.
  const rows = await page.$$eval("#batchRows tbody tr", (all) => all.map((tr) => [...tr.cells].map((td) => td.textContent)));
  const out = heads.toString().trimEnd().split("\n").slice(1).map((line) => line.split(","));
  assert.ok(rows.length > 0 && rows.length < 40, `${rows.length} rows shown`);
  rows.forEach((cells, i) => assert.deepEqual(cells, [out[i][0].slice(0, 200) + "\u2026", ...out[i].slice(1)], `row ${i + 1}`));
  const cells = rows;
  const summary = await page.$eval("#batchSummary", (e) => e.textContent);
  assert.ok(names(summary, "40") && names(summary, String(cells.length)), summary);
  await finish(opened);
});

test("vordanel.run answers every command as the companion does, byte for byte", async () => {
  const csv = "diameter_mm,flow_lpm,min_mm,max_mm\n100,40,1,99\n0,40,1,99\n100,40\n1e300,1,1,2\n100,40,60,99\n";
  const commands = {
    "head in a bracket": [["head", "-d", "100", "-q", "40", "--min", "1", "--max", "99"]],
    "head with two heads": [["head", "-d", "100", "-q", "40", "--min", "1", "--max", "250"]],
    "head on the rising side": [["head", "-d", "100", "-q", "40"]],
    "head as JSON": [["head", "-d", "100", "-q", "40", "--json"]],
    "head as JSON, no solution": [["head", "-d", "100", "-q", "40", "--min", "60", "--max", "99", "--json"]],
    "flow above the greatest": [["head", "-d", "100", "-q", "300"]],
    "bad entry": [["head", "-d", "abc", "-q", "40"]],
    "bad bracket": [["head", "-d", "100", "-q", "40", "--min", "0", "--max", "99"]],
    "table": [["table", "-d", "100", "--min", "1", "--max", "250", "--flows", "20:220:20"]],
    "table, rising side": [["table", "-d", "250", "--flows", "0.5:1000:0.5"]],
    "table, bad flows": [["table", "-d", "100", "--flows", "20:10:0"]],
    "batch from standard input": [["batch"], csv],
    "batch from -, CRLF and a BOM": [["batch", "-"], "\ufeff" + csv.replaceAll("\n", "\r\n")],
    "batch, empty input": [["batch"], ""],
    "batch of bytes that are not UTF-8": [["batch"], Buffer.from("diameter_mm,flow_lpm\n100,40\n\xe9,40\n", "latin1")],
    "flow": [["flow", "-d", "100", "--head", "50"]],
    "flow, bad head": [["flow", "-d", "100", "--head", "-5"]],
    "flow as JSON in m³/h": [["flow", "-d", "100", "--head", "180", "--flow-unit", "m³/h", "--json"]],
    "table by heads": [["table", "-d", "100", "--heads", "20:240:20", "--flow-unit", "L/s"]],
    "flow at no head": [["flow", "-d", "100", "--head", "0"]],
    "table by staff readings": [["table", "-d", "100", "--heads", "0:250:25", "--gauge-zero", "12.5", "--flow-unit", "m3/h"]],
    "gauge": [["gauge", "-d", "300", "--flow-unit", "L/s", "--gauge-zero", "50", "--date", "2026-12-09"]],
    "batch in Shift_JIS": [["batch"], Buffer.from("898182cc8c61286d6d292c97ac97ca284c2f6d696e290d0a3130302c34300d0a", "hex")],
    "--help": [["--help"]],
    "head --help": [["head", "--help"]],
    "--version": [["--version"]],
    "no command": [[]],
    "unknown command": [["weir"]],
    "usage error": [["head", "-d", "100"]],
    "unknown option": [["table", "-d", "100", "--flows", "1:2:1", "--rows", "3"]],
  };
  // And a seeded spread of entries, their search traced pass by pass, as text and as JSON: every
  // number the trace prints goes through the same number text in both builds.
  let seed = 20261209;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  const number = () => (random() < 0.2 ? (random() * 10 ** (Math.floor(random() * 12) - 6)).toPrecision(1 + Math.floor(random() * 6))
    : (random() * 500).toFixed(Math.floor(random() * 4)));
  for (let i = 0; i < 40; ++i) {
    const args = ["head", "-d", number(), "-q", number(), "--min", number(), "--max", number(), "--trace",
                  ...(i % 2 ? ["--json"] : []), ...(i % 3 ? [] : ["--flow-unit", "m3/h"])];
    commands[`traced ${args.join(" ")}`] = [args];
  }
  commands["traced, a tiny bracket end"] = [["head", "-d", "100", "-q", "40", "--min", "0.1", "--max", "99", "--trace"]];
  commands["traced, a tiny bracket end, JSON"] = [["head", "-d", "100", "-q", "40", "--min", "0.1", "--max", "99", "--trace", "--json"]];
  const opened = await open(session), { page } = opened;
  for (const [name, [args, input = ""]] of Object.entries(commands)) {
    const expected = native(args, input);
    const got = await page.evaluate(async (args, input) => {
      const r = await window.vordanel.run(args, typeof input === "string" ? input : new Uint8Array(input));
      const bytes = (v) => typeof v === "string" ? [...new TextEncoder().encode(v)] : [...new Uint8Array(v)];
      return { status: r.status, stdout: bytes(r.stdout), stderr: bytes(r.stderr) };
    }, args, typeof input === "string" ? input : [...input]);
    const readable = ({ status, stdout, stderr }) => ({ status, stdout: text(Buffer.from(stdout)), stderr: text(Buffer.from(stderr)) });
    assert.deepEqual(readable(got), readable(expected), name);
  }
  await finish(opened);
});

// The page's layout at a size: where the window and the workbench sit, and what scrolls.
async function layout(page) {
  return page.evaluate(() => {
    const box = (e) => { const r = e.getBoundingClientRect(); return { left: r.left, top: r.top, right: r.right, bottom: r.bottom }; };
    const curve = document.getElementById("curve");
    let bench = curve;  // the smallest element holding the curve, the table and the batch
    while (!bench.contains(document.getElementById("batchFile")) || !bench.contains(document.getElementById("tableRun"))) bench = bench.parentElement;
    // The entries of numbers; the sheet's title block takes free text.
    const fields = [...bench.querySelectorAll("input:not([type=file]):not([type=checkbox]):not([type=text])")].map((e) => ({
      id: e.id, inputmode: e.inputMode, font: parseFloat(getComputedStyle(e).fontSize),
      label: [...e.labels].map((l) => l.textContent).join(" "),
    }));
    return {
      window: box(document.getElementById("VORDANEL")), label11: box(document.getElementById("Label11")),
      bench: box(bench), fields,
      view: { width: document.documentElement.clientWidth, height: document.documentElement.clientHeight },
      scroll: { width: document.documentElement.scrollWidth, x: scrollX, y: scrollY },
    };
  });
}

test("the page fits a desktop beside the window and a phone below it; one file under 1 MB", async () => {
  assert.ok(statSync(built).size < 1_000_000, `vordanel.html weighs ${statSync(built).size} bytes`);
  const inView = (r, v) => r.left >= 0 && r.top >= 0 && r.right <= v.width && r.bottom <= v.height;
  const sizes = {
    "desktop, 1280×800": [{ width: 1280, height: 800 }, (l) => {
      assert.ok(inView(l.window, l.view) && inView(l.bench, l.view), `not both in view: ${JSON.stringify(l)}`);
      assert.ok(l.window.right <= l.bench.left, "the workbench is beside the window");
    }],
    "phone, 360×640": [{ width: 360, height: 640 }, (l) => {
      assert.ok(l.scroll.width <= l.view.width, `the page scrolls sideways: ${l.scroll.width} > ${l.view.width}`);
      assert.ok(l.window.top >= 0 && l.window.left >= 0 && l.window.right <= l.view.width, JSON.stringify(l.window));
      assert.ok(l.window.bottom <= l.bench.top, "the workbench is below the window");
    }],
    "phone on its side, 568×320": [{ width: 568, height: 320 }, (l) => {
      assert.ok(l.label11.top >= 0 && l.label11.left >= 0, `the ※ caption is cut off: ${JSON.stringify(l.label11)}`);
      assert.ok(l.window.top >= 0 && l.window.left >= 0, JSON.stringify(l.window));
    }],
  };
  for (const [name, [viewport, check]] of Object.entries(sizes)) {
    const opened = await open(session, viewport), { page } = opened;
    const l = await layout(page);
    check(l);
    assert.ok(l.fields.length >= 3, name);
    for (const f of l.fields) {
      assert.ok(["decimal", "numeric"].includes(f.inputmode), `${name}: #${f.id} brings no number keypad`);
      assert.ok(f.font >= 16, `${name}: #${f.id}'s ${f.font}px text makes a phone zoom in`);
      assert.ok(/[\u3040-\u30ff\u4e00-\u9fff]/.test(f.label) && /\((mm|L\/min|分|%)\)/.test(f.label), `#${f.id}: "${f.label}"`);
    }
    await finish(opened);
  }
});


test("every curve label lies whole inside the plot, clear of the others and of every line drawn, over weirs, flows, brackets and units", async () => {
  const grid = [];
  for (const d of ["100", "200", "300", "50", "1500"])
    for (const q of ["40", "5", "20"])
      for (const [min, max] of [["1", "250"], ["1", "99"]])
        for (const unit of ["L/min", "L/s", "m3/h"]) grid.push([d, q, min, max, unit]);
  for (const d of ["300", "500"])
    for (const q of ["1056", "300", "5000"])
      for (const unit of ["L/min", "m3/h"]) grid.push([d, q, "1", "299", unit]);
  for (const viewport of [{ width: 1280, height: 800 }, { width: 360, height: 640 }]) {
    const opened = await open(session, viewport), { page } = opened;
    const faults = await page.evaluate(async (grid, wide) => {
      const $ = (id) => document.getElementById(id), found = [];
      const set = (id, value) => { $(id).value = value; $(id).dispatchEvent(new Event(id === "flowUnit" ? "change" : "input", { bubbles: true })); };
      const inside = (a, b) => a.x >= b.x - 0.5 && a.y >= b.y - 0.5 && a.x + a.width <= b.x + b.width + 0.5 && a.y + a.height <= b.y + b.height + 0.5;
      const apart = (a, b) => a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y || b.y + b.height <= a.y;
      // Whether a segment passes through a box's inside: sampled finely enough for the plot's scale.
      const crosses = ([x1, y1, x2, y2], b) => {
        const n = Math.ceil(Math.hypot(x2 - x1, y2 - y1) / 0.25) + 1;
        for (let i = 0; i <= n; ++i) {
          const x = x1 + ((x2 - x1) * i) / n, y = y1 + ((y2 - y1) * i) / n;
          if (x > b.x && x < b.x + b.width && y > b.y && y < b.y + b.height) return true;
        }
        return false;
      };
      for (const [d, q, min, max, unit] of grid) {
        set("flowUnit", unit);
        ["Text6", "Text1", "Text2", "Text3"].forEach((id, i) => set(id, [d, q, min, max][i]));
        const answered = new Promise((resolve) => $("VORDANEL").addEventListener("vordanel-answered", resolve, { once: true }));
        const headDone = new Promise((resolve) => $("headSection").addEventListener("vordanel-head-done", resolve, { once: true }));
        set("headEntry", String(Number(d) * 0.3));
        $("Command1").click();
        await Promise.all([answered, headDone]);
        await new Promise((resolve) => requestAnimationFrame(resolve));
        const name = `D ${d}, Q ${q}, ${min}〜${max}, ${unit}`;
        const plot = $("curve").querySelector("rect.plot").getBBox();
        // The drawing on screen, and the file made of it as another document lays it out.
        // The file is made once the drawing rests: the one of this drawing.
        const file = document.createElement("div");
        document.body.append(file);
        const curveOf = (svg) => svg?.querySelector("path.curve")?.getAttribute("d");
        do {
          await new Promise((resolve) => requestAnimationFrame(resolve));
          file.innerHTML = $("curveSvg").href ? await (await fetch($("curveSvg").href)).text() : "";
        } while (curveOf(file.querySelector("svg")) !== curveOf($("curve")));
        for (const [where, svg] of [["screen", $("curve")], ["file", file.querySelector("svg")]]) {
          const labels = [...svg.querySelectorAll(".labels text")].map((t) => ({ text: t.textContent, box: t.getBBox() }));
          if ((wide || $("Text4").value !== "") && !labels.some((l) => /mm$/.test(l.text))) found.push(`${name}, ${where}: no head label`);
          // A phone's plot may have no room for the peak's label at a readable size: the facts under
          // the curve say it.
          if (wide && !labels.some((l) => l.text.includes("・"))) found.push(`${name}, ${where}: no peak label`);
          for (const [i, a] of labels.entries()) {
            if (!inside(a.box, plot)) found.push(`${name}, ${where}: "${a.text}" leaves the plot`);
            for (const b of labels.slice(i + 1)) if (!apart(a.box, b.box)) found.push(`${name}, ${where}: "${a.text}" covers "${b.text}"`);
          }
          // Each segment drawn: the curve's path, the lines and the bracket's edges; a leader may
          // touch only the label it leads to.
          const segments = [];
          const points = [...svg.querySelector("path.curve").getAttribute("d").matchAll(/[ML]([-0-9.e]+) ([-0-9.e]+)/g)].map((m) => [Number(m[1]), Number(m[2])]);
          points.slice(1).forEach((p, i) => segments.push({ what: "the curve", at: [...points[i], ...p] }));
          for (const line of svg.querySelectorAll("line:not(.grid):not(.cursor)"))
            segments.push({ what: line.getAttribute("class"), at: ["x1", "y1", "x2", "y2"].map((k) => line[k].baseVal.value) });
          for (const r of svg.querySelectorAll("rect.bracket")) {
            const b = r.getBBox();
            for (const x of [b.x, b.x + b.width]) segments.push({ what: "the bracket's edge", at: [x, b.y, x, b.y + b.height] });
          }
          for (const { what, at } of segments)
            for (const { text, box } of labels) {
              const ends = at[2] >= box.x - 0.01 && at[2] <= box.x + box.width + 0.01 && at[3] >= box.y - 0.01 && at[3] <= box.y + box.height + 0.01;
              if (what === "leader" && ends) continue;
              if (crosses(at, box)) found.push(`${name}, ${where}: "${text}" is crossed by ${what}`);
            }
        }
        file.remove();
        // Ticks and axis titles inside the drawing, in the page and in the file drawn from it.
        const frame = { x: 0, y: 0, width: 560, height: 330 };
        for (const t of $("curve").querySelectorAll(".tick, .axis-title")) {
          // The box as drawn: a turned title's corners through its own transform.
          const box = t.getBBox(), m = t.transform.baseVal.consolidate()?.matrix ?? new DOMMatrix();
          const corners = [[box.x, box.y], [box.x + box.width, box.y + box.height]].map(([x, y]) => new DOMPoint(x, y).matrixTransform(m));
          const xs = corners.map((c) => c.x), ys = corners.map((c) => c.y);
          const drawn = { x: Math.min(...xs), y: Math.min(...ys), width: Math.abs(xs[1] - xs[0]), height: Math.abs(ys[1] - ys[0]) };
          if (!inside(drawn, frame)) found.push(`${name}: "${t.textContent}" is cut`);
        }
      }
      return found;
    }, grid, viewport.width >= 900);
    assert.deepEqual(faults, [], `${viewport.width} px wide`);
    await finish(opened);
  }
});

test("the page's sources compose no word of the domain: every word comes from the core's catalogue", () => {
  const folder = new URL("../", import.meta.url);
  const sources = readdirSync(folder, { withFileTypes: true }).filter((d) => d.isDirectory() && d.name !== "tests")
    .flatMap((d) => readdirSync(new URL(`${d.name}/`, folder)).map((f) => `${d.name}/${f}`))
    .filter((f) => /\.(js|cpp|py|html\.in|css)$/.test(f));
  // Comments may say what they like; strings, template text and style may not.
  const uncommented = {
    js: (t) => t.replace(/\/\/.*$/gm, ""),
    cpp: (t) => t.replace(/\/\*[\s\S]*?\*\//g, "").replace(/\/\/.*$/gm, ""),
    py: (t) => t.replace(/#.*$/gm, ""),
    in: (t) => t.replace(/<!--[\s\S]*?-->/g, "").replace(/\/\/.*$/gm, ""),
    css: (t) => t.replace(/\/\*[\s\S]*?\*\//g, ""),
  };
  for (const kind of ["js", "cpp", "py", "html.in", "css"])
    assert.ok(sources.some((f) => f.endsWith(`.${kind}`)), `no .${kind} file where this test looks: ${sources}`);
  assert.ok(sources.length > 15, `the page's sources are not where this test looks: ${sources}`);
  for (const name of sources) {
    const code = uncommented[name.split(".").pop()](readFileSync(new URL(name, folder), "utf8"));
    assert.deepEqual(code.match(/[\u3000-\u9fff\uff00-\uffef]+/g), null, `${name} holds Japanese words`);
  }
});

test("a sheet in Shift_JIS comes back in Shift_JIS as the companion gives it, its cells shown as they read; an unreadable one is told in Japanese", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const encode = (text) => Buffer.from(spawnSync("iconv", ["-f", "UTF-8", "-t", "CP932"], { input: text }).stdout);
  const rows = [  // name, file's bytes, what the page must show, how it says the result is saved
    ["captions in CP932, CR LF", encode("地点,堰の径(mm),流量(L/min),解の挟込最小値(mm),挟込最大値(mm)\r\n第１堰,100,40,1,99\r\n沈砂池,50,60,1,70\r\n"),
     ["第１堰", "沈砂池", "越流高さ(mm) [底部から]"], ["Shift_JIS (CP932)", "CR LF"]],
    ["keys, Japanese cells", encode("site,diameter_mm,flow_lpm\n北の堰,100,40\n"), ["北の堰"], ["UTF-8", "LF"]],
    ["full-width digits in CP932", encode("堰の径(mm),流量(L/min)\r\n１００,４０\r\n"), ["１００", "47.1"], ["Shift_JIS (CP932)"]],
    ["UTF-8 with its mark, semicolons", Buffer.from("\uFEFFdiameter_mm;flow_lpm\r\n100;40\r\n"), ["47,1"], ["UTF-8 (BOM付き)", "「;」", "CR LF"]],
  ];
  for (const [name, bytes, shown, saved] of rows) {
    const file = join(files, "sjis.csv");
    writeFileSync(file, bytes);
    const expected = native(["batch", file]);
    await until(page, "vordanel-batch-done", async () => (await page.$("input#batchFile")).uploadFile(file));
    assert.deepEqual(await linkBytes(page, "a#batchDownload"), expected.stdout, name);
    const cells = await page.$eval("#batchRows", (t) => t.textContent);
    for (const text of shown) assert.ok(cells.includes(text), `${name}: ${text} not among ${cells}`);
    const summary = await page.$eval("#batchSummary", (p) => p.textContent);
    for (const text of saved) assert.ok(summary.includes(text), `${name}: the page does not say the result is saved in ${text}: ${summary}`);
  }
  // A header in neither UTF-8 nor Shift_JIS: which captions or keys, and CSV UTF-8, in Japanese.
  const file = join(files, "euc.csv");
  writeFileSync(file, Buffer.from(spawnSync("iconv", ["-f", "UTF-8", "-t", "EUC-JP"], { input: "堰の径(mm),流量(L/min)\n100,40\n" }).stdout));
  await until(page, "vordanel-batch-done", async () => (await page.$("input#batchFile")).uploadFile(file));
  const said = await page.$eval("#batchSummary", (e) => e.textContent);
  assert.ok(said.includes("堰の径(mm)") && said.includes("diameter_mm") && said.includes("CSV UTF-8") && !/[a-z]{4,} [a-z]{4,}/.test(said), said);
  assert.equal(await page.$$eval("#batchRows tbody tr", (r) => r.length), 0, "the last batch's rows are gone");
  await finish(opened);
});
