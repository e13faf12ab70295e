#!/usr/bin/env bash
# Runs in the demo's own Wine prefix (<build>/demo-wineprefix), apart from the
# tests' and the benchmark's. With a display: starts "install.exe /setup" from
# the distribution folder under Wine, for you to click through, and returns once
# the wizard and the programs it started have closed. Without one: walks the
# setup's whole cycle by itself under Xvfb (a start with nothing installed,
# install, update, uninstall), after removing whatever an earlier demo left
# installed (it says so), saves a picture of every page as <build>/demo/<page>.png
# (the welcome and path pages once more at 192 DPI, <page>-192dpi.png) and prints
# what each wizard changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
export KALQUINT_PREFIX=demo
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export KALQUINT_USE_HOST_DISPLAY=1
  source "$root/tools/wine-env.sh"
  cd "$KALQUINT_RUN_DIR/distribution"
  wine install.exe /setup
  # The wine server ends by itself once the last program in the prefix has closed.
  wineserver -w
  exit 0
fi

source "$root/tools/wine-env.sh"
pictures="$KALQUINT_RUN_DIR/demo"
rm -rf "$pictures"
wine "$KALQUINT_RUN_DIR/tests/wizard_demo.exe"
for bmp in "$pictures"/*.bmp; do
  convert "$bmp" -strip -define png:compression-level=9 "${bmp%.bmp}.png"
  rm "$bmp"
done
echo
echo "demo: $(ls "$pictures"/*.png | wc -l) pictures of the pages in $pictures"
