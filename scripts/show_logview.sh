#!/usr/bin/env bash
# Screenshots of the log viewer and the help window. A copy of the program
# in build/show-logview runs the demo's sample set once at the detailed
# log level (so its folder holds today's real log) beside two earlier days;
# then the viewer is opened on the latest day and on the day before, and
# the help's contents are shown. Runs on a virtual display and saves
# build/screenshots/logview.png, logview-earlier.png and help.png.
source "$(dirname "$0")/show_common.sh"
work=$root/build/show-logview
rm -rf "$work"
mkdir -p "$work"
cp build/win/bin/drovenmk.exe build/win/bin/drovenmk.chm build/win/bin/CRYPT.DLL "$work/"
program="$work/drovenmk.exe"
in_work() { (cd "$work" && bed run wine "$@"); }
post() { in_work "$root/build/win/bin/dmpost.exe" "$@"; }

key='HKLM\Software\Quorvanta\Drovenmark'
# No window manager runs on the virtual display: Wine draws the frames and
# captions itself, so that the screenshots show them.
in_work reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
for value in OptionLogSave:3 OptionLogView:3 OptionAutoSave:0; do
  in_work reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null
done
# Two earlier days in the file's own form, one of them with an error and an abort.
python3 - "$work" <<'PY'
import sys
folder = sys.argv[1]
def line(kind, title, time, text):
    raw = title.encode("cp932")
    return b"%2d, " % kind + raw + b" " * max(0, 20 - len(raw)) + b", " + time.encode() + b", " + text.encode("cp932") + b"\r\n"
days = {
    "20071229.log": [(2, "手動バックアップ開始", "18:02:11", "2007/12/29 18:02:11"),
                     (13, "【文書のバックアップ】", "18:02:11", r"D:\source\文書 --> D:\backup\文書"),
                     (7, "更新コピー", "18:02:12", r"D:\backup\文書\報告書.txt"),
                     (0, "手動バックアップ終了", "18:02:12", "2007/12/29 18:02:12( 新規:0  更新:1  エラー:0 )")],
    "20071230.log": [(2, "自動バックアップ開始", "03:15:00", "2007/12/30 3:15:00 毎日"),
                     (13, "【文書のバックアップ】", "03:15:00", r"D:\source\文書 --> E:\backup\文書"),
                     (1, "エラー", "03:15:01", "ボリュームラベルが違います。E:\\backup\\文書"),
                     (13, "【写真のバックアップ】", "03:15:01", r"D:\source\写真 --> D:\backup\写真"),
                     (6, "新規コピー", "03:15:02", r"D:\backup\写真\2007\0103.jpg"),
                     (1, "エラー", "03:15:03", r"ファイルの新規コピーに失敗しました。D:\backup\写真\2007\0104.jpg"),
                     (13, "通知", "03:15:03", "(32) プロセスはファイルにアクセスできません。別のプロセスが使用中です。"),
                     (3, "処理中止", "03:15:04", "ユーザーの操作でバックアップを中止しました。"),
                     (0, "自動バックアップ終了", "03:15:04", "2007/12/30 3:15:04( 新規:1  更新:0  エラー:1 )")],
}
for name, lines in days.items():
    with open(f"{folder}/{name}", "wb") as out:
        for entry in lines:
            out.write(line(*entry))
PY
# Today's log, written by the program itself.
in_work "$program" -h '-a=D:\sample.dmk' || true

in_work "$program" &
sleep 6
post TodayLogViewMenu
sleep 3
import -window root "$shots/logview.png"
xdotool key Up             # the day before, chosen from the keyboard
sleep 2
import -window root "$shots/logview-earlier.png"
post -to バックアップログ 0x0111 2   # IDCANCEL
sleep 1
post HelpContentsMenu
sleep 5
import -window root "$shots/help.png"
post 0x0010                # WM_CLOSE: the help window closes with the program
wait || true
echo "screenshots: $shots/logview.png $shots/logview-earlier.png $shots/help.png"
