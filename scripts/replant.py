#!/usr/bin/env python3
"""Plants again the mutants a kill matrix (scripts/kill-matrix.py) shows caught,
to check a change of the tests left them caught.

  scripts/replant.py --tsv km.tsv[,more.tsv] [--tests a_test.cpp b_test.cpp]
      --build 'cmake --build build/ci --target xls_tests'
      --test 'exec build/ci/tests/xls_tests --gtest_brief=1'

With --tests, only mutants caught by at least one of those test files (basenames, as in the
killers column) are planted; without, every caught mutant. Run from the project's root.
Prints one line per mutant (caught / SURVIVED / build fails) and a total."""
import argparse, csv, importlib.util, subprocess, sys

ap = argparse.ArgumentParser()
ap.add_argument("--tsv", required=True)
ap.add_argument("--tests", nargs="*")
ap.add_argument("--build", required=True)
ap.add_argument("--test", required=True)
ap.add_argument("--mutants", default="../shared/tools/mutants.py")
ap.add_argument("--list", action="store_true", help="only list the chosen mutants")
ap.add_argument("--skip-sites", default="", help="file:line,... left out (known hangs)")
ap.add_argument("--timeout", type=int, default=120)
a = ap.parse_args()
spec = importlib.util.spec_from_file_location("m", a.mutants)
m = importlib.util.module_from_spec(spec)
spec.loader.exec_module(m)

rows = []
for path in a.tsv.split(","):
    with open(path) as f:
        for r in csv.DictReader(f, delimiter="\t"):
            if r["outcome"] != "caught":
                continue
            killers = (r.get("killers") or "").split()
            if a.tests and not any(k.split("::")[0] in a.tests for k in killers):
                continue
            if f"{r['file']}:{r['line']}" in a.skip_sites.split(","):
                continue
            rows.append(r)
print(len(rows), "mutants chosen", flush=True)
caught = 0
for r in rows:
    f, line, name, old = r["file"], int(r["line"]), r["mutation"], r["before"]
    col = r.get("column")
    sites = [s for s in m.sites(f) if s[1] == line and s[3] == name and s[4].strip() == old.strip()]
    if col not in (None, "") and len(sites) > 1:
        sites = [s for s in sites if str(s[2]) == col] or sites
    if not sites:
        print(f"{f}:{line} {name}: NOT FOUND", flush=True)
        continue
    if a.list:
        print(f"{f}:{line} {name} <- {r.get('killers','')}")
        continue
    original = open(f).read()
    try:
        m.apply(sites[0])
        if subprocess.run(a.build, shell=True, capture_output=True).returncode:
            out = "build fails"
        else:
            try:
                rc = subprocess.run(a.test, shell=True, capture_output=True, timeout=a.timeout).returncode
                out = "caught" if rc else "SURVIVED"
            except subprocess.TimeoutExpired:
                out = "timeout"
    finally:
        open(f, "w").write(original)
    caught += out == "caught"
    print(f"{f}:{line} {name}: {out}", flush=True)
print("caught", caught, "of", len(rows))
subprocess.run(a.build, shell=True, capture_output=True)
