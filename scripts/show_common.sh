# The common start of the screenshot scripts, sourced by each of them: the
# screenshot tools and the demo's drive are made ready, the script starts
# again on a virtual display, and these are set for it:
#   root     the repository
#   bed      scripts/winebed on the demo's Wine prefix
#   program  the program built in build/win/bin
#   shots    build/screenshots
#   post     dmpost.exe, started in the demo's scratch folder (never here)
#   dpi      the DPI the windows are shown at: DM_DPI (96 by default), set as
#            the prefix's LogPixels, on a screen as many inches wide as the
#            usual 1024 x 768 one; the screenshots of another DPI than 96 go to
#            build/screenshots/dpi-DPI
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# The screenshot tools (ImageMagick's import, xdotool) come with the set-up.
bash scripts/setup-debian.sh --screenshots
[ -d build/demo/drive ] || bash scripts/demo.sh >/dev/null
if [ -z "${DM_IN_XVFB:-}" ]; then
  dpi=${DM_DPI:-96}
  exec env DM_IN_XVFB=1 xvfb-run -a -s "-screen 0 $((1024 * dpi / 96))x$((768 * dpi / 96))x24" bash "$0" "$@"
fi
export DM_WINE_ROOT=$root/build/demo-wine
bed() { "$root/scripts/winebed" "$@"; }
program="$root/build/win/bin/drovenmk.exe"
dpi=${DM_DPI:-96}
shots=$root/build/screenshots
[ -z "${DM_DPI:-}" ] || shots=$shots/dpi-$dpi
mkdir -p "$shots"
(cd build/demo && bed run wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null)
# At each DPI the main window opens as a new user's does, at two thirds of
# the screen (without one of its bounds the program takes them all anew).
if [ -n "${DM_DPI:-}" ]; then
  (cd build/demo && bed run wine reg delete 'HKLM\Software\Quorvanta\Drovenmark' /v WindowWidth /f >/dev/null 2>&1) || true
fi
post() { (cd "$root/build/demo" && bed run wine "$root/build/win/bin/dmpost.exe" "$@"); }
