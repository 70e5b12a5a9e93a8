#!/usr/bin/env bash
# Every test: the warnings-as-errors build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, a short run of each fuzz target, and the
# format check. Ends with one summary line "N passed, N failed".
set -uo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps

passed=0
failed=0
step() {  # step <name> <command...>
    local name="$1"; shift
    echo "=== $name"
    if "$@"; then passed=$((passed + 1)); echo "=== $name: ok"
    else failed=$((failed + 1)); echo "=== $name: FAILED"; fi
}

run_ctest() {  # run_ctest <build dir>
    ctest --test-dir "$ROOT/build/$1" --output-on-failure -j "$JOBS" --timeout 600
}

step "build (warnings as errors)" configure_build debug -DCMAKE_BUILD_TYPE=Debug -DCONFCRED_WERROR=ON
step "tests" run_ctest debug

step "build (address and undefined-behaviour sanitizers)" configure_build asan \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONFCRED_WERROR=ON -DCONFCRED_SANITIZE=ON
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
step "tests under sanitizers" run_ctest asan

step "build fuzz targets" configure_build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCONFCRED_BUILD_TESTS=OFF \
    -DCONFCRED_BUILD_FUZZ=ON
step "fuzz (bounded)" bash "$ROOT/fuzz/run" "${FUZZ_SECONDS:-30}"

step "format" bash "$ROOT/scripts/check-format.sh"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
