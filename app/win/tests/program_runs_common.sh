# Shared opening of the tests that run drovenmk.exe from the command line on
# a drive S: of their own. Sourced, not run:
#
#   . program_runs_common.sh LABEL SERIAL
#
# after the caller has set repo (the source tree) and work (its own folder,
# with the program and CRYPT.DLL already in $work/bin). Gives bed, in_cwd,
# drive (S:), log, the option values every run uses, fail/pass with their
# counter, snapshot, has_line, changes_since, and finish to end with the canary check and
# the summary.
mkdir -p "$work/drive" "$work/cwd"
export DM_WINE_ROOT=$work/wine
bed() { "$repo/scripts/winebed" "$@"; }
# Never with the repository as the current directory; the canary shows that
# nothing a run did reached the current directory.
in_cwd() { (cd "$work/cwd" && "$@"); }
echo canary >"$work/cwd/canary.txt"
drive=$work/drive
bed map S "$drive" "$1" "$2"
log="$work/bin/$(date +%Y%m%d).log"

key='HKLM\Software\Quorvanta\Drovenmark'
# The whole group, or a missing value resets it to its defaults.
for value in OptionPriority:3 OptionLogView:2 OptionLogSave:3 OptionStatusView:0 OptionStatusWholeProgress:0; do
  in_cwd bed run wine reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# Every file below a folder with its checksum; links are not followed.
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r md5sum); }
has_line() { grep -qF -- "$1" "$work/last.log"; }
# How a folder differs from an earlier snapshot, on one line; empty when it
# does not. Through a file rather than process substitution, which needs a
# /dev/fd that a minimal root may not have.
changes_since() { snapshot "$1" >"$work/now.txt"; diff "$work/now.txt" "$2" | tr '\n' ' '; }

# The last checks: the current directory kept its canary, and the summary
# with the exit status.
finish() {
  [ "$(cat "$work/cwd/canary.txt" 2>/dev/null)" = canary ] && pass "the current directory is untouched" ||
    fail "the canary in the current directory is gone"
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
