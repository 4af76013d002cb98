#!/usr/bin/env python3
"""Checks that the product's Chinese texts are translatable and translated: every Chinese
string literal in the code sits inside tr() or QCoreApplication::translate(), no Chinese
text in a form is marked notr, and the English translation holds each of them with a
finished English text. Usage: check_translations.py SOURCE_DIR"""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

FOLDERS = ["model", "files", "acquisition", "plot", "tools", "setting", "scope", "plugin"]
CJK = re.compile(r"[\u4e00-\u9fff]")
LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
WRAPPED = re.compile(r'(?:\btr|\btranslate|QT_TR_NOOP|QT_TRANSLATE_NOOP)\(\s*(?:"[^"]*",\s*)?$')


def code_texts(root, failures):
    texts = set()
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                code = line.split("//")[0] if not line.lstrip().startswith('"') else line
                for match in LITERAL.finditer(code):
                    if not CJK.search(match.group(1)):
                        continue
                    texts.add(match.group(1))
                    if not WRAPPED.search(code[: match.start()]):
                        failures.append(f"{path}:{number}: Chinese text outside tr(): {match.group(0)}")
    return texts


def form_texts(root, failures):
    texts = set()
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*.ui")):
            for element in ET.parse(path).iter("string"):
                if element.text and CJK.search(element.text):
                    texts.add(element.text)
                    if element.get("notr") == "true":
                        failures.append(f"{path}: Chinese text marked notr: {element.text}")
    return texts


def translations(path):
    found = {}
    for message in ET.parse(path).iter("message"):
        translation = message.find("translation")
        finished = translation.get("type") not in ("unfinished", "obsolete", "vanished")
        found[message.findtext("source")] = translation.text if finished else None
    return found


def main():
    root = Path(sys.argv[1])
    failures = []
    texts = code_texts(root, failures) | form_texts(root, failures)
    english = translations(root / "translations" / "tarnscope_en.ts")
    for text in sorted(texts):
        # The code holds escapes such as \" where the form and the catalogue hold the character.
        source = text.encode().decode("unicode_escape").encode("latin-1").decode("utf-8") \
            if "\\" in text else text
        translated = english.get(source)
        if not translated or CJK.search(translated):
            failures.append(f"tarnscope_en.ts: no English for {source!r}")
    for failure in failures:
        print(failure)
    print(f"translations: {len(texts)} Chinese texts checked, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
