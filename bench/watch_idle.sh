#!/usr/bin/env bash
# Idle cost of folder watching under Wine: fifty watchers on fifty folders,
# nothing changing, for thirty seconds. For each mode it prints the CPU time
# of the program (GetProcessTimes) and of Wine's server process, which does
# the waiting on the program's behalf, as a percentage of one core.
#   wait  the program's watchers (one wait on change and stop together)
#   poll  the same number of threads waking every 100 ms, for comparison
# COUNT (50), IDLE_SECONDS (30), MODES ("wait poll"), BIN (build/win/bin).
# Target: the program below 1% of one core in wait mode.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${COUNT:-50}
seconds=${IDLE_SECONDS:-30}
modes=${MODES:-wait poll}
bin=$(cd "${BIN:-build/win/bin}" && pwd)
work=$PWD/build/bench-watch
# A Wine bed of its own, so its server process serves this program alone.
export DM_WINE_ROOT=$work/wine
bed=$PWD/scripts/winebed
mkdir -p "$work/folders"
"$bed" init
eval "$("$bed" env)"
winpath() { printf 'Z:%s' "$(cd "$1" && pwd)" | tr '/' '\\'; }
folders=$(winpath "$work/folders")
ticks=$(getconf CLK_TCK)

# The wineserver of this bed: the one whose environment names its prefix.
server_pid() {
  local p
  for p in $(pgrep wineserver || true); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"
      return
    fi
  done
}
# user + system time of a process, in clock ticks
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

for mode in $modes; do
  out=$work/$mode.txt
  rm -f "$out"
  # Every Wine process starts in the bench folder, never in the source tree.
  (cd "$work" && "$bed" run wine "$bin/watch_idle_bench.exe" "$folders" "$count" "$seconds" "$mode" >"$out") &
  runner=$!
  until grep -q '^idle' "$out" 2>/dev/null; do
    kill -0 "$runner" 2>/dev/null || { cat "$out"; echo "watch_idle_bench ended early"; exit 1; }
    sleep 0.05
  done
  server=$(server_pid)
  start=$([ -n "$server" ] && cpu_ticks "$server" || echo 0)
  t0=$(date +%s.%N)
  until grep -q '^mode=' "$out"; do sleep 0.05; done
  [ -n "$server" ] && used=$(( $(cpu_ticks "$server") - start ))
  wall=$(echo "$(date +%s.%N) - $t0" | bc)
  wait "$runner"
  grep '^mode=' "$out"
  if [ -n "$server" ]; then
    echo "  wineserver cpu_seconds=$(echo "scale=3; $used / $ticks" | bc)" \
         "core_percent=$(echo "scale=3; 100 * $used / $ticks / $wall" | bc)"
  else
    echo "  wineserver not found; its share is not shown"
  fi
done
echo "target: program core_percent below 1 in wait mode"
