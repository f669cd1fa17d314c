#!/usr/bin/env bash
# run-fuzzer.sh [--pairs] TARGET WORKDIR SECONDS SEED_DIR...
# Fuzzes TARGET for SECONDS, seeded from the workbooks under the seed folders.
# With --pairs each seed is two small workbooks in one input, as a target that
# reads two workbooks takes them: the first's length (32-bit little-endian),
# the first, then the second.
set -euo pipefail
pairs=0
if [ "${1:-}" = "--pairs" ]; then
  pairs=1
  shift
fi
target=$1 work=$2 seconds=$3
shift 3
mkdir -p "$work"

le32() {
  local n=$1
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((n & 255)) $((n >> 8 & 255)) \
    $((n >> 16 & 255)) $((n >> 24 & 255)))"
}

if [ "$pairs" = 1 ]; then
  # The smallest workbooks, each paired with the next in size order.
  mapfile -t books < <(for dir in "$@"; do
    [ -d "$dir" ] && find "$dir" -type f \( -name '*.xls' -o -name '*.xlt' \) -size -256k \
        -printf '%s %p\n'
  done | sort -n | cut -d' ' -f2- | head -n 120)
  for ((i = 0; i + 1 < ${#books[@]}; i++)); do
    first=${books[i]} second=${books[i + 1]}
    seed="$work/pair-$(basename "$first")-$(basename "$second")"
    [ -e "$seed" ] && continue
    { le32 "$(stat -c %s "$first")"; cat "$first" "$second"; } >"$seed"
  done
  # Pairs kept whole: inputs that once found a fault, replayed on every run.
  for dir in "$@"; do
    [ -d "$dir" ] && find "$dir" -type f -name '*.pair' -exec cp -n {} "$work"/ \; || true
  done
else
  for dir in "$@"; do
    [ -d "$dir" ] && find "$dir" -type f \( -name '*.xls' -o -name '*.xlt' -o -name '*.bin' \) \
        -size -2M -exec cp -n {} "$work"/ \; || true
  done
fi
dict=$(dirname "$0")/xls.dict
exec "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=1048576 \
    -dict="$dict" -print_final_stats=1 "$work"
