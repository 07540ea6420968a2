#!/usr/bin/env bash
# The release files under Wine, one case per call, each in a fresh prefix:
#   release_wine_test.sh CASE TESTS BUILD-DIR DM_RELEASE VERSION FILE-VERSION-PREFIX BUILD
# Package    makes this build's installer and update package (for the
#            others) and checks the archive with lhasa; and the next
#            build's installer (for Upgrade)
# Install    a silent install, the installed program's run and about box,
#            a silent install again while the program runs, the next
#            build's while a library is held open
# Uninstall  a silent uninstall next to the user's own files, while the
#            program runs
# Upgrade    the next build's installer through its pages while this
#            build runs, then the uninstaller while the next one runs
# Update     this build installed, then updated to the next build from a
#            loopback HTTP server serving the next build's package
set -euo pipefail
case_name=$1 tests=$(realpath "$2") build_dir=$(realpath "$3") release=$4
version=$5 prefix=$6 build=$7
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
work=$build_dir/release-test
base=https://www.quorvanta.example/drovenmark
make_dist() {  # BIN OUT BUILD BASE
  bash "$src/dist/make_dist.sh" "$release" "$1" "$build_dir/app/drovenmk.ico" "$2" "$version" "$prefix.$3" "$3" "$4"
}
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
check_archive() {  # a second extractor must read every entry
  lhasa t "$1" >/dev/null || { echo "lhasa refuses $1"; exit 1; }
  lhasa v "$1" | grep -q -- '-lh[567]-' || { echo "$1 is not compressed"; exit 1; }
}

if [ "$case_name" = Package ]; then
  rm -rf "$work"
  mkdir -p "$work"
  make_dist "$build_dir/bin" "$work/dist" "$build" "$base"
  check_archive "$work/dist/drovenmk-$version-$build.lzh"
  lhasa v "$work/dist/drovenmk-$version-$build.lzh"
  iconv -f CP932 -t UTF-8 "$work/dist/drovenmk-$version-$build.txt" >/dev/null
  mkdir -p "$work/next-bin"
  cp "$build_dir/bin/CRYPT.DLL" "$build_dir/bin/UNLHA32.DLL" "$build_dir/bin/drovenmk.chm" \
     "$build_dir/next-build/drovenmk.exe" "$work/next-bin/"
  make_dist "$work/next-bin" "$work/dist-next" $((build + 1)) "$base"
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

server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null || true' EXIT
export DM_TEST_NEXT_INSTALLER=$(winpath "$work/dist-next/drovenmk-$version-setup.exe")
case "$case_name" in
  Upgrade)
    export DM_TEST_NEXT_BIN=$(winpath "$work/next-bin") DM_TEST_NEXT_BUILD=$((build + 1))
    ;;
  Install)
    mkdir -p "$here/drive/source/文書" "$here/drive/source/写真"
    printf '四半期の報告書\r\n' > "$here/drive/source/文書/報告書.txt"
    printf 'JPEG%.0s' $(seq 100) > "$here/drive/source/写真/0101.jpg"
    cp "$src/demo/sample.dmk" "$here/drive/sample.dmk"
    bed map D "$here/drive" DEMO 20071231
    ;;
  Update)
    next=$((build + 1))
    mkdir -p "$here/www/next-bin"
    cp "$build_dir/bin/CRYPT.DLL" "$build_dir/bin/UNLHA32.DLL" "$build_dir/bin/drovenmk.chm" \
       "$build_dir/next-build/drovenmk.exe" "$here/www/next-bin/"
    python3 "$src/update/win/tests/http_server.py" --root "$here/www" --port-file "$here/port" \
      --log "$here/requests.log" --lifetime 900 &
    server=$!
    for _ in $(seq 100); do [ -s "$here/port" ] && break; sleep 0.1; done
    [ -s "$here/port" ] || { echo "the test server did not start"; exit 1; }
    port=$(cat "$here/port")
    make_dist "$here/www/next-bin" "$here/www/dist" "$next" "http://127.0.0.1:$port/ok/dist"
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
[ "$case_name" != Update ] || cat "$here/requests.log"
