#!/usr/bin/env bash
# Breaks each file of the front-end road in each way a player's machine
# might, runs the real game (built with AddressSanitizer and
# UndefinedBehaviorSanitizer, optimised so that it keeps 60 frames) through
# logo, title, character select and into the stage start under Xvfb, and
# reports any crash, hang, sanitizer report, exit code other than 0, or a
# failed load that no line on standard error names.
#
# The player is scripted: Z every 0.3 s (it confirms on the title and the
# select screen), Return on every message box, Esc at the end.
#
# Usage: tools/fault_sweep.sh [BUILD_DIR] [JOBS] [SECONDS] [FILES...]
#   BUILD_DIR defaults to build-sweep (configured and built when missing),
#   JOBS to 4 parallel X servers, SECONDS to 20 of play before Esc.
#   FILES default to the front-end road's (names without date/ and .tov),
#   and Ring, the stage start's first load, whose rows show that the road
#   was run to its end. Names of the in-game set may be given as well.
# Needs Xvfb, xdotool, xwininfo and time (apt-get install xvfb xdotool x11-utils
# time).
# Run as root, the game runs as nobody, so that an unreadable file is
# unreadable to it.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-sweep}
jobs=${2:-4}
seconds=${3:-20}
shift $(( $# < 3 ? $# : 3 ))
files=("$@")
[ ${#files[@]} -eq 0 ] && files=(logo logo1 logo2 back_start1 back_start2 gorumo SE05 back_char_select1
                                 CharSelect SE04 SE01 SE30 Loading Ring)
faults=(missing empty halved flipped swapped folder unreadable pipe absurd hostile)

for tool in Xvfb xdotool xwininfo /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "fault_sweep: $tool is missing"; exit 2; }
done
if [ ! -x "$build/potepote" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOTE_SANITIZE=ON > /dev/null &&
    cmake --build "$build" -j4 --target potepote assets > /dev/null \
    || { echo "fault_sweep: build failed"; exit 2; }
fi
build=$(cd "$build" && pwd)
assets="$build/date"
[ -d "$assets" ] || assets="$root/build/date"
[ -f "$assets/logo1.tov" ] || { echo "fault_sweep: no asset set in $assets"; exit 2; }

out=$(mktemp -d)
chmod 755 "$out"
as_player=()
if [ "$(id -u)" = 0 ]; then as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi

is_picture() { head -c 4 "$1" | grep -q -v -e RIFF -e MThd; }

# A tiny file with an absurd header of the file's own kind: a PNG claiming
# 16384x4096, or a WAVE claiming 1 Hz.
absurd() {
  if is_picture "$1"; then
    printf '\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x40\x00\x00\x00\x10\x00\x08\x06\x00\x00\x00\x3b\x0f\x2e\x26' > "$1"
  else
    printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x01\x00\x00\x00\x02\x00\x00\x00\x02\x00\x10\x00data\x08\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08' > "$1"
  fi
}

is_song() { head -c 4 "$1" | grep -q MThd; }
is_wave() { head -c 12 "$1" | tail -c 4 | grep -q WAVE; }

# A file of the file's own kind built to hurt: a PNG whose text chunk claims
# 2 GB, a WAVE of 9 channels, or a song timed in SMPTE frames (which plays).
hostile() {
  if is_picture "$1"; then
    printf '\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x06\x00\x00\x00\x1f\x15\xc4\x89' > "$1"
    printf '\x7f\xff\xff\xfftEXtComment\x00%s' xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx >> "$1"
  elif is_song "$1"; then
    printf '\xe7\x28' | dd of="$1" bs=1 seek=12 conv=notrunc status=none
  else
    printf '\x09' | dd of="$1" bs=1 seek=22 conv=notrunc status=none
  fi
}

break_file() {  # dir name fault
  local f="$1/date/$2.tov"
  case "$3" in
    none) ;;
    missing) rm -f "$f" ;;
    empty) : > "$f" ;;
    halved) truncate -s $(( $(stat -c %s "$f") / 2 )) "$f" ;;
    flipped)  # 16 bytes flipped at places fixed by the file's name
      local size n pos
      size=$(stat -c %s "$f")
      n=$(printf '%s' "$2" | cksum | cut -d' ' -f1)
      for i in $(seq 16); do
        pos=$(( (n * i * 40503) % size ))
        printf '\xa5' | dd of="$f" bs=1 seek="$pos" conv=notrunc status=none
      done ;;
    swapped)
      if is_picture "$f"; then cp "$1/date/SE05.tov" "$f"; else cp "$1/date/logo1.tov" "$f"; fi ;;
    folder) rm -f "$f"; mkdir "$f" ;;
    unreadable) chmod 000 "$f" ;;
    pipe) rm -f "$f"; mkfifo "$f" ;;
    absurd) absurd "$f" ;;
    hostile) hostile "$f" ;;
  esac
}

# The id of the first top-level window whose line in the tree matches $1.
window() {
  local id
  id=$(xwininfo -root -tree 2> /dev/null | awk -v pat="$1" 'index($0, pat) { print $1; exit }')
  [ -n "$id" ] && echo "$id"
}

# A key pressed into the game's window, as a player would.
press() {
  local id
  id=$(window '("potepote"') && xdotool windowfocus --sync "$id" key "$1" > /dev/null 2>&1
}

# Runs one case on display $1; writes one table row to $out/rows/<n>.
run_case() {  # display n name fault
  local display=$1 n=$2 name=$3 fault=$4
  local dir="$out/case$n"
  mkdir -p "$dir" && cp -r "$assets" "$dir/date"
  chmod -R a+rX "$dir"
  break_file "$dir" "$name" "$fault"
  # Leaks are the sanitizer test suite's to find: at exit the D-Bus and GL
  # driver libraries leave the same few blocks in every run, which would
  # hide the game's own exit code.
  # The peak memory is the whole process's, sanitizer shadow included: it
  # compares with the unbroken run's.
  (cd "$dir" && DISPLAY=$display SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
     UBSAN_OPTIONS=print_stacktrace=1 exec /usr/bin/time -f %M -o "$dir/peak" \
     "${as_player[@]}" "$build/potepote") > /dev/null 2> "$dir/err" &
  local game=$! boxes=0 box code= end=$((SECONDS + seconds))
  export DISPLAY=$display
  while [ $SECONDS -lt $end ] && kill -0 $game 2> /dev/null; do
    if box=$(window '"ERROR"'); then
      xdotool windowfocus --sync "$box" key Return > /dev/null 2>&1
      boxes=$((boxes + 1))
    else
      press z
    fi
    sleep 0.3
  done
  press Escape
  for _ in $(seq 150); do
    if ! kill -0 $game 2> /dev/null; then wait $game; code=$?; break; fi
    if box=$(window '"ERROR"'); then
      xdotool windowfocus --sync "$box" key Return > /dev/null 2>&1
      boxes=$((boxes + 1))
    fi
    sleep 0.1
  done
  if [ -z "$code" ]; then
    pkill -KILL -P $game 2> /dev/null; kill -KILL $game 2> /dev/null; wait $game 2> /dev/null; code=hang
  elif [ "$code" -ge 128 ]; then
    code="signal $((code - 128))"
  fi
  local named sanitizer=no verdict=ok
  named=$(grep -c "cannot load .*date/$name.tov" "$dir/err")
  grep -q -E 'ERROR: AddressSanitizer|runtime error:' "$dir/err" && sanitizer=yes
  [ "$code" = 0 ] || verdict=FAIL
  [ "$sanitizer" = no ] || verdict=FAIL
  case "$fault" in
    none|flipped) ;;
    hostile) is_song "$assets/$name.tov" || [ "$named" -ge 1 ] || verdict="FAIL (unnamed)" ;;
    # A WAVE cut short is read as the start of a longer stream: it plays.
    halved) is_wave "$assets/$name.tov" || [ "$named" -ge 1 ] || verdict="FAIL (unnamed)" ;;
    *) [ "$named" -ge 1 ] || verdict="FAIL (unnamed)" ;;
  esac
  [ "$verdict" = ok ] || cp "$dir/err" "$out/failed-$name-$fault.log"
  local peak=?
  [ -s "$dir/peak" ] && peak=$(( $(tail -n 1 "$dir/peak") / 1024 ))
  printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$fault" "$code" "$boxes" "$named" "$peak" "$sanitizer" \
    "$verdict" \
    > "$out/rows/$(printf %04d "$n")"
  rm -rf "$dir"
}

worker() {  # index
  local w=$1 display=:$((500 + $1 + 10 * (RANDOM % 40)))
  Xvfb "$display" -screen 0 800x600x24 -nolisten tcp > /dev/null 2>&1 &
  local xvfb=$!
  for _ in $(seq 50); do DISPLAY=$display xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
  local n=0
  while read -r name fault; do
    n=$((n + 1))
    [ $(( (n - 1) % jobs )) -eq "$w" ] || continue
    run_case "$display" "$n" "$name" "$fault"
  done < "$out/cases"
  kill $xvfb 2> /dev/null
  wait $xvfb 2> /dev/null
}

mkdir -p "$out/rows"
echo "- none" > "$out/cases"
for name in "${files[@]}"; do
  for fault in "${faults[@]}"; do echo "$name $fault" >> "$out/cases"; done
done
sed -i 's/^- none$/logo none/' "$out/cases"
total=$(wc -l < "$out/cases")
echo "fault_sweep: $total runs of ${seconds}s on $jobs X servers, game $build/potepote"
for w in $(seq 0 $((jobs - 1))); do worker "$w" & done
wait

echo
echo "| file | fault | exit | boxes | lines naming it | peak MB | sanitizer | verdict |"
echo "|---|---|---|---|---|---|---|---|"
cat "$out"/rows/*
bad=$(cat "$out"/rows/* | grep -c 'FAIL')
echo
echo "fault_sweep: $((total - bad)) of $total runs ok; logs of failed runs in $out"
[ "$bad" -eq 0 ] && rm -rf "$out"
[ "$bad" -eq 0 ]
