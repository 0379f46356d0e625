#!/usr/bin/env bash
# What a play frame costs: builds bench_play and runs the recorded stretch of
# stage 1 play (tools/bench/play_stretch.txt) on SDL's dummy video and audio
# drivers, pinned to one core. Prints the median, 99th percentile and worst
# play frame in microseconds, the same frames drawn through SDL's renderer
# (SDL_RenderGeometry into a 640x480 target), and the ratio.
#   tools/bench_play.sh [--profile] [BUILD_DIR]
# --profile records the play frames with perf as well and prints where their
# time goes. POTE_BENCH_CORE picks the core (default: the last one),
# POTE_BENCH_FRAMES how many play frames (default 1800, 30 seconds).
# POTE_BENCH_WINDOWED=1 plays in the window rather than full screen: the
# dummy driver's desktop is 1024x768, so full screen the present stretches
# the picture in software, which a desktop's GPU would do instead.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
profile=0
if [ "${1:-}" = "--profile" ]; then
  profile=1
  shift
fi
build=$(cd "${1:-$here/build}" && pwd)
core=${POTE_BENCH_CORE:-$(($(nproc) - 1))}
frames=${POTE_BENCH_FRAMES:-1800}
targets=(bench_play)
if [ -d "$here/tools/assetgen" ]; then targets+=(assets); fi
cmake --build "$build" --target "${targets[@]}" -j4 >/dev/null
cd "$build"  # the game reads date/ from here
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
run=(taskset -c "$core" "$build/tools/bench/bench_play" "$here/tools/bench/play_stretch.txt" "$frames")
echo "tree $(git -C "$here" rev-parse --short HEAD)$(git -C "$here" diff --quiet HEAD || echo '+changes'), build $build" \
     "($(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' CMakeCache.txt)), core $core of $(nproc)," \
     "$([ -n "${POTE_BENCH_WINDOWED:-}" ] && echo windowed || echo full screen)"
quiet() { grep -v -E '^[0-9]{4} FPS$|^frame [0-9]+: scene|^SDL renderer \(accelerated\)|^Joypad Not Found' >&2 || true; }

if [ $profile = 0 ]; then
  "${run[@]}" 2> >(quiet)
  exit 0
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkfifo "$tmp/ctl"
# Events start switched off; the benchmark switches them on for the play
# frames. A deep stack copy lets the unwinder get past the rasteriser's frame.
POTE_BENCH_PERF_CTL="$tmp/ctl" perf record -q -e cpu-clock -F 500 --call-graph dwarf,32768 -D -1 \
  --control "fifo:$tmp/ctl" -o "$tmp/perf.data" -- "${run[@]}" 2> >(quiet)
set +o pipefail  # head may close a report early
report() { perf report -i "$tmp/perf.data" --comm bench_play --percentage relative --stdio -g none "$@" 2>/dev/null |
  grep -v -E '^#|^$' | sed 's/ *- *- *$//'; }
echo
echo "Profile of the play frames (main thread, perf cpu-clock samples)"
echo "-- by library, own time:"
report --no-children --sort dso | head -6
echo "-- by function, own time (the SDL library has no symbols here, so it is left out):"
report --no-children --sort dso,symbol --dsos bench_play,libc.so.6 --percentage absolute | head -10
echo "-- the frame's parts, with what they call (a floor: some stacks do not unwind):"
report --children --sort symbol |
  grep -E '\] (GameLoop|SceneStagePlay|IDirect3DDevice8::(Present|DrawPrimitiveUP|Clear)|BackendPresent|RasterFan|UpdateKeyboard|UpdateJoypad)$' || true
