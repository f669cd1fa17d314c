"""What the corpus checks share: running tarnvale-sheets on scratch copies, the
copy and edit loops, refusals and the report. A refusal (exit 1) must leave the
file as it was and give a reason the check allows; no copy may change its source."""
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


def reason_of(stderr):
    """The reason part of the tool's message ('"file": the reason.')."""
    text = stderr.splitlines()[-1] if stderr else "no message"
    return text.split('": ', 1)[-1].rstrip(".")


class Check:
    """A corpus check: which copies and edits it makes and what it asks of each
    result (check_copy and check_edit take a Result and give the problems found)."""
    destinations = ("",)  # for --dest; "": the source itself
    refusals = ""  # the reasons a refusal may give (a substring); None: any
    libreoffice = True
    check_copy = check_edit = None

    def sources(self, args):
        return sorted(n for n in os.listdir(args.corpus) if n.lower().endswith((".xls", ".xlt")))

    def copies(self, args):
        """(source, destination, the sheets to copy or None for all) in the corpus."""
        return [(n, d, None) for n in args.only or self.sources(args) for d in args.dest]

    def edits(self, args, counts):
        """(source, verb, sheet, further words) in the corpus."""
        return []


class Result:
    """What a check reads: source (corpus path), sheet, args, workdir, counts (the
    report's), libreoffice (an office_session.Session or None); after a copy also
    source_copy (the copy copied from), before (the destination), after (as
    written); after an edit verb, words and edited (the file written)."""

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


class Sweep:
    def __init__(self, check, args, libreoffice):
        self.check, self.args, self.libreoffice = check, args, libreoffice
        self.folder = args.keep or tempfile.mkdtemp(prefix="tv-corpus-")
        os.makedirs(self.folder, exist_ok=True)
        self.counts, self.failures, self.refused = collections.Counter(), [], []

    def succeeded(self, code, err, label, before, after):
        """True when the command succeeded; else counts a refusal or records a failure."""
        if code == 1:
            self.counts[f"refused: {reason_of(err)}"] += 1
            self.refused.append(f"{label}: refused: {reason_of(err)}")
            if not filecmp.cmp(before, after, shallow=False):
                self.failures.append(f"{label}: refused but changed the file")
        elif code:
            self.failures.append(f"{label}: exit {code}: {err}")
        return code == 0

    def verify(self, label, check, result):
        try:
            problems = check(result)
        except Exception as error:  # a reader failing on the result is a failure
            problems = [f"{type(error).__name__}: {error}"]
        if problems:
            self.failures.append(f"{label}: " + "; ".join(problems[:5]))
        else:
            self.counts["verified"] += 1

    def copies(self):
        for n, (name, dest_name, sheets) in enumerate(self.check.copies(self.args)):
            source = os.path.join(self.args.corpus, name)
            before = os.path.join(self.args.corpus, dest_name or name)
            code, listing, _ = run(self.args.tool, "list", source)
            if code:
                self.counts["sources the engine refuses to read (its listing test covers them)"] += 1
                continue
            for i, sheet in enumerate(sheets or listing.splitlines()):
                source_copy = os.path.join(self.folder, f"{n}-{i}-source.xls")
                after = os.path.join(self.folder, f"{n}-{i}-{os.path.basename(before)}")
                shutil.copyfile(source, source_copy)
                shutil.copyfile(before, after)
                anchor = run(self.args.tool, "list", after)[1].splitlines()[-1]
                code, _, err = run(self.args.tool, "copy", "--after", anchor, "--",
                                   source_copy if dest_name else after, sheet, after)
                label = f"{name} [{sheet}] -> {dest_name or 'itself'}"
                if not filecmp.cmp(source_copy, source, shallow=False):
                    self.failures.append(f"{label}: the source file changed")
                if self.succeeded(code, err, label, before, after):
                    self.verify(label, self.check.check_copy,
                                Result(source=source, sheet=sheet, source_copy=source_copy,
                                       before=before, after=after, **self.shared()))

    def edits(self):
        for name, verb, sheet, words in self.check.edits(self.args, self.counts):
            source = os.path.join(self.args.corpus, name)
            stem, ext = os.path.splitext(name)
            edited = os.path.join(self.folder, f"{stem}.{verb}{ext}")
            shutil.copyfile(source, edited)
            code, _, err = run(self.args.tool, verb, edited, sheet, *words)
            label = f"{verb} {name} [{sheet}]"
            if self.succeeded(code, err, label, source, edited):
                self.verify(label, self.check.check_edit,
                            Result(source=source, sheet=sheet, verb=verb, words=words,
                                   edited=edited, **self.shared()))

    def shared(self):
        return {"args": self.args, "workdir": self.folder, "counts": self.counts,
                "libreoffice": self.libreoffice}


def main(checks):
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=checks)
    parser.add_argument("tool")
    parser.add_argument("corpus")
    parser.add_argument("--dest", nargs="*")
    parser.add_argument("--only", nargs="*", help="these sources instead of the check's own")
    parser.add_argument("--pairs", nargs="*", default=[], help="SOURCE:DESTINATION")
    parser.add_argument("--recalculate", action="store_true")
    parser.add_argument("--no-libreoffice", action="store_true")
    parser.add_argument("--keep", help="folder to keep the files written in")
    args = parser.parse_args()
    check = checks[args.check]
    args.dest = list(check.destinations) if args.dest is None else args.dest
    with office_session.Session() as session:
        use = check.libreoffice and not args.no_libreoffice
        sweep = Sweep(check, args, session if use else None)
        if check.check_copy:
            sweep.copies()
        if check.check_edit:
            sweep.edits()
        for name, reason in sorted(session.failed.items()):
            sweep.counts[f"LibreOffice could not convert {name}: {reason}"] += 1
    counts, failures = sweep.counts, sweep.failures
    if check.refusals is not None:
        failures += [r for r in sweep.refused if not check.refusals or check.refusals not in r]
    if not counts["verified"]:
        failures.append("nothing was verified")
    if not args.keep:
        shutil.rmtree(sweep.folder, ignore_errors=True)
    for key, value in sorted(counts.items()):
        print(f"{value:5d}  {key}")
    print(f"{len(failures):5d}  failed")
    for line in failures:
        print("  " + line)
    return 1 if failures else 0

