#!/usr/bin/env bash
# Builds both release artefacts into dist/: the Debian package of the Linux edition and
# the Windows zip with the 32-bit vemtora.exe and its read-me.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
jobs=$(nproc)
mkdir -p dist

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$jobs"
cpack --preset linux-release >/dev/null 2>&1
cp build/linux-release/vemtora_*.deb dist/

cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j "$jobs"
version=$(sed -n 's/^project(Vemtora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/vemtora-$version"
cp build/windows-release/shell/win32/vemtora.exe "$stage/vemtora-$version/"
# Windows users open the read-me in Notepad: CRLF line ends.
sed 's/$/\r/' packaging/windows/README.txt > "$stage/vemtora-$version/README.txt"
rm -f "dist/vemtora-$version-windows-x86.zip"
(cd "$stage" && zip -q -r -X "$OLDPWD/dist/vemtora-$version-windows-x86.zip" "vemtora-$version")

ls -l dist
