#!/usr/bin/env bash
# Installs the Debian 12 packages Kinetrax needs to build, test and run; does nothing when all are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-charts-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  libhidapi-dev libudev-dev libarchive-dev
  umockdev libumockdev-dev
  fonts-dejavu-core
  xdg-utils bash-completion
  dbus-daemon
  desktop-file-utils appstream lintian dpkg-dev file
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
