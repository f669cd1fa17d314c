"""LibreOffice headless with a private profile, so that it neither meets nor
disturbs a desktop session: conversions of whole files (soffice --convert-to),
and one process driven through UNO over a named pipe."""
import atexit
import csv
import functools
import glob
import os
import shutil
import signal
import subprocess
import tempfile
import threading
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
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
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
        values cached in the file: the other file is not read (NO_UPDATE). A
        file without write permission (the corpus) loads read-only: opened for
        writing, LibreOffice gives nothing back."""
        path = os.path.abspath(path)
        writable = os.path.exists(path) and os.stat(path).st_mode & 0o222
        document = self.desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(path), "_blank", 0,
            properties(Hidden=True, UpdateDocMode=0, ReadOnly=not writable))
        if document is None:
            raise RuntimeError(f"LibreOffice could not load {path}")
        return document

    @staticmethod
    def store(document, path, filter_name):
        document.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                            properties(FilterName=filter_name))

    def convert(self, path, out_path, filter_name):
        document = self.load(path)
        try:
            self.store(document, out_path, filter_name)
        finally:
            document.close(True)

    def kill(self):
        """Stops the process and the soffice.bin it started (one session)."""
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:  # pylint: disable=broad-except
            pass  # the process is gone or going; wait below either way
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


class Session:
    """One LibreOffice for a whole sweep, started on first use. A document on
    which it stops, or takes longer than the time limit, is noted by name in
    failed; the process is then stopped and the next document gets a fresh one."""

    def __init__(self, limit=180):
        self.limit, self.office, self.failed = limit, None, {}

    def call(self, name, work):
        """work(office)'s result, or None when it failed on the document name
        (the reason in failed[name])."""
        expired = threading.Event()
        try:
            if self.office is None:
                self.office = Office()
            office = self.office
            watchdog = threading.Timer(self.limit, lambda: (expired.set(), office.kill()))
            watchdog.start()
            try:
                result = work(office)
                self.failed.pop(name, None)
                return result
            finally:
                watchdog.cancel()
        except Exception as error:  # pylint: disable=broad-except
            if expired.is_set():
                self.failed[name] = f"no answer within {self.limit} s"
            elif self.office is None or self.office.process.poll() is not None:
                self.failed[name] = "LibreOffice stopped"
            else:
                self.failed[name] = f"{type(error).__name__}: {error}"
                return None  # it still answers: keep it
            self.close()
            return None

    def convert(self, path, out_path, filter_name):
        """out_path once LibreOffice wrote path there, else None."""
        done = self.call(os.path.basename(path),
                         lambda office: office.convert(path, out_path, filter_name) or True)
        return out_path if done and os.path.exists(out_path) else None

    def close(self):
        if self.office:
            self.office.close()
            self.office = None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
