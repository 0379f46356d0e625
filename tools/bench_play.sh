#!/usr/bin/env bash
# What stage play costs, like with like, in one run:
#
# 1. replay: the draws of recorded stage 1 play (tools/bench/play_stretch.txt),
#    captured from the game as it plays on SDL's dummy drivers, are drawn
#    again frame by frame, pinned to one core: by our rasteriser, by SDL's
#    software renderer (SDL_RenderGeometry into a 640x480 target, its clear
#    left out where ours is) and as the floor (our vector copy of the picture
#    and one blend pass over it). Medians in microseconds, ours/SDL and
#    ours/floor on the same frames.
# 2. stage play: the whole game driven into stage play by
#    tests/scripts/full_road.txt, full screen, under SDL's dummy video driver
#    and under Xvfb (1920x1080, depth 24) with openbox: its CPU over SECONDS
#    of play (all threads, % of one core), the time from its start to its
#    first frame (the present after the device's first, black one; the best
#    of all runs, as a loaded machine only adds to it), and its resident
#    memory at the end.
# 3. title: resident memory (VmRSS) and thread count of the game idle on
#    the title, 9 s after its start, under both drivers.
#
#   tools/bench_play.sh [--profile | --first] [BUILD_DIR [BEFORE_BUILD_DIR]]
#
# With a second build (say of main: git archive main | tar -x -C /tmp/base,
# then cmake -S /tmp/base -B /tmp/base/build -DCMAKE_BUILD_TYPE=RelWithDebInfo)
# parts 2 and 3 alternate between the two builds, round after round, and end
# with the ratios after/before; part 1 runs on both. The sound is on (SDL's
# dummy audio driver). POTE_BENCH_ROUNDS (default 2), POTE_BENCH_SECONDS (20),
# POTE_BENCH_FRAMES (replayed frames, 600), POTE_BENCH_CORE (the replay's
# core, default the last). POTE_BENCH_WINDOWED=1 replays in the window rather
# than full screen. --profile runs part 1 alone, with a perf profile of the
# play frames. --first measures the first frame alone, start after start
# (POTE_BENCH_STARTS of each build, default 10, builds alternating), full
# screen under Xvfb with openbox and on a bare Xvfb: every figure sorted, and
# the best, median and worst. Parts 2 and 3 and --first need xvfb and openbox.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
profile=0 first=0
case "${1:-}" in
--profile) profile=1; shift ;;
--first) first=1; shift ;;
esac
build=$(cd "${1:-$here/build}" && pwd)
before=${2:+$(cd "$2" && pwd)}
builds=("$build" ${before:+"$before"})
core=${POTE_BENCH_CORE:-$(($(nproc) - 1))}
frames=${POTE_BENCH_FRAMES:-600}
rounds=${POTE_BENCH_ROUNDS:-2}
seconds=${POTE_BENCH_SECONDS:-20}
play_from=13  # full_road.txt is in stage play from frame 676, 11.3 s of steps
title_at=9    # the logo is over by then

name_of() { [ "$1" = "$build" ] && echo after || echo before; }
for b in "${builds[@]}"; do
  targets=(potepote)
  if [ -f "$b/../tools/bench/bench_play.cpp" ]; then targets+=(bench_play); fi  # older trees have no replay
  if [ -d "$b/../tools/assetgen" ]; then targets+=(assets); fi
  cmake --build "$b" --target "${targets[@]}" -j4 >/dev/null
  tree=$(git -C "$b/.." rev-parse --short HEAD 2>/dev/null) &&
    { git -C "$b/.." diff --quiet HEAD || tree+=+changes; } || tree="not in git (an archive?)"
  echo "$(name_of "$b"): $b ($(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$b/CMakeCache.txt")), tree $tree"
done
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

tmp=$(mktemp -d)
started=()
cleanup() {
  for p in "${started[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
source "$here/tools/lib/x_game.sh"
quiet() { grep -v -E '^[0-9]{4} FPS$|^frame [0-9]+: scene|^SDL renderer \(accelerated\)|^Joypad Not Found' >&2 || true; }

# ---- 1. replay ----------------------------------------------------------
replay() {
  (cd "$1" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    taskset -c "$core" "$1/tools/bench/bench_play" "$here/tools/bench/play_stretch.txt" "$frames")
}
if [ $profile = 1 ]; then
  mkfifo "$tmp/ctl"
  # Events start switched off; the benchmark switches them on for the play
  # frames. A deep stack copy lets the unwinder get past the rasteriser's frame.
  (cd "$build" && POTE_BENCH_PERF_CTL="$tmp/ctl" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    perf record -q -e cpu-clock -F 500 --call-graph dwarf,32768 -D -1 --control "fifo:$tmp/ctl" \
    -o "$tmp/perf.data" -- taskset -c "$core" "$build/tools/bench/bench_play" \
    "$here/tools/bench/play_stretch.txt" "$frames") 2> >(quiet)
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
  exit 0
fi
for b in "${builds[@]}"; do
  [ $first = 0 ] && [ -x "$b/tools/bench/bench_play" ] || continue
  echo
  echo "== 1. replay of $frames captured play frames, core $core, $(name_of "$b")" \
       "($([ -n "${POTE_BENCH_WINDOWED:-}" ] && echo windowed || echo full screen))"
  replay "$b" 2> >(quiet)
done

# ---- 2. and 3. the whole game ---------------------------------------------
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb openbox)" >&2; exit 1; }
done
x_server() {  # NAME: a 1920x1080 Xvfb, its display in $tmp/NAME
  Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp 5>"$tmp/$1" 2>/dev/null &
  started+=($!)
  for _ in $(seq 50); do [ -s "$tmp/$1" ] && break; sleep 0.1; done
  [ -s "$tmp/$1" ] || { echo "Xvfb did not start" >&2; exit 1; }
}
x_server display
display=:$(cat "$tmp/display")
DISPLAY=$display openbox >/dev/null 2>&1 &
started+=($!)
DISPLAY=$display wait_for_wm || { echo "openbox did not start" >&2; exit 1; }

# The time of the game's first presents, from the moment it is started
# (POTE_BENCH_T0, ns since the epoch), whichever way it presents.
cat > "$tmp/presents.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
static void presented(void) {
    static int n;
    if (++n > 2) return;
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const char* t0 = getenv("POTE_BENCH_T0");
    double ms = ((double)ts.tv_sec * 1e9 + (double)ts.tv_nsec - (t0 ? atof(t0) : 0)) / 1e6;
    fprintf(stderr, "bench: present %d at %.1f ms\n", n, ms);
}
#define PASS(ret, name, params, args)                          \
    ret name params {                                          \
        static ret(*real) params;                              \
        if (!real) *(void**)&real = dlsym(RTLD_NEXT, #name);   \
        ret r = real args;                                     \
        presented();                                           \
        return r;                                              \
    }
PASS(int, SDL_UpdateWindowSurface, (void* w), (w))
PASS(int, SDL_UpdateWindowSurfaceRects, (void* w, const void* rects, int n), (w, rects, n))
void SDL_RenderPresent(void* r) {
    static void (*real)(void*);
    if (!real) *(void**)&real = dlsym(RTLD_NEXT, "SDL_RenderPresent");
    real(r);
    presented();
}
EOF
cc -O2 -shared -fPIC -o "$tmp/presents.so" "$tmp/presents.c" -ldl

# --first: first_frame BUILD DISPLAY prints the ms from the start to the first frame.
if [ $first = 1 ]; then
  x_server bare
  bare=:$(cat "$tmp/bare")
  first_frame() {
    local log=$tmp/first.log
    : > "$log"  # now: the game's own redirection may come after the first look
    cd "$1"
    env SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 DISPLAY="$2" LD_PRELOAD="$tmp/presents.so" \
      POTE_BENCH_T0="$(date +%s%N)" ./potepote 2> "$log" &
    local game=$!
    for _ in $(seq 50); do grep -q '^bench: present 2 ' "$log" && break; sleep 0.1; done
    stop_game $game
    cd "$here"
    sed -n 's/^bench: present 2 at \(.*\) ms$/\1/p' "$log" | grep . || echo -
  }
  : > "$tmp/firsts"
  for _ in $(seq "${POTE_BENCH_STARTS:-10}"); do
    for server in openbox bare; do
      d=$display
      [ $server = bare ] && d=$bare
      for b in "${builds[@]}"; do echo "$(name_of "$b") $server $(first_frame "$b" "$d")" >> "$tmp/firsts"; done
    done
  done
  echo
  echo "== first frame (ms from the start), full screen, Xvfb 1920x1080, ${POTE_BENCH_STARTS:-10} starts each," \
       "load average $(cut -d' ' -f1-3 /proc/loadavg)"
  for b in "${builds[@]}"; do
    for server in openbox bare; do
      # A start that showed no frame in 5 s counts as missing, not as fast.
      sort -g -k3 "$tmp/firsts" | awk -v b="$(name_of "$b")" -v s=$server '$1 == b && $2 == s {
          if ($3 == "-") missing++; else v[n++] = $3 }
        END { printf "%-6s %-7s best %6s  median %6s  worst %6s  all:", b, s, v[0], v[int(n / 2)], v[n - 1]
              for (i = 0; i < n; i++) printf " %s", v[i]
              if (missing) printf "  (%d without a frame)", missing
              printf "\n" }'
    done
  done
  exit 0
fi

# run BUILD DRIVER SCRIPT FROM SPAN: starts the game, reads its CPU time at
# FROM and FROM + SPAN seconds, then its memory and threads, and ends it.
# Prints: CPU % over the span, first frame ms, VmRSS MB, threads, scene at the end.
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
run() {
  local b=$1 driver=$2 script=$3 from=$4 span=$5 log=$tmp/game.log
  local env=(POTE_FRAME_STATS=1 SDL_AUDIODRIVER=dummy LD_PRELOAD="$tmp/presents.so")
  if [ "$driver" = dummy ]; then env+=(SDL_VIDEODRIVER=dummy); else env+=(SDL_VIDEODRIVER=x11 DISPLAY="$display"); fi
  if [ -n "$script" ]; then env+=(POTE_INPUT_SCRIPT="$script"); fi
  cd "$b"
  env "${env[@]}" POTE_BENCH_T0="$(date +%s%N)" ./potepote 2> "$log" &
  local game=$!
  sleep "$from"
  local c0 a0 c1 a1 rss threads
  c0=$(cpu_of $game); a0=$(date +%s.%N)
  sleep "$span"
  c1=$(cpu_of $game); a1=$(date +%s.%N)
  rss=$(awk '/^VmRSS/ { printf "%.0f", $2 / 1024 }' /proc/$game/status)
  threads=$(ls /proc/$game/task | wc -l)
  stop_game $game  # a close request: the game shuts down as it would
  cd "$here"
  awk -v t="$(getconf CLK_TCK)" -v c="$((c1 - c0))" -v a="$a0" -v b="$a1" -v r="$rss" -v n="$threads" \
      -v f="$(sed -n 's/^bench: present 2 at \(.*\) ms$/\1/p' "$log")" \
      -v s="$(sed -n 's/.* scene \([0-9-]*\) at the end$/\1/p' "$log")" \
      'BEGIN { printf "%.1f %s %s %s %s\n", 100 * c / t / (b - a), f == "" ? "-" : f, r, n, s == "" ? "-" : s }'
}

results=$tmp/results
: > "$results"
echo
echo "== 2. stage play (tests/scripts/full_road.txt), ${seconds} s from ${play_from} s on, full screen;" \
     "3. title at ${title_at} s; $rounds rounds"
printf '%-6s %-7s %-6s %-6s %10s %10s %7s %8s %6s\n' round build driver part "CPU %" "1st frame" "RSS MB" threads scene
for round in $(seq "$rounds"); do
  for driver in dummy xvfb; do
    for b in "${builds[@]}"; do
      read -r cpu shown rss threads scene < <(run "$b" $driver "$here/tests/scripts/full_road.txt" $play_from "$seconds")
      printf '%-6s %-7s %-6s %-6s %10s %10s %7s %8s %6s\n' "$round" "$(name_of "$b")" $driver play "$cpu" "$shown" "$rss" "$threads" "$scene"
      echo "$(name_of "$b") $driver play $cpu $shown $rss $threads" >> "$results"
      read -r cpu shown rss threads scene < <(run "$b" $driver "" $((title_at - 1)) 1)
      printf '%-6s %-7s %-6s %-6s %10s %10s %7s %8s %6s\n' "$round" "$(name_of "$b")" $driver title "-" "$shown" "$rss" "$threads" "$scene"
      echo "$(name_of "$b") $driver title - $shown $rss $threads" >> "$results"
    done
  done
done

echo
echo "== summary: means over the rounds, but the first frame the best of all runs${before:+; after/before,}${before:+ each build's own figure over the other's}"
awk -v withBefore="${before:+1}" '
  { k = $1 " " $2 " " $3; n[k]++; cpu[k] += $4; rss[k] += $6; thr[k] += $7
    # Start-up is the same in both parts; a loaded machine only adds to it.
    f = $1 " " $2 " first"; if ($5 != "-" && (!(f in first) || $5 < first[f])) { first[f] = $5; n[f] = 1 } }
  function m(a, k) { return n[k] ? a[k] / n[k] : 0 }
  function row(what, a, part, driver, fmt,   x, y) {
    x = m(a, "after " driver " " part); y = m(a, "before " driver " " part)
    printf "  %-34s " fmt, what, x
    if (withBefore) printf "   before " fmt "   after/before %.2f", y, y ? x / y : 0
    printf "\n"
  }
  END {
    row("stage play CPU, dummy driver (%)", cpu, "play", "dummy", "%7.1f")
    row("stage play CPU, Xvfb (%)", cpu, "play", "xvfb", "%7.1f")
    for (i = 0; i < 1 + (withBefore ? 1 : 0); i++) {
      b = i ? "before" : "after"
      printf "  %-34s %7.2f (%s)\n", "stage play CPU, Xvfb / dummy", m(cpu, b " xvfb play") / m(cpu, b " dummy play"), b
    }
    row("first frame, dummy driver (ms, best)", first, "first", "dummy", "%7.0f")
    row("first frame, Xvfb (ms, best)", first, "first", "xvfb", "%7.0f")
    row("stage play VmRSS, dummy (MB)", rss, "play", "dummy", "%7.0f")
    row("stage play VmRSS, Xvfb (MB)", rss, "play", "xvfb", "%7.0f")
    row("title VmRSS, dummy (MB)", rss, "title", "dummy", "%7.0f")
    row("title threads, dummy", thr, "title", "dummy", "%7.0f")
    row("title VmRSS, Xvfb (MB)", rss, "title", "xvfb", "%7.0f")
    row("title threads, Xvfb", thr, "title", "xvfb", "%7.0f")
    x = m(cpu, "after xvfb play"); d = m(cpu, "after dummy play"); f = m(first, "after xvfb first")
    printf "aim, stage play under Xvfb at most 35%% of a core: %s (%.1f%%)\n", x <= 35 ? "met" : "MISSED", x
    printf "aim, at most 3x the dummy driver: %s (%.2fx)\n", x <= 3 * d ? "met" : "MISSED", d ? x / d : 0
    # A game that never showed a frame has no first frame: missed, not fast.
    if (n["after xvfb first"])
      printf "aim, first frame under Xvfb within 250 ms of the start: %s (%.0f ms)\n", f <= 250 ? "met" : "MISSED", f
    else
      printf "aim, first frame under Xvfb within 250 ms of the start: MISSED (no frame shown)\n"
  }' "$results"
