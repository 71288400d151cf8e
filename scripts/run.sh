#!/usr/bin/env bash
# Installs what is missing, builds the Linux edition and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --run
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target vemtora
exec build/linux-release/shell/qt/vemtora "$@"
