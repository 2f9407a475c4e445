#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang and libFuzzer (scripts/install-fuzz-deps.sh installs them)
# and runs each one for a number of seconds, starting from its seed corpus in tests/fuzz/corpus.
# New inputs and findings stay in the build folder; the seed corpus is only read.
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_FOLDER] [TARGET...]
#   SECONDS       time per target (default 30)
#   BUILD_FOLDER  default: build-fuzz next to the sources
#   TARGET        reader, framerecord, colorfile, payloaddump, filter, definitions (default: all)
# Exits non-zero when a target finds a crash, a sanitizer report, a broken invariant or a hang.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${2:-"$root/build-fuzz"}
if [ $# -gt 2 ]; then
    targets=("${@:3}")
else
    targets=(reader framerecord colorfile payloaddump filter definitions)
fi

cmake -S "$root" -B "$build" -DFRAMESCOPE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Leaks count as findings; the system libraries' own allocations kept until exit do not.
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

failed=()
for target in "${targets[@]}"; do
    work="$build/fuzz-corpus/$target"
    findings="$build/fuzz-findings/$target"
    log="$build/fuzz-$target.log"
    mkdir -p "$work" "$findings"
    # A filter may be a pasted text of any length: what only long texts reach (deep nesting)
    # needs inputs well past libFuzzer's own length limit.
    options=()
    if [ "$target" = filter ]; then
        options=(-max_len=65536)
    fi
    echo "== fuzz_$target for ${seconds} s"
    if "$build/tests/fuzz/fuzz_$target" "$work" "$root/tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
        "${options[@]}" -artifact_prefix="$findings/" >"$log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
    else
        failed+=("$target")
        echo "fuzz_$target found a problem (input saved in $findings):"
        tail -n 60 "$log"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}"
    exit 1
fi
echo "fuzzing passed: ${targets[*]}"
