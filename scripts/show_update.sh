#!/usr/bin/env bash
# Screenshots of the online update and the about box, on a virtual display:
# the question about a newer build, its details, the update window during a
# (slow) download from a loopback test server, and the about box. Saves
# build/screenshots/update-confirm.png, update-details.png,
# update-download.png and about.png.
source "$(dirname "$0")/show_common.sh"
work=$root/build/show-update
rm -rf "$work"
mkdir -p "$work"

# The server: a newer build, signed with the tests' key, whose archive comes
# slowly; the program shown is the build that trusts that key.
tests=$root/update/win/tests
mkdir -p "$work/www"
printf 'ok/slow-archive\n' > "$work/scenario"
python3 "$tests/http_server.py" --root "$work/www" --port-file "$work/port" --log "$work/requests.log" \
  --scenario-file "$work/scenario" --lifetime 300 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
version=$(sed -n 's/^set(DM_PRODUCT_VERSION "\(.*\)")$/\1/p' CMakeLists.txt)
build=$(sed -n 's/^DM_BUILD:STRING=//p' build/win/CMakeCache.txt)
bash "$tests/make_update_site.sh" "$root/build/win" "$root/build/native/dist/dm_release" "$work/www" "$port" \
  "$version" 2.1.0 "$build" >/dev/null
program="$root/build/win/test-key/bin-$build/drovenmk.exe"
cp "$root/build/win/bin/CRYPT.DLL" "$root/build/win/bin/UNLHA32.DLL" "$(dirname "$program")/"

key='HKLM\Software\Quorvanta\Drovenmark'
reg_sz() { (cd build/demo && bed run wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null); }
reg_dword() { (cd build/demo && bed run wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null); }
reg_sz UpdateSerchUrl "http://127.0.0.1:$port/now/version.txt"
reg_sz UpdateDownloadFolder 'C:\users\Public\DrovenmarkDownload'
reg_dword UpdateProxyEnabled 0
reg_sz UpdateProxyServer ''
reg_sz UpdateProxyPort 8080
reg_dword UpdateFinish 0
reg_dword UpdateConnectCheck 0

(cd build/demo && bed run wine "$program" 'D:\sample.dmk') &
app=$!
sleep 6
post UpdateMenu
sleep 5
import -window root "$shots/update-confirm.png"
post -to Drovenmark 0x0111 1103      # 詳細情報を表示(&I)
sleep 3
import -window root "$shots/update-details.png"
post -to 詳細情報 0x0111 1          # OK
sleep 1
post -to Drovenmark 0x0111 1         # はい(&Y)
sleep 5
import -window root "$shots/update-download.png"
post -to オンラインアップデート 0x0111 1   # 中止
sleep 2
post -to Drovenmark 0x0111 1         # the failed download's message
sleep 2
post AboutMenu
sleep 3
import -window root "$shots/about.png"
post -to バージョン情報 0x0111 1
sleep 1
post 0x0010                          # WM_CLOSE
wait "$app" 2>/dev/null || true
echo "screenshots: $shots/update-confirm.png $shots/update-details.png $shots/update-download.png $shots/about.png"
