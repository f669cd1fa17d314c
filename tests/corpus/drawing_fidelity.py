#!/usr/bin/python3
"""Drawing sweep through tarnvale-sheets: copies of sheets with drawings, read back
by readers that share no code with the engine.

Every worksheet of every corpus workbook that has a drawing group is copied behind
the last sheet of a scratch copy of each destination (by default: one without
drawings, one with drawings and pictures of its own). Then:
  - comments: xlrd (formatting_info=True) gives each note's cell, author and text;
    the copy's must equal the source sheet's;
  - drawing ids, read here from the records: no shape id of the copy is used by
    another drawing of the destination, each lies in a cluster its drawing owns,
    and the drawing group's saved shape and drawing counts moved by exactly what
    the copy brought;
  - pictures: the image bytes each shape of the copy shows equal those the same
    shape of the source shows;
  - LibreOffice headless opens the destination, and the copied sheet has as many
    comments, shapes, pictures, charts and chart series with values as the source
    sheet (both converted to .xlsx and their drawing parts counted).
A refusal (exit 1) must leave the destination byte-identical. Prints the counts
(copied and verified, refused by reason, failed) and exits 1 when anything failed.

usage: drawing_fidelity.py TARNVALE_SHEETS CORPUS_DIR [--dest NAME ...] [--only NAME ...]
       [--no-libreoffice] [--keep DIR]
"""
import os
import sys

import xlrd

import copy_sweep
import office_session
from workbook_records import (bound_sheets, drawing_facts, drawing_group, group_facts,
                              id_problems, images_shown, sheet_drawings, workbook_stream)

DEFAULT_DESTINATIONS = ["gnumeric__ttest.xls", "edr__Test_Issue_11573_BlankValues.xls"]


def census(path):
    """(group facts, [drawing facts]) of every drawing of the workbook, the
    sheets' and their charts' in tab order."""
    data = workbook_stream(path)
    return (group_facts(drawing_group(data)),
            [[drawing_facts(d) for d in sheet_drawings(data, off)] for _, off in bound_sheets(data)])


def images_of(state, tab):
    return [i for d in state[1][tab] for i in images_shown(state[0], d)]


def notes(path, sheet):
    book = xlrd.open_workbook(path, formatting_info=True, logfile=open(os.devnull, "w"))
    return {k: (n.author, n.text) for k, n in book.sheet_by_name(sheet).cell_note_map.items()}


def check(c):
    problems = []
    try:
        source_notes = notes(c.source, c.sheet)
    except Exception:  # xlrd cannot read some sources at all; the other checks stand
        source_notes = None
    if source_notes is not None and notes(c.after, c.copy_name) != source_notes:
        problems.append("comments differ")
    was, now = census(c.before), census(c.after)
    problems += id_problems((was[0], sum(was[1], [])), (now[0], sum(now[1], [])))
    if images_of(now, c.copy_index) != images_of(census(c.source), c.source_index):
        problems.append("pictures differ")
    if c.libreoffice:
        problems += office_session.compare_sheet_objects(c, lambda counts: counts)
    return problems


def main():
    args = copy_sweep.arguments(DEFAULT_DESTINATIONS).parse_args()
    manifest = [line.split("\t") for line in
                open(os.path.join(args.corpus, "MANIFEST.tsv"), encoding="utf-8").read().splitlines()]
    column = manifest[0].index("drawing_group")
    names = args.only or [row[0] for row in manifest[1:] if row[column] == "1"]
    pairs = [(name, dest) for name in names for dest in args.dest]
    return copy_sweep.report(*copy_sweep.sweep(args, pairs, check)[:2])


if __name__ == "__main__":
    sys.exit(main())
