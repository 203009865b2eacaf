#!/usr/bin/env python3
"""Builds the hosted edition: a folder that any static host serves as it is. The same page as the
one file, whose two WebAssembly modules and font are files of their own (fetched as early as the
page can use them, the font shown with a fallback until it is there), with a web app manifest,
icons drawn from icon.svg, and a service worker that keeps one build's files together, in a cache
named by their hash."""
import hashlib
import html
import json
import pathlib
import shutil
import struct
import subprocess

from modules import fill, split_wasm

import catalogue  # beside this script

HERE = pathlib.Path(__file__).resolve().parent
HOSTED = HERE.parent / "hosted"  # the hosted edition's own sources

# The site's Content-Security-Policy: every script and style a file of the site, WebAssembly
# compiled ('wasm-unsafe-eval'; no other eval), images also from blob: (the curve's and the
# hydrograph's PNG are drawn from an SVG blob) and data:, no plug-ins, no <base>, no framing.
POLICY = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' blob: data:; "
          "object-src 'none'; base-uri 'none'; frame-ancestors 'none'")
# Where the host sends no header: the page's own <meta>, which browsers ignore frame-ancestors in
# (and say so on the console), so it is left out there.
META_POLICY = "; ".join(d for d in POLICY.split("; ") if not d.startswith("frame-ancestors"))


def png(svg, size, out):
    subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), str(svg), "-o", str(out)], check=True)


def ico(png_file, size, out):
    # One PNG image in an ICO container, which every browser since Windows Vista's reads.
    data = pathlib.Path(png_file).read_bytes()
    header = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), 22)
    pathlib.Path(out).write_bytes(header + data)


def write_site(out, html_of, core, commands, workers, window_scripts, bench_scripts, later_scripts, early, css, font, licence,
               version):
    """html_of(parts) gives the page for the parts that differ from the one file's."""
    out = pathlib.Path(out)
    if out.exists():
        shutil.rmtree(out)
    out.mkdir(parents=True)
    core_script, core_wasm = split_wasm(core)
    commands_script, commands_wasm = split_wasm(commands)
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
    templates = {name: (HOSTED / name).read_text(encoding="utf-8")
                 for name in ("hosted.js", "head.html", "head.js", "core_loader.js", "starter.js")}
    for text in (core_script, worker_script, html_of({}), *templates.values()):
        digest.update(text.encode())
    build = digest.hexdigest()[:16]

    tagged = lambda name: f"{name}?v={build}"
    urls = {"WINDOW_FILE": tagged("vordanel.js"), "BUILD": build, "VERSION": version, "FONT_URL": tagged("ipagp.woff"),
            "HEAD_FILE": tagged("vordanel_head.js"), "STYLE_FILE": tagged("vordanel.css"), "CORE_WASM_FILE": tagged("vordanel_page.wasm"), "META_POLICY": META_POLICY,
            "CORE_WASM_URL": json.dumps(tagged("vordanel_page.wasm")), "WINDOW_FILE_URL": json.dumps(tagged("vordanel.js")),
            "BENCH_FILE_URL": json.dumps(tagged("vordanel_bench.js")),
            "LATER_FILE_URLS": json.dumps({name: tagged(f"vordanel_{name}.js") for name in later_scripts}),
            "DESCRIPTION": f"{html.escape(described)} — VORDANEL {version} {html.escape(words['web_edition'])}"}
    # The page's head: its policy, build, style, manifest and icons, and its first script, which asks
    # for the core's module at once and keeps presses of 計算 made before the window's scripts are here.
    # The style is asked for first: the window is painted once it is here, and on a slow line the
    # core's module and the window's scripts asked for before it would share the line with it.
    head = fill(templates["head.html"], urls).rstrip("\n")
    (out / "vordanel_head.js").write_text("\n".join([fill(templates["head.js"], urls), early]), encoding="utf-8")
    (out / "vordanel.css").write_text(css, encoding="utf-8")
    # The site's policy, as Netlify and Cloudflare Pages read it (other hosts: README).
    (out / "_headers").write_text(f"/*\n  Content-Security-Policy: {POLICY}\n", encoding="utf-8")
    # The window's scripts with the core's: a press of 計算 before they have run is caught by the
    # page's first lines and answered once they have. The workbench's scripts in a file of their
    # own, so that on a slow line they never take the core's share.
    window_file = "\n".join([core_script, "\n" + fill(templates["core_loader.js"], urls), *window_scripts])
    (out / "vordanel.js").write_text(window_file, encoding="utf-8")
    bench_file = "\n".join([*bench_scripts, fill(templates["hosted.js"], urls)])
    (out / "vordanel_bench.js").write_text(bench_file, encoding="utf-8")
    # The workbench's code that comes when first used (the record's drawing), a file each.
    for name, text in later_scripts.items():
        (out / f"vordanel_{name}.js").write_text(text, encoding="utf-8")
    # Right after the window's markup, the script that starts the window's (starter.js).
    (out / "vordanel_starter.js").write_text(fill(templates["starter.js"], urls), encoding="utf-8")
    starter = f'<script src="{tagged("vordanel_starter.js")}" async></script>'
    # The workers' scripts in a file of their own, fetched when a worker is first needed: the page
    # is then small enough to arrive whole in the first round trips, and so to be laid out once. The
    # font's licence is the file beside it.
    (out / "vordanel_worker.js").write_text(worker_script, encoding="utf-8")
    page = html_of({
        "HEAD": head, "STYLE": "", "EARLY": "",
        "CORE": "", "WINDOW_STARTER": starter, "SCRIPTS": "",
        "COMMANDS_TYPE": "text/x-vordanel-url", "COMMANDS": tagged("vordanel_worker.js"), "RUNNER": "", "WORKER": "",
        "COMMANDS_WASM_TYPE": "text/x-vordanel-url", "COMMANDS_WASM": tagged("vordanel_commands.wasm"),
        "LICENCE": f"IPA Font License Agreement v1.0 ({words['ipa_licence']}): IPA_Font_License.txt, beside this page.",
    })
    page = page.replace('<script id="coreScript">\n\n</script>\n', "")
    (out / "index.html").write_text(page, encoding="utf-8")

    cached = ["./", *(tagged(n) for n in ("vordanel_head.js", "vordanel.css", "vordanel_starter.js", "vordanel.js", "vordanel_bench.js",
                                          *(f"vordanel_{name}.js" for name in later_scripts),
                                          "vordanel_worker.js", "vordanel_page.wasm", "vordanel_commands.wasm", "ipagp.woff")),
              "manifest.webmanifest", "icon-192.png", "icon-512.png", "favicon.ico", "apple-touch-icon.png"]
    worker = (HOSTED / "sw.js").read_text(encoding="utf-8")
    # Each file's SHA-256, which the service worker checks every answer against before it keeps any.
    on_disk = lambda name: out / ("index.html" if name == "./" else name.split("?")[0])
    hashes = {name: hashlib.sha256(on_disk(name).read_bytes()).hexdigest() for name in cached}
    worker = (worker.replace("@BUILD@", build).replace('["@FILES@"]', json.dumps(cached))
              .replace('{"@HASHES@": ""}', json.dumps(hashes, indent=1)))
    (out / "sw.js").write_text(worker, encoding="utf-8")
    return build
