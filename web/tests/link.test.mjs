// A link's fields are capped: one over the cap is cut to it and said in the link's notice, the
// page ready as for any link; one at the cap is taken whole, in silence. Needs VORDANEL_PAGE.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { launch } from "./driver.mjs";

let session;
before(async () => { session = await launch(); });
after(async () => { await session?.close(); });

const cap = 500;
// Links of half a megabyte: Firefox takes no address of a megabyte or more.
const rows = [
  { name: "a project of half a megabyte", field: "project", box: "project", text: "x".repeat(1 << 19), kept: cap, said: true },
  { name: "a site one over the cap", field: "site", box: "site", text: "y".repeat(cap + 1), kept: cap, said: true },
  // Cut before a character outside the BMP, not through it.
  { name: "an author cut at a surrogate pair", field: "author", box: "author", text: `${"a".repeat(cap - 1)}\u{1F30A}b`, kept: cap - 1, said: true },
  { name: "a project at the cap", field: "project", box: "project", text: "z".repeat(cap), kept: cap, said: false },
  { name: "a diameter of half a megabyte", field: "d", box: "Text6", text: "1".repeat(1 << 19), kept: cap, said: true },
];

for (const row of rows) {
  test(`${row.name}: ${row.said ? "cut to the cap and said" : "taken whole"}`, async () => {
    const page = await session.browser.newPage();
    try {
      const fragment = new URLSearchParams({ d: "100", q: "40", [row.field]: row.text });
      await page.goto(`${session.url}#${fragment}`);
      await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 60_000 })
        .catch(() => { throw new Error("the page never became ready"); });
      assert.equal(await page.$eval(`#${row.box}`, (e) => e.value), row.text.slice(0, row.kept));
      const notice = await page.$eval("#linkNotice", (e) => (e.hidden ? null : e.textContent));
      if (row.said) {
        assert.ok(notice?.includes(row.field) && notice.includes(String(cap)), `notice: ${notice}`);
      } else {
        assert.equal(notice, null);
      }
    } finally {
      await page.close();
    }
  });
}
