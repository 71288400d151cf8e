#!/usr/bin/env bash
# What vemtora-logger costs beside cat reading the same stream: two simulated meters with the
# same settings run side by side, cat reads one, the logger (collecting and logging every
# 0.1 s) the other, and both are measured over the same window. The line delivers one byte at
# a time as a serial port does, then in 16 ms bursts as USB adapters do. CPU as a share of one
# core, from /proc/<pid>/schedstat (nanoseconds) and /proc/<pid>/stat (utime+stime, ticks).
#   ./scripts/benchmark-logger.sh [seconds per phase, default 60] [delivery..., default bytes bursts]
#   VEMTORA_LOGGER=PATH measures another build's logger (an earlier one, for before and after);
#   VEMTORA_SPEEDS="38400" measures only the speeds given.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
deliveries=("${@:2}")
((${#deliveries[@]})) || deliveries=(bytes bursts)

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target vemtora-logger vemtora-meter-simulator >/dev/null

simulator=build/linux/tools/meter_simulator/vemtora-meter-simulator
logger=${VEMTORA_LOGGER:-build/linux/shell/logger/vemtora-logger}
work=$(mktemp -d)
pids=()
cleanup() {
    ((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Fields after the command name, which may hold blanks: utime and stime are the 12th and 13th.
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
nanoseconds() { cut -d' ' -f1 "/proc/$1/schedstat"; }
share() { awk -v used="$1" -v whole="$2" 'BEGIN { printf "%.2f", 100 * used / whole }'; }

wait_for_link() {
    for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.05; done
    echo "no simulator at $1" >&2; exit 1
}

hz=$(getconf CLK_TCK)
printf '%-8s %-8s %-8s %12s %12s %8s\n' "delivery" "bit/s" "reader" "CPU (ns)" "CPU (ticks)" "ratio"
for delivery in "${deliveries[@]}"; do
for baud in ${VEMTORA_SPEEDS:-9600 38400}; do
    # Frames back to back, as fast as the line allows: the soak's stream.
    simulators=()
    for side in cat logger; do
        "$simulator" --link "$work/$side-$baud" --baud "$baud" --frames-per-second 0 --delivery "$delivery" \
            >/dev/null 2>&1 &
        simulators+=($!)
        wait_for_link "$work/$side-$baud"
    done
    pids+=("${simulators[@]}")
    cat "$work/cat-$baud" >/dev/null &
    cat_pid=$!
    "$logger" --device "$work/logger-$baud" --speed "$baud" --interval 0.1 --log "$work/$baud.log" >/dev/null &
    logger_pid=$!
    pids+=("$cat_pid" "$logger_pid")

    sleep 2  # both settled, the first lines written
    cat_ns=$(nanoseconds "$cat_pid") logger_ns=$(nanoseconds "$logger_pid")
    cat_ticks=$(ticks "$cat_pid") logger_ticks=$(ticks "$logger_pid")
    start=$(date +%s%N)
    sleep "$seconds"
    cat_ns=$(($(nanoseconds "$cat_pid") - cat_ns)) logger_ns=$(($(nanoseconds "$logger_pid") - logger_ns))
    cat_ticks=$(($(ticks "$cat_pid") - cat_ticks)) logger_ticks=$(($(ticks "$logger_pid") - logger_ticks))
    window_ns=$(($(date +%s%N) - start))

    ratio=$(awk -v l="$logger_ns" -v c="$cat_ns" 'BEGIN { printf "%.2f", (c > 0 ? l / c : 0) }')
    printf '%-8s %-8s %-8s %11s%% %11s%% %8s\n' "$delivery" "$baud" cat "$(share "$cat_ns" "$window_ns")" \
        "$(share "$cat_ticks" "$((window_ns / 1000000000 * hz))")" ""
    printf '%-8s %-8s %-8s %11s%% %11s%% %8s\n' "$delivery" "$baud" logger "$(share "$logger_ns" "$window_ns")" \
        "$(share "$logger_ticks" "$((window_ns / 1000000000 * hz))")" "$ratio"
    echo "                  log lines: $(wc -l <"$work/$baud.log") in about $((seconds + 2)) s"
    rm -f "$work/$baud.log"
    kill "$cat_pid" "$logger_pid" "${simulators[@]}"
    wait "$logger_pid" "${simulators[@]}" || true
done
done
