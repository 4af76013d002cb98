#!/usr/bin/env python3
"""Every program and shared object under the given folders searches only absolute folders
or folders relative to itself ($ORIGIN). An empty or relative run-path entry is resolved
against the working folder of whatever process loads the file, so a library dropped there
would be loaded in place of ours.

    check_runpath.py FOLDER...

Object files, archives and CMake's own scratch folders are skipped. Fails when a folder
holds no program or shared object at all, so a wrong folder does not pass unseen.
"""
import os
import re
import subprocess
import sys

ELF_MAGIC = b"\x7fELF"
EXECUTABLE, SHARED = 2, 3  # e_type
RUN_PATH = re.compile(r"\((?:RPATH|RUNPATH)\)\s+Library r(?:un)?path: \[(.*)\]")


def elf_type(path):
    try:
        with open(path, "rb") as f:
            head = f.read(18)
    except OSError:
        return None
    if len(head) < 18 or not head.startswith(ELF_MAGIC):
        return None
    order = "little" if head[5] == 1 else "big"
    return int.from_bytes(head[16:18], order)


def loadable_files(folder):
    for root, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if d != "CMakeFiles"]
        for name in files:
            path = os.path.join(root, name)
            if not os.path.islink(path) and elf_type(path) in (EXECUTABLE, SHARED):
                yield path


def bad_entries(path):
    dynamic = subprocess.run(["readelf", "-d", "-W", path], capture_output=True, text=True,
                             check=True).stdout
    bad = []
    for match in RUN_PATH.finditer(dynamic):
        for entry in match.group(1).split(":"):
            if not (entry.startswith("/") or re.match(r"\$(ORIGIN|\{ORIGIN\})(/|$)", entry)):
                bad.append(entry or "(empty)")
    return bad


def main(folders):
    if not folders:
        sys.exit(__doc__)
    faults = 0
    for folder in folders:
        files = list(loadable_files(folder))
        if not files:
            print(f"FAIL: no program or shared object under {folder}")
            faults += 1
        for path in files:
            bad = bad_entries(path)
            if bad:
                print(f"FAIL: {path} searches {', '.join(bad)}")
                faults += 1
        print(f"{folder}: {len(files)} files checked")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
