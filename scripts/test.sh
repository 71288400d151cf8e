#!/usr/bin/env bash
# Installs what is missing, builds every edition and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-sanitize; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

# The Windows edition, cross-compiled and run under Wine.
if [ -x scripts/test-windows.sh ]; then
    ./scripts/test-windows.sh
fi
