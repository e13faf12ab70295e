#!/usr/bin/env bash
# The full-drive group: a small tmpfs mounted in the build tree, named to the
# test program (which gives it a drive letter of Wine's), unmounted and removed
# afterwards. Where the host lets the tests mount none (mounting needs root),
# says so and skips (exit 77).
#   small_drive_test.sh <build tree the tests run in> <test program> [arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
drive="$1/small-drive"
program=$2
shift 2
mkdir -p "$drive"
if ! mount -t tmpfs -o size=2m,mode=0755 kalquint-small-drive "$drive" 2>/dev/null; then
  rmdir "$drive"
  echo "small-drive: this host lets the tests mount no tmpfs (it needs root): the full-drive tests are skipped"
  exit 77
fi
unmount() {
  # The stand-in a run started may hold a file there a moment longer.
  umount "$drive" 2>/dev/null || { sleep 1 && umount "$drive"; } || umount -l "$drive"
  rmdir "$drive"
}
trap unmount EXIT
echo "small-drive: a 2 MB tmpfs at $drive"
KALQUINT_SMALL_DRIVE="Z:${drive//\//\\}" "$root/tools/wine-run" "$program" "$@"
