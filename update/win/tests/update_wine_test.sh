#!/usr/bin/env bash
# The online update through the real program under Wine, against a loopback
# HTTP server this script starts and stops: the server is started on a free
# port, make_update_site.sh signs the packages it serves (with the tests'
# throwaway key, which only the test-key programs trust), the Wine tests run
# and the server ends.
#   update_wine_test.sh WINEBED TESTS BUILD-DIR SCRATCH DM_RELEASE VERSION FILE-VERSION-PREFIX BUILD [gtest args]
set -euo pipefail
winebed=$(realpath "$1")
tests=$(realpath "$2")
build_dir=$(realpath "$3")
work=$4 release=$5 version=$6 prefix=$7 build=$8
shift 8
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
mkdir -p "$work/www"
work=$(cd "$work" && pwd)
cd "$work"  # no Wine program runs in the source tree

printf 'ok/genuine\n' > "$work/scenario"
python3 "$here/http_server.py" --root "$work/www" --port-file "$work/port" --log "$work/requests.log" \
  --scenario-file "$work/scenario" --lifetime 1500 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || { echo "the test server did not start"; exit 1; }
port=$(cat "$work/port")
start=$(date +%s.%N)
bash "$here/make_update_site.sh" "$build_dir" "$release" "$work/www" "$port" "$version" "$prefix" "$build"
echo "the site took $(echo "$(date +%s.%N) - $start" | bc) s"

export DM_TEST_HTTP_PORT=$port
export DM_TEST_HTTP_LOG=$work/requests.log
export DM_TEST_SCENARIO_FILE=$work/scenario
export DM_TEST_KEY_BIN=$build_dir/test-key/bin-$build
export DM_TEST_NEXT_BUILD=$((build + 1))
export DM_TEST_VERSION=$version
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
"$winebed" run wine "$tests" "$@"
