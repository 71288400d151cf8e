#!/usr/bin/env bash
# Builds the Windows edition (the i686 release program, and an x86_64 and an i686 test build) and
# runs the whole Windows suite under Wine on both test builds, each in a fresh Wine prefix inside
# a virtual X display. The i686 suite runs the release's own processor build under 32-bit Wine.
# Where it cannot run, the script says exactly why; under CI (CI=true) that fails the run, unless
# the kernel itself cannot start a 32-bit program.
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

# True when the kernel starts a 32-bit x86 program: a 100-byte one that only exits with 42, made
# here, so the answer depends on neither Wine nor any i386 package.
kernel_runs_32bit() {
    local program status=0
    program=$(mktemp)
    python3 - "$program" <<'ELF'
import struct, sys
base = 0x08048000
code = bytes.fromhex("b801000000" "bb2a000000" "cd80")  # exit(42) through int 0x80
size = 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + segment + code)
ELF
    chmod +x "$program"
    "$program" 2>/dev/null || status=$?
    rm -f "$program"
    [ "$status" -eq 42 ]
}

# Starts a 32-bit Windows program of the i686 build; prints why not, when it cannot.
run_32bit_program() {
    [ -x /usr/lib/wine/wine ] || { echo "no 32-bit Wine loader at /usr/lib/wine/wine"; return 1; }
    # A prefix of its own, made now that 32-bit Wine is there, as the i686 suite's will be.
    local prefix output
    prefix=$(mktemp -d)/wine-prefix
    tests/win32/fresh_wine_prefix.sh "$prefix" >/dev/null 2>&1 || { echo "no Wine prefix could be made"; return 1; }
    output=$(mktemp)
    # A file, not a pipe: the wineserver this may start keeps its output open after the program ends.
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 120 \
        /usr/lib/wine/wine build/windows-test-i686/tests/core/core_tests.exe --gtest_list_tests >"$output" 2>&1 || true
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$(dirname "$prefix")"
    if ! grep -q "^SameDigits\." "$output"; then
        echo "/usr/lib/wine/wine cannot start a 32-bit program here: $(head -1 "$output")"
        rm -f "$output"
        return 1
    fi
    rm -f "$output"
}

# 32-bit Wine before any prefix is made: a prefix made without it has no 32-bit system files.
# On a kernel that cannot run it, it would only sit in every prefix's way.
i686_blocked="the kernel cannot start 32-bit programs"
if kernel_runs_32bit; then
    i686_blocked=$(install_wine32) || true
fi

# The Windows program's whole runs read their frames from the meter simulator, a program of this machine.
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target vemtora-meter-simulator
presets=(windows-release windows-test)
# The release program is already a 32-bit build; the 32-bit test build is made where it can run.
if kernel_runs_32bit; then
    presets+=(windows-test-i686)
fi
for preset in "${presets[@]}"; do
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
if [ -z "$i686_blocked" ]; then
    i686_blocked=$(run_32bit_program) || true
fi
if [ -z "$i686_blocked" ]; then
    run_suite windows-test-i686 "32-bit Wine"
elif ! kernel_runs_32bit; then
    echo "note: this kernel cannot start 32-bit programs at all (a 32-bit program of this script's own does not start: Exec format error), so neither can 32-bit Wine; the i686 test build and suite are skipped, only the x86_64 suite ran (the 32-bit release programs were built)"
elif [ "${CI:-}" = true ]; then
    echo "== windows-test-i686: FAILED: the i686 suite cannot run: $i686_blocked"
    failed+=(windows-test-i686)
else
    echo "note: the i686 suite is skipped: $i686_blocked; only the x86_64 suite ran"
fi

if ((${#failed[@]})); then
    echo "Windows suites failed: ${failed[*]}"
    exit 1
fi
