#!/usr/bin/env bash
# Every test: the suites in a build with warnings as errors, AddressSanitizer
# and UndefinedBehaviorSanitizer, a short run of each fuzz target, the format,
# layer and translation checks, the benchmarks against their limits, the packages
# and the failover behind a balancer. Ends with one summary line
# "N passed, N failed": one for each test of the suites, plus one for each
# other step.
set -uo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps

passed=0
failed=0
step() {  # step <name> <command...>: one check
    local name="$1"; shift
    echo "=== $name"
    local start=$SECONDS
    if "$@"; then passed=$((passed + 1)); echo "=== $name: ok ($((SECONDS - start)) s)"
    else failed=$((failed + 1)); echo "=== $name: FAILED ($((SECONDS - start)) s)"; fi
}

tests() {  # tests <build dir>: every test of that build, counted one by one
    echo "=== tests of build/$1"
    local log="$ROOT/build/$1-ctest.log"
    ctest --test-dir "$ROOT/build/$1" --output-on-failure -j "$JOBS" --timeout 600 | tee "$log"
    local summary total failures
    summary="$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)"
    if [ -z "$summary" ]; then
        echo "=== tests of build/$1: none ran"; failed=$((failed + 1)); return
    fi
    total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")"
    failures="$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")"
    passed=$((passed + total - failures))
    failed=$((failed + failures))
}

# The server suites run on SQLite always and on PostgreSQL through this
# throw-away cluster; it stays up for the tests and stops on exit.
free_port() {  # a loopback port nothing answers on
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 30000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then echo "$port"; return 0; fi
    done
    return 1
}
start_postgres() {
    local port url
    port="$(free_port)" || { echo "no free port for PostgreSQL"; return 1; }
    url="$(bash "$ROOT/scripts/pg-cluster.sh" start "$PG_DIR" "$port")" || return 1
    export CONFCRED_TEST_PG="$url"
    echo "PostgreSQL for the server suites: $url"
}
# Under /tmp, so that the user postgres can reach it wherever the checkout lives.
PG_DIR="$(mktemp -u /tmp/confcred-pg.XXXXXX)"
trap 'bash "$ROOT/scripts/pg-cluster.sh" stop "$PG_DIR" >/dev/null 2>&1 || true' EXIT
step "start PostgreSQL (scripts/pg-cluster.sh)" start_postgres

# One build runs every test: warnings as errors, AddressSanitizer and
# UndefinedBehaviorSanitizer, assertions on. Unoptimised, with line tables
# only: on two cores it builds in a fraction of the time an optimised one
# takes, and the sanitizers' reports still name file and line.
step "build (warnings as errors, address and undefined-behaviour sanitizers)" configure_build asan \
    -DCMAKE_BUILD_TYPE=Debug -DCONFCRED_WERROR=ON -DCONFCRED_SANITIZE=ON \
    "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O0 -g1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
tests asan

BUILD_TARGET=fuzz_targets step "build fuzz targets" configure_build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCONFCRED_BUILD_TESTS=OFF -DCONFCRED_BUILD_GUI=OFF \
    -DCONFCRED_BUILD_FUZZ=ON
step "fuzz (bounded)" bash "$ROOT/fuzz/run" "${FUZZ_SECONDS:-30}"

step "format" bash "$ROOT/scripts/check-format.sh"
step "layers (scripts/check-layers.sh)" bash "$ROOT/scripts/check-layers.sh"
# The layer check itself: a tree with one upward include must fail it.
layer_check_refuses_upward() {
    local tree status
    tree="$(mktemp -d)"
    mkdir -p "$tree/src/host/core" "$tree/src/host/forms"
    touch "$tree/src/host/forms/frm_padrao.h"
    printf '#include "host/forms/frm_padrao.h"\n' >"$tree/src/host/core/dispatch.cpp"
    bash "$ROOT/scripts/check-layers.sh" "$tree" >/dev/null
    status=$?
    rm -rf "$tree"
    [ "$status" -ne 0 ]
}
step "layer check refuses an upward include" layer_check_refuses_upward
step "translations" bash "$ROOT/scripts/check-translations.sh" "$ROOT/build/asan"

# The performance goals: every figure is a ratio against a reference measured
# in the same run, so it holds on a shared machine.
step "benchmarks hold their limits" bash "$ROOT/bench/run"
step "packages" bash "$ROOT/tests/deploy/package_test.sh"
step "failover behind a balancer" bash "$ROOT/tests/deploy/failover_test.sh"

echo "$passed passed, $failed failed ($SECONDS s in all)"
[ "$failed" -eq 0 ]
