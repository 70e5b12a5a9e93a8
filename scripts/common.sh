# Shared by the run, test and bench scripts.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

ensure_deps() {
    # Installs the Debian packages unless a previous run already did for this list.
    local stamp="$ROOT/build/.deps-$(md5sum "$ROOT/scripts/install-deps.sh" | cut -c1-12)"
    if [ ! -f "$stamp" ]; then
        bash "$ROOT/scripts/install-deps.sh"
        mkdir -p "$ROOT/build" && touch "$stamp"
    fi
}

# configure_build <dir> <cmake args...>: configures and builds build/<dir>
# quietly (everything, or only $BUILD_TARGET when set); on a failure it shows
# the compiler's messages.
configure_build() {
    local dir="$1"; shift
    mkdir -p "$ROOT/build"
    local log="$ROOT/build/$dir.log"
    if ! { cmake -S "$ROOT" -B "$ROOT/build/$dir" -G Ninja "$@" &&
           cmake --build "$ROOT/build/$dir" -j "$JOBS" ${BUILD_TARGET:+--target "$BUILD_TARGET"}; } \
           >"$log" 2>&1; then
        grep -v '^\[[0-9]*/[0-9]*\] ' "$log" | tail -80
        echo "build of build/$dir failed (full log: $log)"
        return 1
    fi
}
