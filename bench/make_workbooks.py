#!/usr/bin/python3
"""Writes workbooks with the same sheets: one of about 20 KB and one of about
SIZE_MB megabytes (cell data only differs), and the large one again with every
row of "Notes" referring to "Data 2024" (deleting that sheet then rewrites
formulas in every sheet). Uses xlwt, an independent writer.

usage: make_workbooks.py OUTDIR [SIZE_MB]
"""
import os
import sys

import xlwt

SHEETS = ["Summary", "Data 2024", "Data 2025", "Hidden calc", "Notes"]


def write(path, rows_per_sheet, linked=False):
    book = xlwt.Workbook()
    bold = xlwt.easyxf("font: bold on")
    money = xlwt.easyxf(num_format_str="#,##0.00")
    for index, name in enumerate(SHEETS):
        sheet = book.add_sheet(name)
        if name == "Hidden calc":
            sheet.visibility = 1
        sheet.write(0, 0, "Row", bold)
        sheet.write(0, 1, "Label", bold)
        sheet.write(0, 2, "Amount", bold)
        for row in range(1, rows_per_sheet):
            sheet.write(row, 0, row)
            sheet.write(row, 1, f"{name} item {row} {'x' * (row % 17)}")
            sheet.write(row, 2, row * 1.25 + index, money)
            sheet.write(row, 3, xlwt.Formula(f"C{row + 1}*2"))
            if linked and name == "Notes":
                sheet.write(row, 4, xlwt.Formula(f"'Data 2024'!C{row + 1}+C{row + 1}"))
    book.save(path)


def main():
    out = sys.argv[1]
    size_mb = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "small.xls"), 10)
    # About 130 bytes of stream per row across the five sheets; xlwt caps a sheet at 65536 rows.
    rows = min(65535, int(size_mb * 1024 * 1024 / (len(SHEETS) * 130)))
    write(os.path.join(out, "large.xls"), rows)
    write(os.path.join(out, "large-linked.xls"), rows, linked=True)
    for name in ("small.xls", "large.xls", "large-linked.xls"):
        print(name, os.path.getsize(os.path.join(out, name)))


if __name__ == "__main__":
    main()
