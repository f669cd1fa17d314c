#!/usr/bin/python3
"""Rename and delete sweep over the corpus through tarnvale-sheets.

For every corpus workbook with at least two worksheets, a copy is renamed
(last worksheet) and another copy loses a sheet (first worksheet). python3-xlrd
(formatting_info=True) then checks that every remaining sheet keeps its values,
cell formats, rows, columns, merged ranges and hyperlinks, with one allowed
change: a formula that referred to the deleted sheet now shows #REF!.
LibreOffice must open every output and show in each remaining sheet the values
it shows in the original (a cell may only have turned into #REF!). A refusal
(exit 1) must leave the file byte-identical. Prints the counts; exits 1 when
anything failed.
"""
import collections
import os
import shutil
import sys

import xlrd

import copy_sweep
import office_session
from copy_fidelity import differences, open_book, sheet_picture

NEW_NAME = "Renamed Ωmega"
REF = (xlrd.XL_CELL_ERROR, 0x17)


def compare_sheet(before_book, before, after_book, after, allow_ref_errors):
    """Differences between two sheets (copy_fidelity's picture of a sheet), and
    the cells (row, col) now #REF!, which a delete may leave in place of a value."""
    was, now = sheet_picture(before_book, before), sheet_picture(after_book, after)
    refs = set()
    for key, cell in now["cells"].items():
        old = was["cells"].get(key)
        if allow_ref_errors and old and old[:2] != cell[:2] and cell[:2] == REF:
            refs.add(key)
            now["cells"][key] = old[:2] + cell[2:]
    return differences(was, now), refs


def verify(original, edited, renamed=None, deleted=None):
    """Problems found by xlrd (empty when all is well), and the cells now
    showing #REF! as {(sheet, row, col)}."""
    try:
        before = open_book(original)[0]
    except Exception:  # xlrd cannot read the original: nothing to compare with
        return None, set()
    try:
        after = open_book(edited)[0]
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


def differing_cells(before, after):
    """{(row, col): (old, new)} for the cells two sheets' rows of values differ in."""
    cells = {}
    for r in range(max(len(before), len(after))):
        a = before[r] if r < len(before) else ()
        b = after[r] if r < len(after) else ()
        for c in range(max(len(a), len(b))):
            x, y = a[c] if c < len(a) else "", b[c] if c < len(b) else ""
            if x != y:
                cells[(r, c)] = (x, y)
    return cells


def check_libreoffice(session, source, edited, twin, renamed, deleted, refs):
    """What LibreOffice shows differently in the edited workbook than in the
    source, sheet by sheet: a sheet lost, or values beyond the allowed ones
    (cells xlrd saw turn into #REF!, cells that differ between two loads of
    the source (twin, a copy): volatile functions such as RAND and NOW, and
    after a delete, cells LibreOffice now calculates to #REF!)."""
    before, again, after = (session.read(f, office_session.shown) for f in (source, twin, edited))
    if after is None:
        return [f"LibreOffice cannot open it: {session.failed.get(os.path.basename(edited))}"]
    problems = []
    for sheet, rows in (before or {}).items():
        new = NEW_NAME if sheet == renamed else sheet
        if sheet == deleted or new not in after:
            problems += [] if sheet == deleted else [f"LibreOffice lost sheet {new}"]
            continue
        allowed = {(r, c) for name, r, c in refs if name == sheet} | set(
            differing_cells(rows, again.get(sheet, rows)))
        problems += [f"LibreOffice {sheet} row {r + 1} col {c + 1}: {x!r} became {y!r}"
                     for (r, c), (x, y) in sorted(differing_cells(rows, after[new]).items())
                     if (r, c) not in allowed and not (deleted and y == "#REF!")][:3]
    return problems


def main():
    args = copy_sweep.arguments().parse_args()
    work = copy_sweep.workdir(args)
    counts, failures = collections.Counter(), []
    libreoffice = None if args.no_libreoffice else office_session.Session()
    names = sorted(n for n in os.listdir(args.corpus) if n.lower().endswith((".xls", ".xlt")))
    for name in [n for n in names if not args.only or n in args.only]:
        source = os.path.join(args.corpus, name)
        code, out, _ = copy_sweep.run(args.tool, "list", source)
        sheets = out.splitlines()
        if code or len(sheets) < 2:
            counts["not opened" if code else "fewer than two worksheets"] += 1
            continue
        stem, ext = os.path.splitext(name)
        for op, target, extra in (("rename", sheets[-1], [NEW_NAME]), ("delete", sheets[0], [])):
            code, err, copy = copy_sweep.edit(args.tool, source, work, op, target, *extra,
                                              name=f"{stem}.{op}{ext}")
            if not copy_sweep.succeeded(code, err, f"{op} {name}", source, copy, counts, failures,
                                        f"refused {op}"):
                continue
            renamed, deleted = (target, None) if op == "rename" else (None, target)
            problems, refs = verify(source, copy, renamed, deleted)
            unread, problems = problems is None, problems or []
            if libreoffice:
                twin = os.path.join(work, f"{stem}.original-{op}{ext}")
                shutil.copyfile(source, twin)
                problems += check_libreoffice(libreoffice, source, copy, twin, renamed, deleted,
                                              refs)
                counts["LibreOffice showed the same"] += not problems
            if problems:
                failures.append(f"{op} {name}: " + "; ".join(problems[:5]))
                continue
            counts[f"{op} done, " + ("original unreadable by xlrd" if unread else "verified")] += 1
            counts["cells now showing #REF! after a delete"] += len(refs)
    if libreoffice:
        libreoffice.close()
    status = copy_sweep.report(counts, failures)
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
