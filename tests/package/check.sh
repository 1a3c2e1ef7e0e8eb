#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Tests a built Debian package: its control fields, where its files land, and that what it
# installs runs. It unpacks the package into a scratch root (dpkg -x, nothing is installed
# on the system), runs the programs from there against the simulated reader with a
# settings file and a home directory in that scratch folder, renders each man page,
# and validates the desktop entry and the AppStream metainfo.
#   tests/package/check.sh PATH.deb
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: tests/package/check.sh PATH.deb" >&2
  exit 2
fi
deb=$(realpath "$1")
root_dir=$(cd "$(dirname "$0")/../.." && pwd)

for tool in dpkg-deb desktop-file-validate appstreamcli man file lintian; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "package check: $tool is missing (scripts/install-deps.sh --with-packaging)" >&2
    exit 2
  fi
done

scratch=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

app_id=org.taglineconsole.TaglineConsole
version=$(sed -n 's/^project(TaglineConsole VERSION \([0-9.]*\).*/\1/p' "$root_dir/CMakeLists.txt")

# --- Control fields -----------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tagline-console ] && pass "Package: tagline-console" ||
  fail "Package is '$(field Package)'"
[ -n "$version" ] && [ "$(field Version)" = "$version" ] && pass "Version: $version" ||
  fail "Version is '$(field Version)', the project's is '$version'"
[ -n "$(field Maintainer)" ] && pass "Maintainer: $(field Maintainer)" || fail "no Maintainer"
[ "$(field Description | wc -l)" -gt 2 ] && pass "Description has a long text" ||
  fail "Description has no long text"

# Every library the programs link, from dpkg-shlibdeps, plus the Qt platform plugins it
# cannot see.
depends=$(field Depends)
echo "Depends: $depends"
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libx11-6 libxtst6 \
  qt6-qpa-plugins; do
  if tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -Fxq "$dep"; then
    pass "depends on $dep"
  else
    fail "Depends lacks $dep"
  fi
done

# --- Files and where they land ------------------------------------------------------------
outside=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] && pass "every file is below /usr" || fail "files outside /usr: $outside"
if dpkg-deb --contents "$deb" | awk '{print $6}' | grep -q '^\./usr/local/'; then
  fail "files below /usr/local"
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"

expected=(
  usr/bin/tagline usr/bin/tagline-console usr/bin/tagline-sim
  "usr/share/applications/$app_id.desktop"
  "usr/share/metainfo/$app_id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  usr/share/man/man1/tagline.1.gz usr/share/man/man1/tagline-console.1.gz
  usr/share/man/man1/tagline-sim.1.gz
  usr/share/doc/tagline-console/examples/60-tagline-reader.rules
  usr/share/bash-completion/completions/tagline usr/share/zsh/vendor-completions/_tagline
)
icon_sizes=(16 22 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for path in "${expected[@]}"; do
  [ -f "$root/$path" ] && pass "/$path" || fail "/$path is missing"
done

for program in tagline tagline-console tagline-sim; do
  description=$(file -b "$root/usr/bin/$program")
  if [ -x "$root/usr/bin/$program" ] && grep -q '^ELF' <<<"$description" &&
    grep -q ', stripped' <<<"$description"; then
    pass "/usr/bin/$program is a stripped executable"
  else
    fail "/usr/bin/$program: $description"
  fi
done

for size in "${icon_sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [ -f "$png" ] || continue
  if file -b "$png" | grep -q "^PNG image data, $size x $size,"; then
    pass "icon ${size}x${size} is a PNG of that size"
  else
    fail "icon ${size}x${size}: $(file -b "$png")"
  fi
done

# --- The programs run from the unpacked tree ------------------------------------------
# A home and a current directory of their own, so that no settings file of the user is
# read or written.
mkdir -p "$scratch/home" "$scratch/cwd" "$scratch/ini"
ini="$scratch/ini/Tagline_Console.ini"
run() { (cd "$scratch/cwd" && HOME="$scratch/home" "$@"); }

if help=$(run "$root/usr/bin/tagline" --help) && grep -q '^usage: tagline ' <<<"$help"; then
  pass "tagline --help"
else
  fail "tagline --help"
fi

if out=$(run "$root/usr/bin/tagline" --ini "$ini" --simulate version 2>"$scratch/err") &&
  grep -q '^model: ' <<<"$out"; then
  pass "tagline --simulate version: $(tr '\n' ' ' <<<"$out")"
else
  fail "tagline --simulate version: $out $(cat "$scratch/err")"
fi

if sim_help=$(run "$root/usr/bin/tagline-sim" --help) &&
  grep -q '^usage: tagline-sim' <<<"$sim_help"; then
  pass "tagline-sim --help"
else
  fail "tagline-sim --help"
fi

if console_help=$(cd "$scratch/cwd" && HOME="$scratch/home" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/tagline-console" --help 2>&1) &&
  grep -q '^usage: tagline-console' <<<"$console_help"; then
  pass "tagline-console --help (links and starts)"
else
  fail "tagline-console --help: $console_help"
fi

# The installed simulator and command line talk over a pseudo-terminal. The simulator
# reports a version of its own, so that the answer cannot come from the simulated reader
# inside tagline. exec: $! is then the simulator itself, which the clean-up ends.
sim_version="KTR H9 V4.30077"
(cd "$scratch/cwd" && HOME="$scratch/home" exec "$root/usr/bin/tagline-sim" \
  --version "$sim_version" --link "$scratch/reader" >"$scratch/sim.out" 2>"$scratch/sim.err") &
sim_pid=$!
for _ in $(seq 50); do
  [ -s "$scratch/sim.out" ] && break
  sleep 0.1
done
if out=$(run "$root/usr/bin/tagline" --ini "$ini" --port "$scratch/reader" version 2>&1) &&
  grep -qx "$sim_version" <<<"$out"; then
  pass "tagline --port (tagline-sim's link) version"
else
  fail "tagline version against tagline-sim: $out $(cat "$scratch/sim.err")"
fi
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=

leftovers=$(find "$scratch/cwd" "$scratch/ini" -mindepth 1
  find "$scratch/home" -name Tagline_Console.ini)
[ -z "$leftovers" ] && pass "no settings file written by the command line" ||
  fail "files appeared: $leftovers"

# --- Man pages ---------------------------------------------------------------------------
# Rendered as plain ASCII without hyphenation or justification, so that options can be
# looked for as words.
render() { LC_ALL=C MANWIDTH=100 man --nh --nj --warnings -l "$1"; }
for program in tagline tagline-console tagline-sim; do
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -f "$page" ] || continue
  text=$(render "$page" 2>"$scratch/man.err") || fail "man -l $program.1.gz failed"
  if [ -s "$scratch/man.err" ]; then
    fail "man $program: $(cat "$scratch/man.err")"
  fi
  if grep -Eq "^ +$program - " <<<"$text" && grep -q "Tagline Console $version" <<<"$text"; then
    pass "man $program renders with its name and version $version"
  else
    fail "man $program: no NAME line or no version $version"
  fi
  grep -q '^SEE ALSO' <<<"$text" || fail "man $program: no SEE ALSO"
done

# Every option that --help of tagline-sim and tagline-console lists is in its man page,
# and every command of tagline --help in tagline's.
failures_before=$failures
for program in tagline-sim tagline-console; do
  case $program in
    tagline-sim) help_text=$sim_help ;;
    tagline-console) help_text=$console_help ;;
  esac
  text=$(render "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null || true)
  for option in $(grep -Eo -- '--[a-z][a-z-]*' <<<"$help_text" | sort -u); do
    grep -q -- "$option\b" <<<"$text" || fail "man $program does not describe $option"
  done
done
text=$(render "$root/usr/share/man/man1/tagline.1.gz" 2>/dev/null || true)
commands=$(sed -n '/^commands:/,/^[^ ]/p' <<<"$help" | grep -Eo '^  [a-z][a-z-]*' || true)
[ -n "$commands" ] || fail "no commands found in tagline --help"
for command in $commands; do
  grep -Eq "^ {7}$command( |$)" <<<"$text" || fail "man tagline does not describe $command"
done
[ "$failures" -eq "$failures_before" ] && pass "man pages cover the options and commands of --help"

for program in tagline tagline-console; do
  text=$(render "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null || true)
  grep -q dialout <<<"$text" && grep -q uinput <<<"$text" ||
    fail "man $program lacks the dialout or uinput notes"
done

# --- Desktop entry, icon, metainfo -----------------------------------------------------
desktop="$root/usr/share/applications/$app_id.desktop"
if [ -f "$desktop" ]; then
  if desktop-file-validate "$desktop"; then pass "desktop-file-validate"; else fail "desktop-file-validate"; fi
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] && pass "Exec=$exec_program is installed" ||
    fail "Exec=$exec_program is not in /usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] &&
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] &&
    pass "Icon=$icon is installed" || fail "Icon=$icon is not installed"
fi

metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
if [ -f "$metainfo" ]; then
  if appstreamcli validate --no-net "$metainfo"; then
    pass "appstreamcli validate --no-net"
  else
    fail "appstreamcli validate --no-net"
  fi
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [ -f "$root/usr/share/applications/$launchable" ] && pass "launchable $launchable" ||
    fail "launchable '$launchable' is not installed"
  for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo"); do
    [ -x "$root/usr/bin/$binary" ] || fail "metainfo names binary $binary, not installed"
  done
fi

# --- Licence, changelog and lintian --------------------------------------------------------
doc="$root/usr/share/doc/tagline-console"
if grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$doc/copyright" 2>/dev/null && grep -q '^License: Apache-2.0$' "$doc/copyright"; then
  pass "machine-readable copyright naming Apache-2.0"
else
  fail "no DEP-5 copyright file naming Apache-2.0"
fi
news_version=$(sed -n 's/^## \([^ ]*\) (.*/\1/p' "$root_dir/NEWS.md" | head -1)
if zcat "$doc/changelog.gz" 2>/dev/null | head -1 | grep -Fq "tagline-console ($news_version)"; then
  pass "changelog from NEWS.md, $news_version first"
else
  fail "the changelog does not start with NEWS.md's $news_version"
fi
[ "$news_version" = "$version" ] && pass "NEWS.md names this version" ||
  fail "NEWS.md's newest release is $news_version, the project's version $version"
if grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml"; then
  pass "metainfo lists release $version"
else
  fail "metainfo lacks release $version"
fi
# Errors and warnings fail; informational tags are shown.
lintian_out=$(lintian --no-tag-display-limit --display-info "$deb" 2>&1 || true)
[ -n "$lintian_out" ] && echo "$lintian_out"
if grep -q '^[EW]: ' <<<"$lintian_out"; then
  fail "lintian reports errors or warnings"
else
  pass "lintian: no errors or warnings"
fi

rules="$root/usr/share/doc/tagline-console/examples/60-tagline-reader.rules"
# The installed completion offers the commands.
if bash -c "source '$root/usr/share/bash-completion/completions/tagline'
  COMP_WORDS=(tagline fac); COMP_CWORD=1; _tagline; [ \"\${COMPREPLY[*]}\" = factory-default ]"; then
  pass "bash completion completes a command"
else
  fail "bash completion"
fi

if [ -f "$rules" ] && grep -q '^SUBSYSTEM=="tty".*SYMLINK+="tagline-reader".*GROUP="dialout"' "$rules"; then
  pass "udev example names /dev/tagline-reader for the dialout group"
else
  fail "udev example"
fi

if [ "$failures" -ne 0 ]; then
  echo "package check: $failures failure(s) in $deb" >&2
  exit 1
fi
echo "package check: $deb passed"
