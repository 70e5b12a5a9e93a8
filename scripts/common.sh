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

# configure_build <dir> <cmake args...>
configure_build() {
    local dir="$1"; shift
    cmake -S "$ROOT" -B "$ROOT/build/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$ROOT/build/$dir" -j "$JOBS"
}
