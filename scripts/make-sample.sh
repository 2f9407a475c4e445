#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds drfdump and writes the bundled sample capture, samples/sample.drf3: 3000 frames of
# realistic DigRF 3G traffic from a fixed seed (about 28 ms: strobes, RF IC Control bursts,
# three streaming data channels with CTS toggling, Interface Control and reserved frames), on
# which every view of time, gaps, rates and charts has something to show. Only the DATE tag
# changes from one run to the next.
# Usage: scripts/make-sample.sh [BUILD_FOLDER]   (default: build-sample next to the sources)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-sample"}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target drfdump -j2
mkdir -p "$root/samples"
"$build/drfdump" --generate 3000 --traffic --seed 2011 -o "$root/samples/sample.drf3"
echo "sample written to $root/samples/sample.drf3"
