// libFuzzer entry for the sound decoders: whatever the bytes, the scan of a
// segment file and the real layer's decode agree, and what is accepted
// renders (a WAVE converted, an Ogg Vorbis or Opus stream decoded and
// converted, a song played through FluidSynth) within the buffer it was
// given.

#include "platform/sdl/sound_sdl.h"

#include <fluidsynth.h>

#include <atomic>
#include <cstdio>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Songs render a few hundred times faster than they play. Longer ones are
// scanned but not rendered, so that a run tries many inputs; the shortest
// default songs (about 4 and 5 s) are rendered, and what grows from them.
constexpr double kMaxRenderedSeconds = 5.0;

// Every Standard MIDI File the decoder could take from these bytes (one at
// the start, or one inside a RIFF wrapper) is short. Scanning from a header
// to the end of the input reads the same tracks as scanning within its
// wrapper chunk, so the length is the same.
bool SongsAreShort(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + 4 <= size; ++at) {
    if (std::memcmp(data + at, "MThd", 4) != 0) continue;
    double seconds = 0;
    if (sound_sdl::ScanMidiFile(data + at, size - at, &seconds) && seconds > kMaxRenderedSeconds) return false;
  }
  return true;
}

// FluidSynth reads a song again when it plays it; what it refuses then plays
// as silence, with no message and no file named. The scan must have
// refused it at the load.
std::atomic<int> g_songErrors{0};
volatile unsigned g_sink;

void OnFluidError(int, const char* message, void*) {
  std::fprintf(stderr, "fluidsynth: %s\n", message);
  ++g_songErrors;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!sound_sdl::SoundFontUsable()) std::abort();
  fluid_set_log_function(FLUID_ERR, OnFluidError, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  const sound_scan::ScanResult scan = sound_scan::ScanSoundFile(data, size, &why);
  if (scan == sound_scan::ScanResult::TooLarge && why.empty()) __builtin_trap();
  if (!SongsAreShort(data, size)) return 0;

  const int songErrors = g_songErrors;
  sound_sdl::DecodedSound sound;
  if (sound_sdl::DecodeSoundFile(data, size, &sound) != sound_sdl::DecodeResult::Ok) return 0;
  // The test platform refuses what the scan refuses: the real one must not
  // take it either.
  if (scan != sound_scan::ScanResult::Ok) __builtin_trap();
  sound_sdl::WaitUntilRendered(sound);
  if (g_songErrors != songErrors) __builtin_trap();
  const uint32_t ready = sound.ready, loop = sound.loopBytes;
  if (ready > sound.capacity || loop > sound.capacity || ready % sound_sdl::kBytesPerFrame != 0) __builtin_trap();
  // Every byte played is read once, so that the sanitizer sees the buffer whole.
  unsigned sum = 0;
  for (uint32_t i = 0; i < ready; ++i) sum += sound.pcm[i];
  g_sink = sum;
  return 0;
}
