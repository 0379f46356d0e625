#!/usr/bin/env bash
# Runs the real game under X with a window manager (Xvfb and openbox) and a
# picture missing, so that a message box comes up at start; then the X server
# goes, as at a logout or a lost remote display. Xlib ends a program that
# loses its server: the game, and the copy of it that SDL shows the box from,
# must both be gone within 5 seconds, not left waiting for a box that will
# never close.
#
#   tools/check_box_lost_x.sh [BUILD_DIR]     default: build
# Needs Xvfb, openbox, xwininfo and xprop (apt-get install xvfb openbox x11-utils).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
for tool in Xvfb openbox xwininfo xprop; do
  command -v "$tool" > /dev/null || { echo "check_box_lost_x: $tool is missing"; exit 2; }
done
[ -x "$build/potepote" ] || { echo "check_box_lost_x: no game in $build"; exit 2; }
[ -f "$build/date/back_start1.tov" ] || { echo "check_box_lost_x: no asset set in $build/date"; exit 2; }
limit=5  # seconds from the server's end to the game's

work=$(mktemp -d)
game_pid="" copy_pids="" xvfb_pid="" wm_pid=""
cleanup() {
  # Whatever is left has failed the check already: it is not asked.
  for pid in $copy_pids $game_pid; do kill -KILL "$pid" 2> /dev/null; done
  [ -n "$wm_pid" ] && kill "$wm_pid" 2> /dev/null
  [ -n "$xvfb_pid" ] && kill -KILL "$xvfb_pid" 2> /dev/null
  wait 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/lib/x_game.sh"

# The title's picture missing: its load fails and the box says so.
mkdir "$work/game"
cp -r "$build/date" "$work/game/date"
rm "$work/game/date/back_start1.tov"

# Xvfb picks a free display itself and says which.
exec 3> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 200); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
[ -s "$work/displayfd" ] || { echo "check_box_lost_x: Xvfb did not start"; cat "$work/xvfb.log"; exit 2; }
export DISPLAY=":$(head -n1 "$work/displayfd")"
openbox > "$work/wm.log" 2>&1 &
wm_pid=$!
wait_for_wm 20 || { echo "check_box_lost_x: openbox did not start"; cat "$work/wm.log"; exit 2; }

# In a sanitizer build the X client libraries keep some memory until exit:
# leaks are not judged here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
(cd "$work/game" && SDL_AUDIODRIVER=dummy exec "$build/potepote" > "$work/game.log" 2>&1) &
game_pid=$!

# grep reads all (no -q): xwininfo cut short would fail the pipe.
box_up() { xwininfo -root -tree 2> /dev/null | grep '"ERROR"' > /dev/null; }
end=$((SECONDS + 60))
until box_up; do
  if ! kill -0 "$game_pid" 2> /dev/null || [ $SECONDS -ge $end ]; then
    echo "FAIL: no message box came up"
    cat "$work/game.log"
    exit 1
  fi
  sleep 0.1
done
# SDL shows the box from a copy of the process, a child of the game's.
copy_pids=$(pgrep -P "$game_pid" | tr '\n' ' ')
threads=$(awk '/^Threads:/ { print $2 }' "/proc/$game_pid/status")
echo "the box is up: game $game_pid with $threads threads, the box's copy: ${copy_pids:-none}"

kill -KILL "$xvfb_pid"
wait "$xvfb_pid" 2> /dev/null
xvfb_pid=""
started=$(date +%s.%N)
elapsed() { awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }'; }
gone() {
  local pid
  for pid in $copy_pids $game_pid; do kill -0 "$pid" 2> /dev/null && return 1; done
  return 0
}
for _ in $(seq $((limit * 20))); do gone && break; sleep 0.05; done
if ! gone; then
  echo "FAIL: still running $limit s after the X server went:"
  for pid in $game_pid $copy_pids; do
    kill -0 "$pid" 2> /dev/null && echo "  $pid, $(awk '/^Threads:/ { print $2 }' "/proc/$pid/status") threads"
  done
  echo "game output:"
  cat "$work/game.log"
  exit 1
fi
taken=$(elapsed)
wait "$game_pid"
code=$?
game_pid="" copy_pids=""
[ "$code" -ne 0 ] || { echo "FAIL: exit code 0 after losing the X server"; exit 1; }
echo "ok: the game and the box's copy ended ${taken}s after the X server went, exit code $code"
