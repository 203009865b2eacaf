// The page on a slow phone (Chromium's throttling: CPU ×4, 1.6 Mbps down, 150 ms), served over
// http from this machine: 計算 pressed again and again from the moment the button is there, before
// the core has arrived, loses no press, and each is answered for the entries it was pressed on.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createServer } from "node:http";
import { browserName, built, launch, native } from "./driver.mjs";

let session, server, url, firstPress;
const pressed = new Promise((resolve) => { firstPress = resolve; });
before(async () => {
  session = await launch();
  // The page up to the core's script at once, the rest once the window has been pressed (and a
  // second on), as a slow line may well bring it: the window is there and pressed while the core is
  // still on its way, whatever the machine's load.
  const page = readFileSync(built), core = page.indexOf('<script id="coreScript">');
  assert.ok(core > 0, "the page has the core's script");
  server = createServer((request, response) => {
    response.writeHead(200, { "content-type": "text/html; charset=utf-8" });
    response.write(page.subarray(0, core));
    pressed.then(() => setTimeout(() => response.end(page.subarray(core)), 1000));
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  url = `http://127.0.0.1:${server.address().port}/vordanel.html`;
});
after(async () => {
  await session?.close();
  server?.close();
});

// Throttling is Chromium's (DevTools protocol); Firefox runs the page's other tests.
test("on a slow phone no press of 計算 is lost before the core arrives", { skip: browserName !== "chromium" && "Chromium's throttling only" }, async () => {
  const page = await session.browser.newPage();
  await page.setViewport({ width: 360, height: 640 });
  await page.emulateCPUThrottling(4);
  await page.emulateNetworkConditions({ download: 1.6e6 / 8, upload: 750e3 / 8, latency: 150 });
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  const loaded = page.goto(url, { timeout: 60_000 });
  await page.waitForSelector("#Command1", { timeout: 60_000 });
  const entries = [["100", "40", "1", "99"], ["200", "100", "10", "150"]];
  let presses = 0, early = 0;
  // Pressed every 50 ms until the page says it is ready, the entries changed between presses.
  while (await page.evaluate(() => document.documentElement.dataset.vordanel !== "ready")) {
    const at = entries[presses % 2];
    const before = await page.evaluate((at) => {
      ["Text6", "Text1", "Text2", "Text3"].forEach((id, i) => { document.getElementById(id).value = at[i]; });
      document.getElementById("Command1").click();
      return typeof app === "undefined" || !app.module;
    }, at);
    presses += 1;
    early += before ? 1 : 0;
    firstPress();
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  await loaded;
  await page.waitForFunction((n) => Number(document.getElementById("VORDANEL").dataset.answers ?? 0) >= n, { timeout: 30_000 }, presses);
  assert.ok(early > 0, "no press came before the core: the test did not test");
  assert.equal(await page.$eval("#VORDANEL", (e) => Number(e.dataset.answers)), presses, "presses answered");
  // The last press's answer is the window's, for the entries it was pressed on.
  const last = entries[(presses - 1) % 2];
  const expected = native(["head", "-d", last[0], "-q", last[1], "--min", last[2], "--max", last[3]]).stdout.toString().split("\n")[0].split(" ").at(-1);
  assert.equal(await page.$eval("#Text4", (e) => e.value), expected);
  assert.equal(await page.$eval("#readiness", (e) => e.hidden), true, "準備中 is gone once the core is here");
  assert.deepEqual(errors, []);
  await page.close();
});
