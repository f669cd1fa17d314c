#!/usr/bin/python3
"""Whole-process cost of listing a workbook's sheets, measured in one run:
tarnvale-sheets against xlrd (on demand) and LibreOffice headless converting
the same file. Prints the median wall time and peak memory of each, and ratios.

usage: compare_listing.py TARNVALE_SHEETS FILE... [--runs N] [--no-libreoffice]
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
    args = parser.parse_args()
    xlrd_script = ("import xlrd,sys; "
                   "print(xlrd.open_workbook(sys.argv[1], on_demand=True).sheet_names())")
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    outdir = tempfile.mkdtemp(prefix="lo-out-")
    for path in args.files:
        size = os.path.getsize(path)
        print(f"{os.path.basename(path)} ({size / 1e6:.1f} MB)")
        ours = measure([args.tool, "list", path], args.runs)
        rows = [("tarnvale-sheets list", ours)]
        rows.append(("xlrd on_demand", measure(["/usr/bin/python3", "-c", xlrd_script, path],
                                               args.runs)))
        if not args.no_libreoffice:
            rows.append(("LibreOffice convert", measure(
                ["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                 "--convert-to", "csv", "--outdir", outdir, path], max(1, args.runs // 5))))
        for name, (seconds, peak) in rows:
            print(f"  {name:24} {seconds * 1000:9.1f} ms  peak {peak / 1024:7.1f} MB  "
                  f"x{seconds / ours[0]:7.1f}")
    shutil.rmtree(profile, ignore_errors=True)
    shutil.rmtree(outdir, ignore_errors=True)


if __name__ == "__main__":
    main()
