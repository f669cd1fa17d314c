"""One LibreOffice headless process, driven through UNO over a named pipe, with
a private profile so that it neither meets nor disturbs a desktop session."""
import os
import shutil
import subprocess
import tempfile
import time

import uno  # pylint: disable=import-error
from com.sun.star.beans import PropertyValue  # pylint: disable=import-error


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
