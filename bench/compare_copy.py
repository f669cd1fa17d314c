#!/usr/bin/python3
"""Whole-process cost of copying and of moving a sheet between two workbooks,
measured in one run against the floor (reading the source, and a flushed copy,
dd conv=fsync, of each file the operation writes: our saves flush too) and
against LibreOffice headless doing the same through UNO. Each run works on
fresh copies of both workbooks. Prints medians and the largest peak resident
set, as ratios to the floor and to the size of the files involved.

usage: compare_copy.py TARNVALE_SHEETS SRC SHEET DEST ANCHOR [--runs N] [--no-libreoffice]
"""
import argparse
import os
import shutil
import statistics
import sys
import tempfile

from process_timer import measure

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser()
    for name in ("tool", "src", "sheet", "dest", "anchor"):
        parser.add_argument(name)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-libreoffice", action="store_true")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="tarnvale-bench-", dir=os.path.dirname(os.path.abspath(args.dest)))
    src, dest = os.path.join(work, "source.xls"), os.path.join(work, "destination.xls")
    scratch = os.path.join(work, "scratch.xls")

    def fresh():
        shutil.copyfile(args.src, src)
        shutil.copyfile(args.dest, dest)
        if os.path.exists(scratch):
            os.remove(scratch)

    involved = os.path.getsize(args.src) + os.path.getsize(args.dest)

    # What each operation writes, kept for the floor's dd.
    written = {}
    for verb in ("copy", "move"):
        fresh()
        measure([args.tool, verb, src, args.sheet, dest, "--after", args.anchor], 1)
        written[verb] = [shutil.copyfile(dest, os.path.join(work, f"{verb}-dest.out"))]
        if verb == "move":
            written[verb].append(shutil.copyfile(src, os.path.join(work, f"{verb}-src.out")))

    def floor(verb):
        flushes = "; ".join(f"dd if={f} of={scratch} bs=1M conv=fsync status=none && rm {scratch}"
                            for f in written[verb])
        return ["sh", "-c", f"cat {args.src} > /dev/null; {flushes}"]

    rows = []
    for verb in ("copy", "move"):
        rows.append((f"floor for {verb}", measure(floor(verb), args.runs, fresh)))
        cpu = []
        rows.append((f"tarnvale-sheets {verb}", measure(
            [args.tool, verb, src, args.sheet, dest, "--after", args.anchor], args.runs, fresh,
            cpu)))
        rows[-1] = (rows[-1][0], (*rows[-1][1], None, statistics.median(cpu)))
    if not args.no_libreoffice:
        for verb in ("copy", "move"):
            times = os.path.join(work, f"lo-{verb}.times")
            rows.append((f"LibreOffice {verb}", measure(
                [sys.executable, os.path.join(HERE, "libreoffice_copy.py"), verb, src, args.sheet,
                 dest, args.anchor, times], max(1, args.runs // 2), fresh)))
            with open(times, encoding="utf-8") as f:
                spent = sorted(float(line) for line in f)
            rows[-1] = (rows[-1][0], (*rows[-1][1], spent[len(spent) // 2], None))
    print(f"{os.path.basename(args.src)} ({os.path.getsize(args.src) / 1e6:.1f} MB) "
          f"!{args.sheet} -> {os.path.basename(args.dest)} ({os.path.getsize(args.dest) / 1e6:.1f} MB)")
    floors = {}
    for name, (seconds, peak, *more) in rows:
        verb = name.split()[-1]
        floors.setdefault(verb, seconds)
        after_start, cpu = more or (None, None)
        extra = f"  (after start-up {after_start * 1000:.0f} ms)" if after_start else ""
        extra += f"  (processor {cpu * 1000:.0f} ms)" if cpu else ""
        print(f"  {name:26} {seconds * 1000:9.1f} ms  x{seconds / floors[verb]:6.2f} of floor   "
              f"peak {peak * 1024 / 1e6:7.1f} MB ({peak * 1024 / involved:4.2f}x files){extra}")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
