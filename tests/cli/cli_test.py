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


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=60)


class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarnvale-cli-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def copy(self, name):
        target = os.path.join(self.dir, name)
        shutil.copyfile(os.path.join(CORPUS, name), target)
        return target

    def test_usage_errors_exit_2(self):
        for args in ([], ["frobnicate", "x"], ["list"], ["rename", "a.xls", "S"],
                     ["delete", "--json", "a.xls", "S"], ["list", "--bogus", "a.xls"]):
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn("Usage:", result.stderr)

    def test_list_prints_worksheets_and_json_visibility(self):
        path = self.copy("sheetjs__BlankSheetTypes.xls")
        expected = xlrd.open_workbook(path, on_demand=True).sheet_names()
        result = run("list", path)
        self.assertEqual(result.returncode, 0, result.stderr)
        listed = result.stdout.splitlines()
        self.assertTrue(set(listed) <= set(expected) and listed, (listed, expected))
        sheets = json.loads(run("list", "--json", path).stdout)
        self.assertEqual([s["name"] for s in sheets], listed)
        self.assertTrue(all(s["visibility"] in ("visible", "hidden", "veryHidden") for s in sheets))

    def test_refusals_exit_1_naming_the_file(self):
        for name in ("edr__TestFail_Binary.xls", "does-not-exist.xls"):
            with self.subTest(name=name):
                path = os.path.join(CORPUS, name)
                result = run("list", path)
                self.assertEqual(result.returncode, 1)
                self.assertIn(path, result.stderr)

    def test_rename_and_delete_change_the_file_as_xlrd_reads_it(self):
        path = self.copy("gnumeric__ttest.xls")
        names = xlrd.open_workbook(path, on_demand=True).sheet_names()
        result = run("rename", path, names[1].upper(), "Renamed sheet")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(xlrd.open_workbook(path).sheet_names()[1], "Renamed sheet")
        result = run("delete", path, names[0])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(xlrd.open_workbook(path).sheet_names(), ["Renamed sheet"] + names[2:])

    def test_a_refused_rename_leaves_the_file_byte_identical(self):
        path = self.copy("sheetjs__BlankSheetTypes.xls")
        before = read_bytes(path)
        for new_name in ("bad/name", "x" * 32, "'quoted'", ""):
            with self.subTest(new_name=new_name):
                result = run("rename", path, "Sheet1", new_name)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(path, result.stderr)
        self.assertEqual(read_bytes(path), before)
        self.assertEqual(os.listdir(self.dir), ["sheetjs__BlankSheetTypes.xls"])


if __name__ == "__main__":
    TOOL, CORPUS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
