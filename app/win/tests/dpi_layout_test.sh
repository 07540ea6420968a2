#!/usr/bin/env bash
# The layout test at 144 and 192 DPI (app_dpi_layout_tests.exe), in a Wine
# prefix of its own, since the test sets the prefix's DPI (LogPixels); with
# its own copy of the program, beside which the day's log of its test run
# lies, and a loopback HTTP server offering a newer build, for the update
# windows.
#
#   dpi_layout_test.sh BUILD_DIR     (build/win)
set -euo pipefail
build=$(cd "$1" && pwd)
shift
repo=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/dpi-layout
rm -rf "$work/bin" "$work/www" "$work/cwd"
mkdir -p "$work/bin" "$work/www/ok" "$work/cwd"
for file in drovenmk.exe CRYPT.DLL UNLHA32.DLL app_dpi_layout_tests.exe layout_probe.dll; do
  cp "$build/bin/$file" "$work/bin/"
done
# The prefix stays between runs: making one takes a while.
export DM_WINE_ROOT=$work/wine

# The newer build: its details text (Shift-JIS) and an archive that comes slowly.
{
  printf '[Drovenmark]\r\nVersion: 2.11\r\nBuild: 411\r\n'
  printf 'Url: {base}/slow/drovenmk-2.11-411.lzh\r\nInfo: {base}/ok/drovenmk-2.11-411.txt\r\n'
} >"$work/www/version.txt"
printf 'Drovenmark 2.11 (411) の変更点\r\n・高解像度の画面でも文字がくっきり表示されます。\r\n' |
  iconv -f UTF-8 -t CP932 >"$work/www/drovenmk-2.11-411.txt"
head -c 204800 /dev/zero >"$work/www/drovenmk-2.11-411.lzh"

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
