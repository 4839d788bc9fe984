#!/usr/bin/env bash
# release_tests.sh SOURCE_DIR
# Two release builds of the same sources, copied to two different folders, give identical bytes; the second is
# signed with a throwaway certificate and must verify, lose its signature back to the same bytes, and stop
# verifying after one changed byte; the unsigned release carries a checksum file that matches it. Both carry
# BUILDINFO with the same facts; an untracked file stops a release; files are world-readable under umask 077.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavlun-release-test.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Each copy is a checkout of its own: a release is made only from a committed tree.
copy_sources() {
  mkdir -p "$2"
  tar -C "$1" --exclude=./build --exclude='./build-*' --exclude=./.git -cf - . | tar -C "$2" -xf -
  git -C "$2" init -q
  git -C "$2" add -A
  git -C "$2" -c user.name=release-test -c user.email=release-test@invalid commit -q -m "release test"
}
copy_sources "$source_dir" "$work/a/src"
copy_sources "$source_dir" "$work/second-folder/with a blank/src"

# An untracked file would be built (the build globs its sources): refused before anything is built or written.
echo "// stray" >"$work/a/src/app/stray.cpp"
if "$work/a/src/scripts/release" --out "$work/dirty" 2>"$work/dirty.log"; then fail "a tree with an untracked file was released"; fi
grep -q "uncommitted or untracked" "$work/dirty.log" || fail "the refusal does not say why: $(cat "$work/dirty.log")"
[ ! -e "$work/dirty" ] || fail "the refused release wrote $work/dirty"
rm "$work/a/src/app/stray.cpp"

# A throwaway code-signing certificate, never trusted anywhere but here.
certs="$work/certs"
mkdir -p "$certs"
printf 'throwaway-%s\n' "$$" >"$certs/password"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$certs/key.pem" -out "$certs/cert.pem" -days 2 \
  -subj "/CN=Tavlun Yardimcisi test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$certs/key.pem" -in "$certs/cert.pem" -out "$certs/signer.p12" \
  -passout "file:$certs/password"

(umask 077 && "$work/a/src/scripts/release" --out "$work/a/out")
mkdir -p "$work/b"
"$work/second-folder/with a blank/src/scripts/release" --out "$work/b/out" --pkcs12 "$certs/signer.p12" \
  --password-file "$certs/password" --ca-file "$certs/cert.pem" 2>"$work/b/release.log" ||
  { cat "$work/b/release.log" >&2; fail "the signed release failed"; }
grep -q "WARNING: signing WITHOUT a time stamp" "$work/b/release.log" || fail "no warning about the missing time stamp"
for file in "$work/a/out/TavlunYardimcisi.exe" "$work/a/out/SHA256SUMS" "$work/a/out/BUILDINFO"; do
  [ "$(stat -c %a "$file")" = 644 ] || fail "$file is not world-readable under umask 077: $(stat -c %a "$file")"
done
[ "$(stat -c %a "$work/a/out")" = 755 ] || fail "the release folder is not world-readable under umask 077"

unsigned="$work/a/out/TavlunYardimcisi.exe"
signed="$work/b/out/TavlunYardimcisi.exe"
(cd "$work/a/out" && sha256sum -c --status SHA256SUMS) || fail "the unsigned release does not match its SHA256SUMS"
(cd "$work/b/out" && sha256sum -c --status SHA256SUMS) || fail "the signed release does not match its SHA256SUMS"

osslsigncode verify -in "$signed" -CAfile "$certs/cert.pem" >"$work/b/verify.log" 2>&1 ||
  fail "the signed release does not verify"
osslsigncode remove-signature -in "$signed" -out "$work/b/stripped.exe" >/dev/null
cmp -s "$unsigned" "$work/b/stripped.exe" ||
  fail "builds in different folders differ: $(sha256sum "$unsigned" "$work/b/stripped.exe")"
cmp -s "$unsigned" "$work/b/out/unsigned/TavlunYardimcisi.exe" || fail "the signed release carries another unsigned build"
[ "$(wc -l <"$work/b/out/SHA256SUMS")" -eq 2 ] || fail "the signed release's SHA256SUMS does not list both programs"

# BUILDINFO: the same build facts on both sides, the commit of each checkout, and the Authenticode digest that
# osslsigncode computes independently while verifying the signed program.
info() { sed -n "s/^$2=//p" "$1/BUILDINFO"; }
for key in version unsigned_sha256 authenticode_sha256 payload; do
  [ -n "$(info "$work/a/out" $key)" ] && [ "$(info "$work/a/out" $key)" = "$(info "$work/b/out" $key)" ] ||
    fail "BUILDINFO $key differs or is missing"
done
[ "$(info "$work/a/out" unsigned_sha256)" = "$(sha256sum "$unsigned" | cut -d' ' -f1)" ] || fail "unsigned_sha256 is wrong"
[ "$(info "$work/a/out" commit)" = "$(git -C "$work/a/src" rev-parse HEAD)" ] || fail "BUILDINFO names another commit"
[ "$(info "$work/a/out" signed)" = no ] && [ "$(info "$work/b/out" signed)" = yes ] || fail "BUILDINFO signed is wrong"
[ "$(info "$work/b/out" signed_sha256)" = "$(sha256sum "$signed" | cut -d' ' -f1)" ] || fail "signed_sha256 is wrong"
grep -q '^toolchain=g++-mingw-w64-i686-posix=[0-9]' "$work/a/out/BUILDINFO" || fail "BUILDINFO names no compiler version"
calculated=$(sed -n 's/^Calculated message digest *: *//p' "$work/b/verify.log" | tr -d ' ' | tr a-f A-F)
[ "$calculated" = "$(info "$work/a/out" authenticode_sha256)" ] ||
  fail "Authenticode digest $(info "$work/a/out" authenticode_sha256) is not osslsigncode's '$calculated'"

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
