#!/usr/bin/env bash
# Installs the cross toolchain, Wine (with its own fonts, which draw the message
# box's close glyph), the display server and the release's tools (signing,
# manifests) this project builds, tests and packages with: the 32-bit Wine
# where this host runs 32-bit code, the 64-bit Wine and the x86-64 cross
# compiler where the x86-64 build runs (host-arch.sh).
# Idempotent and quiet when everything is already present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
source "$root/tools/host-arch.sh"

# The shipped program is always built, and the host's own tools always needed.
packages=(
  cmake ninja-build python3
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  googletest
  wine fonts-wine
  locales
  xvfb xauth x11-apps x11-utils imagemagick xdotool
  cppcheck clang-tidy
  git osslsigncode openssl python3-yaml
)
if [ "$KALQUINT_ARCH" = i686 ]; then
  packages+=(wine32:i386)
else
  packages+=(wine64 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64)
fi

# Wine needs the host locale to make files with Cyrillic names, and takes the
# code page of narrow-string programs from it: Russian (1251) for every test,
# German (1252) and Japanese (932) for the tests of other systems' code pages.
ensure_locale() {
  local name
  for name in ru_RU de_DE ja_JP; do
    locale -a 2>/dev/null | grep -qi "^$name.utf-\?8$" && continue
    [ "$(id -u)" -eq 0 ] || { echo "setup-machine: run as root to generate $name.UTF-8" >&2; exit 1; }
    localedef -i "$name" -f UTF-8 "$name.UTF-8"
  done
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
if [ "$KALQUINT_ARCH" = i686 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves index files of the wrong size for a
# while (for days, seen with the security suite's i386 index): try again, then
# install from the release's own suite, whose indexes did arrive whole. Every
# package is still checked against its signed index; only the suite differs,
# so that both architectures of a package resolve to one version.
suite=()
for attempt in 1 2 3; do
  apt-get update -qq && break
  if [ "$attempt" -eq 3 ]; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || exit 1
    echo "setup-machine: package lists still incomplete (mirror mid-sync): installing from the release's own suite, $codename" >&2
    suite=(-t "$codename")
    break
  fi
  echo "setup-machine: package lists incomplete, retrying in 30 s" >&2
  sleep 30
done
apt-get install -y -qq --no-install-recommends "${suite[@]}" "${missing[@]}" >/dev/null
ensure_locale
