#!/usr/bin/env python3
"""Which tests catch which planted faults: a kill matrix.

Plants the faults ../shared/tools/mutants.py would plant (the same --seed and
--count pick the same mutants), one at a time, rebuilds, runs each test binary
and records every test that fails, by its source file and name. A mutant that
crashes a GoogleTest binary is traced suite by suite, or counted as caught by
"binary::CRASH" when KM_NO_ATTRIBUTION is set (much faster).

  scripts/kill-matrix.py --files 'xls/ops/copy/*.cpp' \
      --build 'cmake --build build/ci --target xls_tests' \
      --gtest build/ci/tests/xls_tests --qtest build/ci/tests/window/window_copy_move_test \
      --count 150 --seed 1 --out /tmp/km.tsv      [--skip N --every K --first M: a part]

Rows: file line mutation before after outcome killers (testfile::Suite.Test, or
binary::Class::function for QtTest) column (where on the line: a line may hold
the same operator twice). Then

  scripts/kill-matrix.py --analyse /tmp/km.tsv[,/tmp/more.tsv]

prints per test file and per test how many mutants it catches and how many it
alone catches, and the survivors: which tests overlap, and which are the only
check for a fault.
"""
import argparse
import collections
import glob
import importlib.util
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import time


def load_mutants(path):
    spec = importlib.util.spec_from_file_location("mutants", path)
    m = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(m)
    return m


def gtest_failures(binary, timeout, extra=()):
    with tempfile.NamedTemporaryFile(suffix=".json", delete=False) as f:
        out = f.name
    os.unlink(out)
    try:
        r = subprocess.run([binary, "--gtest_brief=1", "--gtest_output=json:" + out, *extra],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout,
                           start_new_session=True)
    except subprocess.TimeoutExpired:
        return None
    if not os.path.exists(out):
        return None if r.returncode != 0 else set()
    d = json.load(open(out))
    os.unlink(out)
    fails = set()
    for s in d["testsuites"]:
        for t in s["testsuite"]:
            if t.get("failures") or t.get("result") not in (None, "COMPLETED", "SKIPPED", "SUPPRESSED"):
                name = re.sub(r"/\d+$", "", s["name"] + "." + t["name"])
                fails.add(os.path.basename(t.get("file", binary)) + "::" + name)
    if r.returncode != 0 and not fails:
        return None
    return fails


def gtest_suites(binary):
    out = subprocess.run([binary, "--gtest_list_tests"], capture_output=True, text=True).stdout
    return [l.split()[0].rstrip(".") for l in out.splitlines() if l and not l.startswith(" ")
            and not l.startswith("Running")]


def gtest_kills(binary, timeout):
    fails = gtest_failures(binary, timeout)
    if fails is not None:
        return fails
    if os.environ.get("KM_NO_ATTRIBUTION"):
        return {os.path.basename(binary) + "::CRASH"}
    # crashed or hung: attribute suite by suite
    found = set()
    for suite in gtest_suites(binary):
        f = gtest_failures(binary, timeout, ["--gtest_filter=" + suite + ".*"])
        if f is None:
            found.add(os.path.basename(binary) + "::" + suite + ".*")
        else:
            found |= f
    return found or {os.path.basename(binary) + "::?"}


def qtest_kills(binary, timeout):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        r = subprocess.run([binary], capture_output=True, text=True, timeout=timeout, env=env,
                           start_new_session=True)
    except subprocess.TimeoutExpired:
        return {os.path.basename(binary) + "::TIMEOUT"}
    fails = {os.path.basename(binary) + "::" + m.group(1)
             for m in re.finditer(r"^FAIL!\s+:\s+(\S+?)\(", r.stdout, re.M)}
    if r.returncode != 0 and not fails:
        fails.add(os.path.basename(binary) + "::CRASH")
    return fails


def matrix(args):
    mut = load_mutants(args.mutants)
    files = sorted({p for g in args.files for p in glob.glob(g, recursive=True) if os.path.isfile(p)})
    every = [s for f in files for s in mut.sites(f)]
    chosen = random.Random(args.seed).sample(every, min(args.count, len(every)))
    chosen.sort(key=lambda s: (s[0], s[1], s[2]))
    chosen = chosen[args.skip::args.every][:args.first]
    if subprocess.run(args.build, shell=True).returncode != 0:
        sys.exit("clean build fails")
    started = time.monotonic()
    clean = set()
    for b in args.gtest:
        f = gtest_failures(b, None)
        clean |= {"CLEAN-FAIL " + b} if f is None else f
    for b in args.qtest:
        clean |= qtest_kills(b, None)
    if clean:
        sys.exit("tests fail before any mutant: %s" % sorted(clean))
    limit = max(240.0, 8 * (time.monotonic() - started))
    print("clean %.1f s; %d sites, %d chosen" % (time.monotonic() - started, len(every), len(chosen)), flush=True)
    with open(args.out, "w") as out:
        out.write("file\tline\tmutation\tbefore\tafter\toutcome\tkillers\tcolumn\n")
        for k, site in enumerate(chosen, 1):
            path, number, column, name, old, new = site
            original = open(path, encoding="utf-8").read()
            try:
                mut.apply(site)
                built = subprocess.run(args.build, shell=True, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL).returncode
                if built != 0:
                    outcome, kills = "build fails", set()
                else:
                    kills = set()
                    for b in args.gtest:
                        kills |= gtest_kills(b, limit)
                    for b in args.qtest:
                        kills |= qtest_kills(b, limit)
                    outcome = "caught" if kills else "survived"
            finally:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
            out.write("%s\t%d\t%s\t%s\t%s\t%s\t%s\t%d\n" % (path, number, name, old.strip(), new.strip(),
                                                         outcome, " ".join(sorted(kills)), column))
            out.flush()
            print("[%d/%d] %s:%d %s: %s (%d killers)" % (k, len(chosen), path, number, name, outcome, len(kills)),
                  flush=True)
    subprocess.run(args.build, shell=True, stdout=subprocess.DEVNULL)


def analyse(paths):
    rows = [r for p in paths.split(",") for r in [l.rstrip("\n").split("\t") for l in open(p)][1:]]
    caught = [r for r in rows if r[5] == "caught"]
    counted = [r for r in rows if r[5] in ("caught", "survived")]
    print("caught %d of %d" % (len(caught), len(counted)))
    by_file = collections.defaultdict(set)
    by_test = collections.defaultdict(set)
    for i, r in enumerate(caught):
        for k in r[6].split():
            by_file[k.split("::")[0]].add(i)
            by_test[k].add(i)
    print("\n== per test file: mutants caught, caught by it alone (among files)")
    for f, ids in sorted(by_file.items(), key=lambda x: -len(x[1])):
        alone = [i for i in ids if {k.split("::")[0] for k in caught[i][6].split()} == {f}]
        print("%4d %4d  %s" % (len(ids), len(alone), f))
        for i in alone:
            print("        %s:%s %s" % (caught[i][0], caught[i][1], caught[i][2]))
    print("\n== per test: sole catches")
    for t, ids in sorted(by_test.items()):
        alone = [i for i in ids if caught[i][6].split() == [t]]
        if alone:
            print("%4d %4d  %s" % (len(ids), len(alone), t))
    print("\n== survivors")
    for r in rows:
        if r[5] == "survived":
            print("  %s:%s %s: %s -> %s" % tuple(r[:5]))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--mutants", default="../shared/tools/mutants.py")
    ap.add_argument("--files", nargs="+")
    ap.add_argument("--build")
    ap.add_argument("--gtest", nargs="*", default=[])
    ap.add_argument("--qtest", nargs="*", default=[])
    ap.add_argument("--count", type=int, default=150)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--out")
    ap.add_argument("--skip", type=int, default=0, help="leave out the first N mutants chosen")
    ap.add_argument("--every", type=int, default=1, help="then take every Kth")
    ap.add_argument("--first", type=int, default=None, help="and only the first N of those")
    ap.add_argument("--analyse")
    a = ap.parse_args()
    if a.analyse:
        analyse(a.analyse)
    else:
        matrix(a)


if __name__ == "__main__":
    main()
