#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: a Unix socket in a private
# folder, trust authentication, no fsync; TCP only when asked.
#   pgserver.sh init DIR    initdb into DIR/data, the socket folder DIR/socket
#   pgserver.sh start DIR [--tcp PORT] [--tls CERT KEY]
#                           starts it and waits until it takes connections;
#                           --tcp: also on 127.0.0.1:PORT (the socket is then
#                           .s.PGSQL.PORT); --tls: TLS on, with this server
#                           certificate and key (copied into DIR/tls)
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
    shift 2
    options="-k $dir/socket -c fsync=off -c max_connections=60"
    listen=""
    while [ $# -gt 0 ]; do
        case $1 in
        --tcp)
            listen=127.0.0.1
            options+=" -p $2"
            shift 2
            ;;
        --tls)
            # The server reads its key only when it alone may read it.
            mkdir -p "$dir/tls"
            cp "$2" "$dir/tls/server.crt"
            cp "$3" "$dir/tls/server.key"
            chmod 600 "$dir/tls/server.key"
            if [ "$(id -u)" -eq 0 ]; then chown -R postgres: "$dir/tls"; fi
            options+=" -c ssl=on -c ssl_cert_file=$dir/tls/server.crt"
            options+=" -c ssl_key_file=$dir/tls/server.key"
            shift 3
            ;;
        *)
            echo "pgserver: unknown start option $1" >&2
            exit 2
            ;;
        esac
    done
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "$options -c listen_addresses='$listen'" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    ;;
stop)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
*)
    echo "usage: pgserver.sh init|start|stop DIR [start options]" >&2
    exit 2
    ;;
esac
