#!/usr/bin/env bash
# Builds the release into dist/ (or the folder given): the Debian packages vemtora, vemtora-plot
# and vemtora-logger, the Windows zip, and SHA256SUMS over them. Installs only what these builds
# need.
#   VEMTORA_BUILD_PREFIX=build/mine-  builds in build/mine-linux-release and
#   build/mine-windows-release instead of the presets' folders
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-dist}
prefix=${VEMTORA_BUILD_PREFIX:-build/}

./scripts/install-deps.sh --release
jobs=$(nproc)

# build PRESET GENERATOR: configures, builds and packs into the preset's folder under the prefix.
build() {
    local dir=$prefix$1
    cmake --preset "$1" -B "$dir" >/dev/null
    cmake --build "$dir" -j "$jobs"
    rm -f "$dir"/*.deb "$dir"/*.zip
    (cd "$dir" && cpack -G "$2" >/dev/null)
}
build linux-release DEB
build windows-release ZIP

# Only this release's files, so that the folder and SHA256SUMS agree.
mkdir -p "$out"
rm -f "$out"/vemtora*.deb "$out"/vemtora-*.zip "$out"/SHA256SUMS
cp "${prefix}linux-release"/*.deb "${prefix}windows-release"/*.zip "$out"/
(cd "$out" && sha256sum -- *.deb *.zip >SHA256SUMS)
ls -l "$out"
