#!/usr/bin/env python3
"""Builds the hosted edition: a folder that any static host serves as it is. The same page as the
one file, whose two WebAssembly modules and font are files of their own (fetched as early as the
page can use them, the font shown with a fallback until it is there), with a web app manifest,
icons drawn from icon.svg, and a service worker that keeps one build's files together, in a cache
named by their hash."""
import gzip
import hashlib
import html
import json
import pathlib
import re
import shutil
import struct
import subprocess
import sys

import catalogue  # beside this script

HERE = pathlib.Path(__file__).resolve().parent
HOSTED = HERE.parent / "hosted"  # the hosted edition's own sources


def wasm_of(script):
    """An emscripten SINGLE_FILE script without its WebAssembly, and that WebAssembly."""
    import base64
    prefix = "data:application/octet-stream;base64,"
    found = re.search(re.escape(prefix) + r"([A-Za-z0-9+/=]+)", script)
    if not found:
        sys.exit("no inlined WebAssembly in a module's script")
    return script[:found.start(1)] + script[found.end(1):], base64.b64decode(found.group(1))


def png(svg, size, out):
    subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), str(svg), "-o", str(out)], check=True)


def ico(png_file, size, out):
    # One PNG image in an ICO container, which every browser since Windows Vista's reads.
    data = pathlib.Path(png_file).read_bytes()
    header = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), 22)
    pathlib.Path(out).write_bytes(header + data)


def write_site(out, html_of, core, commands, workers, window_scripts, bench_scripts, font, licence, version):
    """html_of(parts) gives the page for the parts that differ from the one file's."""
    out = pathlib.Path(out)
    if out.exists():
        shutil.rmtree(out)
    out.mkdir(parents=True)
    core_script, core_wasm = wasm_of(core)
    commands_script, commands_wasm = wasm_of(commands)
    files = {
        "vordanel_page.wasm": core_wasm,
        "vordanel_commands.wasm": commands_wasm,
        "ipagp.woff": font,
        "IPA_Font_License.txt": licence.encode(),
    }
    for name, data in files.items():
        (out / name).write_bytes(data)
    for size in (192, 512):
        png(HOSTED / "icon.svg", size, out / f"icon-{size}.png")
    # PNGs only: Chromium parses an SVG icon on the page's thread, a long task on a slow phone.
    png(HOSTED / "icon.svg", 180, out / "apple-touch-icon.png")
    png(HOSTED / "icon.svg", 32, out / "favicon-32.png")
    ico(out / "favicon-32.png", 32, out / "favicon.ico")
    (out / "favicon-32.png").unlink()

    words = catalogue.words()
    described = words["weir_title"] + words["window_formula"]
    manifest = {
        "id": "./", "name": "VORDANEL " + words["weir_title"], "short_name": "VORDANEL",
        "description": described, "lang": "ja", "dir": "ltr",
        "start_url": "./", "scope": "./", "display": "standalone",
        "theme_color": "#c0c0c0", "background_color": "#808080",
        "icons": [
            {"src": "icon-192.png", "sizes": "192x192", "type": "image/png", "purpose": "any"},
            {"src": "icon-512.png", "sizes": "512x512", "type": "image/png", "purpose": "any"},
            {"src": "icon-512.png", "sizes": "512x512", "type": "image/png", "purpose": "maskable"},
        ],
    }
    (out / "manifest.webmanifest").write_text(json.dumps(manifest, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")

    # The build's name: a hash of everything it serves but the page and the service worker, which
    # name it; the page's version and its scripts go in through their text below.
    digest = hashlib.sha256()
    for f in sorted(out.iterdir()):
        digest.update(f.name.encode() + b"\0" + f.read_bytes())
    worker_script = "\n".join([commands_script, *workers])
    for text in (core_script, worker_script, html_of({}), (HOSTED / "hosted.js").read_text(encoding="utf-8")):
        digest.update(text.encode())
    build = digest.hexdigest()[:16]

    tagged = lambda name: f"{name}?v={build}"
    head = f"""<meta name="vordanel-build" content="{build}">
<meta name="description" content="{html.escape(described)} — VORDANEL {version} {html.escape(words['web_edition'])}">
<meta name="theme-color" content="#c0c0c0">
<link rel="manifest" href="manifest.webmanifest">
<link rel="icon" href="favicon.ico" sizes="32x32">
<link rel="apple-touch-icon" href="apple-touch-icon.png">
<link rel="preload" href="{tagged('vordanel.js')}" as="script">
<script>
// A module fetched and compiled as its bytes arrive (from the whole file, where a host sends .wasm
// under another type). One that does not compile is dropped from the service worker's caches and
// fetched once more from the host, so that a bad copy kept is never the only one tried.
window.vordanelCompile = (url) => {{
  const compile = (init) => fetch(url, {{ credentials: "same-origin", ...init }}).then((response) =>
    WebAssembly.compileStreaming(response.clone()).catch(() => response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes))));
  return compile().catch(async () => {{
    if (self.caches) for (const key of await caches.keys()) if (key.startsWith("vordanel-")) await (await caches.open(key)).delete(url);
    return compile({{ cache: "reload" }});
  }});
}};
// The core's module asked for from the page's first line; the page's scripts, which run once the
// window has been painted, make it an instance.
window.vordanelCoreModule = vordanelCompile(new URL({json.dumps(tagged('vordanel_page.wasm'))}, document.baseURI).href);
</script>"""
    # The core's module, compiled meanwhile (above), made an instance; the font asked for only then,
    # so that it never takes the core's share of a slow line, the captions shown meanwhile in the
    # system's IPA font or sans-serif.
    core_loader = f"""
VordanelCore = ((make) => (options = {{}}) => make({{ ...options, instantiateWasm(imports, receive) {{
  vordanelCoreModule.then((module) => WebAssembly.instantiate(module, imports).then((instance) => {{
    receive(instance, module);
    // Given to the page once loaded: the page's text is laid out again once, with it.
    const face = new FontFace("IPA P Gothic VORDANEL", 'url("{tagged('ipagp.woff')}") format("woff")');
    face.load().then(() => document.fonts.add(face), () => {{ /* the fallback stays */ }});
  }}));
  return {{}};
}} }}))(VordanelCore);
"""
    # The window's scripts with the core's: a press of 計算 before they have run is caught by the
    # page's first lines and answered once they have. The workbench's scripts in a file of their
    # own, so that on a slow line they never take the core's share.
    window_file = "\n".join([core_script, core_loader, *window_scripts])
    (out / "vordanel.js").write_text(window_file, encoding="utf-8")
    bench_file = "\n".join([*bench_scripts, (HOSTED / "hosted.js").read_text(encoding="utf-8")])
    (out / "vordanel_bench.js").write_text(bench_file, encoding="utf-8")
    # Right after the window's markup: the window's scripts asked for once the window has been
    # painted (at once where it already has been: on a slow phone the parser gets here well after
    # the first paint), so that they run while the rest of the page is still being parsed; the
    # workbench's once the core's bytes are in and the page has been parsed.
    starter = f"""<script>
(() => {{
  let started = false;
  const load = (src) => {{
    const script = document.createElement("script");
    script.src = src;
    script.async = false;  // in the order asked for
    document.head.append(script);
  }};
  const parsed = new Promise((resolve) => {{
    if (document.readyState !== "loading") resolve();
    else document.addEventListener("DOMContentLoaded", resolve);
  }});
  const start = () => {{
    if (started) return;
    started = true;
    load({json.dumps(tagged('vordanel.js'))});
    const bench = () => parsed.then(() => load({json.dumps(tagged('vordanel_bench.js'))}));
    window.vordanelCoreModule.then(bench, bench);
  }};
  if (performance.getEntriesByType("paint").length > 0) start();
  requestAnimationFrame(() => setTimeout(start));
  setTimeout(start, 100);  // a page in the background draws no frame
}})();
</script>"""
    # The workers' scripts in a file of their own, fetched when a worker is first needed: the page
    # is then small enough to arrive whole in the first round trips, and so to be laid out once. The
    # font's licence is the file beside it.
    (out / "vordanel_worker.js").write_text(worker_script, encoding="utf-8")
    page = html_of({
        "HEAD": head, "FONT": "", "CORE": "", "WINDOW_STARTER": starter, "SCRIPTS": "",
        "COMMANDS_TYPE": "text/x-vordanel-url", "COMMANDS": tagged("vordanel_worker.js"), "RUNNER": "", "WORKER": "",
        "COMMANDS_WASM_TYPE": "text/x-vordanel-url", "COMMANDS_WASM": tagged("vordanel_commands.wasm"),
        "LICENCE": f"IPA Font License Agreement v1.0 ({words['ipa_licence']}): IPA_Font_License.txt, beside this page.",
    })
    page = page.replace('<script id="coreScript">\n\n</script>\n', "")
    (out / "index.html").write_text(page, encoding="utf-8")

    cached = ["./", *(tagged(n) for n in ("vordanel.js", "vordanel_bench.js", "vordanel_worker.js", "vordanel_page.wasm", "vordanel_commands.wasm",
                                          "ipagp.woff")),
              "manifest.webmanifest", "icon-192.png", "icon-512.png", "favicon.ico", "apple-touch-icon.png"]
    worker = (HOSTED / "sw.js").read_text(encoding="utf-8")
    # Each file's SHA-256, which the service worker checks every answer against before it keeps any.
    on_disk = lambda name: out / ("index.html" if name == "./" else name.split("?")[0])
    hashes = {name: hashlib.sha256(on_disk(name).read_bytes()).hexdigest() for name in cached}
    worker = (worker.replace("@BUILD@", build).replace('["@FILES@"]', json.dumps(cached))
              .replace('{"@HASHES@": ""}', json.dumps(hashes, indent=1)))
    (out / "sw.js").write_text(worker, encoding="utf-8")
    return build
