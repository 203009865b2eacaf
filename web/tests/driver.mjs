// What every page test needs: the browser named by VORDANEL_BROWSER (chromium or firefox) with a
// profile of its own, the built page copied alone into an empty folder, typing and pressing as a
// user does, and the companion (VORDANEL_CLI) run natively for the answers to compare with.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import puppeteer from "puppeteer-core";

export const built = process.env.VORDANEL_PAGE;
export const cli = process.env.VORDANEL_CLI;
export const browserName = process.env.VORDANEL_BROWSER ?? "chromium";

// A scratch folder that the caller removes; every test file makes its own, so that files of
// tests running at the same time never meet.
export function scratch(what) {
  return mkdtempSync(join(tmpdir(), `vordanel-${browserName}-${what}-`));
}

// Launches the browser on a fresh profile with the page alone in an empty folder, as it would sit
// on a USB stick. close() ends the browser and removes both folders.
// The browser VORDANEL_BROWSER names, headless, on the profile folder given.
export function startBrowser(profile) {
  const options = browserName === "firefox"
    ? { browser: "firefox", executablePath: process.env.FIREFOX ?? "/usr/bin/firefox-esr" }
    : { browser: "chrome", executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
        args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--no-first-run"] };
  return puppeteer.launch({ ...options, headless: true, userDataDir: profile, protocolTimeout: 60_000 });
}

export async function launch() {
  const profile = scratch("profile");
  const folder = scratch("page");
  copyFileSync(built, join(folder, "vordanel.html"));
  const browser = await startBrowser(profile);
  const url = pathToFileURL(join(folder, "vordanel.html")).href;
  return {
    browser, folder, url,
    async close() {
      await browser.close().catch(() => {});
      rmSync(profile, { recursive: true, force: true });
      rmSync(folder, { recursive: true, force: true });
    },
  };
}

// Opens the page at a viewport; collects what it asks of the network and the errors it throws.
export async function open(session, viewport = { width: 800, height: 600 }) {
  const page = await session.browser.newPage();
  await page.setViewport(viewport);
  const requests = [];
  page.on("request", (r) => requests.push(r.url()));
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.goto(session.url);
  await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 20_000 });
  return { page, requests, errors };
}

// Closes a page that threw nothing and asked nothing of the network, by the browser's account and
// by the page's own.
export async function finish({ page, requests, errors }) {
  const loaded = await page.evaluate(() => performance.getEntriesByType("resource").map((e) => e.name));
  assert.deepEqual([...requests, ...loaded].filter((u) => !/^(file|data|blob):/.test(u)), [], "the page asked the network");
  assert.deepEqual(errors, []);
  await page.close();
}

// Replaces an entry's text by typing, as a user does; "" leaves it empty.
export async function retype(page, id, text) {
  await page.$eval(`#${id}`, (e) => { e.value = ""; });
  if (text !== "") await page.type(`#${id}`, text);
}

// The four entries typed key by key, or, where typing is not what is tested, set at once: a
// browser driven over WebDriver BiDi takes a round trip for every key.
export async function enter(page, [diameter, flow, min, max], { typed = true } = {}) {
  const texts = [["Text6", diameter], ["Text1", flow], ["Text2", min], ["Text3", max]];
  if (typed) for (const [id, text] of texts) await retype(page, id, text);
  else await fill(page, texts);
}

// Sets boxes' texts at once, each with the input event that typing would give.
export async function fill(page, texts) {
  await page.evaluate((texts) => texts.forEach(([id, text]) => {
    const e = document.getElementById(id);
    e.value = text;
    e.dispatchEvent(new Event("input", { bubbles: true }));
  }), texts);
}

export async function shown(page) {
  return page.evaluate(() => ({
    head: document.getElementById("Text4").value,
    trials: document.getElementById("Text5").value,
    label8: !document.getElementById("Label8").hidden,
    label9: !document.getElementById("Label9").hidden,
    dialog: document.getElementById("failure").open ? document.getElementById("failureMessage").textContent : null,
  }));
}

// Clicks 計算 and waits for the page's own sign that this press's answer is shown: the count of
// answers on the window goes up once the head, the no-solution message or the dialog is out.
export async function click(page) {
  const before = await page.$eval("#VORDANEL", (e) => Number(e.dataset.answers ?? 0));
  await page.click("#Command1");
  await page.waitForFunction((n) => Number(document.getElementById("VORDANEL").dataset.answers ?? 0) > n,
                             { timeout: 10_000 }, before);
}

// Does what is asked and waits for the page's event that it is done; the listener is in place
// before the action, so a sign left over from an earlier run cannot answer for this one.
export async function until(page, event, action, timeout = 30_000) {
  await page.evaluate((event) => {
    window.vordanelSigns ??= {};
    window.vordanelSigns[event] = false;
    addEventListener(event, () => { window.vordanelSigns[event] = true; }, { once: true });
  }, event);
  await action();
  await page.waitForFunction((event) => window.vordanelSigns[event], { timeout }, event);
}

export async function press(page, entries, options) {
  await enter(page, entries, options);
  await click(page);
  return shown(page);
}

// Closes the failure dialog and waits until the focus is back in an entry, where typing goes on.
export async function dismiss(page) {
  await page.keyboard.press("Escape");
  await page.waitForFunction(() => !document.getElementById("failure").open && document.activeElement.tagName === "INPUT");
}

// The bytes behind a download link (a blob: or data: address), read inside the page, so that no
// browser's download folder or prompt comes into it.
export async function linkBytes(page, selector) {
  const base64 = await page.$eval(selector, async (a) => {
    const bytes = new Uint8Array(await (await fetch(a.href)).arrayBuffer());
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return Buffer.from(base64, "base64");
}

// The native companion: status, standard output and standard error as bytes.
export function native(args, input = "") {
  const r = spawnSync(cli, args, { input });
  if (r.error) throw r.error;
  return { status: r.status, stdout: r.stdout, stderr: r.stderr };
}

// The native companion's JSON answer.
export function nativeJson(args) {
  return JSON.parse(native(args).stdout.toString());
}

// What axe-core (pinned beside the driver) finds on the page as it stands: [{id, targets}] per rule broken.
const axeSource = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
export async function axeViolations(page) {
  await page.evaluate(axeSource);
  return page.evaluate(async () => (await window.axe.run(document, { resultTypes: ["violations"] })).violations
    .map((v) => ({ id: v.id, targets: v.nodes.map((n) => n.target.join(" ")) })));
}

// The page printed to an A4 PDF by the browser (Chromium's printToPDF, Firefox's print over
// WebDriver BiDi), read back by poppler's pdftotext and pdfinfo: {text, pages, title, pageTexts, words}.
// The title is the PDF's, or where the browser writes none, the document's as it printed.
// codes: also the QR codes each page carries, as a real decoder reads them from the page drawn at
// 300 dpi (zbar-tools): [{page, text}].
export async function printed(page, { codes = false } = {}) {
  const folder = scratch("pdf");
  try {
    const file = join(folder, "sheet.pdf");
    // The document's title as it prints: the PDF's name (Firefox writes no title into the PDF).
    await page.evaluate(() => addEventListener("beforeprint", () => { document.documentElement.dataset.printedTitle = document.title; }, { once: true }));
    writeFileSync(file, await page.pdf({ format: "A4" }));
    const printedTitle = await page.evaluate(() => document.documentElement.dataset.printedTitle);
    const run = (command, args) => {
      const r = spawnSync(command, args, { encoding: "utf8" });
      if (r.error || r.status !== 0) throw r.error ?? new Error(`${command}: ${r.stderr}`);
      return r.stdout;
    };
    const info = run("pdfinfo", [file]), text = run("pdftotext", ["-layout", file, "-"]);
    const pages = Number(info.match(/^Pages:\s+(\d+)/m)[1]), title = info.match(/^Title:\s+(.*)$/m)?.[1] ?? printedTitle;
    // Each word where it stands: {page, xMin, yMin, xMax, yMax, text}, in points.
    const words = [];
    let at = 0;
    for (const line of run("pdftotext", ["-bbox", file, "-"]).split("\n")) {
      if (line.includes("<page ")) ++at;
      const word = line.match(/<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">(.*)<\/word>/);
      if (word) words.push({ page: at, xMin: Number(word[1]), yMin: Number(word[2]), xMax: Number(word[3]), yMax: Number(word[4]), text: word[5] });
    }
    const found = [];
    if (codes) {
      run("pdftoppm", ["-r", "300", "-gray", "-png", file, join(folder, "page")]);
      for (let n = 1; n <= pages; ++n) {
        const image = readdirSync(folder).find((f) => new RegExp(`^page-0*${n}\\.png$`).test(f));
        // zbarimg says 4 where it finds no code.
        const r = spawnSync("zbarimg", ["--raw", "-q", "-Sdisable", "-Sqrcode.enable", join(folder, image)], { encoding: "utf8" });
        if (r.error || (r.status !== 0 && r.status !== 4)) throw r.error ?? new Error(`zbarimg: ${r.stderr}`);
        for (const line of r.stdout.split("\n").filter(Boolean)) found.push({ page: n, text: line });
      }
    }
    return { text, pages, title, pageTexts: text.split("\f").slice(0, pages), words, codes: found };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}
