#!/usr/bin/env python3
"""Header and footer pictures through copy and delete, read back from the records.

A sheet's header and footer pictures are a drawing (HFPicture records) in a
drawing group of their own (the globals' HFPicture records), apart from the
sheet drawings' group. For each sheet that has them, copied behind the last
sheet of each destination (and of its own workbook) with tarnvale-sheets,
this reads the destination anew: the copy's drawing has a drawing id of its
own, its shape ids lie in clusters that id owns and no other header drawing
uses them, each picture it shows is an entry of the destination's store with
the source's image bytes and a count that covers its uses, and the group's
saved drawing and shape counts moved by what the copy brought. Deleting the
source sheet takes its drawing's clusters, counts and picture uses off the
source's group.

    header_picture_check.py TARNVALE_SHEETS CORPUS_DIR
"""
import os
import sys

import copy_sweep
from workbook_records import (bound_sheets, drawing_facts, group_facts, id_problems, images_shown,
                              sheet_names, substream, uses, workbook_stream)

SOURCES = {"poi__50939.xls": ["sheet3"], "poi__external_name.xls": ["CG YTP Template"]}
DESTINATIONS = ["gnumeric__ttest.xls", "poi__50939.xls", "tika__testComment.xls", ""]


def header_art(records, group):
    """The joined OfficeArt bytes of the group's (or a sheet's) HFPicture run."""
    out, found = b"", False
    for rid, payload, depth in records:
        if rid != 0x0866 or depth != 1:
            continue
        flags = payload[12]
        if flags & 4 and found:
            out += payload[14:]
        elif flags & (2 if group else 1) and not found:
            out, found = payload[14:], True
    return out if found else None


def state(path):
    """(group facts, [drawing facts or None per sheet]) of the header drawings."""
    data = workbook_stream(path)
    drawings = [header_art(substream(data, offset), False) for _, offset in bound_sheets(data)]
    return (group_facts(header_art(substream(data), True) or b""),
            [drawing_facts(d) if d else None for d in drawings])


def drawn(workbook):
    return workbook[0], [d for d in workbook[1] if d]


def picture_use_problems(group, drawing):
    return [f"picture {pib} counted too few times" for pib in set(drawing["pibs"])
            if 1 <= pib <= len(group["pictures"])
            and uses(group["pictures"][pib - 1]) < drawing["pibs"].count(pib)]


def check_copy(c):
    before, after, source = state(c.before), state(c.after), state(c.source)
    copy = after[1][c.copy_index]
    if copy is None:
        return ["the copy lost its header pictures"]
    problems = id_problems(drawn(before), drawn(after))
    if images_shown(after[0], copy) != images_shown(source[0], source[1][c.source_index]):
        problems.append("pictures differ from the source's")
    return problems + picture_use_problems(after[0], copy)


def check_delete(before, after, tab):
    problems = id_problems(drawn(before), drawn(after))
    gone = before[1][tab]
    for pib in set(gone["pibs"]):
        if uses(after[0]["pictures"][pib - 1]) != uses(before[0]["pictures"][pib - 1]) - gone[
                "pibs"].count(pib):
            problems.append(f"picture {pib} not counted down")
    return problems


def main():
    args = copy_sweep.arguments().parse_args()
    args.no_libreoffice = True
    pairs = [(name, dest) for name in SOURCES for dest in DESTINATIONS]
    counts, failures = copy_sweep.sweep(args, pairs, check_copy, SOURCES)
    failures += [f"copy refused: {k}" for k in counts if k.startswith("refused")]
    folder = copy_sweep.workdir(args)
    for name, sheets in SOURCES.items():
        source = os.path.join(args.corpus, name)
        for sheet in sheets:
            code, err, target = copy_sweep.edit(args.tool, source, folder, "delete", sheet)
            problems = [err] if code else check_delete(state(source), state(target),
                                                       sheet_names(source).index(sheet))
            failures += [f"delete {name} [{sheet}]: {p}" for p in problems]
            counts["deletes checked"] += 1
    return copy_sweep.report(counts, failures)


if __name__ == "__main__":
    sys.exit(main())
