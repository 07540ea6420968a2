#!/usr/bin/env bash
# Screenshots of the options dialog's three pages and of the administrator
# lock's password prompt, on a virtual display: build/screenshots/
# options-page-1.png to -3.png and lock-prompt.png.
source "$(dirname "$0")/show_common.sh"
# Every Wine program starts in the demo's scratch folder, never here.
in_demo() { (cd build/demo && "$@"); }
lock() { in_demo bed run wine reg add 'HKLM\Software\Quorvanta\Drovenmark' /v OptionPassword /t REG_DWORD /d "$1" /f >/dev/null; }

in_demo bed run wine "$program" 'D:\sample.dmk' &
sleep 6
post 0x0111 112             # WM_COMMAND ToolButtonOption
sleep 3
for page in 0 1 2; do
  post -to オプション 0x8021 $page
  sleep 1
  import -window root "$shots/options-page-$((page + 1)).png"
done
post -to オプション 0x0111 2   # IDCANCEL
sleep 1
post 0x0010                 # WM_CLOSE
wait || true

# The lock: started in the tray with the password on, then a click on the icon.
lock 1
in_demo bed run wine "$program" -i 'D:\sample.dmk' &
sleep 6
post 0x0401 1 0x0201        # the tray icon's left button
sleep 2
import -window root "$shots/lock-prompt.png"
post -to Drovenmark 0x0111 2  # the prompt's キャンセル
sleep 1
post 0x0010
wait || true
lock 0                      # the program wrote the lock back at exit; make show needs the tray menu
echo "screenshots: $shots/options-page-[1-3].png $shots/lock-prompt.png"
