#!/usr/bin/env bash
# Starts "install.exe /setup" from the distribution folder under Wine. With a
# display the wizard is yours to click through; without one it runs under Xvfb
# and the welcome page is saved as a picture.
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
shots="$BUILD_DIR/demo"
mkdir -p "$shots"
cd "$BUILD_DIR/distribution"
wine install.exe /setup &
setup_pid=$!
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name "Установка KALENDRO! quintara" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "demo: the welcome page did not appear" >&2
  exit 1
fi
sleep 0.5
import -window "$window" "$shots/welcome.png"
echo "demo: saved the welcome page as $shots/welcome.png"
xdotool key --window "$window" Escape || true
wait "$setup_pid" || true
