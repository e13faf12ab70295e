#!/usr/bin/env bash
# No tracked file holds a line a merge conflict leaves: the start and end
# markers with the side's name after a blank, the base's marker, or a divider
# alone on its line. The patterns are spelt with counts, so this file never
# matches itself; they are first tried on a planted conflict, so that a pattern
# that matches nothing cannot pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
pattern='^(<{7} |>{7} |\|{7} |={7}$)'

planted=$(printf '%s\n' ours '<<<<<<<' '=======' theirs '>>>>>>>' | sed -e '2s/$/ HEAD/' -e '5s/$/ main/')
found=$(grep -cE "$pattern" <<<"$planted" || true)
if [ "$found" != 3 ]; then
  echo "FAILED: the pattern finds $found of the 3 marker lines of a planted conflict"
  exit 1
fi

tracked=$(git -C "$root" ls-files | wc -l)
if [ "$tracked" -eq 0 ]; then
  echo "FAILED: git lists no tracked files in $root"
  exit 1
fi
status=0
git -C "$root" grep -I -n -E "$pattern" || status=$?
case $status in
  1) echo "no conflict markers in $tracked tracked files" ;;
  0) echo "FAILED: conflict markers above"; exit 1 ;;
  *) echo "FAILED: git grep ended with $status"; exit 1 ;;
esac
