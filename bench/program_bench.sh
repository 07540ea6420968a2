#!/usr/bin/env bash
# The whole program against xcopy and against the floor of any copying
# program (floor_copy.exe: a walk and CopyFileW on two threads), all three
# started the same way from the command line (xvfb-run -a wine ...) on one
# generated tree: a first copy, then a run where nothing changed. Each
# figure is the best of RUNS rounds (2).
#   FILES (20000), FOLDERS (2000), MB (90) size the tree; PROGRAM_DIR (build/win/bin)
#   names another build's drovenmk.exe and CRYPT.DLL, to compare two versions.
# The tree lives in memory when it can (see bench_common.sh), since the
# disk's noise would drown the differences measured here.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
files=${FILES:-20000}
folders=${FOLDERS:-2000}
megabytes=${MB:-90}
runs=${RUNS:-2}
work=$root/build/bench-program
export DM_WINE_ROOT=$work/wine   # its own prefix: the options below stay here
bed() { "$root/scripts/winebed" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
source bench/bench_common.sh

tree=$(tree_folder drovenmark-bench-program $((megabytes * 5 * 1024)) "$work/tree")
rm -rf "$tree"
mkdir -p "$tree/src" "$work/cwd"
trap 'rm -rf "$tree"' EXIT
echo "tree in $tree"
python3 bench/make_tree.py "$tree/src" "$files" "$folders" "$megabytes"
src=$(winpath "$tree/src")
# The program's own copy, so its daily log stays in the bench folder.
mkdir -p "$work/bin"
program_dir=${PROGRAM_DIR:-build/win/bin}
cp "$program_dir/drovenmk.exe" "$program_dir/CRYPT.DLL" build/win/bin/floor_copy.exe "$work/bin/"
python3 - "$tree/bench.dmk" "$src" "$(winpath "$tree/dst-program")" <<'PY'
import sys
path, src, dst = sys.argv[1:4]
lines = ["##Drovenmark1##", "", "[bench]", "Checked=1", "Src=" + src, "Dst=" + dst, "Update=0", "Filter=",
         "Mirror=1", "SubDir=1", "AllCopy=0", ""]
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
PY
key='HKLM\Software\Quorvanta\Drovenmark'
for value in OptionPriority:3 OptionLogView:2 OptionLogSave:2 OptionStatusView:0 OptionStatusWholeProgress:0; do
  (cd "$work/cwd" && bed run wine reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null)
done

# timed COMMAND...: seconds from start to end, started as a user would.
timed() {
  local t0; t0=$(now)
  (cd "$work/cwd" && xvfb-run -a "$root/scripts/winebed" run wine "$@" >/dev/null 2>&1) || true
  echo "$(now) - $t0" | bc
}

p1=(); p2=(); x1=(); x2=(); f1=()
for r in $(seq "$runs"); do
  rm -rf "$tree/dst-program" "$tree/dst-xcopy" "$tree/dst-floor"
  t=$(timed "$work/bin/drovenmk.exe" -h "-a=$(winpath "$tree/bench.dmk")"); echo "program first run:     $t s"; p1+=("$t")
  t=$(timed "$work/bin/drovenmk.exe" -h "-a=$(winpath "$tree/bench.dmk")"); echo "program no-change run: $t s"; p2+=("$t")
  t=$(timed xcopy "$src" "$(winpath "$tree/dst-xcopy")" /E /D /Y /I /H /K); echo "xcopy first copy:      $t s"; x1+=("$t")
  t=$(timed xcopy "$src" "$(winpath "$tree/dst-xcopy")" /E /D /Y /I /H /K); echo "xcopy /D no-change:    $t s"; x2+=("$t")
  t=$(timed "$work/bin/floor_copy.exe" "$src" "$(winpath "$tree/dst-floor")"); echo "floor first copy:      $t s"; f1+=("$t")
done
copied=$(find "$tree/dst-program" -type f | wc -l)
echo "== whole programs, best of $runs (seconds); the program copied $copied files"
echo "program first $(best "${p1[@]}"), no-change $(best "${p2[@]}")"
echo "xcopy first $(best "${x1[@]}"), no-change $(best "${x2[@]}")"
echo "floor first $(best "${f1[@]}")"
echo "== ratios (goals: first / floor <= 1.15, first / xcopy <= 0.70, no-change / xcopy /D <= 0.30)"
echo "program first / floor:          $(ratio "$(best "${p1[@]}")" "$(best "${f1[@]}")")"
echo "program first / xcopy:          $(ratio "$(best "${p1[@]}")" "$(best "${x1[@]}")")"
echo "program no-change / xcopy /D:   $(ratio "$(best "${p2[@]}")" "$(best "${x2[@]}")")"
