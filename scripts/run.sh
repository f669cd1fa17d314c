#!/usr/bin/env bash
# Builds Tarnvale and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tarnvale
exec ./build/release/app/tarnvale "$@"
