// What the hosted edition's tests share: the site (build-web/site beside the built page) served
// from a copy of its own on 127.0.0.1, with the headers its build wrote for hosts (_headers: the
// Content-Security-Policy among them), a browser on a fresh profile, and every page of it watched
// for what it throws and for anything the policy blocks.
import assert from "node:assert/strict";
import { cpSync, existsSync, readFileSync, rmSync } from "node:fs";
import { dirname, join } from "node:path";
import { built, native, scratch, startBrowser } from "./driver.mjs";
import { serve } from "./serve.mjs";

export const site = process.env.VORDANEL_SITE ?? join(dirname(built ?? "."), "site");
export const skip = !existsSync(join(site, "index.html")) && `${site} is not built`;

// A promise within `ms`, or a failure that says what was waited for.
export function within(promise, ms, what) {
  let timer;
  const late = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: not within ${ms / 1000} s`)), ms);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// The page's errors and the policy's refusals, as the console and the page's own
// securitypolicyviolation events report them, pushed into `into`.
const blocked = /Content.Security.Policy|securitypolicyviolation|Refused to/i;
export async function watch(page, into) {
  page.on("pageerror", (e) => into.push(String(e)));
  page.on("console", (m) => { if (blocked.test(m.text())) into.push(m.text()); });
  await page.evaluateOnNewDocument(() => {
    document.addEventListener("securitypolicyviolation", (e) => {
      console.error(`securitypolicyviolation: ${e.violatedDirective} blocked ${e.blockedURI || "inline"} (${e.sourceFile}:${e.lineNumber})`);
    });
  });
  return page;
}

// A browser on a fresh profile, the site copied into a scratch folder and served from there.
// newPage() gives a watched page, whose errors gather in `errors`.
export async function hosted() {
  const profile = scratch("site-profile"), folder = scratch("site");
  cpSync(site, folder, { recursive: true });
  const browser = await startBrowser(profile);
  const host = await serve(folder);
  const errors = [];
  return {
    browser, host, folder, errors,
    newPage: async () => watch(await browser.newPage(), errors),
    async close() {
      await browser.close().catch(() => {});
      await host.close();
      for (const f of [profile, folder]) rmSync(f, { recursive: true, force: true });
    },
  };
}

export const ready = (page, timeout = 30_000) =>
  page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout })
    .catch((e) => { throw new Error(`the page never became ready (${e.message})`); });

// 計算 pressed on entries; the head shown must be the companion's.
export async function answers(page, entries = ["100", "40", "1", "99"]) {
  await page.evaluate((entries) => {
    ["Text6", "Text1", "Text2", "Text3"].forEach((id, i) => { document.getElementById(id).value = entries[i]; });
    document.getElementById("Command1").click();
  }, entries);
  await page.waitForFunction(() => document.getElementById("VORDANEL").dataset.state === "answered", { timeout: 20_000 });
  const expected = native(["head", "-d", entries[0], "-q", entries[1], "--min", entries[2], "--max", entries[3]])
    .stdout.toString().split("\n")[0].split(" ").at(-1);
  assert.equal(await page.$eval("#Text4", (e) => e.value), expected);
  // The link to the calculation is the hosted address with the entries after the #.
  await page.waitForFunction(() => document.getElementById("shareLink").href.includes("#"));
  const link = new URL(await page.$eval("#shareLink", (a) => a.href));
  assert.equal(`${link.origin}${link.pathname}`, new URL(page.url()).href.replace(/[?#].*$/, ""));
  // The companion's commands too, whose module is fetched only when a worker first needs it.
  const run = await within(page.evaluate(() => vordanel.run(["head", "-d", "100", "-q", "40"])), 30_000, "vordanel.run");
  assert.equal(run.stdout, native(["head", "-d", "100", "-q", "40"]).stdout.toString());
}

// The files the service worker keeps, as the build listed them in it, each with its bytes here.
export const keptFiles = (folder) => JSON.parse(readFileSync(join(folder, "sw.js"), "utf8").match(/^const files = (\[.*\]);$/m)[1]);
export const onDisk = (folder, file) => readFileSync(join(folder, file === "./" ? "index.html" : file.split("?")[0]));
