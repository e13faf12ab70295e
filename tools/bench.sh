#!/usr/bin/env bash
# Prints the benchmark's figures as one table, then what each of them means:
# install.exe's size and where its bytes go, its unwind tables and imports, read
# on the host, then the times measured through the setup's windows under Wine
# (tests/wizard_bench.exe), each the median of BENCH_RUNS runs (5). A figure over its budget is reported,
# not failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
runs="${BENCH_RUNS:-5}"
# The shipped 32-bit program's figures, whichever build the times are taken of.
setup="$BUILD_DIR/bin/install.exe"
budget=$((64 * 1024))

size=$(stat -c %s "$setup")
# The file's bytes by section, as laid out in the file (each rounded up to the
# file alignment): code, resources, imports; the headers and every other section
# are the rest.
declare -A section_bytes=()
mapfile -t sections < <(i686-w64-mingw32-objdump -h "$setup" |
  awk '$1 ~ /^[0-9]+$/ && $6 !~ /^0*$/ { print $2, $6 }')
for entry in "${sections[@]}"; do
  read -r name offset <<<"$entry"
  end=$size
  for other in "${sections[@]}"; do
    other_offset=$((16#${other#* }))
    [ "$other_offset" -gt $((16#$offset)) ] && [ "$other_offset" -lt "$end" ] && end=$other_offset
  done
  section_bytes[$name]=$((${section_bytes[$name]:-0} + end - 16#$offset))
done
code=${section_bytes[.text]:-0}
resources=${section_bytes[.rsrc]:-0}
import_bytes=${section_bytes[.idata]:-0}
rest=$((size - code - resources - import_bytes))
# A stripped image keeps section names to eight characters: ".eh_fram".
eh_frame_hex=$(i686-w64-mingw32-objdump -h "$setup" | awk '$2 ~ /^\.eh_fram/ { print $3 }')
eh_frame=$((16#${eh_frame_hex:-0}))
imports=$(i686-w64-mingw32-objdump -p "$setup" | sed -n 's/^\s*DLL Name: //p' | paste -sd ' ')
functions=$(i686-w64-mingw32-objdump -p "$setup" | grep -cE '^\s+[0-9a-f]+\s+[0-9]+\s+\S+$')

source "$root/tools/wine-env.sh"
trap stop_wine_session EXIT
echo "bench: measuring, $runs runs of each figure..." >&2
status=0
measured=$(wine "$KALQUINT_RUN_DIR/tests/wizard_bench.exe" "$runs") || status=$?

{
  printf 'Figure\tMedian\tRange\tRuns, note\n'
  printf 'install.exe size\t%d B\t-\tbudget %d B: %d%% of it, %d B left%s\n' \
    "$size" "$budget" $((size * 100 / budget)) $((budget - size)) \
    "$([ "$size" -gt "$budget" ] && echo ', OVER THE BUDGET')"
  printf '  code (.text)\t%d B\t-\t%d%% of the file\n' "$code" $((code * 100 / size))
  printf '  resources (.rsrc)\t%d B\t-\t%d%% of the file\n' "$resources" $((resources * 100 / size))
  printf '  imports (.idata)\t%d B\t-\t%d%% of the file\n' "$import_bytes" $((import_bytes * 100 / size))
  printf '  the rest\t%d B\t-\theaders, data, constants, relocations\n' "$rest"
  printf 'install.exe .eh_frame\t%d B\t-\tnone expected\n' "$eh_frame"
  printf 'install.exe imports\t%d DLLs\t-\t%d functions: %s\n' \
    "$(wc -w <<<"$imports")" "$functions" "$imports"
  [ -n "$measured" ] && printf '%s\n' "$measured"
} | column -t -s $'\t'

cat <<EOF

What the figures are
  install.exe size: the stripped 32-bit executable as shipped (the same bytes as
    in the build's distribution folder; the signature ./run package may append
    is not counted), and the most it may be (over it is a fault to mend). Below it, where
    the bytes go, each section as the file holds it (rounded up to 512 bytes):
    a change that grows one of them shows there.
  install.exe .eh_frame: the unwind tables. The setup neither throws nor catches
    and links no C runtime start-up code, so it has none; tens of KB mean the C++
    exception machinery is linked in again.
  install.exe imports: the system DLLs it needs and the functions it takes from
    them (the executable checks hold the exact list).
  The times: Wine's under Xvfb on this machine, for comparing builds, not
    Windows; no budget. They are of the build named on the first line: the
    x86-64 one's on a host that runs no 32-bit code. Median and range (fastest .. slowest) of $runs runs, after
    an unmeasured cycle and 64 MB install (first starts, the file cache). Each
    time runs from the press of the button that leads to a page (or from the
    start of the process) until that page's window shows.
  install:, update:, uninstall: one whole cycle per run. install.exe from the
    build's distribution folder, whose stand-in kalquint.exe is the variant v3105
    (version 3.1.0.5), every option ticked; then an update from a copy of that
    folder with the variant v3200 (3.2.0.0), both backup boxes ticked; then the
    uninstaller copy with "delete all files" ticked. The path -> options step
    installs the files; the uninstall's last step waits for the program's
    /UnregServer run (the stand-in's ends at once).
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
