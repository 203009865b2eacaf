"use strict";
// A job of the workbench: one of the companion's commands in a worker of its own. A new run
// supersedes the one in flight: that one's worker is ended (its promise rejects with
// app.Cancelled) and a fresh one answers the new run, so nothing waits behind a job nobody wants
// any more. What a run answers is the command's status, output and the core's reading of it
// (`view`); the state decides what the page shows of it.
(() => {
  class Job {
    constructor() { this.commands = new app.Commands(); }

    // Nothing is wanted of this job any more: whatever is in flight is ended.
    stop() { if (this.commands.busy) this.commands.cancel(); }

    // args: the command line after the program's name (null: a batch); bytes: standard input;
    // progress(done): how far the input is read; view: rows wanted in the core's reading of the
    // output; file: the name of the file read, for its words.
    run(args, { bytes = new Uint8Array(0), progress = null, view = 0, file = "" } = {}) {
      this.stop();
      return this.commands.run(args, bytes, progress, { view, file });
    }
  }

  app.Job = Job;
})();
