#!/usr/bin/env bash
# Screenshots of the installer's pages, in Japanese, on a virtual display and
# in a Wine prefix of their own: the welcome page, the folder page, the
# installation's progress and the finish page; then the uninstaller's
# confirmation and its choice page. Saves build/screenshots/installer-*.png.
#   show_installer.sh DIST-FOLDER   (where make dist put the installer)
set -euo pipefail
setup=$(ls "$(realpath "$1")"/drovenmk-*-setup.exe | head -1)
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup-debian.sh --screenshots
if [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
work=$root/build/show-installer
rm -rf "$work"
mkdir -p "$work"
cd "$work"  # no Wine program runs in the source tree
export DM_WINE_ROOT=$work/wine
bed() { "$root/scripts/winebed" "$@"; }
shots=$root/build/screenshots
mkdir -p "$shots"
bed init
# The installer's way to its next page: WM_USER + 8 with 1 to the window.
# The caption is read again each time: the pages after the first add a blank.
next_page() { post -to "$(caption "$1")" 0x0111 1; }
post() { bed run wine "$root/build/win/bin/dmpost.exe" "$@" || echo "dmpost $* failed"; }
# The window whose caption holds TEXT, by its full caption.
caption() { for _ in $(seq 50); do xdotool search --name "$1" getwindowname 2>/dev/null | head -1 && return; sleep 0.2; done; }
shot() { sleep "$2"; import -window root "$shots/installer-$1.png"; }

bed run wine "$setup" &
app=$!
sleep 4
key=セットアップ
echo "installer window: $(caption $key)"
shot 1-welcome 1
next_page "$key"     # 次へ
shot 2-folder 2
next_page "$key"     # インストール
shot 3-progress 0.3
sleep 5
shot 4-finish 0
next_page "$key"     # 完了 (the ticked box starts the program)
wait "$app" 2>/dev/null || true
sleep 4
bed run wineserver -k || true
sleep 1
installed=$(bed run wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')
bed run wine "$installed\\Programs\\Drovenmark\\uninstall.exe" &
sleep 4
key=アンインストール
echo "uninstaller window: $(caption $key)"
shot 5-uninstall-confirm 1
next_page "$key"     # 次へ
shot 6-uninstall-choice 2
post -to "$(caption $key)" 0x0111 2     # キャンセル
sleep 2
bed run wineserver -k || true
echo "screenshots: $shots/installer-*.png"
