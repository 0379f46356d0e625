#!/usr/bin/env bash
# Plants one small fault at a time (a swapped constant, a flipped comparison,
# a dropped statement), builds, runs the whole suite and says whether any test
# failed; then puts the file back. A fault no test catches is a gap in the
# suite. Builds into build-faults/ so that build/ stays as it is.
#
#   tools/plant_faults.sh            every fault below
#   tools/plant_faults.sh 3 7        only faults 3 and 7
set -uo pipefail
# One block, read whole before it runs, so that editing this file while it
# runs cannot change what it does.
{
cd "$(dirname "$0")/.."
dir=build-faults
jobs=${JOBS:-4}

# file | text to find (exactly once) | replacement | what a player or maintainer would meet
faults=(
  "shell/input.cpp|IsKeyDown(g_byDIKeys[DIK_X]) \|\| PadDown(PAD_BUTTON0 << 1)|IsKeyDown(g_byDIKeys[DIK_X]) \|\| PadDown(PAD_BUTTON0)|jump read from joypad button 0"
  "shell/input.cpp|IsKeyDown(g_byDIKeys[DIK_SPACE]) \|\| PadDown(PAD_BUTTON0 << 2)|IsKeyDown(g_byDIKeys[DIK_SPACE]) \|\| PadDown(PAD_BUTTON0 << 1)|pause read from joypad button 1"
  "shell/winmain.cpp|if (!InitDirectMusic()) return 0;|InitDirectMusic();|failed sound start-up ignored"
  "shell/winmain.cpp|if (!InitDirectInput(hInstance)) return 0;|InitDirectInput(hInstance);|failed input start-up ignored"
  "shell/winmain.cpp|    ReleaseAllSegments();||shutdown skips the sound slots"
  "shell/winmain.cpp|    ReleaseDirectInput();||shutdown keeps the joypad"
  "game/scene.cpp|LoadSceneSegment(3, \"date/SE30.tov\"|LoadSceneSegment(2, \"date/SE30.tov\"|SE30 loaded into slot 2"
  "shell/textures.cpp|Keyed(\"date/char1.tov\"|Plain(\"date/char1.tov\"|plain loader for a keyed picture"
  "shell/textures.cpp|Plain(\"date/black.tov\"|Keyed(\"date/black.tov\"|keyed loader for a plain picture"
  "shell/textures.cpp|Keyed(\"date/enemy1_right.tov\", g_pTexEnemy1R|Keyed(\"date/enemy1_right.tov\", g_pTexEnemy1L|picture loaded into the wrong slot"
  "shell/sound.cpp|{4, \"date/SE03.tov\", false},  {5, \"date/SE16.tov\"|{5, \"date/SE03.tov\", false},  {4, \"date/SE16.tov\"|two in-game sound slots swapped"
  "stages/stage_enemies.cpp|{3,  4,1, 1000,245}, {4,  4,1, 1000,  0}|{3,  4,1, 1000,245}, {4,  4,1, 1100,  0}|one stage placement's x mistyped"
  "stages/stage_enemies.cpp|{1, 13,1,  900,  0}, {2,  8,1,  800,120}|{1, 13,1,  900,  0}, {2,  8,1,  800,  0}|one item's y mistyped"
  "platform/common/raster.cpp|Mul8((dst >> 8) & 0xFF, ia)|Mul8((dst >> 16) & 0xFF, ia)|blend takes green from the red of the picture"
  "platform/common/d3d8_device.cpp|    d->texture = nullptr;||device reset keeps the old texture bound"
  "platform/common/d3d8_device.cpp|    d->shown = false;  // the window may have changed: show the picture again||device reset does not mark the next frame changed"
  "shell/renderer.cpp|    g_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);||magnification filter dropped"
  "platform/image/decode_dds.cpp|if (!dxt1 \|\| c0 > c1)|if (!dxt1 \|\| c0 >= c1)|DXT1 with equal endpoints decodes index 3 as a colour"
  "shell/winmain.cpp|    SendMessageA(g_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)icon);||the window never gets the program's icon"
  "platform/sdl/window_sdl.cpp|        if (fullScreen && !byManager) CoverDisplay();||full screen on a bare X server shows a corner of the picture"
  "platform/common/sound_scan.cpp|(status & 0xE0) == 0xC0 ? 1 : 2|(status & 0xF0) == 0xC0 ? 1 : 2|MIDI channel pressure read with two data bytes"
  "platform/image/decode_png.cpp|png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);|png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_AS_DEFAULT, nullptr, -1);|PNG metadata read into memory: a 9-MB XMP chunk costs 18 MB"
  "platform/image/decode_png.cpp|png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);|png_set_chunk_malloc_max(job.png, 0x7FFFFFFF);|PNG metadata read, its chunk limit raised: a 120-KB compressed text costs 120 MB"
  "platform/image/decode_jpeg.cpp|      PauseBetweenRows(steps++);||no pause while a progressive JPEG's scans are read: a message box waits for them"
  "platform/image/image_decode.cpp|if (row % 16 != 15) return;|if (row != 15) return;|a decode pauses once per picture, not every 16 rows"
  "platform/image/decode_pnm.cpp|  if (d[1] == '1' \|\| d[1] == '4') return Fail(why, \"PBM pictures are not read\");||a PBM picture refused as a bad PNM header"
  "platform/common/input_script.h|kMaxInputScriptBytes = 16L << 20;|kMaxInputScriptBytes = 16L << 30;|a 1-GB sparse input script is read whole: 6.2 GB taken"
  "platform/sdl/device_sdl.cpp|if (g_noGpu \|\| !HasGpu()) {|if (g_noGpu \|\| HasGpu()) {|without a GPU a software OpenGL is made and dropped (start-up peak 166 to 245 MB); with one, drawing on the processor"
  "shell/textures.cpp|    PrefetchGameTextures(1);|    for (int c = 1; c <= 5; ++c) PrefetchGameTextures(c);|every character's pictures decoded at start-up (+9 MB at the title)"
  "platform/sdl/window_manager_sdl.cpp|    if (!alive) return false;||a dead window manager is left to make the window full screen: a 640x480 corner of the picture"
  "platform/sdl/sound_sdl_decode.cpp|const int framesPerBeat = dropFrame ? 30 : framesPerSecond;|const int framesPerBeat = framesPerSecond;|songs timed at 29.97 SMPTE frames a second play 3.5 % slow"
  "platform/sdl/sound_sdl_decode.cpp|RenderJob job{out, HeaderAndTracks(data, size),|RenderJob job{out, std::vector<uint8_t>(data, data + size),|a song with an unknown chunk before its tracks plays silence"
  "platform/common/sound_scan.cpp|samples -= std::min(samples - (uint64_t)op.granulepos, packetSamples);|samples = (uint64_t)op.granulepos;|an Ogg file whose last page claims a short end decodes for hours"
  "platform/common/sound_scan.cpp|const long long whole = (long long)std::ceil(|const long long whole = (long long)std::round(|a sound a little past the length limit is said to be at it"
  "platform/sdl/sound_sdl_decode.cpp|{6, {0, 2, 1, 5, 3, 4}},|{6, {0, 1, 2, 3, 4, 5}},|5.1 Ogg in the file's own channel order: its centre on the right, its front right in the middle"
  "platform/common/sound_scan.h|constexpr int kMaxChannels = 8;|constexpr int kMaxChannels = 2;|WAVE and Ogg of three to eight channels refused"
  "platform/sdl/sound_sdl_decode.cpp|if (fed_ == bytes_) {|if (bytes_ - fed_ < pieceBytes_) {|the last partial piece of a WAVE never converted (short effects silent)"
  "platform/sdl/sound_sdl_decode.cpp|silent == 2|silent == 0|a resampled sound's end left in the resampler (a silent tail and a click)"
  "platform/sdl/sound_sdl_decode.cpp|if ((frames == 0 \|\| starts) && begun_ && !converter.Finish())|if (starts && begun_ && !converter.Finish())|an Ogg's end left in the resampler (a silent tail and a click)"
  "platform/sdl/sound_sdl_decode.cpp|if ((frames == 0 \|\| starts) && begun_ && !converter.Finish())|if (frames == 0 && begun_ && !converter.Finish())|an Ogg chain's link of another layout or rate starts before the last one's end is out (lost, a click at the join)"
  "platform/sdl/sound_sdl_decode.cpp|*starts = channels != fileChannels_ \|\| rate != rate_;|*starts = channels != fileChannels_;|an Ogg chain's link of another rate resampled as the first (wrong pitch and length)"
  "platform/common/sound_scan.cpp|riffSize == 0 \|\| (uint64_t)riffSize + 8 > size|riffSize == 0|a WAVE streamed with a longer stream's sizes refused as broken"
  "platform/common/sound_scan.cpp|held - held % frame|held|a streamed WAVE's partial last frame kept (the load fails)"
  "platform/common/worker_gate.h|constexpr auto kIdleEnd = std::chrono::seconds(1);|constexpr auto kIdleEnd = std::chrono::milliseconds(1);|idle workers end after a millisecond: each song loads the SoundFont again"
  "platform/sdl/sound_sdl_decode.cpp|            if (idle_ == 0) Spawn();||a WAVE played while songs render waits behind them and starts silent"
  "platform/sdl/sound_sdl_decode.cpp|if (busy_.size() + queue_.size() > live && (int)live < MaxThreads()) Spawn();|if (live == 0) Spawn();|sounds loaded together render one after another"
  "platform/common/worker_gate.cpp|        it->join();|        continue;|picture workers that ended are never joined: later prefetches decode on the game's thread"
  "platform/common/d3dx_texture.cpp|        ended_.push_back(std::this_thread::get_id());||a picture worker ends without counting itself out"
  "platform/sdl/sound_sdl_decode.cpp|        ended_.push_back(std::this_thread::get_id());||a sound worker ends without counting itself out"
  "platform/common/d3dx_texture.cpp|return (int)(threads_.size() - ended_.size());|return (int)threads_.size();|picture workers that ended still counted"
)

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null || exit 1
cmake --build "$dir" -j"$jobs" > /dev/null || { echo "the unplanted tree does not build"; exit 1; }
if ! ctest --test-dir "$dir" -j"$jobs" > /dev/null 2>&1; then
  echo "the suite fails before any fault is planted"
  exit 1
fi

caught=0 missed=0 n=0
for entry in "${faults[@]}"; do
  n=$((n + 1))
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$n"; then continue; fi
  IFS='|' read -r file find replace what <<< "$(printf '%s' "$entry" | sed 's/\\|/\x01/g')"
  find=${find//$'\x01'/|}
  replace=${replace//$'\x01'/|}
  what=${what//$'\x01'/|}
  backup=$(mktemp)
  cp "$file" "$backup"
  if ! python3 - "$file" "$find" "$replace" <<'EOF'
import sys
path, find, replace = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(path, encoding='utf-8').read()
if text.count(find) != 1:
    sys.exit(1)
open(path, 'w', encoding='utf-8').write(text.replace(find, replace))
EOF
  then
    echo "$n. NOT PLANTED (text not found once in $file): $what"
    rm -f "$backup"
    missed=$((missed + 1))
    continue
  fi
  if ! cmake --build "$dir" -j"$jobs" > /dev/null 2>&1; then
    result="does not build"
  elif ctest --test-dir "$dir" -j"$jobs" > /dev/null 2>&1; then
    result="MISSED"
  else
    result="caught by: $(sed 's/^[0-9]*://' "$dir"/Testing/Temporary/LastTestsFailed.log | head -3 | tr '\n' ' ')"
  fi
  cp "$backup" "$file"
  rm -f "$backup"
  echo "$n. $what: $result"
  case $result in caught*) caught=$((caught + 1)) ;; *) missed=$((missed + 1)) ;; esac
done
cmake --build "$dir" -j"$jobs" > /dev/null
echo "caught $caught of $((caught + missed))"
[ "$missed" -eq 0 ]
exit
}
