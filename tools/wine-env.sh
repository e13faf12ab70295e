# Sourced by the project's scripts: a private Wine prefix in the build tree, the
# Russian ANSI code page (1251), and a display (Xvfb when there is none).
# Expects BUILD_DIR; sets WINEPREFIX, DISPLAY and the rest, and starts what is missing.

: "${BUILD_DIR:?BUILD_DIR must name the build tree}"
export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
# LANG alone does not change Wine's code page.
export LC_ALL=ru_RU.UTF-8
# No desktop entries on the host for links made in the prefix, and no prompts to
# install Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

wine_display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# A wineserver first started without a display breaks later windows in the
# prefix, so the display comes first.
start_xvfb() {
  local pidfile="$BUILD_DIR/xvfb.pid" number
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    export DISPLAY="$(cat "$BUILD_DIR/xvfb.display")"
    wine_display_works && return 0
  fi
  for number in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$pidfile"
    echo ":$number" >"$BUILD_DIR/xvfb.display"
    export DISPLAY=":$number"
    for _ in $(seq 1 50); do
      wine_display_works && return 0
      sleep 0.1
    done
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

stop_wine_session() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$BUILD_DIR/xvfb.pid" ]; then
    kill "$(cat "$BUILD_DIR/xvfb.pid")" 2>/dev/null || true
    rm -f "$BUILD_DIR/xvfb.pid" "$BUILD_DIR/xvfb.display"
  fi
}

prepare_prefix() {
  [ -f "$WINEPREFIX/.prepared" ] && return 0
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Without a window manager, managed windows cost Wine about 2 s each time one
  # is hidden; unmanaged ones also get Wine's own title bars.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.prepared"
}

if [ "${KALQUINT_USE_HOST_DISPLAY:-0}" = 1 ] && wine_display_works; then
  :
else
  start_xvfb
fi
prepare_prefix
