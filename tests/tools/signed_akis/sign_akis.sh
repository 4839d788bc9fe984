#!/usr/bin/env bash
# sign_akis.sh OUT_DIR X64_DLL X86_DLL
# Throwaway Authenticode signatures for the signature tests, made at build time and trusted nowhere but in the
# test prefix (the tests add trusted-root.cer to its machine root store and remove it again):
#   x64-trusted.dll    X64_DLL signed by a leaf of trusted-root.cer
#   x64-untrusted.dll  X64_DLL signed by a leaf of another root that nothing trusts
#   x64-changed.dll    x64-trusted.dll with one byte of its code changed after signing
#   x64-expired.dll    X64_DLL signed by a leaf of trusted-root.cer that expired in 2020, without a time stamp
#   x86-trusted.dll    X86_DLL signed like x64-trusted.dll (an older version: replaced, but its signature reported)
set -euo pipefail
out=$1
x64=$2
x86=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/tavlun-sign.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cd "$work"

root() {  # name common-name
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 30 -utf8 -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >leaf.ext
leaf() {  # name common-name root
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -utf8 -subj "/CN=$2/O=$2" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -out "$1.pem" -days 20 \
    -extfile leaf.ext 2>/dev/null
  cat "$1.pem" "$3.pem" >"$1.chain.pem"
}
sign() {  # leaf in out
  osslsigncode sign -certs "$1.chain.pem" -key "$1.key" -h sha256 -in "$2" -out "$3" >/dev/null
}

root trusted-root "Tavlun Deneme Kökü"
root other-root "Tavlun Bilinmeyen Kök"
leaf signer "Tavlun Deneme İmzacısı A.Ş." trusted-root
leaf stranger "Tavlun Yabancı İmzacı" other-root

# A leaf that expired long ago: `openssl ca` is the tool that sets both dates.
mkdir ca && touch ca/index.txt && echo 1000 >ca/serial
cat >ca.cnf <<CNF
[ca]
default_ca=c
[c]
dir=$work/ca
database=\$dir/index.txt
new_certs_dir=\$dir
serial=\$dir/serial
default_md=sha256
policy=p
copy_extensions=none
[p]
commonName=supplied
organizationName=optional
[ext]
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
CNF
openssl req -newkey rsa:2048 -nodes -keyout expired.key -out expired.csr -utf8 \
  -subj "/CN=Tavlun Süresi Dolmuş İmzacı" 2>/dev/null
openssl ca -batch -utf8 -config ca.cnf -cert trusted-root.pem -keyfile trusted-root.key -in expired.csr \
  -out expired.pem -startdate 20200101000000Z -enddate 20200201000000Z -extensions ext -notext >/dev/null 2>&1
cat expired.pem trusted-root.pem >expired.chain.pem

sign signer "$x64" "$out/x64-trusted.dll"
sign stranger "$x64" "$out/x64-untrusted.dll"
sign expired "$x64" "$out/x64-expired.dll"
sign signer "$x86" "$out/x86-trusted.dll"
# One byte inside the first section's raw data (at its file offset + 16) changes after signing.
cp "$out/x64-trusted.dll" "$out/x64-changed.dll"
section=$(( $(od -An -tu4 -j 60 -N4 "$out/x64-changed.dll") ))
optional_size=$(( $(od -An -tu2 -j $((section + 20)) -N2 "$out/x64-changed.dll") ))
raw=$(( $(od -An -tu4 -j $((section + 24 + optional_size + 20)) -N4 "$out/x64-changed.dll") + 16 ))
byte=$(( $(od -An -tu1 -j "$raw" -N1 "$out/x64-changed.dll") ))
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$out/x64-changed.dll" bs=1 seek="$raw" conv=notrunc status=none
openssl x509 -in trusted-root.pem -outform DER -out "$out/trusted-root.cer"
