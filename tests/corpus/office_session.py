"""LibreOffice headless with a private profile, so that it neither meets nor
disturbs a desktop session, driven through UNO over a named pipe: one process
for a whole sweep, restarted when a document stops it."""
import collections
import csv
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

# A CSV file per sheet, named after the file and the sheet, in UTF-8.
CSV_FILTER = ("Text - txt - csv (StarCalc)", "44,34,UTF8,1,,0,false,true,false,false,false,-1")


def sheet_csvs(path, out_dir):
    """Sheet name -> CSV rows of what Session.sheet_csvs wrote for path."""
    stem = os.path.splitext(os.path.basename(path))[0] + "-"
    found = {}
    for name in glob.glob(os.path.join(out_dir, glob.escape(stem) + "*.csv")):
        with open(name, encoding="utf-8", errors="replace") as f:
            found[os.path.basename(name)[len(stem):-4]] = list(csv.reader(f))
    return found


def drawn_objects(document):
    """Per sheet of a loaded document: its comments, and its drawing objects
    counted by kind (shape type), pictures by the size of their image, charts
    with their series that have values."""
    counts = []
    for sheet in (document.Sheets.getByIndex(i) for i in range(document.Sheets.Count)):
        kinds = collections.Counter(comments=sheet.Annotations.Count)
        for shape in (sheet.DrawPage.getByIndex(i) for i in range(sheet.DrawPage.Count)):
            kinds[shape.ShapeType.rsplit(".", 1)[-1]] += 1
            if shape.ShapeType.endswith("GraphicObjectShape"):
                size = shape.Graphic.SizePixel if shape.Graphic else None
                kinds[f"picture {size.Width}x{size.Height}" if size else "no image"] += 1
            model = getattr(shape, "Model", None) if shape.ShapeType.endswith("OLE2Shape") else None
            if model is not None and model.supportsService("com.sun.star.chart2.ChartDocument"):
                kinds["charts"] += 1
                kinds["series with values"] += sum(
                    any(seq.getValues().getData() for seq in series.getDataSequences()
                        if seq.getValues().Role not in ("values-x", "categories"))
                    for system in model.getFirstDiagram().getCoordinateSystems()
                    for kind in system.getChartTypes() for series in kind.getDataSeries())
        counts.append(+kinds)
    return counts


def compare_sheet_objects(copy, view):
    """Problems when LibreOffice cannot open a copy the sweep wrote, or shows
    the copied sheet's drawn objects otherwise than the source sheet's, both
    seen through view (of drawn_objects' counts)."""
    source, after = (copy.libreoffice.read(f, drawn_objects) for f in (copy.source, copy.after))
    if after is None and source is not None:
        return ["LibreOffice cannot open the result: "
                + copy.libreoffice.failed.get(os.path.basename(copy.after), "")]
    if source is not None and view(after[copy.copy_index]) != view(source[copy.source_index]):
        return [f"LibreOffice shows {view(after[copy.copy_index])}, "
                f"source {view(source[copy.source_index])}"]
    return []


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
    def store(document, path, filter_name, options=""):
        document.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                            properties(FilterName=filter_name, FilterOptions=options))

    def read(self, path, read):
        document = self.load(path)
        try:
            return read(document)
        finally:
            document.close(True)

    def convert(self, path, out_path, filter_name, options=""):
        self.read(path, lambda document: self.store(document, out_path, filter_name, options))

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
        self.limit, self.office, self.failed, self.answers = limit, None, {}, {}

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

    def convert(self, path, out_path, filter_name, options=""):
        """out_path once LibreOffice wrote path there, else None."""
        done = self.call(os.path.basename(path),
                         lambda office: office.convert(path, out_path, filter_name, options) or True)
        return out_path if done and os.path.exists(out_path) else None

    def sheet_csvs(self, path, out_dir):
        """Sheet name -> CSV rows of each sheet of path, written into out_dir;
        empty when LibreOffice could not convert it."""
        stem = os.path.splitext(os.path.basename(path))[0]
        self.convert(path, os.path.join(out_dir, stem + ".csv"), *CSV_FILTER)
        return sheet_csvs(path, out_dir)

    def read(self, path, read):
        """read(document) of path as LibreOffice loads it, or None when it
        cannot. Answers are kept while the file stays as it is: a sweep reads
        each source once."""
        key = (os.path.abspath(path), os.stat(path).st_mtime_ns, read)
        if key not in self.answers:
            self.answers[key] = self.call(os.path.basename(path),
                                          lambda office: office.read(path, read))
        return self.answers[key]

    def close(self):
        if self.office:
            self.office.close()
            self.office = None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
