#!/bin/bash
# Installs everything the build and the tests need, from Debian's packages.
# Idempotent, and quick when all is already there. Says what it does and
# roughly how long each step takes.
set -euo pipefail

# Each group: what it is for, then its packages.
GROUPS_FOR=(
  "build tools (cmake, make)"
  "the mingw-w64 cross compiler for 64-bit Windows"
  "Wine, which runs the programs and the tests"
  "a virtual display (Xvfb) and screenshot tools"
  "GoogleTest sources"
  "the Japanese locale and font (code page 932, IPAGothic)"
  "zip, and pandoc for the HTML docs"
  "headless Chromium, which renders the HTML pages in the tests (the report, the docs)"
)
GROUPS_PACKAGES=(
  "cmake make"
  "g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev"
  "wine wine64"
  "xvfb xauth x11-apps imagemagick"
  "googletest"
  "locales fonts-ipafont-gothic"
  "zip unzip pandoc"
  "chromium"
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for i in "${!GROUPS_PACKAGES[@]}"; do
  group_missing=()
  for p in ${GROUPS_PACKAGES[$i]}; do
    installed "$p" || group_missing+=("$p")
  done
  if [ ${#group_missing[@]} -gt 0 ]; then
    echo "setup: to install - ${GROUPS_FOR[$i]}: ${group_missing[*]}"
    missing+=("${group_missing[@]}")
  fi
done

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: apt-get update (package lists; under a minute)"
  $SUDO apt-get update
  echo "setup: apt-get install of ${#missing[@]} packages and their dependencies"
  echo "       (on a fresh machine about 3 minutes, most of it Wine and the cross compiler)"
  $SUDO apt-get install -y -o Dpkg::Progress-Fancy=0 "${missing[@]}"
else
  echo "setup: every package is already installed"
fi

# Japanese locale: under Wine it gives the ANSI code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale (a few seconds)"
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: ready"
