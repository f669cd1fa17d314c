#!/usr/bin/python3
"""OLE objects and ActiveX controls of copied sheets, read back by readers that
share no code with the engine.

Every worksheet of every corpus workbook whose compound file holds embedding
storages ("MBD...") or a Ctls stream is copied through tarnvale-sheets behind
the last sheet of a scratch copy of each destination (by default one without
such objects, and the source workbook itself). Then:
  - olefile: each OLE object or control of the copy (an Obj whose link is a
    PtgTbl, read here from the records) finds its data: the storage named by
    its lPosInCtlStm holds the same streams with the same bytes as its source
    object's storage, or its Ctls range the same bytes; no two objects of the
    destination share a storage;
  - LibreOffice headless opens the destination, and the copied sheet holds as
    many embedded objects and controls as the source sheet (both converted to
    .ods, draw:object, draw:object-ole and draw:control counted per table).
A refusal (exit 1) must leave the destination byte-identical. Prints the counts
(copied and verified, refused by reason, failed) and exits 1 when anything failed.

usage: embedded_objects_check.py TARNVALE_SHEETS CORPUS_DIR [--dest NAME ...]
       [--only NAME ...] [--no-libreoffice] [--keep DIR]
"""
import os
import re
import struct
import sys
import zipfile

import olefile

import copy_sweep
import office_session
from workbook_records import bound_sheets as sheets, substream, workbook_stream

DEFAULT_DESTINATIONS = ["gnumeric__ttest.xls", ""]  # "": the source itself


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
    data = {}
    for path in ole.listdir(streams=True, storages=False):
        if path[0].upper() == storage:
            data["/".join(path[1:])] = ole.openstream(path).read()
    return data if ole.exists(storage) else None


def used_storages(path):
    data = workbook_stream(path)
    return [("MBD%08X" % lpos) for _, offset in sheets(data)
            for in_ctls, lpos, _ in embedded_objects(data, offset) if not in_ctls]


def ods_objects(path, workdir):
    """Per table of the .ods LibreOffice makes of path: its embedded objects and controls."""
    office_session.convert([path], "ods", workdir, 300)
    out = office_session.converted(path, workdir, ".ods")
    if not out:
        return None
    with zipfile.ZipFile(out) as z:
        content = z.read("content.xml").decode(errors="replace")
    os.remove(out)
    tables = re.split(r"<table:table ", content)[1:]
    return [len(re.findall(r"<draw:(?:object|object-ole|control)[ >/]", t)) for t in tables]


def objects_of(path, index):
    """The data of each embedded object of the sheet at index, read with olefile."""
    data = workbook_stream(path)
    with olefile.OleFileIO(path) as ole:
        return [object_data(ole, o) for o in embedded_objects(data, sheets(data)[index][1])]


def check(source, tab, before, after, workdir, libreoffice):
    problems = []
    src_tab = [n for n, _ in sheets(workbook_stream(source))].index(tab)
    had = {n for n, _ in sheets(workbook_stream(before))}
    copy_index = next(i for i, (n, _) in enumerate(sheets(workbook_stream(after))) if n not in had)
    expected, got = objects_of(source, src_tab), objects_of(after, copy_index)
    if got != expected:
        problems.append(f"{len(got)} objects' data differ from the source's {len(expected)}")
    storages = used_storages(after)
    if len(storages) != len(set(storages)):
        problems.append("two objects share a storage")
    if libreoffice:
        src, dest = ods_objects(source, workdir), ods_objects(after, workdir)
        if dest is None:
            problems.append("LibreOffice cannot open the result")
        elif src is not None and dest[copy_index] != src[src_tab]:
            problems.append(f"LibreOffice reads {dest[copy_index]} objects, source {src[src_tab]}")
    return problems


def holds_objects(path):
    try:
        with olefile.OleFileIO(path) as ole:
            return any(e[0].upper().startswith("MBD") or e[0] == "Ctls"
                       for e in ole.listdir(streams=True, storages=True))
    except Exception:  # olefile cannot read some damaged corpus files at all
        return False


def main():
    args = copy_sweep.arguments(DEFAULT_DESTINATIONS).parse_args()
    names = args.only or sorted(n for n in os.listdir(args.corpus) if n.endswith((".xls", ".xlt"))
                                and holds_objects(os.path.join(args.corpus, n)))
    pairs = [(name, dest) for name in names for dest in args.dest]
    return copy_sweep.report(*copy_sweep.sweep(args, pairs, check)[:2])


if __name__ == "__main__":
    sys.exit(main())
