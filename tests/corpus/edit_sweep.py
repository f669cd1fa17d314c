#!/usr/bin/python3
"""Rename and delete sweep over the corpus through tarnvale-sheets.

For every corpus workbook with at least two worksheets, a copy is renamed
(last worksheet) and another copy loses a sheet (first worksheet). python3-xlrd
(formatting_info=True) then checks that every remaining sheet keeps its values
and cell formats, with one allowed change: a formula that referred to the
deleted sheet now shows #REF!. LibreOffice headless converts every output, and a
copy of each original, in one call: every output must give a CSV per sheet, and
each remaining sheet's CSV must match the original's (a cell may only have turned
into #REF!). A refusal (exit 1) must leave the file byte-identical. Prints the
counts; exits 1 when anything failed.

usage: edit_sweep.py TARNVALE_SHEETS CORPUS_DIR [--keep DIR] [--no-libreoffice] [--only NAME...]
"""
import argparse
import collections
import csv
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

import xlrd

NEW_NAME = "Renamed Ωmega"
REF_ERROR = 0x17


def run(tool, *args):
    proc = subprocess.run([tool, *args], capture_output=True, text=True, timeout=120)
    return proc.returncode, proc.stdout, proc.stderr.strip()


def refusal_reason(stderr):
    """The reason part of the tool's message ('"file": the reason.')."""
    text = stderr.splitlines()[-1] if stderr else "no message"
    if '": ' in text:
        text = text.split('": ', 1)[1]
    return text.rstrip(".")


def open_book(path):
    try:
        return xlrd.open_workbook(path, formatting_info=True, on_demand=False)
    except NotImplementedError:
        return xlrd.open_workbook(path, on_demand=False)


def format_of(book, xf_index):
    if not book.xf_list or xf_index is None or xf_index >= len(book.xf_list):
        return None
    key = book.xf_list[xf_index].format_key
    fmt = book.format_map.get(key)
    return fmt.format_str if fmt else key


def compare_sheet(before_book, before, after_book, after, allow_ref_errors):
    """Differences between two sheets, and the cells (row, col) now #REF!."""
    problems = []
    refs = set()
    if (before.nrows, before.ncols) != (after.nrows, after.ncols):
        return ["size %dx%d became %dx%d" % (before.nrows, before.ncols, after.nrows, after.ncols)], refs
    for r in range(before.nrows):
        for c in range(before.ncols):
            a = before.cell(r, c)
            b = after.cell(r, c)
            if (a.ctype, a.value) != (b.ctype, b.value):
                if allow_ref_errors and b.ctype == xlrd.XL_CELL_ERROR and b.value == REF_ERROR:
                    refs.add((r, c))
                else:
                    problems.append("cell %s: %r became %r" % (
                        xlrd.cellname(r, c), (a.ctype, a.value), (b.ctype, b.value)))
            if a.xf_index != b.xf_index or format_of(before_book, a.xf_index) != format_of(
                    after_book, b.xf_index):
                problems.append("cell %s: format changed" % xlrd.cellname(r, c))
            if len(problems) > 5:
                return problems, refs
    return problems, refs


def verify(original, edited, renamed=None, deleted=None):
    """Problems found by xlrd (empty when all is well), and the cells now
    showing #REF! as {(sheet, row, col)}."""
    try:
        before = open_book(original)
    except Exception as exc:  # xlrd cannot read the original: nothing to compare with
        return None, set()
    try:
        after = open_book(edited)
    except Exception as exc:
        return ["xlrd cannot open the result: %s" % exc], set()
    expected = [n for n in before.sheet_names() if n != deleted]
    if renamed:
        expected = [NEW_NAME if n == renamed else n for n in expected]
    if after.sheet_names() != expected:
        return ["sheets %r, expected %r" % (after.sheet_names(), expected)], set()
    problems, refs = [], set()
    for name in before.sheet_names():
        if name == deleted:
            continue
        new_name = NEW_NAME if name == renamed else name
        found, count = compare_sheet(before, before.sheet_by_name(name), after,
                                     after.sheet_by_name(new_name), deleted is not None)
        problems += ["%s: %s" % (name, p) for p in found]
        refs |= {(name, r, c) for r, c in count}
    return problems, refs


def converted(out_dir, path):
    stem = os.path.splitext(os.path.basename(path))[0] + "-"
    return any(n.startswith(stem) and n.endswith(".csv") for n in os.listdir(out_dir))


CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,UTF8,1,,0,false,true,false,false,false,-1"


def soffice(paths, out_dir, timeout):
    """One LibreOffice call converting paths to a CSV per sheet, in a fresh profile."""
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless",
                        "--convert-to", CSV_FILTER, "--outdir", out_dir, *paths],
                       capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        pass
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def libreoffice_convert(files, out_dir):
    """Converts the files in as few calls as it can: when a file stops
    LibreOffice, the next call starts after it."""
    remaining = list(files)
    while remaining:
        soffice(remaining, out_dir, 3600)
        done = [f for f in remaining if converted(out_dir, f)]
        if not done:
            break
        last = max(remaining.index(f) for f in done)
        remaining = remaining[last + 2:]  # the file after the last one done stopped it
    for f in files:  # what a crash skipped, each on its own
        if not converted(out_dir, f):
            soffice([f], out_dir, 600)


def sheet_csvs(out_dir, path):
    """Sheet name -> CSV rows that LibreOffice wrote for path."""
    stem = os.path.splitext(os.path.basename(path))[0] + "-"
    found = {}
    for name in os.listdir(out_dir):
        if name.startswith(stem) and name.endswith(".csv"):
            with open(os.path.join(out_dir, name), encoding="utf-8", errors="replace") as f:
                found[name[len(stem):-4]] = list(csv.reader(f))
    return found


def differing_cells(before, after):
    """{(row, col): (old text, new text)} for the cells two sheets' CSV rows differ in."""
    cells = {}
    for r in range(max(len(before), len(after))):
        a = before[r] if r < len(before) else []
        b = after[r] if r < len(after) else []
        for c in range(max(len(a), len(b))):
            x, y = a[c] if c < len(a) else "", b[c] if c < len(b) else ""
            if x != y:
                cells[(r, c)] = (x, y)
    return cells


def compare_csv(before, after, allowed, allow_ref):
    """Cells that differ between two sheets' CSV rows, except the allowed
    (row, col) ones (formulas that reached the deleted sheet, which LibreOffice
    calculates again; volatile functions such as RAND and NOW) and, after a
    delete, cells LibreOffice now calculates to #REF!."""
    return ["row %d col %d: %r became %r" % (r + 1, c + 1, x, y)
            for (r, c), (x, y) in sorted(differing_cells(before, after).items())
            if (r, c) not in allowed and not (allow_ref and y == "#REF!")]


def check_libreoffice(jobs, out_dir):
    """jobs: (original copy, output, renamed sheet, deleted sheet, #REF! cells).
    Returns the failures (an output LibreOffice cannot convert, a sheet lost),
    the value differences beyond the allowed ones, and how many outputs matched
    cell for cell."""
    failures = []
    differences = []
    matched = 0
    originals = {}
    for original, output, renamed, deleted, refs in jobs:
        originals.setdefault(os.path.basename(original).split(".original-")[0], []).append(original)
    for original, output, renamed, deleted, refs in jobs:
        before = sheet_csvs(out_dir, original)
        # The same original converted twice: cells that differ are volatile.
        twins = [sheet_csvs(out_dir, o) for o in
                 originals[os.path.basename(original).split(".original-")[0]] if o != original]
        after = sheet_csvs(out_dir, output)
        if not after:
            failures.append("LibreOffice could not convert %s" % os.path.basename(output))
            continue
        if not before:
            continue  # LibreOffice cannot read the original either: nothing to compare
        failed_before = len(failures) + len(differences)
        for sheet, rows in before.items():
            if sheet == deleted:
                continue
            new = NEW_NAME if sheet == renamed else sheet
            if new not in after:
                failures.append("LibreOffice: %s lost sheet %s" % (os.path.basename(output), new))
                continue
            allowed = {(r, c) for name, r, c in refs if name == sheet}
            for twin in twins:
                allowed |= set(differing_cells(rows, twin.get(sheet, rows)))
            problems = compare_csv(rows, after[new], allowed, deleted is not None)
            if problems:
                differences.append("%s sheet %s: %s" % (
                    os.path.basename(output), sheet, "; ".join(problems[:3])))
        matched += len(failures) + len(differences) == failed_before
    return failures, differences, matched


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("corpus")
    parser.add_argument("--keep", help="folder to keep the outputs in")
    parser.add_argument("--no-libreoffice", action="store_true")
    parser.add_argument("--only", nargs="*")
    args = parser.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="edit-sweep-")
    os.makedirs(work, exist_ok=True)
    counts = collections.Counter()
    refused = collections.Counter()
    failures = []
    jobs = []  # (original copy, output, renamed sheet, deleted sheet, #REF! cells)
    ref_cells = 0

    names = sorted(n for n in os.listdir(args.corpus) if n.lower().endswith((".xls", ".xlt")))
    if args.only:
        names = [n for n in names if n in args.only]
    for name in names:
        source = os.path.join(args.corpus, name)
        code, out, err = run(args.tool, "list", source)
        if code != 0:
            counts["not opened"] += 1
            continue
        sheets = [line for line in out.splitlines()]
        if len(sheets) < 2:
            counts["fewer than two worksheets"] += 1
            continue
        stem, ext = os.path.splitext(name)
        for op, target, extra in (("rename", sheets[-1], [NEW_NAME]), ("delete", sheets[0], [])):
            copy = os.path.join(work, "%s.%s%s" % (stem, op, ext))
            shutil.copyfile(source, copy)
            code, _, err = run(args.tool, op, copy, target, *extra)
            if code == 1:
                refused["%s: %s" % (op, refusal_reason(err))] += 1
                if not filecmp.cmp(source, copy, shallow=False):
                    failures.append("%s %s: refused but the file changed" % (op, name))
                os.remove(copy)
                continue
            if code != 0:
                failures.append("%s %s: exit %d: %s" % (op, name, code, err))
                continue
            problems, refs = verify(source, copy,
                                    renamed=target if op == "rename" else None,
                                    deleted=target if op == "delete" else None)
            if problems is None:
                counts["%s done, original unreadable by xlrd" % op] += 1
            elif problems:
                failures.append("%s %s: %s" % (op, name, "; ".join(problems[:5])))
                continue
            else:
                counts["%s done and verified" % op] += 1
                ref_cells += len(refs)
            original = os.path.join(work, "%s.original-%s%s" % (stem, op, ext))
            shutil.copyfile(source, original)
            jobs.append((original, copy, target if op == "rename" else None,
                         target if op == "delete" else None, refs))

    if not args.no_libreoffice:
        csv_dir = os.path.join(work, "csv")
        os.makedirs(csv_dir, exist_ok=True)
        libreoffice_convert([f for job in jobs for f in job[:2]], csv_dir)
        lo_failures, lo_differences, matched = check_libreoffice(jobs, csv_dir)
        failures += lo_failures + lo_differences
        counts["outputs LibreOffice converted and matched"] = matched

    for key in sorted(counts):
        print("%-45s %d" % (key, counts[key]))
    print("cells now showing #REF! after a delete      %d" % ref_cells)
    for key in sorted(refused):
        print("refused  %-36s %d" % (key, refused[key]))
    print("failed                                        %d" % len(failures))
    for f in failures:
        print("  " + f)
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
