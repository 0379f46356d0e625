#!/bin/sh
# Times the reload of the whole in-game picture set (the stage start's
# LoadGameAssets, sounds recorded only) from the default assets.
#   tools/bench_textures.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
cmake --build "$build" --target potetests -j4 >/dev/null
POTE_BENCH_DIR="$build" "$build/tests/potetests" --gtest_also_run_disabled_tests \
    --gtest_filter='TextureBench.DISABLED_LoadGameAssetsTiming' | grep -E 'LoadGameAssets|decoded|FAILED|Failure'
