#!/usr/bin/env bash
# The layout test at 144 and 192 DPI (app_dpi_layout_tests.exe), in a Wine
# prefix of its own, since the test sets the prefix's DPI (LogPixels); with
# its own copy of the program, beside which the day's log of its test run
# lies, and a loopback HTTP server offering a newer build, for the update
# windows. The program is the one that trusts the tests' release key, and
# the newer build's package is signed with it.
#
#   dpi_layout_test.sh BUILD_DIR DM_RELEASE VERSION FILE-VERSION-PREFIX BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
release=$2 version=$3 prefix=$4 this_build=$5
shift 5
next=$((this_build + 1))
repo=$(cd "$(dirname "$0")/../../.." && pwd)
keys=$build/test-key
work=$build/dpi-layout
rm -rf "$work/bin" "$work/www" "$work/cwd" "$work/next-bin"
mkdir -p "$work/bin" "$work/www" "$work/cwd" "$work/next-bin"
for file in CRYPT.DLL UNLHA32.DLL app_dpi_layout_tests.exe layout_probe.dll; do
  cp "$build/bin/$file" "$work/bin/"
done
cp "$keys/bin-$this_build/drovenmk.exe" "$work/bin/"
cp "$build/bin/CRYPT.DLL" "$build/bin/UNLHA32.DLL" "$build/bin/drovenmk.chm" "$keys/bin-$next/drovenmk.exe" \
   "$work/next-bin/"
# The prefix stays between runs: making one takes a while.
export DM_WINE_ROOT=$work/wine

rm -f "$work/port"
python3 "$repo/update/win/tests/http_server.py" --root "$work/www" --port-file "$work/port" \
  --log "$work/requests.log" --lifetime 600 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || { echo "the test server did not start"; exit 1; }
export DM_TEST_HTTP_PORT=$(cat "$work/port")

# The newer build's signed package; its archive and details come slowly.
printf 'Drovenmark の変更点\n・高解像度の画面でも文字がくっきり表示されます。\n' > "$work/notes.txt"
DM_SIGNING_KEY=$keys/release-test.pem DM_DIST_UPDATE_ONLY=1 \
  bash "$repo/dist/make_dist.sh" "$release" "$work/next-bin" "$build/app/drovenmk.ico" "$work/www" "$version" \
    "$prefix.$next" "$next" "http://127.0.0.1:$DM_TEST_HTTP_PORT/slow" "$keys/release-test.pub.pem" \
    "$work/notes.txt" >/dev/null
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY

# Each DPI on a virtual screen of the same size in inches (1280 x 1024 at
# 96 DPI), as a laptop of that scale has; never with the repository as the
# current directory.
cd "$work/cwd"
status=0
for dpi in 144 192; do
  screen="$((1280 * dpi / 96))x$((1024 * dpi / 96))x24"
  xvfb-run -a -s "-screen 0 $screen" "$repo/scripts/winebed" run wine "$work/bin/app_dpi_layout_tests.exe" \
    --gtest_filter="*At$dpi" "$@" || status=1
  # The prefix's processes (its desktop among them) ended with their screen.
  "$repo/scripts/winebed" run wineserver -k 2>/dev/null || true
done
exit $status
