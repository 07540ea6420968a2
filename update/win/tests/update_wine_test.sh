#!/usr/bin/env bash
# The online update through the real program under Wine, against a loopback
# HTTP server this script starts and stops: it builds the server's files (a
# newer copy of the program with build 411 and a marker file, packed into an
# LZH archive), starts the server on a free port, runs the Wine tests and
# ends the server.
# Arguments: the winebed script, update_win_tests.exe, the folder of the
# Windows binaries, a scratch folder. Extra arguments go to the tests.
set -euo pipefail
winebed=$(realpath "$1")
tests=$(realpath "$2")
bin=$(realpath "$3")
work=$4
shift 4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"  # no Wine program runs in the source tree

bash "$here/make_update_site.sh" "$bin" "$work/www" "$work/new"

python3 "$here/http_server.py" --root "$work/www" --port-file "$work/port" --log "$work/requests.log" \
  --lifetime 1500 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || { echo "the test server did not start"; exit 1; }

export DM_TEST_HTTP_PORT=$(cat "$work/port")
export DM_TEST_HTTP_LOG=$work/requests.log
export DM_TEST_NEW_PROGRAM=$work/new
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
"$winebed" run wine "$tests" "$@"
