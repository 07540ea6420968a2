#!/usr/bin/env bash
# Maps the two drives the set file tests run on: M: (serial 1A2B3C4D) and N:
# (serial 0BADF00D), so a file enciphered on one is read on another drive.
#   map_set_drives.sh WINEBED FOLDER
set -euo pipefail
bed=$1
root=$2
"$bed" map M "$root/m" SETFILE_M 1A2B3C4D
"$bed" map N "$root/n" SETFILE_N 0BADF00D
