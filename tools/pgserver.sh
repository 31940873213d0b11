#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: no TCP, only a Unix socket in
# a private folder, trust authentication, no fsync.
#   pgserver.sh init DIR    initdb into DIR/data, the socket folder DIR/socket
#   pgserver.sh start DIR   starts it and waits until it takes connections
#   pgserver.sh stop DIR    stops it (fast shutdown)
# PostgreSQL refuses to run as root: as root, the server runs as the
# unprivileged user "postgres" (made by the Debian package), which owns DIR.
set -euo pipefail

command=$1
dir=$2
bin=${ROTAPROBE_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)}
if [ ! -x "$bin/pg_ctl" ]; then
    echo "pgserver: no PostgreSQL server binaries (apt-get install postgresql)" >&2
    exit 1
fi

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case $command in
init)
    mkdir -p "$dir/socket"
    if [ "$(id -u)" -eq 0 ]; then chown -R postgres: "$dir"; fi
    as_owner "$bin/initdb" -D "$dir/data" -U rotaprobe --auth=trust -E UTF8 --no-sync \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    ;;
start)
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-k $dir/socket -c listen_addresses='' -c fsync=off -c max_connections=60" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    ;;
stop)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
*)
    echo "usage: pgserver.sh init|start|stop DIR" >&2
    exit 2
    ;;
esac
