#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and
# run. Safe to run again: only missing packages are installed.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
  libqt5sql5-sqlite libqt5sql5-psql postgresql
  libcpp-httplib-dev libjs-chart.js chromium chromium-driver
  libqcustomplot-dev libusb-dev libudev-dev libsodium-dev
  fonts-wqy-zenhei
  clang libclang-rt-14-dev
  php-cli curl poppler-utils openssl
  python3 python3-pil
  dpkg-dev file desktop-file-utils
  strace xvfb
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
