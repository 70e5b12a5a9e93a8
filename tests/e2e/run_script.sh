#!/usr/bin/env bash
# Runs one automation script end to end: a fresh confcred-server on a free
# loopback port with a new SQLite database (demo data), confcred-host in
# automation mode against it with drive C: in a temporary folder, then checks
# the transcript against NAME.expect and runs NAME.check.sh when there is one.
#
#   run_script.sh HOST_EXE SERVER_EXE SCRIPT
#
# NAME.expect: the lines the transcript must contain, in this order (other
# lines may come between). Each line is a fixed text that must appear within
# one transcript line; "#" lines and blank lines are ignored. A line starting
# with "!" is a text that must appear nowhere in the transcript.
#
# NAME.check.sh runs after the host with E2E_DRIVE_C (the folder of C:),
# E2E_DB (the SQLite file), E2E_TRANSCRIPT and E2E_SERVER (HOST:PORT) set, and
# fails the test with a non-zero exit.
#
# A script may set things up first: NAME.setup.sh runs before the host, with
# the same variables (E2E_TRANSCRIPT not yet written).
set -euo pipefail
host_exe=$1 server_exe=$2 script=$3
name=${script%.script}
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/c"
export E2E_DRIVE_C=$work/c E2E_DB=$work/confcred.db E2E_TRANSCRIPT=$work/transcript.txt
"$server_exe" --listen 127.0.0.1:0 --db "sqlite:$E2E_DB" >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 1 300); do
    grep -q "listening on" "$work/server.out" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { echo "server did not start:"; cat "$work/server.err"; exit 1; }
    sleep 0.1
done
export E2E_SERVER=$(sed -n 's/.*listening on \(.*\)$/\1/p' "$work/server.out" | head -1)
[ -n "$E2E_SERVER" ] || { echo "server gave no address"; cat "$work/server.err"; exit 1; }

[ -f "$name.setup.sh" ] && bash "$name.setup.sh"

status=0
# The desk as it is deployed: the server's address and nothing else; no
# database URL or password reaches the host (its own queries, like the
# filter's client look-up, go through the server's /query).
env -u PGPASSWORD -u PGPASSFILE QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$host_exe" \
    --server "$E2E_SERVER" --drive "C=$E2E_DRIVE_C" --branch 1 --operator e2e \
    --script "$script" >"$E2E_TRANSCRIPT" 2>"$work/host.err" || status=$?
echo "=== transcript ($script, exit $status)"
cat "$E2E_TRANSCRIPT"
if [ "$status" -ne 0 ]; then
    echo "=== host stderr"; cat "$work/host.err"; exit 1
fi

if [ -f "$name.expect" ]; then
    # Ordered containment: each expected text must be found after the last match.
    awk -v expect="$name.expect" '
        BEGIN {
            n = 0
            while ((getline line < expect) > 0) {
                if (line ~ /^#/ || line ~ /^[[:space:]]*$/) continue
                if (substr(line, 1, 1) == "!") { never[++m] = substr(line, 2); continue }
                want[++n] = line
            }
            i = 1
        }
        {
            for (k = 1; k <= m; ++k)
                if (index($0, never[k]) > 0) { print "unexpected at transcript line " NR ": " never[k]; bad = 1 }
            if (i <= n && index($0, want[i]) > 0) ++i
        }
        END {
            if (i <= n) { print "expected, after what matched so far: " want[i]; bad = 1 }
            exit bad
        }' "$E2E_TRANSCRIPT" || { echo "=== transcript does not match $name.expect"; exit 1; }
fi
if [ -f "$name.check.sh" ]; then
    bash "$name.check.sh" || { echo "=== $name.check.sh failed"; exit 1; }
fi
echo "=== passed"
