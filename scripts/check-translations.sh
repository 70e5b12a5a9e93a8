#!/usr/bin/env bash
# Fails when a text of the package or of the host (framework and main window)
# has no English translation: refreshes the .ts files from the sources (as a
# developer does after changing texts) and lists every entry still
# unfinished. Takes the build directory to use.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/asan}"

cmake --build "$build" --target Pkg_Lun90000_lupdate confcred_host_lupdate >/dev/null
status=0
for folder in src/package/translations src/host/translations; do
    missing="$(grep -B1 'type="unfinished"' "$folder"/*.ts | grep -o '<source>.*</source>' || true)"
    if [ -n "$missing" ]; then
        echo "texts without a translation in $folder:"
        echo "$missing"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "every text of the package and of the host is translated"
exit "$status"
