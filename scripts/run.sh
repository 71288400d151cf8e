#!/usr/bin/env bash
# Installs what is missing, builds the Linux edition and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target vemtora
exec build/linux/shell/qt/vemtora "$@"
