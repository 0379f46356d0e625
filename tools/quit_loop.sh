#!/usr/bin/env bash
# Quits the real game over and over under an X server with a window manager,
# as a player would: half of the runs from full screen, half after F1 has
# switched to a window; by Esc, or by Alt+F4 when asked. Every run must end
# with exit code 0 and nothing on standard error but the FPS lines.
#
# Usage: tools/quit_loop.sh [RUNS] [BUILD_DIR] [KEY]
#   RUNS defaults to 50, BUILD_DIR to build, KEY to Escape (or alt+F4).
# Needs Xvfb, openbox and xdotool (apt-get install xvfb openbox xdotool).
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-50}
build=$(cd "${2:-build}" && pwd)
key=${3:-Escape}

for tool in Xvfb openbox xdotool; do
  command -v "$tool" > /dev/null || { echo "quit_loop: $tool is missing"; exit 2; }
done

work=$(mktemp -d)
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
openbox_pid=
cleanup() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2> /dev/null
  kill "$xvfb" 2> /dev/null
  wait 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
openbox > "$work/openbox.log" 2>&1 &
openbox_pid=$!
sleep 1

# Waits until the game's window is mapped; prints its id.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --class potepote 2> /dev/null | head -1)
    [ -z "$id" ] && id=$(xdotool search --onlyvisible --name . 2> /dev/null | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

failed=0
for run in $(seq "$runs"); do
  mode=fullscreen
  [ $((run % 2)) -eq 0 ] && mode=windowed
  (cd "$build" && SDL_AUDIODRIVER=dummy exec ./potepote) > /dev/null 2> "$work/err" &
  game=$!
  win=$(wait_window) || win=
  sleep 0.7
  if [ "$mode" = windowed ]; then
    xdotool key --clearmodifiers F1
    sleep 0.7
  fi
  [ -n "$win" ] && xdotool windowfocus --sync "$win" > /dev/null 2>&1
  xdotool key --clearmodifiers "$key"
  code=
  for _ in $(seq 100); do
    if ! kill -0 "$game" 2> /dev/null; then wait "$game"; code=$?; break; fi
    sleep 0.1
  done
  if [ -z "$code" ]; then
    kill -TERM "$game" 2> /dev/null; sleep 1; kill -KILL "$game" 2> /dev/null; wait "$game" 2> /dev/null
    code=hang
  fi
  extra=$(grep -v -E '^([0-9]{4} FPS|Joypad Not Found)$' "$work/err" | head -3)
  if [ "$code" != 0 ] || [ -n "$extra" ]; then
    failed=$((failed + 1))
    echo "run $run ($mode, $key): exit $code ${extra:+; stderr: $extra}"
  fi
done
echo "quit_loop: $((runs - failed)) of $runs runs quit cleanly with exit code 0 ($key)"
[ "$failed" -eq 0 ]
