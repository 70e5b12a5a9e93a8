#!/usr/bin/env bash
# The Debian packages as an administrator gets them: built by
# scripts/package.sh, unpacked into a throw-away root, the server run from
# there on a temporary SQLite file and asked /health and /health/ready, the
# host's libraries resolved inside its own folder, the systemd unit verified,
# and both packages checked by lintian (an error fails; warnings are listed).
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
         etc/confcred/server.conf usr/lib/confcred-host/libPkg_Lun90000.so \
         usr/lib/confcred-host/Pkg_Lun90000_en.qm usr/lib/confcred-host/confcred_host_en.qm \
         usr/share/applications/confcred-host.desktop \
         usr/share/icons/hicolor/scalable/apps/confcred-host.svg; do
    [ -e "$root/$f" ] || { echo "missing from the packages: /$f"; exit 1; }
done

echo "--- the server from the unpacked root"
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

echo "--- libraries"
if ldd "$root/usr/lib/confcred-host/confcred-host" "$root/usr/lib/confcred-host/libPkg_Lun90000.so" \
       "$root/usr/lib/confcred-server/confcred-server" | grep 'not found'; then
    echo "a library the packages need is not found"; exit 1
fi

echo "--- systemd unit"
unit="$work/confcred-server.service"
sed "s#/usr/bin/confcred-server#$root/usr/bin/confcred-server#" \
    "$root/lib/systemd/system/confcred-server.service" >"$unit"
systemd-analyze verify --man=no "$unit"

echo "--- lintian"
lintian --fail-on error --tag-display-limit 0 "${debs[@]}" | tee "$work/lintian"
echo "lintian: $(grep -c '^E:' "$work/lintian" || true) errors, $(grep -c '^W:' "$work/lintian" || true) warnings"
