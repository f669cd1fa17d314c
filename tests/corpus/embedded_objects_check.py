#!/usr/bin/python3
"""OLE objects and ActiveX controls of copied sheets, read back by readers that
share no code with the engine (the loop, refusals and report: copy_sweep).

Every worksheet of every corpus workbook whose compound file holds embedding
storages ("MBD...") or a Ctls stream is copied into each destination (by
default one without such objects, and the source workbook itself). Then:
  - olefile: each OLE object or control of the copy (an Obj whose link is a
    PtgTbl, read here from the records) finds its data: the storage named by
    its lPosInCtlStm holds the same streams with the same bytes as its source
    object's storage, or its Ctls range the same bytes; no two objects of the
    destination share a storage;
  - LibreOffice opens the destination, and shows as many embedded objects and
    controls on the copied sheet as on the source sheet.
"""
import os
import struct
import sys

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


def objects_of(path, index):
    """The data of each embedded object of the sheet at index, read with olefile."""
    data = workbook_stream(path)
    with olefile.OleFileIO(path) as ole:
        return [object_data(ole, o) for o in embedded_objects(data, sheets(data)[index][1])]


def check(c):
    problems = []
    expected, got = objects_of(c.source, c.source_index), objects_of(c.after, c.copy_index)
    if got != expected:
        problems.append(f"{len(got)} objects' data differ from the source's {len(expected)}")
    storages = used_storages(c.after)
    if len(storages) != len(set(storages)):
        problems.append("two objects share a storage")
    if c.libreoffice:
        problems += office_session.compare_sheet_objects(
            c, lambda counts: (counts["OLE2Shape"] - counts["charts"], counts["ControlShape"]))
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
    return copy_sweep.report(*copy_sweep.sweep(args, pairs, check))


if __name__ == "__main__":
    sys.exit(main())
