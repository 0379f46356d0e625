#!/usr/bin/env bash
# Effects as a player hears them. In a copy of date/, every WAVE effect
# becomes a 300-ms tone of 1 kHz at RATE (and every song a second of
# silence, so that only the effects sound); the real game walks the front end
# as tests/scripts/front_end_to_play.txt does, then attacks 16 times in
# stage 1, 0.75 s apart, with its output going to a file through SDL's disk
# driver, and each tone in the recording is measured: its
# length, and the largest step between two samples against the tone's own
# (its peak times 2 pi 1000 / 44100).
#
#   tools/check_wave_tones.sh [BUILD_DIR [RATES [RUNS]]]
#
# First it prints how far the layer's conversion of a tone and of a sweep
# lies from SDL's conversion of the whole buffer and from libsamplerate's
# best converter (the disabled test SoundSdlBench.ConvertedWavesAgainstReferences).
#
# With WAVE_SIZES=streamed the tones are written as to a pipe: their RIFF
# and data chunk sizes are 0xFFFFFFFF. With EFFECTS=ogg they are Ogg Vorbis
# instead (mono, at RATE, at the encoder's top quality, so that its noise
# stays below the steps measured), written by tools/lib/ogg_tone.cpp; the comparison with other converters is left
# out. With TONES_DIR=DIR the folders are written and kept in DIR/RATE (for
# tools/bench_sounds.sh, say).
#
# RATES defaults to "8000 22050 48000", RUNS to 3. A tone passes at
# 300 ms +- 4 ms with no step beyond 1.5 times its own; tones that overlap in
# the recording are counted apart and not measured. Exits non-zero when a
# tone fails or a run records none.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
rates=${2:-8000 22050 48000}
runs=${3:-3}
[ -x "$build/potepote" ] || { echo "no game in $build" >&2; exit 2; }
source "$here/tools/lib/x_game.sh"
effects=${EFFECTS:-wave}
case $effects in wave|ogg) ;; *) echo "EFFECTS is wave or ogg" >&2; exit 2 ;; esac
tmp=$(mktemp -d)
game=""
trap '[ -n "$game" ] && kill -KILL "$game" 2> /dev/null; rm -rf "$tmp"' EXIT
folders=$tmp
if [ -n "${TONES_DIR:-}" ]; then
    mkdir -p "$TONES_DIR" && folders=$(cd "$TONES_DIR" && pwd) || exit 2
fi

# OUT RATE: a 300-ms tone of 1 kHz as Ogg Vorbis, as make_folder writes it in WAVE.
if [ "$effects" = ogg ]; then
    c++ -std=c++17 -O1 -I"$here/tests" "$here/tools/lib/ogg_tone.cpp" -o "$tmp/ogg_tone" \
        $(pkg-config --cflags --libs vorbisenc vorbis ogg opus) || exit 2
fi

# FOLDER RATE: date/ with the effects as tones and the songs silent.
make_folder() {
    rm -rf "$1/date"
    cp -r "$build/date" "$1/date"
    python3 - "$1/date" "$2" "${WAVE_SIZES:-}" "$effects" "$tmp/ogg_tone" <<'PY'
import math, os, struct, subprocess, sys
folder, rate, sizes, effects, ogg_tone = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]

def wave(path, rate, channels, samples, streamed=False):
    data = struct.pack("<%dh" % len(samples), *samples)
    riff, chunk = (0xFFFFFFFF, 0xFFFFFFFF) if streamed else (36 + len(data), len(data))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", riff) + b"WAVE" + b"fmt " +
                struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 2, channels * 2, 16) +
                b"data" + struct.pack("<I", chunk) + data)

# 300 whole cycles: the tone begins and ends at nought.
tone = [round(10000 * math.sin(2 * math.pi * 1000 * i / rate)) for i in range(rate * 3 // 10)]
for name in sorted(os.listdir(folder)):
    path = os.path.join(folder, name)
    with open(path, "rb") as f:
        head = f.read(12)
    if head[:4] == b"RIFF" and head[8:12] == b"WAVE" and effects == "ogg":
        subprocess.run([ogg_tone, path, str(rate)], check=True)
    elif head[:4] == b"RIFF" and head[8:12] == b"WAVE":
        wave(path, rate, 1, tone, sizes == "streamed")
    elif head[:4] == b"MThd":
        wave(path, 44100, 2, [0] * 88200)
PY
}

# RECORDING: one line per tone, "ms step own", or "overlap ms" for a stretch
# of sound longer than one tone can be.
measure() {
    python3 - "$1" <<'PY'
import math, struct, sys
raw = open(sys.argv[1], "rb").read()
n = len(raw) // 4
frames = struct.unpack("<%dh" % (2 * n), raw[:4 * n])
left = frames[0::2]
quiet = 88  # 2 ms of nought ends a sound
i = 0
while i < n:
    if left[i] == 0 and frames[2 * i + 1] == 0:
        i += 1
        continue
    start = last = i
    j = i
    while j < n and j - last <= quiet:
        if left[j] != 0 or frames[2 * j + 1] != 0:
            last = j
        j += 1
    ms = (last - start + 1) * 1000 / 44100
    if ms > 310:
        print("overlap %.1f" % ms)
    else:
        step = 0
        peak = 0
        for k in range(max(start - 1, 0), min(last + 2, n)):
            for c in (0, 1):
                v = frames[2 * k + c]
                peak = max(peak, abs(v))
                if k > 0:
                    step = max(step, abs(v - frames[2 * (k - 1) + c]))
        print("%.2f %d %.0f" % (ms, step, peak * 2 * math.pi * 1000 / 44100))
    i = j
PY
}

# The front end's presses, then one attack every 45 frames from frame 700.
script="$tmp/attacks.txt"
{
    sed -n '/^[0-9]/p' "$here/tests/scripts/front_end_to_play.txt" | awk '$1 < 676'
    for ((f = 700; f < 700 + 16 * 45; f += 45)); do printf '%d Z\n%d -\n' "$f" $((f + 2)); done
} > "$script"
seconds=$((700 / 60 + 16 * 45 / 60 + 3))

if [ "$effects" = wave ]; then
    cmake --build "$build" --target potetests_sdl -j4 > /dev/null
    SDL_AUDIODRIVER=dummy "$build/tests/potetests_sdl" --gtest_also_run_disabled_tests \
        --gtest_filter='SoundSdlBench.DISABLED_ConvertedWavesAgainstReferences' | grep -E ' Hz |FAILED|Failure'
fi

status=0
for rate in $rates; do
    folder="$folders/$rate"
    mkdir -p "$folder"
    make_folder "$folder" "$rate"
    for ((run = 1; run <= runs; run++)); do
        out="$tmp/out.raw"
        rm -f "$out"
        (cd "$folder" && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out" \
            POTE_INPUT_SCRIPT="$script" "$build/potepote" 2> "$tmp/err") &
        game=$!
        sleep "$seconds"
        stop_game "$game"
        game=""
        if grep -q "cannot load" "$tmp/err"; then
            echo "$rate Hz run $run: $(grep "cannot load" "$tmp/err" | head -3)"
            status=1
        fi
        measure "$out" > "$tmp/tones"
        awk -v rate="$rate" -v run="$run" '
            $1 == "overlap" { overlaps++; next }
            { n++; ms[n] = $1; ratio = $2 / $3; if (ratio > worst) worst = ratio
              if ($1 < 296 || $1 > 304 || ratio > 1.5) bad++
              if (n == 1 || $1 < lo) lo = $1; if (n == 1 || $1 > hi) hi = $1 }
            END {
                printf "%6d Hz run %d: %d tones, %.2f to %.2f ms, largest step %.2f x the tone'"'"'s own; %d overlapping stretches%s\n",
                       rate, run, n, lo, hi, worst, overlaps, (bad || n == 0) ? "  FAIL" : ""
                exit (bad || n == 0) ? 1 : 0
            }' "$tmp/tones" || status=1
    done
done
exit $status
