#!/usr/bin/env bash
# Main job on the embedded default: builds everything and runs the demonstration.
set -euo pipefail
source "$(dirname "$0")/common.sh"
ensure_deps
configure_build release -DCMAKE_BUILD_TYPE=Release -DCONFCRED_BUILD_TESTS=OFF
exec "$ROOT/build/release/demo/confcred-demo" "$@"
