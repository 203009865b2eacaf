#!/usr/bin/env python3
"""Every Japanese word of the program is the core's catalogue's (core/include/vordanel/catalogue.inc):
no other source file of the program holds one in a string literal, and the page's template none in
its markup. Comments may say what they like. The window's Designer file keeps its captions, held
equal to the catalogue's by catalogue_test.cpp. Usage: words_in_catalogue.py SOURCE_DIR"""
import pathlib
import re
import sys

FOLDERS = ("core", "commands", "cli", "ui", "app", "web")
CATALOGUE = "core/include/vordanel/catalogue.inc"
# Japanese: CJK punctuation and ideographic space, kana, kanji, full-width forms.
JAPANESE = re.compile(r"[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]")


def c_like_strings(text, quotes='"\'`', hash_comments=False):
    """The string literals' contents of C++, JavaScript, CSS or Python, comments left out."""
    strings, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i) and not hash_comments or c == "#" and hash_comments:
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i) and not hash_comments:
            i = text.find("*/", i + 2)
            i = n if i < 0 else i + 2
        elif c == "'" and not hash_comments and i > 0 and text[i - 1].isalnum():
            i += 1  # a digit separator (100'000), or an apostrophe in a word
        elif c in quotes:
            triple = text[i:i + 3] if hash_comments and text[i:i + 3] in ('"""', "'''") else c
            j = i + len(triple)
            while j < n and not text.startswith(triple, j):
                j += 2 if text[j] == "\\" else 1
            strings.append(text[i + len(triple):j])
            i = j + len(triple)
        else:
            i += 1
    return strings


def markup_text(text):
    """A page template as it is shown: all of it but its HTML comments and its scripts' comments."""
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    return re.sub(r"(<script[^>]*>)(.*?)(</script>)",
                  lambda m: m.group(1) + "\n".join(c_like_strings(m.group(2))) + m.group(3), text, flags=re.S)


def held(path):
    text = path.read_text(encoding="utf-8", errors="replace")
    suffix = "".join(path.suffixes)
    if suffix.endswith(".html.in") or suffix == ".html":
        return [text and markup_text(text)]
    if path.suffix == ".py":
        return c_like_strings(text, "\"'", hash_comments=True)
    if path.suffix in (".cpp", ".h", ".inc", ".js", ".mjs", ".css"):
        return c_like_strings(text, '"\'`' if path.suffix in (".js", ".mjs") else '"\'')
    return []


def main():
    source = pathlib.Path(sys.argv[1])
    faults = []
    for folder in FOLDERS:
        for path in sorted(source.joinpath(folder).rglob("*")):
            relative = path.relative_to(source).as_posix()
            if not path.is_file() or relative == CATALOGUE or relative.startswith("web/tests/") or "node_modules" in relative:
                continue
            for piece in held(path):
                for line in piece.splitlines():
                    if JAPANESE.search(line):
                        faults.append(f"{relative}: {line.strip()[:100]}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} Japanese texts outside {CATALOGUE}: move them into it")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
