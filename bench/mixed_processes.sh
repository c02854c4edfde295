#!/usr/bin/env bash
# N processes mixing changes on one office, folder against server: each process checks in a
# customer, takes it and signs it out, ROUNDS times, one quorvelctl run per change as a terminal
# would; with SECONDS, each process is a long-lived program instead (mix_bench's worker, the
# core as the programs call it) doing the same for that long. Prints changes per second and
# whether every check-in is accounted for.
#   bench/mixed_processes.sh BUILD_BIN N [ROUNDS [SECONDS]]
set -euo pipefail
bin=$(realpath "$1")
processes=$2
rounds=${3:-10}
seconds=${4:-}
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

program() { # folder, process number: changes made, printed
  "$bin/mix_bench" --worker "$1" "$seconds" "" "P$2"
}

run() { # label, folder
  local start end changes=0 visits
  for p in $(seq 1 "$processes"); do
    "$bin/quorvelctl" --folder "$2" users add "P$p" "R$p" "p$p" >/dev/null
  done
  start=$(date +%s.%N)
  if [ -n "$seconds" ]; then
    for p in $(seq 1 "$processes"); do program "$2" "$p" >"$work/made.$p" & done
  else
    for p in $(seq 1 "$processes"); do desk "$2" "$p" & done
  fi
  wait
  end=$(date +%s.%N)
  if [ -n "$seconds" ]; then
    for p in $(seq 1 "$processes"); do changes=$((changes + $(cat "$work/made.$p"))); done
  else
    changes=$((processes * rounds * 3))
  fi
  visits=$((changes / 3))
  local kept
  kept=$("$bin/quorvelctl" --folder "$2" history "$(date +%-m/%-d/%Y)" | grep -c '^' || true)
  kept=$((kept + $("$bin/quorvelctl" --folder "$2" list | grep -c '^' || true)))
  printf '%-7s %4d processes  %6.1f changes/s  %d of %d check-ins kept\n' "$1" "$processes" \
    "$(echo "$changes / ($end - $start)" | bc -l)" "$kept" "$visits"
}

"$bin/quorvelctl" init "$work/folder" >/dev/null
run folder "$work/folder"

connection=$("$here/scripts/pg-cluster.sh" start "$work/db")
"$bin/quorvelctl" init "$work/office" >/dev/null
"$bin/quorvelctl" --folder "$work/office" migrate --to "$connection" --switch >/dev/null
run server "$work/office"
