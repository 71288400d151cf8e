#!/usr/bin/env bash
# The release as users get it: release.sh into a scratch folder, then lintian, apt and dpkg on the
# three Debian packages, the unpacked programs started once, and a look into the Windows zip, all
# of one version.
#   VEMTORA_BUILD_PREFIX=build/mine-  release.sh builds in build/mine-linux-release and
#                                     build/mine-windows-release
#   VEMTORA_OLD_PACKAGE=vemtora_1.0.0_amd64.deb  the upgrade starts from it, not from a stand-in
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "package check: $*" >&2; exit 1; }
# Under pipefail no grep -q ends a pipe: a writer it leaves early fails with SIGPIPE.

prefix=${VEMTORA_BUILD_PREFIX:-build/}
version=$(sed -n 's/^project(Vemtora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dist=$root/dist
./scripts/release.sh "$dist" >"$root/release.log" 2>&1 || { cat "$root/release.log"; fail "release.sh failed"; }
packages=(vemtora vemtora-plot vemtora-logger)
debs=("${packages[@]/#/$dist/}")
debs=("${debs[@]/%/_${version}_amd64.deb}")
zip=vemtora-$version-windows-x86
echo "== release $version: $(cd "$dist" && echo *)"
# dist holds this version's files and SHA256SUMS of exactly them.
[ "$(ls "$dist")" = "$(printf '%s\n' SHA256SUMS "$zip.zip" "${debs[@]##*/}" | sort)" ] || fail "dist holds $(ls "$dist")"
[ "$(cd "$dist" && sha256sum -- *.deb *.zip)" = "$(cat "$dist/SHA256SUMS")" ] || fail "SHA256SUMS: $(cat "$dist/SHA256SUMS")"

# Errors and warnings fail the run; the informational tags show.
status=0
lintian --fail-on error,warning "${debs[@]}" >"$root/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$root/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian finds errors or warnings (above)"

# Every dependency can be met from the archive.
apt-get install --simulate --quiet "${debs[@]}" >/dev/null || fail "the dependencies cannot be met"
# What a package brings to a machine that has nothing (an empty dpkg status): the logger no Qt
# and no X; the window Qt, which shows that the pattern finds it.
: >"$root/empty-status"
brings() { apt-get -o Dir::State::status="$root/empty-status" install --simulate --quiet "$1" 2>&1 | awk '/^Inst / {print $2}'; }
graphical='^(libqt|qt6-|libx11|libxcb|libxkb|libxext|libxrender|libxau|libxdmcp|x11-|xkb-data|libgl[1xva]|libegl|libopengl|libwayland)'
logger_brings=$(brings "${debs[2]}")
grep -qx libmosquitto1 <<<"$logger_brings" || fail "no list of what vemtora-logger brings: $logger_brings"
if grep -E "$graphical" <<<"$logger_brings"; then fail "vemtora-logger brings Qt or X (above)"; fi
brings "${debs[0]}" | grep -E "$graphical" >/dev/null || fail "the pattern finds no Qt in what vemtora brings"

for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
for f in usr/bin/vemtora usr/share/applications/vemtora.desktop usr/share/man/man1/vemtora.1.gz \
         usr/bin/vemtora-plot usr/share/applications/vemtora-plot.desktop usr/share/man/man1/vemtora-plot.1.gz \
         usr/share/icons/hicolor/48x48/apps/vemtora.png usr/share/doc/vemtora/copyright \
         usr/share/icons/hicolor/48x48/apps/vemtora-plot.png \
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
    HOME=$root XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen "$@" >"$out" 2>&1 &
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
if for deb in "${debs[@]}"; do dpkg-deb --ctrl-tarfile "$deb" | tar -t; done | grep -E 'postinst|prerm|postrm'; then
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
dpkg-deb --ctrl-tarfile "${debs[2]}" | tar -xO ./conffiles | grep -qx /etc/logrotate.d/vemtora-logger ||
    { echo "/etc/logrotate.d/vemtora-logger is no conffile"; exit 1; }
rotate=$(logrotate -d -s "$root/logrotate.state" "$root/etc/logrotate.d/vemtora-logger" 2>&1) ||
    { echo "logrotate -d: $rotate"; exit 1; }
if grep -qiE 'error|unknown|bad ' <<<"$rotate" || ! grep -q '/var/log/vemtora/\*\.log' <<<"$rotate"; then
    echo "logrotate -d: $rotate"; exit 1
fi
[ "$("$logger" --version)" = "vemtora-logger (Vemtora) $version" ] || { echo "logger --version is wrong"; exit 1; }
"${prefix}linux-release/tools/meter_simulator/vemtora-meter-simulator" --link "$root/COM5" >/dev/null 2>&1 &
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

# Each package alone into a scratch root with a dpkg database and log of its own. No libraries
# are there, so Depends are left to apt above; Breaks, Replaces and conffiles are dpkg's own.
inst=$root/installed
mkdir -p "$inst"/var/lib/dpkg/{info,updates,triggers}
: >"$inst/var/lib/dpkg/status"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(fakeroot)
dpkg_root() {
    PATH=$PATH:/usr/sbin:/sbin "${as_root[@]}" dpkg --root="$inst" --log="$root/dpkg-history.log" --force-depends "$@" \
        </dev/null >"$root/dpkg.log" 2>&1
}
must_dpkg() { dpkg_root "$@" || { cat "$root/dpkg.log"; fail "dpkg $*"; }; }
files() { (cd "$inst" && find . -path ./var/lib/dpkg -prune -o -print | sort); }
added() { comm -13 <(echo "$empty") <(files); }
empty=$(files)
conffile=/etc/logrotate.d/vemtora-logger
for i in "${!packages[@]}"; do
    p=${packages[$i]}
    echo "== $p: install, run, remove, purge"
    must_dpkg -i "${debs[$i]}"
    [ "$("$inst/usr/bin/$p" --version)" = "$p (Vemtora) $version" ] || fail "$p --version: $("$inst/usr/bin/$p" --version)"
    zcat "$inst/usr/share/man/man1/$p.1.gz" | grep "^\.TH .*\"Vemtora $version\"" >/dev/null || fail "$p's man page names another version"
    zcat "$inst/usr/share/doc/$p/changelog.gz" | sed -n 1p | grep -F "($version)" >/dev/null || fail "$p's changelog has no entry for $version"
    for entry in "$inst"/usr/share/applications/*.desktop; do
        [ ! -e "$entry" ] || [ -f "$inst/usr/share/icons/hicolor/48x48/apps/$(sed -n 's/^Icon=//p' "$entry").png" ] ||
            fail "$p has no icon for its menu entry"
    done
    kept=""
    if [ "$p" = vemtora-logger ]; then
        # An administrator's change stays when the package goes in again and when it is removed.
        echo "# changed here" >>"$inst$conffile"
        must_dpkg -i "${debs[$i]}"
        kept=$(printf '%s\n' ./etc ./etc/logrotate.d ".$conffile")
    fi
    must_dpkg -r "$p"
    [ "$(added)" = "$kept" ] || fail "removing $p left '$(added)', not '$kept'"
    [ -z "$kept" ] || [ "$(tail -1 "$inst$conffile")" = "# changed here" ] || fail "dpkg overwrote a changed $conffile"
    must_dpkg -P "$p"
    [ -z "$(added)" ] || fail "purging $p left $(added)"
done

# The upgrade from 1.0.0, whose single vemtora package held all three programs and the conffile.
# The stand-in holds every file of the new packages under that one name.
echo "== upgrade from the single package of 1.0.0"
old=${VEMTORA_OLD_PACKAGE:-$root/vemtora_1.0.0_amd64.deb}
if [ -z "${VEMTORA_OLD_PACKAGE:-}" ]; then
    mkdir -p "$root/old/DEBIAN"
    for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root/old"; done
    printf '%s\n' "Package: vemtora" "Version: 1.0.0" "Architecture: amd64" "Description: all of Vemtora" \
        "Maintainer: Vemtora developers <team@vemtora.example>" >"$root/old/DEBIAN/control"
    echo "$conffile" >"$root/old/DEBIAN/conffiles"
    dpkg-deb --root-owner-group -b "$root/old" "$old" >/dev/null
fi
must_dpkg -i "$old"
echo "# changed here" >>"$inst$conffile"
# The split-off packages do not go in beside it (Breaks), only with the new vemtora.
if dpkg_root -i "${debs[2]}"; then fail "vemtora-logger goes in beside vemtora 1.0.0"; fi
grep -q 'breaks vemtora' "$root/dpkg.log" || { cat "$root/dpkg.log"; fail "vemtora-logger refused for another reason"; }
# As apt does it: the old vemtora deconfigured while its files change hands (Replaces), and the
# changed conffile kept, as the conffile prompt does by default.
must_dpkg --auto-deconfigure --force-confold -i "${debs[@]}"
for deb in "${debs[@]}"; do
    dpkg-deb -c "$deb" | awk '{print $6}' | while read -r f; do [ -e "$inst/$f" ] || fail "no $f after the upgrade"; done
done
[ "$(tail -1 "$inst$conffile")" = "# changed here" ] || fail "the upgrade lost the change to $conffile"
must_dpkg -P "${packages[@]}"
[ -z "$(added)" ] || fail "purging after the upgrade left $(added)"

# The Windows zip: a folder of its own name with the programs the Windows build makes (the logger
# once it makes one) and the read-me.
echo "== the Windows zip"
mkdir "$root/zip"
(cd "$root/zip" && cmake -E tar xf "$dist/$zip.zip")
mapfile -t exes < <(find "${prefix}windows-release/shell" -name 'vemtora*.exe')
[ "$(cd "$root/zip" && find . -type f | sort)" = "$(printf "./$zip/%s\n" README.txt "${exes[@]##*/}" | sort)" ] ||
    fail "the zip holds $(cd "$root/zip" && find . -type f)"
for exe in "${exes[@]}"; do cmp -s "$exe" "$root/zip/$zip/${exe##*/}" || fail "the zip's ${exe##*/} is not the build's"; done
strings -el "$root/zip/$zip/vemtora.exe" | grep -x "Vemtora $version meter logger" >/dev/null || fail "vemtora.exe's About box"
# Its --version, which a 32-bit program cannot be asked for here.
[ ! -e "$root/zip/$zip/vemtora-logger.exe" ] ||
    strings -a "$root/zip/$zip/vemtora-logger.exe" | grep -F " (Vemtora) $version" >/dev/null || fail "vemtora-logger.exe's version"
python3 - "$root/zip/$zip/README.txt" "$version" resources/vemtora.rc "${exes[@]##*/}" <<'CHECK' || fail "the zip's README.txt"
import re, sys
data = open(sys.argv[1], "rb").read()
# Notepad shows it right on every Windows: a UTF-8 byte order mark, CRLF line ends only.
assert data.startswith(b"\xef\xbb\xbf") and data.endswith(b"\r\n"), "no byte order mark or no CRLF at the end"
lines = data[3:].decode("utf-8").split("\r\n")
assert not any("\r" in l or "\n" in l for l in lines), "line ends other than CRLF"
assert lines[0] == f"Vemtora {sys.argv[2]} for Windows", lines[0]
assert "  vemtora.exe [port-index [voltage-scale current-scale]]" in lines, "no command line"
assert not [exe for exe in sys.argv[4:] if not any(exe in l for l in lines)], "a program the read-me does not name"
# Each Japanese caption of the menu, as the menu shows it, beside English words.
rc = open(sys.argv[3], encoding="utf-8").read()
captions = [c.replace("&", "") for c in re.findall(r'^\s*(?:POPUP|MENUITEM)\s+"([^"]+)"', rc, re.M) if not c.isascii()]
assert captions, "no Japanese captions in the menu"
for c in captions:
    assert any(c in l and re.search("[A-Za-z]{4}", l.replace(c, "")) for l in lines), f"no English for {c}"
CHECK

echo "package check: lintian clean, dependencies met, the logger's without Qt or X, the programs start and end" \
     "cleanly, each package installed, removed and purged without a trace, the upgrade from 1.0.0, the zip;" \
     "$version in all of them"
