#!/usr/bin/env bash
# Installs what the build needs, builds, lays out a demo program folder with sample data and
# starts the reception program, one representative client (Marco Ruiz) and the lobby board in a
# window on it. The folder is the first argument (default ~/quorvel-demo); the client's settings
# stay inside it.
set -euo pipefail
cd "$(dirname "$0")/.."
folder="$(realpath -m "${1:-$HOME/quorvel-demo}")"
scripts/install-packages.sh
cmake --preset release
cmake --build --preset release
if [ ! -f "$folder/data/lobbyData.xml" ]; then
  build-release/bin/quorvelctl init "$folder" --demo
fi
cmake --install build-release --prefix "$folder" >/dev/null

settings="$folder/client-settings"
mkdir -p "$settings/Velmora"
[ -f "$settings/Velmora/Quorvel.conf" ] ||
  printf '[General]\nwhoami=marco\nsoundSource=2\nsoundPath=%s/media/chimes.wav\nwindow=1\n' \
    "$folder" >"$settings/Velmora/Quorvel.conf"

echo "Program folder: $folder"
"$folder/harbrin" &
XDG_CONFIG_HOME="$settings" "$folder/quorvelClient" &
"$folder/quorvelBoard" --windowed &
wait
