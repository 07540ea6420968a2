#!/usr/bin/env bash
# Signs a version file with the release key:
#   sign_version_file.sh PRIVATE-KEY FILE [PUBLIC-KEY]
# writes FILE.sig, the 64 bytes r||s of the ECDSA P-256 signature over
# SHA-256 of FILE's exact bytes, as the program verifies it (openssl writes
# the signature as DER, which the platform's verifier does not take). With
# PUBLIC-KEY, the signature is checked against it before it is kept.
set -euo pipefail
key=$1 file=$2 public=${3:-}
der=$(mktemp)
trap 'rm -f "$der"' EXIT
openssl dgst -sha256 -sign "$key" -out "$der" "$file"
if [ -n "$public" ]; then
  openssl dgst -sha256 -verify "$public" -signature "$der" "$file" >/dev/null ||
    { echo "sign_version_file.sh: the signature does not verify with $public" >&2; exit 1; }
fi
python3 - "$der" "$file.sig" <<'PY'
import sys
der = open(sys.argv[1], "rb").read()

def integer(at):
    if der[at] != 0x02:
        sys.exit("sign_version_file.sh: not a DER signature")
    length = der[at + 1]
    value = der[at + 2:at + 2 + length].lstrip(b"\0")
    if len(value) > 32:
        sys.exit("sign_version_file.sh: not a P-256 signature")
    return value.rjust(32, b"\0"), at + 2 + length

if der[0] != 0x30 or der[1] != len(der) - 2:
    sys.exit("sign_version_file.sh: not a DER signature")
r, at = integer(2)
s, at = integer(at)
if at != len(der):
    sys.exit("sign_version_file.sh: not a DER signature")
open(sys.argv[2], "wb").write(r + s)
PY
