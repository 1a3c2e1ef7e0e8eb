#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds tagline-console and takes the pictures of its main window in docs/screenshots:
# the terminal alone, then the DB, CONFIG and ONLINE groups, the settings dialog and the
# About box, with a simulated reader on a virtual X display. The settings of the run go to
# a temporary file. The same tour runs again in German (docs/screenshots/de) and on a dark
# GTK theme (docs/screenshots/dark: Adwaita-dark through Qt's GTK platform theme).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --with-screenshots
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target tagline-console >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="$root/docs/screenshots"
mkdir -p "$out"

# tour DIR [VAR=value...]: the whole tour into DIR, with fresh settings and the environment given.
tour() {
  local dir=$1
  shift
  mkdir -p "$dir"
  rm -f "$work/Tagline_Console.ini"
  env "$@" TAGLINE_SCREENSHOT_DIR="$dir" \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$root/build/default/src/ui/tagline-console" --ini "$work/Tagline_Console.ini" --simulate
}

tour "$out" LANGUAGE=en LANG=C.UTF-8
tour "$out/de" LANGUAGE=de LANG=de_DE.UTF-8
tour "$out/dark" LANGUAGE=en LANG=C.UTF-8 QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark

ls -l "$out"/terminal.png "$out"/db.png "$out"/config.png "$out"/online.png \
  "$out"/settings.png "$out"/about.png
