#!/usr/bin/env bash
# Makes a new Wine prefix for one test run: Japanese fonts mapped, Wine drawing its own frames.
# The prefix is 64-bit and runs 32-bit programs too (with /usr/lib/wine/wine), so each suite,
# x86_64 or i686, makes its own the same way. --no-font-mapping leaves the font names unmapped,
# as on a Windows without MS Gothic.
# Usage: fresh_wine_prefix.sh [--no-font-mapping] PREFIX
set -euo pipefail
# Now and then wineboot fails for no reason of ours (seen once in many runs, with 32-bit Wine
# installed on a kernel that cannot run it): a second attempt starts again from nothing.
if [ -z "${VEMTORA_PREFIX_ATTEMPT:-}" ]; then
    VEMTORA_PREFIX_ATTEMPT=1 "$0" "$@" && exit 0
    echo "making the Wine prefix failed; trying once more from nothing" >&2
    exec env VEMTORA_PREFIX_ATTEMPT=2 "$0" "$@"
fi
drop_fonts=0
if [ "$1" = --no-font-mapping ]; then
    drop_fonts=1
    shift
fi
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
/usr/lib/wine/wine64 wineboot --init
# regedit reads version 5 files as UTF-16 with a byte-order mark. The keys are shared by the
# 64-bit and 32-bit views of the registry.
{ printf '\xff\xfe'; awk -v drop="$drop_fonts" '/^\[/ { skip = drop && /\\Font/ } !skip' "$here/wine_prefix.reg" |
    iconv -f UTF-8 -t UTF-16LE; } > "$prefix/vemtora.reg"
/usr/lib/wine/wine64 regedit /S 'Z:'"$(echo "$prefix/vemtora.reg" | tr / '\\')"
# The serial tests link their own ports; the defaults (com1 -> /dev/ttyS0) must not answer instead.
rm -f "$prefix"/dosdevices/com*
wineserver -w
# The server opens the tests' pseudo-terminals for them, and the first it opens becomes its
# controlling terminal; when that line closes, the hang-up makes it print every object it holds
# into whichever test started it. One started here writes to its own log instead, and stays
# until wine_prefix_stop ends it. So do Wine's helper processes (services, the desktop), which
# the first program starts: started by a program of this script, they hold the log open, not a
# test's output, which ctest would otherwise wait on.
log=$prefix.wineserver.log
wineserver -p </dev/null >"$log" 2>&1
/usr/lib/wine/wine64 cmd /c exit </dev/null >>"$log" 2>&1
