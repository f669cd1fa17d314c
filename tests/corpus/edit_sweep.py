"""Rename (the last worksheet) and delete (the first) on copies of corpus
workbooks: xlrd finds every remaining sheet as it was (a formula that read the
deleted sheet may show #REF!), and LibreOffice shows the same values in each."""
import os
import shutil
from itertools import zip_longest

import xlrd

import office_session
import sweep
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
    return {(r, c): (x, y) for r, (a, b) in enumerate(zip_longest(before, after, fillvalue=()))
            for c, (x, y) in enumerate(zip_longest(a, b, fillvalue="")) if x != y}


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


class EditSweep(sweep.Check):
    refusals = None

    def edits(self, args, counts):
        found = []
        for name in args.only or self.sources(args):
            code, out, _ = sweep.run(args.tool, "list", os.path.join(args.corpus, name))
            sheets = out.splitlines()
            if code or len(sheets) < 2:
                counts["not opened" if code else "fewer than two worksheets"] += 1
                continue
            found += [(name, "rename", sheets[-1], [NEW_NAME]), (name, "delete", sheets[0], [])]
        return found

    def check_edit(self, e):
        renamed, deleted = (e.sheet, None) if e.verb == "rename" else (None, e.sheet)
        problems, refs = verify(e.source, e.edited, renamed, deleted)
        if problems is None:
            e.counts["edited, the original unreadable by xlrd"] += 1
        problems = problems or []
        if e.libreoffice:
            twin = os.path.join(e.workdir, "original-" + os.path.basename(e.edited))
            shutil.copyfile(e.source, twin)
            problems += check_libreoffice(e.libreoffice, e.source, e.edited, twin, renamed,
                                          deleted, refs)
        e.counts["cells now showing #REF! after a delete"] += len(refs) * (not problems)
        return problems
