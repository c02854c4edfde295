#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for tests, demos and benchmarks: `start DIR` makes and starts
# one in DIR (socket in DIR, no TCP), prints the connection string and writes it to
# DIR/connection; `stop DIR` stops it and removes DIR. PostgreSQL refuses to run as root, so
# then the cluster runs as an unprivileged user (postgres, made if missing).
set -euo pipefail
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "no PostgreSQL binaries installed" >&2
  exit 3
fi
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  id -u postgres >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin postgres
  as_owner=(runuser -u postgres --)
fi
case "$action" in
  start)
    # What a killed run left behind goes first.
    if [ -d "$dir/cluster" ]; then
      "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/cluster" -m immediate stop >/dev/null 2>&1 || true
      rm -rf "$dir"
    fi
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    "${as_owner[@]}" "$bin/initdb" -D "$dir/cluster" -U quorvel --auth=trust -E UTF8 --no-locale \
      >"$dir/initdb.log" 2>&1
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/cluster" -l "$dir/server.log" -w -t 60 \
      -o "-k $dir -c listen_addresses=" start >/dev/null
    "${as_owner[@]}" "$bin/createdb" -h "$dir" -U quorvel quorvel
    echo "host=$dir dbname=quorvel user=quorvel" | tee "$dir/connection"
    ;;
  restart)
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/cluster" -w -t 60 -m fast restart \
      -o "-k $dir -c listen_addresses=" >/dev/null
    ;;
  stop)
    if [ -d "$dir/cluster" ]; then
      "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/cluster" -w -t 60 -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|restart|stop DIR" >&2
    exit 2
    ;;
esac
