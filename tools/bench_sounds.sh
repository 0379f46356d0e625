#!/bin/sh
# Times LoadGameSounds, the stage start's sound list, on the real SDL build
# (dummy audio driver): the first load of the set, then repeated loads; first
# as a player meets it (the sounds asked for at start-up, as the game does,
# and rendered by the time the front end is over), then cold.
#
#   tools/bench_sounds.sh [BUILD_DIR [FOLDER_WITH_DATE [RUNS]]]
#
# BUILD_DIR defaults to build/, FOLDER_WITH_DATE to BUILD_DIR (where the
# default assets are written as date/*.tov). The first figure includes reading
# the SoundFont; run it twice to see the figure with the file cache warm.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
folder=$(cd "${2:-$build}" && pwd)
runs=${3:-10}
if [ ! -d "$folder/date" ]; then
    echo "no date/ folder in $folder" >&2
    exit 1
fi
cmake --build "$build" --target potetests_sdl -j4 >/dev/null
echo "sounds in $folder/date: $(ls "$folder/date" | wc -l) files, $(du -sh "$folder/date" | cut -f1)"
for mode in player cold; do
    echo "-- $mode"
    if [ "$mode" = cold ]; then export POTE_BENCH_COLD=1; fi
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy POTE_BENCH_DIR="$folder" POTE_BENCH_RUNS="$runs" \
        "$build/tests/potetests_sdl" --gtest_also_run_disabled_tests \
        --gtest_filter='SoundSdlBench.DISABLED_LoadGameSoundsTiming' |
        grep -E 'LoadGameSounds|rendered|decoded|cold|FAILED|Failure'
done
