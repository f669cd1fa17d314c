#!/usr/bin/python3
"""Writes workbooks with the same sheets: one of about 20 KB and one of about
SIZE_MB megabytes (cell data only differs), and the large one again with every
row of "Notes" referring to "Data 2024" (deleting that sheet then rewrites
formulas in every sheet). A fourth workbook of about SIZE_MB megabytes adds a
sheet "Ledger" of 200,000 cells for copying into the linked one: strings both
repeated and unique, formats, formulas within the sheet and formulas reading
"Data 2024" (a copy turns those into external references). Uses xlwt, an
independent writer.

usage: make_workbooks.py OUTDIR [SIZE_MB]
"""
import os
import sys

import xlwt

SHEETS = ["Summary", "Data 2024", "Data 2025", "Hidden calc", "Notes"]


LEDGER_ROWS = 40000  # five cells a row


def write_ledger(book, data_rows, bold, money):
    sheet = book.add_sheet("Ledger")
    dated = xlwt.easyxf("font: italic on, colour red; pattern: pattern solid, fore_colour yellow",
                        num_format_str="yyyy-mm-dd")
    for column, title in enumerate(("Entry", "Account", "Amount", "Booked", "Balance")):
        sheet.write(0, column, title, bold)
    for row in range(1, LEDGER_ROWS):
        sheet.write(row, 0, f"Ledger entry {row}")
        sheet.write(row, 1, f"Account {row % 97}")
        sheet.write(row, 2, row * 0.5, money)
        sheet.write(row, 3, 40000 + row % 3000, dated)
        source = f"'Data 2024'!C{row % data_rows + 1}" if row % 4 == 0 else f"C{row + 1}"
        sheet.write(row, 4, xlwt.Formula(f"{source}+C{row + 1}"))


def write(path, rows_per_sheet, linked=False, ledger=False):
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
    if ledger:  # last: its formulas name a sheet written before it
        write_ledger(book, rows_per_sheet, bold, money)
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
    # The ledger takes about 6 MB of the copy source's stream.
    write(os.path.join(out, "copy-source.xls"), int(rows * 0.7), ledger=True)
    for name in ("small.xls", "large.xls", "large-linked.xls", "copy-source.xls"):
        print(name, os.path.getsize(os.path.join(out, name)))


if __name__ == "__main__":
    main()
