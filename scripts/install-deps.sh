#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages the build and the tests need. Safe to run again:
# it only calls apt-get when something is missing. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libgl-dev xvfb xauth fonts-dejavu-core
  libx11-dev libxtst-dev libxkbcommon-dev libxkbcommon-x11-dev xterm openbox
  dbus-daemon at-spi2-core
  libpugixml-dev libcli11-dev
  ansible-core python3
  clang-format clang-tidy cppcheck
)

# --with-libreoffice also installs the spreadsheet program that the sheet tests open the
# written files with (CI does; elsewhere those tests are skipped without it).
# --with-packaging adds what scripts/package needs to build and check the .deb: pandoc for
# the man pages, rsvg-convert for the icon sizes, dpkg-shlibdeps for the dependencies,
# the validators of the desktop entry and the AppStream metainfo, and lintian.
# --with-fuzz adds clang and its libFuzzer runtime, for fuzz/run.
# --with-screenshots adds Qt's GTK platform theme and Adwaita-dark, for the dark pictures of
# scripts/screenshots.sh.
# --with-windows installs the MinGW-w64 cross compiler (POSIX threads, for std::thread),
# the GoogleTest sources it builds against and Wine (64-bit only) to run the results; see
# docs/windows.md.
for arg in "$@"; do
  case "$arg" in
    --with-libreoffice) packages+=(libreoffice-calc-nogui) ;;
    --with-fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    --with-screenshots) packages+=(qt6-gtk-platformtheme gnome-themes-extra-data) ;;
    --with-packaging)
      packages+=(pandoc librsvg2-bin dpkg-dev file man-db
        desktop-file-utils appstream lintian)
      ;;
    --with-windows) packages+=(g++-mingw-w64-x86-64-posix googletest wine64) ;;
    *)
      echo "install-deps: unknown option $arg" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
  sudo_cmd=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
