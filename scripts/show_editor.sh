#!/usr/bin/env bash
# Screenshots of the setting editor: the demo's sample set is opened, a
# setting added, and each of the four pages shown in turn. Runs on a
# virtual display and saves build/screenshots/editor-page-1.png to -4.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# The screenshot tools (ImageMagick's import, xdotool) come with the set-up.
bash scripts/setup-debian.sh --screenshots
[ -d build/demo/drive ] || bash scripts/demo.sh >/dev/null
if [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
export DM_WINE_ROOT=$root/build/demo-wine
bed() { "$root/scripts/winebed" "$@"; }
program="$root/build/win/bin/drovenmk.exe"
shots=$root/build/screenshots
mkdir -p "$shots"
post() { (cd build/demo && bed run wine "$root/build/win/bin/dmpost.exe" "$@"); }

(cd build/demo && bed run wine "$program" 'D:\sample.dmk') &
sleep 6
post 0x0111 103             # WM_COMMAND ToolButtonAdd
sleep 3
for page in 0 1 2 3; do
  post -to 設定の追加 0x8020 $page
  sleep 1
  import -window root "$shots/editor-page-$((page + 1)).png"
done
post -to 設定の追加 0x0111 2   # IDCANCEL
sleep 1
post 0x0010                 # WM_CLOSE
wait || true
echo "screenshots: $shots/editor-page-[1-4].png"
