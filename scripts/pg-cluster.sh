#!/usr/bin/env bash
# scripts/pg-cluster.sh start DIR PORT | stop DIR
# A throw-away PostgreSQL cluster for the test suites: "start" creates a fresh
# cluster under DIR (removing whatever an earlier run left there), with trust
# authentication on 127.0.0.1 only, starts it on PORT, waits until it accepts
# connections and prints its URL. "stop" stops it and removes DIR.
# As root, the cluster runs as the user postgres (PostgreSQL refuses root).
set -euo pipefail

usage() { echo "usage: $0 start DIR PORT | stop DIR" >&2; exit 2; }

pg_bin() {  # the directory of PostgreSQL's server programs
    local found
    if found="$(command -v initdb 2>/dev/null)"; then dirname "$(readlink -f "$found")"; return; fi
    found="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
    [ -n "$found" ] || { echo "pg-cluster: PostgreSQL server programs not found (initdb)" >&2; exit 1; }
    echo "$found"
}

as_owner() {  # runs a command as the cluster's owner
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop_cluster() {
    local dir="$1"
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$(pg_bin)/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
}

cmd="${1:-}"
case "$cmd" in
start)
    [ $# -eq 3 ] || usage
    dir="$(readlink -m "$2")"
    port="$3"
    [[ "$port" =~ ^[0-9]+$ ]] || { echo "pg-cluster: port must be a number: $port" >&2; exit 2; }
    bin="$(pg_bin)"
    stop_cluster "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    if ! as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 \
            --locale=C.UTF-8 >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        echo "pg-cluster: initdb failed in $dir" >&2
        exit 1
    fi
    # Loopback only; the socket lives in the cluster's folder, not in /run.
    if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c max_connections=200" \
            start >/dev/null 2>&1; then
        tail -20 "$dir/server.log" >&2 || true
        echo "pg-cluster: PostgreSQL did not start on port $port" >&2
        exit 1
    fi
    for _ in $(seq 1 60); do
        if pg_isready -q -h 127.0.0.1 -p "$port" -U postgres; then
            echo "postgresql://postgres@127.0.0.1:$port/postgres"
            exit 0
        fi
        sleep 0.5
    done
    echo "pg-cluster: PostgreSQL on port $port is not ready after 30 s" >&2
    exit 1
    ;;
stop)
    [ $# -eq 2 ] || usage
    stop_cluster "$(readlink -m "$2")"
    ;;
*) usage ;;
esac
