#!/usr/bin/env bash
# The main job on the embedded default: builds everything, starts
# confcred-server on its SQLite file (created with demo data on first start)
# and confcred-host, which opens the bank credit confirmation screen. With a
# display the host is interactive; without one it runs scripts/main-job.script
# under Xvfb, prints the transcript and saves a picture in build/main-job.png.
# Extra arguments go to confcred-host.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps
configure_build release -DCMAKE_BUILD_TYPE=Release -DCONFCRED_BUILD_TESTS=OFF

BIN="$ROOT/build/release"
SERVER="$BIN/src/server/confcred-server"
HOST="$BIN/bin/confcred-host"
PORT="${CONFCRED_PORT:-8211}"
LOG="$ROOT/build/server.log"

# A server already answering on the port (a previous run, another terminal) is used as is.
server_pid=""
if ! curl -fsS "http://127.0.0.1:$PORT/health" >/dev/null 2>&1; then
    "$SERVER" --listen "127.0.0.1:$PORT" >"$LOG" 2>&1 &
    server_pid=$!
    trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        grep -q "listening on" "$LOG" 2>/dev/null && break
        kill -0 "$server_pid" 2>/dev/null || { cat "$LOG"; exit 1; }
        sleep 0.1
    done
    grep -q "listening on" "$LOG" || { echo "confcred-server did not start"; cat "$LOG"; exit 1; }
fi
echo "confcred-server on 127.0.0.1:$PORT (log: $LOG)"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$HOST" --server "127.0.0.1:$PORT" "$@"
else
    shot="$ROOT/build/main-job.png"
    xvfb-run -a -s "-screen 0 1280x800x24" "$HOST" --server "127.0.0.1:$PORT" \
        --script "$ROOT/scripts/main-job.script" --screenshot "$shot" "$@"
    echo "picture of the host: $shot"
fi
