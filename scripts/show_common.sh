# The common start of the screenshot scripts, sourced by each of them: the
# screenshot tools and the demo's drive are made ready, the script starts
# again on a virtual display, and these are set for it:
#   root     the repository
#   bed      scripts/winebed on the demo's Wine prefix
#   program  the program built in build/win/bin
#   shots    build/screenshots
#   post     dmpost.exe, started in the demo's scratch folder (never here)
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
post() { (cd "$root/build/demo" && bed run wine "$root/build/win/bin/dmpost.exe" "$@"); }
