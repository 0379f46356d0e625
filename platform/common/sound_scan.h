// What a sound file says of itself, read without decoding it: its format by
// content, its structure and what it claims of its rate, channels and length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sound_scan {

// What a sound file may claim, as a sound device's own caps would limit it:
// beyond these a tiny hostile header could ask for gigabytes of samples.
constexpr int kMinSampleRate = 4000;
constexpr int kMaxSampleRate = 192000;
// WAVE and Ogg files of more than two channels are mixed down to stereo, as
// SDL does for layouts of up to eight.
constexpr int kMaxChannels = 8;
constexpr double kMaxSoundSeconds = 600.0;  // decoded length, MIDI songs included
// Larger files are not read at all.
constexpr int64_t kMaxSoundFileBytes = 64 << 20;

enum class ScanResult {
    Ok,
    Unrecognised,  // not a Standard MIDI File, RIFF WAVE or RMID, or Ogg
    Corrupt,       // recognised, but truncated or malformed
    TooLarge,      // claims a rate, channel count or length beyond the limits
};

// Checks a Standard MIDI File's structure and returns its length in seconds.
bool ScanMidiFile(const uint8_t* data, size_t size, double* seconds);

// Where the samples of a RIFF WAVE lie: the data chunk as far as the file
// holds it (the rule is at FindWaveData in sound_scan.cpp).
struct WaveData {
    size_t sizeField = 0;  // offset of the data chunk's size
    size_t begin = 0;      // offset of the samples' first byte
    uint32_t bytes = 0;    // the samples' bytes
    bool stated = true;    // bytes is the chunk's own size; false: a stream's placeholder, read as the file holds it
};

// False when the file has no format chunk before its data chunk, or no data
// chunk, or one without a whole frame, or one that runs past the end of a
// file which says it ends within it.
bool FindWaveData(const uint8_t* data, size_t size, WaveData* out);

// The identification header (*bytes long, at least 16) of an Ogg file's first
// Vorbis or Opus stream, or nullptr for none. Streams begin side by side at
// the file's start, a page each, and one of another kind (a skeleton, a
// picture) may come first: decoders pass over it, as players do.
const uint8_t* FirstOggSoundHeader(const uint8_t* data, size_t size, size_t* bytes);

// The rate, channels and length that a RIFF WAVE or an Ogg file claims (a
// WAVE's length: that of the samples it holds; an Ogg file's: that of its
// packets, every stream counted). A claim beyond the limits is named in *why
// (when why is not null) with the limit it passes, "9 channels, more than 8".
ScanResult CheckWaveClaims(const uint8_t* data, size_t size, std::string* why = nullptr);
ScanResult CheckOggClaims(const uint8_t* data, size_t size, std::string* why = nullptr);

// The whole check of a segment file: recognised by its content, whole (a
// WAVE's data chunk found as FindWaveData finds it, a MIDI file's tracks
// complete) and within the limits, with a claim beyond them named as above.
ScanResult ScanSoundFile(const uint8_t* data, size_t size, std::string* why = nullptr);

}  // namespace sound_scan
