#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the programs need.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-multimedia-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libpugixml-dev libsimpleini-dev libsqlite3-dev sqlite3
  xvfb xauth imagemagick xdotool
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
