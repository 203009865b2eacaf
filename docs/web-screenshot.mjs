// Takes docs/web.png: vordanel.html in Debian's headless Chromium at 1280×800, the window beside
// the workbench after the worked run whose bracket holds two heads (100 / 40 / 1 / 250), a head
// of 35 mm read off and a 20-row table; and docs/web-sheet.png, the first page of the calculation
// sheet it prints, rendered by poppler's pdftoppm.
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
  for (const [id, text] of [["headEntry", "35"], ["tableFrom", "10"], ["tableTo", "200"], ["tableStep", "10"]]) {
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
  const pdf = join(profile, "sheet.pdf");
  writeFileSync(pdf, await page.pdf({ format: "A4" }));
  const r = spawnSync("pdftoppm", ["-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf, "docs/web-sheet"]);
  if (r.status !== 0) throw new Error(`pdftoppm: ${r.stderr}`);
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
