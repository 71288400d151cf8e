#!/usr/bin/env bash
# The CPU share of a real vemtora-plot following a week-long log (0.1 s lines) as it grows by
# ten lines a second in the whole-log view, read from /proc/PID/schedstat; and the time
# `--summary` takes over the same log. A benchmark to run by hand, not a test:
#   plot_follow_cpu.sh VEMTORA_PLOT PLOT_SAMPLE_LOG [LINES [SECONDS]]
set -euo pipefail

plot=$1 generator=$2 lines=${3:-6000000} seconds=${4:-60}
work=$(mktemp -d)
plot_pid="" writer_pid=""
cleanup() {
    [ -n "$writer_pid" ] && kill "$writer_pid" 2>/dev/null || true
    [ -n "$plot_pid" ] && kill "$plot_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The log and the lines that continue it, all from one run so their times follow on.
appended=$((seconds * 10 + 100))
"$generator" "$work/all.log" $((lines + appended)) 1
head -n "$lines" "$work/all.log" >"$work/week.log"
tail -n "$appended" "$work/all.log" >"$work/more.log"
rm "$work/all.log"

start=$(date +%s.%N)
"$plot" --summary "$work/week.log" >/dev/null
echo "--summary of $lines lines: $(echo "$(date +%s.%N) - $start" | bc) s"

cpu_ns() { awk '{print $1}' "/proc/$1/schedstat"; }

QT_QPA_PLATFORM=offscreen "$plot" "$work/week.log" &
plot_pid=$!
# Read to its end: the process stops using the CPU for a second.
previous=0
for _ in $(seq 600); do
    sleep 1
    now=$(cpu_ns "$plot_pid")
    [ $((now - previous)) -lt 50000000 ] && [ "$previous" -gt 0 ] && break
    previous=$now
done
echo "opened: $(echo "scale=2; $(cpu_ns "$plot_pid") / 1000000000" | bc) s of CPU"

idle_before=$(cpu_ns "$plot_pid")
sleep 10
idle=$(( $(cpu_ns "$plot_pid") - idle_before ))

(while IFS= read -r line; do printf '%s\n' "$line" >>"$work/week.log"; sleep 0.1; done <"$work/more.log") &
writer_pid=$!
sleep 2  # let following settle in
before=$(cpu_ns "$plot_pid")
begin=$(date +%s.%N)
sleep "$seconds"
used=$(( $(cpu_ns "$plot_pid") - before ))
elapsed=$(echo "$(date +%s.%N) - $begin" | bc)
echo "idle: $(echo "scale=2; $idle / 100000000" | bc) % of a core"
echo "following: $(echo "scale=2; $used / 10000000 / $elapsed" | bc) % of a core over $elapsed s"
