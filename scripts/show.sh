#!/usr/bin/env bash
# Shows the program's window with the demo's sample set. With a display the
# window simply opens. Without one it runs on a virtual display and saves
# screenshots of the main window and of the tray menu in build/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Screenshots and clicks without a mouse need two more tools.
# The screenshot tools (ImageMagick's import, xdotool) come with the set-up.
bash scripts/setup-debian.sh --screenshots
[ -d build/demo/drive ] || bash scripts/demo.sh >/dev/null
export DM_WINE_ROOT=$root/build/demo-wine
bed() { "$root/scripts/winebed" "$@"; }
program="$root/build/win/bin/drovenmk.exe"

if [ -n "${DISPLAY:-}" ] && [ -z "${DM_IN_XVFB:-}" ]; then
  (cd build/demo && bed run wine "$program" 'D:\sample.dmk')
  exit 0
fi
if [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

shots=$root/build/screenshots
mkdir -p "$shots"
post() { (cd build/demo && bed run wine "$root/build/win/bin/dmpost.exe" "$@"); }
(cd build/demo && bed run wine "$program" 'D:\sample.dmk') &
sleep 6
post TestMenu              # a test run fills the status list and changes nothing
sleep 4
import -window root "$shots/main-window.png"
post 0x0112 0xF020         # WM_SYSCOMMAND SC_MINIMIZE: to the tray
sleep 1
xdotool mousemove 600 400
post 0x0401 1 0x0204       # the tray icon's right button
sleep 2
import -window root "$shots/tray-menu.png"
xdotool key Escape
post 0x0010                # WM_CLOSE
wait || true
echo "screenshots: $shots/main-window.png $shots/tray-menu.png"
