#!/usr/bin/env bash
# The release as users get it. Builds it with release.sh into a scratch folder, then checks the
# three Debian packages (lintian; dependencies from the archive, the logger's free of Qt and X;
# each installed alone with dpkg into a scratch root, run, removed and purged without a trace;
# the upgrade from the single package of 1.0.0), the Windows zip, and that all of them carry the
# project's one version.
#   VEMTORA_OLD_PACKAGE=path/vemtora_1.0.0_amd64.deb  upgrade from that package instead of a
#   stand-in made here from the new packages' files
#   VEMTORA_BUILD_PREFIX=build/mine-  release.sh builds in build/mine-linux-release and
#   build/mine-windows-release
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package check: $*" >&2; exit 1; }
# Under pipefail no grep -q ends a pipe: a writer it leaves early fails with SIGPIPE.

prefix=${VEMTORA_BUILD_PREFIX:-build/}
version=$(sed -n 's/^project(Vemtora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

./scripts/release.sh "$work/dist" >"$work/release.log" 2>&1 || { cat "$work/release.log"; fail "release.sh failed"; }
dist=$work/dist
packages=(vemtora vemtora-plot vemtora-logger)
deb() { echo "$dist/$1_${version}_amd64.deb"; }
debs=("${packages[@]/#/$dist/}")
debs=("${debs[@]/%/_${version}_amd64.deb}")
echo "== packages of $version: $(cd "$dist" && echo *)"

# The release folder holds this version's files and checksums of all of them, nothing else.
expected=$(printf '%s\n' SHA256SUMS "vemtora-$version-windows-x86.zip" "${packages[@]/%/_${version}_amd64.deb}" | sort)
[ "$(ls "$dist" | sort)" = "$expected" ] || fail "dist holds $(ls "$dist" | tr '\n' ' '), not $(echo $expected)"
(cd "$dist" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(awk '{print $2}' "$dist/SHA256SUMS" | sort)" = "$(grep -vx SHA256SUMS <<<"$expected")" ] ||
    fail "SHA256SUMS does not name every file: $(cat "$dist/SHA256SUMS")"

# Errors and warnings fail the run; the informational tags show.
status=0
lintian --fail-on error,warning "${debs[@]}" >"$work/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.txt" | sed 's/^/    /' || true
[ "$status" -eq 0 ] || fail "lintian finds errors or warnings (above)"
for p in "${packages[@]}"; do
    [ "$(dpkg-deb -f "$(deb "$p")" Package Version)" = "$(printf 'Package: %s\nVersion: %s' "$p" "$version")" ] ||
        fail "$p: the control file says $(dpkg-deb -f "$(deb "$p")" Package Version)"
    # The unit is shipped, not enabled: nothing runs at install or removal.
    if dpkg-deb --ctrl-tarfile "$(deb "$p")" | tar -t | grep -E 'preinst|postinst|prerm|postrm'; then
        fail "$p has maintainer scripts"
    fi
done

# Every dependency can be met from the archive.
apt-get install --simulate --quiet "${debs[@]}" >/dev/null 2>&1 ||
    apt-get install --simulate "${debs[@]}" || fail "the packages' dependencies cannot be met"
# What each package brings to a machine that has nothing (an empty dpkg status, so every
# dependency and recommendation shows): the logger no Qt and no X, the window both, which shows
# that the pattern finds them.
: >"$work/empty-status"
brings() {
    apt-get -o Dir::State::status="$work/empty-status" install --simulate --quiet "$1" 2>&1 | awk '/^Inst / {print $2}'
}
graphical='^(libqt|qt6-|libx11|libxcb|libxkb|libxext|libxrender|libxau|libxdmcp|x11-|xkb-data|libgl[1xva]|libegl|libopengl|libwayland)'
logger_brings=$(brings "$(deb vemtora-logger)")
grep -qx libmosquitto1 <<<"$logger_brings" || fail "no list of what vemtora-logger brings: $logger_brings"
if grep -E "$graphical" <<<"$logger_brings"; then fail "vemtora-logger brings Qt or X (above)"; fi
brings "$(deb vemtora)" | grep -x libqt6widgets6 >/dev/null || fail "the check for Qt finds none in the window's package"

# A scratch root with a dpkg database and log of its own. It holds no libraries, so Depends are left to
# apt above; Breaks, Replaces, conffiles and file ownership are dpkg's own.
root=$work/root
mkdir -p "$root"/var/lib/dpkg/{info,updates,triggers} "$work/home" "$work/run"
chmod 700 "$work/run"
: >"$root/var/lib/dpkg/status"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(fakeroot)
dpkg_root() {
    PATH=$PATH:/usr/sbin:/sbin "${as_root[@]}" dpkg --root="$root" --log="$work/dpkg-history.log" --force-depends "$@" </dev/null >"$work/dpkg.log" 2>&1
}
must_dpkg() { dpkg_root "$@" || { cat "$work/dpkg.log"; fail "dpkg $*"; }; }
state() { dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${db:Status-Abbrev}${Version}' "$1" 2>/dev/null || true; }
files() { (cd "$root" && find . -path ./var/lib/dpkg -prune -o -print | sort); }
left_behind() { comm -13 <(echo "$1") <(files); }

# runs_until_told OUTPUT STATUS PROGRAM ARGS...: the installed window program stays up, ends with
# STATUS on SIGTERM and says nothing but the offscreen platform's own remark about window sizes.
runs_until_told() {
    local out=$1 expected=$2 name
    shift 2
    name=$(basename "$1")
    HOME=$work/home XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen "$@" >"$out" 2>&1 &
    local pid=$! status=0
    sleep 2
    kill -0 "$pid" || { cat "$out"; fail "the installed $name did not stay up"; }
    kill -TERM "$pid"
    wait "$pid" || status=$?
    if [ "$status" -ne "$expected" ] || grep -qv 'does not support propagateSizeHints' "$out"; then
        cat "$out"; fail "the installed $name ended with $status"
    fi
}

run_vemtora() {
    runs_until_told "$work/out.txt" 0 "$root/usr/bin/vemtora"
    # The About box's words, from the same version.
    grep -qaF "Vemtora $version meter logger" "$root/usr/bin/vemtora" || fail "the About box does not say $version"
}

run_vemtora_plot() {
    # A viewer has nothing to save, so SIGTERM ends it the default way (128 + 15).
    printf '09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.8\t64.7\t1.95\t126.2\n' >"$work/today.log"
    runs_until_told "$work/plot-out.txt" 143 "$root/usr/bin/vemtora-plot" "$work/today.log"
}

run_vemtora_logger() {
    local logger=$root/usr/bin/vemtora-logger
    if readelf -d "$logger" | grep NEEDED | grep -E 'libQt6|libX|libxcb|libGL'; then
        fail "vemtora-logger links a graphical library"
    fi
    if command -v systemd-analyze >/dev/null; then
        # verify wants an instance and an ExecStart that exists: the installed program's path.
        mkdir "$work/unit"
        sed "s|/usr/bin/vemtora-logger|$logger|" "$root/usr/lib/systemd/system/vemtora-logger@.service" \
            >"$work/unit/vemtora-logger@ttyUSB0.service"
        verify=$(systemd-analyze verify --man=no "$work/unit/vemtora-logger@ttyUSB0.service" 2>&1) || true
        [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
        # The network drop-in as an administrator installs it, its credential lines taken in.
        mkdir "$work/unit/vemtora-logger@ttyUSB0.service.d"
        sed 's/^#\(LoadCredential\|Environment\)=/\1=/' "$root/usr/share/vemtora/vemtora-logger-network.conf" \
            >"$work/unit/vemtora-logger@ttyUSB0.service.d/network.conf"
        verify=$(systemd-analyze verify --man=no "$work/unit/vemtora-logger@ttyUSB0.service" 2>&1) || true
        [ -z "$verify" ] || fail "systemd-analyze verify with the network drop-in: $verify"
        rm -r "$work/unit"
    fi
    python3 -m json.tool "$root/usr/share/vemtora/vemtora-grafana-dashboard.json" >/dev/null ||
        fail "the Grafana dashboard is no JSON"
    local rotate
    rotate=$(logrotate -d -s "$work/logrotate.state" "$root/etc/logrotate.d/vemtora-logger" 2>&1) || fail "logrotate -d: $rotate"
    if grep -qiE 'error|unknown|bad ' <<<"$rotate" || ! grep -q '/var/log/vemtora/\*\.log' <<<"$rotate"; then
        fail "logrotate -d: $rotate"
    fi

    # A short run against the meter simulator, the log and standard output alike.
    "$prefix"linux-release/tools/meter_simulator/vemtora-meter-simulator --link "$work/COM5" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -e "$work/COM5" ] && break; sleep 0.05; done
    "$logger" --device-folder "$work" --interval 0.1 --log "$work/meter.log" >"$work/lines.txt" 2>"$work/err.txt" &
    local pid=$! status=0
    for _ in $(seq 100); do [ "$(wc -l <"$work/lines.txt")" -ge 3 ] && break; sleep 0.05; done
    kill -TERM "$pid"
    wait "$pid" || status=$?
    kill "${pids[-1]}"
    if [ "$status" -ne 0 ] || [ -s "$work/err.txt" ] || ! cmp -s "$work/lines.txt" "$work/meter.log" ||
       [ "$(wc -l <"$work/lines.txt")" -lt 3 ] || grep -qvP '^\d\d:\d\d:\d\d\.\d\t64\.6\t1\.94\t125\.3$' "$work/lines.txt"; then
        cat "$work/err.txt" "$work/lines.txt"; fail "the installed logger ended with $status"
    fi
}

# Each package alone: installed, its files where they belong, run, removed (an administrator's
# configuration stays), purged (nothing stays).
conffile=/etc/logrotate.d/vemtora-logger
declare -A owns=(
    [vemtora]="usr/share/applications/vemtora.desktop"
    [vemtora-plot]="usr/share/applications/vemtora-plot.desktop"
    [vemtora-logger]="usr/lib/systemd/system/vemtora-logger@.service $conffile usr/share/vemtora/vemtora-logger-network.conf
                      usr/share/vemtora/vemtora-grafana-dashboard.json"
)
for p in "${packages[@]}"; do
    echo "== $p: install, run, remove, purge"
    empty=$(files)
    must_dpkg -i "$(deb "$p")"
    [ "$(state "$p")" = "ii $version" ] || fail "$p is $(state "$p") after installing"
    for f in "usr/bin/$p" "usr/share/man/man1/$p.1.gz" "usr/share/doc/$p/copyright" "usr/share/doc/$p/changelog.gz" ${owns[$p]}; do
        [ -f "$root/$f" ] || fail "$p does not install $f"
    done
    [ "$("$root/usr/bin/$p" --version)" = "$p (Vemtora) $version" ] || fail "$p --version says $("$root/usr/bin/$p" --version)"
    zcat "$root/usr/share/man/man1/$p.1.gz" | grep "^\.TH .*\"Vemtora $version\"" >/dev/null || fail "$p's man page names another version"
    zcat "$root/usr/share/doc/$p/changelog.gz" | sed -n 1p | grep -F "($version)" >/dev/null || fail "$p's changelog has no entry for $version"
    # A menu entry and the icon it names, from this package alone.
    for entry in "$root"/usr/share/applications/*.desktop; do
        [ -e "$entry" ] || continue
        desktop-file-validate "$entry" || fail "$entry"
        icon=$(sed -n 's/^Icon=//p' "$entry")
        [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "$p's menu entry wants the icon $icon, not in $p"
    done
    "run_${p//-/_}"

    conffiles=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Conffiles}' "$p" | awk 'NF {print $1}')
    if [ "$p" = vemtora-logger ]; then
        [ "$conffiles" = "$conffile" ] || fail "vemtora-logger's conffiles are '$conffiles'"
        # dpkg keeps an administrator's change when the package goes in again.
        echo "# changed here" >>"$root$conffile"
        must_dpkg -i "$(deb "$p")"
        [ "$(tail -1 "$root$conffile")" = "# changed here" ] || fail "reinstalling vemtora-logger overwrote a changed $conffile"
    else
        [ -z "$conffiles" ] || fail "$p has conffiles: $conffiles"
    fi

    must_dpkg -r "$p"
    kept=$(left_behind "$empty")
    want=""
    [ -z "$conffiles" ] || want=$(printf '%s\n' ./etc ./etc/logrotate.d ".$conffile")
    [ "$kept" = "$want" ] || fail "removing $p left '$kept', not '$want'"
    [ "$(state "$p")" = "${conffiles:+rc $version}" ] || fail "$p is '$(state "$p")' after removing"
    must_dpkg -P "$p"
    kept=$(left_behind "$empty")
    [ -z "$kept" ] || fail "purging $p left $kept"
    [ -z "$(state "$p")" ] || fail "$p is still known to dpkg after purging: $(state "$p")"
done

# The upgrade from the single vemtora package of 1.0.0, which held all three programs and the
# logrotate conffile. The stand-in holds every file of the new packages under that one name.
echo "== upgrade from the single package of 1.0.0"
old=${VEMTORA_OLD_PACKAGE:-}
if [ -z "$old" ]; then
    old=$work/vemtora_1.0.0_amd64.deb
    mkdir -p "$work/old/DEBIAN"
    for p in "${packages[@]}"; do dpkg-deb -x "$(deb "$p")" "$work/old"; done
    printf '%s\n' "Package: vemtora" "Version: 1.0.0" "Architecture: amd64" \
        "Maintainer: Vemtora developers <team@vemtora.example>" "Description: all of Vemtora in one package" \
        >"$work/old/DEBIAN/control"
    echo "$conffile" >"$work/old/DEBIAN/conffiles"
    dpkg-deb --root-owner-group -b "$work/old" "$old" >/dev/null
fi
empty=$(files)
must_dpkg -i "$old"
[ "$(state vemtora)" = "ii 1.0.0" ] || fail "$old is no vemtora 1.0.0"
echo "# changed here" >>"$root$conffile"
# The split-off packages do not go in beside it (Breaks), only with the new vemtora.
if dpkg_root -i "$(deb vemtora-logger)"; then fail "vemtora-logger goes in beside vemtora 1.0.0"; fi
grep -q 'breaks vemtora' "$work/dpkg.log" || { cat "$work/dpkg.log"; fail "vemtora-logger refused for another reason"; }
# As apt installs them: the old vemtora deconfigured while its files change hands (Replaces), an
# administrator's changed conffile kept (what the conffile prompt keeps by default).
must_dpkg --auto-deconfigure --force-confold -i "${debs[@]}"
for p in "${packages[@]}"; do
    [ "$(state "$p")" = "ii $version" ] || fail "$p is $(state "$p") after the upgrade"
    while read -r f; do
        [ -e "$root/$f" ] || fail "$f of $p is missing after the upgrade"
    done < <(dpkg-deb -c "$(deb "$p")" | awk '{print $6}')
done
[ "$(dpkg-query --admindir="$root/var/lib/dpkg" -S "$conffile" | cut -d: -f1)" = vemtora-logger ] ||
    fail "$conffile belongs to $(dpkg-query --admindir="$root/var/lib/dpkg" -S "$conffile")"
[ "$(tail -1 "$root$conffile")" = "# changed here" ] || fail "the upgrade lost the change to $conffile"
must_dpkg -P "${packages[@]}"
kept=$(left_behind "$empty")
[ -z "$kept" ] || fail "purging after the upgrade left $kept"

# The Windows zip: one folder of its own name with the programs and the read-me.
echo "== the Windows zip"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$dist/vemtora-$version-windows-x86.zip")
folder=$work/zip/vemtora-$version-windows-x86
[ "$(ls "$work/zip")" = "vemtora-$version-windows-x86" ] || fail "the zip unpacks into $(ls "$work/zip")"
# The windowless logger goes in whenever the Windows build makes one.
programs=(vemtora)
logger_exe=$(find "${prefix}windows-release" -name vemtora-logger.exe -print -quit)
[ -z "$logger_exe" ] || programs+=(vemtora-logger)
want=$(printf '%s\n' README.txt "${programs[@]/%/.exe}" | sort)
[ "$(ls "$folder" | sort)" = "$want" ] || fail "the zip holds $(ls "$folder" | tr '\n' ' ')"
cmp -s "$folder/vemtora.exe" "${prefix}windows-release/shell/win32/vemtora.exe" || fail "the zip's vemtora.exe is not the build's"
strings -el "$folder/vemtora.exe" | grep -x "Vemtora $version meter logger" >/dev/null || fail "vemtora.exe's About box does not say $version"
if [ -n "$logger_exe" ]; then
    cmp -s "$folder/vemtora-logger.exe" "$logger_exe" || fail "the zip's vemtora-logger.exe is not the build's"
    # Its --version, which a 32-bit program cannot be asked for here.
    strings -a "$folder/vemtora-logger.exe" | grep -F " (Vemtora) $version" >/dev/null || fail "vemtora-logger.exe does not say $version"
fi
python3 - "$folder/README.txt" "$version" resources/vemtora.rc <<'CHECK' || fail "the zip's README.txt"
import re, sys
data = open(sys.argv[1], "rb").read()
# Notepad shows it right everywhere: a UTF-8 byte order mark and CRLF line ends only.
assert data.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte order mark"
text = data[3:].decode("utf-8")
assert text.endswith("\r\n") and "\n" not in text.replace("\r\n", "") and "\r" not in text.replace("\r\n", ""), \
    "line ends other than CRLF"
lines = text.split("\r\n")
assert lines[0] == f"Vemtora {sys.argv[2]} for Windows", f"first line: {lines[0]}"
# Every Japanese caption of the menu, as the menu shows it, with its English beside it.
rc = open(sys.argv[3], encoding="utf-8").read()
captions = [c.replace("&", "") for c in re.findall(r'^\s*(?:POPUP|MENUITEM)\s+"([^"]+)"', rc, re.M)]
japanese = [c for c in captions if not c.isascii()]
assert len(japanese) >= 4, f"the menu's captions were not found: {captions}"
for caption in japanese:
    line = next((l for l in lines if caption in l), None)
    assert line and re.search(r"[A-Za-z]{4}", line.replace(caption, "")), f"no English for {caption}"
assert "vemtora.exe [port-index [voltage-scale current-scale]]" in text, "no command line"
CHECK

echo "package check: $version in dist's names, the control files, --version, the About box, man pages," \
     "changelog and read-me; three packages lintian clean, the logger without Qt or X, each installed," \
     "run, removed and purged without a trace, the upgrade from 1.0.0; the zip and SHA256SUMS"
