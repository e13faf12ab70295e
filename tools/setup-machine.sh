#!/usr/bin/env bash
# Installs the cross toolchain, Wine (with its own fonts, which draw the message
# box's close glyph) and the display server this project builds and
# tests with. Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
  cmake ninja-build python3
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  googletest
  wine wine32:i386 fonts-wine
  locales
  xvfb xauth x11-apps x11-utils imagemagick xdotool
  cppcheck clang-tidy
)

# Wine needs the host locale to make files with Cyrillic names.
ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^ru_RU.utf-\?8$' && return 0
  [ "$(id -u)" -eq 0 ] || { echo "setup-machine: run as root to generate ru_RU.UTF-8" >&2; exit 1; }
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_locale
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-machine: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

echo "setup-machine: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves index files of the wrong size for a
# while: try again rather than fail the whole run.
for attempt in 1 2 3 4 5; do
  apt-get update -qq && break
  [ "$attempt" -eq 5 ] && exit 1
  echo "setup-machine: package lists incomplete, retrying in 30 s" >&2
  sleep 30
done
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_locale
