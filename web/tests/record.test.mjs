// The operator's record on the workbench, in the browser VORDANEL_BROWSER names: loggers' files in
// the forms the companion reads give downloads byte for byte `vordanel-cli series` and `series
// --daily`, a row a day and a hydrograph broken at its gaps; a bad file says why and leaves nothing
// of the record before; an edit of the diameter or a setting makes the record again. Needs
// VORDANEL_PAGE and VORDANEL_CLI.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { rmSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { fill, finish, launch, linkBytes, native, open, printed, scratch, until } from "./driver.mjs";

let session, files;
before(async () => {
  session = await launch();
  files = scratch("record");
});
after(async () => {
  await session?.close();
  rmSync(files, { recursive: true, force: true });
});

const pad = (n) => String(n).padStart(2, "0");
const iso = (t) => `${t.getUTCFullYear()}-${pad(t.getUTCMonth() + 1)}-${pad(t.getUTCDate())} ${pad(t.getUTCHours())}:${pad(t.getUTCMinutes())}`;
const excel = (t) => `${t.getUTCFullYear()}/${t.getUTCMonth() + 1}/${t.getUTCDate()} ${t.getUTCHours()}:${pad(t.getUTCMinutes())}`;
// A logger's readings every `step` minutes from 2026-07-01 `start`, leaving out those `hole` names.
function readings({ count, step, start = 0, hole = () => false }, row) {
  const lines = [];
  for (let i = 0; i < count; ++i) if (!hole(i)) lines.push(row(new Date(Date.UTC(2026, 6, 1, 0, start + i * step)), i));
  return lines;
}

// Each file with the entries and settings it is read with, and the gaps its readings hold.
const loggers = [
  { name: "iso.csv", d: "100", zero: "100", settings: {}, gaps: 1,
    lines: ["time,level_mm", ...readings({ count: 300, step: 10, hole: (i) => i >= 100 && i < 112 }, (t, i) => `${iso(t)},${150 + i % 40}`)] },
  { name: "cp932.csv", d: "200", zero: "", settings: { loggerDayStart: "09:00" }, gaps: 0, encoding: "cp932",
    lines: ["記録計 No.3 日報", "日時,水位(cm)", ...readings({ count: 200, step: 15 }, (t, i) => `${excel(t)},${(3 + (i % 30) / 10).toFixed(1)}`)] },
  { name: "semicolon.csv", d: "200", zero: "", settings: { loggerMaxGap: "30", loggerLevelUnit: "cm", loggerLevelColumn: "pegel" }, gaps: 2,
    lines: ["date;time;pegel", ...readings({ count: 150, step: 20, start: 5, hole: (i) => i === 40 || i === 90 },
                                           (t, i) => `${iso(t).replace(" ", ";")};${String(4 + (i % 20) / 10).replace(".", ",")}`)] },
];
// The settings' inputs, with the companion's option and the link's field each goes by.
const options = { loggerDayStart: ["--day-start", "day_start"], loggerMaxGap: ["--max-gap", "max_gap"],
                  loggerLevelUnit: ["--level-unit", "level_unit"], loggerLevelColumn: ["--level-column", "level_column"] };

function write(name, lines, encoding) {
  const file = join(files, name), text = lines.join("\r\n") + "\r\n";
  // The companion reads Shift_JIS as Excel writes it; node has no encoder for it, so the few
  // Japanese captions here are written by their bytes.
  writeFileSync(file, encoding === "cp932" ? cp932(text) : text);
  return file;
}
const cp932Bytes = { "記": "8b4c", "録": "985e", "計": "8c76", "日": "93fa", "報": "95f1", "時": "8e9e", "水": "9085", "位": "88ca" };
const cp932 = (text) => Buffer.concat([...text].map((c) => (cp932Bytes[c] ? Buffer.from(cp932Bytes[c], "hex") : Buffer.from(c, "latin1"))));

function companion(logger, file) {
  const args = ["series", "-d", logger.d, ...(logger.zero ? ["--gauge-zero", logger.zero] : []),
                ...Object.entries(logger.settings).flatMap(([id, value]) => [options[id][0], value]), file];
  return { readings: native(args).stdout, daily: native([...args, "--daily"]).stdout };
}

async function record(page, file) {
  await until(page, "vordanel-record-done", async () => (await page.$("input#loggerFile")).uploadFile(file));
}
const shown = (page) => page.evaluate(() => ({
  state: document.getElementById("recordSection").dataset.state,
  summary: document.getElementById("loggerSummary").textContent,
  days: document.querySelectorAll("table#loggerDays tbody tr").length,
  subpaths: (document.querySelector("svg#hydrograph path.flow")?.getAttribute("d").match(/M/g) ?? []).length,
  disabled: ["loggerReadings", "loggerDaily"].map((id) => document.getElementById(id).getAttribute("aria-disabled") === "true"),
}));

test("loggers' files give the companion's bytes, a row a day and a line broken at each gap", async () => {
  for (const logger of loggers) {
    // A page of its own each: settings typed with a record loaded would make that one again first.
    const opened = await open(session, { width: 1280, height: 900 }), { page } = opened;
    const file = write(logger.name, logger.lines, logger.encoding), expected = companion(logger, file);
    await fill(page, [["Text6", logger.d], ["gaugeZero", logger.zero], ...Object.entries(options).map(([id]) => [id, logger.settings[id] ?? ""])]);
    await record(page, file);
    const now = await shown(page);
    assert.equal(now.state, "done", `${logger.name}: ${now.summary}`);
    assert.deepEqual(await linkBytes(page, "a#loggerReadings"), expected.readings, logger.name);
    assert.deepEqual(await linkBytes(page, "a#loggerDaily"), expected.daily, logger.name);
    // The companion's rows less its header and total.
    assert.equal(now.days, expected.daily.toString().trimEnd().split(/\r?\n/).length - 2, logger.name);
    assert.equal(now.subpaths, logger.gaps + 1, `${logger.name}: the line breaks at each gap and nowhere else`);
    // The read-off by keys: the first reading and the one after it, as the companion's rows give them.
    const rows = expected.readings.toString("latin1").split(/\r?\n/).filter((l) => /^\d{4}[-/]/.test(l));
    for (const [key, row] of [["Home", rows[0]], ["ArrowRight", rows[1]]]) {
      await page.$eval("svg#hydrograph", (svg) => svg.focus());
      await page.keyboard.press(key);
      const said = await page.$eval("#hydrographReadOff", (e) => e.textContent);
      const [date, time] = row.split(/[ ;,]/);
      assert.ok(said.includes(time.replace(/^(\d):/, "0$1:")), `${logger.name}, ${key}: "${said}" for ${row}`);
      assert.ok(said.includes(date.replace(/\//g, "-").replace(/-(\d)(?=-|$)/g, "-0$1")), `${logger.name}, ${key}: "${said}" for ${row}`);
    }
    const link = new URLSearchParams(new URL(await page.$eval("#shareLink", (a) => a.href)).hash.slice(1));
    for (const [id, value] of Object.entries(logger.settings)) assert.equal(link.get(options[id][1]), value, `${logger.name}: the link carries ${id}`);
    await finish(opened);
  }
});

test("the hydrograph's PNG is its SVG drawn whole, twice its size, with no seam or strip out of place", async () => {
  const opened = await open(session, { width: 1280, height: 900 }), { page } = opened;
  await fill(page, [["Text6", "100"], ["gaugeZero", "100"]]);
  await record(page, write("png.csv", loggers[0].lines));
  await page.waitForFunction(() => document.getElementById("hydrographPng").hasAttribute("href"));
  const compared = await page.evaluate(async () => {
    const picture = async (href, type) => {
      const image = new Image();
      image.src = URL.createObjectURL(new Blob([await (await fetch(href)).arrayBuffer()], { type }));
      await image.decode();
      return image;
    };
    const png = await picture(document.getElementById("hydrographPng").href, "image/png");
    const svg = await picture(document.getElementById("hydrographSvg").href, "image/svg+xml");
    const pixels = (image) => {
      const canvas = Object.assign(document.createElement("canvas"), { width: png.naturalWidth, height: png.naturalHeight });
      const context = canvas.getContext("2d");
      context.fillStyle = "#fff";
      context.fillRect(0, 0, canvas.width, canvas.height);
      context.drawImage(image, 0, 0, canvas.width, canvas.height);
      return context.getImageData(0, 0, canvas.width, canvas.height).data;
    };
    const [a, b] = [pixels(png), pixels(svg)];
    let differing = 0, inked = 0;
    for (let i = 0; i < a.length; i += 4) {
      if (Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2])) > 64) ++differing;
      if (b[i] + b[i + 1] + b[i + 2] < 600) ++inked;
    }
    return { size: [png.naturalWidth, png.naturalHeight], natural: [svg.naturalWidth, svg.naturalHeight], differing, inked, pixels: a.length / 4 };
  });
  assert.deepEqual(compared.size, compared.natural.map((n) => 2 * n));
  assert.ok(compared.inked > compared.pixels / 200, `a drawing to compare: ${JSON.stringify(compared)}`);
  assert.ok(compared.differing < compared.pixels / 1000, JSON.stringify(compared));
  await finish(opened);
});

test("a bad file says why, naming what it found, and clears the record before it", async () => {
  const opened = await open(session, { width: 1280, height: 900 }), { page } = opened;
  const good = write("good.csv", loggers[0].lines);
  const bad = [
    { name: "no-level.csv", lines: ["time,pegel_xyz", "2026-07-01 00:00,150"], says: ["pegel_xyz"] },
    // A year mistyped far ahead stops the days at its row.
    { name: "year.csv", lines: ["time,level_mm", "2026-07-01 00:00,150", "2926-07-01 00:10,151"], says: ["3 行目", "2926-07-01"] },
  ];
  await fill(page, [["Text6", "100"], ["gaugeZero", "100"]]);
  for (const { name, lines, says } of bad) {
    await record(page, good);
    assert.equal((await shown(page)).state, "done");
    await record(page, write(name, lines));
    const now = await shown(page);
    assert.equal(now.state, "failed", name);
    for (const words of says) assert.ok(now.summary.includes(words), `${name}: ${now.summary}`);
    assert.deepEqual([now.days, now.subpaths, now.disabled], [0, 0, [true, true]], `${name}: nothing of the record before`);
  }
  await finish(opened);
});

test("an edit of the diameter, the zero or a setting makes the record again", async () => {
  const opened = await open(session, { width: 1280, height: 900 }), { page } = opened;
  const logger = loggers[0], file = write("edit.csv", logger.lines);
  await fill(page, [["Text6", "100"], ["gaugeZero", "100"]]);
  await record(page, file);
  const edits = [
    { texts: [["Text6", "120"]], logger: { ...logger, d: "120" } },
    { texts: [["gaugeZero", "110"]], logger: { ...logger, d: "120", zero: "110" } },
    { texts: [["loggerDayStart", "06:30"]], logger: { ...logger, d: "120", zero: "110", settings: { loggerDayStart: "06:30" } } },
  ];
  for (const { texts, logger: now } of edits) {
    // The frame after the edit: the record on screen answers the inputs before it, and says so;
    // its downloads are not to be had. Its job's answer cannot come within the frame.
    let before;
    await until(page, "vordanel-record-done", async () => {
      before = await page.evaluate(async (texts) => {
        for (const [id, text] of texts) {
          document.getElementById(id).value = text;
          document.getElementById(id).dispatchEvent(new Event("input", { bubbles: true }));
        }
        await new Promise(requestAnimationFrame);
        const section = document.getElementById("recordSection");
        return [section.dataset.state, section.dataset.stale, document.getElementById("loggerStale").hidden,
                document.getElementById("loggerDaily").getAttribute("aria-disabled")];
      }, texts);
    });
    assert.deepEqual(before, ["running", "true", false, "true"], `${JSON.stringify(texts)}: the record before, marked`);
    assert.equal((await shown(page)).state, "done");
    const expected = companion(now, file);
    assert.deepEqual(await linkBytes(page, "a#loggerDaily"), expected.daily, JSON.stringify(texts));
    assert.deepEqual(await linkBytes(page, "a#loggerReadings"), expected.readings, JSON.stringify(texts));
  }
  await finish(opened);
});

test("the month's report prints a page a month with every day's volume as the companion writes it, the title block and n / N", async () => {
  const opened = await open(session, { width: 1280, height: 900 }), { page } = opened;
  // 28 June to 31 July, every 30 minutes, with a gap on 1 July: two months, an incomplete day, and
  // a month of 31 days that must fit its page.
  const logger = { d: "150", zero: "100", settings: {} };
  const file = write("months.csv", ["time,level_mm", ...readings({ count: 34 * 48, step: 30, start: -3 * 1440, hole: (i) => i >= 150 && i < 160 },
                                                                   (t, i) => `${iso(t)},${160 + i % 25}`)]);
  await fill(page, [["Text6", logger.d], ["gaugeZero", logger.zero], ["project", "第2浄水場"], ["site", "沈砂池 No.3"], ["author", "山田"]]);
  await record(page, file);
  assert.equal(await page.$eval("#reportPrint", (b) => b.disabled), false);
  const daily = companion(logger, file).daily.toString().trimEnd().split(/\r?\n/).map((l) => l.split(","));
  const volume = daily[0].indexOf("volume_m3"), days = daily.slice(1, -1);
  await page.evaluate(() => { document.body.dataset.print = "report"; });
  const { pages, pageTexts } = await printed(page);
  await page.evaluate(() => { delete document.body.dataset.print; });
  const months = [...new Set(days.map((row) => row[0].slice(0, 7)))];
  assert.deepEqual([pages, months.length], [2, 2]);
  months.forEach((month, n) => {
    const text = pageTexts[n].replace(/[ \t]+/g, " ");
    assert.match(text, new RegExp(`${n + 1}\\s*/\\s*${pages}`), `page ${n + 1}: no "n / N"`);
    for (const words of [`月報 ${month}`, "第2浄水場", "沈砂池 No.3", "山田", "150 mm"])
      assert.ok(text.includes(words), `page ${n + 1}: "${words}" is not on it: ${text.slice(0, 400)}`);
    const own = days.filter((row) => row[0].startsWith(month));
    for (const row of own) assert.match(text, new RegExp(`${row[0]}.*\\s${row[volume].replace(".", "\\.")}\\s`), `page ${n + 1}: the day ${row[0]}`);
    // The month's total, to the places of its days' volumes.
    const places = Math.max(...own.map((row) => (row[volume].split(".")[1] ?? "").length));
    const total = own.reduce((sum, row) => sum + Number(row[volume]), 0).toFixed(places);
    assert.ok(text.includes(total), `page ${n + 1}: the month's total ${total}`);
  });
  await finish(opened);
});
