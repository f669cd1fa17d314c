"""The records of a workbook stream and the OfficeArt inside them, read with
olefile and struct only, so the corpus checks share no code with the engine."""
import struct

import olefile


def workbook_stream(path):
    with olefile.OleFileIO(path) as ole:
        for name in ("Workbook", "Book"):
            if ole.exists(name):
                return ole.openstream(name).read()
    return b""


def substream(data, offset=0):
    """(record id, body, depth) of the substream whose BOF is at offset, through
    its EOF; depth counts the BOFs open, so records of an embedded chart are at 2."""
    at, depth = offset, 0
    while at + 4 <= len(data):
        rid, size = struct.unpack_from("<HH", data, at)
        depth += rid == 0x0809
        yield rid, data[at + 4:at + 4 + size], depth
        at += 4 + size
        if rid == 0x000A:
            depth -= 1
            if depth <= 0:
                return


def bound_sheets(data):
    """(name, stream offset) of every sheet in tab order."""
    sheets = []
    for rid, body, _ in substream(data):
        if rid == 0x0085:
            cch, wide = body[6], body[7] & 1
            raw = body[8:8 + cch * (2 if wide else 1)]
            sheets.append((raw.decode("utf-16-le" if wide else "latin-1"),
                           struct.unpack_from("<I", body)[0]))
    return sheets


def sheet_names(path):
    return [name for name, _ in bound_sheets(workbook_stream(path))]


def drawing_group(data):
    """The globals' MsoDrawingGroup records and their Continue records, joined."""
    group, last = b"", None
    for rid, body, _ in substream(data):
        if rid == 0x00EB or (rid == 0x003C and last == 0x00EB):
            group += body
            rid = 0x00EB
        last = rid
    return group


def sheet_drawings(data, offset):
    """The drawings of the sheet at offset, its own first, then each embedded
    chart's: the OfficeArt bytes of each substream joined. They lie in
    MsoDrawing records and in the Continue records after an MsoDrawing, an Obj,
    a TxO once its text and formatting runs are through, or an embedded chart's
    EOF (writers put a drawing's later shapes there)."""
    drawings, open_substreams, opened = {}, [], 0
    owner, text_left = None, [0, 0]  # the record Continue records follow; a TxO's text and runs
    for rid, body, _ in substream(data, offset):
        if rid == 0x0809:
            open_substreams.append(opened)
            opened += 1
        if rid != 0x003C:
            owner = rid
            text_left = list(struct.unpack_from("<HH", body, 10)) if rid == 0x01B6 else [0, 0]
        elif text_left[0] > 0:
            text_left[0] -= (len(body) - 1) // (2 if body[:1] == b"\x01" else 1)
            continue
        elif text_left[1] > 0:
            text_left[1] -= len(body)
            continue
        if rid == 0x00EC or (rid == 0x003C and owner in (0x00EC, 0x005D, 0x01B6)):
            key = open_substreams[-1] if open_substreams else None
            drawings[key] = drawings.get(key, b"") + body
        elif rid == 0x000A and open_substreams:
            open_substreams.pop()
            owner = 0x00EC if open_substreams else None  # back in the sheet: its drawing goes on
    return list(drawings.values())


def art(buf, start=0, end=None):
    """(record type, instance, body) of every OfficeArt record, containers' children included."""
    end = len(buf) if end is None else end
    at = start
    while at + 8 <= end:
        vi, rtype, size = struct.unpack_from("<HHI", buf, at)
        yield rtype, vi >> 4, buf[at + 8:at + 8 + size]
        if vi & 0xF == 0xF:
            yield from art(buf, at + 8, min(at + 8 + size, end))
        at += 8 + size


def group_facts(group):
    """The saved counts, the clusters (owning drawing id, next shape id) and
    the picture store entries (FBSE) of a drawing group."""
    facts = {"clusters": [], "csp": 0, "cdg": 0, "pictures": []}
    for rtype, _, body in art(group):
        if rtype == 0xF006:
            _, _, facts["csp"], facts["cdg"] = struct.unpack_from("<IIII", body)
            facts["clusters"] = [struct.unpack_from("<II", body, 16 + 8 * i)
                                 for i in range((len(body) - 16) // 8)]
        if rtype == 0xF007:
            facts["pictures"].append(body)
    return facts


def image(entry):
    """The image bytes of an FBSE entry: what follows its fixed fields and name."""
    return entry[36 + entry[33]:]


def uses(entry):
    return struct.unpack_from("<I", entry, 24)[0]


def drawing_facts(drawing):
    """A drawing's id, saved shape count, shape ids and the pictures its shapes show."""
    facts = {"dgid": None, "csp": 0, "spids": [], "pibs": []}
    for rtype, inst, body in art(drawing):
        if rtype == 0xF008:
            facts["dgid"], facts["csp"] = inst, struct.unpack_from("<I", body)[0]
        if rtype == 0xF00A:
            facts["spids"].append(struct.unpack_from("<I", body)[0])
        if rtype in (0xF00B, 0xF121, 0xF122):
            for i in range(inst):
                opid, op = struct.unpack_from("<HI", body, 6 * i)
                if opid & 0x4000 and not opid & 0x8000 and op:
                    facts["pibs"].append(op)
    return facts


def shape_id_owner(group, spid):
    """The drawing id owning the cluster that holds shape id spid, or None."""
    cluster = spid // 1024 - 1
    return group["clusters"][cluster][0] if 0 <= cluster < len(group["clusters"]) else None


def images_shown(group, drawing):
    """The image bytes of each picture a drawing's shapes show, None for a
    picture the group's store does not hold."""
    store = group["pictures"]
    return [image(store[pib - 1]) if 1 <= pib <= len(store) else None for pib in drawing["pibs"]]


def _id_faults(group, drawings):
    found, seen = set(), {}
    for d in drawings:
        if d["dgid"] in [o["dgid"] for o in drawings if o is not d]:
            found.add(f"drawing id {d['dgid']} used twice")
        own = set()
        for spid in d["spids"]:
            if spid in own:
                found.add(f"shape {spid} twice in drawing {d['dgid']}")
            elif spid in seen:
                found.add(f"shape {spid} in drawings {seen[spid]} and {d['dgid']}")
            own.add(spid)
            seen[spid] = d["dgid"]
            if shape_id_owner(group, spid) != d["dgid"]:
                found.add(f"shape {spid} of drawing {d['dgid']} outside its clusters")
    owners = {d["dgid"] for d in drawings}
    found |= {f"a cluster names drawing {owner}, which no sheet has"
              for owner, _ in group["clusters"] if owner and owner not in owners}
    return found


def id_problems(was, now):
    """What an edit did wrong to a workbook's drawing ids, was and now being
    its (group facts, [drawing facts]) before and after: a drawing or shape id
    used twice, a shape id outside the clusters its drawing owns, a cluster of
    a drawing that is gone (faults it had before are not counted), saved
    drawing and shape counts that did not move by what the edit added or took."""
    (was_group, was_drawings), (now_group, now_drawings) = was, now
    problems = sorted(_id_faults(*now) - _id_faults(*was))
    added = len(now_drawings) - len(was_drawings)
    shapes = sum(d["csp"] for d in now_drawings) - sum(d["csp"] for d in was_drawings)
    if added and (now_group["cdg"] - was_group["cdg"], now_group["csp"] - was_group["csp"]) != (
            added, shapes):
        problems.append(f"saved drawings and shapes {was_group['cdg']}, {was_group['csp']} -> "
                        f"{now_group['cdg']}, {now_group['csp']}: {added}, {shapes} added")
    return problems
