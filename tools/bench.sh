#!/usr/bin/env bash
# Prints the benchmark's figures as one table, then what each of them means:
# install.exe's size, unwind tables and imports, read on the host, then the
# times measured through the setup's windows under Wine (tests/wizard_bench.exe),
# each the median of BENCH_RUNS runs (5). A figure over its budget is reported,
# not failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
runs="${BENCH_RUNS:-5}"
setup="$BUILD_DIR/distribution/install.exe"
budget=$((128 * 1024))
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
  printf 'install.exe .eh_frame\t%d B\t-\tthe C runtime start-up only: some 2 KB\n' "$eh_frame"
  printf 'install.exe imports\t%d DLLs\t-\t%d functions: %s\n' \
    "$(wc -w <<<"$imports")" "$functions" "$imports"
  [ -n "$measured" ] && printf '%s\n' "$measured"
} | column -t -s $'\t'

cat <<EOF

What the figures are
  install.exe size: the stripped executable as shipped in the build's distribution
    folder. Budget: the most it may be (over it is a fault to mend); aim: half of
    that, which the setup meets when it links nothing beyond its own code and the
    C runtime's start-up.
  install.exe .eh_frame: the unwind tables. The setup neither throws nor catches, so
    only the C runtime's start-up code brings any; tens of KB mean the C++
    exception machinery is linked in again.
  install.exe imports: the system DLLs it needs and the functions it takes from
    them (the executable checks hold the exact list).
  The times: Wine's under Xvfb on this machine, for comparing builds, not
    Windows; no budget. Median and range (fastest .. slowest) of $runs runs, after
    an unmeasured cycle and 64 MB install (first starts, the file cache). Each
    time runs from the press of the button that leads to a page (or from the
    start of the process) until that page's window shows.
  install:, update:, uninstall: one whole cycle per run. install.exe from the
    build's distribution folder, whose stand-in kalquint.exe is the variant v3105
    (version 3.1.0.5), every option ticked; then an update from a copy of that
    folder with the variant v3200 (3.2.0.0), both backup boxes ticked; then the
    uninstaller copy with "delete all files" ticked. The path -> options step
    installs the files; the uninstall's last step includes its 1 s pause.
  64 MB: an install into a fresh folder, no option ticked, from a copy of the
    distribution (v3105) whose six other files are padded so that the seven
    installed files total 64 MB, against CopyFileW of the same seven files; the
    ratio is the setup's overhead over a plain copy (aim: close to 1x).
  slowclose: an update while the installed program is the variant slowclose
    (3.1.0.5, takes 3 s to close when asked): how long the setup waits for it,
    the setup's CPU time meanwhile (aim: 0, it blocks instead of polling; Wine
    counts whole clock ticks), and the whole update step.
EOF
[ "$status" -eq 0 ] || echo "bench: the timed figures stopped early (exit code $status)" >&2
