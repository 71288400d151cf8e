#!/usr/bin/env bash
# A real vemtora-plot following a week-long log (0.1 s lines) as it grows by ten lines a second,
# once with the whole log in view and once zoomed in to about a minute at its end, each side by
# side with `tail -F` following the same file over the same seconds: CPU from
# /proc/PID/task/*/schedstat as shares of a core, and the plotter's over tail's. Also the time and
# peak memory of `--summary` over the log. A benchmark to run by hand, not a test:
#   plot_follow_cpu.sh VEMTORA_PLOT PLOT_SAMPLE_LOG [LINES [SECONDS]]
# The window runs on a real X server (Xvfb), where xdotool gives it the keys that zoom in.
set -euo pipefail

plot=$1 generator=$2 lines=${3:-6000000} seconds=${4:-60}
for tool in xvfb-run xdotool bc; do command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }; done
if [ -z "${VEMTORA_UNDER_XVFB:-}" ]; then
    VEMTORA_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
plot_pid="" writer_pid="" tail_pid=""
stop() {
    for pid in "$writer_pid" "$tail_pid" "$plot_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    plot_pid="" writer_pid="" tail_pid=""
}
cleanup() {
    stop
    rm -rf "$work"
}
trap cleanup EXIT

# The log and the lines that continue it, all from one run so their times follow on: a block
# for each phase.
block=$((seconds * 10 + 200))
"$generator" "$work/all.log" $((lines + 2 * block)) 1
head -n "$lines" "$work/all.log" >"$work/week.log"
tail -n $((2 * block)) "$work/all.log" | head -n "$block" >"$work/more1.log"
tail -n "$block" "$work/all.log" >"$work/more2.log"
rm "$work/all.log"

/usr/bin/time -f "--summary of $lines lines: %e s (CPU %U s user, %S s system), peak %M KB" "$plot" --summary "$work/week.log" >/dev/null

# Nanoseconds on a CPU, all threads of a process; "%d" would stop at 2^31 in mawk, about 2 s.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%.0f\n", sum}'; }
share() { echo "scale=3; $1 / 10000000 / $2" | bc; }

# phase NAME MORE KEY...: opens the log, waits until it is read, presses the keys, then follows
# ten lines a second from MORE beside tail -F.
phase() {
    local name=$1 more=$2
    shift 2
    QT_QPA_PLATFORM=xcb "$plot" "$work/week.log" 2>/dev/null &
    plot_pid=$!
    local window="" previous=0 now
    until window=$(xdotool search --onlyvisible --pid "$plot_pid" 2>/dev/null | head -1) && [ -n "$window" ]; do sleep 0.2; done
    # Read to its end: the process stops using the CPU for a second.
    for _ in $(seq 600); do
        sleep 1
        now=$(cpu_ns "$plot_pid")
        [ "$previous" -gt 0 ] && [ $((now - previous)) -lt 50000000 ] && break
        previous=$now
    done
    if [ $# -gt 0 ]; then
        xdotool windowfocus --sync "$window"
        for key in "$@"; do xdotool key "$key"; sleep 0.2; done
    fi
    (while IFS= read -r line; do printf '%s\n' "$line" >>"$work/week.log"; sleep 0.1; done <"$more") &
    writer_pid=$!
    tail -F -n 0 "$work/week.log" >/dev/null 2>&1 &
    tail_pid=$!
    sleep 3  # following settles in
    local plot_before tail_before begin plot_used tail_used elapsed
    plot_before=$(cpu_ns "$plot_pid")
    tail_before=$(cpu_ns "$tail_pid")
    begin=$(date +%s.%N)
    sleep "$seconds"
    plot_used=$(($(cpu_ns "$plot_pid") - plot_before))
    tail_used=$(($(cpu_ns "$tail_pid") - tail_before))
    elapsed=$(echo "$(date +%s.%N) - $begin" | bc)
    echo "$name: vemtora-plot $(share "$plot_used" "$elapsed") % of a core, tail -F $(share "$tail_used" "$elapsed") %," \
         "ratio $(echo "scale=1; $plot_used / ($tail_used + 1)" | bc), over $elapsed s"
    stop
}

phase "whole log in view" "$work/more1.log"
# Each = (zoom in) halves the span at the live end: a week down to about 74 s.
phase "about a minute in view" "$work/more2.log" equal equal equal equal equal equal equal equal equal equal equal equal equal
