# shellcheck shell=bash
# Sourced by the project's scripts: a private Wine prefix in the build tree, the
# Russian ANSI code page (1251) unless KALQUINT_LOCALE names another locale, and
# a display (Xvfb when there is none).
# Expects BUILD_DIR; KALQUINT_PREFIX picks the prefix there: "tests" (the
# default, the tests' and the benchmark's) or "demo" (./run demo's, so that
# nothing done in the demo changes what the tests see). Sets WINEPREFIX, DISPLAY
# and the rest and starts what is missing; when the sourcing script exits,
# stop_wine_session ends what was started for it and nothing else.
#
# The build Wine runs (host-arch.sh) picks the prefix's folder ($BUILD_DIR, or
# $BUILD_DIR/x86_64) and its bitness: win64 (the 32-bit build then runs under
# WOW64) or win32. KALQUINT_WINEARCH=win32 picks the second, 32-bit prefix
# beside it ("wineprefix-win32"), where the groups that depend on the system's
# bitness run again. A win64 prefix has the 64-bit loader and server, a win32
# one the 32-bit ones. The functions wine, wineboot and wineserver call them by
# their full paths: Debian's commands of those names pick the 32-bit loader
# whenever it is installed, even on a host that cannot run it.

: "${BUILD_DIR:?BUILD_DIR must name the build tree}"
wine_env_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$wine_env_tools/host-arch.sh" || return 1
# Never a prefix named by the caller's environment: the tests delete registry
# keys, change access rights, end programs and edit pending renames in theirs.
case "${KALQUINT_PREFIX:-tests}" in
  tests) WINEPREFIX="$KALQUINT_RUN_DIR/wineprefix" ;;
  demo) WINEPREFIX="$KALQUINT_RUN_DIR/demo-wineprefix" ;;
  *)
    echo "wine-env: KALQUINT_PREFIX is tests or demo, not '$KALQUINT_PREFIX'" >&2
    return 1
    ;;
esac
WINEARCH=${KALQUINT_WINEARCH:-$KALQUINT_PREFIX_ARCH}
case "$WINEARCH" in
  "$KALQUINT_PREFIX_ARCH") ;;
  "${KALQUINT_SECOND_PREFIX_ARCH:-none}") WINEPREFIX="$WINEPREFIX-$WINEARCH" ;;
  *)
    echo "wine-env: this build runs in a $KALQUINT_PREFIX_ARCH prefix${KALQUINT_SECOND_PREFIX_ARCH:+ or a $KALQUINT_SECOND_PREFIX_ARCH one}, not '$WINEARCH'" >&2
    return 1
    ;;
esac
export WINEPREFIX WINEARCH
if [ "$WINEARCH" = win32 ]; then
  export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
else
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
wine() { "$WINELOADER" "$@"; }
wineboot() { "$WINELOADER" wineboot.exe "$@"; }
wineserver() { "$WINESERVER" "$@"; }
export WINEDEBUG=-all
# LANG alone does not change Wine's code page. Wine takes it from LC_ALL, and
# the programs a Windows program starts keep it whatever environment they are
# given: a test that wants another code page runs under it (KALQUINT_LOCALE).
export LC_ALL="${KALQUINT_LOCALE:-ru_RU.UTF-8}"
# No desktop entries on the host for links made in the prefix, and no prompts to
# install Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

# Bumped whenever prepare_prefix changes, so that prefixes prepared earlier are
# prepared again.
prefix_preparation="profile folders inside the prefix, Marlett"

# What this script's session started, and so what stop_wine_session ends.
wine_session_owner=0
wine_session_xvfb=
wine_session_server=0

wine_display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# The prefix's wine server works in a folder named after the prefix's device and
# inode ("/tmp/.../server-fe00-51215b").
wine_server_running() {
  local folder cwd
  [ -d "$WINEPREFIX" ] || return 1
  folder=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for cwd in /proc/[0-9]*/cwd; do
    case "$(readlink "$cwd" 2>/dev/null)" in
      */"$folder") return 0 ;;
    esac
  done
  return 1
}

# Xvfb picks a free display itself and reports its number (-displayfd).
start_xvfb() {
  local reported="$BUILD_DIR/xvfb-display.$$" number=
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$reported" >/dev/null 2>&1 &
  wine_session_xvfb=$!
  for _ in $(seq 1 100); do
    number=$(head -n 1 "$reported" 2>/dev/null || true)
    [ -n "$number" ] && break
    sleep 0.1
  done
  rm -f "$reported"
  export DISPLAY=":$number"
  [ -n "$number" ] && wine_display_works && return 0
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

# Only the Xvfb this session started, while it is still this shell's child and an Xvfb.
stop_xvfb() {
  local pid=$wine_session_xvfb
  wine_session_xvfb=
  [ -n "$pid" ] || return 0
  [ "$(ps -o ppid=,comm= -p "$pid" 2>/dev/null | awk '{print $1, $2}')" = "$BASHPID Xvfb" ] ||
    return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

stop_wine_session() {
  [ "$wine_session_owner" = 1 ] || return 0
  wine_session_owner=0
  if [ "$wine_session_server" = 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  stop_xvfb
}

# Wine links the profile's folders (Desktop, Documents and the rest) to the
# host's home folder, which the setup and the tests make and delete files in:
# here they are real folders inside the prefix.
keep_profile_inside() {
  local folder
  for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then
      rm -f -- "$folder"
      mkdir -- "$folder"
    fi
  done
  # Wine makes the links again when it updates a prefix by itself; this script
  # updates it instead, when the Wine version changes.
  echo disable >"$WINEPREFIX/.update-timestamp"
}

prepare_prefix() {
  local marker="$WINEPREFIX/.prepared" wanted
  wanted="$(wine --version) $WINEARCH $prefix_preparation"
  [ "$(cat "$marker" 2>/dev/null)" = "$wanted" ] && return 0
  echo "wine-env: preparing the $WINEARCH Wine prefix $WINEPREFIX (once)" >&2
  # Wine refuses a prefix of the other bitness; one made so before is made anew.
  if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$WINEARCH\$" "$WINEPREFIX/system.reg"; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf -- "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
  fi
  wineboot -u >/dev/null 2>&1
  # Without a window manager, managed windows cost Wine about 2 s each time one
  # is hidden; unmanaged ones also get Wine's own title bars.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  keep_profile_inside
  # This Wine does not load the fonts of its own data folder (fonts-wine); without
  # Marlett a title bar's close glyph is drawn as an "r".
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  echo "$wanted" >"$marker"
}

# A wineserver first started without a display breaks later windows in the
# prefix, so the display comes first.
start_wine_session() {
  wine_session_owner=1
  trap stop_wine_session EXIT
  mkdir -p "$WINEPREFIX"
  wine_server_running || wine_session_server=1
  if ! { [ "${KALQUINT_USE_HOST_DISPLAY:-0}" = 1 ] && wine_display_works; }; then
    start_xvfb
  fi
  # The commands run inside this session (ctest's tests through tools/wine-run)
  # use its display and end nothing.
  export KALQUINT_WINE_SESSION="$WINEPREFIX"
  prepare_prefix
}

if [ "${KALQUINT_WINE_SESSION:-}" != "$WINEPREFIX" ] || ! wine_display_works; then
  start_wine_session
fi
