#!/usr/bin/env python3
"""Builds the one-file web edition: the page template with its style, the scripts of the core's two
modules (their WebAssembly inlined by emscripten), the page's own scripts in their order and the
workers' inlined, and IPA P Gothic reduced to the glyphs the page can show, as a data: URL."""
import argparse
import base64
import gzip
import pathlib
import subprocess
import sys
import tempfile

from modules import BENCH_SCRIPTS, EARLY_SCRIPT, LATER_SCRIPTS, WINDOW_SCRIPTS, WORKER_SCRIPTS, fill, read, split_wasm


def ipa_licence(copyright_file):
    """The IPA Font License Agreement v1.0: the stand-alone IPA-1 paragraph of Debian's copyright
    file of the font (a "License:" line followed by the indented text)."""
    lines = pathlib.Path(copyright_file).read_text(encoding="utf-8").splitlines()
    for i, line in enumerate(lines[:-1]):
        if line.strip() == "License: IPA-1" and lines[i + 1].startswith(" "):
            text = []
            for body in lines[i + 1:]:
                if not body.startswith(" "):
                    break
                text.append("" if body.strip() == "." else body[1:])
            return "\n".join(text).strip() + "\n"
    sys.exit(f"no IPA-1 licence text in {copyright_file}")


def subset_font(font, texts):
    # What the page shows, and what a person may type: ASCII, the full-width forms a Japanese input
    # method gives, the ideographic space.
    chars = set("".join(texts))
    chars.update(chr(c) for c in range(0x20, 0x7F))
    chars.update(chr(c) for c in range(0xFF01, 0xFF5F))
    chars.add("\u3000")
    chars = sorted(c for c in chars if c >= " ")
    with tempfile.TemporaryDirectory() as work:
        text_file = pathlib.Path(work, "text.txt")
        text_file.write_text("".join(chars), encoding="utf-8")
        out = pathlib.Path(work, "subset.woff")
        subprocess.run([sys.executable, "-m", "fontTools.subset", font, f"--text-file={text_file}",
                        f"--output-file={out}", "--flavor=woff", "--name-IDs=*", "--name-languages=*"],
                       check=True)
        return out.read_bytes()


def pack_wasm(script):
    """The commands' module without its WebAssembly, and that WebAssembly gzipped, as base64: a
    third of the size. The page's workers inflate it (DecompressionStream) and hand it to the
    module as its wasmBinary."""
    rest, wasm = split_wasm(script)
    return rest, base64.b64encode(gzip.compress(wasm, compresslevel=9, mtime=0)).decode()


def main():
    p = argparse.ArgumentParser()
    for name in ("template", "css", "core", "commands", "font", "font-copyright", "out", "licence-out"):
        p.add_argument(f"--{name}", required=True)
    p.add_argument("--version", default="1.00")
    p.add_argument("--site", help="also the hosted edition, into this folder (hosted.py)")
    a = p.parse_args()

    # The template's words and figures are the core's (catalogue.py), filled before anything else
    # is put in, so that nothing inlined is taken for one of their placeholders.
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
    import catalogue  # noqa: E402 (beside this script)
    words = catalogue.words()
    template = catalogue.filled(pathlib.Path(a.template).read_text(encoding="utf-8"), words, catalogue.figures())
    css = pathlib.Path(a.css).read_text(encoding="utf-8")
    window_scripts, bench_scripts = read(WINDOW_SCRIPTS), read(BENCH_SCRIPTS)
    later_scripts = dict(zip(LATER_SCRIPTS, read(LATER_SCRIPTS.values())))
    scripts = window_scripts + bench_scripts + list(later_scripts.values())
    runner, worker = read(WORKER_SCRIPTS)
    [early] = read([EARLY_SCRIPT])
    core = pathlib.Path(a.core).read_text(encoding="utf-8")
    commands, commands_wasm = pack_wasm(pathlib.Path(a.commands).read_text(encoding="utf-8"))
    # The core's and the companion's words are shown in the page too: their glyphs go into the subset.
    source = pathlib.Path(__file__).resolve().parents[2]
    sources = [f.read_text(encoding="utf-8") for folder in ("core/src", "core/include/vordanel", "commands", "web/glue")
               for f in sorted(source.joinpath(folder).glob("*.[ch]*"))]
    font = subset_font(a.font, [template, *scripts, *sources, *words.values()])
    face = ('@font-face { font-family: "IPA P Gothic VORDANEL"; '
            f'src: url(data:font/woff;base64,{base64.b64encode(font).decode()}) format("woff"); }}\n')
    licence = ipa_licence(a.font_copyright)

    def script(text):
        return text.replace("</script", "<\\/script")

    # The one file's parts; the hosted edition replaces some (hosted.py). One pass, so that nothing
    # inlined is taken for a placeholder.
    def html_of(changed):
        parts = {
            "HEAD": "", "STYLE": f"<style>\n{face}{css}\n</style>", "EARLY": f"<script>\n{script(early)}\n</script>",
            "CORE": core, "WINDOW_STARTER": "", "COMMANDS": commands,
            "COMMANDS_TYPE": "text/x-vordanel-worker",
            "COMMANDS_WASM_TYPE": "text/x-vordanel-gzip-base64", "COMMANDS_WASM": commands_wasm,
            "RUNNER": runner, "WORKER": worker, "VERSION": a.version,
            "SCRIPTS": "\n".join(f"<script>\n{script(text)}\n</script>" for text in scripts),
            "LICENCE": f"IPA Font License Agreement v1.0 ({words['ipa_licence']})\n\n" + licence.replace("--", "- -"),
        }
        parts.update(changed)
        for name in ("CORE", "COMMANDS", "RUNNER", "WORKER"):
            parts[name] = script(parts[name])
        return fill(template, parts)

    html = html_of({})
    pathlib.Path(a.out).write_text(html, encoding="utf-8")
    pathlib.Path(a.licence_out).write_text(licence, encoding="utf-8")
    if a.site:
        import hosted  # noqa: E402 (beside this script)
        hosted.write_site(a.site, html_of, core, pathlib.Path(a.commands).read_text(encoding="utf-8"), [runner, worker],
                          window_scripts, bench_scripts, later_scripts, early, css, font, licence, a.version)


if __name__ == "__main__":
    main()
