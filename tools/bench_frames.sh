#!/usr/bin/env bash
# Runs the real game for a while and reports its frame rate (the FPS lines),
# the CPU it used (over the whole run, and from 8 s on, when the logo is over
# and only the title is left), how often its threads woke from then on, and
# the frame times its device saw (the longest frame and the frames that took
# longer than two steps, as when a load holds one up, each with its frame
# number and the scene it ran: 10 the logo, 11 the title, 40 title to select,
# 41 the select, 30 the stage start, 31 play; and the first frame, timed from
# its start).
#
#   tools/bench_frames.sh [SECONDS [DRIVER [walk]]]
#
# DRIVER: dummy (the default: SDL's dummy video driver, no X server's
# transport measured), x11 (the X display in $DISPLAY), or xvfb (a fresh Xvfb
# desktop with the openbox window manager, through SDL's x11 driver, as on a
# desktop without a GPU). With "walk" (x11 or xvfb only) the script plays the
# front end as a new player would: it waits for the title, presses Z, waits
# for the character select and presses Z again.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
driver=${2:-dummy}
walk=${3:-}
if [ "$driver" = xvfb ]; then
    for tool in xvfb-run openbox xdotool xprop; do
        command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb openbox xdotool x11-utils)" >&2; exit 1; }
    done
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash -c 'source "$0"; openbox >/dev/null 2>&1 &
        wait_for_wm || { echo "openbox did not start" >&2; exit 1; }; "$1" "$2" x11 "$3"' \
        "$here/tools/lib/x_game.sh" "$here/tools/bench_frames.sh" "$seconds" "$walk"
fi
cd "$here/build"
log=$(mktemp)
tick=$(getconf CLK_TCK)
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Times the process's threads went to sleep (each is a wakeup later), summed
# over the threads alive at the time of reading.
wakeups_of() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'; }
player() {
    [ "$walk" = walk ] || return 0
    # Held for a few frames, as a finger would: the game reads the keys once a frame.
    press() { xdotool keydown z; sleep 0.15; xdotool keyup z; }
    sleep 7.5; press               # on the title
    sleep 3; press                 # on the character select
}
idle_from=8  # the logo is over by then: what follows is the title alone
POTE_FRAME_STATS=1 SDL_VIDEODRIVER=$driver SDL_AUDIODRIVER=dummy ./potepote 2> "$log" &
game=$!
player &
start=$(date +%s.%N)
sleep "$idle_from"
mid=$(cpu_of "$game"); mid_wakeups=$(wakeups_of "$game"); mid_at=$(date +%s.%N)
sleep "$(awk -v s="$seconds" -v i="$idle_from" 'BEGIN { print (s > i ? s - i : 0) }')"
end=$(cpu_of "$game"); end_wakeups=$(wakeups_of "$game"); end_at=$(date +%s.%N)
# SIGTERM reaches the game as a close request, so it shuts down normally.
kill -TERM "$game"
wait "$game" || true
wait
fps=$(grep -E '^[0-9]{4} FPS$' "$log" | sed 1d | awk '{print $1+0}' | tr '\n' ' ')
echo "driver: $driver${walk:+ ($walk)}, ran $(awk -v a="$start" -v b="$end_at" 'BEGIN { printf "%.1f", b - a }')s, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "FPS lines after the first: $fps"
awk -v t="$tick" -v a="$start" -v m="$mid_at" -v b="$end_at" -v cm="$mid" -v ce="$end" -v i="$idle_from" 'BEGIN {
    printf "CPU: %.1f%% of one core over the whole run (%.2fs); %.1f%% from %ds on (%.2fs)\n",
           100 * ce / t / (b - a), ce / t, 100 * (ce - cm) / t / (b - m), i, (ce - cm) / t }'
awk -v a="$mid_at" -v b="$end_at" -v wm="$mid_wakeups" -v we="$end_wakeups" -v i="$idle_from" 'BEGIN {
    printf "wakeups: %.0f a second from %ds on (all threads)\n", (we - wm) / (b - a), i }'
grep -E '^frames: ' "$log" || true
grep -v -E '^[0-9]{4} FPS$|^frames: ' "$log" | sed 's/^/stderr: /' | head -5 || true
rm -f "$log"
