// How soon the operator's record shows its days in Chromium on this machine: a month of five-minute
// readings (8,640 rows) and a year of one-minute readings (525,600), each timed from the file's
// choice to the page's own sign that its days are shown (vordanel-record-done), with the longest
// task on the page's thread on the way and the longest frame (a long animation frame: its tasks,
// style, layout and paint together, which the long task leaves out) and the page's script heap at the end, over RUNS runs, the
// worst reported, and the browser's peak memory over its memory before the file (the resident sets
// of all its processes, sampled every 100 ms, until the hydrograph's files are made). Usage: node measure_record.mjs VORDANEL_HTML [RUNS]. Prints figures; fails only
// where a run did not finish.
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import puppeteer from "puppeteer-core";

const [html, runsText = "3"] = process.argv.slice(2);
const runs = Number(runsText);
const chromium = process.env.CHROMIUM ?? "/usr/bin/chromium";
const folder = mkdtempSync(join(tmpdir(), "vordanel-measure-record-"));

// A logger's file: a reading every `step` minutes from 2026-01-01, a level that rises and falls
// over each day.
function logger(name, rows, step) {
  const pad = (n) => String(n).padStart(2, "0"), lines = ["time,level_mm"];
  const start = Date.UTC(2026, 0, 1);
  for (let i = 0; i < rows; ++i) {
    const t = new Date(start + i * step * 60_000);
    const level = 140 + 30 * Math.sin((i * step * Math.PI) / 720) + (i % 7);
    lines.push(`${t.getUTCFullYear()}-${pad(t.getUTCMonth() + 1)}-${pad(t.getUTCDate())} ${pad(t.getUTCHours())}:${pad(t.getUTCMinutes())},${level.toFixed(1)}`);
  }
  const file = join(folder, name);
  writeFileSync(file, lines.join("\n") + "\n");
  return file;
}

// The resident set of a process and all its descendants, in bytes.
const rss = (pid) => {
  let total = 0;
  const walk = (p) => {
    try {
      total += Number(readFileSync(`/proc/${p}/statm`, "utf8").split(" ")[1]) * 4096;
      for (const task of readdirSync(`/proc/${p}/task`))
        for (const child of readFileSync(`/proc/${p}/task/${task}/children`, "utf8").trim().split(/\s+/).filter(Boolean)) walk(child);
    } catch { /* gone meanwhile */ }
  };
  walk(pid);
  return total;
};

const files = [["a month of five-minute readings", logger("month.csv", 8_640, 5)],
               ["a year of one-minute readings", logger("year.csv", 525_600, 1)]];
const profile = mkdtempSync(join(tmpdir(), "vordanel-measure-profile-"));
const browser = await puppeteer.launch({ browser: "chrome", executablePath: chromium, headless: true, userDataDir: profile,
                                        args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--allow-file-access-from-files"],
                                        protocolTimeout: 300_000 });
try {
  for (const [what, file] of files) {
    const figures = [];
    for (let run = 0; run < runs; ++run) {
      const page = await browser.newPage();
      await page.setViewport({ width: 1280, height: 900 });
      await page.goto(pathToFileURL(html).href);
      await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 60_000 });
      await page.evaluate(() => {
        window.vordanelLongest = { longtask: 0, "long-animation-frame": 0 };
        for (const type of Object.keys(window.vordanelLongest))
          new PerformanceObserver((list) => {
            // From the file's choice on: the page's own opening is not the record's.
            for (const e of list.getEntries())
              if (e.startTime + e.duration >= (window.vordanelChosenAt ?? Infinity)) window.vordanelLongest[type] = Math.max(window.vordanelLongest[type], e.duration);
          }).observe({ type });
        document.getElementById("loggerFile").addEventListener("change", () => { window.vordanelChosenAt = performance.now(); });
        addEventListener("vordanel-record-days", () => { window.vordanelShownAt = performance.now(); }, { once: true });
        addEventListener("vordanel-record-done", () => { window.vordanelDoneAt = performance.now(); }, { once: true });
        const set = (id, value) => {
          const e = document.getElementById(id);
          e.value = value;
          e.dispatchEvent(new Event("input", { bubbles: true }));
        };
        set("Text6", "100");
        set("gaugeZero", "100");
      });
      const pid = browser.process().pid, before = rss(pid);
      let peak = before;
      const sampler = setInterval(() => { peak = Math.max(peak, rss(pid)); }, 100);
      await (await page.$("input#loggerFile")).uploadFile(file);
      await page.waitForFunction(() => window.vordanelDoneAt, { timeout: 300_000, polling: 100 });
      // What is drawn after (the report, the hydrograph's files) counts too.
      await page.waitForFunction(() => document.getElementById("hydrographPng").hasAttribute("href"), { timeout: 60_000, polling: 100 });
      clearInterval(sampler);
      const f = await page.evaluate(() => ({ ms: window.vordanelShownAt - window.vordanelChosenAt, longest: window.vordanelLongest.longtask, frame: window.vordanelLongest["long-animation-frame"],
                                              all: window.vordanelDoneAt - window.vordanelChosenAt, summary: document.getElementById("loggerSummary").textContent,
                                              state: document.getElementById("recordSection").dataset.state,
                                              days: document.querySelectorAll("#loggerDays tbody tr").length }));
      f.heap = (await page.metrics()).JSHeapUsedSize;
      f.memory = peak - before;
      if (f.state !== "done") throw new Error(`${what}: the record failed`);
      figures.push(f);
      await page.close();
    }
    const worst = (key) => Math.max(...figures.map((f) => f[key]));
    console.log(`${what} (${statSync(file).size} bytes, ${figures[0].days} days): days shown after ${worst("ms").toFixed(0)} ms, `
                + `the readings' download after ${worst("all").toFixed(0)} ms, `
                + `longest task ${worst("longest").toFixed(0)} ms, longest frame ${worst("frame").toFixed(0)} ms, page heap ${(worst("heap") / 1e6).toFixed(1)} MB, browser memory +${(worst("memory") / 1e6).toFixed(0)} MB at its peak (worst of ${runs}); ${figures.map((f) => f.summary).join(" / ")}`);
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
  rmSync(folder, { recursive: true, force: true });
}
