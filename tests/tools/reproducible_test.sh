#!/usr/bin/env bash
# Two builds of the checkout's commit, one after the other, in two fresh clones
# whose paths differ in length: ./run package must write the same package, file
# for file, the zip's hash included. It builds twice, so ./run test leaves it
# out; run it with `ctest --test-dir build -L reproducible` (argument: the
# build tree, which holds the clones).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$1/reproducible"
commit=$(git -C "$root" rev-parse HEAD)
rm -rf "$work"
for clone in first second-clone; do
  git clone --quiet --no-checkout "$root" "$work/$clone"
  git -C "$work/$clone" checkout --quiet --detach "$commit"
  # Each its own build tree, unsigned: nothing of the caller's build or certificate.
  (cd "$work/$clone" && env -u BUILD_DIR -u KALQUINT_ARCH_BUILD_DIR -u KALQUINT_RUN_DIR \
    -u KALQUINT_WINE_SESSION -u KALQUINT_SIGN_PFX -u KALQUINT_SIGN_PASSWORD ./run package) \
    >"$work/$clone.log" 2>&1 || { cat "$work/$clone.log"; exit 1; }
done
sha256sum "$work"/*/build/package/*.zip
diff -r "$work/first/build/package" "$work/second-clone/build/package"
echo "reproducible: both builds of $commit wrote the same package"
rm -rf "$work"
