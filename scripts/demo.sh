#!/usr/bin/env bash
# Starts the Linux edition against the meter simulator: choose Data Collect > Start to see
# live readings. Arguments go to the program (for example a port index other than 4 = COM5
# finds no meter).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --run
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target vemtora vemtora-meter-simulator

folder=$(mktemp -d)
simulator_pid=""
cleanup() {
    if [ -n "$simulator_pid" ]; then
        kill "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap cleanup EXIT

# About 230 V and 1.9 A with a little noise, ten frames a second, on a private "COM5".
build/linux-release/tools/meter_simulator/vemtora-meter-simulator --link "$folder/COM5" --frames-per-second 10 \
    --voltage 3560 --current 196 --divisor 10 --noise 0.01 >/dev/null &
simulator_pid=$!
for _ in $(seq 100); do
    [ -e "$folder/COM5" ] && break
    sleep 0.05
done
[ -e "$folder/COM5" ] || { echo "the meter simulator did not start" >&2; exit 1; }

echo "Meter simulator on $folder/COM5. In Vemtora choose Data Collect > Start."
build/linux-release/shell/qt/vemtora "--device-folder=$folder" "$@"
