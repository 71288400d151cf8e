#!/usr/bin/env bash
# Makes a new Wine prefix for one test run: Japanese fonts mapped, Wine drawing its own frames.
# Usage: fresh_wine_prefix.sh PREFIX
set -euo pipefail
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
/usr/lib/wine/wine64 wineboot --init
# regedit reads version 5 files as UTF-16 with a byte-order mark.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/wine_prefix.reg"; } > "$prefix/vemtora.reg"
/usr/lib/wine/wine64 regedit /S 'Z:'"$(echo "$prefix/vemtora.reg" | tr / '\\')"
# The serial tests link their own ports; the defaults (com1 -> /dev/ttyS0) must not answer instead.
rm -f "$prefix"/dosdevices/com*
wineserver -w
