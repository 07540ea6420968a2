#!/usr/bin/env bash
# Builds the release files into OUT: the installer, and the update package
# (version.txt with its signature version.txt.sig, the LZH archive, the
# details text in Shift-JIS). The names, the file list and the version
# file's text come from dm_release.
#   make_dist.sh DM_RELEASE BIN ICON OUT VERSION FILE-VERSION BUILD BASE-URL TRUSTED-KEY [NOTES]
# BIN holds the built program files; VERSION is the ProductVersion (2.10),
# FILE-VERSION the whole FileVersion (2.1.0.410); TRUSTED-KEY the public key
# (PEM) the program in BIN was built to trust; NOTES is an optional UTF-8
# text added to the details.
# From the environment:
#   DM_SIGNING_KEY             the release key's private half (PEM). Without
#                              it only the installer is made: programs in
#                              users' hands install only what it signed.
#   DM_AUTHENTICODE_PFX        a code-signing certificate (PKCS#12): the
#                              program files, the uninstaller and the
#                              installer are signed with osslsigncode
#   DM_AUTHENTICODE_PASSWORD   its password
#   DM_AUTHENTICODE_TIMESTAMP  a timestamp server's address, used only when given
#   DM_DIST_UPDATE_ONLY        1: the update package alone, no installer (tests)
set -euo pipefail
release=$1 bin=$2 icon=$3 out=$4 version=$5 file_version=$6 build=$7 base=$8 trusted_key=$9 notes=${10:-}
signing_key=${DM_SIGNING_KEY:-}
pfx=${DM_AUTHENTICODE_PFX:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() { echo "make_dist.sh: $*" >&2; exit 1; }
ask() { "$release" "$version" "$build" "$base" "$1"; }
ask check
bin=$(cd "$bin" && pwd)
icon=$(realpath "$icon")

files_text=$(ask files)  # no process substitution: a minimal root may lack /dev/fd
mapfile -t files <<< "$files_text"
for f in "${files[@]}"; do
  [ -f "$bin/$f" ] || fail "$bin/$f is missing"
done
# The program must carry the build the version file announces, or every
# installation would download the same update again and again.
[ "${file_version##*.}" = "$build" ] || fail "$file_version is not build $build"
python3 - "$bin/drovenmk.exe" "$file_version" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
if ("%s\0" % sys.argv[2]).encode("utf-16-le") not in data:
    sys.exit("make_dist.sh: drovenmk.exe does not carry FileVersion %s" % sys.argv[2])
PY

# The signing key must be the one the program trusts: a package signed by
# another would be refused by every installation.
if [ -n "$signing_key" ]; then
  [ -r "$signing_key" ] || fail "SIGNING_KEY: cannot read $signing_key"
  signing_public=$(openssl pkey -in "$signing_key" -pubout 2>/dev/null) ||
    fail "SIGNING_KEY: $signing_key is no private key in PEM form"
  trusted_public=$(openssl pkey -pubin -in "$trusted_key" -pubout 2>/dev/null) ||
    fail "the program's key $trusted_key does not read"
  [ "$signing_public" = "$trusted_public" ] ||
    fail "SIGNING_KEY is not the release key the program trusts (UPDATE_KEY=$trusted_key); nothing was made"
fi
[ -z "$pfx" ] || [ -r "$pfx" ] || fail "AUTHENTICODE_PFX: cannot read $pfx"

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$out/.work
rm -rf "$work"
mkdir -p "$work/files"
trap 'rm -rf "$work"' EXIT
for f in "${files[@]}"; do cp -p "$bin/$f" "$work/files/$f"; done

# Authenticode, when the publisher has a certificate: before anything is
# hashed or packed, so the archive carries the signed files.
authenticode() {  # FILE...
  [ -n "$pfx" ] || return 0
  local password=$work/authenticode.pass timestamp=()
  (umask 077; printf '%s' "${DM_AUTHENTICODE_PASSWORD:-}" > "$password")
  [ -z "${DM_AUTHENTICODE_TIMESTAMP:-}" ] || timestamp=(-ts "$DM_AUTHENTICODE_TIMESTAMP")
  for f in "$@"; do
    osslsigncode sign -pkcs12 "$pfx" -readpass "$password" -n "Drovenmark" -h sha256 "${timestamp[@]}" \
      -in "$f" -out "$f.signed" >/dev/null || fail "osslsigncode could not sign $f"
    mv "$f.signed" "$f"
  done
  rm -f "$password"
}
signable=()
for f in "${files[@]}"; do
  case "$f" in *.exe|*.EXE|*.dll|*.DLL) signable+=("$work/files/$f") ;; esac
done
authenticode "${signable[@]}"

# The update package, only with the release key.
archive=$(ask archive-name)
details=$(ask details-name)
rm -f "$out/version.txt" "$out/version.txt.sig" "$out/$archive" "$out/$details"
if [ -n "$signing_key" ]; then
  mkdir -p "$work/package"
  (cd "$work/files" && jlha co6q "$work/package/$archive" "${files[@]}")
  facts() { printf '%s %s %s\n' "$(stat -c %s "$1")" "$(sha256sum "$1" | cut -d' ' -f1)" "$2"; }
  {
    facts "$work/package/$archive" "$archive"
    for f in "${files[@]}"; do facts "$work/files/$f" "$f"; done
  } > "$work/facts"
  "$release" "$version" "$build" "$base" version-file < "$work/facts" > "$work/package/version.txt"
  # version.txt.sig: r||s, 64 bytes, of the ECDSA P-256 signature over
  # SHA-256 of version.txt's exact bytes. Nothing reaches OUT unsigned.
  bash "$here/sign_version_file.sh" "$signing_key" "$work/package/version.txt" "$trusted_key"
  mv "$work/package/$archive" "$work/package/version.txt" "$work/package/version.txt.sig" "$out/"
  {
    ask details
    if [ -n "$notes" ]; then printf '\r\n'; sed 's/\r*$/\r/' "$notes"; fi
  } |
    iconv -f UTF-8 -t CP932 > "$out/$details"
fi

if [ "${DM_DIST_UPDATE_ONLY:-}" = 1 ]; then
  echo "Update package in $out"
  exit 0
fi

# The installer; its uninstaller is signed as NSIS writes it.
size_kb=0
for f in "${files[@]}"; do size_kb=$((size_kb + ($(stat -c %s "$work/files/$f") + 1023) / 1024)); done
for f in "${files[@]}"; do printf '!insertmacro DM_FILE "%s" "%s"\n' "$work/files/$f" "$f"; done > "$work/files.nsh"
for f in "${files[@]}"; do printf 'Delete "$INSTDIR\\%s"\n' "$f"; done > "$work/unfiles.nsh"
installer=$(ask installer-name)
sign_define=()
if [ -n "$pfx" ]; then
  cat > "$work/sign-uninstaller.sh" <<SIGN
#!/usr/bin/env bash
set -e
$(declare -f fail authenticode)
pfx='$pfx' work='$work'
authenticode "\$1"
SIGN
  sign_define=(-DSIGN_UNINSTALLER="bash $work/sign-uninstaller.sh")
fi
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DBUILD="$build" -DFILE_VERSION="$file_version" \
  -DICON="$icon" -DSIZE_KB="$size_kb" -DOUTFILE="$out/$installer" \
  -DFILES_NSH="$work/files.nsh" -DUNFILES_NSH="$work/unfiles.nsh" "${sign_define[@]}" \
  "$here/win/drovenmark.nsi"
authenticode "$out/$installer"
echo "Release files in $out:"
if [ -n "$signing_key" ]; then
  (cd "$out" && ls -l "$installer" version.txt version.txt.sig "$archive" "$details" |
    awk '{printf "  %-32s %9d bytes\n", $9, $5}')
else
  (cd "$out" && ls -l "$installer" | awk '{printf "  %-32s %9d bytes\n", $9, $5}')
  echo "No update package: SIGNING_KEY=FILE (the release key's private half) was not given." >&2
  echo "Programs in users' hands install only what that key signed; see README, \"Publishing an update\"." >&2
fi
