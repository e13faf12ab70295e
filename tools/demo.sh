#!/usr/bin/env bash
# With a display: starts "install.exe /setup" from the distribution folder under
# Wine, for you to click through. Without one: walks the setup's whole cycle by
# itself under Xvfb (a start with nothing installed, install, update, uninstall),
# saves a picture of every page as <build>/demo/<page>.png and prints what each
# wizard changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export KALQUINT_USE_HOST_DISPLAY=1
  source "$root/tools/wine-env.sh"
  cd "$BUILD_DIR/distribution"
  exec wine install.exe /setup
fi

source "$root/tools/wine-env.sh"
trap stop_wine_session EXIT
pictures="$BUILD_DIR/demo"
rm -rf "$pictures"
wine "$BUILD_DIR/tests/wizard_demo.exe"
for bmp in "$pictures"/*.bmp; do
  convert "$bmp" -strip -define png:compression-level=9 "${bmp%.bmp}.png"
  rm "$bmp"
done
echo
echo "demo: $(ls "$pictures"/*.png | wc -l) pictures of the pages in $pictures"
