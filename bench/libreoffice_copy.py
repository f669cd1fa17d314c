#!/usr/bin/python3
"""LibreOffice headless copying (or moving) a sheet between two workbooks
through UNO, as a user of the office suite would: start it, open both
workbooks, import the sheet into the destination behind the anchor, (for a
move, remove it from the source), save what changed as Excel 97. Appends the
seconds spent after start-up to TIMES_FILE when given.

usage: libreoffice_copy.py copy|move SRC SHEET DEST ANCHOR [TIMES_FILE]
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "corpus"))
from office_session import Office  # noqa: E402 pylint: disable=wrong-import-position


def main():
    verb, src, sheet, dest, anchor = sys.argv[1:6]
    with Office() as office:
        started = time.perf_counter()
        source = office.load(src)
        target = office.load(dest)
        sheets = target.Sheets
        sheets.importSheet(source, sheet, list(sheets.ElementNames).index(anchor) + 1)
        office.store(target, dest, "MS Excel 97")
        if verb == "move":
            source.Sheets.removeByName(sheet)
            office.store(source, src, "MS Excel 97")
        source.close(True)
        target.close(True)
        spent = time.perf_counter() - started
    if len(sys.argv) > 6:
        with open(sys.argv[6], "a", encoding="utf-8") as times:
            times.write(f"{spent}\n")


if __name__ == "__main__":
    main()
