#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and apt, unpacks it into a scratch root
# and starts the unpacked programs once: the window edition, and the logger against the
# meter simulator.
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
         usr/share/icons/hicolor/48x48/apps/vemtora.png usr/share/doc/vemtora/copyright \
         usr/bin/vemtora-logger usr/share/man/man1/vemtora-logger.1.gz usr/lib/systemd/system/vemtora-logger@.service \
         etc/logrotate.d/vemtora-logger \
         usr/share/vemtora/vemtora-logger-network.conf usr/share/vemtora/vemtora-grafana-dashboard.json; do
    [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done

# One main category, so the entry shows up once in the application menu.
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry"
done

# runs_until_told OUTPUT STATUS PROGRAM ARGS...: the unpacked window program stays up, ends with
# STATUS on SIGTERM and says nothing but the offscreen platform's own remark about window sizes.
mkdir -m 700 "$root/runtime"
runs_until_told() {
    local out=$1 expected=$2 name
    shift 2
    name=$(basename "$1")
    XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen "$@" >"$out" 2>&1 &
    local pid=$! status=0
    sleep 2
    kill -0 "$pid" || { echo "the packaged $name did not stay up"; cat "$out"; exit 1; }
    kill -TERM "$pid"
    wait "$pid" || status=$?
    if [ "$status" -ne "$expected" ] || grep -qv 'does not support propagateSizeHints' "$out"; then
        echo "the packaged $name ended with $status:"; cat "$out"; exit 1
    fi
}
runs_until_told "$root/out.txt" 0 "$root/usr/bin/vemtora"
# The plotter answers on its command line and draws a log until it is told to end; a viewer has
# nothing to save, so SIGTERM ends it the default way (128 + 15).
"$root/usr/bin/vemtora-plot" --version | grep -q "^vemtora-plot (Vemtora) "
printf '09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.8\t64.7\t1.95\t126.2\n' >"$root/today.log"
runs_until_told "$root/plot-out.txt" 143 "$root/usr/bin/vemtora-plot" "$root/today.log"

# The logger: no graphical library, a unit that is shipped but enabled by nobody, and a short run.
logger="$root/usr/bin/vemtora-logger"
if readelf -d "$logger" | grep NEEDED | grep -E 'libQt6(Gui|Widgets)|libX|libxcb|libGL'; then
    echo "vemtora-logger links a graphical library"; exit 1
fi
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|prerm|postrm'; then
    echo "the package has maintainer scripts: the unit must be installed, not enabled"; exit 1
fi
if command -v systemd-analyze >/dev/null; then
    # verify wants an instance and an ExecStart that exists: the unpacked program stands in.
    mkdir "$root/unit"
    sed "s|/usr/bin/vemtora-logger|$logger|" "$root/usr/lib/systemd/system/vemtora-logger@.service" \
        >"$root/unit/vemtora-logger@ttyUSB0.service"
    verify=$(systemd-analyze verify --man=no "$root/unit/vemtora-logger@ttyUSB0.service" 2>&1) || true
    [ -z "$verify" ] || { echo "systemd-analyze verify: $verify"; exit 1; }
    # The network drop-in as an administrator installs it, its credential lines taken in.
    mkdir "$root/unit/vemtora-logger@ttyUSB0.service.d"
    sed 's/^#\(LoadCredential\|Environment\)=/\1=/' "$root/usr/share/vemtora/vemtora-logger-network.conf" \
        >"$root/unit/vemtora-logger@ttyUSB0.service.d/network.conf"
    verify=$(systemd-analyze verify --man=no "$root/unit/vemtora-logger@ttyUSB0.service" 2>&1) || true
    [ -z "$verify" ] || { echo "systemd-analyze verify with the network drop-in: $verify"; exit 1; }
fi
python3 -m json.tool "$root/usr/share/vemtora/vemtora-grafana-dashboard.json" >/dev/null ||
    { echo "the Grafana dashboard is no JSON"; exit 1; }
# The rotation file is a conffile, so dpkg keeps a local change, and logrotate reads it.
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/logrotate.d/vemtora-logger ||
    { echo "/etc/logrotate.d/vemtora-logger is no conffile"; exit 1; }
rotate=$(logrotate -d -s "$root/logrotate.state" "$root/etc/logrotate.d/vemtora-logger" 2>&1) ||
    { echo "logrotate -d: $rotate"; exit 1; }
if grep -qiE 'error|unknown|bad ' <<<"$rotate" || ! grep -q '/var/log/vemtora/\*\.log' <<<"$rotate"; then
    echo "logrotate -d: $rotate"; exit 1
fi
version=$(sed -n 's/^project(Vemtora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$logger" --version)" = "vemtora-logger (Vemtora) $version" ] || { echo "logger --version is wrong"; exit 1; }

simulator=build/linux-release/tools/meter_simulator/vemtora-meter-simulator
"$simulator" --link "$root/COM5" >/dev/null 2>&1 &
simulator_pid=$!
trap 'kill "$simulator_pid" 2>/dev/null; rm -rf "$root"' EXIT
for _ in $(seq 100); do [ -e "$root/COM5" ] && break; sleep 0.05; done
"$logger" --device-folder "$root" --interval 0.1 --log "$root/meter.log" >"$root/lines.txt" 2>"$root/err.txt" &
logger_pid=$!
for _ in $(seq 100); do [ "$(wc -l <"$root/lines.txt")" -ge 3 ] && break; sleep 0.05; done
kill -TERM "$logger_pid"
status=0
wait "$logger_pid" || status=$?
if [ "$status" -ne 0 ] || [ -s "$root/err.txt" ] || ! cmp -s "$root/lines.txt" "$root/meter.log" ||
   [ "$(wc -l <"$root/lines.txt")" -lt 3 ] || grep -qvP '^\d\d:\d\d:\d\d\.\d\t64\.6\t1\.94\t125\.3$' "$root/lines.txt"; then
    echo "the packaged logger ended with $status:"; cat "$root/err.txt" "$root/lines.txt"; exit 1
fi
echo "package: lintian clean, dependencies met, the window programs start and end cleanly, the logger logs and exits 0, logrotate reads its file"
