#!/usr/bin/python3
"""The corpus checks by name, run through sweep.py's loops and checked by readers
that share no code with the engine (xlrd, olefile, LibreOffice).

    corpus_check.py CHECK TARNVALE_SHEETS CORPUS_DIR [options]"""
import sys

import sweep
from copy_fidelity import CopyFidelity
from edit_sweep import EditSweep
from macro_module_check import MacroModules
from object_checks import Drawings, EmbeddedObjects, HeaderPictures

CHECKS = {"copy": CopyFidelity(), "edit": EditSweep(), "drawings": Drawings(),
          "embedded": EmbeddedObjects(), "headers": HeaderPictures(), "macros": MacroModules()}

if __name__ == "__main__":
    sys.exit(sweep.main(CHECKS))
