#!/usr/bin/env bash
# One whole run of the real vemtora.exe under X: started with the given command line (the
# meter's port), choose the line's speed, collect from the meter (the simulator streams its frames
# a byte at a time), log through the real save dialog typed into as a person would, screenshot,
# close the window, then check the exit code, the speed the program gave the line, and every log
# line byte for byte.
# Usage (inside with_meter.sh): gui_run_test.sh VEMTORA_EXE "ARGUMENTS" SPEED SCREENSHOT EMULATOR...
set -euo pipefail
exe=$1 arguments=$2 speed=$3 screenshot=$4
shift 4
[ -f "$exe" ] || { echo "SKIPPED: no $exe (build its preset first)"; exit 77; }
: "${METER_DEVICE:?needs the line of the meter (run inside with_meter.sh)}"
: "${DISPLAY:?needs an X display (run under xvfb-run)}"

work=$(mktemp -d)
trap 'kill "$program" 2>/dev/null || true; rm -rf "$work"' EXIT
log="$work/run"  # typed without extension: used as is

# Waits up to $1 seconds for the command after it to succeed.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || { echo "timed out: $*" >&2; return 1; }
        sleep 0.1
    done
}
# Mapped, so that it can take the focus.
window_appears() { w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$w" ]; }
log_has_lines() { [ -f "$log" ] && [ "$(wc -l < "$log")" -ge "$1" ]; }
program_ended() { ! kill -0 "$program" 2>/dev/null; }

# shellcheck disable=SC2086 # the arguments are words
"$@" "$exe" $arguments &
program=$!
within 60 window_appears Vemtora
main=$w
xdotool windowfocus --sync "$main"

# Settings > Speed > the speed's item, Data Collect > Start, then File > Log File > Save, by keyboard.
speeds=(300 600 1200 2400 4800 9600 19200 38400)
downs=()
for s in "${speeds[@]}"; do
    [ "$s" = "$speed" ] && break
    downs+=(Down)
done
[ "${#downs[@]}" -lt "${#speeds[@]}" ] || { echo "no menu item for $speed bit/s" >&2; exit 1; }
xdotool key --delay 150 F10 Right Right Down Down Right "${downs[@]}" Return
xdotool key --delay 150 F10 Right Down Return
xdotool key --delay 150 F10 Down Right Return
within 30 window_appears "Save As"
xdotool windowfocus --sync "$w"
xdotool type --delay 20 "Z:${log//\//\\}"
xdotool key Return

within 30 log_has_lines 4
xdotool windowfocus --sync "$main"
sleep 0.6  # let one more report paint the averages before the picture is taken
import -window root -crop 550x100+0+0 "$screenshot"

xdotool key alt+F4
within 30 program_ended
wait "$program" && code=0 || code=$?
[ "$code" -eq 0 ] || { echo "exit code $code" >&2; exit 1; }

# The program set the line's speed through the serial driver.
stty -F "$METER_DEVICE" | grep -q "^speed $speed baud" || { echo "the line is not at $speed bit/s:" >&2; stty -F "$METER_DEVICE" >&2; exit 1; }

# Every frame is a1000<TAB>200<TAB>10z, so every interval averages the same.
lines=$(wc -l < "$log")
good=$(grep -cP '^\d\d:\d\d:\d\d\.\d\t64\.6\t1\.94\t125\.3$' "$log" || true)
[ "$(tail -c1 "$log" | od -An -c | tr -d ' ')" = '\n' ] || { echo "last line not ended" >&2; exit 1; }
if grep -q $'\r' "$log" || [ "$good" -ne "$lines" ]; then
    echo "unexpected log content:" >&2
    od -c "$log" | head -20 >&2
    exit 1
fi
echo "logged $lines lines at $speed bit/s, exit code 0"
