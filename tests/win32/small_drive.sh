#!/usr/bin/env bash
# Runs a command with a really small filesystem mapped as drive T: in the Wine prefix.
# Usage: small_drive.sh PREFIX COMMAND...   (exit 77, skipped, where mounting is not allowed)
set -euo pipefail
prefix=$1
shift
mount_point=$(mktemp -d)
if ! mount -t tmpfs -o size=64k tmpfs "$mount_point" 2>/dev/null; then
    rmdir "$mount_point"
    echo "SKIPPED: cannot mount a small filesystem here (needs root)"
    exit 77
fi
cleanup() {
    rm -f "$prefix/dosdevices/t:"
    umount "$mount_point" || true
    rmdir "$mount_point" || true
}
trap cleanup EXIT
ln -sfn "$mount_point" "$prefix/dosdevices/t:"
VEMTORA_SMALL_DRIVE='T:\' "$@"
