#!/usr/bin/env bash
# N processes mixing changes on one office, folder against server: each process checks in a
# customer, takes one and signs one out, ROUNDS times, one quorvelctl run per change as a desk
# would. Prints changes per second and whether every check-in is accounted for.
#   bench/mixed_processes.sh BUILD_BIN N [ROUNDS]
set -euo pipefail
bin=$(realpath "$1")
processes=$2
rounds=${3:-10}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/quorvel-mixed.XXXXXX)
chmod 755 "$work"
trap '"$here/scripts/pg-cluster.sh" stop "$work/db" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

desk() { # folder, process number
  local ctl="$bin/quorvelctl --folder $1"
  for r in $(seq 1 "$rounds"); do
    id=$($ctl add "P$2" "R$r" Taxes)
    $ctl take "$id" --user "$2" >/dev/null 2>&1 || true
    $ctl complete "$id" --user "$2" >/dev/null 2>&1 || true
  done
}

run() { # label, folder
  local start end
  start=$(date +%s.%N)
  for p in $(seq 1 "$processes"); do desk "$2" "$p" & done
  wait
  end=$(date +%s.%N)
  local changes=$((processes * rounds * 3))
  local kept
  kept=$("$bin/quorvelctl" --folder "$2" history "$(date +%-m/%-d/%Y)" | grep -c '^' || true)
  kept=$((kept + $("$bin/quorvelctl" --folder "$2" list | grep -c '^' || true)))
  printf '%-7s %4d processes  %6.1f changes/s  %d of %d check-ins kept\n' "$1" "$processes" \
    "$(echo "$changes / ($end - $start)" | bc -l)" "$kept" "$((processes * rounds))"
}

"$bin/quorvelctl" init "$work/folder" >/dev/null
run folder "$work/folder"

connection=$("$here/scripts/pg-cluster.sh" start "$work/db")
"$bin/quorvelctl" init "$work/office" >/dev/null
"$bin/quorvelctl" --folder "$work/office" migrate --to "$connection" --switch >/dev/null
run server "$work/office"
