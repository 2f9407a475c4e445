#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds the icon painter and redraws every picture in viewer/resources/.
# Usage: scripts/make-icons.sh [BUILD_FOLDER]   (default: build-icons next to the sources)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-icons"}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target iconpainter -j2
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/iconpainter" "$root/viewer/resources"
echo "pictures written to $root/viewer/resources"
