"""Prints each worksheet xlrd reads from a workbook: its name, a tab, and the
cell format (XF) indices its cells, formatted rows and columns use."""
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True, on_demand=True, ragged_rows=True)
for sheet in book.sheets():
    used = {info.xf_index for info in sheet.colinfo_map.values()}
    used |= {info.xf_index for info in sheet.rowinfo_map.values() if info.has_default_xf_index}
    for rowx in range(sheet.nrows):
        # Empty cells only pad a row up to its last cell.
        used |= {sheet.cell_xf_index(rowx, colx) for colx in range(sheet.row_len(rowx))
                 if sheet.cell_type(rowx, colx) != xlrd.XL_CELL_EMPTY}
    print(sheet.name + "\t" + ",".join(str(x) for x in sorted(used)))
