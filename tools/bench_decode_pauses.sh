#!/bin/sh
# The longest a decode of a 4096x4096 JPEG (quality 100, full-resolution
# colour; progressive and baseline) goes between two of its pauses, where a
# picture worker waits for a message box, over several runs.
#   tools/bench_decode_pauses.sh [BUILD_DIR]     (POTE_BENCH_RUNS, default 5)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
cmake --build "$build" --target potetests -j4 >/dev/null
"$build/tests/potetests" --gtest_also_run_disabled_tests \
    --gtest_filter='ImageDecodeBench.DISABLED_LongestStretchBetweenPauses' | grep -E '^ *(run|[a-z]+ JPEG)|FAILED|Failure'
