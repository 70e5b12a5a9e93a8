#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a layer or room that it may
# not use: a lower layer never reaches up, and rooms of one layer are used in
# the order below (a room may use the rooms before it, never those after it;
# rooms on one line with "|" are siblings that may not use each other).
# docs/architecture.md draws the same picture.
#
# check-layers.sh [ROOT]: ROOT defaults to the checkout this script is in.
set -euo pipefail
ROOT="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

# <room> <rooms it may use besides itself>
RULES='
platform
dataset platform
bankreturn platform
server/storage dataset bankreturn platform
server/trust server/storage dataset bankreturn platform
server/methods server/trust server/storage dataset bankreturn platform
server/http server/methods server/trust server/storage dataset bankreturn platform
server/ops server/http server/methods server/trust server/storage dataset bankreturn platform
server server/ops server/http server/methods server/trust server/storage dataset bankreturn platform
host/core dataset platform
host/client host/core dataset platform
host/widgets host/client host/core dataset platform
host/print host/widgets host/client host/core dataset platform
host/forms host/print host/widgets host/client host/core dataset platform
host/automation host/forms host/print host/widgets host/client host/core dataset platform
package/core host/automation host/forms host/print host/widgets host/client host/core dataset platform
package/frame package/core host/automation host/forms host/print host/widgets host/client host/core dataset platform
package/confirmation package/frame package/core host/automation host/forms host/print host/widgets host/client host/core dataset platform
package/filter package/frame package/core host/automation host/forms host/print host/widgets host/client host/core dataset platform
package/import package/frame package/core host/automation host/forms host/print host/widgets host/client host/core dataset platform
shell host/automation host/forms host/print host/widgets host/client host/core dataset platform
'

# The room of a path relative to src/: the layer, and for the layers split
# into rooms the room's folder ("server/main.cpp" is the server's own room).
room_of() {
    local path="$1" layer rest
    layer="${path%%/*}"
    rest="${path#*/}"
    case "$layer" in
        server | host | package)
            if [[ "$rest" == */* ]]; then echo "$layer/${rest%%/*}"; else echo "$layer"; fi ;;
        *) echo "$layer" ;;
    esac
}

declare -A allowed
while read -r room uses; do
    [ -n "$room" ] && allowed["$room"]=" $room $uses "
done <<<"$RULES"

violations=0
cd "$ROOT/src"
while IFS= read -r file; do
    from="$(room_of "$file")"
    if [ -z "${allowed[$from]+x}" ]; then
        echo "$file: the room $from is not in scripts/check-layers.sh"
        violations=$((violations + 1))
        continue
    fi
    while IFS=: read -r line header; do
        # Only the project's own headers: a first folder that is a layer.
        [ -d "${header%%/*}" ] && [[ "$header" == */* ]] || continue
        to="$(room_of "$header")"
        if [[ "${allowed[$from]}" != *" $to "* ]]; then
            echo "src/$file:$line: $from may not include $header ($to)"
            violations=$((violations + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)

if [ "$violations" -gt 0 ]; then
    echo "$violations include(s) against the layers"
    exit 1
fi
echo "layers hold"
