#!/usr/bin/env python3
"""Builds the API reference and fails on any doxygen warning (an undocumented member, a
broken doc comment) and on an enum value left undocumented, which doxygen 1.9.4 does not
warn about.

    check_api_reference.py DOXYGEN DOXYFILE XML_DIR
"""
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def text_of(element):
    return "".join(element.itertext()).strip() if element is not None else ""


def undocumented_enum_values(xml_dir):
    seen = set()
    for path in sorted(xml_dir.glob("*.xml")):
        if path.name == "index.xml":
            continue
        for enum in ET.parse(path).iter("memberdef"):
            if enum.get("kind") != "enum" or enum.get("id") in seen:
                continue
            seen.add(enum.get("id"))
            location = enum.find("location")
            where = path.name
            if location is not None:
                where = f"{location.get('file')}:{location.get('line')}"
            scope = enum.findtext("qualifiedname") or enum.findtext("name")
            for value in enum.iter("enumvalue"):
                documented = text_of(value.find("briefdescription")) or text_of(
                    value.find("detaileddescription"))
                if not documented:
                    name = value.findtext("name")
                    yield f"{where}: error: Enum value {scope}::{name} is not documented."


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    doxygen, doxyfile, xml_dir = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    if subprocess.run([doxygen, doxyfile]).returncode != 0:
        sys.exit("api reference: doxygen warned (above)")
    missing = list(undocumented_enum_values(xml_dir))
    for line in missing:
        print(line, file=sys.stderr)
    if missing:
        sys.exit(f"api reference: {len(missing)} enum values undocumented")
    print(f"api reference: {xml_dir.parent / 'html' / 'index.html'}")


if __name__ == "__main__":
    main()
