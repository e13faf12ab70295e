#!/usr/bin/env bash
# The signed release, end to end (arguments: the shipped build tree, the tree
# Wine runs). A throwaway certificate made here signs the package that
# tools/package.sh writes (which checks its own manifests); then the package as
# a client gets it: the zip holds the distribution, its install.exe verifies and
# is the built one plus the signature only, and a quiet install under Wine
# leaves an uninstaller that is that signed file and verifies too.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
shipped=$1 run_dir=$2
work="$shipped/package-test" wine_work="$run_dir/package-test"
rm -rf "$work" "$wine_work"
mkdir -p "$work" "$wine_work"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
verify() {
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$1.verify" 2>&1 ||
    fail "the signature of $1 does not verify (see $1.verify)"
}

# A self-signed code-signing certificate, valid for a day.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Throwaway test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/signer.pfx"
KALQUINT_SIGN_PFX="$work/signer.pfx" KALQUINT_SIGN_PASSWORD=throwaway BUILD_DIR="$shipped" \
  "$root/tools/package.sh" "$work/package"

zip=$(echo "$work"/package/kalendro-*.zip)
(cd "$work/package" && sha256sum --quiet -c "${zip##*/}.sha256") || fail "the .sha256 file does not match the zip"
python3 -m zipfile -e "$zip" "$work/unzipped"
diff -r --exclude=install.exe "$shipped/distribution" "$work/unzipped" ||
  fail "the zip does not hold the distribution's files"
verify "$work/unzipped/install.exe"
# Without its signature, install.exe is the file the executable checks (imports)
# and the benchmark's size budget read.
osslsigncode remove-signature -in "$work/unzipped/install.exe" -out "$work/unsigned.exe" >/dev/null
cmp "$work/unsigned.exe" "$shipped/bin/install.exe" || fail "signing changed more than the signature"

# The quiet install runs the setup that Wine runs here: the package's, or where
# the host runs no 32-bit code, the x86-64 build's, signed with the same certificate.
if [ "$run_dir" -ef "$shipped" ]; then
  cp -r "$work/unzipped" "$wine_work/signed"
else
  cp -r "$run_dir/distribution" "$wine_work/signed"
  rm "$wine_work/signed/install.exe"
  osslsigncode sign -pkcs12 "$work/signer.pfx" -pass throwaway -h sha256 \
    -in "$run_dir/distribution/install.exe" -out "$wine_work/signed/install.exe" >/dev/null
fi
"$root/tools/wine-run" "$run_dir/tests/e2e_signed_setup.exe" || fail "the quiet install from the signed setup"
cmp "$wine_work/kquninst.exe" "$wine_work/signed/install.exe" ||
  fail "the uninstaller copy is not the signed setup"
verify "$wine_work/kquninst.exe"

[ "$failures" -eq 0 ] && echo "release package: every check passed"
exit $((failures > 0))
