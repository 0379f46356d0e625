// Inside the SDL sound layer: decoding of segment files into the mixer's
// format, and hooks for the platform's own tests and the benchmark. The game
// never includes this; it sees platform/dmusic.h only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/common/sound_scan.h"
#include "platform/dmusic.h"

namespace sound_sdl {

// Everything is decoded to the format the mixer runs at, so that a play only
// hands the mixer a buffer.
constexpr int kRate = 44100;
constexpr int kBytesPerFrame = 4;  // signed 16-bit, stereo, interleaved

// What a sound file may claim (platform/common/sound_scan.h).
using sound_scan::kMaxChannels;
using sound_scan::kMaxSampleRate;
using sound_scan::kMaxSoundSeconds;
using sound_scan::kMinSampleRate;

// A sound in the mixer's format. A WAVE file is read when it is loaded (an
// Ogg file decoded, for its length) and converted to the mixer's format by a
// worker thread into a buffer of its converted length. MIDI is rendered by
// worker threads: the buffer has room for the longest the song can be (one
// pass and the longest ring-out). Both fill from the start, so a play can
// begin at once and the mixer reads what the worker has just written.
// Whatever is not ready yet reads as silence.
struct DecodedSound {
    DecodedSound() = default;
    DecodedSound(const DecodedSound&) = delete;
    DecodedSound& operator=(const DecodedSound&) = delete;
    ~DecodedSound();  // stops a render still working on it

    struct Free {
        void operator()(uint8_t* p) const { free(p); }
    };
    std::unique_ptr<uint8_t[], Free> pcm;
    uint32_t capacity = 0;  // bytes in pcm
    // How much of pcm one pass of a repeating segment plays. For MIDI this is
    // the song's own length, without the tail of released notes that a single
    // pass lets ring out; for sampled sound it is the whole sound.
    std::atomic<uint32_t> loopBytes{0};
    std::atomic<uint32_t> ready{0};    // bytes rendered so far, from the start
    std::atomic<bool> finished{true};   // no render outstanding: ready is the whole length
    std::atomic<bool> failed{false};    // the render stopped early: decode the file again
    bool song = false;                  // MIDI, rendered with the SoundFont
};

// Waits until the sound is rendered (or its render failed). For tests and the
// benchmark; the game never waits.
void WaitUntilRendered(const DecodedSound& sound);

// Whether songs can be rendered: a SoundFont was found and FluidSynth loads
// it. Waits for the worker that tries, if it has not yet (the performance's
// start-up asks first, so that the first song's load need not wait).
bool SoundFontUsable();

// Stops the workers; renders cut short are marked failed. Workers start as
// sounds are loaded and end when left idle.
void StopRendering();

// Render workers running now. For tests.
int RenderWorkers();

// SoundFont loads begun so far, by workers and by the game's thread. For tests.
int SoundFontLoads();

// Waits, at most maxMs, until no render is queued or running; false when
// time ran out first.
bool WaitForRenders(int maxMs);

// Readies a sound that is about to play: one still waiting for its render
// or conversion moves ahead of the others (with a worker of its own if every
// worker is busy), and the play waits for its first tenth of a second (about
// a millisecond; a quarter of a second at most on a starved machine).
void PrepareToPlay(const DecodedSound& sound);

enum class DecodeResult {
    Ok,
    Unrecognised,  // not a format this layer reads
    Corrupt,       // recognised, but truncated, malformed or unreasonably long
    NoSoundFont,   // MIDI, but no General MIDI SoundFont, or one that does not load
    TooLarge,      // claims a rate, channel count or length beyond the limits above
};

// Recognises the file by its content: Standard MIDI File (also inside a RIFF
// RMID wrapper), RIFF WAVE, Ogg Vorbis or Opus. A MIDI file is checked here and
// rendered afterwards, on a worker thread.
DecodeResult DecodeSoundFile(const uint8_t* data, size_t size, DecodedSound* out);

using sound_scan::ScanMidiFile;

// Stops the renders and drops the synthesizers (and the SoundFont they
// hold); the next MIDI load creates them again. Called when the performance
// closes down.
void ReleaseSynth();

// Tests: use this SoundFont instead of the standard paths (nullptr restores
// them). Takes effect at the next MIDI load.
void SetSoundFontPath(const char* path);

// Tests and the benchmark.
struct SegmentInfo {
    uint32_t frames = 0;      // length of one single pass, tail included (waits for the render)
    uint32_t loopFrames = 0;  // length of one repetition
    int peak = 0;             // largest absolute sample value
    int playing = 0;          // mixer channels playing it now
    bool primary = false;     // playing on the primary channel now
};
bool GetSegmentInfo(IDirectMusicSegment8* segment, SegmentInfo* info);
// The segment's sound as it stands, without waiting (nullptr for no segment).
const DecodedSound* SegmentSound(IDirectMusicSegment8* segment);
int EffectChannelsPlaying();
struct CacheStats {
    int decoded = 0;  // files decoded
    int reused = 0;   // loads answered from the cache
};
CacheStats GetCacheStats();

}  // namespace sound_sdl
