#!/usr/bin/env bash
# Fails when a text of the package has no English translation: refreshes the
# .ts files from the sources (as a developer does after changing texts) and
# lists every entry still unfinished. Takes the build directory to use.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/asan}"
cmake --build "$build" --target Pkg_Lun90000_lupdate >/dev/null
missing="$(grep -B1 'type="unfinished"' src/package/translations/*.ts | grep -o '<source>.*</source>' || true)"
if [ -n "$missing" ]; then
    echo "texts without a translation in src/package/translations:"
    echo "$missing"
    exit 1
fi
echo "every text of the package is translated"
