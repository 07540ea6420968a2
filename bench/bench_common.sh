# Pieces the benchmark scripts share; sourced, not run.
now() { date +%s.%N; }
# The smallest of the figures given.
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
# The largest of the figures given; nothing when none is.
largest() { printf '%s\n' "$@" | grep . | sort -g | tail -n 1 || true; }
ratio() { echo "scale=2; $1 / $2" | bc; }
# tree_folder NAME KILOBYTES FALLBACK: where a generated tree lives. In
# memory (/dev/shm) when that holds KILOBYTES, since this machine's disk
# varies up to twofold between two identical runs; TREE_DIR names another
# place; FALLBACK otherwise.
tree_folder() {
  if [ -n "${TREE_DIR:-}" ]; then
    echo "$TREE_DIR"
  elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR==2 {print $4}')" -gt "$2" ]; then
    echo "/dev/shm/$1"
  else
    echo "$3"
  fi
}
