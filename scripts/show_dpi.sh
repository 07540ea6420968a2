#!/usr/bin/env bash
# Screenshots of every window at 96, 144 and 192 DPI (100 %, 150 % and
# 200 %): the screenshots of make show, show-editor, show-logview,
# show-options and show-update, each taken at each DPI, in
# build/screenshots/dpi-96, dpi-144 and dpi-192. DM_DPIS="144" takes one.
set -euo pipefail
cd "$(dirname "$0")/.."
for dpi in ${DM_DPIS:-96 144 192}; do
  for script in show show_editor show_logview show_options show_update; do
    env -u DISPLAY DM_DPI="$dpi" bash "scripts/$script.sh"
  done
done
