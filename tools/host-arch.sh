# shellcheck shell=bash
# Sourced by the project's scripts: which build this host's Wine runs. The
# shipped program is 32-bit, and so is the build the tests, the demo and the
# benchmark run wherever the host executes 32-bit code; where it does not (a
# kernel without IA-32 emulation, a hypervisor that refuses 32-bit code), the
# same sources built for x86-64 run under 64-bit Wine instead. Decided once per
# run by a real probe; KALQUINT_ARCH=i686|x86_64 forces a choice.
#
# Sets and exports KALQUINT_ARCH, KALQUINT_ARCH_REASON and KALQUINT_RUN_DIR (the
# build tree whose programs Wine runs: $BUILD_DIR itself for i686, its x86_64
# folder otherwise). The shipped 32-bit program is always $BUILD_DIR's.

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
  export KALQUINT_ARCH KALQUINT_ARCH_REASON KALQUINT_RUN_DIR
}

# The line each command starts with.
arch_banner() {
  if [ "$KALQUINT_ARCH" = i686 ]; then
    echo "$1: running the 32-bit build (i686), as shipped: $KALQUINT_ARCH_REASON"
  else
    echo "$1: running the x86-64 build under 64-bit Wine: $KALQUINT_ARCH_REASON; the shipped 32-bit program is still built and checked"
  fi
}

# Once per run: the scripts a run starts inherit the decision.
if [ "${KALQUINT_ARCH_BUILD_DIR:-}" != "$BUILD_DIR" ] || [ -z "${KALQUINT_RUN_DIR:-}" ]; then
  decide_arch || return 1
  export KALQUINT_ARCH_BUILD_DIR=$BUILD_DIR
fi
