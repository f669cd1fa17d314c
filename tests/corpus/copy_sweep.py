"""What the corpus checks share: running tarnvale-sheets, their arguments, the
copy loop, edits of scratch copies and the report. The loop copies each sheet of
each source behind the last worksheet of a scratch copy of its destination (a
destination "" is the source itself); a refusal must leave the destination as it
was, no copy may change the source, and every copy written is handed to a check
that returns its problems."""
import argparse
import collections
import filecmp
import functools
import os
import shutil
import subprocess
import tempfile

import office_session
from workbook_records import sheet_names


def run(tool, *args):
    proc = subprocess.run([tool, *args], capture_output=True, text=True, timeout=300)
    return proc.returncode, proc.stdout, proc.stderr.strip()


def edit(tool, source, folder, verb, *args, name="edited.xls"):
    """Runs `tool verb copy *args` on a copy of source in folder: (exit code,
    message, the copy)."""
    target = os.path.join(folder, name)
    shutil.copyfile(source, target)
    code, _, err = run(tool, verb, target, *args)
    return code, err, target


def reason_of(stderr):
    """The reason part of the tool's message ('"file": the reason.')."""
    text = stderr.splitlines()[-1] if stderr else "no message"
    return text.split('": ', 1)[-1].rstrip(".")


def arguments(default_destinations=()):
    """The parser every check starts from; callers add their own options."""
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("corpus")
    parser.add_argument("--dest", nargs="*", default=list(default_destinations))
    parser.add_argument("--only", nargs="*")
    parser.add_argument("--no-libreoffice", action="store_true")
    parser.add_argument("--keep", help="folder to keep the files written in")
    return parser


def workdir(args):
    folder = args.keep or tempfile.mkdtemp(prefix="tv-corpus-")
    os.makedirs(folder, exist_ok=True)
    return folder


def succeeded(code, err, label, before, after, counts, failures, refusal="refused"):
    """True when the command succeeded; else counts a refusal (exit 1, which
    must leave the file after as before was) or records a failure."""
    if code == 1:
        counts[f"{refusal}: {reason_of(err)}"] += 1
        if not filecmp.cmp(before, after, shallow=False):
            failures.append(f"{label}: refused but changed the file")
    elif code:
        failures.append(f"{label}: exit {code}: {err}")
    return code == 0


class Copy:
    """A copy the sweep wrote: source (the workbook) and sheet (its name there),
    source_copy (a writable copy of source, the one copied from), before (the
    destination as it was), after (as written, the copy behind its last
    worksheet), workdir, and libreoffice (an office_session.Session, or None
    with --no-libreoffice)."""

    def __init__(self, **fields):
        self.__dict__.update(fields)

    @functools.cached_property
    def source_index(self):
        return sheet_names(self.source).index(self.sheet)

    @functools.cached_property
    def copy_index(self):
        had = set(sheet_names(self.before))
        return next(i for i, n in enumerate(sheet_names(self.after)) if n not in had)

    @property
    def copy_name(self):
        return sheet_names(self.after)[self.copy_index]


def sweep(args, pairs, check, sheets=None):
    """pairs: (source name, destination name) in the corpus; sheets: {source
    name: the sheets to copy}, every sheet of a source it does not name.
    check(Copy) -> problems. Returns the counts and the failures."""
    with office_session.Session() as libreoffice:
        counts, failures = _sweep(args, pairs, check, sheets or {},
                                  None if args.no_libreoffice else libreoffice)
        for name, reason in sorted(libreoffice.failed.items()):
            counts[f"LibreOffice could not convert {name}: {reason}"] += 1
    return counts, failures


def _sweep(args, pairs, check, sheets, libreoffice):
    folder = workdir(args)
    counts, failures = collections.Counter(), []
    for n, (name, dest_name) in enumerate(pairs):
        source = os.path.join(args.corpus, name)
        before = os.path.join(args.corpus, dest_name or name)
        code, listing, _ = run(args.tool, "list", source)
        if code:
            counts["sources the engine refuses to read (its listing test covers them)"] += 1
            continue
        for i, sheet in enumerate(sheets.get(name) or listing.splitlines()):
            source_copy = os.path.join(folder, f"{n}-{i}-source.xls")
            after = os.path.join(folder, f"{n}-{i}-{os.path.basename(dest_name or name)}")
            shutil.copyfile(source, source_copy)
            shutil.copyfile(before, after)
            anchor = run(args.tool, "list", after)[1].splitlines()[-1]
            code, _, err = run(args.tool, "copy", "--after", anchor, "--",
                               source_copy if dest_name else after, sheet, after)
            label = f"{name} [{sheet}] -> {dest_name or 'itself'}"
            if not filecmp.cmp(source_copy, source, shallow=False):
                failures.append(f"{label}: the source file changed")
            if not succeeded(code, err, label, before, after, counts, failures):
                continue
            try:
                problems = check(Copy(source=source, sheet=sheet, source_copy=source_copy,
                                      before=before, after=after, workdir=folder,
                                      libreoffice=libreoffice))
            except Exception as error:  # a reader failing on the result is a failure
                problems = [f"{type(error).__name__}: {error}"]
            if problems:
                failures.append(f"{label}: " + "; ".join(problems[:5]))
            else:
                counts["copied and verified"] += 1
    return counts, failures


def report(counts, failures):
    """Prints the counts and the failures; returns the exit status."""
    for key, value in sorted(counts.items()):
        print(f"{value:5d}  {key}")
    print(f"{len(failures):5d}  failed")
    for line in failures:
        print("  " + line)
    return 1 if failures else 0
