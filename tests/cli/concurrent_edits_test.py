#!/usr/bin/python3
"""tarnvale-sheets run side by side on one workbook, and beside a workbook that
LibreOffice has open: every edit reported done is in the file, every other one
is refused with a message naming the file.
usage: concurrent_edits_test.py TARNVALE_SHEETS CORPUS_DIR [RUNS]"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import xlrd

TOOL = CORPUS = None
RUNS = 3
BOOK = "poi__ConditionalFormattingSamples.xls"  # 1.4 MB, 16 sheets


def sheet_names(path):
    return xlrd.open_workbook(path, on_demand=True).sheet_names()


def side_by_side(commands):
    """Starts every command at once; returns (command, exit status, stderr) each."""
    started = [(c, subprocess.Popen([TOOL, *c], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.PIPE, text=True)) for c in commands]
    results = []
    for command, process in started:
        stderr = process.communicate(timeout=120)[1]
        results.append((command, process.returncode, stderr))
    return results


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class ConcurrentEditsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarnvale-concurrent-")
        self.path = os.path.join(self.dir, "book.xls")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def fresh_copy(self):
        shutil.copyfile(os.path.join(CORPUS, BOOK), self.path)
        return sheet_names(self.path)

    def check(self, results, kept):
        """kept(command): whether the file shows the command's edit."""
        counts = {"succeeded": 0, "refused": 0, "lost": 0}
        for command, status, stderr in results:
            if status == 0:
                counts["succeeded"] += 1
                counts["lost"] += not kept(command)
            else:
                counts["refused"] += 1
                self.assertEqual(status, 1, stderr)
                self.assertIn(self.path, stderr)
                self.assertFalse(kept(command), command)
        self.assertEqual(os.listdir(self.dir), ["book.xls"], "no temporary or lock file left")
        return counts

    def test_ten_renames_and_ten_deletes_side_by_side_lose_nothing(self):
        for run in range(RUNS):
            names = self.fresh_copy()
            renames = side_by_side([("rename", self.path, n, n + " r") for n in names[:10]])
            after = sheet_names(self.path)
            counts = self.check(renames, lambda c: c[3] in after)
            print(f"run {run}: renames {counts}", file=sys.stderr)
            self.assertEqual(counts["lost"], 0)

            names = self.fresh_copy()
            deletes = side_by_side([("delete", self.path, n) for n in names[:10]])
            after = sheet_names(self.path)
            counts = self.check(deletes, lambda c: c[2] not in after)
            print(f"run {run}: deletes {counts}", file=sys.stderr)
            self.assertEqual(counts["lost"], 0)

    def test_a_libreoffice_lock_file_refuses_naming_who(self):
        names = self.fresh_copy()
        with open(os.path.join(self.dir, ".~lock.book.xls#"), "w") as lock:
            lock.write(",Ann Example,ws4,07.12.2026 06:22,file:///home/ann/.config/libreoffice/4;")
        before = read_bytes(self.path)
        result = subprocess.run([TOOL, "rename", self.path, names[0], "New"],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertIn(f'"{self.path}": the file is open in LibreOffice (by Ann Example on ws4 '
                      "since 07.12.2026 06:22", result.stderr)
        self.assertEqual(read_bytes(self.path), before)


@unittest.skipUnless(shutil.which("soffice"), "LibreOffice is not installed")
class RealLibreOfficeTest(unittest.TestCase):
    def test_a_workbook_open_in_libreoffice_is_refused(self):
        import uno  # pylint: disable=import-outside-toplevel
        from com.sun.star.beans import PropertyValue  # pylint: disable=import-outside-toplevel
        folder = tempfile.mkdtemp(prefix="tarnvale-libreoffice-")
        path = os.path.join(folder, "book.xls")
        shutil.copyfile(os.path.join(CORPUS, BOOK), path)
        pipe = f"tarnvale{os.getpid()}"
        office = subprocess.Popen(
            ["soffice", "--headless", "--norestore", "--nologo",
             f"-env:UserInstallation=file://{folder}/profile", f"--accept=pipe,name={pipe};urp;"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext(
                "com.sun.star.bridge.UnoUrlResolver", local)
            for _ in range(240):
                try:
                    context = resolver.resolve(
                        f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
                    break
                except Exception:  # pylint: disable=broad-except
                    time.sleep(0.5)
            desktop = context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
            hidden = PropertyValue(Name="Hidden", Value=True)
            document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0,
                                                    (hidden,))
            before = read_bytes(path)
            result = subprocess.run([TOOL, "rename", path, sheet_names(path)[0], "New"],
                                    capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 1)
            self.assertIn(f'"{path}": the file is open in LibreOffice (by ', result.stderr)
            self.assertEqual(read_bytes(path), before)
            document.close(True)
            # Closed there, the workbook is Tarnvale's to change again.
            result = subprocess.run([TOOL, "rename", path, sheet_names(path)[0], "New"],
                                    capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 0, result.stderr)
        finally:
            office.kill()
            office.wait()
            shutil.rmtree(folder)


if __name__ == "__main__":
    TOOL, CORPUS = sys.argv[1], sys.argv[2]
    if len(sys.argv) > 3:
        RUNS = int(sys.argv[3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
