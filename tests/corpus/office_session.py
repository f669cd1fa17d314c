"""LibreOffice headless with a private profile, so that it neither meets nor
disturbs a desktop session: conversions of whole files (soffice --convert-to),
and one process driven through UNO over a named pipe."""
import atexit
import csv
import functools
import glob
import os
import shutil
import subprocess
import tempfile
import time

import uno  # pylint: disable=import-error
from com.sun.star.beans import PropertyValue  # pylint: disable=import-error


CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,UTF8,1,,0,false,true,false,false,false,-1"


@functools.lru_cache(maxsize=None)
def conversion_profile():
    """The private profile of every conversion in this process (a profile is
    slow to make), removed when the process ends."""
    profile = tempfile.mkdtemp(prefix="tv-lo-profile-")
    atexit.register(shutil.rmtree, profile, True)
    return profile


def convert(paths, target, out_dir, timeout=600):
    """One soffice call converting paths to target (an extension or a filter)."""
    try:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{conversion_profile()}",
                        "--headless", "--convert-to", target, "--outdir", out_dir, *paths],
                       capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        pass  # what it did not write counts as not converted


def converted(path, out_dir, extension):
    """The file LibreOffice wrote for path into out_dir, or None."""
    out = os.path.join(out_dir, os.path.splitext(os.path.basename(path))[0] + extension)
    return out if os.path.exists(out) else None


def sheet_csvs(path, out_dir):
    """Sheet name -> CSV rows of what convert_to_csv wrote for path."""
    stem = os.path.splitext(os.path.basename(path))[0] + "-"
    found = {}
    for name in glob.glob(os.path.join(out_dir, glob.escape(stem) + "*.csv")):
        with open(name, encoding="utf-8", errors="replace") as f:
            found[os.path.basename(name)[len(stem):-4]] = list(csv.reader(f))
    return found


def convert_to_csv(paths, out_dir):
    """A CSV per sheet of each file, in as few calls as it can: when a file
    stops LibreOffice, the next call starts after it, and what a crash skipped
    is tried on its own. Returns the files LibreOffice could not convert."""
    remaining = list(paths)
    while remaining:
        convert(remaining, CSV_FILTER, out_dir, 3600)
        done = [i for i, f in enumerate(remaining) if sheet_csvs(f, out_dir)]
        if not done:
            break
        remaining = remaining[max(done) + 2:]  # the file after the last one done stopped it
    for f in paths:
        if not sheet_csvs(f, out_dir):
            convert([f], CSV_FILTER, out_dir)
    return [f for f in paths if not sheet_csvs(f, out_dir)]


def properties(**values):
    return tuple(PropertyValue(Name=k, Value=v) for k, v in values.items())


class Office:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="tv-lo-profile-")
        pipe = f"tarnvale{os.getpid()}"
        self.process = subprocess.Popen(
            ["soffice", "--headless", "--norestore", "--nologo", f"--accept=pipe,name={pipe};urp;",
             f"-env:UserInstallation=file://{self.profile}"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(1200):  # a loaded machine can take a minute or more
            try:
                context = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
                break
            except Exception:  # pylint: disable=broad-except
                if self.process.poll() is not None:
                    raise RuntimeError("LibreOffice exited before taking connections") from None
                time.sleep(0.1)
        else:
            self.close()
            raise RuntimeError("LibreOffice did not take connections")
        self.context = context
        self.desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)

    def load(self, path):
        """The document at path, hidden. References to other workbooks show the
        values cached in the file: the other file is not read (NO_UPDATE)."""
        document = self.desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
            properties(Hidden=True, UpdateDocMode=0))
        if document is None:
            raise RuntimeError(f"LibreOffice could not load {path}")
        return document

    @staticmethod
    def store(document, path, filter_name):
        document.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                            properties(FilterName=filter_name))

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:  # pylint: disable=broad-except
            pass  # the process is gone or going; wait below either way
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
