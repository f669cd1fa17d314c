#!/usr/bin/python3
"""tarnvale-sheets run side by side on one workbook, and on a workbook open in
LibreOffice: every edit reported done is in the file, every other one is
refused naming the file.  usage: concurrent_edits_test.py TARNVALE_SHEETS CORPUS_DIR"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus"))

TOOL = CORPUS = None
BOOK = "poi__ConditionalFormattingSamples.xls"  # 1.4 MB, 16 sheets


def sheet_names(path):
    return xlrd.open_workbook(path, on_demand=True).sheet_names()


class ConcurrentEditsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarnvale-concurrent-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.path = os.path.join(self.dir, "book.xls")

    def fresh_copy(self):
        shutil.copyfile(os.path.join(CORPUS, BOOK), self.path)
        return sheet_names(self.path)

    def test_ten_renames_and_ten_deletes_side_by_side_lose_nothing(self):
        edits = {"rename": (lambda name: (name, name + " r"), lambda c, now: c[3] in now),
                 "delete": (lambda name: (name,), lambda c, now: c[2] not in now)}
        for run in range(3):
            for verb, (arguments, shown) in edits.items():
                commands = [(verb, self.path, *arguments(n)) for n in self.fresh_copy()[:10]]
                started = [subprocess.Popen([TOOL, *c], stdout=subprocess.DEVNULL,
                                            stderr=subprocess.PIPE, text=True) for c in commands]
                outcomes = [(p.communicate(timeout=120)[1], p.returncode) for p in started]
                now = sheet_names(self.path)
                for command, (stderr, status) in zip(commands, outcomes):
                    # Reported done and in the file, or refused naming the file and not in it.
                    self.assertEqual(shown(command, now), status == 0, (command, stderr))
                    self.assertIn(self.path if status else "", stderr)
                self.assertEqual(os.listdir(self.dir), ["book.xls"])
                done = sum(status == 0 for _, status in outcomes)
                print(f"run {run}, {verb}: {done} done, {10 - done} refused, 0 lost",
                      file=sys.stderr)

    @unittest.skipUnless(shutil.which("soffice"), "LibreOffice is not installed")
    def test_a_workbook_open_in_libreoffice_is_refused_naming_who(self):
        from office_session import Office  # pylint: disable=import-outside-toplevel
        first = self.fresh_copy()[0]
        office = Office()
        self.addCleanup(office.close)
        document = office.load(self.path)
        with open(self.path, "rb") as f:
            before = f.read()
        result = subprocess.run([TOOL, "rename", self.path, first, "New"], capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn(f'"{self.path}": the file is open in LibreOffice (by ', result.stderr)
        with open(self.path, "rb") as f:
            self.assertEqual(f.read(), before)
        document.close(True)
        # Closed there, the workbook is Tarnvale's to change again.
        result = subprocess.run([TOOL, "rename", self.path, first, "New"], capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    TOOL, CORPUS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
