#!/usr/bin/env bash
# The frame scanner's throughput, then the Linux edition against the simulated meter for a
# fixed time per phase: CPU as a share of one core, wake-ups per second, peak memory, time to
# first paint.
#   ./scripts/benchmark.sh [seconds per phase, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target vemtora-soak frame_scanner_benchmark >/dev/null

build/linux/benchmarks/frame_scanner_benchmark

soak=build/linux/tools/soak/vemtora-soak
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
run() { "$soak" --seconds "$seconds" "$@" 2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2); }
run --idle
run --baud 9600 --interval-ms 100
run --baud 38400 --interval-ms 100
