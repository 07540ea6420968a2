#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine.
# Quick when everything is already there.
#   setup-debian.sh --screenshots   also the tools of the make show* commands
set -euo pipefail
# lhasa only lists, tests and extracts LZH archives (and takes the name "lha"
# through Debian's alternatives); jlha-utils creates them, as the command
# "jlha", and brings a headless Java runtime. openssl makes and uses the
# release key; Wine's bcrypt.dll needs libgnutls30 at run time (only a
# Recommends of Wine's packages); osslsigncode signs with a certificate.
# time is GNU time (/usr/bin/time), which gives the benchmarks a process's
# peak memory; bash's own "time" keyword gives none.
packages=(cmake make g++ googletest libgtest-dev libgmock-dev
          g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth
          fonts-ipafont-gothic python3 locales bc lhasa jlha-utils default-jre-headless
          fp-utils-3.2.2 procps nsis openssl libgnutls30 osslsigncode time)
if [ "${1:-}" = --screenshots ]; then
  packages+=(imagemagick xdotool)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes the Unix file-name encoding from the locale: without a real
# ja_JP.UTF-8 locale, names outside ASCII cannot be created at all.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "Generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# Every command the scripts and the tests call. A package whose name differs
# from its commands (wine64 brings none of wine, wineboot, wineserver) fails
# here with a clear message instead of deep inside a test run.
commands=(cmake make g++ x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres
          wine wineboot wineserver xvfb-run xauth python3 locale-gen bc flock lhasa jlha java
          chmcmd pgrep makensis openssl osslsigncode sha256sum /usr/bin/time)
if [ "${1:-}" = --screenshots ]; then
  commands+=(import xdotool)
fi
absent=()
for c in "${commands[@]}"; do
  command -v "$c" >/dev/null 2>&1 || absent+=("$c")
done
if [ ${#absent[@]} -gt 0 ]; then
  echo "setup-debian.sh: after installing, these commands are still missing: ${absent[*]}" >&2
  exit 1
fi
