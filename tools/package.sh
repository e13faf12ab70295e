#!/usr/bin/env bash
# ./run package: the release from the shipped 32-bit build's distribution folder.
# Signs install.exe when a certificate is given, before anything is hashed or
# zipped, then writes the zip, its SHA-256 and the deployment clients' manifests
# (tools/package.py) into the output folder: $BUILD_DIR/package, or the folder
# given, which must lie inside the build tree (it is emptied first).
#   KALQUINT_SIGN_PFX, KALQUINT_SIGN_PASSWORD  the certificate (PKCS#12) and its password
#   KALQUINT_SIGN_TIMESTAMP_URL                an RFC 3161 time-stamp server (optional)
#   KALQUINT_RELEASE_URL                       where the zip will be published
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$root/build}"
output=$(realpath -m "${1:-$BUILD_DIR/package}")
case "$output/" in
  "$(realpath "$BUILD_DIR")"/?*) ;;
  *)
    echo "package: the output folder must lie inside the build tree $BUILD_DIR" >&2
    exit 2
    ;;
esac
release_url=${KALQUINT_RELEASE_URL:-https://example.invalid}

staging=$(mktemp -d "$BUILD_DIR/package-staging.XXXXXX")
trap 'rm -rf "$staging"' EXIT
cp "$BUILD_DIR"/distribution/* "$staging/"

if [ -n "${KALQUINT_SIGN_PFX:-}" ] || [ -n "${KALQUINT_SIGN_PASSWORD+set}" ]; then
  : "${KALQUINT_SIGN_PFX:?is needed beside KALQUINT_SIGN_PASSWORD to sign}"
  : "${KALQUINT_SIGN_PASSWORD?is needed beside KALQUINT_SIGN_PFX to sign}"
  timestamp=()
  [ -n "${KALQUINT_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$KALQUINT_SIGN_TIMESTAMP_URL")
  # The password goes through a pipe, never the command line.
  printf '%s' "$KALQUINT_SIGN_PASSWORD" |
    osslsigncode sign -pkcs12 "$KALQUINT_SIGN_PFX" -readpass - -h sha256 \
      -n "KALENDRO! quintara" "${timestamp[@]}" \
      -in "$staging/install.exe" -out "$staging/install.signed" >/dev/null
  mv "$staging/install.signed" "$staging/install.exe"
  echo "package: install.exe signed (Authenticode, SHA-256) with $KALQUINT_SIGN_PFX"
else
  echo "package: install.exe is unsigned (KALQUINT_SIGN_PFX and KALQUINT_SIGN_PASSWORD are not set)"
fi
[ -n "${KALQUINT_RELEASE_URL:-}" ] ||
  echo "package: the manifests name the placeholder $release_url (KALQUINT_RELEASE_URL is not set)"

rm -rf "$output"
mkdir -p "$output"
zip=$(python3 "$root/tools/package.py" "$staging" "$output" "$(cat "$BUILD_DIR/source-date-epoch")" "$release_url")
echo "package: $zip"
echo "package: SHA-256 $(cut -d' ' -f1 "$zip.sha256")"
echo "package: manifests in $output/winget and $output/chocolatey"
