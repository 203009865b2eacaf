"use strict";
// The client of the companion's commands, which run in Web Workers so that a long table or batch
// never holds up the page, and window.vordanel.run, the console's way to them.
(() => {
  const $ = app.$;

  // The commands' WebAssembly, compiled once, off the page's thread: every worker, the first and
  // each fresh one after a cancelled job, instantiates the same compiled module, which costs a
  // moment. The hosted edition compiles it from its file as the bytes arrive; the one file holds it
  // gzipped in base64, which a worker of its own decodes, inflates and compiles.
  let compiled = null;
  const inflater = `onmessage = async (e) => {
    try {
      const bytes = Uint8Array.from(atob(e.data), (c) => c.charCodeAt(0));
      const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
      postMessage({ module: await WebAssembly.compile(await new Response(stream).arrayBuffer()) });
    } catch (error) {
      postMessage({ error: String(error) });
    }
  };`;
  function commandsModule() {
    const source = $("commandsWasm");
    compiled ??= source.type === "text/x-vordanel-url"
      ? vordanelCompile(new URL(source.textContent.trim(), document.baseURI).href)
      : new Promise((resolve, reject) => {
          const url = URL.createObjectURL(new Blob([inflater], { type: "text/javascript" }));
          const worker = new Worker(url);
          worker.onmessage = (e) => {
            worker.terminate();
            URL.revokeObjectURL(url);
            if (e.data.module) resolve(e.data.module);
            else reject(new Error(e.data.error));
          };
          worker.onerror = (e) => {
            e.preventDefault();
            worker.terminate();
            reject(new Error(e.message || "the commands' module could not be read"));
          };
          worker.postMessage(source.textContent.trim());
        });
    return compiled;
  }

  let workerUrl = null;
  function workerSource() {
    // The one file's worker is made of the scripts the page holds, so that it fetches nothing; the
    // hosted edition's is its file of the page's own build.
    const commands = $("commandsScript");
    if (commands.type === "text/x-vordanel-url") return new URL(commands.textContent.trim(), document.baseURI).href;
    workerUrl ??= URL.createObjectURL(new Blob(
      [commands.textContent, "\n", $("runnerScript").textContent, "\n", $("workerScript").textContent],
      { type: "text/javascript" }));
    return workerUrl;
  }

  // The whole page has been read: its last scripts are the workers' own.
  const parsed = document.readyState === "loading"
    ? new Promise((resolve) => document.addEventListener("DOMContentLoaded", resolve, { once: true })) : Promise.resolve();

  // What a cancelled request is rejected with: nobody waits for its answer any more.
  class Cancelled extends Error {
    constructor() { super("cancelled"); this.name = "Cancelled"; }
  }

  // One worker, started at its first request, answering requests in turn. cancel() ends it with
  // whatever it was doing; the next request starts a fresh one. A worker that only encodes
  // pictures is never handed the module.
  class Commands {
    constructor() {
      this.worker = null;
      this.fed = false;
      this.nextId = 1;
      this.pending = new Map();
    }
    get busy() { return this.pending.size > 0; }
    start() {
      this.spawn();
      if (this.fed) return;
      this.fed = true;
      const worker = this.worker;
      commandsModule().then((module) => worker.postMessage({ module }),
                            (e) => worker.postMessage({ error: `the commands cannot start: ${e}` }));
    }
    spawn() {
      if (this.worker) return;
      const worker = this.worker = new Worker(workerSource());
      this.fed = false;
      worker.onmessage = (e) => {
        const request = this.pending.get(e.data.id);
        if (!request || worker !== this.worker) return;
        if ("done" in e.data) {
          request.onProgress?.(e.data.done, e.data.total);
        } else if ("png" in e.data) {
          this.pending.delete(e.data.id);
          request.resolve(e.data.png);
        } else if ("error" in e.data) {
          this.pending.delete(e.data.id);
          request.reject(new Error(e.data.error));
        } else {
          this.pending.delete(e.data.id);
          const { stdout } = e.data;
          request.resolve({ ...e.data, stdout: stdout instanceof Blob ? stdout : new Uint8Array(stdout), stderr: new Uint8Array(e.data.stderr) });
        }
      };
      worker.onerror = (e) => {
        e.preventDefault();
        this.end(new Error(e.message || "the worker stopped"));
      };
    }
    end(reason) {
      this.worker?.terminate();
      this.worker = null;
      for (const request of this.pending.values()) request.reject(reason);
      this.pending.clear();
    }
    cancel() { this.end(new Cancelled()); }
    // The command line after the program's name (null: a batch), and standard input as bytes,
    // handed over to the worker, or as a Blob (a file chosen), which the worker reads as it goes;
    // { view, file } ask for the core's reading of the output, and stream for standard output as
    // a Blob, never whole in the worker's memory.
    run(args, input, onProgress = null, { view = 0, file = "", stream = false } = {}) {
      const blob = input instanceof Blob;
      return this.send({ args, input: blob ? input : input.buffer, progress: Boolean(onProgress), view, file, stream },
                       blob ? [] : [input.buffer], onProgress, true);
    }
    // A picture as PNG, put together from its strips and encoded in the worker, which needs no
    // module for it.
    png(picture) {
      return this.send({ png: picture }, picture.strips.map((strip) => strip.bitmap), null, false);
    }
    // The workers are made of scripts at the end of the page: a request made while it is still
    // being read (a link's head entry) goes once they are there, unless cancelled.
    send(message, transfer, onProgress, needsModule) {
      const id = this.nextId++;
      return new Promise((resolve, reject) => {
        this.pending.set(id, { resolve, reject, onProgress });
        parsed.then(() => {
          if (!this.pending.has(id)) return;
          if (needsModule) this.start();
          else this.spawn();
          this.worker.postMessage({ id, ...message }, transfer);
        });
      });
    }
  }
  app.Commands = Commands;

  // An image (an SVG's, decoded) as a PNG `width` × `height` pixels on white. The browser draws an
  // SVG when its canvas is read, on the page's thread: a year's hydrograph at once holds the page
  // for a tenth of a second, while a strip of it costs a fraction of that. So it is drawn in strips,
  // a task each, which a worker puts together and encodes; where a worker cannot, one canvas of
  // the page's encodes it.
  const stripWidth = 360;  // px
  const pictures = new Commands();
  app.png = async (image, width, height) => {
    const whole = () => {
      const canvas = Object.assign(document.createElement("canvas"), { width, height });
      const context = canvas.getContext("2d");
      context.fillStyle = "#fff";
      context.fillRect(0, 0, width, height);
      context.drawImage(image, 0, 0, width, height);
      return new Promise((resolve, reject) => canvas.toBlob((b) => (b ? resolve(b) : reject(new Error("no PNG"))), "image/png"));
    };
    if (typeof OffscreenCanvas === "undefined" || !image.naturalWidth || !image.naturalHeight) return whole();
    const scale = image.naturalWidth / width, strips = [];
    try {
      for (let x = 0; x < width; x += stripWidth) {
        if (x > 0) await new Promise((resolve) => setTimeout(resolve));
        const w = Math.min(stripWidth, width - x), canvas = Object.assign(document.createElement("canvas"), { width: w, height });
        canvas.getContext("2d").drawImage(image, x * scale, 0, w * scale, image.naturalHeight, 0, 0, w, height);
        strips.push({ x, bitmap: await createImageBitmap(canvas) });
      }
      return await pictures.png({ width, height, strips });
    } catch {
      for (const { bitmap } of strips) bitmap.close();
      return whole();
    }
  };

  app.Cancelled = Cancelled;

  // Standard input as vordanel.run takes it: a string (sent as UTF-8) or bytes, copied so that the
  // caller's buffer stays theirs.
  function inputBytes(input) {
    if (input === undefined || input === null) return new Uint8Array(0);
    if (typeof input === "string") return new TextEncoder().encode(input);
    if (input instanceof ArrayBuffer) return new Uint8Array(input.slice(0));
    if (ArrayBuffer.isView(input)) return new Uint8Array(input.buffer, input.byteOffset, input.byteLength).slice();
    throw new TypeError("vordanel.run: the input is a string, an ArrayBuffer or a typed array");
  }

  // An output as text where it is UTF-8, which then stands for exactly its bytes; else the bytes
  // themselves (a batch passes a Shift_JIS file's cells through as they are).
  const strictUtf8 = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });
  function textOrBytes(bytes) {
    try {
      return strictUtf8.decode(bytes);
    } catch {
      return bytes;
    }
  }

  // The console interface: `await vordanel.run(["head", "-d", "100", "-q", "40"])` gives
  // {status, stdout, stderr}, exactly what vordanel-cli gives. Its worker is its own: the
  // workbench's jobs, cancelled as they are superseded, never take a console command with them.
  const consoleCommands = new Commands();
  window.vordanel = Object.freeze({
    async run(args, input) {
      if (!Array.isArray(args) || args.some((a) => typeof a !== "string" || a.includes("\0")))
        throw new TypeError("vordanel.run: the arguments are a list of strings without NUL");
      const r = await consoleCommands.run([...args], inputBytes(input));
      return { status: r.status, stdout: textOrBytes(r.stdout), stderr: textOrBytes(r.stderr) };
    },
  });
})();
