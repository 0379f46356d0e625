# Sourced by the scripts that run the game under X or measure it.

# wait_for_wm [SECONDS]: waits until a window manager on $DISPLAY has named
# its own window on the root window (_NET_SUPPORTING_WM_CHECK), as it does
# once it manages windows; false if none did within SECONDS (default 10).
wait_for_wm() {
  local tries=$((${1:-10} * 10))
  for _ in $(seq "$tries"); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  return 1
}

# stop_game PID [SECONDS]: asks the game to close (SIGTERM reaches it as the
# window's close does) and waits for it; a game still running after SECONDS
# (default 10), stuck in a message box say, is killed.
stop_game() {
  kill -TERM "$1" 2> /dev/null || true
  for _ in $(seq $((${2:-10} * 10))); do
    kill -0 "$1" 2> /dev/null || break
    sleep 0.1
  done
  kill -KILL "$1" 2> /dev/null || true
  wait "$1" 2> /dev/null || true
}
