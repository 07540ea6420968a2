#!/usr/bin/env bash
# The program's main job: a sample backup set (demo/sample.dmk) run from the
# command line, invisibly, as a scheduled task would run it:
#   drovenmk.exe -h -a=D:\sample.dmk
# D: is a folder of the build tree with a generated source tree. The script
# runs the set twice (first copy, then after changes) and prints the day's
# log lines of each run and what the backup holds.
set -euo pipefail
# Wine needs a display even for a hidden window: without one, a virtual one.
if [ -z "${DISPLAY:-}" ] && [ -z "${DM_IN_XVFB:-}" ]; then
  exec env DM_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
cd "$(dirname "$0")/.."
root=$PWD
demo=$root/build/demo
export DM_WINE_ROOT=$root/build/demo-wine   # its own Wine prefix and registry
bed() { "$root/scripts/winebed" "$@"; }
wine_in_demo() { (cd "$demo" && bed run wine "$@"); }

rm -rf "$demo"
mkdir -p "$demo/drive"
python3 - "$demo/drive/source" <<'PY'
import os, sys
root = sys.argv[1]
files = {
    "文書/報告書.txt": "四半期の報告書\r\n",
    "文書/ソ表能.txt": "二バイト目が 0x5C の名前\r\n",
    "文書/한국어.txt": "Shift-JIS にない名前\r\n",
    "文書/emoji😀.txt": "絵文字の名前\r\n",
    "文書/下書き.bak": "除外される\r\n",
    "文書/作業/メモ.txt": "サブフォルダ\r\n",
    "文書/temp/一時.txt": "除外フォルダ\r\n",
    "写真/2007/0101.jpg": "JPEG" * 100,
    "写真/2007/0102.jpg": "JPEG" * 200,
}
for name, text in files.items():
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("utf-8"))
PY
cp demo/sample.dmk "$demo/drive/sample.dmk"
bed map D "$demo/drive" DEMO 20071231

# Options for the demo: the daily log at the standard level.
key='HKLM\Software\Quorvanta\Drovenmark'
for value in OptionPriority:3 OptionLogView:2 OptionLogSave:2 OptionStatusView:0 OptionStatusWholeProgress:0; do
  wine_in_demo reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null
done

log="$root/build/win/bin/$(date +%Y%m%d).log"
run_set() {
  local before=0
  [ -f "$log" ] && before=$(stat -c %s "$log")
  echo "\$ drovenmk.exe -h -a=D:\\sample.dmk"
  set +e
  wine_in_demo "$root/build/win/bin/drovenmk.exe" -h '-a=D:\sample.dmk'
  local code=$?
  set -e
  echo "exit code: $code (0 success, 1 the run had errors, 2 the set could not be opened)"
  echo "-- the day's log ($(basename "$log")), this run's lines:"
  tail -c +$((before + 1)) "$log" | iconv -f CP932 -t UTF-8
}

echo "== first run: everything is new"
run_set
echo
echo "== second run: one file changed, one deleted from the source"
sleep 2
printf '改訂版\r\n' >> "$demo/drive/source/文書/報告書.txt"
rm "$demo/drive/source/文書/ソ表能.txt"
run_set
echo
echo "== what the backup holds"
(cd "$demo/drive/backup" && find . -type f | sort)
echo
echo "== the set file after the runs (Update values written back)"
iconv -f CP932 -t UTF-8 "$demo/drive/sample.dmk" | grep -E '^\[|^Update='
