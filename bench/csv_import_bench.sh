#!/usr/bin/env bash
# Times `tarvello-cli import` of a text export of 6,000,000 one-minute bars
# (date and time columns, comma separated, as trading terminals write them)
# against the import of the same bars as a 44-byte history file, in the same
# run, and prints the ratio of the medians.
# Usage: bench/csv_import_bench.sh [BUILD_DIR] [RECORDS] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
records="${2:-6000000}"
runs="${3:-7}"
cli="$build/tarvello-cli"
[ -x "$cli" ] || { echo "build tarvello-cli first (scripts/build)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tarvello-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
hst="$work/EURUSD.hst"
csv="$work/EURUSD1.csv"
"$cli" sample "$hst" --bars "$records" --seed 42 >/dev/null
python3 - "$hst" "$csv" <<'PY'
import struct, sys, time
src, out = sys.argv[1], sys.argv[2]
data = open(src, 'rb').read()[148:]
n = len(data) // 44
with open(out, 'w', buffering=1 << 22) as f:
    lines = []
    for (t, o, lo, hi, c, v) in struct.iter_unpack('<iddddd', data[:n * 44]):
        g = time.gmtime(t)
        lines.append('%04d.%02d.%02d,%02d:%02d,%.5f,%.5f,%.5f,%.5f,%d\n' % (
            g.tm_year, g.tm_mon, g.tm_mday, g.tm_hour, g.tm_min, o, hi, lo, c, v))
        if len(lines) >= 100000:
            f.write(''.join(lines)); lines.clear()
    f.write(''.join(lines))
PY

now() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

hst_times=()
csv_times=()
"$cli" import "$hst" --history "$work/h1" >/dev/null
"$cli" import "$csv" --history "$work/h2" >/dev/null
for _ in $(seq "$runs"); do
    rm -rf "$work/h1" "$work/h2"
    sync; t0=$(now); "$cli" import "$hst" --history "$work/h1" >/dev/null; t1=$(now)
    hst_times+=($(( (t1 - t0) / 1000 )))
    sync; t0=$(now); "$cli" import "$csv" --history "$work/h2" >/dev/null; t1=$(now)
    csv_times+=($(( (t1 - t0) / 1000 )))
done
h=$(median "${hst_times[@]}")
c=$(median "${csv_times[@]}")
awk -v h="$h" -v c="$c" -v n="$records" -v s="$(stat -c %s "$csv")" -v r="$runs" 'BEGIN {
    printf "import of %d one-minute bars, %d runs each, page cache warm\n", n, r
    printf "  44-byte history:   %7.1f ms (median)\n", h / 1000
    printf "  text export:       %7.1f ms (median, %.0f MB)\n", c / 1000, s / 1048576
    printf "  text/history:      %7.2f    (goal: 3 or less)\n", c / h
}'
