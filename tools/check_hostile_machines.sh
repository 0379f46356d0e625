#!/usr/bin/env bash
# Runs the real game as a new player would on a machine that is not a
# developer's desktop, on SDL's dummy video driver, and checks that it plays
# on: it shows frames for a second, writes no error message, and ends with
# exit code 0 when asked to close. The cases:
#   no-sound      ALSA asked for a sound card that is not there (no sound
#                 device at all): one line says the game plays without sound,
#                 and a recorded road reaches play, every sound loaded
#   long-folder   a working folder of 4,090 bytes, the longest whose date/
#                 the system can still name
#   odd-folder    a working folder named in Latin-1 and Shift-JIS bytes
#   script-pipe   POTE_INPUT_SCRIPT naming a named pipe: refused in one line
#   script-zero   POTE_INPUT_SCRIPT naming /dev/zero: refused in one line,
#                 and the game's peak memory stays below MEMORY_MB (300)
#   no-display    no DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER: the game
#                 ends by itself with a non-zero exit code
#   few-threads   the player's user may run 6 more threads than it runs
#                 already (ulimit -u; as root, which has no such limit, the
#                 game runs as a user of its own): a recorded road reaches
#                 play, every picture and sound loaded
#   little-memory the same road in 600 MB of address space (ulimit -v;
#                 skipped for a sanitizer build, whose shadow needs more)
#
#   tools/check_hostile_machines.sh BUILD_DIR CASE|all [SECONDS]
#
# With SECONDS the game is closed that long after its start instead, and the
# frames it played are reported (the figures, not a check).
# POTE_CHECK_LIMIT (seconds, default 50) bounds every wait.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
case_name=${2:?case}
seconds=${3:-}
limit=${POTE_CHECK_LIMIT:-50}
memory_mb=${MEMORY_MB:-300}
[ -x "$build/potepote" ] || { echo "no game in $build"; exit 2; }

if [ "$case_name" = all ]; then
  status=0
  for c in no-sound long-folder odd-folder script-pipe script-zero no-display few-threads little-memory; do
    echo "== $c"
    "$0" "$build" "$c" $seconds || status=1
  done
  exit $status
fi

work=$(mktemp -d)
game=""
cleanup() {
  [ -n "$game" ] && kill -KILL "$game" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $case_name: $*"; echo "game output:"; grep -v -E '^[0-9]{4} FPS$' "$work/err"; exit 1; }

# A sanitizer build keeps some of the system libraries' memory until exit:
# leaks are judged by the SDL tests, not here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export POTE_FRAME_STATS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset POTE_INPUT_SCRIPT
folder=$build
expect=""
as_player=()
road_frames=0  # frames to play before the close request; 0: a second's worth
case $case_name in
  no-sound)
    export SDL_AUDIODRIVER=alsa AUDIODEV=hw:97,0
    # Logo, title, select, the stage start that loads the in-game sounds, play.
    export POTE_INPUT_SCRIPT="$root/tests/scripts/front_end_to_play.txt"
    road_frames=700
    expect="the game plays without sound" ;;
  long-folder)
    # Folders of 50 bytes, then one that brings the whole to 4,090 bytes:
    # "$folder/date" is then 4,095, as long as a path can be.
    folder=$work
    part=1
    while [ $((${#folder} + 51)) -lt 4090 ]; do
      folder="$folder/$(printf 'folder%02d_%042d' "$part" 0)"
      part=$((part + 1))
    done
    folder="$folder/$(printf '%*s' $((4090 - ${#folder} - 1)) '' | tr ' ' x)"
    [ ${#folder} -eq 4090 ] || { echo "folder of ${#folder} bytes, not 4090"; exit 2; }
    ;;
  odd-folder)
    folder="$work/caf"$'\xe9'"/"$'\x83\x51\x81\x5b\x83\x80' ;;  # Latin-1 "cafe", Shift-JIS "game"
  script-pipe)
    mkfifo "$work/script"
    export POTE_INPUT_SCRIPT="$work/script"
    expect="cannot read $work/script: not a regular file (a named pipe)" ;;
  script-zero)
    export POTE_INPUT_SCRIPT=/dev/zero
    expect="cannot read /dev/zero: not a regular file (a device)" ;;
  no-display)
    if [ -r /dev/dri/card0 ] && [ -w /dev/dri/card0 ]; then echo "SKIP: a console display could serve here"; exit 77; fi
    unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER ;;
  few-threads)
    player=$(id -u)
    if [ "$player" = 0 ]; then
      # A user of its own, whom no other process shares: the limit counts
      # every process of the user's, and another test's game run as nobody
      # at the same time would take the threads this one is left.
      for _ in $(seq 50); do
        player=$((60000 + RANDOM % 5000))
        getent passwd "$player" > /dev/null || [ -n "$(ps -L -u "$player" --no-headers 2> /dev/null)" ] || break
      done
      as_player=(setpriv --reuid="$player" --regid="$player" --clear-groups)
    fi
    # The limit counts every process and thread of the user's.
    threads=$(( $(ps -L -u "$player" --no-headers 2> /dev/null | wc -l) + 6 ))
    export POTE_INPUT_SCRIPT="$root/tests/scripts/front_end_to_play.txt"
    road_frames=700 ;;
  little-memory)
    # grep reads all (no -q): nm cut short would fail the pipe.
    if { nm -D "$build/potepote"; nm "$build/potepote"; } 2> /dev/null | grep __asan_ > /dev/null; then
      echo "SKIP: a sanitizer build"; exit 77
    fi
    export POTE_INPUT_SCRIPT="$root/tests/scripts/front_end_to_play.txt"
    road_frames=700 ;;
  *) echo "no case $case_name"; exit 2 ;;
esac
if [ "$folder" != "$build" ]; then
  mkdir -p "$folder" && ln -s "$build/date" "$folder/date" || { echo "cannot make $folder"; exit 2; }
fi

(cd "$folder" && if [ "$case_name" = few-threads ]; then ulimit -u "$threads" || exit 2; fi &&
  if [ "$case_name" = little-memory ]; then ulimit -v $((600 * 1024)) || exit 2; fi &&
  exec "${as_player[@]}" "$build/potepote") > /dev/null 2> "$work/err" &
game=$!
started=$(date +%s.%N)
elapsed() { awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
alive() { kill -0 "$game" 2> /dev/null; }

if [ "$case_name" = no-display ]; then
  for _ in $(seq $((limit * 10))); do alive || break; sleep 0.1; done
  alive && fail "still running after ${limit}s without a display"
  wait "$game"
  code=$?
  game=""
  [ "$code" -ne 0 ] || fail "exit code 0 after a start-up that failed"
  grep -q "no display found" "$work/err" || fail "no line saying that no display was found"
  echo "ok: $case_name: exit code $code after $(elapsed)s"
  exit 0
fi

# The first FPS line comes with the first frame, each later one a second
# after the one before with the frames played in between.
played_enough() {
  awk -v road="$road_frames" '/^[0-9][0-9][0-9][0-9] FPS$/ { lines++; frames += $1 }
    END { exit !(road > 0 ? frames >= road : lines >= 2) }' "$work/err"
}
if [ -n "$seconds" ]; then
  sleep "$seconds"
else
  for _ in $(seq $((limit * 10))); do
    played_enough && break
    alive || break
    sleep 0.1
  done
  played_enough || fail "not enough frames within ${limit}s"
fi
alive || fail "the game ended by itself"
peak_kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/$game/status")
ran=$(elapsed)
# SIGTERM reaches the game as a close request, as the window's close does.
kill -TERM "$game"
for _ in $(seq $((limit * 10))); do alive || break; sleep 0.1; done
alive && fail "still running ${limit}s after the close request"
wait "$game"
code=$?
game=""
frames=$(sed -n 's/^frames: \([0-9]*\) after the first.*/\1/p' "$work/err")
[ "$code" -eq 0 ] || fail "exit code $code"
grep -q '^ERROR: ' "$work/err" && fail "an error message"
[ -z "$expect" ] || [ "$(grep -c -F -- "$expect" "$work/err")" -eq 1 ] || fail "not one line saying '$expect'"
if [ "$road_frames" -gt 0 ] && [ -z "$seconds" ]; then
  grep -q 'scene 31 at the end$' "$work/err" || fail "the road did not reach play"
fi
if [ "$case_name" = script-zero ] && [ "$peak_kb" -ge $((memory_mb * 1024)) ]; then
  fail "peak memory $((peak_kb / 1024)) MB, not below $memory_mb MB"
fi
echo "ok: $case_name: $((frames + 1)) frames in ${ran}s, peak memory $((peak_kb / 1024)) MB, exit code 0"
