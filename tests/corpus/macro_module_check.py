"""Deleting a sheet takes its document module out of the macro project, read
back with olefile and a VBA decompressor of the check's own."""
import os
import struct

import olefile

import sweep
from workbook_records import bound_sheets, substream, workbook_stream

DEFAULT = ["edr__Test_Excel_Dataset.xls", "poi__50939.xls", "edr__Test_git_issue_642.xls",
           "poi__44891.xls", "poi__59858.xls", "npoi__FormulaEvalTestData.xls",
           "poi__57231_MixedGasReport.xls", "sheetjs__pivot_table_named_range.xls"]


def decompress(data):
    """[MS-OVBA] 2.4.1 decompression, written from the format description."""
    assert data[0] == 1, "bad signature"
    out = bytearray()
    pos = 1
    while pos < len(data):
        header = struct.unpack_from("<H", data, pos)[0]
        size = (header & 0x0FFF) + 3
        chunk = data[pos + 2:pos + size]
        start = len(out)
        if header & 0x8000 == 0:
            out += chunk[:4096]
        else:
            i = 0
            while i < len(chunk):
                flags = chunk[i]
                i += 1
                for bit in range(8):
                    if i >= len(chunk):
                        break
                    if flags >> bit & 1 == 0:
                        out.append(chunk[i])
                        i += 1
                        continue
                    token = struct.unpack_from("<H", chunk, i)[0]
                    i += 2
                    done = len(out) - start
                    bits = max(4, (done - 1).bit_length())
                    length = (token & (0xFFFF >> bits)) + 3
                    offset = (token >> (16 - bits)) + 1
                    for _ in range(length):
                        out.append(out[-offset])
        pos += size
    return bytes(out)


def modules(dir_bytes):
    """(count, [(name, stream)]) from a decompressed dir stream."""
    pos, count, found, name, stream = 0, None, [], None, None
    while pos + 6 <= len(dir_bytes):
        rid, size = struct.unpack_from("<HI", dir_bytes, pos)
        if rid == 0x0009:
            size = 6
        data = dir_bytes[pos + 6:pos + 6 + size]
        pos += 6 + size
        if rid == 0x000F:
            count = struct.unpack_from("<H", data)[0]
        elif rid == 0x0019:
            name = data
        elif rid == 0x0032:
            stream = data.decode("utf-16-le")
        elif rid == 0x002B:
            found.append((name, stream))
        elif rid == 0x0010:
            break
    return count, found


def project(path):
    ole = olefile.OleFileIO(path)
    streams = {"/".join(e[1:]): ole.openstream(e).read()
               for e in ole.listdir() if e[0] == "_VBA_PROJECT_CUR"}
    return streams


def code_names(path):
    """Sheet name -> the CodeName record's name, for the sheets that have one."""
    data, names = workbook_stream(path), {}
    for sheet, offset in bound_sheets(data):
        for rid, payload, depth in substream(data, offset):
            if rid == 0x01BA and depth == 1:
                cch, wide = struct.unpack_from("<H", payload)[0], payload[2] & 1
                raw = payload[3:3 + cch * (2 if wide else 1)]
                names[sheet] = raw.decode("utf-16-le" if wide else "latin-1")
    return names


class MacroModules(sweep.Check):
    refusals = "at least one visible sheet"  # the last visible sheet stays, as it must
    libreoffice = False

    def edits(self, args, counts):
        return [(name, "delete", sheet, []) for name in args.only or DEFAULT
                for sheet in code_names(os.path.join(args.corpus, name))]

    def check_edit(self, e):
        return module_problems(e.source, e.edited, code_names(e.source)[e.sheet])


def module_problems(source, target, code_name):
    before, after = project(source), project(target)
    problems = []
    count, listed = modules(decompress(after["VBA/dir"]))
    _, listed_before = modules(decompress(before["VBA/dir"]))
    gone = [m for m in listed_before if m[1].lower() == code_name.lower()]
    if count != len(listed):
        problems.append(f"module count {count}, {len(listed)} listed")
    if listed != [m for m in listed_before if m not in gone]:
        problems.append(f"modules listed {listed}")
    for name, stream in gone:
        if "VBA/" + stream in after:
            problems.append(f"stream {stream} kept")
        if b"Document=" + name + b"/" in after["PROJECT"]:
            problems.append("PROJECT still names it")
        if name + b"\0" in after["PROJECTwm"]:
            problems.append("PROJECTwm still names it")
    for _, stream in listed:
        if after.get("VBA/" + stream) != before.get("VBA/" + stream):
            problems.append(f"stream {stream} changed")
    if after["VBA/_VBA_PROJECT"][:4] != b"\xcc\x61\xff\xff":
        problems.append("_VBA_PROJECT keeps its version")
    if any(name.startswith("VBA/__SRP_") for name in after):
        problems.append("cache streams kept")
    return problems

