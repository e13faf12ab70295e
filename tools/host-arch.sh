# shellcheck shell=bash
# Sourced by the project's scripts: which build this host's Wine runs, and in
# which Windows. The shipped program is 32-bit, and so is the build the tests,
# the demo and the benchmark run wherever the host executes 32-bit code; where
# it does not (a kernel without IA-32 emulation, a hypervisor that refuses
# 32-bit code), the same sources built for x86-64 run under 64-bit Wine
# instead. Decided once per run by a real probe; KALQUINT_ARCH=i686|x86_64
# forces a choice.
#
# Users run the 32-bit setup on 64-bit Windows (WOW64): wherever this host's
# Wine has both loaders, the 32-bit build runs in a 64-bit (win64) prefix, and
# the groups that depend on the system's bitness run in a 32-bit (win32) prefix
# as well. The x86-64 build runs in a win64 prefix.
#
# Sets and exports KALQUINT_ARCH, KALQUINT_ARCH_REASON, KALQUINT_RUN_DIR (the
# build tree whose programs Wine runs: $BUILD_DIR itself for i686, its x86_64
# folder otherwise), KALQUINT_PREFIX_ARCH (win64 or win32: the prefix the tests,
# demo and benchmark run in) and KALQUINT_SECOND_PREFIX_ARCH (win32 where the
# bitness-dependent groups also run in a 32-bit prefix, else empty). The
# shipped 32-bit program is always $BUILD_DIR's.

: "${BUILD_DIR:?BUILD_DIR must name the build tree}"

# The smallest i386 program there is: exit(32) through int 0x80, as an ELF
# executable of one segment. Linux refuses it ("Exec format error") or the CPU
# faults on it where 32-bit code cannot run; 32 means it ran.
host_runs_i386() {
  local probe="$BUILD_DIR/i386-probe" status=0
  mkdir -p "$BUILD_DIR"
  printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\061\333\263\040\061\300\100\315\200' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  [ "$status" -eq 32 ]
}

# The build for a forced choice (empty: none) on a host that does or does not
# run 32-bit code (1 or 0): prints "<arch> <why>", or says why not and fails.
arch_choice() {
  local forced=$1 runs_i386=$2
  case "$forced:$runs_i386" in
    :1) echo "i686 this host runs 32-bit code" ;;
    :0) echo "x86_64 this host runs no 32-bit code" ;;
    i686:1) echo "i686 KALQUINT_ARCH=i686" ;;
    i686:0)
      echo "KALQUINT_ARCH=i686, but this host runs no 32-bit code: unset it to run the x86_64 build" >&2
      return 1
      ;;
    x86_64:*) echo "x86_64 KALQUINT_ARCH=x86_64" ;;
    *)
      echo "KALQUINT_ARCH is i686 or x86_64, not '$forced'" >&2
      return 1
      ;;
  esac
}

# Wine runs a 32-bit program in a 64-bit prefix (WOW64) where it has both loaders.
wine_runs_wow64() {
  [ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wine ]
}

# The prefixes for a build (i686 or x86_64) where Wine does or does not run
# 32-bit programs in a 64-bit prefix (1 or 0): prints "<first> <second>", the
# second "-" when there is none.
prefix_choice() {
  local arch=$1 wow64=$2
  case "$arch:$wow64" in
    x86_64:*) echo "win64 -" ;;
    i686:1) echo "win64 win32" ;;
    i686:0) echo "win32 -" ;;
  esac
}

decide_arch() {
  local runs_i386=0 choice
  host_runs_i386 && runs_i386=1
  choice=$(arch_choice "${KALQUINT_ARCH:-}" "$runs_i386") || return 1
  KALQUINT_ARCH=${choice%% *}
  KALQUINT_ARCH_REASON=${choice#* }
  if [ "$KALQUINT_ARCH" = i686 ]; then
    KALQUINT_RUN_DIR=$BUILD_DIR
  else
    KALQUINT_RUN_DIR=$BUILD_DIR/x86_64
  fi
  local wow64=0 prefixes
  wine_runs_wow64 && wow64=1
  prefixes=$(prefix_choice "$KALQUINT_ARCH" "$wow64")
  KALQUINT_PREFIX_ARCH=${prefixes%% *}
  KALQUINT_SECOND_PREFIX_ARCH=${prefixes#* }
  [ "$KALQUINT_SECOND_PREFIX_ARCH" = - ] && KALQUINT_SECOND_PREFIX_ARCH=
  export KALQUINT_ARCH KALQUINT_ARCH_REASON KALQUINT_RUN_DIR KALQUINT_PREFIX_ARCH \
    KALQUINT_SECOND_PREFIX_ARCH
}

# The line each command starts with.
arch_banner() {
  if [ "$KALQUINT_ARCH" = x86_64 ]; then
    echo "$1: running the x86-64 build under 64-bit Wine (a win64 prefix): $KALQUINT_ARCH_REASON; the shipped 32-bit program is still built and checked"
  elif [ "$KALQUINT_PREFIX_ARCH" = win64 ]; then
    echo "$1: running the 32-bit build (i686), as shipped, on 64-bit Windows (a win64 prefix, WOW64), the groups that depend on the system's bitness also in a win32 prefix: $KALQUINT_ARCH_REASON"
  else
    echo "$1: running the 32-bit build (i686), as shipped, in a win32 prefix only (this host's Wine has no 64-bit loader): $KALQUINT_ARCH_REASON"
  fi
}

# Once per run: the scripts a run starts inherit the decision.
if [ "${KALQUINT_ARCH_BUILD_DIR:-}" != "$BUILD_DIR" ] || [ -z "${KALQUINT_RUN_DIR:-}" ]; then
  decide_arch || return 1
  export KALQUINT_ARCH_BUILD_DIR=$BUILD_DIR
fi
