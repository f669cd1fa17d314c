"""Copies between workbooks, checked by xlrd cell by cell and format by format
(the sheets the destination had unchanged too), opened by LibreOffice, and with
--recalculate computed there as the source sheet computes (recalculation_check)."""
import functools
import os

import xlrd

import recalculation_check
import sweep


def rgb(book, index):
    # System colours (window text, automatic) have no value of their own.
    return book.colour_map.get(index) if index is not None else None


def resolved_format(book, xf_index):
    if not book.xf_list or xf_index is None or xf_index >= len(book.xf_list):
        return None
    xf = book.xf_list[xf_index]
    font = book.font_list[xf.font_index] if xf.font_index < len(book.font_list) else None
    fmt = book.format_map.get(xf.format_key)
    b, bg, al, pr = xf.border, xf.background, xf.alignment, xf.protection
    return (
        font and (font.name, font.height, font.weight, font.italic, font.underline_type,
                  font.struck_out, font.escapement, rgb(book, font.colour_index)),
        fmt.format_str if fmt else xf.format_key,
        tuple((getattr(b, side + "_line_style"), rgb(book, getattr(b, side + "_colour_index"))
              if getattr(b, side + "_line_style") else None)
              for side in ("left", "right", "top", "bottom")),
        (bg.fill_pattern, rgb(book, bg.pattern_colour_index) if bg.fill_pattern else None,
         rgb(book, bg.background_colour_index) if bg.fill_pattern > 1 else None),
        (al.hor_align, al.vert_align, al.rotation, al.text_wrapped, al.indent_level,
         al.shrink_to_fit),
        (pr.cell_locked, pr.formula_hidden),
    )


def sheet_picture(book, sheet, formats=True):
    """Everything a copy must keep of a sheet, in comparable form."""
    cells = {}
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue  # no record: the workbook's default format shows there
            fmt = resolved_format(book, cell.xf_index) if formats else None
            value = "NaN" if cell.value != cell.value else cell.value
            cells[(r, c)] = (cell.ctype, value, fmt)
    picture = {"cells": cells, "merged": sorted(sheet.merged_cells)}
    if formats:
        picture["columns"] = {c: (i.width, i.hidden, i.outline_level)
                              for c, i in sheet.colinfo_map.items()}
        picture["rows"] = {r: (i.height, i.hidden, i.outline_level)
                           for r, i in sheet.rowinfo_map.items()}
        picture["defaults"] = (sheet.defcolwidth, sheet.standardwidth,
                               getattr(sheet, "default_row_height", None))
        picture["links"] = sorted((h.frowx, h.fcolx, h.lrowx, h.lcolx, h.type, h.url_or_path,
                                   h.textmark, h.desc) for h in sheet.hyperlink_list)
    return picture


@functools.lru_cache(maxsize=None)
def beyond_xlrd(path):
    """Why xlrd cannot read the workbook at path (encrypted, a codepage or
    damage it does not handle), or None when it can."""
    try:
        with open(os.devnull, "w", encoding="utf-8") as quiet:
            xlrd.open_workbook(path, logfile=quiet)
        return None
    except Exception as e:  # pylint: disable=broad-except
        return "encrypted" if "encrypted" in str(e) else "unreadable"


def open_book(path):
    try:
        return xlrd.open_workbook(path, formatting_info=True), True
    except NotImplementedError:
        return xlrd.open_workbook(path), False


def differences(a, b):
    if a.keys() != b.keys():
        return ["parts differ"]
    out = []
    for key in a:
        if a[key] == b[key]:
            continue
        if key == "cells":
            diff = [k for k in set(a[key]) | set(b[key]) if a[key].get(k) != b[key].get(k)]
            k = sorted(diff)[0]
            out.append(f"{len(diff)} cells differ, first {k}: {a[key].get(k)} != {b[key].get(k)}")
        else:
            out.append(f"{key} differ")
    return out


def check_copy(source_path, sheet_name, before_path, after_path):
    (source, f1), (before, f2), (after, f3) = map(open_book, (source_path, before_path, after_path))
    formats = f1 and f2 and f3
    names_before, names_after = before.sheet_names(), after.sheet_names()
    copy_name = names_after[-1]
    if names_after[:-1] != names_before or (
            copy_name != sheet_name if sheet_name.lower() not in map(str.lower, names_before)
            else not copy_name.startswith(sheet_name[:25]) or not copy_name.endswith(")")):
        return [f"sheets {names_after} after copying {sheet_name!r} behind {names_before}"]
    pairs = [("copy", source, source.sheet_by_name(sheet_name), after.sheet_by_name(copy_name))]
    pairs += [(name, before, before.sheet_by_index(i), after.sheet_by_index(i))
              for i, name in enumerate(names_before)]
    return [f"{label}: {d}" for label, book, was, now in pairs
            for d in differences(sheet_picture(book, was, formats),
                                 sheet_picture(after, now, formats))]


class CopyFidelity(sweep.Check):
    destinations = ("gnumeric__ttest.xls",)
    refusals = None

    def copies(self, args):
        pairs = [p.split(":", 1) for p in args.pairs]
        return [(n, d, None) for n, d in pairs] or super().copies(args)

    def check_copy(self, c):
        beyond = [b for b in map(beyond_xlrd, (c.source, c.before)) if b]
        listed = sweep.run(c.args.tool, "list", c.after)[1].splitlines()
        if beyond:  # xlrd cannot check the copy: the listing must hold it
            c.counts[f"copied into or from an {beyond[0]} workbook, which xlrd cannot read "
                     "(listed only)"] += 1
            was = sweep.run(c.args.tool, "list", c.before)[1].splitlines()
            if listed[:-1] != was or not listed[-1].startswith(c.sheet[:25]):
                return [f"sheets {listed} after copying {c.sheet!r} behind {was}"]
            problems = []
        else:
            problems = check_copy(c.source, c.sheet, c.before, c.after)
        if problems or not c.libreoffice:
            return problems
        if not c.libreoffice.read(c.after, lambda document: document.Sheets.Count):
            return ["LibreOffice cannot open the result: "
                    + c.libreoffice.failed.get(os.path.basename(c.after), "")]
        c.counts["opened in LibreOffice"] += 1
        if c.args.recalculate:
            problems = recalculation_check.problems(c.libreoffice, c.source_copy, c.sheet,
                                                    c.after, listed[-1])
            c.counts["recalculated and compared in LibreOffice"] += not problems
        return problems
