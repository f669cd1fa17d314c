#!/usr/bin/env bash
# Builds Tarnvale and runs every test: the unit, handler, end-to-end and corpus
# tests (warnings as errors), the same tests under the address and undefined
# behaviour sanitizers, a clang-format check, and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

echo "== format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== build and test"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
# The ci tests end in LibreOffice on one core for minutes: the sanitizer build
# uses the rest meanwhile (its output kept apart, shown when it fails).
cmake --preset sanitizers >/dev/null
sanitizer_log=$(mktemp)
cmake --build --preset sanitizers -j "$jobs" >"$sanitizer_log" 2>&1 &
sanitizer_build=$!
trap 'kill "$sanitizer_build" 2>/dev/null || true' EXIT
ctest --preset ci -j "$jobs"

echo "== sanitizers and fuzzing"
# One clang build serves both: the tests under the address and undefined
# behaviour sanitizers, and the fuzz targets (libFuzzer needs clang).
if ! wait "$sanitizer_build"; then
    cat "$sanitizer_log"
    exit 1
fi
rm -f "$sanitizer_log"
# The drawing sweep spends its time in LibreOffice; the ci stage runs it.
ctest --preset asan-ubsan -j "$jobs"
ctest --preset fuzz -j "$jobs"
