// How a large batch runs in the page (headless Chromium, the one-file edition): a sheet of MB
// megabytes chosen in input#batchFile, solved in the page's worker and offered for download. Says
// the time to the done sign, the longest main-thread task, and the browser's peak memory over its
// memory before the file (the resident sets of all its processes, sampled every 100 ms), against
// the file's size; then the same file chosen again, a first run in a fresh page from its file
// picker, and, given the companion, its time on the file
// (the best of three) and the page's against it.
// Usage: node measure_batch.mjs BUILD_WEB_FOLDER [MB] [VORDANEL_CLI]. Prints figures; fails only where a run did not finish.
import { execFileSync, spawnSync } from "node:child_process";
import { closeSync, mkdtempSync, openSync, readFileSync, readdirSync, rmSync, statSync, writeSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import puppeteer from "puppeteer-core";

const [folder, mbText = "300", cli] = process.argv.slice(2);
const scratch = mkdtempSync(join(tmpdir(), "vordanel-measure-batch-"));
const file = join(scratch, "weirs.csv");
{
  const fd = openSync(file, "w"), rows = [];
  writeSync(fd, "site,diameter_mm,flow_lpm,min_mm,max_mm\n");
  for (let i = 0; i < 5000; ++i) rows.push(`w${i},${50 + i % 400},${(1 + (i * 7) % 300).toFixed(2)},1,${40 + i % 700}\n`);
  const block = rows.join("");
  for (let written = 0; written < Number(mbText) * 1e6; written += block.length) writeSync(fd, block);
  closeSync(fd);
}
// The resident set of a process and all its descendants, in bytes.
const rss = (pid) => {
  let total = 0;
  const walk = (p) => {
    try {
      total += Number(readFileSync(`/proc/${p}/statm`, "utf8").split(" ")[1]) * 4096;
      for (const task of readdirSync(`/proc/${p}/task`))
        for (const child of readFileSync(`/proc/${p}/task/${task}/children`, "utf8").trim().split(/\s+/).filter(Boolean)) walk(child);
    } catch { /* gone */ }
  };
  walk(pid);
  return total;
};
const profile = join(scratch, "profile");
const browser = await puppeteer.launch({ browser: "chrome", executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium", headless: true,
                                        userDataDir: profile, args: ["--no-sandbox", "--disable-gpu", "--no-first-run"], protocolTimeout: 900_000 });
try {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(resolve(folder, "vordanel.html")).href);
  await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 60_000 });
  await page.evaluate(() => {
    window.longest = 0;
    new PerformanceObserver((list) => { for (const e of list.getEntries()) window.longest = Math.max(window.longest, e.duration); })
      .observe({ type: "longtask" });
    addEventListener("vordanel-batch-done", () => { window.doneAt = performance.now(); });
    document.getElementById("batchFile").addEventListener("change", () => { window.chosenAt = performance.now(); });
  });
  const pid = browser.process().pid, before = rss(pid);
  let peak = before;
  const sampler = setInterval(() => { peak = Math.max(peak, rss(pid)); }, 100);
  await (await page.$("input#batchFile")).uploadFile(file);
  await page.waitForFunction(() => window.doneAt, { timeout: 900_000, polling: 500 });
  clearInterval(sampler);
  const f = await page.evaluate(() => ({ ms: window.doneAt - window.chosenAt, longest: window.longest,
                                          state: document.getElementById("batchSection").dataset.state,
                                          summary: document.getElementById("batchSummary").textContent }));
  const size = statSync(file).size;
  console.log(`a batch of ${(size / 1e6).toFixed(0)} MB: ${f.state} after ${(f.ms / 1000).toFixed(1)} s; longest main-thread task ${f.longest.toFixed(0)} ms; `
              + `browser memory ${(before / 1e6).toFixed(0)} MB before, peak ${(peak / 1e6).toFixed(0)} MB (+${((peak - before) / 1e6).toFixed(0)} MB, `
              + `${((peak - before) / size).toFixed(2)} × the file); ${f.summary}`);
  if (f.state !== "done") process.exitCode = 1;
  // Again, with the module compiled and the worker's memory grown.
  await page.evaluate(() => { window.doneAt = 0; });
  await (await page.$("input#batchFile")).uploadFile(file);
  await page.waitForFunction(() => window.doneAt, { timeout: 900_000, polling: 100 });
  const again = await page.evaluate(() => window.doneAt - window.chosenAt);
  console.log(`again: ${(again / 1000).toFixed(2)} s`);
  // A first run as a user gives it: a fresh page, the file picker opened (which makes the batch's
  // worker ready) and a file chosen in it a moment later.
  const fresh = await browser.newPage();
  await fresh.goto(pathToFileURL(resolve(folder, "vordanel.html")).href);
  await fresh.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 60_000 });
  await fresh.evaluate(() => {
    addEventListener("vordanel-batch-done", () => { window.doneAt = performance.now(); });
    const input = document.getElementById("batchFile");
    input.addEventListener("change", () => { window.chosenAt = performance.now(); });
    input.dispatchEvent(new PointerEvent("pointerdown", { bubbles: true }));
  });
  await new Promise((resolve) => setTimeout(resolve, 1500));  // the user's moment in the picker
  await (await fresh.$("input#batchFile")).uploadFile(file);
  await fresh.waitForFunction(() => window.doneAt, { timeout: 900_000, polling: 100 });
  const picked = await fresh.evaluate(() => window.doneAt - window.chosenAt);
  console.log(`first run, the picker open 1.5 s before the file came: ${(picked / 1000).toFixed(2)} s`);
  if (cli) {
    const times = [0, 1, 2].map(() => {
      const started = process.hrtime.bigint();
      // Rows without a head make its status 1.
      if (spawnSync(cli, ["batch", file, "-o", join(scratch, "heads.csv")], { stdio: "ignore" }).status > 1) throw new Error("the companion failed");
      return Number(process.hrtime.bigint() - started) / 1e9;
    });
    const companion = Math.min(...times);
    console.log(`the companion: ${companion.toFixed(2)} s; the page ${(f.ms / 1000 / companion).toFixed(2)} × on its first run, `
                + `${(picked / 1000 / companion).toFixed(2)} × on a first run from the picker, ${(again / 1000 / companion).toFixed(2)} × again`);
  }
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}
