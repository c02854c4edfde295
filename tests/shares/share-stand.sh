#!/usr/bin/env bash
# Starts or stops the share stand: one temporary folder served by an sshd of its own on
# 127.0.0.1 and mounted twice through sshfs, each mount with its own cache and its own file
# locks, as two workstations mount one server folder. "start" writes where things are into
# STAND/stand.env for the tests, or, where sshd or sshfs is not installed, why there is no stand.
#   share-stand.sh start|stop STAND
set -euo pipefail
action=${1:?start or stop}
stand=$(realpath -m "${2:?stand folder}")

mounted() { grep -qs " $1 " /proc/self/mounts; }

stop() {
  for mount in "$stand/mount-a" "$stand/mount-b"; do
    if mounted "$mount"; then
      fusermount3 -u "$mount" 2>/dev/null || fusermount -u "$mount" 2>/dev/null || umount -l "$mount" || true
    fi
  done
  if [ -f "$stand/sshd.pid" ]; then
    kill "$(cat "$stand/sshd.pid")" 2>/dev/null || true
    rm -f "$stand/sshd.pid"
  fi
  # Never remove through a mount that is still there.
  if ! mounted "$stand/mount-a" && ! mounted "$stand/mount-b"; then
    rm -rf "$stand"
  fi
}

start() {
  stop
  mkdir -p "$stand"
  for tool in /usr/sbin/sshd sshfs ssh-keygen; do
    if ! command -v "$tool" >/dev/null; then
      echo "unavailable=$tool is not installed (Debian packages openssh-server and sshfs)" >"$stand/stand.env"
      echo "The share stand is skipped: $tool is not installed."
      exit 0
    fi
  done
  mkdir -p "$stand/served" "$stand/mount-a" "$stand/mount-b"
  chmod 755 "$stand"
  ssh-keygen -q -t ed25519 -N '' -f "$stand/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$stand/user_key"
  cp "$stand/user_key.pub" "$stand/authorized_keys"
  [ "$(id -u)" -eq 0 ] && mkdir -p /run/sshd
  local port tries=0
  while :; do
    port=$((20000 + RANDOM % 40000))
    cat >"$stand/sshd_config" <<CONFIG
Port $port
ListenAddress 127.0.0.1
HostKey $stand/host_key
PidFile $stand/sshd.pid
AuthorizedKeysFile $stand/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
CONFIG
    if /usr/sbin/sshd -f "$stand/sshd_config" -E "$stand/sshd.log"; then
      for _ in $(seq 50); do [ -s "$stand/sshd.pid" ] && break; sleep 0.1; done
      [ -s "$stand/sshd.pid" ] && kill -0 "$(cat "$stand/sshd.pid")" 2>/dev/null && break
    fi
    tries=$((tries + 1))
    if [ $tries -ge 5 ]; then
      cat "$stand/sshd.log" >&2 || true
      echo "sshd did not start" >&2
      exit 1
    fi
  done
  local options="port=$port,IdentityFile=$stand/user_key,StrictHostKeyChecking=no"
  options+=",UserKnownHostsFile=/dev/null,BatchMode=yes,LogLevel=ERROR,cache=no,entry_timeout=0,attr_timeout=0,negative_timeout=0"
  for mount in "$stand/mount-a" "$stand/mount-b"; do
    if ! sshfs -o "$options" "$(id -un)@127.0.0.1:$stand/served" "$mount"; then
      cat "$stand/sshd.log" >&2 || true
      echo "sshfs could not mount $mount" >&2
      stop
      exit 1
    fi
  done
  printf 'served=%s\nmountA=%s\nmountB=%s\n' "$stand/served" "$stand/mount-a" "$stand/mount-b" >"$stand/stand.env"
  echo "Share stand: $stand/served on 127.0.0.1:$port, mounted at $stand/mount-a and $stand/mount-b"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *)
    echo "usage: $0 start|stop STAND" >&2
    exit 2
    ;;
esac
