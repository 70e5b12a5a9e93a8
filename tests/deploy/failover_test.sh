#!/usr/bin/env bash
# Failover behind a balancer, on loopback: a fresh PostgreSQL database, three
# confcred-server processes started together on it, HAProxy in front (round
# robin, health checks on /health/ready) and concurrent clients importing
# orders and running the four operations on them through the balancer, each
# write with an Idempotency-Key of its own. The balancer runs the shipped
# packaging/haproxy.cfg itself, only its ports and certificate replaced. Early on one server ends right
# after a commit, before its answer; in the middle another is killed
# (SIGKILL); each is started again on its port. A client whose call got no
# answer, or a 502/503/504 or 409, sends the same request with the same key
# again. Afterwards: no call lost to the balancer (none of its own error
# pages, no call without an answer), no call left unanswered, a retry answered with the
# committed outcome (replayed), every order where its client left it,
# each order's ledger rows matching its situation (credited once or not at
# all), every balance equal to its ledger and verify-ledger ok. Prints one
# line "failover: ..." with the figures. Takes well under 90 seconds.
#
# CONFCRED_SERVER=PATH runs another confcred-server than build/bench's;
# CONFCRED_TEST_PG=URL uses that PostgreSQL cluster (a database of its own is
# created and dropped there), otherwise a throw-away cluster is started.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SERVER="${CONFCRED_SERVER:-$ROOT/build/bench/src/server/confcred-server}"
CLIENTS=6
MAX_ROUNDS=300    # per client, each of 7 calls; the clients stop when told,
CLIENT_SECONDS=45 # or at the latest after this long
RETRIES=8      # further tries of one call before it counts as unanswered
[ -x "$SERVER" ] || { echo "no confcred-server at $SERVER (run bench/run, or set CONFCRED_SERVER)"; exit 1; }
command -v haproxy >/dev/null || { echo "haproxy is not installed (scripts/install-deps.sh)"; exit 1; }

work="$(mktemp -d)"
started=$SECONDS
pg_dir="" admin="" db="" url="" lb_pid="" watchdog=""
declare -a port spid cpid
cleanup() {  # stops everything this script started: politely, then after 5 s for good
    local p left
    for p in "${cpid[@]}" "${spid[@]}" "$lb_pid"; do
        [ -n "$p" ] && kill "$p" 2>/dev/null && kill -CONT "$p" 2>/dev/null || true
    done
    for _ in $(seq 1 50); do
        left=0
        for p in "${cpid[@]}" "${spid[@]}" "$lb_pid"; do
            [ -n "$p" ] && kill -0 "$p" 2>/dev/null && left=1
        done
        [ "$left" -eq 0 ] && break
        sleep 0.1
    done
    for p in "${cpid[@]}" "${spid[@]}" "$lb_pid"; do
        [ -n "$p" ] && kill -KILL "$p" 2>/dev/null || true
    done
    if [ -n "$db" ]; then
        timeout 10 psql "$admin" -Atqc "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1 || true
    fi
    [ -n "$pg_dir" ] && bash "$ROOT/scripts/pg-cluster.sh" stop "$pg_dir" >/dev/null 2>&1 || true
    [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "failover: stopped (signal or out of time)"; exit 1' TERM INT
# The whole test is bounded: past 80 s it stops itself, and cleans up.
(
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep 80 &
    nap=$!
    wait "$nap" && kill -TERM $$
) 2>/dev/null &
watchdog=$!

fail() {
    echo "failover: $*"
    local f
    for f in "$work"/*.err "$work"/haproxy.log; do
        [ -s "$f" ] && { echo "--- $(basename "$f")"; grep -v '^{"time"' "$f" | tail -5; }
    done
    exit 1
}
free_port() {  # a loopback port nothing answers on, below the ports the system hands out itself
    local p low
    low="$(cut -f1 /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || echo 32768)"
    for _ in $(seq 1 50); do
        p=$((10000 + RANDOM % (low - 10000)))
        [[ " ${port[*]} " == *" $p "* ]] && continue
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return 0; fi
    done
    return 1
}
sql() { timeout 20 psql "$url" -v ON_ERROR_STOP=1 -Atq "$@"; }

echo "--- PostgreSQL and a fresh database"
if [ -n "${CONFCRED_TEST_PG:-}" ]; then
    admin="$CONFCRED_TEST_PG"
else
    pg_dir="$(mktemp -u /tmp/confcred-pg.XXXXXX)"
    admin="$(bash "$ROOT/scripts/pg-cluster.sh" start "$pg_dir" "$(free_port)")" ||
        fail "PostgreSQL did not start"
fi
db="confcred_failover_$$_$RANDOM"
timeout 20 psql "$admin" -Atqc "CREATE DATABASE $db" || { db=""; fail "cannot create a database"; }
url="${admin%/*}/$db"

echo "--- three servers started at once on the empty database"
for i in 1 2 3; do port[i]="$(free_port)" || fail "no free port"; done
start_server() {  # start_server I [FAULT]: server I on its port; its messages in server<I>.err
    CONFCRED_FAULT="${2:-}" "$SERVER" --listen "127.0.0.1:${port[$1]}" --db "$url" --threads 2 --workers 4 \
        >"$work/server$1.out" 2>>"$work/server$1.err" &
    spid[$1]=$!
}
wait_listening() {  # wait_listening I: until server I says it listens (30 s at most)
    for _ in $(seq 1 300); do
        grep -q "^confcred-server listening on 127.0.0.1:${port[$1]}$" "$work/server$1.out" && return 0
        kill -0 "${spid[$1]}" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# Server 3 ends by itself right after it commits its first undo, before it
# answers (the test hook of src/server/storage/fault_hook.h): that client's retry must
# get the committed answer replayed by another server.
start_server 1
start_server 2
start_server 3 exit-after-commit:setCancelaCredito
for i in 1 2 3; do wait_listening "$i" || fail "server $i did not come up"; done
timeout 30 "$SERVER" demo-data --db "$url" >/dev/null || fail "demo-data failed"
for i in 1 2 3; do
    ready="$(curl -fsS --max-time 5 "http://127.0.0.1:${port[i]}/health/ready" || true)"
    [[ "$ready" == *'"ready"'* ]] || fail "server $i is not ready: $ready"
done

echo "--- HAProxy in front, with the shipped packaging/haproxy.cfg"
port[4]="$(free_port)" || fail "no free port"
lb="127.0.0.1:${port[4]}"
# A throw-away certificate for the balancer's TLS, made now and gone with $work.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/lb.key" -out "$work/lb.crt" 2>/dev/null ||
    fail "openssl cannot make a certificate"
cat "$work/lb.crt" "$work/lb.key" >"$work/lb.pem"
# Only the addresses, the certificate's path and the log's target differ from
# the shipped file.
sed -e "s#^\( *bind \):8210 #\1$lb #" \
    -e "s#/etc/haproxy/certs/confcred.pem#$work/lb.pem#" \
    -e "s#^\( *log \)/dev/log local0#\1stderr format raw local0 notice#" \
    -e "s#127.0.0.1:8211 #127.0.0.1:${port[1]} #; s#127.0.0.1:8212 #127.0.0.1:${port[2]} #" \
    -e "s#127.0.0.1:8213 #127.0.0.1:${port[3]} #" \
    "$ROOT/packaging/haproxy.cfg" >"$work/haproxy.cfg"
for want in "bind $lb ssl crt $work/lb.pem" "server app1 127.0.0.1:${port[1]} " \
    "server app2 127.0.0.1:${port[2]} " "server app3 127.0.0.1:${port[3]} "; do
    grep -qF "$want" "$work/haproxy.cfg" || fail "packaging/haproxy.cfg has no line with '$want'"
done
haproxy -c -q -f "$work/haproxy.cfg" || fail "haproxy refuses the configuration"
haproxy -db -f "$work/haproxy.cfg" >"$work/haproxy.log" 2>&1 &
lb_pid=$!
LB="https://$lb"
TLS=(--cacert "$work/lb.crt")
for _ in $(seq 1 100); do
    curl -fsS "${TLS[@]}" --max-time 2 "$LB/health/ready" >/dev/null 2>&1 && break
    kill -0 "$lb_pid" 2>/dev/null || fail "haproxy stopped"
    sleep 0.1
done
metrics_outside="$(curl -sS "${TLS[@]}" -o /dev/null -w '%{http_code}' "$LB/metrics" || true)"
[ "$metrics_outside" = 403 ] || fail "/metrics through the balancer answered $metrics_outside, not 403"

# One client: rounds of an import of three orders of its own, the list of
# them, and effect, undo, cancel and undo the cancellation, leaving the
# orders pending, effected and cancelled. Writes the final situation it
# expects of each order to expect<C> and its figures to counts<C>.
field() { printf '{"name":"%s","type":"%s"%s}' "$1" "$2" "${3:+,\"size\":$3}"; }
FIELDS="[$(field IDCHECK fixedstring 1),$(field IDPEDCREEXTR string 1),$(field IDPEDCRECONT string 1)"
FIELDS+=",$(field NRPEDCRECONS string 20),$(field CDCLIENTE string 21),$(field CDCONSUMIDOR string 21)"
FIELDS+=",$(field VRPEDCRECONS double),$(field DTPEDCRECONS datetime),$(field DSSITCREBANC string 50)"
FIELDS+=",$(field NMCONSUMIDOR string 50),$(field NMRESPCONS string 50),$(field NMRAZSOCCLIE string 50)]"
ARQUIVO="[$(field ARQUIVO string 5000)]"
client() {
    local c="$1" r=0 deadline=$((SECONDS + CLIENT_SECONDS))
    local calls=0 retries=0 replayed=0 unanswered=0 wrong=0 imported=0 lost=0
    local out="$work/client$c" status="" pid="" tag key
    trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; exit 1' TERM
    call() {  # call METHOD BODY [KEY]: status in $status, answer in $out.body
        local attempt=0
        calls=$((calls + 1))
        while :; do
            curl -sS "${TLS[@]}" -o "$out.body" -D "$out.head" -w '%{http_code}' --connect-timeout 2 \
                --max-time 10 -H 'Content-Type: application/json' \
                -H "X-Confcred-Operator: failover$c" ${3:+-H "Idempotency-Key: $3"} \
                --data-binary "$2" "$LB/lun90000.rdmConfCredBanc/$1" >"$out.status" \
                2>/dev/null &
            pid=$!
            wait "$pid" || true
            pid=""
            status="$(cat "$out.status")"
            # Lost to the balancer: no answer at all, or an error page of
            # HAProxy's own instead of a server's JSON.
            case "$status" in
            000) lost=$((lost + 1)) ;;
            502 | 503 | 504)
                head -c 1 "$out.body" | grep -q '{' || {
                    lost=$((lost + 1))
                    echo "lost to the balancer: $1 $status $(head -c 200 "$out.body" | tr '\n' ' ')" >>"$out.log"
                }
                ;;
            esac
            case "$status" in
            000 | 409 | 502 | 503 | 504) ;;
            *)
                grep -qi '^Idempotent-Replayed: *true' "$out.head" && replayed=$((replayed + 1))
                return 0
                ;;
            esac
            if [ "$attempt" -ge "$RETRIES" ]; then
                unanswered=$((unanswered + 1))
                echo "unanswered: $1 $3 (last status $status)" >>"$out.log"
                return 1
            fi
            attempt=$((attempt + 1))
            retries=$((retries + 1))
            sleep "0.$((attempt < 5 ? attempt * 2 : 9))"
        done
    }
    write() {  # write METHOD BODY: with a fresh key; anything but 200 is wrong
        key="fo-$$-$c-$r-$RANDOM$RANDOM"
        call "$1" "$2" "$key" || return 1
        [ "$status" = 200 ] && return 0
        wrong=$((wrong + 1))
        echo "$1 round $r: $status $(head -c 300 "$out.body")" >>"$out.log"
        return 1
    }
    rows() {  # rows O...: the operations' packet of these orders
        local sep="" body="" one
        for one in "$@"; do
            body+="$sep[null,null,null,$one,null,null,null,null]"
            sep=","
        done
        echo "{\"fields\":$FIELDS,\"rows\":[$body]}"
    }
    local cli cons
    cli="$(printf 'CLI%03d' $(((c - 1) % 6 + 1)))"
    cons=$((((c - 1) % 6) * 7 + 1))
    while [ ! -e "$work/stop" ] && [ "$r" -lt "$MAX_ROUNDS" ] && [ "$SECONDS" -lt "$deadline" ]; do
        r=$((r + 1))
        tag="$(printf 'fo-c%d-r%03d' "$c" "$r")"
        local file=""
        for l in 1 2 3; do
            file+="C;$cli;$(printf 'CONS%04d' $((cons + l)));FO${c}R${r}L$l;15/06/2026 10:00:00;$tag;"
            file+="$(printf 'ALI=%d,%02d;LAN=%d,50\\n' "$l" "$r" "$c")"
        done
        write SetImporSaldoCons "{\"args\":[{\"fields\":$ARQUIVO,\"rows\":[[\"$file\"]]}]}" || continue
        imported=$((imported + 1))
        if ! grep -q '"rows":\[\]' "$out.body"; then
            wrong=$((wrong + 1))
            echo "import round $r warned: $(head -c 300 "$out.body")" >>"$out.log"
            continue
        fi
        local day='"2026-06-15T00:00:00"'
        call getPEDCREDCONS "{\"args\":[\"T\",\"T\",$day,$day,\"\",\"\",\"T\",\"%$tag%\"]}" || continue
        # Each order as the operations take it: number, client, consumer,
        # value, date (the fields after the slip in the list's rows).
        local -a o=()
        mapfile -t o < <(grep -o "\"FO${c}R${r}L[123]\",\"[0-9]*\",\"[^\"]*\",\"[^\"]*\",[^,]*,\"[^\"]*\"" \
            "$out.body" | sort | cut -d, -f2-)
        if [ "$status" != 200 ] || [ "${#o[@]}" -ne 3 ]; then
            wrong=$((wrong + 1))
            echo "list round $r: $status, ${#o[@]} orders" >>"$out.log"
            continue
        fi
        write setEfetivaSaldo "{\"args\":[$(rows "${o[@]}")]}" &&
            write setCancelaCredito "{\"args\":[$(rows "${o[0]}" "${o[2]}")]}" &&
            write setSituacao "{\"args\":[$(rows "${o[0]}"),\"C\"]}" &&
            write setSituacao "{\"args\":[$(rows "${o[0]}"),\"N\"]}" &&
            write setSituacao "{\"args\":[$(rows "${o[2]}"),\"C\"]}" &&
            printf '%s\n' "('$cli','FO${c}R${r}L1','N')" "('$cli','FO${c}R${r}L2','S')" \
                "('$cli','FO${c}R${r}L3','C')" >>"$work/expect$c"
        echo "$r" >"$out.rounds"
    done
    echo "$calls $retries $replayed $unanswered $wrong $imported $lost" >"$work/counts$c"
}

echo "--- $CLIENTS clients through the balancer; server 3 crashes, server 2 is killed; both start again"
for c in $(seq 1 "$CLIENTS"); do
    client "$c" &
    cpid[c]=$!
done
restart() {  # restart I: server I again on its port, its earlier messages kept aside
    mv "$work/server$1.err" "$work/server$1-$2.err"
    start_server "$1"
    wait_listening "$1" || fail "server $1 did not come up again on port ${port[$1]}"
}
for _ in $(seq 1 200); do
    kill -0 "${spid[3]}" 2>/dev/null || break
    sleep 0.1
done
kill -0 "${spid[3]}" 2>/dev/null && fail "server 3 did not end after a commit within 20 s"
crashed=0
wait "${spid[3]}" || crashed=$?
[ "$crashed" -eq 70 ] || fail "server 3 did not end after a commit (exit $crashed)"
restart 3 crashed
rounds_done() { cat "$work"/client*.rounds 2>/dev/null | awk '{n += $1} END {print n + 0}'; }
for _ in $(seq 1 200); do
    [ "$(rounds_done)" -ge $((2 * CLIENTS)) ] && break
    sleep 0.1
done
# Frozen for a moment first (SIGSTOP), so that calls are surely on their way
# in it when it dies: the balancer has sent them, the server never answers.
kill -STOP "${spid[2]}"
sleep 0.5
kill -KILL "${spid[2]}"
wait "${spid[2]}" 2>/dev/null || true
killed_after=$(rounds_done)
sleep 1.5
restart 2 killed
# Until the balancer sends it calls again (15 s at most), then a little more.
for _ in $(seq 1 150); do
    [ "$(grep -c '"method"' "$work/server2.err" || true)" -ge 10 ] && break
    sleep 0.1
done
sleep 2
touch "$work/stop"
for c in $(seq 1 "$CLIENTS"); do
    timeout 30 tail --pid="${cpid[c]}" -f /dev/null || fail "client $c did not finish"
    cpid[c]=""
done
after_restart="$(grep -c '"method"' "$work/server2.err" || true)"

echo "--- checks"
read -r calls retries replayed unanswered wrong imported lost < <(cat "$work"/counts* |
    awk '{for (i = 1; i <= 7; i++) s[i] += $i} END {print s[1]+0, s[2]+0, s[3]+0, s[4]+0, s[5]+0, s[6]+0, s[7]+0}')
cat "$work"/client*.log 2>/dev/null | head -20 || true
# Every order each client finished where it left it, and no other order of
# its imports, nor one twice.
expected="$(cat "$work"/expect* 2>/dev/null | paste -sd, || true)"
[ -n "$expected" ] || fail "no client finished a round"
orders_wrong="$(sql -c "SELECT count(*) FROM (VALUES $expected) e(cli, slip, sit)
    LEFT JOIN PEDCREDCONS p ON p.CDCLIENTE = e.cli AND p.NRBOLETO = e.slip
    WHERE p.IDPEDCREEXTR IS DISTINCT FROM e.sit")"
orders="$(sql -c "SELECT count(*) FROM PEDCREDCONS WHERE NRBOLETO LIKE 'FO%'")"
[ "$orders" -eq $((imported * 3)) ] || orders_wrong=$((orders_wrong + 1))
# Every order's ledger rows add up, per family, to its value when effected
# and to nothing otherwise: credited once, or not at all.
ledger_wrong="$(sql -c "
    WITH l AS (SELECT IDPEDCREDCONS, CDFAMILISALD, SUM(VRLANCSALDO_CENT) AS v FROM LANCSALDO
               WHERE IDOPERACAO IN ('EFETIVA', 'DESFAZ_EFETIVA') GROUP BY 1, 2),
         f AS (SELECT f.IDPEDCREDCONS, f.CDFAMILISALD,
                      CASE WHEN p.IDPEDCREEXTR = 'S' THEN f.VRPEDCREFAMI_CENT ELSE 0 END AS v
               FROM PEDCREDFAMI f JOIN PEDCREDCONS p ON p.IDPEDCREDCONS = f.IDPEDCREDCONS)
    SELECT count(*) FROM f FULL JOIN l USING (IDPEDCREDCONS, CDFAMILISALD)
    WHERE COALESCE(f.v, 0) <> COALESCE(l.v, 0)")"
# Every balance equals the sum of its ledger rows.
balances_wrong="$(sql -c "
    SELECT count(*) FROM SALDOCONS s FULL JOIN
        (SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, SUM(VRLANCSALDO_CENT) AS v FROM LANCSALDO
         WHERE COALESCE(CDFAMILISALD, '') <> '' GROUP BY 1, 2, 3) l
        USING (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)
    WHERE COALESCE(s.VRSALDO_CENT, 0) <> COALESCE(l.v, 0)")"
ledger_rows="$(sql -c "SELECT count(*) FROM LANCSALDO")"
verify="$(timeout 20 "$SERVER" verify-ledger --db "$url" 2>&1)" && verified=1 || verified=0
echo "verify-ledger: $(head -1 <<<"$verify")"
[[ "$verify" == ok* ]] || verified=0
discrepancies=$((wrong + orders_wrong + ledger_wrong + balances_wrong + (1 - verified)))

echo "failover: $CLIENTS clients, $calls calls, $retries retries, $replayed replayed," \
    "$lost lost to the balancer, $unanswered unanswered, 1 crash after a commit, 1 kill (after $killed_after rounds)," \
    "$after_restart calls on the restarted server, $orders orders, $ledger_rows ledger rows," \
    "$discrepancies discrepancies, $((SECONDS - started)) s"
[ "$lost" -eq 0 ] || fail "calls lost to the balancer"
[ "$unanswered" -eq 0 ] || fail "calls left unanswered"
[ "$discrepancies" -eq 0 ] ||
    fail "discrepancies: calls $wrong, orders $orders_wrong, ledger $ledger_wrong, balances $balances_wrong, verify-ledger $((1 - verified))"
[ "$after_restart" -gt 0 ] || fail "the restarted server got no calls"
[ "$replayed" -gt 0 ] || fail "no retry got a replayed answer after the crash"
