#!/usr/bin/env bash
# run-fuzzer.sh TARGET WORKDIR SECONDS SEED_DIR...
# Fuzzes TARGET for SECONDS, seeded from the workbooks under the seed folders.
set -euo pipefail
target=$1 work=$2 seconds=$3
shift 3
mkdir -p "$work"
for dir in "$@"; do
  [ -d "$dir" ] && find "$dir" -type f \( -name '*.xls' -o -name '*.xlt' -o -name '*.bin' \) \
      -size -2M -exec cp -n {} "$work"/ \; || true
done
dict=$(dirname "$0")/xls.dict
exec "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=1048576 \
    -dict="$dict" -print_final_stats=1 "$work"
