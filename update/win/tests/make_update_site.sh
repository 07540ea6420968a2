#!/usr/bin/env bash
# The files of the update tests' server, one folder a scenario, made as a
# publisher makes them: make_dist.sh signs this build's and the next build's
# update package with the tests' throwaway key, and each attack changes one
# thing of the next build's package.
#   make_update_site.sh BUILD-DIR DM_RELEASE SITE PORT VERSION FILE-VERSION-PREFIX BUILD
# BUILD-DIR holds bin/ (CRYPT.DLL, UNLHA32.DLL, drovenmk.chm) and test-key/
# (the key pair and the programs that trust it). Every address in a version
# file is http://127.0.0.1:PORT/now/...: the server maps /now/ to the
# scenario the test names (http_server.py --scenario-file).
set -euo pipefail
build_dir=$1 release=$2 site=$3 port=$4 version=$5 prefix=$6 build=$7
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/../../.." && pwd)
keys=$build_dir/test-key
next=$((build + 1))
base=http://127.0.0.1:$port/now
archive=drovenmk-$version-$next.lzh
mkdir -p "$site"
work=$site/.work
rm -rf "$work"
mkdir -p "$work"

package() {  # FOLDER BUILD [NOTES]: the update package of that build
  local bin=$work/bin-$2
  mkdir -p "$bin"
  cp "$build_dir/bin/CRYPT.DLL" "$build_dir/bin/UNLHA32.DLL" "$build_dir/bin/drovenmk.chm" \
     "$keys/bin-$2/drovenmk.exe" "$bin/"
  DM_SIGNING_KEY=$keys/release-test.pem DM_DIST_UPDATE_ONLY=1 \
    bash "$src/dist/make_dist.sh" "$release" "$bin" "$build_dir/app/drovenmk.ico" "$site/$1" "$version" \
      "$prefix.$2" "$2" "$base" "$keys/release-test.pub.pem" ${3:+"$3"} >/dev/null
}
resign() {  # FOLDER: its version.txt signed again with the trusted key
  bash "$src/dist/sign_version_file.sh" "$keys/release-test.pem" "$site/$1/version.txt" "$keys/release-test.pub.pem"
}
variant() {  # NAME: a copy of the genuine package to change
  rm -rf "$site/$1"
  cp -r "$site/genuine" "$site/$1"
}
archive_lines() {  # FOLDER: the version file's archive lines made to fit the archive there
  local size sha
  size=$(stat -c %s "$site/$1/$archive")
  sha=$(sha256sum "$site/$1/$archive" | cut -d' ' -f1)
  sed -i "s/^Archive-size: .*\r$/Archive-size: $size\r/; s/^Archive-sha256: .*\r$/Archive-sha256: $sha\r/" \
    "$site/$1/version.txt"
}

printf 'Drovenmark 2.11 の変更点\n\n・オンラインアップデートの試験版です。\n' > "$work/notes.txt"
package genuine "$next" "$work/notes.txt"
package current "$build"

# The version file edited after it was signed: the build raised by one.
variant edited
sed -i "s/^Build: $next\r$/Build: $((next + 1))\r/" "$site/edited/version.txt"
# Signed by a key the program does not trust.
variant otherkey
openssl ecparam -name prime256v1 -genkey -noout -out "$work/other.pem"
bash "$src/dist/sign_version_file.sh" "$work/other.pem" "$site/otherkey/version.txt"
# Another program under the signed archive's name: a copy of the next build
# given build 999, packed with CRYPT.DLL.
variant swapped
mkdir -p "$work/stub"
cp "$keys/bin-$next/drovenmk.exe" "$build_dir/bin/CRYPT.DLL" "$work/stub/"
python3 "$here/set_build.py" "$work/stub/drovenmk.exe" "$next" 999
rm "$site/swapped/$archive"
(cd "$work/stub" && jlha co6q "$site/swapped/$archive" drovenmk.exe CRYPT.DLL >/dev/null)
# The signed archive with one byte changed: the same size.
variant tampered
python3 - "$site/tampered/$archive" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 2] ^= 0x01
open(sys.argv[1], "wb").write(data)
PY
# This build's genuine archive under the next build's version file.
variant older
cp "$site/current/drovenmk-$version-$build.lzh" "$site/older/$archive"
# A signed archive that holds more than the signed files.
variant extra
mkdir -p "$work/extra"
(cd "$work/extra" && lhasa xq "$site/genuine/$archive" && printf 'stray\r\n' > VERSION.dll &&
  printf 'not signed\r\n' > marker.txt && rm "$site/extra/$archive" &&
  jlha co6q "$site/extra/$archive" ./* >/dev/null)
archive_lines extra
resign extra
# Signed, but without a build.
variant nobuild
sed -i "/^Build: /d" "$site/nobuild/version.txt"
resign nobuild
# Signed, with the archive served by a misbehaving address.
for mode in endless stall short slow; do
  variant "$mode-archive"
  sed -i "s|^Url: $base/|Url: http://127.0.0.1:$port/$mode/$mode-archive/|" "$site/$mode-archive/version.txt"
  resign "$mode-archive"
done
# The hand-made package of before: no signature, no signed lines.
mkdir -p "$site/unsigned"
cp "$site/swapped/$archive" "$site/unsigned/"
printf '[Drovenmark]\r\nUrl: %s/%s\r\nVersion: 2.11\r\nBuild: %s\r\n' "$base" "$archive" "$next" \
  > "$site/unsigned/version.txt"

# Another extractor must read the archives whole before the program is given them.
for f in genuine extra swapped; do
  lhasa t "$site/$f/$archive" >/dev/null || { echo "lhasa refuses $site/$f/$archive"; exit 1; }
done
rm -rf "$work"
echo "update site in $site"
