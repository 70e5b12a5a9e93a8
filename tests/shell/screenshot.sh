#!/usr/bin/env bash
# Takes a picture of confcred-host with a screen open, on a real X server
# (Xvfb), and checks that it shows something: the right size and more than a
# handful of colours. Usage: screenshot.sh HOST_EXE PACKAGE OUT.png
set -euo pipefail
host="$1" package="$2" out="$3"
# The X server's screen, not an offscreen one the calling shell may name.
unset QT_QPA_PLATFORM
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'open\n' >"$work/script.txt"
mkdir -p "$(dirname "$out")"
rm -f "$out"
XDG_CONFIG_HOME="$work" xvfb-run -a -s "-screen 0 1280x800x24" \
    "$host" --package "$package" --db "sqlite:$work/none.db" \
    --script "$work/script.txt" --screenshot "$out" >"$work/out.txt" 2>"$work/err.txt" || {
    cat "$work/out.txt" "$work/err.txt"; exit 1; }
size="$(identify -format '%wx%h' "$out")"
colours="$(identify -format '%k' "$out")"
echo "screenshot $out: $size, $colours colours"
[ "${size%x*}" -ge 800 ] && [ "$colours" -ge 16 ]
