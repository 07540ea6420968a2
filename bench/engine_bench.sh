#!/usr/bin/env bash
# The engine against xcopy under Wine on one generated tree. Each figure is
# the best of RUNS runs (2), since a shared machine's disk is noisy; the
# trees live in memory (/dev/shm) when it can hold them, TREE_DIR names
# another place.
#   FILES (20000), FOLDERS (2000), MB (90) size the tree.
set -euo pipefail
cd "$(dirname "$0")/.."
files=${FILES:-20000}
folders=${FOLDERS:-2000}
megabytes=${MB:-90}
runs=${RUNS:-2}
work=build/bench
bin=build/win/bin
# Every Wine process starts in the bench folder, never in the source tree.
run() { (cd "$work" && ../../scripts/winebed run wine "$@"); }
winpath() { printf 'Z:%s' "$(cd "$1" && pwd)" | tr '/' '\\'; }
seconds_of() { sed -n 's/.*seconds=\([0-9.]*\).*/\1/p'; }
source bench/bench_common.sh

data=$(tree_folder drovenmark-bench-engine $((megabytes * 8 * 1024)) "$work/trees")
rm -rf "$work" "$data"
mkdir -p "$work" "$data/src"
trap 'rm -rf "$data"' EXIT
echo "trees in $data"
python3 bench/make_tree.py "$data/src" "$files" "$folders" "$megabytes"
src=$(winpath "$data/src")
bin=$(cd "$bin" && pwd)
scripts/winebed init
run cmd /c exit >/dev/null 2>&1 || true   # a warm Wine before the first figure

# engine DST MODE LEVEL [LOGLEVEL]: prints the engine's line
engine() {
  mkdir -p "$data/$1"
  run "$bin/engine_bench.exe" "$src" "$(winpath "$data/$1")" "$2" "$3" 2 "${4:-0}"
}
calls_of() { sed -n 's/.*calls=\([0-9]*\).*/\1/p'; }
xcopy_seconds() {
  mkdir -p "$data/$1"
  local t0; t0=$(now)
  run xcopy "$src" "$(winpath "$data/$1")" /E /D /Y /I /H /K >/dev/null 2>&1
  echo "$(now) - $t0" | bc
}

first=(); again=(); tests=(); xfirst=(); xagain=(); level0=(); level3=(); logged=()
for r in $(seq "$runs"); do
  rm -rf "$data/engine" "$data/xcopy" "$data/level0" "$data/level3" "$data/logged"
  line=$(engine engine manual 2); echo "engine first run:     $line"; first+=("$(echo "$line" | seconds_of)")
  first_calls=$(echo "$line" | calls_of)
  line=$(engine engine manual 2); echo "engine no-change run: $line"; again+=("$(echo "$line" | seconds_of)")
  again_calls=$(echo "$line" | calls_of)
  line=$(engine level0 test 2);   echo "engine test-mode run: $line"; tests+=("$(echo "$line" | seconds_of)")
  t=$(xcopy_seconds xcopy); echo "xcopy first copy:     seconds=$t"; xfirst+=("$t")
  t=$(xcopy_seconds xcopy); echo "xcopy no-change:      seconds=$t"; xagain+=("$t")
  line=$(engine level0 manual 0); echo "engine level 0:       $line"; level0+=("$(echo "$line" | seconds_of)")
  line=$(engine level3 manual 3); echo "engine level 3:       $line"; level3+=("$(echo "$line" | seconds_of)")
  line=$(engine logged manual 3 3); echo "level 3, log level 3: $line"; logged+=("$(echo "$line" | seconds_of)")
done

echo "== best of $runs (seconds)"
echo "engine first $(best "${first[@]}"), no-change $(best "${again[@]}"), test mode $(best "${tests[@]}")"
echo "xcopy first $(best "${xfirst[@]}"), no-change $(best "${xagain[@]}")"
echo "level 0 $(best "${level0[@]}"), level 3 $(best "${level3[@]}"), level 3 with log level 3 $(best "${logged[@]}")"
echo "file-system calls per file: first run $(ratio "$first_calls" "$files"), no-change run $(ratio "$again_calls" "$files")"
echo "== ratios (targets: full <= 0.80, no-change <= 0.50, level 3 / level 0 <= 1.10)"
echo "full run / xcopy first:   $(ratio "$(best "${first[@]}")" "$(best "${xfirst[@]}")")"
echo "no-change / xcopy /D:     $(ratio "$(best "${again[@]}")" "$(best "${xagain[@]}")")"
echo "level 3 / level 0:        $(ratio "$(best "${level3[@]}")" "$(best "${level0[@]}")")"
echo "log level 3 / no log:     $(ratio "$(best "${logged[@]}")" "$(best "${level3[@]}")") (goal <= 1.05)"
echo "peak memory is in each engine line (peak_mb); FILES=40000 FOLDERS=4000 shows it stays flat"
