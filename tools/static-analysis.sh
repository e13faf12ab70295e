#!/usr/bin/env bash
# cppcheck and clang-tidy over the project's own sources (the product and the
# stand-in), with the MinGW target's headers. Prints nothing but findings; fails
# on any.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
cd "$root"
sources=$(git ls-files 'app/*.cpp' 'ui/*.cpp' 'setup/*.cpp' 'kalquint/*.cpp')

gcc_include=$(dirname "$(i686-w64-mingw32-g++-win32 -print-libgcc-file-name)")/include/c++
tidy_args=(--quiet -p "$build"
  --extra-arg=--target=i686-w64-mingw32
  --extra-arg=-isystem"$gcc_include"
  --extra-arg=-isystem"$gcc_include/i686-w64-mingw32"
  --extra-arg=-Wno-unknown-warning-option
  --extra-arg=-Wno-ignored-optimization-argument)
status=0
# shellcheck disable=SC2086
clang-tidy "${tidy_args[@]}" $sources 2>/dev/null || status=1

# cppcheck sees the Win32 API through its windows configuration.
# shellcheck disable=SC2086
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --platform=win32A \
  --library=windows --enable=warning,performance,portability \
  --inline-suppr -I "$root" -D_WIN32 -D__GNUC__ $sources || status=1
exit "$status"
