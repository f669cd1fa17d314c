#!/usr/bin/env bash
# Non-blank lines of tests and fuzz targets against non-blank lines of code, and
# their ratio. Code: C++ sources of the engine, the window, the automation
# boundary, the command line and the tools. Tests: every source, script and
# build file under tests/ and fuzz/ (fixture data left out).
# usage: scripts/test-ratio.sh [REVISION]   (default: the working tree)
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}

files() {  # folders... -> file names matching the name patterns in $patterns
    if [ -n "$rev" ]; then
        git ls-tree -r --name-only "$rev" -- "$@"
    else
        git ls-files --cached --others --exclude-standard -- "$@" | while read -r f; do
            [ -f "$f" ] && echo "$f"
        done
    fi | grep -E "$patterns" || true
}
count() {  # file names on stdin -> non-blank lines
    local n=0 f
    while read -r f; do
        if [ -n "$rev" ]; then
            n=$((n + $(git show "$rev:$f" | grep -cv '^\s*$' || true)))
        else
            n=$((n + $(grep -cv '^\s*$' "$f" || true)))
        fi
    done
    echo "$n"
}

patterns='\.(cpp|h)$'
code=$(files xls operations app common excel panels cli tools | count)
patterns='(\.(cpp|h|py|sh|cmake)|CMakeLists\.txt)$'
tests=$(files tests fuzz | grep -v '^tests/data/' | count)
echo "code $code  tests+fuzz $tests  ratio $(awk "BEGIN { printf \"%.2f\", $tests / $code }")"
