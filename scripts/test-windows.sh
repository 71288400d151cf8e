#!/usr/bin/env bash
# Builds the Windows edition (the i686 release program, and an x86_64 and an i686 test build) and
# runs the whole Windows suite under Wine on both test builds, each in a fresh Wine prefix inside
# a virtual X display. The i686 suite runs the release's own processor build under 32-bit Wine;
# where this machine cannot run 32-bit programs, it says so once and runs the x86_64 suite alone.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
jobs=$(nproc)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# 32-bit Wine comes from Debian's i386 architecture. Prints why not, when it cannot be had.
install_wine32() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386 || { echo "dpkg cannot add the i386 architecture"; return 1; }
    fi
    echo "== installing Debian's wine32:i386 for the i686 suite" >&2
    $sudo apt-get update -qq -o DPkg::Lock::Timeout=900 >/dev/null 2>&1 || { echo "apt-get update failed"; return 1; }
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=900 wine32:i386 \
        >/dev/null 2>&1 || { echo "Debian's wine32:i386 could not be installed"; return 1; }
}

# Starts a 32-bit Windows program of the i686 build; prints why not, when it cannot.
run_32bit_program() {
    [ -x /usr/lib/wine/wine ] || { echo "no 32-bit Wine loader at /usr/lib/wine/wine"; return 1; }
    # Any 64-bit prefix runs 32-bit programs too; the x86_64 suite has just made one.
    local prefix=$PWD/build/windows-test/wine-prefix output
    [ -d "$prefix" ] || prefix=$PWD/build/windows-test-i686/wine-prefix
    output=$(mktemp)
    # A file, not a pipe: the wineserver this may start keeps its output open after the program ends.
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 120 \
        /usr/lib/wine/wine build/windows-test-i686/tests/core/core_tests.exe --gtest_list_tests >"$output" 2>&1 || true
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    if ! grep -q "^SameDigits\." "$output"; then
        echo "/usr/lib/wine/wine cannot start a 32-bit program here: $(head -1 "$output")"
        rm -f "$output"
        return 1
    fi
    rm -f "$output"
}

# The Windows program's whole runs read their frames from the meter simulator, a program of this machine.
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target vemtora-meter-simulator
for preset in windows-release windows-test windows-test-i686; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

failed=()
# One display and one fresh Wine prefix (made by the suite's first test) per suite.
run_suite() {
    local start=$SECONDS
    echo "== $1 under $2"
    if xvfb-run -a -s "-screen 0 800x600x24" ctest --preset "$1" -j "$jobs"; then
        echo "== $1: passed in $((SECONDS - start)) s"
    else
        echo "== $1: FAILED after $((SECONDS - start)) s"
        failed+=("$1")
    fi
}

run_suite windows-test wine64
if why=$(install_wine32) && why=$(run_32bit_program); then
    run_suite windows-test-i686 "32-bit Wine"
else
    echo "note: this machine cannot run 32-bit Windows programs ($why); the i686 suite is skipped, only the x86_64 suite ran"
fi

if ((${#failed[@]})); then
    echo "Windows suites failed: ${failed[*]}"
    exit 1
fi
