// A host at fault while the hosted edition's service worker installs: each file the worker keeps,
// in turn, is cut to half, swapped with the next file of the build, and answered with index.html,
// one fault an install. The page still opens from the network, no cache ever holds a byte that is
// not the build's, a fault the worker saw fails its install; and once the host is right again, the
// next visit installs the build and it then opens and answers with the network gone. Each file on
// a host (an origin) of its own, so that nothing one leaves behind meets the next.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { createHash } from "node:crypto";
import { cpSync, rmSync } from "node:fs";
import { scratch, startBrowser } from "./driver.mjs";
import { answers, keptFiles, onDisk, ready, site, skip, watch, within } from "./hosting.mjs";
import { serve } from "./serve.mjs";

const files = skip ? [] : keptFiles(site);
const hashes = Object.fromEntries(files.map((f) => [f, createHash("sha256").update(onDisk(site, f)).digest("hex")]));
const faults = [
  ["cut to half", () => "cut"],
  ["swapped with the next file", (at) => ({ swap: files[(at + 1) % files.length] })],
  ["answered with index.html", () => "index"],
];

let browser, profile, folder;
before(async () => {
  if (skip) return;
  profile = scratch("faults-profile");
  folder = scratch("faults-site");
  cpSync(site, folder, { recursive: true });
  browser = await startBrowser(profile);
});
after(async () => {
  await browser?.close().catch(() => {});
  for (const f of [profile, folder]) if (f) rmSync(f, { recursive: true, force: true });
});

// The install this page started, once it has ended: "activated", or "redundant" where it failed.
async function installEnded(page) {
  await page.waitForFunction(() => ["activated", "redundant"].includes(document.documentElement.dataset.vordanelWorker), { timeout: 30_000 })
    .catch((e) => { throw new Error(`the service worker's install never ended (${e.message})`); });
  return page.evaluate(() => document.documentElement.dataset.vordanelWorker);
}

// Every entry of the origin's caches, by its address within the site, with the SHA-256 of its bytes.
const cached = (page) => within(page.evaluate(async () => {
  const hex = (b) => [...new Uint8Array(b)].map((x) => x.toString(16).padStart(2, "0")).join("");
  const found = [];
  for (const key of await caches.keys()) {
    const cache = await caches.open(key);
    for (const request of await cache.keys()) {
      const bytes = await (await cache.match(request)).arrayBuffer();
      found.push([request.url.slice(location.origin.length + 1) || "./", hex(await crypto.subtle.digest("SHA-256", bytes))]);
    }
  }
  return found;
}), 20_000, "reading the caches");

// The origin as a first visit finds it: no service worker, no cache.
const forget = (page) => within(page.evaluate(async () => {
  for (const r of await navigator.serviceWorker.getRegistrations()) await r.unregister();
  for (const key of await caches.keys()) await caches.delete(key);
}), 20_000, "clearing the origin");

files.forEach((file, at) => {
  test(`${file} cut, swapped or answered with index.html during install: never stuck, and a clean visit installs`, { skip }, async () => {
    const host = await serve(folder), errors = [];
    const page = await watch(await browser.newPage(), errors);
    try {
      await within(page.goto(`${host.url}IPA_Font_License.txt`), 30_000, "opening the host");
      await forget(page);  // a port used before by another file's host
      for (const [name, kind] of faults) {
        const fault = host.fault({ [file]: kind(at) });
        await within(page.goto(host.url), 30_000, `opening the page (${name})`);
        await ready(page).catch((e) => { throw new Error(`${name}: ${e.message}; ${errors.join("; ")}`); });
        const ended = await installEnded(page);
        fault.off();
        assert.ok(fault.faulted.has(file), `${name}: the install never asked for ${file}`);
        for (const [entry, hash] of await cached(page)) assert.equal(hash, hashes[entry], `${name}: ${entry} kept with bytes not the build's`);
        if (fault.changed.size > 0) assert.equal(ended, "redundant", `${name}: the install took a file that was not the build's`);
        await forget(page);
      }
      // The host right again: the next visit installs the build, which then answers offline.
      await within(page.goto(host.url), 30_000, "opening the page once the host is right");
      await ready(page);
      assert.equal(await installEnded(page), "activated", "the clean visit's install");
      await page.waitForFunction(() => Boolean(navigator.serviceWorker.controller), { timeout: 30_000 })
        .catch(() => { throw new Error("the installed build never took the page"); });
      assert.deepEqual((await cached(page)).map(([entry]) => entry).sort(), [...files].sort(), "the build's files in its cache");
      await host.close();
      await within(page.reload(), 30_000, "reloading with the network gone");
      await ready(page);
      await answers(page);
      assert.deepEqual(errors, []);
    } finally {
      await page.close().catch(() => {});
      await host.close();
    }
  });
});
