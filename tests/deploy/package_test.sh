#!/usr/bin/env bash
# The Debian packages as an administrator gets them: built by
# scripts/package.sh, unpacked into a throw-away root, the server run from
# there on a temporary SQLite file and asked /health and /health/ready, the
# host's libraries resolved inside its own folder, the systemd units verified,
# and both packages checked by lintian (an error fails; warnings are listed).
# Every library the installed programs load comes from a package their
# declared Depends bring (the direct ones from a package named there), and
# the programs carry Debian's hardening (stack protector, fortify, -z now).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"

# CONFCRED_PACKAGES=DIR checks the packages already in DIR instead.
if [ -n "${CONFCRED_PACKAGES:-}" ]; then
    debs=("$CONFCRED_PACKAGES"/*.deb)
else
    mapfile -t debs < <(bash "$ROOT/scripts/package.sh" | grep '\.deb$')
fi
[ "${#debs[@]}" -eq 2 ] || { echo "expected two packages, got: ${debs[*]}"; exit 1; }

work="$(mktemp -d)"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done

echo "--- contents"
for deb in "${debs[@]}"; do
    dpkg-deb -f "$deb" Package Version Depends
    dpkg-deb -c "$deb" | awk '{print "   " $6 ($7 ? " " $7 " " $8 : "")}'
done
for f in usr/bin/confcred-server usr/bin/confcred-host lib/systemd/system/confcred-server.service \
         lib/systemd/system/confcred-server@.service usr/share/man/man1/confcred-server.1.gz \
         usr/share/man/man1/confcred-host.1.gz \
         etc/confcred/server.conf usr/lib/confcred-host/libPkg_Lun90000.so \
         usr/lib/confcred-host/Pkg_Lun90000_en.qm usr/lib/confcred-host/confcred_host_en.qm \
         usr/share/applications/confcred-host.desktop \
         usr/share/icons/hicolor/scalable/apps/confcred-host.svg; do
    [ -e "$root/$f" ] || { echo "missing from the packages: /$f"; exit 1; }
done

echo "--- the server from the unpacked root"
version="$("$root/usr/bin/confcred-server" --version)"
[ "$version" = "confcred-server $(dpkg-deb -f "${debs[0]}" Version)" ] ||
    { echo "the server calls itself '$version'"; exit 1; }
# The packaged configuration, with the data folder moved into the throw-away root.
sed "s#/var/lib/confcred#$work#; s#^listen = .*#listen = 127.0.0.1:0#" \
    "$root/etc/confcred/server.conf" >"$work/server.conf"
"$root/usr/bin/confcred-server" --config "$work/server.conf" >"$work/out" 2>"$work/err" &
pid=$!
address=""
for _ in $(seq 1 100); do
    address="$(sed -n 's/^confcred-server listening on //p' "$work/out")"
    [ -n "$address" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$address" ] || { echo "the packaged server did not start:"; cat "$work/err"; exit 1; }
curl -fsS "http://$address/health" | grep -q '"status":"ok"'
curl -fsS "http://$address/health/ready" | grep -q '"status":"ready"'
echo "server on $address: live and ready"
kill "$pid"
wait "$pid" || { echo "the server did not stop cleanly"; exit 1; }
pid=""

echo "--- libraries against the declared Depends"
if ldd "$root/usr/lib/confcred-host/confcred-host" "$root/usr/lib/confcred-host/libPkg_Lun90000.so" \
       "$root/usr/lib/confcred-server/confcred-server" | grep 'not found'; then
    echo "a library the packages need is not found"; exit 1
fi
# depends_of DEB: the package names of its Depends (every alternative).
depends_of() {
    dpkg-deb -f "$1" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/:any//; s/ //g' | grep -v '^$' || true
}
# closure NAME...: the packages these bring, with what they depend on, as installed here.
closure() {
    local -A seen=()
    local -a todo=("$@")
    local p
    while [ "${#todo[@]}" -gt 0 ]; do
        p="${todo[0]}"
        todo=("${todo[@]:1}")
        [ -n "${seen[$p]:-}" ] && continue
        seen[$p]=1
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || continue
        mapfile -t -O "${#todo[@]}" todo < <(dpkg-query -W -f='${Depends},${Pre-Depends}' "$p" |
            tr ',|' '\n\n' | sed 's/(.*//; s/:any//; s/ //g' | grep -v '^$' || true)
    done
    printf '%s\n' "${!seen[@]}"
}
# owner FILE: the package that holds the library (its real path or the path ldd shows).
owner() {
    local p
    [ -n "$1" ] || return 0
    # /usr is merged: dpkg may know the file under /lib or under /usr/lib.
    for p in "$1" "$(readlink -f "$1")" "${1#/usr}" "/usr$1"; do
        dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1 && return 0
    done
    return 0
}
check_package() {  # check_package DEB BINARY...
    local deb="$1" bin lib path pkg bad=0
    shift
    local declared all
    declared="$(depends_of "$deb" | sort -u)"
    all="$(closure $declared | sort -u)"
    for bin in "$@"; do
        # Direct needs: each from a package the Depends name.
        for lib in $(readelf -d "$bin" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            # The dynamic loader stands in ldd's list by its path alone.
            path="$(ldd "$bin" | awk -v l="$lib" '$1 == l {print $3} $1 ~ ("/" l "$") {print $1}')"
            [[ "$path" == "$root"/* ]] && continue  # one of the package's own libraries
            pkg="$(owner "$path")"
            if ! grep -qx "${pkg%:*}" <<<"$declared"; then
                echo "$(basename "$bin") needs $lib ($path, package ${pkg:-none}) not in the Depends of $(basename "$deb")"
                bad=1
            fi
        done
        # Everything it loads: within what the Depends bring.
        while read -r path; do
            [[ "$path" == "$root"/* ]] && continue
            pkg="$(owner "$path")"
            if ! grep -qx "${pkg%:*}" <<<"$all"; then
                echo "$(basename "$bin") loads $path (package ${pkg:-none}), which its Depends do not bring"
                bad=1
            fi
        done < <(ldd "$bin" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}')
    done
    return "$bad"
}
server_deb="$(printf '%s\n' "${debs[@]}" | grep '/confcred-server_')"
host_deb="$(printf '%s\n' "${debs[@]}" | grep '/confcred-host_')"
check_package "$server_deb" "$root/usr/lib/confcred-server/confcred-server" ||
    { echo "confcred-server's Depends miss libraries"; exit 1; }
check_package "$host_deb" "$root/usr/lib/confcred-host/confcred-host" \
    "$root/usr/lib/confcred-host/libPkg_Lun90000.so" ||
    { echo "confcred-host's Depends miss libraries"; exit 1; }
echo "every library comes from the declared Depends: $(depends_of "$server_deb" | paste -sd' ') / $(depends_of "$host_deb" | paste -sd' ')"

echo "--- hardening"
for bin in "$root/usr/lib/confcred-server/confcred-server" "$root/usr/lib/confcred-host/confcred-host" \
           "$root/usr/lib/confcred-host/libPkg_Lun90000.so"; do
    name="$(basename "$bin")"
    # Read whole first: grep -q ending early would fail readelf's pipe.
    dynamic="$(readelf -d "$bin")" segments="$(readelf -lW "$bin")"
    symbols="$(readelf -sW --dyn-syms "$bin")"
    grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || { echo "$name: not linked with -z now"; exit 1; }
    grep -q GNU_RELRO <<<"$segments" || { echo "$name: no RELRO"; exit 1; }
    grep -q '__stack_chk_fail' <<<"$symbols" || { echo "$name: no stack protector"; exit 1; }
done
symbols="$(readelf -sW --dyn-syms "$root/usr/lib/confcred-server/confcred-server")"
grep -Eq '__[a-z_]+_chk@' <<<"$symbols" || { echo "confcred-server: not built with _FORTIFY_SOURCE"; exit 1; }
echo "stack protector, fortify, relro and bind-now in place"

echo "--- systemd unit"
unit="$work/confcred-server.service"
sed "s#/usr/bin/confcred-server#$root/usr/bin/confcred-server#" \
    "$root/lib/systemd/system/confcred-server.service" >"$unit"
systemd-analyze verify --man=no "$unit"
# The template, as one instance of it.
instance="$work/confcred-server@app2.service"
sed "s#/usr/bin/confcred-server#$root/usr/bin/confcred-server#" \
    "$root/lib/systemd/system/confcred-server@.service" >"$instance"
systemd-analyze verify --man=no "$instance"

echo "--- lintian"
lintian --fail-on error --tag-display-limit 0 "${debs[@]}" | tee "$work/lintian"
echo "lintian: $(grep -c '^E:' "$work/lintian" || true) errors, $(grep -c '^W:' "$work/lintian" || true) warnings"
