#!/usr/bin/env bash
# Starts and stops a throwaway PostgreSQL cluster on a loopback port for the
# ODBC tests: pg_cluster.sh start|stop STATE_DIR. The tests read the port from
# STATE_DIR/port, or the reason to skip from STATE_DIR/skip.
set -euo pipefail
action=$1
state=$2

as_owner=()
[ "$(id -u)" -eq 0 ] && as_owner=(runuser -u postgres --)

stop_cluster() {
  [ -f "$state/datadir" ] || return 0
  data=$(cat "$state/datadir")
  bindir=$(cat "$state/bindir")
  "${as_owner[@]}" "$bindir/pg_ctl" -D "$data/db" -m fast -w stop >/dev/null || true
  rm -rf "$data" "$state"
}

case "$action" in
start)
  # A server an earlier start left running (a repeated run, an interrupted one)
  # is stopped first, not forgotten.
  stop_cluster
  rm -rf "$state"
  mkdir -p "$state"
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
  if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
    echo "the PostgreSQL server (initdb, pg_ctl) is not installed" >"$state/skip"
    exit 0
  fi
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "running as root and there is no postgres user to run the server as" >"$state/skip"
    exit 0
  fi
  data=$(mktemp -d "${TMPDIR:-/tmp}/kvpg.XXXXXX")
  chmod 755 "$data"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$data"
  echo "$data" >"$state/datadir"
  echo "$bindir" >"$state/bindir"
  "${as_owner[@]}" "$bindir/initdb" -D "$data/db" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$data/initdb.log" 2>&1 ||
    { cat "$data/initdb.log"; exit 1; }
  # A free port: nothing answers on it.
  for attempt in $(seq 1 50); do
    port=$(( 20000 + (RANDOM * 7 + attempt) % 30000 ))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
  done
  "${as_owner[@]}" "$bindir/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 60 \
    -o "-p $port -k $data -c listen_addresses=127.0.0.1" start >/dev/null ||
    { cat "$data/server.log"; exit 1; }
  echo "$port" >"$state/port"
  echo "PostgreSQL started on 127.0.0.1:$port"
  ;;
stop)
  stop_cluster
  ;;
*)
  echo "usage: $0 start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
