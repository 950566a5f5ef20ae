#!/usr/bin/env bash
# Installs from Debian's packages what the project needs (as root, or through sudo),
# skipping what is there. `setup.sh run` installs what building and running the
# program needs; `setup.sh test` adds what the tests, the Windows cross build, the
# package checks and the fuzzer need.
set -euo pipefail
what=${1:-run}

run_packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
              libqcustomplot-dev libqcustomplot2.1-qt6 libsqlite3-dev
              xvfb xauth openbox fonts-liberation)
test_packages=(libgtest-dev locales clang clang-format libclang-rt-dev
               g++-mingw-w64-x86-64-posix wine wine64
               nsis xdotool x11-utils imagemagick fonts-dejavu-core poppler-utils
               dpkg-dev file lintian desktop-file-utils appstream tcl)

packages=("${run_packages[@]}")
[ "$what" = test ] && packages+=("${test_packages[@]}")

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The number tests also run under a Brazilian locale, whose decimal separator is a comma.
if [ "$what" = test ] && ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  $SUDO sed -i 's/^# *\(pt_BR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
fi
