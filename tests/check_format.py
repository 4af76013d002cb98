#!/usr/bin/env python3
"""The project's C++ sources are formatted as its .clang-format says (clang-format --dry-run
--Werror). In a git checkout, the files git tracks; elsewhere every file below SOURCE_DIR but
build folders (any folder holding a CMakeCache.txt), .git and the fuzz corpora. Usage:
check_format.py SOURCE_DIR"""
import os
import shutil
import subprocess
import sys
from pathlib import Path

SUFFIXES = (".cpp", ".h")
BATCH = 100  # files per clang-format call


def tracked_sources(root):
    """What git tracks; None outside a checkout. Installed kits and generated headers that
    a build leaves in the tree are no sources of ours."""
    try:
        listed = subprocess.run(["git", "ls-files", "-z", "--", *(f"*{s}" for s in SUFFIXES)],
                                cwd=root, capture_output=True)
    except OSError:
        return None
    if listed.returncode != 0:
        return None
    names = [name for name in listed.stdout.decode().split("\0") if name]
    return [root / name for name in names if not name.startswith("fuzz/corpus/")]


def sources(root):
    tracked = tracked_sources(root)
    if tracked is not None:
        return tracked
    found = []
    for folder, dirs, files in os.walk(root):
        here = Path(folder)
        dirs[:] = sorted(d for d in dirs if d != ".git" and here / d != root / "fuzz" / "corpus"
                         and not (here / d / "CMakeCache.txt").exists())
        found += [here / name for name in sorted(files) if name.endswith(SUFFIXES)]
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = Path(sys.argv[1]).resolve()
    clang_format = shutil.which("clang-format")
    if not clang_format:
        sys.exit("FAIL: clang-format is not installed (Debian package clang-format)")
    files = sources(root)
    if not files:
        sys.exit(f"FAIL: no C++ sources under {root}")
    failed = False
    for start in range(0, len(files), BATCH):
        batch = [str(path) for path in files[start:start + BATCH]]
        if subprocess.run([clang_format, "--dry-run", "--Werror", *batch], cwd=root).returncode:
            failed = True
    if failed:
        print("FAIL: format these with clang-format -i (see above)")
        return 1
    print(f"{len(files)} files formatted as .clang-format says")
    return 0


if __name__ == "__main__":
    sys.exit(main())
