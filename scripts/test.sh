#!/usr/bin/env bash
# Installs what is missing, builds every edition and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)
run_preset() {
    echo "== $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
    ctest --preset "$1" -j "$jobs"
}

# The Linux edition, then its unit and program tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
run_preset linux
run_preset linux-sanitize

# The Windows edition, cross-compiled and run under Wine.
if [ -x scripts/test-windows.sh ]; then
    ./scripts/test-windows.sh
fi

# Fuzzing of everything that reads the line, the command line or a log, 20 seconds per target
# (VEMTORA_FUZZ_SECONDS for longer runs).
run_preset fuzz

# The Debian package: lintian, its dependencies, and the unpacked program starting once.
./scripts/test-package.sh
