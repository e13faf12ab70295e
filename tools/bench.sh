#!/usr/bin/env bash
# Prints the benchmark's figures as one table: install.exe's size, unwind tables
# and imports, read on the host, then the times measured through the setup's
# windows under Wine (tests/wizard_bench.exe), each the median of BENCH_RUNS
# runs (5). A figure over its budget is reported, not failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
runs="${BENCH_RUNS:-5}"
setup="$BUILD_DIR/distribution/install.exe"
budget=$((256 * 1024))
aim=$((budget / 2))

size=$(stat -c %s "$setup")
# A stripped image keeps section names to eight characters: ".eh_fram".
eh_frame_hex=$(i686-w64-mingw32-objdump -h "$setup" | awk '$2 ~ /^\.eh_fram/ { print $3 }')
eh_frame=$((16#${eh_frame_hex:-0}))
imports=$(i686-w64-mingw32-objdump -p "$setup" | sed -n 's/^\s*DLL Name: //p' | paste -sd ' ')
functions=$(i686-w64-mingw32-objdump -p "$setup" | grep -cE '^\s+[0-9a-f]+\s+[0-9]+\s+\S+$')

source "$root/tools/wine-env.sh"
trap stop_wine_session EXIT
echo "bench: measuring, $runs runs of each figure..." >&2
status=0
measured=$(wine "$BUILD_DIR/tests/wizard_bench.exe" "$runs") || status=$?

{
  printf 'Figure\tMedian\tRange\tRuns, note\n'
  printf 'install.exe size\t%d B\t-\tbudget %d B, aim %d B: %d%% of the budget\n' \
    "$size" "$budget" "$aim" $((size * 100 / budget))
  printf 'install.exe .eh_frame\t%d B\t-\tunwind tables: the C runtime start-up only\n' "$eh_frame"
  printf 'install.exe imports\t%d DLLs\t-\t%d functions: %s\n' \
    "$(wc -w <<<"$imports")" "$functions" "$imports"
  [ -n "$measured" ] && printf '%s\n' "$measured"
} | column -t -s $'\t'
[ "$status" -eq 0 ] || echo "bench: the timed figures stopped early (exit code $status)" >&2
