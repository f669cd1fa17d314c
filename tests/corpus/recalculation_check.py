"""LibreOffice recalculates the source and the destination written, and the
copy's formula cells must compute what the source sheet's do: stored results
cannot show a reference to the wrong sheet or cells; recalculating does.
The copy reads the source's other sheets as an external workbook, from values
cached in the destination (links are not updated on loading); so those sheets'
formulas in the source give way to the results xlrd reads stored for them, and
both sides compute from the same values. Left out: volatile cells and those
depending on where they stand or reading a reference from text, which the copy
rightly resolves in the destination; intersections of references to another
workbook, which LibreOffice does not compute."""
import math
import os
import re

import xlrd

from office_session import used_area


VOLATILE_OR_PLACE_DEPENDENT = re.compile(
    r"\b(RAND|RANDBETWEEN|GETRANDBETWEEN|NOW|TODAY|INDIRECT|CELL|INFO|SHEETS?)\s*\(", re.IGNORECASE)
# com.sun.star.sheet.FormulaResult
FORMULA_RESULT_VALUE, FORMULA_RESULT_STRING, FORMULA_RESULT_ERROR = 1, 2, 4
CONTENT_FORMULA = 16  # com.sun.star.sheet.CellFlags.FORMULA


def computed(document, sheet_name):
    """{(row, col): (formula, value)} for the formula cells of the sheet; an
    error result as ("error", code)."""
    sheet = document.Sheets.getByName(sheet_name)
    area = used_area(sheet)
    formulas, values = area.getFormulaArray(), area.getDataArray()
    cells = {(r, c): (f, values[r][c]) for r, row in enumerate(formulas)
             for c, f in enumerate(row) if f.startswith("=")}
    for block in area.queryFormulaCells(FORMULA_RESULT_ERROR).RangeAddresses:
        for r in range(block.StartRow, block.EndRow + 1):
            for c in range(block.StartColumn, block.EndColumn + 1):
                if (r, c) in cells:
                    error = sheet.getCellByPosition(c, r).getError()
                    cells[(r, c)] = (cells[(r, c)][0], ("error", error))
    return cells


# A formula that gives each error value a cell can hold ([MS-XLS] BErr).
ERROR_FORMULAS = {0x00: "=#NULL!", 0x07: "=1/0", 0x0F: "=#VALUE!", 0x17: "=#REF!",
                  0x1D: "=#NAME?", 0x24: "=#NUM!", 0x2A: "=NA()"}


def stored_result(stored, r, c):
    """What the file stores as the result of the formula at (r, c), as
    LibreOffice takes a cell's data: a number or a text; an error as a formula."""
    if r >= stored.nrows or c >= stored.ncols:
        return ""
    cell = stored.cell(r, c)
    if cell.ctype == xlrd.XL_CELL_ERROR:
        return ERROR_FORMULAS.get(cell.value, "=NA()")
    if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE, xlrd.XL_CELL_BOOLEAN):
        return float(cell.value)
    return cell.value


def freeze_results(sheet, stored):
    """Replaces the sheet's formulas by the results the file stores for them:
    read by xlrd from stored (an xlrd sheet) when given, else as LibreOffice
    shows them (a formula with an error result then stays)."""
    if stored is None:
        kinds = FORMULA_RESULT_VALUE | FORMULA_RESULT_STRING
        blocks = used_area(sheet).queryFormulaCells(kinds).RangeAddresses
    else:
        blocks = used_area(sheet).queryContentCells(CONTENT_FORMULA).RangeAddresses
    for block in blocks:
        cells = sheet.getCellRangeByPosition(block.StartColumn, block.StartRow, block.EndColumn,
                                             block.EndRow)
        if stored is None:
            cells.setDataArray(cells.getDataArray())
            continue
        results = [[stored_result(stored, r, c)
                    for c in range(block.StartColumn, block.EndColumn + 1)]
                   for r in range(block.StartRow, block.EndRow + 1)]
        cells.setDataArray(tuple(tuple("" if isinstance(v, str) and v.startswith("=") else v
                                       for v in row) for row in results))
        for i, row in enumerate(results):
            for j, v in enumerate(row):
                if isinstance(v, str) and v.startswith("="):
                    sheet.getCellByPosition(block.StartColumn + j, block.StartRow + i).Formula = v


def intersects_external(formula):
    """Whether the formula (LibreOffice's notation: '!' intersects) intersects
    a reference to another workbook."""
    bare = re.sub(r"'[^']*'|\"[^\"]*\"", "", formula)
    return "'file:" in formula and "!" in bare


# LibreOffice's codes for the error values a workbook can hold (#NULL!, #DIV/0!,
# #VALUE!, #REF!, #NAME?, #NUM!, #N/A); its other codes are its own failures to
# read a formula, which a copy cannot be held to.
WORKBOOK_ERRORS = {521, 532, 519, 524, 525, 503, 32767}


def same(a, b):
    if isinstance(a, tuple) and isinstance(b, tuple):  # both errors
        return a == b or not {a[1], b[1]} <= WORKBOOK_ERRORS
    if isinstance(a, float) and isinstance(b, float):
        return a == b or math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-300)
    return a == b


def _source_values(office, path, sheet_name):
    """The sheet's formula cells recalculated, the other sheets frozen; those
    whose result changes from one recalculation to the next left out."""
    try:
        with open(os.devnull, "w", encoding="utf-8") as quiet:
            stored = xlrd.open_workbook(path, logfile=quiet)
    except Exception:  # pylint: disable=broad-except
        stored = None  # encrypted, or beyond xlrd: LibreOffice's view of the results
    stored_sheets = {sheet.name: sheet for sheet in stored.sheets()} if stored else {}
    document = office.load(path)
    try:
        for name in document.Sheets.ElementNames:
            if name != sheet_name:
                freeze_results(document.Sheets.getByName(name), stored_sheets.get(name))
        document.calculateAll()
        first = computed(document, sheet_name)
        document.calculateAll()
        again = computed(document, sheet_name)
    finally:
        document.close(True)
    return {k: v for k, v in first.items()
            if same(v[1], again[k][1]) and not VOLATILE_OR_PLACE_DEPENDENT.search(v[0])}


def _compare(office, source_path, sheet_name, dest_path, copy_name):
    """The source sheet's recalculated formula cells, the copy's, and the
    cells where they differ."""
    expected = _source_values(office, source_path, sheet_name)
    document = office.load(dest_path)
    try:
        document.calculateAll()
        got = computed(document, copy_name)
    finally:
        document.close(True)
    wrong = {k for k, (_, value) in expected.items()
             if k not in got or not same(value, got[k][1]) and not intersects_external(got[k][0])}
    return expected, got, wrong


def problems(session, source_path, sheet_name, dest_path, copy_name):
    """What differs between the recalculated source sheet and its copy, through
    session (an office_session.Session). A difference is confirmed on fresh
    loads of both: LibreOffice does not always compute an array function read
    by a single cell (ABS(FREQUENCY(...))) the same way twice."""
    name = os.path.basename(dest_path)
    compare = lambda office: _compare(office, source_path, sheet_name, dest_path, copy_name)
    found = session.call(name, compare)
    if found and found[2]:
        again = session.call(name, compare)
        found = again and (found[0], found[1], found[2] & again[2])
    if not found:
        return [f"LibreOffice recalculation failed: {session.failed.get(name)}"]
    expected, got, wrong = found
    if not wrong:
        return []
    k = min(wrong)
    return [f"recalculated: {len(wrong)} of {len(expected)} formula cells differ, first "
            f"{k}: {expected[k][0]} = {expected[k][1]!r}, copy "
            f"{got.get(k, ('(none)', None))[0]} = {got.get(k, (None, None))[1]!r}"]
