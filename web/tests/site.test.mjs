// The hosted edition (build-web/site beside the built page), served from a copy of its own on
// 127.0.0.1 as a static host serves it: it installs, opens and answers with the network gone after
// a first visit, offers a newly published build and then runs that build whole, and on a slow phone
// shows its window before the core is there, loses no press of 計算 and moves nothing once painted.
import { test } from "node:test";
import { createHash } from "node:crypto";
import assert from "node:assert/strict";
import { cpSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { browserName, fill, native, scratch, until } from "./driver.mjs";
import { answers, hosted, keptFiles, onDisk, ready, skip, within } from "./hosting.mjs";

const chromiumOnly = browserName !== "chromium" && "the DevTools protocol is Chromium's";

// Opens the site and waits until its service worker holds the build and controls the page.
async function firstVisit(session) {
  const page = await session.newPage(), errors = session.errors;
  await page.goto(session.host.url);
  await ready(page);
  await within(page.evaluate(() => navigator.serviceWorker.ready.then(() => true)), 30_000, "the service worker's install");
  await page.waitForFunction(() => Boolean(navigator.serviceWorker.controller), { timeout: 30_000 });
  return { page, errors };
}

test("the hosted edition is installable", { skip: skip || chromiumOnly }, async () => {
  const session = await hosted();
  try {
    const { page, errors } = await firstVisit(session);
    const cdp = await page.target().createCDPSession();
    assert.deepEqual((await cdp.send("Page.getInstallabilityErrors")).installabilityErrors, []);
    const manifest = JSON.parse(readFileSync(join(session.folder, "manifest.webmanifest"), "utf8"));
    const icons = manifest.icons.map((i) => `${i.sizes} ${i.purpose}`);
    for (const wanted of ["192x192 any", "512x512 any", "512x512 maskable"]) assert.ok(icons.includes(wanted), wanted);
    assert.deepEqual(errors, []);
  } finally {
    await session.close();
  }
});

// After the first visit the server is gone: the app opens from the service worker's cache, answers
// 計算 and makes the operator's record of a logger's file.
const offline = [
  ["a reload", async (session, page) => { await page.reload(); return page; }],
  ["a new tab", async (session) => {
    const tab = await session.newPage();
    await tab.goto(session.host.url);
    return tab;
  }],
];
for (const [name, open] of offline) {
  test(`with the network gone, ${name} opens the app and 計算 answers`, { skip }, async () => {
    const session = await hosted();
    try {
      const { page, errors } = await firstVisit(session);
      await session.host.close();
      const opened = await open(session, page);
      await ready(opened);
      await answers(opened);
      const folder = scratch("site-record"), logger = join(folder, "logger.csv");
      writeFileSync(logger, ["time,level_mm", ...Array.from({ length: 200 }, (_, i) =>
        `2026-07-0${1 + Math.floor(i / 144)} ${String(Math.floor((i % 144) / 6)).padStart(2, "0")}:${i % 6}0,${30 + (i % 40)}`)].join("\n") + "\n");
      try {
        await fill(opened, [["Text6", "100"]]);
        await until(opened, "vordanel-record-done", async () => (await opened.$("input#loggerFile")).uploadFile(logger));
        // A row a day, the companion's days (less its header and total); the site's policy lets no
        // script fetch the download's own bytes.
        const daily = native(["series", "-d", "100", "--daily", logger]).stdout.toString().trimEnd().split("\n").slice(1, -1);
        const shown = await opened.evaluate(() => ({ state: document.getElementById("recordSection").dataset.state,
                                                     days: [...document.querySelectorAll("#loggerDays tbody tr")].map((tr) => tr.cells[0].textContent) }));
        assert.deepEqual(shown, { state: "done", days: daily.map((line) => line.split(",")[0]) });
      } finally {
        rmSync(folder, { recursive: true, force: true });
      }
      assert.deepEqual(errors, []);
    } finally {
      await session.close();
    }
  });
}

// On a slow line the core's module is what a press of 計算 waits for: what the window can do without
// (the workbench's scripts, the font, the workers, the service worker and the build it keeps) is
// asked for only once the module is in, however long it takes.
test("nothing the window can do without is asked for before the core's module is in", { skip }, async () => {
  const session = await hosted();
  try {
    let release;
    const core = new Promise((resolve) => { release = resolve; });
    session.host.hold = (url) => url.includes("vordanel_page.wasm") && core;
    const page = await session.newPage(), errors = session.errors;
    await page.goto(session.host.url);  // its load event, which the core's fetch does not hold up
    await page.waitForFunction(() => typeof app === "object");  // the window's scripts have run
    assert.equal(await page.evaluate(() => navigator.serviceWorker.getRegistration().then(Boolean)), false,
                 "a service worker registered while the core was held back");
    release();
    await ready(page);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await answers(page);
    const { log } = session.host;
    const coreIn = log.findIndex(([what, url]) => what === "sent" && url.includes("vordanel_page.wasm"));
    for (const name of ["vordanel_bench.js", "ipagp.woff", "vordanel_commands.wasm", "vordanel_worker.js", "sw.js"]) {
      const asked = log.flatMap(([what, url], at) => (what === "asked" && url.includes(name) ? [at] : []));
      assert.ok(asked.length > 0, `${name} never asked for`);
      assert.ok(asked.every((at) => at > coreIn), `${name} asked for before the core's module was in`);
    }
    // The record's drawing comes only when a record is first used (the service worker keeps it).
    assert.deepEqual(await page.evaluate(() => [app.recordPart.view, [...document.scripts].some((s) => s.src.includes("vordanel_record"))]),
                     [null, false], "the record's drawing came with a plain open");
    assert.deepEqual(errors, []);
  } finally {
    await session.close();
  }
});

test("a newly published build is offered, and once loaded every file is of it", { skip }, async () => {
  const session = await hosted();
  try {
    const { page, errors } = await firstVisit(session);
    const build = (p) => p.$eval('meta[name="vordanel-build"]', (m) => m.content);
    const old = await build(page);
    // The next build: the same files under another build's name, published in place of the first.
    const next = scratch("site-next");
    cpSync(session.folder, next, { recursive: true });
    const fresh = "f".repeat(old.length);
    for (const f of readdirSync(next).filter((f) => /\.(html|js)$/.test(f))) writeFileSync(join(next, f), readFileSync(join(next, f), "utf8").replaceAll(old, fresh));
    // Its files' hashes, as its build would have written them.
    const hashes = Object.fromEntries(keptFiles(next).map((f) => [f, createHash("sha256").update(onDisk(next, f)).digest("hex")]));
    const script = readFileSync(join(next, "sw.js"), "utf8");
    writeFileSync(join(next, "sw.js"), script.replace(/^const hashes = \{[\s\S]*?\};$/m, `const hashes = ${JSON.stringify(hashes)};`));
    session.host.folder = next;
    assert.equal(await page.$eval("#update", (e) => e.hidden), true, "offered before there is one");
    await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
    await page.waitForFunction(() => !document.getElementById("update").hidden, { timeout: 30_000 });
    await Promise.all([page.waitForNavigation({ timeout: 30_000 }), page.click("#updateLoad")]);
    await ready(page);
    await answers(page);
    assert.equal(await build(page), fresh, "the page");
    const worker = await page.evaluate(() => new Promise((resolve) => {
      const channel = new MessageChannel();
      channel.port1.onmessage = (e) => resolve(e.data);
      navigator.serviceWorker.controller.postMessage("build", [channel.port2]);
    }));
    assert.equal(worker, fresh, "the service worker");
    const files = await page.evaluate(() => performance.getEntriesByType("resource").map((e) => e.name).filter((n) => n.includes("?v=")));
    assert.ok(files.some((n) => n.includes("vordanel_commands.wasm")), "the commands' module was fetched");
    assert.deepEqual(files.filter((n) => !n.endsWith(`?v=${fresh}`)), [], "a file of the older build");
    assert.ok((await page.evaluate(() => caches.keys())).includes(`vordanel-${fresh}`), "the new build's cache");
    assert.deepEqual(errors, []);
    rmSync(next, { recursive: true, force: true });
  } finally {
    await session.close();
  }
});

// Chromium's throttling: the window's captions are painted before the core is there, and presses
// of 計算 made meanwhile are each answered. How soon is measured by scripts/measure_web.sh.
test("on a slow phone the hosted window is painted before the core and loses no press", { skip: skip || chromiumOnly }, async () => {
  const session = await hosted();
  try {
    const page = await session.newPage();
    await page.setViewport({ width: 360, height: 640 });
    await page.emulateCPUThrottling(4);
    await page.emulateNetworkConditions({ download: 1.6e6 / 8, upload: 750e3 / 8, latency: 150 });
    // The first press as soon as the button is parsed, the next ones every 50 ms until the page is ready.
    await page.evaluateOnNewDocument(() => {
      window.vordanelPresses = { all: 0, early: 0 };
      new MutationObserver(() => { window.vordanelReadyAt ??= performance.now(); })
        .observe(document, { subtree: true, attributeFilter: ["data-vordanel"] });
      const press = () => {
        window.vordanelPresses.all += 1;
        if (typeof app === "undefined" || !app.module) window.vordanelPresses.early += 1;
        document.getElementById("Command1").click();
      };
      new MutationObserver((_, observer) => {
        if (!document.getElementById("Command1")) return;
        observer.disconnect();
        press();
        const again = setInterval(() => document.documentElement.dataset.vordanel === "ready" ? clearInterval(again) : press(), 50);
      }).observe(document, { childList: true, subtree: true });
    });
    const loaded = page.goto(session.host.url, { timeout: 60_000 });
    await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 60_000 });
    const { all: presses, early } = await page.evaluate(() => window.vordanelPresses);
    await loaded;
    await page.waitForFunction((n) => Number(document.getElementById("VORDANEL").dataset.answers ?? 0) >= n, { timeout: 30_000 }, presses);
    assert.ok(early > 0, "no press came before the core: the test did not test");
    assert.equal(await page.$eval("#VORDANEL", (e) => Number(e.dataset.answers)), presses);
    const [paint, ready] = await page.evaluate(() => [performance.getEntriesByName("first-contentful-paint")[0]?.startTime, window.vordanelReadyAt]);
    assert.ok(paint < ready, `painted at ${paint} ms, the core ready at ${ready} ms`);
    assert.deepEqual(session.errors, []);
  } finally {
    await session.close();
  }
});

// Nothing moves once painted, on a phone or a desktop: while the rest of the page, the scripts, the
// core, the first drawing of the workbench and the font arrive, the page's layout shifts (Chromium's layout-shift
// entries; no input excuses any here) add up to less than a thousandth, a line of text by a pixel.
const viewports = { "phone, 360 px": { width: 360, height: 640 }, "desktop, 1280 px": { width: 1280, height: 800 } };
for (const [name, viewport] of Object.entries(viewports)) {
  test(`nothing on the hosted page moves after its first paint: ${name}`, { skip: skip || chromiumOnly }, async () => {
    const session = await hosted();
    try {
      const page = await session.newPage();
      await page.setViewport(viewport);
      await page.evaluateOnNewDocument(() => {
        window.vordanelShifts = [];
        new PerformanceObserver((list) => {
          for (const e of list.getEntries())
            window.vordanelShifts.push(`${e.value.toFixed(4)}: ${e.sources.map((s) => s.node?.id || s.node?.nodeName).join(" ")}`);
        }).observe({ type: "layout-shift", buffered: true });
      });
      // The page as a slow line may bring it: the window, and the rest once the window has been painted.
      let painted;
      const windowPainted = new Promise((resolve) => { painted = resolve; });
      session.host.cut = (url) => new URL(url, session.host.url).pathname === "/" && { at: '<section id="workbench"', until: windowPainted };
      const loaded = page.goto(session.host.url);
      await page.waitForFunction(() => performance.getEntriesByName("first-contentful-paint").length > 0, { timeout: 30_000 });
      painted();
      await loaded;
      await ready(page);
      await page.waitForFunction(() => [...document.fonts].some((f) => f.family.includes("VORDANEL") && f.status === "loaded"), { timeout: 30_000 });
      const shifts = await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(() => resolve(window.vordanelShifts)))));
      assert.ok(shifts.reduce((sum, shift) => sum + parseFloat(shift), 0) < 0.001, `shifted: ${shifts.join(", ")}`);
      assert.deepEqual(session.errors, []);
    } finally {
      await session.close();
    }
  });
}
