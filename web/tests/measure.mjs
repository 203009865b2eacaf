// How soon the hosted edition opens on a slow phone (Chromium's throttling: CPU ×4, 1.6 Mbps down,
// 150 ms), served compressed from this machine: the window's captions painted and 計算 answered (the
// head painted in the window; and when the workbench has caught up with it) on a first visit, and the window painted on a visit after (the service worker's), each over three
// runs on fresh profiles, the worst reported; then Lighthouse's scores, mobile and desktop.
// Usage: node measure.mjs SITE_FOLDER [RUNS]. Prints figures; fails only where a run did not finish.
import { execFile } from "node:child_process";
import { promisify } from "node:util";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";
import { serve } from "./serve.mjs";

const [site, runsText = "3"] = process.argv.slice(2);
const runs = Number(runsText);
const chromium = process.env.CHROMIUM ?? "/usr/bin/chromium";
const host = await serve(site);

async function slowPhone() {
  const profile = mkdtempSync(join(tmpdir(), "vordanel-measure-"));
  const browser = await puppeteer.launch({ browser: "chrome", executablePath: chromium, headless: true, userDataDir: profile,
                                          args: ["--no-sandbox", "--disable-gpu", "--no-first-run"], protocolTimeout: 120_000 });
  try {
    // A phone's browser is running before its user opens the link: the browser's own start (its
    // first tab, the omnibox's pages it loads at once) is let finish before the first visit, as it
    // would otherwise take the page's share of the two cores, by 100 to 300 ms a run.
    const [blank] = await browser.pages();
    await blank.goto("about:blank");
    await new Promise((done) => setTimeout(done, 3000));
    const visit = async (first) => {
      const page = await browser.newPage();
      await page.setViewport({ width: 360, height: 640, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
      await page.emulateCPUThrottling(4);
      await page.emulateNetworkConditions({ download: 1.6e6 / 8, upload: 750e3 / 8, latency: 150 });
      // 計算 pressed as soon as the window's entries are in the page; answered when the frame that shows the head
      // in the window has been drawn (looked for at each frame, timed just after it); the workbench
      // caught up with it when the window's count goes up.
      await page.evaluateOnNewDocument(() => {
        addEventListener("vordanel-answered", () => { window.vordanelCaughtUpAt ??= performance.now(); });
        const watch = () => requestAnimationFrame(() => {
          if (document.getElementById("Text4")?.value) setTimeout(() => { window.vordanelAnsweredAt ??= performance.now(); });
          else watch();
        });
        new MutationObserver((_, observer) => {
          // Pressed with the four entries of a head as soon as they and the button are in the page.
          const button = document.getElementById("Command1"), last = document.getElementById("Text3");
          if (!button || !last) return;
          observer.disconnect();
          Object.entries({ Text6: "100", Text1: "40", Text2: "1", Text3: "250" }).forEach(([id, text]) => { document.getElementById(id).value = text; });
          window.vordanelPressedAt = performance.now();
          button.click();
          watch();
        }).observe(document, { childList: true, subtree: true });
      });
      await page.goto(host.url, { waitUntil: "load", timeout: 120_000 });
      await page.waitForFunction(() => document.getElementById("VORDANEL").dataset.answers === "1", { timeout: 120_000 });
      const figures = await page.evaluate(() => ({
        answered: window.vordanelAnsweredAt,
        caughtUp: window.vordanelCaughtUpAt,
        paint: performance.getEntriesByName("first-contentful-paint")[0]?.startTime,
        pressed: window.vordanelPressedAt,
      }));
      if (first) await page.evaluate(() => navigator.serviceWorker.ready.then(() => new Promise((r) => setTimeout(r, 2000))));
      await page.close();
      return figures;
    };
    const first = await visit(true);
    const again = await visit(false);
    return { first, again };
  } finally {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
  }
}

const rows = [];
for (let i = 0; i < runs; i++) rows.push(await slowPhone());
const worst = (f) => Math.max(...rows.map(f)).toFixed(0);
console.log(`slow phone, ${runs} runs, worst (ms): first visit painted ${worst((r) => r.first.paint)}, `
            + `計算 answered ${worst((r) => r.first.answered)} (pressed at ${worst((r) => r.first.pressed)}, `
            + `the workbench caught up ${worst((r) => r.first.caughtUp)}); `
            + `repeat visit painted ${worst((r) => r.again.paint)}`);
for (const [i, r] of rows.entries())
  console.log(`  run ${i + 1}: ${JSON.stringify(Object.fromEntries(Object.entries(r).map(([k, v]) => [k, Object.fromEntries(Object.entries(v).map(([a, b]) => [a, Math.round(b)]))])))}`);

const lighthouse = new URL("./node_modules/.bin/lighthouse", import.meta.url).pathname;
for (const preset of ["mobile", "desktop"]) {
  const scores = [];
  for (let i = 0; i < runs; i++) {
    const out = join(tmpdir(), `vordanel-lighthouse-${process.pid}-${preset}-${i}.json`);
    // Asynchronously: the static host answering Lighthouse's browser runs in this process.
    const r = await promisify(execFile)(lighthouse, [host.url, "--quiet", "--output=json", `--output-path=${out}`,
                                     "--only-categories=performance,accessibility,best-practices,seo",
                                     "--chrome-flags=--headless=new --no-sandbox --disable-gpu",
                                     ...(preset === "desktop" ? ["--preset=desktop"] : [])],
                        { env: { ...process.env, CHROME_PATH: chromium }, encoding: "utf8", maxBuffer: 1 << 26 })
      .catch((e) => ({ failed: e }));
    if (r.failed) { console.log(`lighthouse ${preset} failed: ${String(r.failed.stderr ?? r.failed).slice(-2000)}`); continue; }
    const report = JSON.parse((await import("node:fs")).readFileSync(out, "utf8"));
    rmSync(out, { force: true });
    const score = Object.fromEntries(Object.entries(report.categories).map(([k, c]) => [k, Math.round(c.score * 100)]));
    const failing = Object.values(report.audits).filter((a) => a.score !== null && a.score < 1 && a.scoreDisplayMode === "binary").map((a) => a.id);
    scores.push(score);
    console.log(`lighthouse ${preset} run ${i + 1}: ${JSON.stringify(score)} FCP ${report.audits["first-contentful-paint"].displayValue}, `
                + `LCP ${report.audits["largest-contentful-paint"].displayValue}, TBT ${report.audits["total-blocking-time"].displayValue}, `
                + `CLS ${report.audits["cumulative-layout-shift"].displayValue}; failing: ${failing.join(" ") || "none"}`);
  }
  if (scores.length) console.log(`lighthouse ${preset} worst: ${JSON.stringify(Object.fromEntries(Object.keys(scores[0]).map((k) => [k, Math.min(...scores.map((s) => s[k]))])))}`);
}
await host.close();
