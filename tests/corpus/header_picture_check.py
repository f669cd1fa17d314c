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
import shutil
import struct
import subprocess
import sys
import tempfile

import olefile
import xlrd

SOURCES = {"poi__50939.xls": ["sheet3"], "poi__external_name.xls": ["CG YTP Template"]}
DESTINATIONS = ["gnumeric__ttest.xls", "poi__50939.xls", "tika__testComment.xls"]


def substreams(path):
    """The record lists of the globals and of each sheet, in stream order."""
    data = olefile.OleFileIO(path).openstream("Workbook").read()
    parts, pos, depth = [], 0, 0
    while pos + 4 <= len(data):
        rid, size = struct.unpack_from("<HH", data, pos)
        if rid == 0x0809 and depth == 0:
            parts.append([])
        if rid == 0x0809:
            depth += 1
        if parts:
            parts[-1].append((rid, data[pos + 4:pos + 4 + size], depth))
        if rid == 0x000A:
            depth -= 1
        pos += 4 + size
    return parts


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


def walk(art, pos=0, end=None):
    end = len(art) if end is None else end
    while pos + 8 <= end:
        ver_inst, kind, length = struct.unpack_from("<HHI", art, pos)
        yield kind, ver_inst >> 4, art[pos + 8:pos + 8 + length]
        if ver_inst & 0xF == 0xF:
            yield from walk(art, pos + 8, pos + 8 + length)
        pos += 8 + length


def group_facts(art):
    facts = {"clusters": [], "pictures": []}
    for kind, inst, body in walk(art):
        if kind == 0xF006:
            facts["spidMax"], _, facts["csp"], facts["cdg"] = struct.unpack_from("<IIII", body)
            facts["clusters"] = [struct.unpack_from("<II", body, 16 + 8 * i)
                                 for i in range((len(body) - 16) // 8)]
        if kind == 0xF007:
            facts["pictures"].append(body)
    return facts


def drawing_facts(art):
    facts = {"spids": [], "pibs": []}
    for kind, inst, body in walk(art):
        if kind == 0xF008:
            facts["dgid"], facts["csp"] = inst, struct.unpack_from("<I", body)[0]
        if kind == 0xF00A:
            facts["spids"].append(struct.unpack_from("<I", body)[0])
        if kind == 0xF00B:
            for i in range(inst):
                opid, value = struct.unpack_from("<HI", body, 6 * i)
                if opid & 0x3FFF == 0x0104 and opid & 0x4000:
                    facts["pibs"].append(value)
    return facts


def image(entry):
    """The image bytes of an FBSE entry: what follows its fixed fields and name."""
    return entry[36 + entry[33]:]


def uses(entry):
    return struct.unpack_from("<I", entry, 24)[0]


def state(path):
    parts = substreams(path)
    group = header_art(parts[0], True)
    drawings = [header_art(p, False) for p in parts[1:]]
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
        owner = group["clusters"][spid // 1024 - 1][0] if spid // 1024 >= 1 else None
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


def run(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True)


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    failed = checked = 0
    with tempfile.TemporaryDirectory() as scratch:
        for source_name, sheets in SOURCES.items():
            source = os.path.join(corpus, source_name)
            source_state = state(source)
            names = xlrd.open_workbook(source, on_demand=True).sheet_names()
            for sheet in sheets:
                tab = names.index(sheet)
                for dest_name in DESTINATIONS + [None]:  # None: inside the source itself
                    dest = os.path.join(scratch, "dest.xls")
                    shutil.copyfile(os.path.join(corpus, dest_name or source_name), dest)
                    last = xlrd.open_workbook(dest, on_demand=True).sheet_names()[-1]
                    before = state(dest)
                    result = run(tool, "copy", dest if dest_name is None else source, sheet,
                                 dest, "--after", last)
                    problems = ([result.stderr.strip()] if result.returncode else
                                check_copy(before, state(dest), source_state[0],
                                           source_state[1][tab]))
                    checked += 1
                    failed += bool(problems)
                    print(f"{'FAIL' if problems else 'ok  '} copy {source_name} [{sheet}] "
                          f"-> {dest_name or 'itself'}"
                          + "".join(f"\n     {p}" for p in problems))
                target = os.path.join(scratch, "delete.xls")
                shutil.copyfile(source, target)
                result = run(tool, "delete", target, sheet)
                problems = ([result.stderr.strip()] if result.returncode else
                            check_delete(source_state, state(target), tab))
                checked += 1
                failed += bool(problems)
                print(f"{'FAIL' if problems else 'ok  '} delete {source_name} [{sheet}]"
                      + "".join(f"\n     {p}" for p in problems))
    print(f"{checked} checked, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
