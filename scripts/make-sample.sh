#!/bin/sh
# Rebuilds drfdump and writes the bundled sample capture, samples/sample.drf3: 300 random
# DigRF 3G frames from a fixed seed, which between them carry every channel type, payload size
# and CTS value the generator draws. Only the DATE tag changes from one run to the next.
# Usage: scripts/make-sample.sh [BUILD_FOLDER]   (default: build-sample next to the sources)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-sample"}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target drfdump -j2
mkdir -p "$root/samples"
"$build/drfdump" --generate 300 --seed 2011 -o "$root/samples/sample.drf3"
echo "sample written to $root/samples/sample.drf3"
