#!/usr/bin/python3
"""Whole-process cost of renaming and deleting a sheet, measured in one run,
against a copy flushed to disk (dd conv=fsync: our saves flush too) and
LibreOffice headless loading and saving the same workbook as .xls (the least
it would do for the same edit). Each run works on a fresh copy.

usage: compare_edits.py TARNVALE_SHEETS FILE SHEET [--runs N] [--no-libreoffice]
"""
import argparse
import os
import shutil
import subprocess
import tempfile

from process_timer import measure


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("file")
    parser.add_argument("sheet")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-libreoffice", action="store_true")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="tarnvale-bench-", dir=os.path.dirname(os.path.abspath(args.file)))
    target = os.path.join(work, "book.xls")
    copy = os.path.join(work, "copy.xls")

    def fresh():
        shutil.copyfile(args.file, target)
        if os.path.exists(copy):
            os.remove(copy)

    size = os.path.getsize(args.file)
    rows = [("dd conv=fsync (floor)", measure(["dd", f"if={args.file}", f"of={copy}", "bs=1M",
                                                "conv=fsync", "status=none"], args.runs, fresh))]
    rows.append(("tarnvale-sheets rename", measure([args.tool, "rename", target, args.sheet, "Renamed"],
                                                   args.runs, fresh)))
    rows.append(("tarnvale-sheets delete", measure([args.tool, "delete", target, args.sheet],
                                                   args.runs, fresh)))
    if not args.no_libreoffice:
        profile = tempfile.mkdtemp(prefix="lo-profile-")
        outdir = os.path.join(work, "lo")
        rows.append(("LibreOffice load+save", measure(
            ["soffice", f"-env:UserInstallation=file://{profile}", "--headless", "--convert-to",
             "xls:MS Excel 97", "--outdir", outdir, target], max(1, args.runs // 2), fresh)))
        shutil.rmtree(profile, ignore_errors=True)
    floor = rows[0][1][0]
    print(f"{os.path.basename(args.file)} ({size / 1e6:.1f} MB)")
    for name, (seconds, peak) in rows:
        print(f"  {name:24} {seconds * 1000:9.1f} ms  x{seconds / floor:6.2f} of dd   "
              f"peak {peak / 1024:7.1f} MB ({peak * 1024 / size:4.2f}x file)")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
