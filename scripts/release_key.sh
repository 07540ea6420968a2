#!/usr/bin/env bash
# Makes a new release key pair (ECDSA P-256) for the online update:
#   release_key.sh KEYDIR TREE
# writes KEYDIR/drovenmark-release.pem (the private half, readable by its
# owner only) and KEYDIR/drovenmark-release.pub.pem. KEYDIR must lie outside
# TREE, the source tree, so the private half is never committed; an existing
# key is never overwritten.
set -euo pipefail
keydir=${1:-} tree=$(realpath "$2")
if [ -z "$keydir" ]; then
  echo "release_key.sh: name a folder outside the source tree: make release-key KEYDIR=/path/to/keys" >&2
  exit 1
fi
keydir=$(realpath -m "$keydir")
case "$keydir/" in
  "$tree"/*) echo "release_key.sh: $keydir lies inside the source tree; keep the private key elsewhere" >&2; exit 1 ;;
esac
mkdir -p "$keydir"
private=$keydir/drovenmark-release.pem public=$keydir/drovenmark-release.pub.pem
if [ -e "$private" ] || [ -e "$public" ]; then
  echo "release_key.sh: $keydir already holds a release key; it is left as it is" >&2
  exit 1
fi
(umask 077; openssl ecparam -name prime256v1 -genkey -noout -out "$private")
openssl ec -in "$private" -pubout -out "$public" 2>/dev/null
echo "The private half: $private (keep it safe and offline; never commit it)"
echo "The public half:  $public"
echo "Build with it:    make dist UPDATE_KEY=$public SIGNING_KEY=$private"
echo "or commit the public half as dist/release-key.pub.pem to make it the default."
