#!/usr/bin/env bash
# Runs a command while the meter simulator streams frames on a COM port of the Wine prefix, one
# byte every 10 bit-times at the given speed, as a serial line delivers them. The command finds
# the line's pseudo-terminal in METER_DEVICE.
# Usage: with_meter.sh SIMULATOR PREFIX PORT SPEED COMMAND...   (PORT like com5)
set -euo pipefail
simulator=$1 prefix=$2 port=$3 speed=$4
shift 4
[ -x "$simulator" ] || { echo "SKIPPED: no meter simulator at $simulator (build the linux preset)"; exit 77; }
fifo=$(mktemp -u)
mkfifo "$fifo"
"$simulator" --link "$prefix/dosdevices/$port" --baud "$speed" --delivery bytes --frames-per-second 50 >"$fifo" &
meter=$!
trap 'kill "$meter" 2>/dev/null || true; wait "$meter" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 10 METER_DEVICE <"$fifo" || { echo "the meter simulator did not start" >&2; exit 1; }
export METER_DEVICE
"$@"
