// Segment files to PCM in the mixer's format. MIDI is rendered ahead of time
// with FluidSynth rather than streamed through SDL2_mixer's music player: the
// mixer plays only one music stream at a time, and many of the game's effects
// are MIDI too, so everything becomes a plain sample buffer that any channel
// can play, loop without a gap and overlap with itself.
#include "platform/sdl/sound_sdl.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sound_sdl {

namespace {

// Released notes ring out after the song's end for at most this long.
constexpr int kMaxTailFrames = 2 * kRate;
// A render block at or below this peak counts as silence.
constexpr int kSilence = 8;
constexpr int kBlockFrames = 512;

const char* const kStandardSoundFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};

struct Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~Synth() { Clear(); }
    void Clear() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
        synth = nullptr;
        settings = nullptr;
    }
};

Synth g_synth;
std::string g_soundFontOverride;
bool g_useOverride = false;

uint32_t Be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
uint16_t Be16(const uint8_t* p) { return (uint16_t)(p[0] << 8 | p[1]); }
uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
}
uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[1] << 8 | p[0]); }
uint64_t Le64(const uint8_t* p) { return (uint64_t)Le32(p + 4) << 32 | Le32(p); }

bool ClaimsFit(uint32_t rate, uint32_t channels, double seconds) {
    return rate >= (uint32_t)kMinSampleRate && rate <= (uint32_t)kMaxSampleRate && channels >= 1 &&
           channels <= (uint32_t)kMaxChannels && seconds <= kMaxSoundSeconds;
}

// Checks what a RIFF WAVE file says of itself before the mixer decodes it.
// The length is bounded from the data chunk's size: no format the mixer
// reads packs a sample into fewer than 4 bits.
DecodeResult CheckWaveClaims(const uint8_t* data, size_t size) {
    uint32_t rate = 0, channels = 0, bits = 0;
    bool haveFormat = false;
    size_t pos = 12;
    while (size - pos >= 8) {
        uint32_t len = Le32(data + pos + 4);
        size_t body = pos + 8;
        size_t avail = std::min<size_t>(len, size - body);
        if (std::memcmp(data + pos, "fmt ", 4) == 0) {
            if (avail < 16) return DecodeResult::Corrupt;
            channels = Le16(data + body + 2);
            rate = Le32(data + body + 4);
            bits = Le16(data + body + 14);
            haveFormat = true;
        } else if (std::memcmp(data + pos, "data", 4) == 0) {
            if (!haveFormat) return DecodeResult::Corrupt;
            // The claimed size counts, even beyond the file's end: a truncated
            // file is refused later anyway, and a longer one may be on its way.
            uint32_t perSample = std::max<uint32_t>(bits, 4);
            double frames = (double)len * 8 / ((double)perSample * std::max<uint32_t>(channels, 1));
            double seconds = rate ? frames / rate : 0;
            return ClaimsFit(rate, channels, seconds) ? DecodeResult::Ok : DecodeResult::TooLarge;
        }
        body += (size_t)len + (len & 1);
        if (body > size) break;
        pos = body;
    }
    return haveFormat && !ClaimsFit(rate, channels, 0) ? DecodeResult::TooLarge : DecodeResult::Ok;
}

// The same for Ogg: the rate and channels of the Vorbis or Opus header, and
// the length that the last page's granule position gives.
DecodeResult CheckOggClaims(const uint8_t* data, size_t size) {
    if (size < 28 || size < 27 + (size_t)data[26]) return DecodeResult::Ok;  // the mixer will refuse it
    const uint8_t* packet = data + 27 + data[26];
    size_t left = size - 27 - data[26];
    uint32_t rate = 0, channels = 0, granuleRate = 0;
    if (left >= 16 && std::memcmp(packet, "\x01vorbis", 7) == 0) {
        channels = packet[11];
        rate = granuleRate = Le32(packet + 12);
    } else if (left >= 16 && std::memcmp(packet, "OpusHead", 8) == 0) {
        channels = packet[9];
        rate = granuleRate = 48000;  // Opus always decodes at 48 kHz
    } else {
        return DecodeResult::Ok;
    }
    double seconds = 0;
    // Pages are at most 65307 bytes long: the last one starts in the file's tail.
    size_t from = size > 65536 ? size - 65536 : 0;
    for (size_t p = size - 14;; --p) {
        if (std::memcmp(data + p, "OggS", 4) == 0 && data[p + 4] == 0) {
            uint64_t granule = Le64(data + p + 6);
            if (granule != ~(uint64_t)0) seconds = (double)granule / granuleRate;
            break;
        }
        if (p == from) break;
    }
    return ClaimsFit(rate, channels, seconds) ? DecodeResult::Ok : DecodeResult::TooLarge;
}

bool ReadVarLen(const uint8_t* data, size_t end, size_t* pos, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (*pos >= end) return false;
        uint8_t b = data[(*pos)++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            *value = v;
            return true;
        }
    }
    return false;  // a variable-length number has at most four bytes
}

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

// Walks one track's events; fills its end tick and its tempo changes.
bool ScanTrack(const uint8_t* data, size_t pos, size_t end, uint64_t* endTick,
               std::vector<TempoChange>* tempos) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (pos < end) {
        uint32_t delta;
        if (!ReadVarLen(data, end, &pos, &delta)) return false;
        tick += delta;
        if (pos >= end) return false;
        uint8_t status = data[pos];
        if (status & 0x80) {
            ++pos;
        } else if (running) {
            status = running;
        } else {
            return false;  // data byte with no status to run on
        }
        if (status == 0xFF) {
            if (pos >= end) return false;
            uint8_t type = data[pos++];
            uint32_t len;
            if (!ReadVarLen(data, end, &pos, &len) || len > end - pos) return false;
            if (type == 0x51 && len == 3) {
                uint32_t us = (uint32_t)data[pos] << 16 | (uint32_t)data[pos + 1] << 8 | data[pos + 2];
                if (us == 0) return false;
                tempos->push_back({tick, us});
            }
            pos += len;
            running = 0;
            if (type == 0x2F) break;  // end of track
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t len;
            if (!ReadVarLen(data, end, &pos, &len) || len > end - pos) return false;
            pos += len;
            running = 0;
        } else if (status >= 0xF0) {
            return false;  // real-time and common messages have no place in a file
        } else {
            size_t need = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change, channel pressure
            if (need > end - pos) return false;
            for (size_t i = 0; i < need; ++i) {
                if (data[pos + i] & 0x80) return false;
            }
            pos += need;
            running = status;
        }
    }
    *endTick = tick;
    return true;
}

}  // namespace

bool ScanMidiFile(const uint8_t* data, size_t size, double* seconds) {
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    uint32_t headerLen = Be32(data + 4);
    if (headerLen < 6 || headerLen > size - 8) return false;
    uint16_t format = Be16(data + 8);
    uint16_t tracks = Be16(data + 10);
    uint16_t division = Be16(data + 12);
    if (format > 2 || tracks == 0 || division == 0) return false;

    std::vector<TempoChange> tempos;
    uint64_t lastTick = 0;
    int found = 0;
    size_t pos = 8 + (size_t)headerLen;
    while (found < tracks) {
        if (size - pos < 8) return false;  // fewer tracks than the header promises
        uint32_t len = Be32(data + pos + 4);
        if (len > size - pos - 8) return false;  // truncated
        if (std::memcmp(data + pos, "MTrk", 4) == 0) {
            uint64_t endTick = 0;
            if (!ScanTrack(data, pos + 8, pos + 8 + len, &endTick, &tempos)) return false;
            lastTick = std::max(lastTick, endTick);
            ++found;
        }
        pos += 8 + (size_t)len;  // chunks of other kinds are skipped
    }

    double secs;
    if (division & 0x8000) {
        int fps = -(int8_t)(division >> 8);
        int ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0) return false;
        secs = (double)lastTick / ((fps == 29 ? 29.97 : fps) * ticksPerFrame);
    } else {
        // Tempo changes may come from any track; they apply in tick order.
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        secs = 0;
        uint64_t tick = 0;
        uint32_t us = 500000;
        for (const TempoChange& t : tempos) {
            if (t.tick >= lastTick) break;
            secs += (double)(t.tick - tick) * us / 1e6 / division;
            tick = t.tick;
            us = t.microsPerQuarter;
        }
        secs += (double)(lastTick - tick) * us / 1e6 / division;
    }
    if (!(secs >= 0)) return false;
    *seconds = secs;
    return true;
}

namespace {

void QuietLog(int, const char*, void*) {}

bool EnsureSynth() {
    if (g_synth.synth) return true;
    std::string path;
    if (g_useOverride) {
        path = g_soundFontOverride;
    } else {
        for (const char* candidate : kStandardSoundFonts) {
            if (access(candidate, R_OK) == 0) {
                path = candidate;
                break;
            }
        }
    }
    if (path.empty() || access(path.c_str(), R_OK) != 0) return false;

    // Our own checks come first, so FluidSynth's chatter is not for the player.
    fluid_set_log_function(FLUID_WARN, QuietLog, nullptr);
    fluid_set_log_function(FLUID_INFO, QuietLog, nullptr);
    fluid_set_log_function(FLUID_DBG, QuietLog, nullptr);

    g_synth.settings = new_fluid_settings();
    if (!g_synth.settings) return false;
    fluid_settings_setnum(g_synth.settings, "synth.sample-rate", kRate);
    // The player follows the samples we render, not the wall clock.
    fluid_settings_setstr(g_synth.settings, "player.timing-source", "sample");
    fluid_settings_setint(g_synth.settings, "synth.lock-memory", 0);
    // Only the instruments a song uses are read from the (large) SoundFont.
    fluid_settings_setint(g_synth.settings, "synth.dynamic-sample-loading", 1);
    // A dry stereo mix, as the game's audio paths have no effects.
    fluid_settings_setint(g_synth.settings, "synth.reverb.active", 0);
    fluid_settings_setint(g_synth.settings, "synth.chorus.active", 0);
    fluid_settings_setnum(g_synth.settings, "synth.gain", 0.5);
    g_synth.synth = new_fluid_synth(g_synth.settings);
    if (!g_synth.synth || fluid_synth_sfload(g_synth.synth, path.c_str(), 1) == FLUID_FAILED) {
        g_synth.Clear();
        return false;
    }
    return true;
}

int Peak(const int16_t* samples, size_t count) {
    int peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs((int)samples[i]));
    return peak;
}

DecodeResult RenderMidi(const uint8_t* data, size_t size, DecodedSound* out) {
    double seconds;
    if (!ScanMidiFile(data, size, &seconds)) return DecodeResult::Corrupt;
    // The whole song is held as PCM (10 MB a minute), and a corrupt delta time
    // could otherwise ask for days of audio.
    if (seconds > kMaxSoundSeconds) return DecodeResult::TooLarge;
    if (!EnsureSynth()) return DecodeResult::NoSoundFont;

    fluid_synth_t* synth = g_synth.synth;
    fluid_synth_system_reset(synth);
    fluid_player_t* player = new_fluid_player(synth);
    if (!player) return DecodeResult::Corrupt;
    if (fluid_player_add_mem(player, data, size) != FLUID_OK || fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        return DecodeResult::Corrupt;
    }

    // A repetition is never shorter than one block, so a looping empty song
    // cannot make the mixer spin.
    const size_t songFrames = std::max<size_t>((size_t)std::ceil(seconds * kRate), kBlockFrames);
    std::vector<uint8_t>& pcm = out->pcm;
    pcm.clear();
    pcm.reserve((songFrames + kRate / 2) * kBytesPerFrame);
    int16_t block[kBlockFrames * 2];
    size_t frames = 0;
    while (frames < songFrames) {
        int n = (int)std::min<size_t>(kBlockFrames, songFrames - frames);
        fluid_synth_write_s16(synth, n, block, 0, 2, block, 1, 2);
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(block);
        pcm.insert(pcm.end(), bytes, bytes + n * kBytesPerFrame);
        frames += n;
    }
    // Let the notes still sounding at the end ring out for a single pass.
    fluid_player_stop(player);
    fluid_synth_all_notes_off(synth, -1);
    for (int tail = 0; tail < kMaxTailFrames; tail += kBlockFrames) {
        fluid_synth_write_s16(synth, kBlockFrames, block, 0, 2, block, 1, 2);
        if (Peak(block, kBlockFrames * 2) <= kSilence) break;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(block);
        pcm.insert(pcm.end(), bytes, bytes + sizeof(block));
    }
    delete_fluid_player(player);
    fluid_synth_system_reset(synth);
    out->loopBytes = (uint32_t)(songFrames * kBytesPerFrame);
    return DecodeResult::Ok;
}

DecodeResult DecodeSampled(const uint8_t* data, size_t size, DecodedSound* out) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels)) return DecodeResult::NoMixer;
    if (rate != kRate || format != AUDIO_S16SYS || channels != 2) return DecodeResult::NoMixer;
    DecodeResult claims = std::memcmp(data, "RIFF", 4) == 0 ? CheckWaveClaims(data, size) : CheckOggClaims(data, size);
    if (claims != DecodeResult::Ok) return claims;
    // SDL2_mixer reads the file and converts it to the mixer's format. A WAVE
    // whose data ends early is a broken file, not a shorter sound.
    SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(data, (int)size), 1);
    if (!chunk) return DecodeResult::Corrupt;
    uint32_t usable = chunk->alen - chunk->alen % kBytesPerFrame;
    if (usable == 0) {
        Mix_FreeChunk(chunk);
        return DecodeResult::Corrupt;
    }
    out->pcm.assign(chunk->abuf, chunk->abuf + usable);
    out->loopBytes = usable;
    Mix_FreeChunk(chunk);
    return DecodeResult::Ok;
}

}  // namespace

DecodeResult DecodeSoundFile(const uint8_t* data, size_t size, DecodedSound* out) {
    if (size > (size_t)INT32_MAX) return DecodeResult::Corrupt;
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) return RenderMidi(data, size, out);
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0) {
        if (std::memcmp(data + 8, "WAVE", 4) == 0) return DecodeSampled(data, size, out);
        if (std::memcmp(data + 8, "RMID", 4) == 0) {
            // A MIDI file wrapped in RIFF: its "data" chunk holds the SMF.
            size_t pos = 12;
            while (size - pos >= 8) {
                uint32_t len = Le32(data + pos + 4);
                if (len > size - pos - 8) return DecodeResult::Corrupt;
                if (std::memcmp(data + pos, "data", 4) == 0) {
                    if (len < 4 || std::memcmp(data + pos + 8, "MThd", 4) != 0) return DecodeResult::Corrupt;
                    return RenderMidi(data + pos + 8, len, out);
                }
                pos += 8 + (size_t)len + (len & 1);
                if (pos > size) break;
            }
            return DecodeResult::Corrupt;
        }
        return DecodeResult::Unrecognised;
    }
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) return DecodeSampled(data, size, out);
    return DecodeResult::Unrecognised;
}

void ReleaseSynth() { g_synth.Clear(); }

void SetSoundFontPath(const char* path) {
    g_synth.Clear();
    g_useOverride = path != nullptr;
    g_soundFontOverride = path ? path : "";
}

}  // namespace sound_sdl
