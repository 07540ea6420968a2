#!/usr/bin/env bash
# The release files under Wine, one case per call, each in a fresh prefix:
#   release_wine_test.sh CASE TESTS BUILD-DIR DM_RELEASE VERSION FILE-VERSION-PREFIX BUILD
# Package    this build's installer, signed with a throwaway Authenticode
#            certificate (for the others): without SIGNING_KEY no update
#            package is made, and a key the program does not trust is
#            refused; then a signed package of the tests' key, its archive
#            checked with lhasa and its signature with openssl
#            and the next build's installer (for Upgrade)
# Install    a silent install, the installed program's run and about box,
#            the installed files' Authenticode signatures, a silent install
#            again while the program runs, the next build's while a library
#            is held open
# Uninstall  a silent uninstall next to the user's own files, while the
#            program runs
# Upgrade    the next build's installer through its pages while this
#            build runs, then the uninstaller while the next one runs
# Update     this build (trusting the tests' key) installed, then updated
#            to the next build from a loopback HTTP server serving the next
#            build's signed package
set -euo pipefail
case_name=$1 tests=$(realpath "$2") build_dir=$(realpath "$3") release=$4
version=$5 prefix=$6 build=$7
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
work=$build_dir/release-test
keys=$build_dir/test-key
base=https://www.quorvanta.example/drovenmark
make_dist() {  # BIN OUT BUILD BASE TRUSTED-KEY
  bash "$src/dist/make_dist.sh" "$release" "$1" "$build_dir/app/drovenmk.ico" "$2" "$version" "$prefix.$3" "$3" "$4" "$5"
}
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
check_archive() {  # a second extractor must read every entry
  lhasa t "$1" >/dev/null || { echo "lhasa refuses $1"; exit 1; }
  lhasa v "$1" | grep -q -- '-lh[567]-' || { echo "$1 is not compressed"; exit 1; }
}
program_files() {  # BIN FOLDER: a folder with the release's files, BIN's program
  mkdir -p "$2"
  cp "$build_dir/bin/CRYPT.DLL" "$build_dir/bin/UNLHA32.DLL" "$build_dir/bin/drovenmk.chm" "$1/drovenmk.exe" "$2/"
}
verify_authenticode() {  # FILE...
  for f in "$@"; do
    osslsigncode verify -CAfile "$work/code-signing.pem" -in "$f" >/dev/null 2>&1 ||
      { echo "no valid Authenticode signature: $f"; exit 1; }
  done
  echo "Authenticode signatures verified: $*"
}

if [ "$case_name" = Package ]; then
  rm -rf "$work"
  mkdir -p "$work"
  # A throwaway code-signing certificate.
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/code-signing.key" -out "$work/code-signing.pem" \
    -days 2 -subj "/CN=Drovenmark test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
  openssl pkcs12 -export -inkey "$work/code-signing.key" -in "$work/code-signing.pem" -out "$work/code-signing.pfx" \
    -passout pass:throwaway-pass
  export DM_AUTHENTICODE_PFX=$work/code-signing.pfx DM_AUTHENTICODE_PASSWORD=throwaway-pass
  # This build, without the release key: the installer, and no update package.
  make_dist "$build_dir/bin" "$work/dist" "$build" "$base" "$src/dist/release-key.pub.pem" 2> "$work/dist.err"
  cat "$work/dist.err"
  grep -q "No update package: SIGNING_KEY=FILE" "$work/dist.err" || { echo "no reason given"; exit 1; }
  [ -f "$work/dist/drovenmk-$version-setup.exe" ] || { echo "no installer"; exit 1; }
  for f in version.txt version.txt.sig "drovenmk-$version-$build.lzh"; do
    [ ! -e "$work/dist/$f" ] || { echo "$f made without the release key"; exit 1; }
  done
  verify_authenticode "$work/dist/drovenmk-$version-setup.exe"
  # A key the program does not trust signs nothing.
  if DM_SIGNING_KEY=$keys/release-test.pem make_dist "$build_dir/bin" "$work/refused" "$build" "$base" \
       "$src/dist/release-key.pub.pem" 2> "$work/refused.err"; then
    echo "a package signed by a key the program does not trust was made"; exit 1
  fi
  grep -q "SIGNING_KEY is not the release key the program trusts" "$work/refused.err" || { cat "$work/refused.err"; exit 1; }
  [ ! -e "$work/refused/version.txt" ] || { echo "version.txt made with the wrong key"; exit 1; }
  # The tests' program with the tests' key: the whole package.
  program_files "$keys/bin-$build" "$work/test-key-bin"
  DM_SIGNING_KEY=$keys/release-test.pem make_dist "$work/test-key-bin" "$work/signed" "$build" "$base" \
    "$keys/release-test.pub.pem"
  check_archive "$work/signed/drovenmk-$version-$build.lzh"
  lhasa v "$work/signed/drovenmk-$version-$build.lzh"
  iconv -f CP932 -t UTF-8 "$work/signed/drovenmk-$version-$build.txt" >/dev/null
  [ "$(stat -c %s "$work/signed/version.txt.sig")" = 64 ] || { echo "version.txt.sig is not 64 bytes"; exit 1; }
  cat "$work/signed/version.txt"
  # The next build's installer, unsigned, so what it installs is byte for
  # byte the next build's files.
  program_files "$keys/bin-$((build + 1))" "$work/next-bin"
  DM_AUTHENTICODE_PFX= make_dist "$work/next-bin" "$work/dist-next" $((build + 1)) "$base" \
    "$src/dist/release-key.pub.pem" 2>/dev/null
  exit 0
fi

here=$work/$case_name
rm -rf "$here"
mkdir -p "$here"
cd "$here"  # no Wine program runs in the source tree
export DM_WINE_ROOT=$here/wine
bed() { "$src/scripts/winebed" "$@"; }
export DM_TEST_INSTALLER=$(winpath "$work/dist/drovenmk-$version-setup.exe")
export DM_TEST_VERSION=$version DM_TEST_BUILD=$build DM_TEST_FILE_VERSION_PREFIX=$prefix
export DM_TEST_NEXT_INSTALLER=$(winpath "$work/dist-next/drovenmk-$version-setup.exe")

server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null || true' EXIT
case "$case_name" in
  Install)
    mkdir -p "$here/drive/source/文書" "$here/drive/source/写真"
    printf '四半期の報告書\r\n' > "$here/drive/source/文書/報告書.txt"
    printf 'JPEG%.0s' $(seq 100) > "$here/drive/source/写真/0101.jpg"
    cp "$src/demo/sample.dmk" "$here/drive/sample.dmk"
    bed map D "$here/drive" DEMO 20071231
    ;;
  Upgrade)
    export DM_TEST_NEXT_BIN=$(winpath "$work/next-bin") DM_TEST_NEXT_BUILD=$((build + 1))
    ;;
  Update)
    next=$((build + 1))
    # This build as the tests' key lets it update: its installer, made
    # without the release key, carries no update package.
    program_files "$keys/bin-$build" "$here/this-bin"
    make_dist "$here/this-bin" "$here/this-dist" "$build" "$base" "$keys/release-test.pub.pem" 2>/dev/null
    export DM_TEST_INSTALLER=$(winpath "$here/this-dist/drovenmk-$version-setup.exe")
    program_files "$keys/bin-$next" "$here/www/next-bin"
    python3 "$src/update/win/tests/http_server.py" --root "$here/www" --port-file "$here/port" \
      --log "$here/requests.log" --lifetime 900 &
    server=$!
    for _ in $(seq 100); do [ -s "$here/port" ] && break; sleep 0.1; done
    [ -s "$here/port" ] || { echo "the test server did not start"; exit 1; }
    port=$(cat "$here/port")
    DM_SIGNING_KEY=$keys/release-test.pem make_dist "$here/www/next-bin" "$here/www/dist" "$next" \
      "http://127.0.0.1:$port/ok/dist" "$keys/release-test.pub.pem"
    check_archive "$here/www/dist/drovenmk-$version-$next.lzh"
    export DM_TEST_HTTP_PORT=$port DM_TEST_NEXT_BUILD=$next
    export DM_TEST_ARCHIVE=$(winpath "$here/www/dist/drovenmk-$version-$next.lzh")
    unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
    ;;
esac
bed init
start=$(date +%s.%N)
bed run wine "$tests" --gtest_filter="Release.$case_name"
bed run wineserver -w || true
echo "$case_name took $(echo "$(date +%s.%N) - $start" | bc) s after the prefix was made"
if [ "$case_name" = Install ]; then
  installed=$(find "$DM_WINE_ROOT" -type d -path '*Programs/Drovenmark' | head -1)
  verify_authenticode "$installed/drovenmk.exe" "$installed/CRYPT.DLL" "$installed/UNLHA32.DLL" \
    "$installed/uninstall.exe"
fi
[ "$case_name" != Update ] || cat "$here/requests.log"
