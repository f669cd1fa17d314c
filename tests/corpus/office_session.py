"""LibreOffice headless with a private profile, so that it neither meets nor
disturbs a desktop session, driven through UNO over a named pipe: one process
for a whole sweep, restarted when a document stops it."""
import collections
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

import uno  # pylint: disable=import-error
from com.sun.star.beans import PropertyValue  # pylint: disable=import-error

def used_area(sheet):
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.RangeAddress
    return sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow)


def shown(document):
    """Sheet name -> rows of the values LibreOffice shows in the sheet's used
    area; an error by its text (#REF!)."""
    values = {}
    for name in document.Sheets.ElementNames:
        sheet = document.Sheets.getByName(name)
        values[name] = [[sheet.getCellByPosition(c, r).String if v is None else v
                         for c, v in enumerate(row)]
                        for r, row in enumerate(used_area(sheet).getDataArray())]
    return values


def drawn_objects(document):
    """Per sheet of a loaded document: its comments, and its drawing objects
    counted by kind (shape type), pictures by the size of their image, charts
    with their series, and those series that have values."""
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
                for series in (series for system in model.getFirstDiagram().getCoordinateSystems()
                               for kind in system.getChartTypes()
                               for series in kind.getDataSeries()):
                    kinds["series"] += 1
                    kinds["series with values"] += any(
                        seq.getValues().getData() for seq in series.getDataSequences()
                        if seq.getValues().Role not in ("values-x", "categories"))
        counts.append(+kinds)
    return counts


def compare_sheet_objects(copy, view):
    """Problems when LibreOffice cannot open a copy the sweep wrote, or shows
    the copied sheet's drawn objects otherwise than the source sheet's, both
    seen through view (of drawn_objects' counts). Charts may show more series
    with values in the copy: LibreOffice leaves out values of hidden cells in
    a chart of the source, which the copy reads from the source as another
    workbook."""
    source, after = (copy.libreoffice.read(f, drawn_objects) for f in (copy.source, copy.after))
    if after is None and source is not None:
        return ["LibreOffice cannot open the result: "
                + copy.libreoffice.failed.get(os.path.basename(copy.after), "")]
    if source is None:
        return []
    want, got = view(source[copy.source_index]), view(after[copy.copy_index])
    more = "series with values"
    if isinstance(got, dict) and got.get(more, 0) >= want.get(more, 0):
        want, got = ({k: n for k, n in view.items() if k != more} for view in (want, got))
    return [] if got == want else [f"LibreOffice shows {got}, source {want}"]


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

    def read(self, path, read):
        document = self.load(path)
        try:
            return read(document)
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

    def read(self, path, read):
        """read(document) of path as LibreOffice loads it, or None when it
        cannot. The answers last asked for are kept while their file stays as
        it is: a sweep reads each source once for all the copies made from it."""
        key = (os.path.abspath(path), os.stat(path).st_mtime_ns, read)
        answer = self.answers.pop(key) if key in self.answers else self.call(
            os.path.basename(path), lambda office: office.read(path, read))
        self.answers[key] = answer  # the latest last, the oldest first to go
        while len(self.answers) > 8:
            del self.answers[next(iter(self.answers))]
        return answer

    def close(self):
        if self.office:
            self.office.close()
            self.office = None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
