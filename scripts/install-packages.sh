#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the programs need; with --runtime only
# those a workstation needs to run the programs from a program folder.
set -euo pipefail
runtime=(
  libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql
  libqt6multimedia6 libqt6charts6 libqt6concurrent6
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libqt6texttospeech6 qt6-speech-flite-plugin
  libpugixml1v5 libsqlite3-0
  postgresql-client
)
build=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-multimedia-dev qt6-charts-dev postgresql
  # qt6-speech-dev's CMake package needs Qt6QmlIntegration without depending on its package.
  qt6-speech-dev qt6-speech-flite-plugin qt6-declarative-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libpugixml-dev libsimpleini-dev libsqlite3-dev sqlite3
  help2man desktop-file-utils logrotate
  xvfb xauth imagemagick xdotool
  openssh-server openssh-client sshfs fuse3 faketime
)
case "${1:-}" in
  --runtime) packages=("${runtime[@]}") ;;
  "") packages=("${build[@]}") ;;
  *)
    echo "usage: $0 [--runtime]" >&2
    exit 2
    ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
