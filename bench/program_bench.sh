#!/usr/bin/env bash
# The whole program against xcopy and against the floors of any copying
# program, all started the same way from the command line (xvfb-run -a
# wine ...) on one generated tree: a first copy, then a run where nothing
# changed. The floors do the same work with nothing around it:
#   floor_copy.exe      a walk and CopyFileW on two threads;
#   floor_failsafe.exe  the same walk, each file copied to a temporary name
#                       and moved over its target (a first run that never
#                       leaves a half-written file cannot cost less);
#   floor_list.exe      both trees listed once and compared on one thread,
#                       run on the program's backup (a run where nothing
#                       changed cannot cost less);
#   floor_window.exe    one hidden window opened and closed: what starting
#                       any windowed program costs here beyond a program
#                       without one (the floors above open none).
# The fixed costs are timed too: the listing floor over two empty folders,
# the window floor, and the program over an empty source.
# Each time is the best of RUNS rounds (2); the program's peak memory is the
# largest of its rounds, taken by GNU time around its own process.
#   FILES (20000), FOLDERS (2000), MB (90) size the tree; FILE_KB=LOW-HIGH
#   (whole kilobytes, e.g. 1-8) draws each file's size evenly between them
#   instead of from MB; PROGRAM_DIR (build/win/bin) names another build's
#   drovenmk.exe and CRYPT.DLL, to compare two versions.
# The tree lives in memory when it can (see bench_common.sh), since the
# disk's noise would drown the differences measured here.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
files=${FILES:-20000}
folders=${FOLDERS:-2000}
megabytes=${MB:-90}
file_kb=${FILE_KB:-}
runs=${RUNS:-2}
work=$root/build/bench-program
export DM_WINE_ROOT=$work/wine   # its own prefix: the options below stay here
bed() { "$root/scripts/winebed" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
source bench/bench_common.sh

# The source and its four copies; in memory every file takes whole pages,
# up to one more than its size.
if [ -n "$file_kb" ]; then data_kb=$((files * ${file_kb##*-})); else data_kb=$((megabytes * 1024)); fi
tree=$(tree_folder drovenmark-bench-program $((5 * (data_kb + files * 4))) "$work/tree")
rm -rf "$tree"
mkdir -p "$tree/src" "$work/cwd"
trap 'rm -rf "$tree"' EXIT
echo "tree in $tree"
python3 bench/make_tree.py "$tree/src" "$files" "$folders" "$megabytes" ${file_kb:+"$file_kb"}
tree_files=$(find "$tree/src" -type f | wc -l)
src=$(winpath "$tree/src")
# The program's own copy, so its daily log stays in the bench folder.
mkdir -p "$work/bin"
program_dir=${PROGRAM_DIR:-build/win/bin}
cp "$program_dir/drovenmk.exe" "$program_dir/CRYPT.DLL" \
  build/win/bin/floor_copy.exe build/win/bin/floor_failsafe.exe build/win/bin/floor_list.exe \
  build/win/bin/floor_window.exe "$work/bin/"
# write_set FILE SOURCE DESTINATION: a set of one mirroring setting.
write_set() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, src, dst = sys.argv[1:4]
lines = ["##Drovenmark1##", "", "[bench]", "Checked=1", "Src=" + src, "Dst=" + dst, "Update=0", "Filter=",
         "Mirror=1", "SubDir=1", "AllCopy=0", ""]
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
PY
}
write_set "$tree/bench.dmk" "$src" "$(winpath "$tree/dst-program")"
mkdir -p "$tree/empty-src" "$tree/empty-dst"
write_set "$tree/empty.dmk" "$(winpath "$tree/empty-src")" "$(winpath "$tree/empty-dst")"
key='HKLM\Software\Quorvanta\Drovenmark'
for value in OptionPriority:3 OptionLogView:2 OptionLogSave:2 OptionStatusView:0 OptionStatusWholeProgress:0; do
  (cd "$work/cwd" && bed run wine reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null)
done

# GNU time stands where winebed starts wine, so the process it waits for is
# the Windows program itself: wine execs its loader and then the program in
# that one process, and the processes Wine starts are forked twice, never
# waited for. Bash's own "time" keyword gives no memory figure.
peak_file=$work/peak-kb
measure=()
if [ -x /usr/bin/time ]; then
  measure=(/usr/bin/time -f %M -o "$peak_file")
else
  echo "no /usr/bin/time (scripts/setup-debian.sh installs it): peak memory not measured"
fi

# timed COMMAND...: seconds from start to end, started as a user would. Its
# output stays in $work/output, its largest resident size (KB) in $peak_file.
timed() {
  local t0; t0=$(now)
  rm -f "$peak_file"
  (cd "$work/cwd" && xvfb-run -a "$root/scripts/winebed" run "${measure[@]}" wine "$@" >"$work/output" 2>/dev/null) \
    || true
  echo "$(now) - $t0" | bc
}
# The last command's output on one line (a console program's lines end in CR LF).
last_output() { tr -d '\r' <"$work/output" | tr '\n' ' ' | sed 's/ *$//'; }
# The last command's peak in KB; GNU time puts a line about a failed exit
# status before it. Nothing when it was not measured.
last_peak_kb() { if [ -s "$peak_file" ]; then tail -n 1 "$peak_file"; fi; }
megabytes_of() { if [ -n "$1" ]; then echo "scale=1; $1 / 1024" | bc; else echo "?"; fi; }
per_thousand_files() { echo "scale=3; $1 * 1000 / $tree_files" | bc; }

p1=(); p2=(); m1=(); m2=(); x1=(); x2=(); f1=(); s1=(); l2=(); e0=(); w0=(); pe=()
for r in $(seq "$runs"); do
  t=$(timed "$work/bin/floor_list.exe" "$(winpath "$tree/empty-src")" "$(winpath "$tree/empty-dst")")
  echo "listing floor, empty:  $t s"; e0+=("$t")
  t=$(timed "$work/bin/floor_window.exe"); echo "window floor:          $t s"; w0+=("$t")
  t=$(timed "$work/bin/drovenmk.exe" -h "-a=$(winpath "$tree/empty.dmk")"); echo "program, empty source: $t s"; pe+=("$t")
  rm -rf "$tree/dst-program" "$tree/dst-xcopy" "$tree/dst-floor" "$tree/dst-failsafe"
  t=$(timed "$work/bin/drovenmk.exe" -h "-a=$(winpath "$tree/bench.dmk")"); echo "program first run:     $t s"; p1+=("$t")
  m1+=("$(last_peak_kb)")
  t=$(timed "$work/bin/drovenmk.exe" -h "-a=$(winpath "$tree/bench.dmk")"); echo "program no-change run: $t s"; p2+=("$t")
  m2+=("$(last_peak_kb)")
  t=$(timed "$work/bin/floor_list.exe" "$src" "$(winpath "$tree/dst-program")")
  echo "listing floor:         $t s ($(last_output))"; l2+=("$t")
  t=$(timed xcopy "$src" "$(winpath "$tree/dst-xcopy")" /E /D /Y /I /H /K); echo "xcopy first copy:      $t s"; x1+=("$t")
  t=$(timed xcopy "$src" "$(winpath "$tree/dst-xcopy")" /E /D /Y /I /H /K); echo "xcopy /D no-change:    $t s"; x2+=("$t")
  t=$(timed "$work/bin/floor_copy.exe" "$src" "$(winpath "$tree/dst-floor")"); echo "floor first copy:      $t s"; f1+=("$t")
  t=$(timed "$work/bin/floor_failsafe.exe" "$src" "$(winpath "$tree/dst-failsafe")")
  echo "fail-safe floor:       $t s ($(last_output))"; s1+=("$t")
done
copied=$(find "$tree/dst-program" -type f | wc -l)
echo "== whole programs, best of $runs (seconds); the program copied $copied files"
echo "program first $(best "${p1[@]}"), no-change $(best "${p2[@]}")"
echo "xcopy first $(best "${x1[@]}"), no-change $(best "${x2[@]}")"
echo "floor first $(best "${f1[@]}")"
echo "fail-safe floor first $(best "${s1[@]}"), listing floor $(best "${l2[@]}")"
echo "== ratios (goals: first / floor <= 1.15, first / xcopy <= 0.70, no-change / xcopy /D <= 0.30)"
echo "program first / floor:          $(ratio "$(best "${p1[@]}")" "$(best "${f1[@]}")")"
echo "program first / xcopy:          $(ratio "$(best "${p1[@]}")" "$(best "${x1[@]}")")"
echo "program no-change / xcopy /D:   $(ratio "$(best "${p2[@]}")" "$(best "${x2[@]}")")"
echo "== ratios to the floors of the same work (goals: first <= 1.05, no-change <= 1.10)"
echo "program first / fail-safe floor:     $(ratio "$(best "${p1[@]}")" "$(best "${s1[@]}")")"
echo "program no-change / listing floor:   $(ratio "$(best "${p2[@]}")" "$(best "${l2[@]}")")"
echo "== fixed costs, best of $runs (seconds): starting and ending with nothing to do"
empty_floor=$(best "${e0[@]}"); window_floor=$(best "${w0[@]}"); program_empty=$(best "${pe[@]}")
window_start=$(echo "$window_floor - $empty_floor" | bc)
echo "listing floor over empty folders $empty_floor, window floor $window_floor, program over an empty source $program_empty"
echo "opening one window costs $window_start; the program's own start and end beyond that $(echo "$program_empty - $window_floor" | bc)"
echo "== the same ratios against floors that also open one window (not the goals: what the program adds to any windowed program)"
echo "program first / (fail-safe floor + window):   $(ratio "$(best "${p1[@]}")" "$(echo "$(best "${s1[@]}") + $window_start" | bc)")"
echo "program no-change / (listing floor + window): $(ratio "$(best "${p2[@]}")" "$(echo "$(best "${l2[@]}") + $window_start" | bc)")"
echo "== seconds per 1,000 files of the tree's $tree_files (compare two sizes: goal within 10 %)"
echo "program first run:     $(per_thousand_files "$(best "${p1[@]}")")"
echo "program no-change run: $(per_thousand_files "$(best "${p2[@]}")")"
echo "== peak memory of the program's process, MB (largest resident size of its rounds, Wine's own included; goal <= 40)"
echo "program first run:     $(megabytes_of "$(largest "${m1[@]}")")"
echo "program no-change run: $(megabytes_of "$(largest "${m2[@]}")")"
