#!/usr/bin/env bash
# Installs what the build needs, builds, lays out a demo program folder with sample data and
# starts the reception program, one representative client (Marco Ruiz) and the lobby board in a
# window on it. The folder is the first argument (default ~/quorvel-demo); the client's settings
# stay inside it. With --server the office runs on a throw-away local PostgreSQL cluster instead
# of the data folder: the folder's demo data is migrated there, and the cluster is stopped and
# removed when the programs have ended.
set -euo pipefail
cd "$(dirname "$0")/.."
server=0
if [ "${1:-}" = "--server" ]; then
  server=1
  shift
fi
folder="$(realpath -m "${1:-$HOME/quorvel-demo}")"
scripts/install-packages.sh
cmake --preset release
cmake --build --preset release
if [ ! -f "$folder/data/lobbyData.xml" ]; then
  build-release/bin/quorvelctl init "$folder" --demo
fi
cmake --install build-release --prefix "$folder" >/dev/null
if [ "$server" = 1 ]; then
  cluster=$(mktemp -d /tmp/quorvel-demo-pg.XXXXXX)
  chmod 755 "$cluster"
  trap 'scripts/pg-cluster.sh stop "$cluster"' EXIT
  connection=$(scripts/pg-cluster.sh start "$cluster/db")
  # The folder itself stays as it was; a copy of it is switched to the server.
  office="$folder-server"
  rm -rf "$office"
  cp -a "$folder" "$office"
  "$office/quorvelctl" --folder "$office" migrate --to "$connection" --switch
  folder="$office"
fi

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
