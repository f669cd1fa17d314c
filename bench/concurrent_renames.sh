#!/bin/sh
# Ten renames of ten different sheets of one workbook, run side by side with
# xargs -P 10, RUNS times on a fresh copy; counts the renames reported done
# that the file does not show (lost updates).
# usage: concurrent_renames.sh TARNVALE_SHEETS WORKBOOK [RUNS]
set -u
tool=$1 book=$2 runs=${3:-10}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
lost_total=0
for run in $(seq 1 "$runs"); do
    cp "$book" "$work/book.xls" && chmod u+w "$work/book.xls"
    outcomes=$("$tool" list "$work/book.xls" | head -n 10 | tr '\n' '\0' |
        xargs -0 -P 10 -I{} sh -c 'if err=$("$0" rename "$1" "$2" "$2 r" 2>&1 >/dev/null); then
            echo done; else echo "refused: $err"; fi' "$tool" "$work/book.xls" {})
    done_count=$(printf '%s\n' "$outcomes" | grep -c '^done$')
    refused=$(printf '%s\n' "$outcomes" | grep -c '^refused: ')
    kept=$("$tool" list "$work/book.xls" | grep -c ' r$')
    lost=$((done_count - kept))
    lost_total=$((lost_total + lost))
    echo "run $run: done $done_count, refused $refused, in the file $kept, lost $lost"
    printf '%s\n' "$outcomes" | grep '^refused: ' | sort | uniq -c
done
echo "lost updates over $runs runs: $lost_total"
