"""Prints, for each worksheet xlrd reads from a workbook, the cell format (XF)
indices its cells, formatted rows and columns use: one line per sheet, the
name, a tab, and the indices in ascending order separated by commas."""
import sys

import xlrd


def used_formats(sheet):
    used = set()
    for rowx in range(sheet.nrows):
        for colx in range(sheet.row_len(rowx)):
            # Empty cells only pad a row up to its last cell.
            if sheet.cell_type(rowx, colx) != xlrd.XL_CELL_EMPTY:
                used.add(sheet.cell_xf_index(rowx, colx))
    for info in sheet.rowinfo_map.values():
        if info.has_default_xf_index:
            used.add(info.xf_index)
    for info in sheet.colinfo_map.values():
        used.add(info.xf_index)
    return used


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True, on_demand=True, ragged_rows=True)
    for index in range(book.nsheets):
        sheet = book.sheet_by_index(index)
        print(sheet.name + "\t" + ",".join(str(x) for x in sorted(used_formats(sheet))))


if __name__ == "__main__":
    main(sys.argv[1])
