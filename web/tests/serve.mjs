// A static host on 127.0.0.1 for the hosted edition, as hosts serve it: each file with its type
// (.wasm as application/wasm), compressed with gzip where the browser takes it, the page and the
// service worker to be asked for again each time. The folder it serves can be switched (a new build
// published), a file held back (a slow line: `hold(url)` gives a promise to wait for, or nothing), a
// file sent in two parts (`cut(url)` gives {at, until}: the file up to `at`, the rest, uncompressed,
// once `until` has resolved), a file's bytes replaced (`alter(url, bytes)` gives the bytes to send,
// a host that cuts or swaps files), headers added to every answer (`headers`, a policy) and the
// server stopped (the network gone). `requests` lists the
// addresses asked for; `log` each asked for and each answered ("asked"/"sent", address), in order.
// Run alone: node serve.mjs FOLDER [PORT].
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { gzipSync } from "node:zlib";

const types = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8", ".wasm": "application/wasm",
  ".webmanifest": "application/manifest+json", ".png": "image/png", ".svg": "image/svg+xml",
  ".ico": "image/x-icon", ".woff": "font/woff", ".txt": "text/plain; charset=utf-8",
};
const compressible = new Set([".html", ".js", ".wasm", ".webmanifest", ".svg", ".txt", ".ico"]);

export async function serve(folder, port = 0) {
  const host = { folder, requests: [], log: [], hold: () => null, cut: () => null, alter: (url, bytes) => bytes, headers: {} };
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://host").pathname));
    const name = path.endsWith("/") ? `${path}index.html` : path;
    host.requests.push(request.url);
    host.log.push(["asked", request.url]);
    await host.hold(request.url);
    let body;
    try {
      body = await host.alter(request.url, await readFile(join(host.folder, name)));
    } catch {
      response.writeHead(404, { "content-type": "text/plain" }).end("not found");
      return;
    }
    const ext = extname(name), type = types[ext] ?? "application/octet-stream", cut = host.cut(request.url);
    if (cut) {
      const text = body.toString("utf8"), at = text.indexOf(cut.at);
      response.writeHead(200, { ...host.headers, "content-type": type, "cache-control": "no-cache" });
      response.write(text.slice(0, at));
      await cut.until;
      response.end(text.slice(at), () => host.log.push(["sent", request.url]));
      return;
    }
    const headers = { ...host.headers, "content-type": type,
                      "cache-control": [".html", ".js", ".webmanifest"].includes(ext) ? "no-cache" : "max-age=3600" };
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

if (import.meta.url === `file://${process.argv[1]}`) {
  const host = await serve(process.argv[2], Number(process.argv[3] ?? 0));
  console.log(host.url);
}
