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
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The commands' tests run in a German locale (decimal comma, grouping dot) to show that nothing they
# write follows the locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the locale de_DE.UTF-8"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
