#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and apt, unpacks it into a scratch root
# and starts the unpacked program once.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)"
cpack --preset linux-release >/dev/null 2>&1
deb=$(ls build/linux-release/vemtora_*.deb)
echo "== package $deb"

# Errors fail the run; warnings would show here too.
lintian --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1

# Every dependency can be met from the archive.
apt-get install --simulate --quiet "./$deb" >/dev/null

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for f in usr/bin/vemtora usr/share/applications/vemtora.desktop usr/share/man/man1/vemtora.1.gz \
         usr/share/icons/hicolor/48x48/apps/vemtora.png usr/share/doc/vemtora/copyright; do
    [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done

# One main category, so the entry shows up once in the application menu.
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry"
done

# The unpacked program starts, runs and ends cleanly on SIGTERM, saying nothing.
mkdir -m 700 "$root/runtime"
XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen "$root/usr/bin/vemtora" >"$root/out.txt" 2>&1 &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the packaged program did not stay up"; cat "$root/out.txt"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
# The offscreen platform's own remark about window sizes is not ours.
grep -v 'does not support propagateSizeHints' "$root/out.txt" >"$root/ours.txt" || true
if [ "$status" -ne 0 ] || [ -s "$root/ours.txt" ]; then
    echo "the packaged program ended with $status:"; cat "$root/out.txt"; exit 1
fi
echo "package: lintian clean, dependencies met, program starts and exits 0"
