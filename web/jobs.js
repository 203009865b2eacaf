"use strict";
// The workbench's jobs: a rating table, a batch, the flow at a head. Each runs the companion's
// command in a worker of its own, through one lifecycle: its element's data-state goes "running",
// then "done" or "failed"; its summary says what came of it, and so does the live region; its
// download link has an href only once there is something to download; and an event
// (vordanel-<name>-done) follows. A new run supersedes the one in flight: that one's worker is
// ended and a fresh one answers the new run, so nothing waits behind a job nobody wants any more,
// and no answer or progress of the old one reaches the page.
(() => {
  const utf8 = new TextDecoder();  // what is not UTF-8 shows as U+FFFD, as in a terminal

  class Job {
    // name: the event's; element: the one that carries data-state; summary, link, bar: elements
    // or null.
    constructor({ name, element, summary = null, link = null, bar = null }) {
      Object.assign(this, { name, element, summary, link, bar });
      this.commands = new app.Commands();
      this.token = 0;
      this.url = null;
    }

    // Warms the worker up while the page is idle, so that the first run does not wait for it.
    warm() { this.commands.start(); }

    // Nothing is wanted of this job any more: whatever is in flight is ended and the section emptied.
    stop() {
      this.token++;
      if (this.commands.busy) this.commands.cancel();
      if (this.summary) this.summary.textContent = "";
      this.element.dataset.state = "idle";
    }

    // Runs args (null: a batch) on bytes and hands the answer to show(r), which fills the section
    // and returns {summary, failed, download: {bytes, name} | null}. `running` is what the summary
    // says meanwhile (null: what it said before); `shown` asks a batch for its first records.
    async run({ args, bytes = new Uint8Array(0), running = "計算中…", shown = 0 }, show) {
      const token = ++this.token;
      if (this.commands.busy) this.commands.cancel();
      const { element, summary, link, bar } = this;
      if (link) {
        link.removeAttribute("href");
        link.setAttribute("aria-disabled", "true");
      }
      element.dataset.state = "running";
      if (summary && running !== null) summary.textContent = running;
      if (bar) {
        bar.max = Math.max(bytes.length, 1);
        bar.value = 0;
      }
      let r;
      try {
        r = await this.commands.run(args, bytes, bar && ((done) => { if (token === this.token) bar.value = done; }), shown);
      } catch (e) {
        if (e instanceof app.Cancelled) return;  // superseded: the new run owns the section
        r = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(String(e.message ?? e)) };
      }
      if (token !== this.token) return;
      if (bar) bar.value = bar.max;
      const stderr = utf8.decode(r.stderr).trim();
      // A usage error or a bad entry: the companion wrote nothing and said why.
      const failed = r.status === 2 && r.stdout.length === 0;
      const outcome = failed ? { summary: stderr || "計算できませんでした", failed: true } : show(r, stderr);
      if (this.url) URL.revokeObjectURL(this.url);
      this.url = null;
      if (link && outcome.download) {
        this.url = URL.createObjectURL(new Blob([outcome.download.bytes], { type: "text/csv" }));
        link.href = this.url;
        link.download = outcome.download.name;
        link.removeAttribute("aria-disabled");
      }
      if (summary) summary.textContent = outcome.summary;
      app.announce(outcome.summary);
      element.dataset.state = outcome.failed ? "failed" : "done";
      element.dispatchEvent(new CustomEvent(`vordanel-${this.name}-done`, { bubbles: true }));
    }
  }

  // The lines of a command's CSV output, counted on the bytes and only the first `shown` decoded:
  // a million-row table is 25 MB. Returns {header: cells, rows: [cells], count: rows in all}.
  function csvLines(bytes, shown) {
    let lineEnds = 0, shownEnd = bytes.length;
    for (let at = bytes.indexOf(10); at !== -1; at = bytes.indexOf(10, at + 1)) {
      if (++lineEnds === shown + 1) shownEnd = at;
    }
    const lines = utf8.decode(bytes.subarray(0, shownEnd)).split("\n");
    const count = Math.max(lineEnds - 1, 0);  // the header line is not a row
    return { header: lines[0].split(","), rows: lines.slice(1, 1 + Math.min(count, shown)).map((l) => l.split(",")), count };
  }

  // A batch's first records as the worker's CSV reader split them (see vordanel_preview).
  function previewRecords(buffer) {
    const view = new DataView(buffer), bytes = new Uint8Array(buffer), records = [];
    for (let at = 0; at < bytes.length;) {
      const fields = [];
      for (let n = view.getUint32(at, true), i = (at += 4, 0); i < n; ++i) {
        const size = view.getUint32(at, true);
        fields.push(utf8.decode(bytes.subarray(at + 4, at + 4 + size)));
        at += 4 + size;
      }
      records.push(fields);
    }
    return records;
  }

  app.Job = Job;
  app.csvLines = csvLines;
  app.previewRecords = previewRecords;
})();
