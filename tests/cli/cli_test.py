#!/usr/bin/python3
"""tarnvale-sheets as a script sees it: output, exit codes, and files it
changes checked with xlrd.  usage: cli_test.py TARNVALE_SHEETS CORPUS_DIR"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import xlrd

TOOL = CORPUS = None


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def run(*args, env=None, text=True):
    return subprocess.run([TOOL, *args], capture_output=True, text=text, timeout=60, env=env)


def sheet_names(path):
    return xlrd.open_workbook(path, on_demand=True).sheet_names()


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarnvale-cli-")
        self.addCleanup(shutil.rmtree, self.dir)

    def copy(self, name):
        target = os.path.join(self.dir, name)
        shutil.copyfile(os.path.join(CORPUS, name), target)
        return target

    def assert_done(self, *args, json_out=None, env=None):
        result = run(*args, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        if json_out is not None:
            self.assertEqual(json.loads(result.stdout), json_out)
        return result.stdout

    def test_bad_command_lines_exit_2_and_refusals_1_naming_the_file_touching_nothing(self):
        src, dest = self.copy("gnumeric__ttest.xls"), self.copy("poi__rk.xls")
        before = read_bytes(src), read_bytes(dest)
        sheet = sheet_names(src)[1]
        # One case for each way a command line can be wrong.
        usage = [[], ["frobnicate", "x"], ["list"], ["list", src, "extra"],
                 ["list", "--bogus", src], ["delete", "--json", src, sheet],
                 ["rename", src, sheet, "-new"], ["delete", src, sheet, "--after", "Sheet1"],
                 ["rename", src, sheet, "New", "--name", "N"], ["copy", src, sheet, dest],
                 ["move", src, sheet, "--after", "Sheet1"], ["copy", src, sheet, dest, "--after"]]
        # Files it cannot read, names the application refuses and names not in UTF-8.
        refused = [(["list", os.path.join(CORPUS, name)], name)
                   for name in ("edr__TestFail_Binary.xls", "does-not-exist.xls")]
        refused += [(["rename", dest, "Sheet1", new], dest)
                    for new in ("bad/name", "x" * 32, "", b"a\xff", b"\xed\xa0\x80", b"\xe2\x82")]
        for args, named in ((["--after", "No such sheet"], dest),
                            (["--after", "Sheet1", "--name", "a/b"], src),
                            (["--after", "Sheet1", "--name", b"a\xff"], dest)):
            refused += [([command, src, sheet, dest, *args], named) for command in ("copy", "move")]
        for args, (status, shown) in [(a, (2, "Usage:")) for a in usage] + [
                (a, (1, named)) for a, named in refused]:
            with self.subTest(args=args):
                result = run(*args, text=False)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(os.fsencode(shown), result.stderr)
        self.assertEqual((read_bytes(src), read_bytes(dest)), before)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(map(os.path.basename, (src, dest))))

    def test_copy_and_move_land_behind_the_anchor(self):
        src, dest = self.copy("gnumeric__ttest.xls"), self.copy("poi__rk.xls")
        names = sheet_names(src)
        self.assert_done("copy", "--json", src, names[1], dest, "--after", "sheet1", "--name",
                         "Kopie", json_out={"name": "Kopie"})
        self.assertEqual(sheet_names(dest), ["Sheet1", "Kopie", "Sheet2", "Sheet3"])
        self.assertEqual(sheet_names(src), names)
        self.assert_done("move", "--json", src, names[1], dest, "--after", "Kopie",
                         json_out={"name": names[1]})
        self.assertEqual(sheet_names(dest), ["Sheet1", "Kopie", names[1], "Sheet2", "Sheet3"])
        self.assertEqual(sheet_names(src), names[:1] + names[2:])

    def test_a_move_within_one_workbook_reorders_it_keeping_names_and_cells(self):
        path = self.copy("gnumeric__ttest.xls")

        def cells():
            book = xlrd.open_workbook(path)
            return {s.name: [s.row_values(r) for r in range(s.nrows)] for s in book.sheets()}
        before, names = cells(), sheet_names(path)
        self.assert_done("move", "--json", path, names[0], path, "--after", names[2],
                         json_out={"name": names[0]})
        self.assertEqual(sheet_names(path), names[1:3] + names[:1] + names[3:])
        self.assertEqual(cells(), before)

    def test_list_prints_worksheets_and_json_visibility(self):
        path = self.copy("sheetjs__BlankSheetTypes.xls")
        expected = sheet_names(path)
        listed = self.assert_done("list", path).splitlines()
        self.assertTrue(set(listed) <= set(expected) and listed, (listed, expected))
        sheets = json.loads(self.assert_done("list", "--json", path))
        self.assertEqual([s["name"] for s in sheets], listed)
        self.assertTrue(all(s["visibility"] in ("visible", "hidden", "veryHidden") for s in sheets))

    def test_help_prints_the_usage_on_stdout_and_exits_0(self):
        result = run("--help")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn("copy [--json] SRC SHEET DEST --after ANCHOR [--name NEWNAME]", result.stdout)

    def test_names_beginning_with_a_dash_pass_after_double_dash(self):
        path = self.copy("gnumeric__ttest.xls")
        names = sheet_names(path)
        # Each step renames a sheet to a name a parser could take for an option.
        for old, new in ((names[0], "-new"), ("-new", "--json"), (names[1], "--")):
            self.assert_done("rename", path, "--", old, new)
        self.assert_done("delete", path, "--", "--")
        listing = json.loads(self.assert_done("list", "--json", "--", path))
        self.assertEqual([s["name"] for s in listing], ["--json"] + names[2:])

    def test_non_ascii_names_pass_as_utf8_whatever_the_locale(self):
        path = self.copy("gnumeric__ttest.xls")
        c_locale = dict(os.environ, LC_ALL="C", LANG="C")
        self.assert_done("rename", path, sheet_names(path)[1], "Ünïcödé 表 €𝄞", env=c_locale)
        self.assertEqual(sheet_names(path)[1], "Ünïcödé 表 €𝄞")
        # The sheet is found again by its name in other letter case.
        self.assert_done("rename", path, "ÜNÏCÖDÉ 表 €𝄞", "Überblick", env=c_locale)
        listing = self.assert_done("list", "--json", path, env=c_locale)
        self.assertIn('"name": "Überblick"', listing)  # UTF-8, not \u escapes
        self.assertEqual(run("list", path, env=c_locale).stdout.splitlines()[1], "Überblick")

    def test_a_listing_that_cannot_be_written_is_not_a_success(self):
        path = os.path.join(CORPUS, "gnumeric__ttest.xls")
        with open("/dev/full", "w") as full:
            result = subprocess.run([TOOL, "list", path], stdout=full, stderr=subprocess.PIPE,
                                    text=True, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn(path, result.stderr)


if __name__ == "__main__":
    TOOL, CORPUS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
