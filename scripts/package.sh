#!/usr/bin/env bash
# scripts/package.sh: the Debian packages confcred-server and confcred-host
# (CPack, DEB generator) from a Release build: build/bench when bench/run has
# made one, build/release otherwise. Writes build/packages/*.deb and prints
# their paths.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps

if [ -f "$ROOT/build/bench/build.ninja" ]; then
    dir=bench
    args=(-DCMAKE_BUILD_TYPE=Release -DCONFCRED_BUILD_TESTS=OFF -DCONFCRED_BUILD_BENCH=ON)
else
    dir=release
    args=(-DCMAKE_BUILD_TYPE=Release -DCONFCRED_BUILD_TESTS=OFF)
fi
configure_build "$dir" "${args[@]}"

out="$ROOT/build/packages"
mkdir -p "$out"
rm -f "$out"/*.deb
log="$ROOT/build/packages.log"
if ! (cd "$ROOT/build/$dir" && cpack -G DEB -B "$out") >"$log" 2>&1; then
    tail -40 "$log"
    echo "cpack failed (full log: $log)"
    exit 1
fi
rm -rf "$out/_CPack_Packages"
ls "$out"/*.deb
