#!/usr/bin/env bash
# Installs the Debian packages Vemtora needs; quick when everything is there.
#   install-deps.sh          everything the test command needs (both editions, every test)
#   install-deps.sh --run    only what building and running the Linux edition needs
set -euo pipefail

run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev fonts-ipafont-gothic
    qt6-charts-dev qt6-svg-dev
    libmosquitto-dev libmicrohttpd-dev liburiparser-dev
)
test_packages=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    locales
    xvfb xauth xdotool x11-xkb-utils
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 wine64 imagemagick
    clang-14 libclang-rt-14-dev
    dpkg-dev lintian desktop-file-utils python3 zip logrotate
    mosquitto prometheus libcurl4-openssl-dev nlohmann-json3-dev openssl
)

packages=("${run_packages[@]}")
[ "${1:-}" = "--run" ] || packages+=("${test_packages[@]}")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

[ "${1:-}" = "--run" ] && exit 0

# The tests run once more in a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; the comma-locale run will be skipped"
fi
