#!/usr/bin/env bash
# Times `tarvello-cli import` of a 6,000,000-record history (about 16 years of
# one-minute bars) against `cp` of the same file, in the same run, and prints
# the ratio of the medians. Usage: bench/import_bench.sh [BUILD_DIR] [RECORDS] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
records="${2:-6000000}"
runs="${3:-15}"
cli="$build/tarvello-cli"
[ -x "$cli" ] || { echo "build tarvello-cli first (scripts/build)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tarvello-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
src="$work/EURUSD.hst"
"$cli" sample "$src" --bars "$records" --seed 42

now() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fastest() { printf '%s\n' "$@" | sort -n | head -1; }

cp_times=()
import_times=()
# One unmeasured round warms the page cache for both.
cp "$src" "$work/copy.hst"
"$cli" import "$src" --history "$work/history" >/dev/null
for _ in $(seq "$runs"); do
    rm -f "$work/copy.hst"
    sync; t0=$(now); cp "$src" "$work/copy.hst"; t1=$(now)
    cp_times+=($(( (t1 - t0) / 1000 )))
    rm -rf "$work/history"
    sync; t0=$(now); "$cli" import "$src" --history "$work/history" >/dev/null; t1=$(now)
    import_times+=($(( (t1 - t0) / 1000 )))
done
cp_us=$(median "${cp_times[@]}")
imp_us=$(median "${import_times[@]}")
cp_best=$(fastest "${cp_times[@]}")
imp_best=$(fastest "${import_times[@]}")
size=$(stat -c %s "$src")
awk -v c="$cp_us" -v i="$imp_us" -v cb="$cp_best" -v ib="$imp_best" -v n="$records" \
    -v s="$size" -v r="$runs" 'BEGIN {
    printf "import of %d records (%.0f MB), %d runs each, page cache warm\n", n, s / 1048576, r
    printf "                 median    fastest\n"
    printf "  cp:          %7.1f ms %7.1f ms\n", c / 1000, cb / 1000
    printf "  import:      %7.1f ms %7.1f ms\n", i / 1000, ib / 1000
    printf "  import/cp:   %7.2f    %7.2f    (goal: 1.5 or less)\n", i / c, ib / cb
}'
