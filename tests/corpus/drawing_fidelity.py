#!/usr/bin/python3
"""Drawing sweep: copies of sheets with drawings, read back by readers that
share no code with the engine (the loop, refusals and report: copy_sweep).

Every worksheet of every corpus workbook that has a drawing group is copied into
each destination (by default: one without drawings, one with drawings and
pictures of its own). Then:
  - comments: xlrd gives each note's cell, author and text; the copy's must
    equal the source sheet's;
  - drawing ids, read from the records: no drawing or shape id used twice, each
    shape id in a cluster its drawing owns, the saved shape and drawing counts
    moved by exactly what the copy brought;
  - pictures: the image bytes each shape of the copy shows equal the source's;
  - LibreOffice opens the destination, and shows on the copied sheet the
    comments, shapes by kind, pictures by size, charts and chart series with
    values that it shows on the source sheet.
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
    was, now, source = census(c.before), census(c.after), census(c.source)
    problems += id_problems((was[0], sum(was[1], [])), (now[0], sum(now[1], [])))
    if images_of(now, c.copy_index) != images_of(source, c.source_index):
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
    return copy_sweep.report(*copy_sweep.sweep(args, pairs, check))


if __name__ == "__main__":
    sys.exit(main())
