#!/usr/bin/env bash
# Runs a command while the meter simulator streams frames on COM5 of the Wine prefix.
# Usage: with_meter.sh SIMULATOR PREFIX COMMAND...
set -euo pipefail
simulator=$1 prefix=$2
shift 2
[ -x "$simulator" ] || { echo "SKIPPED: no meter simulator at $simulator (build the linux preset)"; exit 77; }
fifo=$(mktemp -u)
mkfifo "$fifo"
"$simulator" --link "$prefix/dosdevices/com5" --frames-per-second 50 >"$fifo" &
meter=$!
trap 'kill "$meter" 2>/dev/null || true; wait "$meter" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 10 device <"$fifo" || { echo "the meter simulator did not start" >&2; exit 1; }
"$@"
