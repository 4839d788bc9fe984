#!/usr/bin/env bash
# release_tests.sh SOURCE_DIR
# Two release builds of the same sources, copied to two different folders, give identical bytes; the second is
# signed with a throwaway certificate and must verify, lose its signature back to the same bytes, and stop
# verifying after one changed byte; the unsigned release carries a checksum file that matches it.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavlun-release-test.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

copy_sources() {
  mkdir -p "$2"
  tar -C "$1" --exclude=./build --exclude='./build-*' --exclude=./.git -cf - . | tar -C "$2" -xf -
}
copy_sources "$source_dir" "$work/a/src"
copy_sources "$source_dir" "$work/second-folder/with a blank/src"

# A throwaway code-signing certificate, never trusted anywhere but here.
certs="$work/certs"
mkdir -p "$certs"
printf 'throwaway-%s\n' "$$" >"$certs/password"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$certs/key.pem" -out "$certs/cert.pem" -days 2 \
  -subj "/CN=Tavlun Yardimcisi test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$certs/key.pem" -in "$certs/cert.pem" -out "$certs/signer.p12" \
  -passout "file:$certs/password"

"$work/a/src/scripts/release" --out "$work/a/out"
"$work/second-folder/with a blank/src/scripts/release" --out "$work/b/out" --pkcs12 "$certs/signer.p12" \
  --password-file "$certs/password" --ca-file "$certs/cert.pem"

unsigned="$work/a/out/TavlunYardimcisi.exe"
signed="$work/b/out/TavlunYardimcisi.exe"
(cd "$work/a/out" && sha256sum -c --status SHA256SUMS) || fail "the unsigned release does not match its SHA256SUMS"
(cd "$work/b/out" && sha256sum -c --status SHA256SUMS) || fail "the signed release does not match its SHA256SUMS"

osslsigncode verify -in "$signed" -CAfile "$certs/cert.pem" >/dev/null 2>&1 || fail "the signed release does not verify"
osslsigncode remove-signature -in "$signed" -out "$work/b/stripped.exe" >/dev/null
cmp -s "$unsigned" "$work/b/stripped.exe" ||
  fail "builds in different folders differ: $(sha256sum "$unsigned" "$work/b/stripped.exe")"

# One byte in the middle of the image changes: the signature no longer covers the file.
cp "$signed" "$work/b/changed.exe"
size=$(stat -c %s "$work/b/changed.exe")
offset=$((size / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$work/b/changed.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" |
  dd of="$work/b/changed.exe" bs=1 seek="$offset" conv=notrunc status=none
if osslsigncode verify -in "$work/b/changed.exe" -CAfile "$certs/cert.pem" >/dev/null 2>&1; then
  fail "a changed byte still verifies"
fi
echo "release builds are identical ($(cut -d' ' -f1 "$work/a/out/SHA256SUMS")); signing verifies; a changed byte fails"
