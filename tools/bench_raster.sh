#!/bin/sh
# Times one representative play frame (132 quads, whole-pixel and fractional
# positions) through our rasteriser, through SDL's software renderer and as a
# plain copy of the picture, with the default assets. POTE_BENCH_PARTS=1 also
# times the clear and the parts of the frame one by one.
#   tools/bench_raster.sh [BUILD_DIR [RUNS]]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
runs=${2:-300}
cmake --build "$build" --target potetests_sdl -j4 >/dev/null
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy POTE_BENCH_DIR="$build" POTE_BENCH_RUNS="$runs" \
    "$build/tests/potetests_sdl" --gtest_also_run_disabled_tests \
    --gtest_filter='RasterBench.DISABLED_RepresentativePlayFrame' | grep -E 'frame,|a clear|FAILED|Failure'
