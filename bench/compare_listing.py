#!/usr/bin/python3
"""Whole-process cost of listing a workbook's sheets, measured in one run:
tarnvale-sheets against xlrd (on demand) and LibreOffice headless converting
the same file. Prints the median wall time and peak memory of each, and ratios;
then, for each tarnvale-sheets measured, how its listing time of each file
compares with that of the first file given (the smallest, say).

usage: compare_listing.py TARNVALE_SHEETS FILE... [--runs N] [--no-libreoffice]
                          [--also OTHER_TARNVALE_SHEETS]   (another build, e.g. before a change)
"""
import argparse
import os
import resource
import shutil
import subprocess
import tempfile

from process_timer import measure


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("files", nargs="+")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--no-libreoffice", action="store_true")
    parser.add_argument("--also", help="another tarnvale-sheets to measure alongside")
    args = parser.parse_args()
    tools = [("tarnvale-sheets list", args.tool)]
    if args.also:
        tools.append(("other tarnvale-sheets", args.also))
    listing_times = {name: [] for name, _ in tools}
    xlrd_script = ("import xlrd,sys; "
                   "print(xlrd.open_workbook(sys.argv[1], on_demand=True).sheet_names())")
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    outdir = tempfile.mkdtemp(prefix="lo-out-")
    for path in args.files:
        size = os.path.getsize(path)
        print(f"{os.path.basename(path)} ({size / 1e6:.1f} MB)")
        rows = [(name, measure([tool, "list", path], args.runs)) for name, tool in tools]
        ours = rows[0][1]
        for name, result in rows:
            listing_times[name].append(result[0])
        rows.append(("xlrd on_demand", measure(["/usr/bin/python3", "-c", xlrd_script, path],
                                               args.runs)))
        if not args.no_libreoffice:
            rows.append(("LibreOffice convert", measure(
                ["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                 "--convert-to", "csv", "--outdir", outdir, path], max(1, args.runs // 5))))
        for name, (seconds, peak) in rows:
            print(f"  {name:24} {seconds * 1000:9.1f} ms  peak {peak / 1024:7.1f} MB  "
                  f"x{seconds / ours[0]:7.1f}")
    for name, times in listing_times.items():
        ratios = "  ".join(f"x{t / times[0]:.2f}" for t in times)
        print(f"{name}: each file against the first: {ratios}")
    shutil.rmtree(profile, ignore_errors=True)
    shutil.rmtree(outdir, ignore_errors=True)


if __name__ == "__main__":
    main()
