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
import collections
import os
import re
import sys
import zipfile

import xlrd

import copy_sweep
import office_session
from workbook_records import (bound_sheets, drawing_facts, drawing_group, group_facts, image,
                              shape_id_owner, sheet_drawings, sheet_names, workbook_stream)

DEFAULT_DESTINATIONS = ["gnumeric__ttest.xls", "edr__Test_Issue_11573_BlankValues.xls"]


def census(path):
    data = workbook_stream(path)
    group = group_facts(drawing_group(data))
    drawings = [drawing_facts(d) for _, off in bound_sheets(data) for d in sheet_drawings(data, off)]
    return group, drawings


def id_problems(group, drawings):
    problems, seen = set(), {}
    for d in drawings:
        for spid in d["spids"]:
            if spid in seen:
                problems.add(f"shape {spid} in drawings {seen[spid]} and {d['dgid']}")
            seen[spid] = d["dgid"]
            if shape_id_owner(group, spid) != d["dgid"]:
                problems.add(f"shape {spid} of drawing {d['dgid']} outside its clusters")
    return problems


def images_of(path, sheet):
    data = workbook_stream(path)
    pictures = group_facts(drawing_group(data))["pictures"]
    return [image(pictures[pib - 1]) if pib <= len(pictures) else None
            for d in sheet_drawings(data, dict(bound_sheets(data))[sheet])
            for pib in drawing_facts(d)["pibs"]]


# --- LibreOffice -----------------------------------------------------------

def series_in_charts(z, names, drawing):
    """Series with values in the charts a drawing part shows."""
    rels = drawing.replace("drawings/", "drawings/_rels/") + ".rels"
    if rels not in names:
        return 0
    count = 0
    for target in re.findall(r'Target="([^"]+)"', z.read(rels).decode()):
        part = os.path.normpath(os.path.join(os.path.dirname(drawing), target))
        if "/charts/chart" in part and part in names:
            text = z.read(part).decode(errors="replace")
            count += len(re.findall(r"<c:ser>.*?<c:val>.*?</c:ser>", text, re.S))
    return count


def xlsx_parts(office, path, workdir):
    out = office.convert(path, os.path.join(workdir, "drawings.xlsx"), "Calc Office Open XML")
    if not out:
        return None
    counts = []
    with zipfile.ZipFile(out) as z:
        names = set(z.namelist())
        book = z.read("xl/workbook.xml").decode()
        rels = z.read("xl/_rels/workbook.xml.rels").decode()
        targets = dict(re.findall(r'Id="([^"]+)"[^>]*Target="([^"]+)"', rels))
        targets.update({k: v for v, k in re.findall(r'Target="([^"]+)"[^>]*Id="([^"]+)"', rels)})
        for rid in re.findall(r'<sheet [^>]*r:id="([^"]+)"', book):
            sheet = "xl/" + targets[rid].lstrip("/").replace("xl/", "")
            srels = sheet.replace("worksheets/", "worksheets/_rels/") + ".rels"
            c = collections.Counter()
            if srels in names:
                for target in re.findall(r'Target="([^"]+)"', z.read(srels).decode()):
                    part = os.path.normpath(os.path.join(os.path.dirname(sheet), target))
                    if part not in names:
                        continue
                    text = z.read(part).decode(errors="replace")
                    if "/comments" in part:
                        c["comments"] += text.count("<comment ")
                    elif "/drawings/drawing" in part:
                        c["shapes"] += len(re.findall(r"<xdr:(?:twoCell|oneCell|absolute)Anchor", text))
                        c["pictures"] += text.count("<xdr:pic>")
                        c["charts"] += text.count("<c:chart ")
                        c["series"] += series_in_charts(z, names, part)
            counts.append(dict(c))
    return counts


# --- the sweep ---------------------------------------------------------------

def notes(path, sheet):
    book = xlrd.open_workbook(path, formatting_info=True, logfile=open(os.devnull, "w"))
    return {k: (n.author, n.text) for k, n in book.sheet_by_name(sheet).cell_note_map.items()}


SOURCE_PARTS = {}


def check(source, tab, before, after, workdir, libreoffice):
    problems = []
    had, names = sheet_names(before), sheet_names(after)
    copy_name = next(n for n in names if n not in had)
    copy_index, src_tab = names.index(copy_name), sheet_names(source).index(tab)
    try:
        source_notes = notes(source, tab)
    except Exception:  # xlrd cannot read some sources at all; the other checks stand
        source_notes = None
    if source_notes is not None and notes(after, copy_name) != source_notes:
        problems.append("comments differ")
    was_group, was = census(before)
    now_group, now = census(after)
    new = id_problems(now_group, now) - id_problems(was_group, was)
    problems += sorted(new)
    added = len(now) - len(was)
    if added and now_group["cdg"] != was_group["cdg"] + added:
        problems.append(f"saved drawings {was_group['cdg']} -> {now_group['cdg']}, {added} added")
    shapes = sum(d["csp"] for d in now) - sum(d["csp"] for d in was)
    if added and now_group["csp"] != was_group["csp"] + shapes:
        problems.append(f"saved shapes {was_group['csp']} -> {now_group['csp']}, {shapes} added")
    if images_of(after, copy_name) != images_of(source, tab):
        problems.append("pictures differ")
    if libreoffice:
        key = open(source, "rb").read()
        if key not in SOURCE_PARTS:
            SOURCE_PARTS.clear()
            SOURCE_PARTS[key] = xlsx_parts(libreoffice, source, workdir)
        src_parts, dest_parts = SOURCE_PARTS[key], xlsx_parts(libreoffice, after, workdir)
        if dest_parts is None and src_parts is not None:
            problems.append("LibreOffice cannot open the result: "
                            + libreoffice.failed.get(os.path.basename(after), "no file written"))
        elif src_parts is not None and dest_parts[copy_index] != src_parts[src_tab]:
            problems.append(f"LibreOffice reads {dest_parts[copy_index]}, source {src_parts[src_tab]}")
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
