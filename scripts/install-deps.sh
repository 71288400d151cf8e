#!/usr/bin/env bash
# Installs the Debian packages Vemtora needs; quick when everything is there.
#   install-deps.sh            everything the test command needs (both editions, every test)
#   install-deps.sh --run      only what building and running the Linux edition needs
#   install-deps.sh --release  only what building the release (the Debian packages, the Windows zip) needs
set -euo pipefail

build_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-charts-dev qt6-svg-dev
    libmosquitto-dev libmicrohttpd-dev liburiparser-dev
)
# The window's Japanese menu captions.
run_packages=(fonts-ipafont-gothic)
# dpkg-shlibdeps and file find the packages' dependencies; the i686 MinGW builds vemtora.exe.
release_packages=(dpkg-dev file g++-mingw-w64-i686-posix)
test_packages=(
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    locales
    xvfb xauth xdotool x11-xkb-utils
    g++-mingw-w64-x86-64-posix binutils-mingw-w64 wine64 imagemagick
    clang-14 libclang-rt-14-dev
    lintian desktop-file-utils python3 logrotate fakeroot
    mosquitto prometheus libcurl4-openssl-dev nlohmann-json3-dev openssl
)

packages=("${build_packages[@]}")
case "${1:-}" in
    --run) packages+=("${run_packages[@]}") ;;
    --release) packages+=("${release_packages[@]}") ;;
    "") packages+=("${run_packages[@]}" "${release_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: $0 [--run | --release]" >&2; exit 2 ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# One query for all of them: the common case, everything there, takes a moment.
declare -A installed=()
while read -r name status; do
    [ "$status" != "install ok installed" ] || installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if ((${#missing[@]})); then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

[ -z "${1:-}" ] || exit 0

# The tests run once more in a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; the comma-locale run will be skipped"
fi
