#!/usr/bin/env bash
# Installs what the build needs, builds, lays out a demo program folder with sample data
# and runs the system on it. The folder is given as the first argument (default ~/quorvel-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
folder="${1:-$HOME/quorvel-demo}"
scripts/install-packages.sh
cmake --preset release
cmake --build --preset release
if [ ! -f "$folder/data/lobbyData.xml" ]; then
  build-release/bin/quorvelctl init "$folder" --demo
fi
cmake --install build-release --prefix "$folder" >/dev/null
echo "Program folder: $folder"
echo "Queue:"
"$folder/quorvelctl" --folder "$folder" list
