#!/usr/bin/env bash
# Screenshots of the setting editor: the demo's sample set is opened, a
# setting added, and each of the four pages shown in turn. Runs on a
# virtual display and saves build/screenshots/editor-page-1.png to -4.png.
source "$(dirname "$0")/show_common.sh"

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
