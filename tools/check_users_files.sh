#!/usr/bin/env bash
# Files as users make them, in the game's way: in a copy of date/, the title
# picture logo1.tov carries 9 MB of XMP metadata (an iTXt chunk, as exiftool
# writes it), the title's confirm SE05.tov is a WAVE written to a pipe (its
# RIFF and data sizes 0xFFFFFFFF), the select screen's confirm SE04.tov is
# 5.1 Ogg Vorbis, and the title song gorumo.tov has a chunk of an unknown
# kind before its first track. Every other sound is made silent, so that
# what is heard comes from these files. The real game runs under SDL's dummy
# video and disk audio drivers, twice: once resting on the title (the song),
# once walked through the title and the select screen (the two effects, the
# song silent then).
# Each run must load everything without a "cannot load" line and record its
# file's sound: the song's level on the title, and each effect as a stretch
# of about 300 ms.
#
#   tools/check_users_files.sh [BUILD_DIR]
#
# Exits non-zero when a file is refused or a sound is not heard.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
[ -x "$build/potepote" ] || { echo "no game in $build" >&2; exit 2; }
source "$here/tools/lib/x_game.sh"
tmp=$(mktemp -d)
game=""
trap '[ -n "$game" ] && kill -KILL "$game" 2> /dev/null; rm -rf "$tmp"' EXIT

c++ -std=c++17 -O1 -I"$here/tests" "$here/tools/lib/ogg_tone.cpp" -o "$tmp/ogg_tone" \
    $(pkg-config --cflags --libs vorbisenc vorbis ogg opus) || exit 2
cp -r "$build/date" "$tmp/date"
"$tmp/ogg_tone" "$tmp/date/SE04.tov" 48000 6 || exit 2
python3 - "$tmp/date" <<'PY' || exit 2
import math, os, struct, sys, zlib
folder = sys.argv[1]

def wave(path, rate, samples, streamed=False):
    data = struct.pack("<%dh" % len(samples), *samples)
    riff, chunk = (0xFFFFFFFF, 0xFFFFFFFF) if streamed else (36 + len(data), len(data))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", riff) + b"WAVE" + b"fmt " +
                struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", chunk) + data)

def read(name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()

def write(name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)

# Every sound silent but the ones under test.
for name in os.listdir(folder):
    if name in ("SE04.tov", "SE05.tov", "gorumo.tov"):
        continue
    head = read(name)[:12]
    if head[:4] == b"MThd" or (head[:4] == b"RIFF" and head[8:12] == b"WAVE"):
        wave(os.path.join(folder, name), 22050, [0] * 2205)

# 9 MB of XMP after the header chunk.
png = read("logo1.tov")
assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR"
xmp = b'<x:xmpmeta xmlns:x="adobe:ns:meta/">' + b" " * (9 << 20) + b"</x:xmpmeta>"
body = b"iTXt" + b"XML:com.adobe.xmp\x00\x00\x00\x00\x00" + xmp
chunk = struct.pack(">I", len(body) - 4) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
write("logo1.tov", png[:33] + chunk + png[33:])

# A 300-ms tone of 1 kHz, streamed.
wave(os.path.join(folder, "SE05.tov"), 22050,
     [round(10000 * math.sin(2 * math.pi * 1000 * i / 22050)) for i in range(22050 * 3 // 10)], True)

# An unknown chunk between the header and the first track.
song = read("gorumo.tov")
assert song[:4] == b"MThd"
header = 8 + struct.unpack(">I", song[4:8])[0]
write("gorumo.tov", song[:header] + b"XFIH" + struct.pack(">I", 16) + bytes(range(16)) + song[header:])
PY

# RECORDING FROM TO: the loudest sample, and the stretches of sound (ms) that
# begin between FROM and TO seconds.
measure() {
    python3 - "$@" <<'PY'
import struct, sys
raw = open(sys.argv[1], "rb").read()
lo, hi = int(float(sys.argv[2]) * 44100), int(float(sys.argv[3]) * 44100)
n = len(raw) // 4
s = struct.unpack("<%dh" % (2 * n), raw[:4 * n])
peak = max((abs(v) for v in s[2 * lo:2 * min(hi, n)]), default=0)
stretches = []
i = lo
while i < min(hi, n):
    if s[2 * i] == 0 and s[2 * i + 1] == 0:
        i += 1
        continue
    start = last = j = i
    while j < n and j - last <= 88:
        if s[2 * j] or s[2 * j + 1]:
            last = j
        j += 1
    stretches.append("%.0f" % ((last - start + 1) * 1000 / 44100))
    i = j
print(peak, " ".join(stretches))
PY
}

# NAME SECONDS SCRIPT: runs the game in the folder; the recording is left in
# $tmp/NAME.raw and its standard error in $tmp/NAME.err.
run() {
    (cd "$tmp" && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$tmp/$1.raw" \
        POTE_INPUT_SCRIPT="$3" "$build/potepote" 2> "$tmp/$1.err") &
    game=$!
    sleep "$2"
    stop_game "$game"
    game=""
    if grep -q "cannot load" "$tmp/$1.err"; then
        echo "FAIL $1: $(grep "cannot load" "$tmp/$1.err" | head -3)"
        status=1
    fi
}

status=0
# Resting on the title: the logo's 358 frames (silent now), then the song.
: > "$tmp/rest.txt"
run title 10 "$tmp/rest.txt"
read -r peak _ <<< "$(measure "$tmp/title.raw" 6.5 9.5)"
echo "title song, 6.5 to 9.5 s: peak $peak"
[ "${peak:-0}" -gt 1000 ] || { echo "FAIL: the title song is not heard"; status=1; }

# Enter on the title (SE05), Z on the select screen (SE04), the song
# silent now, so that each effect is heard alone.
cp "$tmp/date/logo.tov" "$tmp/date/gorumo.tov"
printf '359 Enter\n361 -\n470 Z\n472 -\n' > "$tmp/confirm.txt"
run confirm 10 "$tmp/confirm.txt"
read -r _ stretches <<< "$(measure "$tmp/confirm.raw" 5.5 9)"
echo "effects, 5.5 to 9 s: stretches of $stretches ms"
count=0
for ms in $stretches; do [ "$ms" -ge 290 ] && [ "$ms" -le 310 ] && count=$((count + 1)); done
[ "$count" -eq 2 ] || { echo "FAIL: not two effects of about 300 ms"; status=1; }
[ $status -eq 0 ] && echo "all four files load and sound"
exit $status
