#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds tagline-console and takes the pictures of its main window in docs/screenshots:
# the terminal alone, then the DB, CONFIG and ONLINE groups, the settings dialog and the
# About box, with a simulated reader on a virtual X display. The settings of the run go to
# a temporary file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target tagline-console >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="$root/docs/screenshots"
mkdir -p "$out"

TAGLINE_SCREENSHOT_DIR="$out" \
  xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$root/build/default/src/ui/tagline-console" --ini "$work/Tagline_Console.ini" --simulate

ls -l "$out"/terminal.png "$out"/db.png "$out"/config.png "$out"/online.png \
  "$out"/settings.png "$out"/about.png
