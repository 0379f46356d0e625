#!/usr/bin/env bash
# Every speed figure of the game in one run, on the build in build/:
# frames and CPU under SDL's dummy video driver and under Xvfb with a window
# manager (20 s of logo and title each), the front end played through under
# Xvfb, stage play (its draws replayed against SDL's renderer and a floor,
# and the whole game under both drivers), the stage start's sound list and
# its pictures, and how long the largest picture's decode goes without a pause.
set -uo pipefail
cd "$(dirname "$0")"
echo "== logo and title, dummy video driver"; ./bench_frames.sh 20 dummy
echo "== logo and title, Xvfb with openbox"; ./bench_frames.sh 20 xvfb
echo "== front end played through, Xvfb with openbox"; ./bench_frames.sh 14 xvfb walk
echo "== stage play"; ./bench_play.sh
echo "== stage start: sounds"; ./bench_sounds.sh
echo "== stage start: pictures"; ./bench_textures.sh
echo "== the largest picture's decode: its longest stretch without a pause"; ./bench_decode_pauses.sh
