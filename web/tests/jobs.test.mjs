// A job of the workbench that fails or is cancelled is shown failed, whatever output it made before
// it stopped: its section says why, with no row count, no rows and nothing to download. Needs
// VORDANEL_PAGE and VORDANEL_CLI.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { rmSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { launch, scratch } from "./driver.mjs";

let session, files;
before(async () => {
  session = await launch();
  files = scratch("jobs");
  // A batch long enough to be cancelled while it runs.
  writeFileSync(join(files, "long.csv"), "diameter_mm,flow_lpm\n" + "100,40\n".repeat(4_000_000));
});
after(async () => {
  await session?.close();
  rmSync(files, { recursive: true, force: true });
});

// The table that outgrows the worker's memory after writing millions of rows.
const huge = "#d=100&by=heads&from=0&to=99999&step=0.001";
const running = (section) => (page) => page.waitForFunction((id) => document.getElementById(id).dataset.state === "running", { timeout: 60_000 }, section);
const jobs = [
  { name: "a table that runs out of memory", section: "table", link: huge, start: (page) => page.click("#tableRun"), said: null },
  { name: "a table cancelled", section: "table", link: huge, start: (page) => page.click("#tableRun"),
    stop: async (page) => { await running("tableSection")(page); await page.click("#tableCancel"); }, said: "job_cancelled" },
  { name: "a batch cancelled", section: "batch", link: "", start: async (page) => (await page.$("#batchFile")).uploadFile(join(files, "long.csv")),
    stop: async (page) => { await running("batchSection")(page); await page.click("#batchCancel"); }, said: "job_cancelled" },
];

for (const job of jobs) {
  test(`${job.name} is shown failed: no row count, no rows, no download`, async () => {
    const page = await session.browser.newPage();
    try {
      await page.goto(session.url + job.link);
      await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready", { timeout: 20_000 });
      await page.evaluate((id) => {
        window.vordanelJobDone = false;
        document.getElementById(id).addEventListener(`vordanel-${id.replace("Section", "")}-done`, () => { window.vordanelJobDone = true; }, { once: true });
      }, `${job.section}Section`);
      await job.start(page);
      await job.stop?.(page);
      await page.waitForFunction(() => window.vordanelJobDone, { timeout: 240_000, polling: 500 });
      const shown = await page.evaluate((s) => ({
        state: document.getElementById(`${s}Section`).dataset.state,
        summary: document.getElementById(`${s}Summary`).textContent,
        href: document.getElementById(`${s}Download`).getAttribute("href"),
        rows: document.getElementById(`${s}Rows`).tBodies[0].rows.length,
        cancel: document.getElementById(`${s}Cancel`).disabled,
        words: app.call("words", []),
      }), job.section);
      assert.equal(shown.state, "failed");
      assert.equal(shown.href, null, "a download of a failed job");
      assert.equal(shown.rows, 0, "rows of a failed job");
      assert.equal(shown.cancel, true, "a job that has ended can still be cancelled");
      // The reason, in the core's words: no count of rows as if the job were complete.
      assert.doesNotMatch(shown.summary, /\d/);
      assert.ok(shown.summary.length > 0 && shown.summary !== shown.words.job_failed.replace("{why}", ""));
      if (job.said) assert.equal(shown.summary, shown.words[job.said]);
    } finally {
      await page.close();
    }
  });
}
