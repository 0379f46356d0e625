// Inside the SDL sound layer: decoding of segment files into the mixer's
// format, and hooks for the platform's own tests and the benchmark. The game
// never includes this; it sees platform/dmusic.h only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/dmusic.h"

namespace sound_sdl {

// Everything is decoded to the format the mixer runs at, so that a play only
// hands the mixer a buffer.
constexpr int kRate = 44100;
constexpr int kBytesPerFrame = 4;  // signed 16-bit, stereo, interleaved

// What a sound file may claim, as a sound device's own caps would limit it:
// beyond these a tiny hostile header could ask for gigabytes of samples.
constexpr int kMinSampleRate = 4000;
constexpr int kMaxSampleRate = 192000;
constexpr int kMaxChannels = 2;
constexpr double kMaxSoundSeconds = 600.0;  // decoded length, MIDI songs included

struct DecodedSound {
    std::vector<uint8_t> pcm;
    // How much of pcm one pass of a repeating segment plays. For MIDI this is
    // the song's own length, without the tail of released notes that a single
    // pass lets ring out; for sampled sound it is the whole buffer.
    uint32_t loopBytes = 0;
};

enum class DecodeResult {
    Ok,
    Unrecognised,  // not a format this layer reads
    Corrupt,       // recognised, but truncated, malformed or unreasonably long
    NoSoundFont,   // MIDI, but no General MIDI SoundFont could be loaded
    NoMixer,       // sampled sound needs the mixer open to convert it
    TooLarge,      // claims a rate, channel count or length beyond the limits below
};

// Recognises the file by its content: Standard MIDI File (also inside a RIFF
// RMID wrapper), RIFF WAVE, Ogg Vorbis.
DecodeResult DecodeSoundFile(const uint8_t* data, size_t size, DecodedSound* out);

// Checks a Standard MIDI File's structure and returns its length in seconds.
bool ScanMidiFile(const uint8_t* data, size_t size, double* seconds);

// Drops the synthesizer (and the SoundFont it holds); the next MIDI load
// creates it again. Called when the performance closes down.
void ReleaseSynth();

// Tests: use this SoundFont instead of the standard paths (nullptr restores
// them). Takes effect at the next MIDI load.
void SetSoundFontPath(const char* path);

// Tests and the benchmark.
struct SegmentInfo {
    uint32_t frames = 0;      // length of one single pass, tail included
    uint32_t loopFrames = 0;  // length of one repetition
    int peak = 0;             // largest absolute sample value
    int playing = 0;          // mixer channels playing it now
    bool primary = false;     // playing on the primary channel now
};
bool GetSegmentInfo(IDirectMusicSegment8* segment, SegmentInfo* info);
int EffectChannelsPlaying();
struct CacheStats {
    int decoded = 0;  // files decoded
    int reused = 0;   // loads answered from the cache
};
CacheStats GetCacheStats();

}  // namespace sound_sdl
