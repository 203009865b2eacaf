"""The core's catalogue of words (core/include/vordanel/catalogue.inc) and the formula's constants
(core/include/vordanel/formula.h, search.h), as the page's build fills its markup with them."""
import ast
import html
import pathlib
import re
import sys

SOURCE = pathlib.Path(__file__).resolve().parents[2]
CATALOGUE = SOURCE / "core/include/vordanel/catalogue.inc"


def words(path=CATALOGUE):
    """{key: text}, read as the compiler reads the file: one VORDANEL_WORD(key, "text") a line."""
    found = {}
    for number, line in enumerate(pathlib.Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if not line.startswith("VORDANEL_WORD"):
            continue
        entry = re.fullmatch(r'VORDANEL_WORD\((\w+), (".*")\)', line)
        if not entry:
            sys.exit(f"{path}:{number}: not one key and one string literal")
        found[entry.group(1)] = ast.literal_eval(entry.group(2))
    return found


def figures():
    """The numbers the sheet's words state, as the core's headers write them: the formula's
    constants (namespace staus in formula.h) and the search's tolerance in L/min (search.h)."""
    header = (SOURCE / "core/include/vordanel/formula.h").read_text(encoding="utf-8")
    named = dict(re.findall(r"\b(\w+) = ([0-9.]+)(?=[,;])", header[header.index("namespace staus"):]))
    search = (SOURCE / "core/include/vordanel/search.h").read_text(encoding="utf-8")
    tolerance = float(re.search(r"residualTolerance = ([0-9.eE-]+);", search).group(1))
    named["toleranceLpm"] = repr(tolerance * 1000)  # m^3/min to L/min, as the core converts
    return named


def filled(template, catalogue, numbers):
    """@w:key@ (a word, HTML-escaped), @w:key:figure...@ (a word with its blanks {1}, ... filled by
    the figures named) and @f:figure@ (a constant) in the template."""
    def word(m):
        key, *blanks = m.group(1).split(":")
        if key not in catalogue:
            sys.exit(f"the template names no word of the catalogue: {key}")
        text = catalogue[key]
        for i, name in enumerate(blanks, 1):
            text = text.replace("{%d}" % i, numbers[name])
        return html.escape(text, quote=True)

    text = re.sub(r"@w:([\w:]+)@", word, template)
    return re.sub(r"@f:(\w+)@", lambda m: numbers[m.group(1)], text)
