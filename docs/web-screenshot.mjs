// Takes docs/web.png: vordanel.html in Debian's headless Chromium after the first worked run.
// Run from the repository root after ./test.sh (or npm ci in web/tests and a build-web/):
//   NODE_PATH=web/tests/node_modules node docs/web-screenshot.mjs
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";
import { resolve } from "node:path";

const { chromium } = createRequire(resolve("web/tests/package.json"))("playwright-core");
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox", "--disable-gpu"] });
const page = await browser.newPage({ viewport: { width: 320, height: 420 } });
await page.goto(pathToFileURL(resolve("build-web/vordanel.html")).href);
for (const [id, text] of [["Text6", "100"], ["Text1", "40"], ["Text2", "1"], ["Text3", "99"]]) await page.fill(`#${id}`, text);
await page.click("#Command1");
await page.waitForFunction(() => document.getElementById("Text4").value !== "");
await page.screenshot({ path: "docs/web.png" });
await browser.close();
