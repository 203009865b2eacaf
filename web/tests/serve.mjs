// A static host on 127.0.0.1 for the hosted edition, as hosts serve it: each file with its type
// (.wasm as application/wasm), compressed with gzip where the browser takes it, the page and the
// service worker to be asked for again each time. The folder it serves can be switched (a new build
// published), a file held back (a slow line: `hold(url)` gives a promise to wait for, or nothing), a
// file sent in two parts (`cut(url)` gives {at, until}: the file up to `at`, the rest, uncompressed,
// once `until` has resolved), a file's bytes replaced (`alter(url, bytes)` gives the bytes to send,
// a host that cuts or swaps files; `fault(plan)` below), headers added to every answer (`headers`)
// and the server stopped (the network gone). The folder's `_headers` file (the form Netlify and
// Cloudflare Pages read: an address pattern, then its headers indented below it) is applied as such
// a host applies it, and not served. `requests` lists the addresses asked for; `log` each asked for
// and each answered ("asked"/"sent", address), in order.
// Run alone: node serve.mjs FOLDER [PORT].
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { gzipSync } from "node:zlib";

const types = {
  ".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8", ".js": "text/javascript; charset=utf-8", ".wasm": "application/wasm",
  ".webmanifest": "application/manifest+json", ".png": "image/png", ".svg": "image/svg+xml",
  ".ico": "image/x-icon", ".woff": "font/woff", ".txt": "text/plain; charset=utf-8",
};
const compressible = new Set([".html", ".css", ".js", ".wasm", ".webmanifest", ".svg", ".txt", ".ico"]);

// The headers a `_headers` file gives an address: [[pattern, {name: value}]] in the file's order,
// a pattern ending in * standing for every address that begins as it does.
export function parseHeaders(text) {
  const rules = [];
  for (const line of text.split("\n")) {
    if (/^\S/.test(line)) rules.push([line.trim(), {}]);
    else if (line.trim() && !line.trim().startsWith("#") && rules.length > 0) {
      const at = line.indexOf(":");
      rules.at(-1)[1][line.slice(0, at).trim().toLowerCase()] = line.slice(at + 1).trim();
    }
  }
  return rules;
}
const headersFor = (rules, path) => Object.assign({}, ...rules
  .filter(([pattern]) => (pattern.endsWith("*") ? path.startsWith(pattern.slice(0, -1)) : path === pattern)).map(([, h]) => h));

export async function serve(folder, port = 0) {
  const host = { folder, requests: [], log: [], hold: () => null, cut: () => null, alter: (url, bytes) => bytes, headers: {} };
  host.fault = (plan) => fault(host, plan);
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://host").pathname));
    const name = path.endsWith("/") ? `${path}index.html` : path;
    host.requests.push(request.url);
    host.log.push(["asked", request.url]);
    await host.hold(request.url);
    let body, own;
    try {
      if (name === "/_headers") throw new Error("the host's own");
      const rules = parseHeaders(await readFile(join(host.folder, "_headers"), "utf8").catch(() => ""));
      own = { ...headersFor(rules, path), ...host.headers };
      body = await host.alter(request.url, await readFile(join(host.folder, name)));
    } catch {
      response.writeHead(404, { "content-type": "text/plain" }).end("not found");
      return;
    }
    const ext = extname(name), type = types[ext] ?? "application/octet-stream", cut = host.cut(request.url);
    if (cut) {
      const text = body.toString("utf8"), at = text.indexOf(cut.at);
      response.writeHead(200, { ...own, "content-type": type, "cache-control": "no-cache" });
      response.write(text.slice(0, at));
      await cut.until;
      response.end(text.slice(at), () => host.log.push(["sent", request.url]));
      return;
    }
    const headers = { ...own, "content-type": type,
                      "cache-control": [".html", ".css", ".js", ".webmanifest"].includes(ext) ? "no-cache" : "max-age=3600" };
    if (compressible.has(ext) && /\bgzip\b/.test(request.headers["accept-encoding"] ?? "")) {
      body = gzipSync(body, { level: 6 });
      headers["content-encoding"] = "gzip";
    }
    response.writeHead(200, { ...headers, "content-length": body.length }).end(body, () => host.log.push(["sent", request.url]));
  });
  await new Promise((resolve) => server.listen(port, "127.0.0.1", resolve));
  host.url = `http://127.0.0.1:${server.address().port}/`;
  host.close = () => new Promise((resolve) => { server.close(resolve); server.closeAllConnections(); });
  return host;
}

// A host at fault while a service worker installs: from the moment its script is asked for until
// off(), each file the plan names (as the worker's list names it: "./" for the page) is answered
// with its first half ("cut"), another file's bytes ({ swap: file }) or index.html's ("index"), the
// type its own name gives. `faulted` lists the files so answered, `changed` those of them whose
// bytes were not their own.
function fault(host, plan) {
  const previous = host.alter, faulted = new Set(), changed = new Set();
  let on = false;
  const fileOf = (url) => (url.replace(/^\//, "") || "./").replace(/^index\.html$/, "./");
  const bytesOf = (file) => readFile(join(host.folder, file === "./" ? "index.html" : file.split("?")[0]));
  host.alter = async (url, bytes) => {
    if (url.split("?")[0] === "/sw.js") on = true;
    const file = fileOf(url), kind = plan[file];
    if (!on || kind === undefined) return previous(url, bytes);
    const sent = kind === "cut" ? bytes.subarray(0, Math.floor(bytes.length / 2))
      : kind === "index" ? await bytesOf("./") : await bytesOf(kind.swap);
    faulted.add(file);
    if (!sent.equals(bytes)) changed.add(file);
    return sent;
  };
  return { faulted, changed, off: () => { host.alter = previous; } };
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const host = await serve(process.argv[2], Number(process.argv[3] ?? 0));
  console.log(host.url);
}
