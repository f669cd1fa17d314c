#!/usr/bin/python3
"""Instructions spent copying and moving a sheet, counted by callgrind, for one
or more builds of tarnvale-sheets in the same run: a measure that a machine
busy with other work does not disturb, unlike the wall clock of
compare_copy.py. Each run works on fresh copies of both workbooks; the files
each build writes are compared with the first build's, byte for byte.

usage: compare_instructions.py SRC SHEET DEST ANCHOR TARNVALE_SHEETS...
"""
import argparse
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile


def count(tool, verb, src, sheet, dest, anchor, work):
    out = os.path.join(work, "callgrind.out")
    proc = subprocess.run(
        ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", tool, verb, src, sheet,
         dest, "--after", anchor], capture_output=True, text=True)
    if proc.returncode != 0:
        sys.exit(f"{tool} {verb} failed: {proc.stderr[-2000:]}")
    found = re.search(r"Collected : (\d+)", proc.stderr)
    os.remove(out)
    return int(found.group(1))


def main():
    parser = argparse.ArgumentParser()
    for name in ("src", "sheet", "dest", "anchor"):
        parser.add_argument(name)
    parser.add_argument("tools", nargs="+")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="tarnvale-instructions-")
    src, dest = os.path.join(work, "source.xls"), os.path.join(work, "destination.xls")
    first = {}
    try:
        for verb in ("copy", "move"):
            for tool in args.tools:
                shutil.copyfile(args.src, src)
                shutil.copyfile(args.dest, dest)
                n = count(tool, verb, src, args.sheet, dest, args.anchor, work)
                written = {"destination": dest, "source": src}
                same = ""
                if verb not in first:
                    first[verb] = {}
                    for name, path in written.items():
                        first[verb][name] = shutil.copyfile(path, os.path.join(work, f"{verb}.{name}"))
                else:
                    differ = [name for name, path in written.items()
                              if not filecmp.cmp(path, first[verb][name], shallow=False)]
                    same = "  writes what the first writes" if not differ else \
                        f"  WRITES OTHER BYTES: {', '.join(differ)}"
                print(f"{verb} {tool}: {n:,} instructions{same}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
