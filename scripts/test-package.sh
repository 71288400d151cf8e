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
         usr/bin/vemtora-plot usr/share/applications/vemtora-plot.desktop usr/share/man/man1/vemtora-plot.1.gz \
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
# The unpacked plotter answers on its command line, and draws a log until it is told to end.
"$root/usr/bin/vemtora-plot" --version | grep -q "^vemtora-plot (Vemtora) "
printf '09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.8\t64.7\t1.95\t126.2\n' >"$root/today.log"
XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen "$root/usr/bin/vemtora-plot" "$root/today.log" \
    >"$root/plot-out.txt" 2>&1 &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the packaged plotter did not stay up"; cat "$root/plot-out.txt"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
grep -v 'does not support propagateSizeHints' "$root/plot-out.txt" >"$root/plot-ours.txt" || true
# A viewer has nothing to save: SIGTERM ends it the default way (128 + 15).
if [ "$status" -ne 143 ] || [ -s "$root/plot-ours.txt" ]; then
    echo "the packaged plotter ended with $status:"; cat "$root/plot-out.txt"; exit 1
fi
echo "package: lintian clean, dependencies met, both programs start and end cleanly"
