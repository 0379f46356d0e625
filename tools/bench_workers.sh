#!/usr/bin/env bash
# Start-up's picture and sound workers, measured on the real game, this build
# and others side by side: the runs take turns, tree by tree, round by round.
#
#   tools/bench_workers.sh MODE [BUILD_DIR...]
#
# MODE:
#   title   resident memory (VmRSS), its peak (VmHWM) and the thread count on
#           the idle title, 9 s after start, under SDL's dummy drivers
#   long    the front end walked into play (tests/scripts/front_end_to_play.txt)
#           with date/SE01.tov a 599-s WAVE at 4 kHz, and with the default
#           set: the peak memory (VmHWM) and the frame stats
#   limits  the same walk, 90 s long, with every sound at its length limit
#           (each song a 599-s song, each WAVE a 599-s WAVE at 4 kHz)
#   box     the time from a failure's message on standard error to the start
#           of its box (SDL's copy of the process that shows it; x86-64), under Xvfb
#           with openbox: date/logo.tov is missing, so the box comes on the
#           first frame, while start-up's renders and decodes run; with the
#           default songs and with 599-s songs, on every core and on one
#
# Every BUILD_DIR holds a built potepote; all of them run on the same files,
# a copy of the first one's date/. Without BUILD_DIRs: build/ alone. Give the
# tree before a change as the second to compare (ratios are to the first).
# ROUNDS (default 3) sets how many turns each tree takes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:?mode: title, long, limits or box}
shift
builds=()
for b in "${@:-$here/build}"; do builds+=("$(cd "$b" && pwd)"); done
rounds=${ROUNDS:-3}

if [ "$mode" = box ] && [ -z "${BENCH_WORKERS_IN_X:-}" ]; then
    for tool in xvfb-run openbox setsid xprop; do
        command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb openbox x11-utils)" >&2; exit 1; }
    done
    export BENCH_WORKERS_IN_X=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c 'source "$0"; openbox >/dev/null 2>&1 &
        wait_for_wm || { echo "openbox did not start" >&2; exit 1; }; exec "$@"' \
        "$here/tools/lib/x_game.sh" "$0" "$mode" "${builds[@]}"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
source "$here/tools/lib/x_game.sh"

# The sound files at their length limit.
write_long_files() {  # DIR
    python3 - "$1" <<'PY'
import math, struct, sys
d = sys.argv[1]
rate, secs = 4000, 599
samples = b"".join(struct.pack("<h", int(8000 * math.sin(i * 2 * math.pi * 440 / rate))) for i in range(rate))
data = samples * secs
with open(d + "/long.wav", "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", len(data)) + data)
# Three voices, a chord a beat (0.5 s) for 599 s.
track = bytearray([0, 0xC0, 0, 0, 0xC1, 48, 0, 0xC2, 19])
for beat in range(1198):
    for ch in range(3):
        track += bytes([0, 0x90 | ch, 48 + ch * 7 + beat % 12, 90])
    for ch in range(3):
        track += bytes([0x60 if ch == 0 else 0, 0x80 | ch, 48 + ch * 7 + beat % 12, 0])
track += bytes([0, 0xFF, 0x2F, 0])
tempo = bytes([0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0xFF, 0x2F, 0])
with open(d + "/long.mid", "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, 96))
    for t in (tempo, bytes(track)):
        f.write(b"MTrk" + struct.pack(">I", len(t)) + t)
PY
}

# A folder with date/ as the first build has it, changed by VARIANT:
# default, longwave (SE01 599 s), limits (every sound 599 s), nologo,
# nologo-longsongs.
folder() {  # VARIANT
    local dir="$tmp/$1"
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir"
        cp -r "${builds[0]}/date" "$dir/date"
        [ -f "$tmp/long.wav" ] || write_long_files "$tmp"
        case "$1" in
        longwave) cp "$tmp/long.wav" "$dir/date/SE01.tov" ;;
        limits | nologo-longsongs)
            for f in "$dir"/date/*.tov; do
                case "$(head -c 4 "$f")" in
                MThd) cp "$tmp/long.mid" "$f" ;;
                RIFF) [ "$1" = limits ] && cp "$tmp/long.wav" "$f" ;;
                esac
            done ;;
        esac
        case "$1" in nologo*) rm "$dir/date/logo.tov" ;; esac
    fi
    echo "$dir"
}

status_of() {  # PID -> "rss_kB hwm_kB threads"
    awk '/^VmRSS/ { r = $2 } /^VmHWM/ { h = $2 } /^Threads/ { t = $2 } END { print r, h, t }' "/proc/$1/status"
}

# Runs BUILD's game in FOLDER for SECONDS; prints "rss hwm threads" read at
# the end, and the frame stats line, if any, after it.
run_game() {  # BUILD FOLDER SECONDS [script]
    local log="$tmp/stderr" script=${4:-}
    (cd "$2" && exec env POTE_FRAME_STATS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        ${script:+"POTE_INPUT_SCRIPT=$script"} "$1/potepote" 2> "$log") &
    local game=$!
    sleep "$3"
    status_of "$game"
    stop_game "$game"
    grep -E '^frames: ' "$log" || echo "frames: (none)"
    grep -E '^ERROR' "$log" | sed 's/^/  stderr: /' | head -3 || true
}

# The median of the numbers read; a run that gave none ("none") is left out.
median() { grep -E '^[0-9.]+$' | sort -n | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "none" }'; }

report_memory() {  # NAME  (reads "$tmp/res.<tree>" files of "rss hwm threads" lines)
    local first=""
    for i in "${!builds[@]}"; do
        local f="$tmp/res.$i"
        local rss hwm thr
        rss=$(cut -d' ' -f1 "$f" | median); hwm=$(cut -d' ' -f2 "$f" | median); thr=$(cut -d' ' -f3 "$f" | median)
        [ -n "$first" ] || first="$rss $hwm"
        awk -v n="$1" -v b="${builds[$i]}" -v r="$rss" -v h="$hwm" -v t="$thr" -v f="$first" 'BEGIN {
            split(f, a, " ")
            printf "%s %s: resident %.1f MB, peak %.1f MB, %d threads (medians); to the first: resident x%.2f, peak x%.2f\n",
                   n, b, r / 1024, h / 1024, t, r / a[1], h / a[2] }'
    done
}

case "$mode" in
title)
    dir=$(folder default)
    for ((r = 0; r < rounds; r++)); do
        for i in "${!builds[@]}"; do
            out=$(run_game "${builds[$i]}" "$dir" 9)
            echo "${out%%$'\n'*}" >> "$tmp/res.$i"
        done
    done
    report_memory "title"
    ;;
long | limits)
    variants=(default "$([ "$mode" = long ] && echo longwave || echo limits)")
    # Long enough for every render to end, at the limits.
    walk=$([ "$mode" = long ] && echo 20 || echo 90)
    for v in "${variants[@]}"; do
        dir=$(folder "$v")
        rm -f "$tmp"/res.* "$tmp"/frames.*
        for ((r = 0; r < rounds; r++)); do
            for i in "${!builds[@]}"; do
                out=$(run_game "${builds[$i]}" "$dir" "$walk" "$here/tests/scripts/front_end_to_play.txt")
                echo "${out%%$'\n'*}" >> "$tmp/res.$i"
                echo "${out#*$'\n'}" | sed "s|^|  ${builds[$i]} round $r: |" >> "$tmp/frames.$i"
            done
        done
        echo "-- $v: $(du -sh "$dir/date" | cut -f1) of files"
        report_memory "walk"
        cat "$tmp"/frames.*
    done
    ;;
box)
    for v in nologo nologo-longsongs; do
        dir=$(folder "$v")
        for cores in all one; do
            pin=()
            [ "$cores" = one ] && pin=(taskset -c 0)
            for ((r = 0; r < rounds; r++)); do
                for i in "${!builds[@]}"; do
                    log="$tmp/stderr"
                    : > "$log"
                    rm -f "$tmp/fifo"
                    mkfifo "$tmp/fifo"
                    (while IFS= read -r l; do echo "$EPOCHREALTIME $l"; done < "$tmp/fifo" > "$log") &
                    reader=$!
                    (cd "$dir" && exec setsid "${pin[@]}" env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
                        "${builds[$i]}/potepote" 2> "$tmp/fifo") &
                    game=$!
                    # SDL shows the box from a copy of the process and waits
                    # for that copy (wait4, system call 61 on x86-64): the
                    # moment the game's thread is in it, the box is on its
                    # way, whatever X then takes to draw it.
                    # Polled in the shell alone: a process started each time
                    # would take the core the one-core runs measure on.
                    shown=""
                    started=${EPOCHREALTIME/./}
                    while (( ${EPOCHREALTIME/./} - started < 20000000 )) && kill -0 "$game" 2>/dev/null; do
                        call=""
                        read -r call _ < "/proc/$game/task/$game/syscall" 2>/dev/null || true
                        if [ "$call" = 61 ]; then shown=$EPOCHREALTIME; break; fi
                    done
                    for ((k = 0; k < 100; k++)); do
                        failed=$(awk '/ ERROR: / { print $1; exit }' "$log")
                        [ -z "$failed" ] || break
                        sleep 0.01
                    done
                    [ -n "$shown" ] || echo "no box in 20 s: $(cut -d' ' -f2- "$log" | head -3 | tr '\n' ' ')" >&2
                    kill -KILL -- "-$game" 2>/dev/null || true
                    wait "$game" "$reader" 2>/dev/null || true
                    awk -v a="$failed" -v b="$shown" 'BEGIN { if (a == "" || b == "") print "none"; else printf "%.0f\n", (b - a) * 1000 }' \
                        >> "$tmp/box.$v.$cores.$i"
                done
            done
            for i in "${!builds[@]}"; do
                echo "box $v, $cores core(s), ${builds[$i]}: $(tr '\n' ' ' < "$tmp/box.$v.$cores.$i")ms (median $(median < "$tmp/box.$v.$cores.$i") ms)"
            done
        done
    done
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 1
    ;;
esac
