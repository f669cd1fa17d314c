"""The loop the corpus copy checks share: each sheet of each source copied
behind the last tab of each destination (a destination "" is the source
itself), refusals counted by reason (a refusal must leave the destination as
it was), every copy handed to a check that returns its problems."""
import argparse
import collections
import filecmp
import os
import shutil
import subprocess
import tempfile


def run(tool, *args):
    proc = subprocess.run([tool, *args], capture_output=True, text=True, timeout=300)
    return proc.returncode, proc.stdout, proc.stderr.strip()


def arguments(default_destinations):
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("corpus")
    parser.add_argument("--dest", nargs="*", default=default_destinations)
    parser.add_argument("--only", nargs="*")
    parser.add_argument("--no-libreoffice", action="store_true")
    parser.add_argument("--keep")
    return parser.parse_args()


def sweep(args, names, check):
    """check(source, sheet, before, after, workdir, libreoffice) -> problems.
    Prints the counts and the failures; returns the exit status."""
    workdir = args.keep or tempfile.mkdtemp()
    os.makedirs(workdir, exist_ok=True)
    counts, failures = collections.Counter(), []
    for name in names:
        source = os.path.join(workdir, "source.xls")
        shutil.copy(os.path.join(args.corpus, name), source)
        os.chmod(source, 0o644)
        code, listing, _ = run(args.tool, "list", source)
        if code:
            counts["source unreadable"] += 1
            continue
        for dest_name in args.dest:
            for sheet in listing.splitlines():
                before = os.path.join(workdir, "before.xls")
                after = os.path.join(workdir, "after.xls")
                shutil.copy(os.path.join(args.corpus, dest_name or name), before)
                shutil.copy(before, after)
                os.chmod(after, 0o644)
                anchor = run(args.tool, "list", after)[1].splitlines()[-1]
                code, _, err = run(args.tool, "copy", "--after", anchor, "--",
                                   source if dest_name else after, sheet, after)
                label = f"{name} [{sheet}] -> {dest_name or 'itself'}"
                if code:
                    reason = err.splitlines()[-1].split('": ', 1)[-1] if err else "no message"
                    counts["refused: " + reason] += 1
                    if not filecmp.cmp(before, after, shallow=False):
                        failures.append(f"{label}: refused but changed the destination")
                    continue
                try:
                    problems = check(source, sheet, before, after, workdir, not args.no_libreoffice)
                except Exception as error:  # a reader failing on the result is a failure
                    problems = [f"{type(error).__name__}: {error}"]
                if problems:
                    failures.append(f"{label}: " + "; ".join(problems))
                else:
                    counts["copied and verified"] += 1
    for key, value in sorted(counts.items()):
        print(f"{value:5d}  {key}")
    print(f"{len(failures):5d}  failed")
    for line in failures:
        print("  " + line)
    return 1 if failures else 0
