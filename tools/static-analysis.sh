#!/usr/bin/env bash
# cppcheck and clang-tidy over the project's own sources (the product and the
# stand-in), with the MinGW target's headers. Prints nothing but findings; fails
# on any.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
cd "$root"
sources=$(git ls-files 'app/*.cpp' 'ui/*.cpp' 'setup/*.cpp' 'kalquint/*.cpp')

# The engine is compiled twice (for the tests, and optimised across files for
# install.exe): clang-tidy would analyse each of its files once per compilation.
# GCC's inlining flags of the product mean nothing to clang and are left out.
tidy_db="$build/static-analysis"
mkdir -p "$tidy_db"
python3 - "$build/compile_commands.json" "$tidy_db/compile_commands.json" <<'PY'
import json, sys
gcc_only = {"-fno-inline-functions-called-once", "-fno-partial-inlining", "-fconserve-stack"}
seen, kept = set(), []
for entry in json.load(open(sys.argv[1])):
    if entry["file"] not in seen:
        seen.add(entry["file"])
        entry["command"] = " ".join(w for w in entry["command"].split(" ") if w not in gcc_only)
        kept.append(entry)
json.dump(kept, open(sys.argv[2], "w"), indent=1)
PY

# The tree's own target: the shipped i686 one, or the tests' x86-64 build.
compiler=$(python3 - "$tidy_db/compile_commands.json" <<'PY'
import json, sys
print(next(e["command"].split()[0] for e in json.load(open(sys.argv[1])) if e["file"].endswith(".cpp")))
PY
)
triple=$(basename "$compiler" -g++-win32)
platform=win32A
[ "$triple" = x86_64-w64-mingw32 ] && platform=win64
gcc_include=$(dirname "$("$compiler" -print-libgcc-file-name)")/include/c++
tidy_args=(--quiet -p "$tidy_db"
  --extra-arg=--target="$triple"
  --extra-arg=-isystem"$gcc_include"
  --extra-arg=-isystem"$gcc_include/$triple"
  --extra-arg=-Wno-unknown-warning-option
  --extra-arg=-Wno-ignored-optimization-argument)
status=0
# shellcheck disable=SC2086
clang-tidy "${tidy_args[@]}" $sources 2>/dev/null || status=1

# cppcheck sees the Win32 API through its windows configuration.
# shellcheck disable=SC2086
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --platform=$platform \
  --library=windows --enable=warning,performance,portability \
  --inline-suppr -I "$root" -D_WIN32 -D__GNUC__ $sources || status=1
exit "$status"
