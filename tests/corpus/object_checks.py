"""Sheets with drawings, OLE objects and controls, and header and footer
pictures, copied (and the pictures' sheets deleted), read back from the records
with olefile and xlrd, and shown by LibreOffice as on the source sheet."""
import os
import struct

import olefile
import xlrd

import office_session
import sweep
from workbook_records import (bound_sheets, drawing_facts, drawing_group, group_facts,
                              id_problems, images_shown, sheet_drawings, substream, uses,
                              workbook_stream)


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


class Drawings(sweep.Check):
    """Comments (xlrd), drawing and shape ids and saved counts, the pictures'
    image bytes, and what LibreOffice shows: comments, shapes by kind, pictures
    by size, charts and their series with values."""
    destinations = ("gnumeric__ttest.xls", "edr__Test_Issue_11573_BlankValues.xls")
    refusals = None

    def sources(self, args):
        with open(os.path.join(args.corpus, "MANIFEST.tsv"), encoding="utf-8") as manifest:
            rows = [line.split("\t") for line in manifest.read().splitlines()]
        column = rows[0].index("drawing_group")
        return [row[0] for row in rows[1:] if row[column] == "1"]

    def check_copy(self, c):
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


def embedded_objects(data, offset):
    """(fPrstm, lPosInCtlStm, cbBufInCtlStm) of each picture Obj of the sheet at
    offset (its charts included) whose link is a PtgTbl."""
    found = []
    for rid, body, _ in substream(data, offset):
        if rid != 0x005D or len(body) < 6 or struct.unpack_from("<H", body, 4)[0] != 8:
            continue
        at, flags = 0, 0
        while at + 4 <= len(body):
            ft, cb = struct.unpack_from("<HH", body, at)
            part = body[at + 4:at + 4 + cb]
            if ft == 0:
                break
            if ft == 0x0008:
                flags = struct.unpack_from("<H", part)[0]
            if ft == 0x0009:
                cb_fmla = struct.unpack_from("<H", part)[0]
                cce = struct.unpack_from("<H", part, 2)[0] & 0x7FFF if cb_fmla >= 6 else 0
                if cce and part[8] == 0x02:
                    pos = 2 + cb_fmla
                    lpos = struct.unpack_from("<I", part, pos)[0]
                    size = struct.unpack_from("<I", part, pos + 4)[0] if flags & 0x20 else None
                    found.append((bool(flags & 0x20), lpos, size))
            at += 4 + cb
    return found


def object_data(ole, obj):
    in_ctls, lpos, size = obj
    if in_ctls:
        return {"Ctls": ole.openstream("Ctls").read()[lpos:lpos + size]}
    storage = "MBD%08X" % lpos
    data = {"/".join(path[1:]): ole.openstream(path).read()
            for path in ole.listdir(streams=True, storages=False) if path[0].upper() == storage}
    return data if ole.exists(storage) else None


def objects_of(path, index=None):
    """The data of each embedded object of the sheet at index (read with
    olefile), or the storages the objects of every sheet name."""
    data = workbook_stream(path)
    if index is None:
        return [("MBD%08X" % lpos) for _, offset in bound_sheets(data)
                for in_ctls, lpos, _ in embedded_objects(data, offset) if not in_ctls]
    with olefile.OleFileIO(path) as ole:
        return [object_data(ole, o) for o in embedded_objects(data, bound_sheets(data)[index][1])]


def holds_objects(path):
    try:
        with olefile.OleFileIO(path) as ole:
            return any(e[0].upper().startswith("MBD") or e[0] == "Ctls"
                       for e in ole.listdir(streams=True, storages=True))
    except Exception:  # olefile cannot read some damaged corpus files at all
        return False


class EmbeddedObjects(sweep.Check):
    """Each OLE object or control of the copy finds its source's data (the
    storage its lPosInCtlStm names, or its Ctls range), no two objects share a
    storage, and LibreOffice shows as many of each on the copy as on the source."""
    destinations = ("gnumeric__ttest.xls", "")
    refusals = None

    def sources(self, args):
        return [n for n in super().sources(args) if holds_objects(os.path.join(args.corpus, n))]

    def check_copy(self, c):
        problems = []
        expected, got = objects_of(c.source, c.source_index), objects_of(c.after, c.copy_index)
        if got != expected:
            problems.append(f"{len(got)} objects' data differ from the source's {len(expected)}")
        storages = objects_of(c.after)
        if len(storages) != len(set(storages)):
            problems.append("two objects share a storage")
        if c.libreoffice:
            problems += office_session.compare_sheet_objects(
                c, lambda counts: (counts["OLE2Shape"] - counts["charts"], counts["ControlShape"]))
        return problems


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


def header_state(path):
    """(group facts, [drawing facts or None per sheet]) of the header drawings."""
    data = workbook_stream(path)
    drawings = [header_art(substream(data, offset), False) for _, offset in bound_sheets(data)]
    return (group_facts(header_art(substream(data), True) or b""),
            [drawing_facts(d) if d else None for d in drawings])


def drawn(workbook):
    return workbook[0], [d for d in workbook[1] if d]


class HeaderPictures(sweep.Check):
    """The header drawing (HFPicture records, in a drawing group of its own) of
    a copy has ids of its own and the source's pictures, counted as used; a
    delete takes its clusters, counts and picture uses off the group."""
    SOURCES = {"poi__50939.xls": ["sheet3"], "poi__external_name.xls": ["CG YTP Template"]}
    destinations = ("gnumeric__ttest.xls", "poi__50939.xls", "tika__testComment.xls", "")
    libreoffice = False

    def copies(self, args):
        return [(name, dest, sheets) for name, sheets in self.SOURCES.items() for dest in args.dest]

    def edits(self, args, counts):
        return [(name, "delete", sheet, []) for name, sheets in self.SOURCES.items()
                for sheet in sheets]

    def check_copy(self, c):
        before, after, source = (header_state(p) for p in (c.before, c.after, c.source))
        copy = after[1][c.copy_index]
        if copy is None:
            return ["the copy lost its header pictures"]
        problems = id_problems(drawn(before), drawn(after))
        if images_shown(after[0], copy) != images_shown(source[0], source[1][c.source_index]):
            problems.append("pictures differ from the source's")
        return problems + [f"picture {pib} counted too few times" for pib in set(copy["pibs"])
                           if 1 <= pib <= len(after[0]["pictures"])
                           and uses(after[0]["pictures"][pib - 1]) < copy["pibs"].count(pib)]

    def check_edit(self, e):
        before, after = header_state(e.source), header_state(e.edited)
        problems = id_problems(drawn(before), drawn(after))
        gone = before[1][e.source_index]
        for pib in set(gone["pibs"]):
            if uses(after[0]["pictures"][pib - 1]) != uses(
                    before[0]["pictures"][pib - 1]) - gone["pibs"].count(pib):
                problems.append(f"picture {pib} not counted down")
        return problems
