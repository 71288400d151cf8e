#!/usr/bin/env bash
# The frame scanner's throughput, then the Linux edition against the simulated meter for a
# fixed time per phase: CPU as a share of one core, wake-ups per second, peak memory, time to
# first paint. While the window reads a meter, cat reads a twin meter with the same settings,
# so the window's cost can be read as a ratio to the cheapest possible reader.
#   ./scripts/benchmark.sh [seconds per phase, default 60]
#   VEMTORA_SOAK=PATH measures another build's vemtora-soak (an earlier one, for before and after).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target vemtora-soak vemtora-meter-simulator frame_scanner_benchmark >/dev/null

build/linux/benchmarks/frame_scanner_benchmark

soak=${VEMTORA_SOAK:-build/linux/tools/soak/vemtora-soak}
simulator=build/linux/tools/meter_simulator/vemtora-meter-simulator
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
run() { "$soak" --seconds "$seconds" "$@" 2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2); }

# The soak's meter: frames back to back in USB bursts.
beside_cat() {
    local baud=$1
    shift
    "$simulator" --link "$work/cat-$baud" --baud "$baud" --frames-per-second 0 --delivery bursts >/dev/null 2>&1 &
    local twin=$!
    for _ in $(seq 100); do [ -e "$work/cat-$baud" ] && break; sleep 0.05; done
    cat "$work/cat-$baud" >/dev/null &
    local cat_pid=$!
    local before
    before=$(cut -d' ' -f1 "/proc/$cat_pid/schedstat")
    run "$@"
    awk -v used="$(($(cut -d' ' -f1 "/proc/$cat_pid/schedstat") - before))" -v s="$seconds" \
        'BEGIN { printf "  cat on a twin meter       %8.3f %%\n", 100 * used / (s * 1e9) }'
    kill "$cat_pid" "$twin"
    wait "$cat_pid" "$twin" 2>/dev/null || true
}

run --idle
beside_cat 9600 --baud 9600 --interval-ms 100
beside_cat 38400 --baud 38400 --interval-ms 100
