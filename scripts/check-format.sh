#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
    while read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done |
    xargs -r clang-format --dry-run --Werror
