#!/usr/bin/env bash
# LZH extraction: the native decoder (unlha_native, the code inside
# UNLHA32.DLL) against lhasa on one generated archive of MB megabytes (50),
# written by bench/lzh_bench_archive without any outside archiver. Both
# extract the whole archive to disk; each figure is the best of RUNS runs (3).
# The library itself under Wine is timed as well, for information.
# Goal: the native decoder at least 0.8 times lhasa's throughput.
set -euo pipefail
cd "$(dirname "$0")/.."
megabytes=${MB:-50}
runs=${RUNS:-3}
work=build/bench-lzh
native=build/native
command -v lhasa >/dev/null || { echo "lhasa is missing: run scripts/setup-debian.sh" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
archive=$work/bench.lzh
made=$("$native/bench/lzh_bench_archive" "$archive" "$megabytes")
bytes=$(echo "$made" | sed -n 's/.*: \([0-9]*\) bytes of files.*/\1/p')

# measure OUT CMD...: runs CMD once into a fresh folder OUT; prints "seconds peak_kb"
measure() {
  local out=$1
  shift
  rm -rf "$out"
  mkdir -p "$out"
  # The peak is the process's own high-water mark (VmHWM), read while it
  # runs: rusage would count the launching Python's memory as well.
  python3 - "$@" <<'PY'
import subprocess, sys, time
start = time.perf_counter()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
peak = 0
while child.poll() is None:
    try:
        with open("/proc/%d/status" % child.pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    peak = max(peak, int(line.split()[1]))
    except (OSError, ValueError):
        pass
    time.sleep(0.002)
seconds = time.perf_counter() - start
if child.returncode != 0:
    sys.exit("%s failed" % sys.argv[1])
print("%.3f %d" % (seconds, peak))
PY
}
best_of() {  # best_of NAME OUT CMD...: best seconds and its peak memory
  local name=$1 best="" peak=""
  shift
  for _ in $(seq "$runs"); do
    read -r seconds kb <<<"$(measure "$@")"
    if [ -z "$best" ] || [ "$(echo "$seconds < $best" | bc)" = 1 ]; then best=$seconds; peak=$kb; fi
  done
  echo "$name $best $peak"
}

read -r _ ours ours_kb <<<"$(best_of native "$work/native" "$native/unlha/unlha_native" e "$archive" "$work/native/")"
read -r _ theirs theirs_kb <<<"$(best_of lhasa "$work/lhasa" lhasa xqfw="$work/lhasa" "$archive")"
for f in "$work"/lhasa/*; do cmp -s "$f" "$work/native/$(basename "$f")" || { echo "outputs differ: $f" >&2; exit 1; }; done

rate() { echo "scale=1; $bytes / 1048576 / $1" | bc; }
echo "lzh archive: $(stat -c %s "$archive") bytes holding $bytes bytes in 4 files (-lh7- and -lh0-)"
echo "lzh native decoder: $(rate "$ours") MB/s ($ours s, peak memory ${ours_kb} KB)"
echo "lzh lhasa:          $(rate "$theirs") MB/s ($theirs s, peak memory ${theirs_kb} KB)"
echo "lzh throughput ratio native/lhasa: $(echo "scale=2; $theirs / $ours" | bc) (goal: at least 0.80)"

# The library under Wine, as the program calls it (for information).
bed=$PWD/scripts/winebed
bin=$(cd build/win/bin && pwd)
winpath() { printf 'Z:%s' "$(cd "$1" && pwd)" | tr '/' '\\'; }
if [ -f "$bin/unlha_bench.exe" ]; then
  "$bed" init
  mkdir -p "$work/wine"
  wine_archive="$(winpath "$work")\\bench.lzh"
  wine_out="$(winpath "$work/wine")\\"
  wine_best=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/wine" && mkdir -p "$work/wine"
    # Every Wine process starts in the bench folder, never in the source tree.
    s=$(cd "$work" && "$bed" run wine "$bin/unlha_bench.exe" "$wine_archive" "$wine_out" |
        sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    if [ -z "$wine_best" ] || [ "$(echo "$s < $wine_best" | bc)" = 1 ]; then wine_best=$s; fi
  done
  echo "lzh UNLHA32.DLL under Wine: $(rate "$wine_best") MB/s ($wine_best s)"
fi
