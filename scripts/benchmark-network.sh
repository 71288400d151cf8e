#!/usr/bin/env bash
# Many meters on one machine: simulated meters, each read by its own vemtora-logger that
# publishes to one local Mosquitto and is scraped by one Prometheus every second; beside each
# logger, cat reads a twin meter with the same settings. Reports each logger's CPU share
# against its cat, the broker's and Prometheus' share, messages per second, and whether any
# reading was lost (log lines against messages received). Meter 0 is read by a logger without
# network outputs, beside its own cat, for what the network adds.
#   ./scripts/benchmark-network.sh [seconds, default 60] [meters, default 16]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
meters=${2:-16}
baud=9600

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

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# Every thread's CPU time in nanoseconds: the logger, the broker and Prometheus have several.
nanoseconds() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { print sum + 0 }'; }
wait_for() {
    for _ in $(seq 200); do [ -e "$1" ] && return 0; sleep 0.05; done
    echo "gave up waiting for $1" >&2
    exit 1
}
wait_for_port() {
    for _ in $(seq 200); do (: </dev/tcp/127.0.0.1/"$1") 2>/dev/null && return 0; sleep 0.05; done
    echo "nothing listens on port $1" >&2
    exit 1
}

broker_port=$(free_port)
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$broker_port" >"$work/mosquitto.conf"
mosquitto -c "$work/mosquitto.conf" >"$work/mosquitto.out" 2>&1 &
broker_pid=$!
pids+=("$broker_pid")
wait_for_port "$broker_port"

mosquitto_sub -h 127.0.0.1 -p "$broker_port" -q 1 -t 'bench/+/reading' -v >"$work/received" &
pids+=($!)

metrics_ports=() targets=()
for _ in $(seq "$meters"); do metrics_ports+=("$(free_port)"); done
for port in "${metrics_ports[@]}"; do targets+=("\"127.0.0.1:$port\""); done
prometheus_port=$(free_port)
cat >"$work/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
scrape_configs:
  - job_name: vemtora
    static_configs:
      - targets: [$(IFS=,; echo "${targets[*]}")]
YAML
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$prometheus_port" >"$work/prometheus.out" 2>&1 &
prometheus_pid=$!
pids+=("$prometheus_pid")

cat_pids=() logger_pids=()
for i in $(seq 0 "$meters"); do
    for side in cat logger; do
        "$simulator" --link "$work/$side-$i" --baud "$baud" --frames-per-second 0 --delivery bursts \
            >/dev/null 2>&1 &
        pids+=($!)
        wait_for "$work/$side-$i"
    done
    cat "$work/cat-$i" >/dev/null 2>&1 &
    cat_pids+=($!)
    network=()
    ((i == 0)) || network=(--mqtt "mqtt://127.0.0.1:$broker_port/bench/$i" --metrics "127.0.0.1:${metrics_ports[i - 1]}")
    "$logger" --device "$work/logger-$i" --speed "$baud" --interval 0.1 --log "$work/$i.log" "${network[@]}" >/dev/null &
    logger_pids+=($!)
    pids+=("${cat_pids[-1]}" "${logger_pids[-1]}")
done
wait_for_port "$prometheus_port"

sleep 3  # everyone settled, the first readings published and scraped
measured=("${cat_pids[@]}" "${logger_pids[@]}" "$broker_pid" "$prometheus_pid")
declare -A used
for pid in "${measured[@]}"; do used[$pid]=$(nanoseconds "$pid"); done
received_before=$(wc -l <"$work/received")
start=$(date +%s%N)
sleep "$seconds"
window_ns=$(($(date +%s%N) - start))
for pid in "${measured[@]}"; do used[$pid]=$(($(nanoseconds "$pid") - used[$pid])); done
received_in_window=$(($(wc -l <"$work/received") - received_before))

# The loggers end; everything they logged must have arrived.
kill -TERM "${logger_pids[@]}"
wait "${logger_pids[@]}" || true
sleep 2
share() { awk -v used="$1" -v whole="$window_ns" 'BEGIN { printf "%.2f", 100 * used / whole }'; }

printf '%-14s %9s %9s %7s %8s %9s\n' meter cat logger ratio logged received
worst=0 lost=0
for i in $(seq 0 "$meters"); do
    c=${used[${cat_pids[i]}]} l=${used[${logger_pids[i]}]}
    ratio=$(awk -v l="$l" -v c="$c" 'BEGIN { printf "%.2f", (c > 0 ? l / c : 0) }')
    logged=$(wc -l <"$work/$i.log")
    if ((i == 0)); then
        printf '%-14s %8s%% %8s%% %7s %8s %9s\n' "0 (no network)" "$(share "$c")" "$(share "$l")" "$ratio" "$logged" -
        continue
    fi
    worst=$(awk -v r="$ratio" -v w="$worst" 'BEGIN { print (r > w ? r : w) }')
    got=$(grep -c "^bench/$i/reading " "$work/received" || true)
    lost=$((lost + (logged > got ? logged - got : 0)))
    printf '%-14s %8s%% %8s%% %7s %8s %9s\n' "$i" "$(share "$c")" "$(share "$l")" "$ratio" "$logged" "$got"
done
echo "worst logger ÷ cat: $worst"
echo "broker (mosquitto): $(share "${used[$broker_pid]}") % of a core; Prometheus: $(share "${used[$prometheus_pid]}") %"
awk -v n="$received_in_window" -v s="$window_ns" 'BEGIN { printf "messages per second: %.1f\n", n / (s / 1e9) }'
echo "readings logged but not received: $lost"
