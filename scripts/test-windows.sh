#!/usr/bin/env bash
# Builds the Windows edition (the i686 release program and the x86_64 test build) and runs
# the Windows tests under Wine, inside a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
# The Windows program's whole run reads frames from the meter simulator, a program of this machine.
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target vemtora-meter-simulator
echo "== windows-release"
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j "$jobs"

echo "== windows-test"
cmake --preset windows-test >/dev/null
cmake --build --preset windows-test -j "$jobs"
# One display and one fresh Wine prefix (made by the first test) for the whole run.
xvfb-run -a -s "-screen 0 800x600x24" ctest --preset windows-test -j "$jobs"
