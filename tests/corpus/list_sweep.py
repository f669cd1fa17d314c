#!/usr/bin/python3
"""Lists every corpus workbook with tarnvale-sheets and compares with xlrd.

For each file, `tarnvale-sheets list --json` must either print exactly the
worksheet names xlrd gives (xlrd also lists dialog sheets: leaving those out is
the one allowed difference) or exit 1 with a message naming the file. It must
never crash or hang. Prints the counts; exits 1 on any mismatch.
"""
import argparse
import collections
import csv
import json
import os
import subprocess
import sys

import xlrd


def xlrd_names(path):
    try:
        return xlrd.open_workbook(path, on_demand=True, logfile=open(os.devnull, "w")).sheet_names()
    except Exception as error:  # xlrd refuses many files we read, and the reverse
        return error


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("corpus")
    args = parser.parse_args()

    manifest = {}
    with open(os.path.join(args.corpus, "MANIFEST.tsv"), newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            manifest[row["name"]] = row

    counts = collections.Counter()
    refused = collections.Counter()
    failures = []
    for name in sorted(os.listdir(args.corpus)):
        if name in ("MANIFEST.tsv", "README.md"):
            continue
        path = os.path.join(args.corpus, name)
        try:
            run = subprocess.run([args.tool, "list", "--json", path], capture_output=True,
                                 timeout=30)
        except subprocess.TimeoutExpired:
            failures.append(f"{name}: hung")
            continue
        stderr = run.stderr.decode("utf-8", "replace").strip()
        if run.returncode == 1:
            if path not in stderr or not stderr.startswith("tarnvale-sheets: "):
                failures.append(f"{name}: refusal does not name the file: {stderr!r}")
                continue
            counts["refused"] += 1
            refused[stderr.split(": ", 1)[1].split(": ", 1)[-1]] += 1
            continue
        if run.returncode != 0:
            failures.append(f"{name}: exit {run.returncode}: {stderr[-300:]}")
            continue
        ours = [sheet["name"] for sheet in json.loads(run.stdout)]
        theirs = xlrd_names(path)
        if isinstance(theirs, Exception):
            expected = int(manifest.get(name, {}).get("n_worksheet") or -1)
            if expected != len(ours):
                failures.append(f"{name}: xlrd cannot read it ({theirs!r}); we list {ours}, "
                                f"the manifest counts {expected} worksheets")
            else:
                counts["listed where xlrd fails"] += 1
            continue
        if ours == theirs:
            counts["matching"] += 1
            continue
        dialogs = int(manifest.get(name, {}).get("n_dialog") or 0)
        left_out = list(theirs)
        for sheet in ours:
            if sheet in left_out:
                left_out.remove(sheet)
        in_order = [s for s in theirs if s not in left_out] == ours
        if in_order and 0 < len(left_out) <= dialogs:
            counts["matching (dialog sheets left out)"] += 1
        else:
            failures.append(f"{name}: we list {ours}, xlrd lists {theirs}")

    for key, value in sorted(counts.items()):
        print(f"{key}: {value}")
    for reason, value in refused.most_common():
        print(f"  refused: {value} x {reason}")
    print(f"mismatching or crashing: {len(failures)}")
    for failure in failures:
        print("  " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
