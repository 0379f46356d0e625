#!/usr/bin/env bash
# Runs the real game for a while and reports its frame rate (the FPS lines)
# and the CPU it used. Usage: tools/bench_frames.sh [SECONDS] [VIDEODRIVER]
# VIDEODRIVER defaults to dummy, so that no X server's transport is measured;
# pass x11 under Xvfb (xvfb-run -a tools/bench_frames.sh 10 x11) to include it.
set -euo pipefail
cd "$(dirname "$0")/../build"
seconds=${1:-10}
driver=${2:-dummy}
log=$(mktemp)
TIMEFORMAT='%U %S %R'
# SIGTERM reaches the game as a close request, so it shuts down normally.
times=$( { time SDL_VIDEODRIVER=$driver SDL_AUDIODRIVER=dummy timeout -s TERM "$seconds" ./potepote 2> "$log" ; } 2>&1 ) || true
read -r user sys real <<< "$times"
fps=$(grep -E '^[0-9]{4} FPS$' "$log" | sed 1d | awk '{print $1+0}' | tr '\n' ' ')
echo "driver: $driver, ran ${real}s"
echo "FPS lines after the first: $fps"
awk -v u="$user" -v s="$sys" -v r="$real" 'BEGIN { printf "CPU: %.1f%% of one core (user %.2fs, system %.2fs)\n", 100*(u+s)/r, u, s }'
grep -v -E '^[0-9]{4} FPS$' "$log" | sed 's/^/stderr: /' | head -5 || true
rm -f "$log"
