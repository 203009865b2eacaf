// Takes docs/web.png: vordanel.html in Debian's headless Chromium at 1280×800, the window beside
// the workbench after the worked run whose bracket holds two heads (100 / 40 / 1 / 250), a head
// of 35 mm read off and a 20-row table; docs/web-sheet.png, the first page of the calculation sheet
// it prints; docs/web-gauge.png and docs/web-card.png, the first page of the staff gauge and the
// operator's card for that weir with a gauge zero of 50 mm, each rendered by poppler's pdftoppm;
// docs/web-record.png, the operator's record of a month of ten-minute readings (a rainy spell and a
// gap of half a day), and docs/web-report.png, the first page of its month's report.
// Run from the repository root after ./test.sh (or npm ci in web/tests and a build-web/):
//   node docs/web-screenshot.mjs
import { createRequire } from "node:module";
import { spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";

const puppeteer = createRequire(resolve("web/tests/package.json"))("puppeteer-core");
const profile = mkdtempSync(join(tmpdir(), "vordanel-screenshot-"));
const browser = await puppeteer.launch({
  browser: "chrome", executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium", headless: true, userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--hide-scrollbars"],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  await page.goto(pathToFileURL(resolve("build-web/vordanel.html")).href);
  await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready");
  for (const [id, text] of [["Text6", "100"], ["Text1", "40"], ["Text2", "1"], ["Text3", "250"]]) await page.type(`#${id}`, text);
  await page.click("#Command1");
  await page.waitForFunction(() => Number(document.getElementById("VORDANEL").dataset.answers ?? 0) > 0);
  for (const [id, text] of [["headEntry", "35"], ["tableFrom", "10"], ["tableTo", "200"], ["tableStep", "10"],
                            ["project", "第2浄水場 改良"], ["site", "沈砂池 No.3 流出堰"], ["author", "山田"]]) {
    await page.$eval(`#${id}`, (e) => { e.value = ""; });
    await page.type(`#${id}`, text);
  }
  await page.click("#tableRun");
  await page.waitForFunction(() => document.getElementById("tableSection").dataset.state === "done");
  // Reads the curve off at its peak, as a pointer resting there would.
  const box = await page.$eval("#curve", (svg) => {
    const peak = svg.querySelector("circle.peak").getBoundingClientRect();
    return { x: peak.x + peak.width / 2, y: peak.y + peak.height / 2 };
  });
  await page.mouse.move(box.x, box.y);
  await page.waitForFunction(() => document.getElementById("headSection").dataset.state === "done");
  await page.screenshot({ path: "docs/web.png" });
  // The first page of what a print gives, as the button for it sets the page for printing.
  const firstPage = async (print, name) => {
    await page.evaluate((print) => { if (print) document.body.dataset.print = print; else delete document.body.dataset.print; }, print);
    const pdf = join(profile, `${name}.pdf`);
    writeFileSync(pdf, await page.pdf({ format: "A4" }));
    const r = spawnSync("pdftoppm", ["-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf, `docs/${name}`]);
    if (r.status !== 0) throw new Error(`pdftoppm: ${r.stderr}`);
  };
  await firstPage(null, "web-sheet");
  await page.type("#gaugeZero", "50");
  for (const [button, done] of [["#gaugeRun", "gaugeSummary"], ["#cardRun", "cardSummary"]]) {
    await page.click(button);
    await page.waitForFunction((id) => /できました/.test(document.getElementById(id).textContent), {}, done);
  }
  await firstPage("gauge", "web-gauge");
  await firstPage("card", "web-card");
  // A logger's month: a daily swing, a rainy spell from the 12th, and no readings for half a day.
  const readings = ["time,level_mm"];
  for (let minute = 0; minute < 30 * 24 * 60; minute += 10) {
    if (minute >= 20 * 1440 + 360 && minute < 20 * 1440 + 1080) continue;
    const day = minute / 1440, rain = day > 12 && day < 16 ? 25 * Math.sin(Math.PI * (day - 12) / 4) : 0;
    const at = new Date(Date.UTC(2026, 6, 1) + minute * 60_000).toISOString().slice(0, 16).replace("T", " ");
    readings.push(`${at},${(85 + 6 * Math.sin(2 * Math.PI * day) + rain).toFixed(1)}`);
  }
  const logger = join(profile, "weir-july.csv");
  writeFileSync(logger, readings.join("\n") + "\n");
  await page.evaluate(() => {
    addEventListener("vordanel-record-done", () => { window.recordShown = true; }, { once: true });
  });
  await (await page.$("input#loggerFile")).uploadFile(logger);
  await page.waitForFunction(() => window.recordShown, { timeout: 60_000 });
  await (await page.$("#recordSection")).screenshot({ path: "docs/web-record.png" });
  await firstPage("report", "web-report");
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
