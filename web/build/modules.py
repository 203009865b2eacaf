"""What both editions are made of: the page's scripts in the order they run, and the WebAssembly
that emscripten inlines into a module's script, taken out of it."""
import base64
import pathlib
import re
import subprocess
import sys

WEB = pathlib.Path(__file__).resolve().parents[1]

# The page's scripts in the order they run: app.js is the object through which the others meet.
# The window's own come first: the hosted edition serves them apart from the workbench's, which it
# fetches once the core is in hand. The workers' scripts follow the commands' module in a worker.
WINDOW_SCRIPTS = ["window/app.js", "model/state.js", "window/page.js"]
# What runs first, from the page's head: presses of 計算 kept until the window's scripts are here.
EARLY_SCRIPT = "window/early.js"
# The QR codes that lead printed paper back to its calculation are encoded by Debian's
# qrcode-generator (MIT), ahead of the workbench's scripts that draw them; it comes minified by
# Debian's esbuild, which takes its 57 kB to 21.
QRCODE_GENERATOR = "/usr/share/nodejs/qrcode-generator/qrcode.js"
BENCH_SCRIPTS = [QRCODE_GENERATOR, "views/qr.js", "effects/commands.js", "effects/runner.js", "views/curve.js", "views/sheet.js",
                 "views/workbench.js", "views/record.js"]
# The workbench's code that comes when first used (app.later): the one file holds it after the
# workbench's, the hosted edition serves it as a file of its own, fetched then.
LATER_SCRIPTS = {"record": "views/record_view.js"}
WORKER_SCRIPTS = ["workers/runner.js", "workers/worker.js"]


def read(names):
    """The texts of the page's files named (relative to web/); the QR encoder minified."""
    def text(name):
        if name != QRCODE_GENERATOR:
            return WEB.joinpath(name).read_text(encoding="utf-8")
        source = pathlib.Path(name).read_text(encoding="utf-8")
        # Its copyright and licence, the comment it opens with, stay with it.
        notice = re.match(r"(?:[ \t]*//[^\n]*\n|[ \t]*\n)*", source).group(0)
        return notice + subprocess.run(["esbuild", "--minify", "--log-level=warning"], input=source.encode("utf-8"),
                                       capture_output=True, check=True).stdout.decode("utf-8")
    return [text(name) for name in names]


def fill(template, values):
    """A template's @NAME@ placeholders filled in one pass, so that nothing filled in is taken for a
    placeholder; a placeholder without a value is an error of the build."""
    def value(m):
        if m.group(1) not in values:
            sys.exit(f"no value for @{m.group(1)}@")
        return values[m.group(1)]
    return re.sub(r"@([A-Z][A-Z0-9_]*)@", value, template)


def split_wasm(script):
    """An emscripten SINGLE_FILE script without its WebAssembly, and that WebAssembly."""
    prefix = "data:application/octet-stream;base64,"
    found = re.search(re.escape(prefix) + r"([A-Za-z0-9+/=]+)", script)
    if not found:
        sys.exit("no inlined WebAssembly in a module's script")
    return script[:found.start(1)] + script[found.end(1):], base64.b64decode(found.group(1))
