#!/usr/bin/env bash
# Runs the real game on a bare X server (Xvfb, no window manager, as in a
# kiosk) and checks what a player there would see:
#   - at start, full screen: the window covers the screen and the whole
#     640x480 picture fills it, scaled with its aspect kept (black bars only
#     where the screen's shape differs), not a corner of it;
#   - after F1: a 640x480 window; after F1 again: full screen as at start;
#   - the window carries the game's own 16x16 icon;
#   - Esc ends the game with exit code 0.
#
#   tools/check_bare_x.sh [BUILD_DIR] [SCREEN]     defaults: build 1280x1024
# With WM=openbox (or another window manager's command) the same checks run
# under that window manager instead, for comparison. WM=dead runs them after
# openbox has been killed, its names left behind on the root window: the
# game must see that nobody will make its window cover the screen.
# Needs Xvfb, xdotool, xwininfo, xprop, xwd (apt-get install xvfb xdotool x11-apps x11-utils).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
screen=${2:-1280x1024}
for tool in Xvfb xdotool xwininfo xprop xwd python3; do
  command -v "$tool" > /dev/null || { echo "check_bare_x: $tool is missing"; exit 2; }
done
[ -x "$build/potepote" ] || { echo "check_bare_x: no game in $build"; exit 2; }

work=$(mktemp -d)
game_pid="" xvfb_pid=""
cleanup() {
  # A game that did not end on Esc may be stuck (in a message box): it is not asked.
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2> /dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2> /dev/null
  [ -n "${held_pid:-}" ] && kill "$held_pid" 2> /dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
  wait 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/lib/x_game.sh"

# Xvfb picks a free display itself and says which.
exec 3> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 200); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
[ -s "$work/displayfd" ] || { echo "check_bare_x: Xvfb did not start"; cat "$work/xvfb.log"; exit 2; }
export DISPLAY=":$(head -n1 "$work/displayfd")"

wm_pid="" held_pid=""
if [ "${WM:-}" = dead ]; then
  command -v openbox > /dev/null || { echo "check_bare_x: openbox is missing"; exit 2; }
  # Another client stays connected, or the server would reset when openbox goes.
  xprop -root -spy > /dev/null 2>&1 &
  held_pid=$!
  openbox > "$work/wm.log" 2>&1 &
  wm_pid=$!
  # Killed only once it manages windows: its names are then on the root.
  wait_for_wm 20 || { echo "check_bare_x: openbox did not start"; cat "$work/wm.log"; exit 2; }
  kill -KILL "$wm_pid"
  wait "$wm_pid" 2> /dev/null
  wm_pid=""
elif [ -n "${WM:-}" ]; then
  $WM > "$work/wm.log" 2>&1 &
  wm_pid=$!
  wait_for_wm 5 || true  # one that does not name itself on the root is simply given the time
fi

# In a sanitizer build the X client libraries (D-Bus, the GL driver loaded and
# dropped again) keep some memory until exit: leaks are not judged here; the
# SDL tests on the dummy driver judge the game's own.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
(cd "$build" && SDL_AUDIODRIVER=dummy exec ./potepote > "$work/game.log" 2>&1) &
game_pid=$!

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Nothing here waits a fixed time: a busy machine runs the game slowly, so
# each check waits until what it looks for holds, up to a bound far beyond
# what an idle machine needs.
patience=60  # seconds
wait_for() {  # command...: true once it holds, false after $patience seconds
  local end=$((SECONDS + patience))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# The game's window as it is now (SDL may make and drop others on its way up).
find_window() { xdotool search --onlyvisible --classname potepote 2> /dev/null | tail -n1; }
window_found() { window=$(find_window) && [ -n "$window" ]; }
echo "started the game on $DISPLAY"
window=""
wait_for window_found
[ -n "$window" ] || { echo "check_bare_x: no game window"; cat "$work/game.log"; exit 1; }

geometry() {
  window=$(find_window)
  # Never without an id: xwininfo would wait for a click on the window.
  [ -n "$window" ] || { echo "no window"; return; }
  xwininfo -id "$window" 2> /dev/null | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /^ *Width:/{w=$NF} /^ *Height:/{h=$NF} END{print w "x" h "+" x "+" y}'
}

# Each leaves what it saw in $g. The search for the window can miss it for a
# moment while SDL makes and drops windows, so a check looks until it holds.
is_geometry() { g=$(geometry); [ "$g" = "$1" ]; }
is_windowed() { g=$(geometry); case $g in 640x480+*) return 0 ;; esac; return 1; }
game_ended() { ! kill -0 "$game_pid" 2> /dev/null; }

# The game reads the keyboard once a frame: a key is held until the game has
# seen it, and pressed again should the game have missed it going up before.
press_until() {  # key command...
  local key=$1 end=$((SECONDS + patience))
  shift
  while :; do
    xdotool keydown "$key"
    local held=$((SECONDS + 5))
    until "$@" || [ $SECONDS -ge $held ]; do sleep 0.1; done
    xdotool keyup "$key"
    # A moment's miss of the window is no reason to press the key again.
    local settle=$((SECONDS + 2))
    until "$@"; do
      [ $SECONDS -ge $settle ] && break
      sleep 0.2
    done
    "$@" && return 0
    [ $SECONDS -ge $end ] && return 1
  done
}

# The whole picture on screen: inside the 4:3 rectangle the picture scales
# into, every quarter is mostly lit; outside it, the bars are black. A picture
# shown only in a corner leaves three quarters black. Tries until it holds,
# as the logo fades.
picture_fills_screen() {
  local what=$1 end=$((SECONDS + patience))
  while :; do
    xwd -root -silent > "$work/shot.xwd" 2> /dev/null || true
    if python3 - "$work/shot.xwd" > "$work/verdict" << 'EOF'; then
import struct, sys
data = open(sys.argv[1], 'rb').read()
h = struct.unpack('>25I', data[:100])
header, width, height = h[0], h[4], h[5]
byte_order, bpp, line, ncolors = h[7], h[11], h[12], h[19]
stride = line // width if width else 0  # bytes a pixel as stored (xwd may say 24 bits in 4 bytes)
if bpp not in (24, 32) or stride not in (3, 4) or len(data) < header + 12 * ncolors + line * height:
    print('unreadable screen capture (%d bits a pixel, %d bytes)' % (bpp, len(data))); sys.exit(1)
pix = data[header + 12 * ncolors:]
def lit(x, y):
    at = y * line + stride * x
    return any(pix[at:at + 3])  # the three colour bytes, whichever their order
scale = min(width / 640, height / 480)
pw, ph = round(640 * scale), round(480 * scale)
px, py = (width - pw) // 2, (height - ph) // 2
def share(x0, y0, x1, y1, step=4):
    n = k = 0
    for y in range(y0, y1, step):
        for x in range(x0, x1, step):
            n += 1; k += lit(x, y)
    return k / n if n else 0.0
quarters = [share(px + i * pw // 2, py + j * ph // 2, px + (i + 1) * pw // 2, py + (j + 1) * ph // 2)
            for j in (0, 1) for i in (0, 1)]
bars = []
if py > 0: bars += [share(0, 0, width, py, 2), share(0, py + ph, width, height, 2)]
if px > 0: bars += [share(0, 0, px, height, 2), share(px + pw, 0, width, height, 2)]
ok = min(quarters) >= 0.5 and all(b == 0 for b in bars)
print('picture %dx%d at (%d,%d); lit share of each quarter %s; of the bars %s' %
      (pw, ph, px, py, ' '.join('%.2f' % q for q in quarters), ' '.join('%.2f' % b for b in bars) or 'none'))
sys.exit(0 if ok else 1)
EOF
      echo "ok: $what: $(cat "$work/verdict")"
      return 0
    fi
    [ $SECONDS -ge $end ] && break
    sleep 0.4
  done
  fail "$what: $(cat "$work/verdict")"
}

screen_geometry="${screen}+0+0"
wait_for is_geometry "$screen_geometry"
if [ "$g" != "$screen_geometry" ]; then
  # Every check after this one would only wait out its own patience.
  echo "FAIL: full screen at start: window $g, not the screen's $screen_geometry; nothing else checked"
  echo "game output:"
  grep -v -E '^[0-9]{4} FPS$' "$work/game.log"
  exit 1
fi
echo "ok: full screen at start: window $g"
picture_fills_screen "full screen at start"

wait_for window_found  # never xprop without an id: it would wait for a click
icon=$(xprop -id "$window" -notype -f _NET_WM_ICON 32c '=$0+\n' _NET_WM_ICON 2> /dev/null)
if python3 - "$icon" << 'EOF'; then
import sys
text = sys.argv[1]
values = [int(v) for v in text.split('=', 1)[1].split(',')] if '=' in text else []
if len(values) < 2 or values[:2] != [16, 16] or len(values) < 2 + 256:
    print('no 16x16 icon: %s' % text[:80]); sys.exit(1)
pixels = values[2:2 + 256]
opaque = [p for p in pixels if p >> 24 >= 0x80]
colours = set(p & 0xFFFFFF for p in opaque)
print('icon 16x16, %d opaque pixels in %d colours' % (len(opaque), len(colours)))
sys.exit(0 if len(opaque) >= 40 and len(colours) >= 8 else 1)
EOF
  echo "ok: the window's own icon"
else
  fail "the window's own icon"
fi

press_until F1 is_windowed
case $g in 640x480+*) echo "ok: windowed after F1: window $g" ;; *) fail "windowed after F1: window $g" ;; esac

press_until F1 is_geometry "$screen_geometry"
[ "$g" = "$screen_geometry" ] && echo "ok: full screen after F1 twice: window $g" ||
  fail "full screen after F1 twice: window $g, not the screen's $screen_geometry"
picture_fills_screen "full screen after F1 twice"

code=""
if press_until Escape game_ended; then
  wait "$game_pid"
  code=$?
  game_pid=""
fi
[ "$code" = 0 ] && echo "ok: Esc ends the game with exit code 0" || fail "Esc: exit code ${code:-none (still running)}"

if [ "$failures" -ne 0 ]; then
  echo "game output:"
  cat "$work/game.log"
  exit 1
fi
if [ "${WM:-}" = dead ]; then
  echo "all checks passed on a $screen X server whose window manager died"
elif [ -n "${WM:-}" ]; then
  echo "all checks passed on a $screen X server under $WM"
else
  echo "all checks passed on a bare $screen X server"
fi
