#!/usr/bin/env bash
# The main window during a run that reports every step (status level 3,
# status bar on) over FILES files (20000): how long the window takes to
# answer, how soon pause holds the copy, how soon abort ends the run.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a bash "$0" "$@"
fi
cd "$(dirname "$0")/.."
root=$PWD
files=${FILES:-20000}
work=$root/build/bench-window
export DM_WINE_ROOT=$work/wine   # its own prefix: the options below stay here
rm -rf "$work/tree"
mkdir -p "$work/tree/src"
python3 bench/make_tree.py "$work/tree/src" "$files" $((files / 10)) $((files / 400))
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
python3 - "$work/tree/bench.dmk" "$(winpath "$work/tree/src")" "$(winpath "$work/tree/dst")" <<'PY'
import sys
path, src, dst = sys.argv[1:4]
lines = ["##Drovenmark1##", "", "[bench]", "Checked=1", "Src=" + src, "Dst=" + dst, "Update=0", "Filter=",
         "Mirror=0", "SubDir=1", "AllCopy=0", ""]
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
PY
bed() { "$root/scripts/winebed" "$@"; }
key='HKLM\Software\Quorvanta\Drovenmark'
for value in OptionPriority:3 OptionLogView:3 OptionLogSave:0 OptionStatusView:1 OptionStatusWholeProgress:0; do
  (cd "$work" && bed run wine reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null)
done
(cd "$work" && bed run wine "$root/build/win/bin/window_bench.exe" "$(winpath "$work/tree/bench.dmk")" \
  "$(winpath "$work/tree/dst")")
