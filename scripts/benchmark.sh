#!/usr/bin/env bash
# The frame scanner's throughput, then the Linux edition against the simulated meter for a
# fixed time per phase: idle (not collecting), and collecting and logging every 0.1 s at 9600
# and 38400 bit/s. In every phase cat reads a twin meter streaming at the same time, so the
# window's cost reads as a ratio to the cheapest possible reader. Both are measured over the same
# seconds, after a warm-up, from /proc/PID/task/*/schedstat (time on a CPU in nanoseconds, and
# the number of times each was run).
#   ./scripts/benchmark.sh [seconds per phase, default 60]
#   VEMTORA_SOAK=PATH measures another build's vemtora-soak (an earlier one, for before and after).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
warm_up=5

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target vemtora-soak vemtora-meter-simulator frame_scanner_benchmark >/dev/null

build/linux/benchmarks/frame_scanner_benchmark

soak=${VEMTORA_SOAK:-build/linux/tools/soak/vemtora-soak}
simulator=build/linux/tools/meter_simulator/vemtora-meter-simulator
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
echo "load before the phases: $(uptime)"

# Nanoseconds on a CPU and runs, summed over a process's threads.
usage() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1; runs += $3 } END { printf "%d %d\n", ns, runs }'
}

# One phase: the soak's window with the given options beside cat on a twin meter at `baud`.
phase() {
    local baud=$1
    shift
    "$simulator" --link "$work/cat-$baud" --baud "$baud" --frames-per-second 0 --delivery bursts >/dev/null 2>&1 &
    local twin=$!
    for _ in $(seq 100); do [ -e "$work/cat-$baud" ] && break; sleep 0.05; done
    cat "$work/cat-$baud" >/dev/null &
    local cat_pid=$!
    "$soak" --seconds $((warm_up + seconds + 2)) "$@" >"$work/soak.out" \
        2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2) &
    local window=$!
    sleep "$warm_up"
    local window_before cat_before window_after cat_after
    window_before=$(usage "$window")
    cat_before=$(usage "$cat_pid")
    sleep "$seconds"
    window_after=$(usage "$window")
    cat_after=$(usage "$cat_pid")
    wait "$window" || true
    cat "$work/soak.out"
    awk -v s="$seconds" -v wb="$window_before" -v wa="$window_after" -v cb="$cat_before" -v ca="$cat_after" '
        BEGIN {
            split(wb, w0, " "); split(wa, w1, " "); split(cb, c0, " "); split(ca, c1, " ")
            window = 100 * (w1[1] - w0[1]) / (s * 1e9); cat = 100 * (c1[1] - c0[1]) / (s * 1e9)
            printf "  side by side over %d s (schedstat):\n", s
            printf "    window                  %8.3f %% of a core, %6.1f runs a second\n", window, (w1[2] - w0[2]) / s
            printf "    cat on a twin meter     %8.3f %% of a core, %6.1f runs a second\n", cat, (c1[2] - c0[2]) / s
            printf "    window / cat            %8.2f\n", (cat > 0 ? window / cat : 0)
        }'
    kill "$cat_pid" "$twin"
    wait "$cat_pid" "$twin" 2>/dev/null || true
}

phase 38400 --idle
phase 9600 --baud 9600 --interval-ms 100
phase 38400 --baud 38400 --interval-ms 100
echo "load after the phases: $(uptime)"
