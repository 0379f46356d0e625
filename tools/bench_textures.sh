#!/bin/sh
# Times the reload of the whole in-game picture set (the stage start's
# LoadGameAssets, sounds recorded only) from the default assets: as a player
# meets it (the pictures asked for at start-up, as the game does), and cold
# (nothing decoded ahead).
#   tools/bench_textures.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
cmake --build "$build" --target potetests -j4 >/dev/null
for mode in player cold; do
    if [ "$mode" = cold ]; then export POTE_BENCH_COLD=1; fi
    POTE_BENCH_DIR="$build" "$build/tests/potetests" --gtest_also_run_disabled_tests \
        --gtest_filter='TextureBench.DISABLED_LoadGameAssetsTiming' | grep -E 'LoadGameAssets|decoded|FAILED|Failure'
done
