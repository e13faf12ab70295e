#!/usr/bin/env bash
# The choice of the build Wine runs (tools/host-arch.sh): the probe, the choice
# for every forced value on hosts that do and do not run 32-bit code, the
# prefixes each build runs in, and the tests' prefix as made here.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
run_tree=$1
export BUILD_DIR="$1/host-arch-test"
rm -rf "$BUILD_DIR"
unset KALQUINT_ARCH KALQUINT_ARCH_BUILD_DIR KALQUINT_RUN_DIR
source "$root/tools/host-arch.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# forced value, host runs 32-bit code, the build chosen (or "refused")
while read -r forced runs expected; do
  [ "$forced" = - ] && forced=
  if chosen=$(arch_choice "$forced" "$runs" 2>/dev/null); then
    chosen=${chosen%% *}
  else
    chosen=refused
  fi
  [ "$chosen" = "$expected" ] || fail "KALQUINT_ARCH='$forced', 32-bit code runs: $runs: $chosen, not $expected"
done <<'CASES'
- 1 i686
- 0 x86_64
i686 1 i686
i686 0 refused
x86_64 1 x86_64
x86_64 0 x86_64
I686 1 refused
win32 0 refused
CASES

# build, Wine runs 32-bit programs in a 64-bit prefix, the prefixes (first, second)
while read -r arch wow64 expected; do
  chosen=$(prefix_choice "$arch" "$wow64")
  [ "$chosen" = "$expected" ] || fail "$arch build, WOW64: $wow64: prefixes '$chosen', not '$expected'"
done <<'CASES'
i686 1 win64 win32
i686 0 win32 -
x86_64 1 win64 -
x86_64 0 win64 -
CASES

# The tests' prefix, where this run has made it, is of the bitness chosen
# here, and a 64-bit one has both program-files folders.
[ "$(basename "$run_tree")" = x86_64 ] && run_arch=x86_64 || run_arch=i686
wine_runs_wow64 && wow64=1 || wow64=0
wanted=$(prefix_choice "$run_arch" "$wow64")
wanted=${wanted%% *}
prefix="$run_tree/wineprefix"
if [ -f "$prefix/system.reg" ]; then
  grep -q "^#arch=$wanted\$" "$prefix/system.reg" || fail "$prefix is not the $wanted prefix chosen"
  if [ "$wanted" = win64 ]; then
    for folder in "Program Files" "Program Files (x86)"; do
      [ -d "$prefix/drive_c/$folder" ] || fail "the win64 prefix has no '$folder'"
    done
  fi
fi

# The probe is a whole i386 program, so that a "no" means the host, not the probe.
host_runs_i386 && probe_ran=1 || probe_ran=0
LC_ALL=C readelf -h "$BUILD_DIR/i386-probe" | grep -q 'Machine:.*Intel 80386' || fail "the probe is no i386 program"
LC_ALL=C readelf -h "$BUILD_DIR/i386-probe" | grep -q 'Type:.*EXEC' || fail "the probe is no executable"
# Where the 32-bit Wine is installed, it runs exactly where the probe did.
if [ -x /usr/lib/wine/wine ]; then
  /usr/lib/wine/wine --version >/dev/null 2>&1 && loader_ran=1 || loader_ran=0
  [ "$loader_ran" = "$probe_ran" ] ||
    fail "the probe says 32-bit code runs: $probe_ran, the 32-bit Wine loader ran: $loader_ran"
else
  echo "host-arch: no 32-bit Wine installed here, so only the probe itself is checked (it ran: $probe_ran)"
fi
rm -rf "$BUILD_DIR"
[ "$failures" -eq 0 ] && echo "host-arch: every case passed"
exit $((failures > 0))
