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
import collections
import os
import shutil
import sys
import tempfile

import copy_sweep
from workbook_records import (bound_sheets, drawing_facts, group_facts, image, shape_id_owner,
                              sheet_names, substream, uses, workbook_stream)

SOURCES = {"poi__50939.xls": ["sheet3"], "poi__external_name.xls": ["CG YTP Template"]}
DESTINATIONS = ["gnumeric__ttest.xls", "poi__50939.xls", "tika__testComment.xls"]


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
    data = workbook_stream(path)
    group = header_art(substream(data), True)
    drawings = [header_art(substream(data, offset), False) for _, offset in bound_sheets(data)]
    return (group_facts(group) if group else None,
            [drawing_facts(d) if d else None for d in drawings])


def check_copy(before, after, source_group, source_drawing):
    group, drawings = after
    copy = drawings[-1]
    problems = []
    if copy is None or group is None:
        return ["the copy lost its header pictures"]
    others = [d for d in drawings[:-1] if d]
    if copy["dgid"] in [d["dgid"] for d in others]:
        problems.append(f"drawing id {copy['dgid']} used twice")
    used = {s for d in others for s in d["spids"]}
    for spid in copy["spids"]:
        owner = shape_id_owner(group, spid)
        if spid in used:
            problems.append(f"shape id {spid} used twice")
        if owner != copy["dgid"]:
            problems.append(f"shape id {spid} in a cluster of drawing {owner}")
    for old, new in zip(source_drawing["pibs"], copy["pibs"]):
        if not 1 <= new <= len(group["pictures"]):
            problems.append(f"picture {new} missing")
        elif image(group["pictures"][new - 1]) != image(source_group["pictures"][old - 1]):
            problems.append(f"picture {new} differs from the source's")
        elif uses(group["pictures"][new - 1]) < copy["pibs"].count(new):
            problems.append(f"picture {new} counted too few times")
    cdg_before = before[0]["cdg"] if before[0] else 0
    csp_before = before[0]["csp"] if before[0] else 0
    if group["cdg"] != cdg_before + 1 or group["csp"] != csp_before + copy["csp"]:
        problems.append("the saved counts did not move by the copy")
    return problems


def check_delete(before, after, tab):
    group, gone = after[0], before[1][tab]
    problems = []
    if group["cdg"] != before[0]["cdg"] - 1 or group["csp"] != before[0]["csp"] - gone["csp"]:
        problems.append("the saved counts did not drop by the drawing")
    if any(owner == gone["dgid"] for owner, _ in group["clusters"]):
        problems.append("a cluster still names the deleted drawing")
    for pib in set(gone["pibs"]):
        if uses(group["pictures"][pib - 1]) != uses(before[0]["pictures"][pib - 1]) - gone[
                "pibs"].count(pib):
            problems.append(f"picture {pib} not counted down")
    return problems


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    counts, failures = collections.Counter(), []
    with tempfile.TemporaryDirectory() as scratch:
        for source_name, sheets in SOURCES.items():
            source = os.path.join(corpus, source_name)
            source_state = state(source)
            for sheet in sheets:
                tab = sheet_names(source).index(sheet)
                for dest_name in DESTINATIONS + [None]:  # None: inside the source itself
                    dest = os.path.join(scratch, "dest.xls")
                    shutil.copyfile(os.path.join(corpus, dest_name or source_name), dest)
                    before = state(dest)
                    code, _, err = copy_sweep.run(tool, "copy", dest if dest_name is None else source,
                                                  sheet, dest, "--after", sheet_names(dest)[-1])
                    problems = [err] if code else check_copy(before, state(dest), source_state[0],
                                                             source_state[1][tab])
                    label = f"copy {source_name} [{sheet}] -> {dest_name or 'itself'}"
                    failures += [f"{label}: {p}" for p in problems]
                    counts["copies checked"] += 1
                target = os.path.join(scratch, "delete.xls")
                shutil.copyfile(source, target)
                code, _, err = copy_sweep.run(tool, "delete", target, sheet)
                problems = [err] if code else check_delete(source_state, state(target), tab)
                failures += [f"delete {source_name} [{sheet}]: {p}" for p in problems]
                counts["deletes checked"] += 1
    return copy_sweep.report(counts, failures)


if __name__ == "__main__":
    sys.exit(main())
