// What a sound file says of itself, read without decoding it. Both platforms
// check a segment file this way before they take it: the real one then
// decodes it, the test platform only records it, so that a broken file fails
// in tests the way it fails for a player.
#include "platform/common/sound_scan.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace sound_scan {

namespace {

uint32_t Be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
uint16_t Be16(const uint8_t* p) { return (uint16_t)(p[0] << 8 | p[1]); }
uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
}
uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[1] << 8 | p[0]); }
uint64_t Le64(const uint8_t* p) { return (uint64_t)Le32(p + 4) << 32 | Le32(p); }

std::string Count(long long n, const char* unit) {
    return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
}

// In minutes and seconds, the seconds rounded up: a length past the limit
// never reads as the limit itself.
std::string Length(double seconds) {
    const long long whole = (long long)std::ceil(seconds < 1e15 ? seconds : 1e15);
    if (whole < 60) return Count(whole, "second");
    if (whole % 60 == 0) return Count(whole / 60, "minute");
    return Count(whole / 60, "minute") + " " + Count(whole % 60, "second");
}

bool LengthFits(double seconds, std::string* why) {
    if (seconds <= kMaxSoundSeconds) return true;
    if (why) *why = "about " + Length(seconds) + " long, longer than " + Length(kMaxSoundSeconds);
    return false;
}

bool ClaimsFit(uint32_t rate, uint32_t channels, double seconds, std::string* why) {
    std::string reason;
    if (rate < (uint32_t)kMinSampleRate)
        reason = std::to_string(rate) + " samples a second, fewer than " + std::to_string(kMinSampleRate);
    else if (rate > (uint32_t)kMaxSampleRate)
        reason = std::to_string(rate) + " samples a second, more than " + std::to_string(kMaxSampleRate);
    else if (channels == 0)
        reason = "no channels";
    else if (channels > (uint32_t)kMaxChannels)
        reason = std::to_string(channels) + " channels, more than " + std::to_string(kMaxChannels);
    else
        return LengthFits(seconds, why);
    if (why) *why = reason;
    return false;
}

}  // namespace

// A data chunk's size stands when the file holds that much. A size of 0 or
// 0xFFFFFFFF, or one past the end of a file whose RIFF size runs past it
// too (or is 0), is a stream's placeholder: the samples are the rest of the
// file, whole frames of it. A size past the end of a file whose RIFF size
// ends within it is a broken file, whose header contradicts itself; so is
// a data chunk without one whole frame.
bool FindWaveData(const uint8_t* data, size_t size, WaveData* out) {
    if (size < 12) return false;
    const uint32_t riffSize = Le32(data + 4);
    const bool streamed = riffSize == 0 || (uint64_t)riffSize + 8 > size;
    uint32_t blockAlign = 0;
    bool haveFormat = false;
    size_t pos = 12;
    while (size - pos >= 8) {
        const uint32_t len = Le32(data + pos + 4);
        const size_t body = pos + 8;
        if (std::memcmp(data + pos, "fmt ", 4) == 0 && !haveFormat) {
            if (std::min<size_t>(len, size - body) < 16) return false;
            blockAlign = Le16(data + body + 12);
            haveFormat = true;
        } else if (std::memcmp(data + pos, "data", 4) == 0) {
            if (!haveFormat) return false;
            const size_t held = size - body;
            out->sizeField = pos + 4;
            out->begin = body;
            const uint32_t frame = std::max<uint32_t>(blockAlign, 1);
            out->stated = len != 0 && len != 0xFFFFFFFF && len <= held;
            if (out->stated) {
                out->bytes = len;
            } else if (len == 0 || len == 0xFFFFFFFF || streamed) {
                out->bytes = (uint32_t)(held - held % frame);
            } else {
                return false;
            }
            return out->bytes >= frame;
        }
        pos = body + (size_t)len + (len & 1);
        if (pos > size) break;
    }
    return false;
}

// Checks what a RIFF WAVE file says of itself before the mixer decodes it:
// the first format chunk, as the mixer takes it, and the length of the
// samples the file holds. The length is bounded from their bytes: no format
// the mixer reads packs a sample into fewer than 4 bits.
ScanResult CheckWaveClaims(const uint8_t* data, size_t size, std::string* why) {
    uint32_t rate = 0, channels = 0, bits = 0;
    bool haveFormat = false;
    size_t pos = 12;
    while (!haveFormat && size - pos >= 8) {
        const uint32_t len = Le32(data + pos + 4);
        const size_t body = pos + 8;
        if (std::memcmp(data + pos, "fmt ", 4) == 0) {
            if (std::min<size_t>(len, size - body) < 16) return ScanResult::Corrupt;
            channels = Le16(data + body + 2);
            rate = Le32(data + body + 4);
            bits = Le16(data + body + 14);
            haveFormat = true;
        }
        pos = body + (size_t)len + (len & 1);
        if (pos > size) break;
    }
    if (!haveFormat) return ScanResult::Ok;  // the mixer will refuse it
    WaveData samples;
    double seconds = 0;
    if (rate && FindWaveData(data, size, &samples)) {
        const uint32_t perSample = std::max<uint32_t>(bits, 4);
        seconds = (double)samples.bytes * 8 / ((double)perSample * std::max<uint32_t>(channels, 1)) / rate;
    }
    return ClaimsFit(rate, channels, seconds, why) ? ScanResult::Ok : ScanResult::TooLarge;
}

namespace {

// Samples (at 48 kHz) that an Opus packet decodes to, from its first byte
// and, for a packet of several frames, its second.
uint32_t OpusPacketSamples(const uint8_t* p, long bytes) {
    if (bytes < 1) return 0;
    const int config = p[0] >> 3;
    uint32_t frame;
    if (config < 12) {
        static const uint32_t kSilk[4] = {480, 960, 1920, 2880};
        frame = kSilk[config & 3];
    } else if (config < 16) {
        frame = (config & 1) ? 960 : 480;
    } else {
        frame = 120u << (config & 3);
    }
    uint32_t frames = 1;
    if ((p[0] & 3) == 1 || (p[0] & 3) == 2) frames = 2;
    if ((p[0] & 3) == 3) frames = bytes >= 2 ? (p[1] & 0x3F) : 0;
    // No packet decodes to more than 120 ms.
    return std::min(frames * frame, 5760u);
}

// One logical stream of an Ogg file, as a decoder reads it packet by packet.
struct OggStream {
    ogg_stream_state state;
    enum class Codec { Unknown, Vorbis, Opus, Other } codec = Codec::Unknown;
    vorbis_info vorbis;
    vorbis_comment comment;
    int headers = 0;        // header packets read
    long lastBlock = 0;     // Vorbis: the previous audio packet's block size
    uint64_t samples = 0;   // decoded, at most
    uint32_t rate = 0;

    explicit OggStream(int serial) {
        ogg_stream_init(&state, serial);
        vorbis_info_init(&vorbis);
        vorbis_comment_init(&comment);
    }
    ~OggStream() {
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&vorbis);
        ogg_stream_clear(&state);
    }

    void Packet(ogg_packet& op) {
        const uint8_t* p = op.packet;
        if (codec == Codec::Unknown) {
            if (op.bytes >= 7 && std::memcmp(p, "\x01vorbis", 7) == 0) codec = Codec::Vorbis;
            else if (op.bytes >= 8 && std::memcmp(p, "OpusHead", 8) == 0) codec = Codec::Opus;
            else codec = Codec::Other;
        }
        if (codec == Codec::Vorbis) {
            if (headers < 3) {
                if (vorbis_synthesis_headerin(&vorbis, &comment, &op) != 0) {
                    codec = Codec::Other;  // the decoder cannot read it either
                    return;
                }
                rate = (uint32_t)vorbis.rate;
                ++headers;
                return;
            }
            // Each audio packet ends the overlap of its block with the one
            // before: a quarter of each; the first gives nothing.
            long block = vorbis_packet_blocksize(&vorbis, &op);
            if (block <= 0) return;
            if (lastBlock > 0) Decoded(op, (uint64_t)(lastBlock / 4 + block / 4));
            lastBlock = block;
        } else if (codec == Codec::Opus) {
            rate = 48000;
            if (headers < 2) {  // OpusHead, then OpusTags
                ++headers;
                return;
            }
            Decoded(op, OpusPacketSamples(p, op.bytes));
        }
    }

    // The stream's last packet ends where its granule position says, when
    // that is sooner: the decoder drops the rest of that packet, and no
    // more than that, whatever the position claims.
    void Decoded(const ogg_packet& op, uint64_t packetSamples) {
        samples += packetSamples;
        if (op.e_o_s && op.granulepos >= 0 && samples > (uint64_t)op.granulepos)
            samples -= std::min(samples - (uint64_t)op.granulepos, packetSamples);
    }

    double Seconds() const { return rate ? (double)samples / rate : 0; }
};

// Logical streams side by side: a sound has one, perhaps with a skeleton or
// a picture beside it. Each costs about 30 KB while it is read, so a file
// of nothing but first pages is refused rather than read into gigabytes.
constexpr size_t kMaxOggStreams = 16;

// The longest an Ogg file can decode to, in seconds, counted from its
// packets: every logical stream, chained or side by side, as if all played;
// -1 for a file of more than kMaxOggStreams streams side by side. The
// granule positions a file writes of itself may lie; the packets are what a
// decoder turns into samples.
double OggDecodedSeconds(const uint8_t* data, size_t size) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    std::map<int, std::unique_ptr<OggStream>> streams;
    double seconds = 0;
    bool beginning = true;  // only streams' first pages so far: more may begin side by side
    size_t fed = 0;
    ogg_page page;
    ogg_packet op;
    for (;;) {
        int got = ogg_sync_pageout(&sync, &page);
        if (got < 0) continue;  // a hole: the decoder skips it too
        if (got == 0) {
            if (fed == size) break;
            const size_t piece = std::min<size_t>(size - fed, 1 << 16);
            char* buffer = ogg_sync_buffer(&sync, (long)piece);
            if (!buffer) break;
            std::memcpy(buffer, data + fed, piece);
            ogg_sync_wrote(&sync, (long)piece);
            fed += piece;
            continue;
        }
        const int serial = ogg_page_serialno(&page);
        if (ogg_page_bos(&page) && !beginning) {
            // Streams that begin after others have carried data are the next
            // link of a chain: what came before has ended, as the decoder sees it.
            for (auto& entry : streams) seconds += entry.second->Seconds();
            streams.clear();
            beginning = true;
        }
        if (!ogg_page_bos(&page)) beginning = false;
        auto it = streams.find(serial);
        if (it == streams.end()) {
            if (!ogg_page_bos(&page)) continue;  // no stream began with this serial
            if (streams.size() == kMaxOggStreams) {
                seconds = -1;
                streams.clear();
                break;
            }
            it = streams.emplace(serial, std::make_unique<OggStream>(serial)).first;
        }
        OggStream& stream = *it->second;
        ogg_stream_pagein(&stream.state, &page);
        for (int out; (out = ogg_stream_packetout(&stream.state, &op)) != 0;) {
            if (out > 0) {
                stream.Packet(op);
            } else {
                stream.lastBlock = 0;  // a hole: the overlap starts again, as in the decoder
            }
        }
        if (ogg_page_eos(&page)) {
            // A stream that ended may be followed by another of the same
            // serial, chained after it.
            seconds += stream.Seconds();
            streams.erase(it);
        }
    }
    for (auto& entry : streams) seconds += entry.second->Seconds();
    ogg_sync_clear(&sync);
    return seconds;
}

}  // namespace

const uint8_t* FirstOggSoundHeader(const uint8_t* data, size_t size, size_t* bytes) {
    size_t page = 0;
    while (size - page >= 27 && std::memcmp(data + page, "OggS", 4) == 0 && (data[page + 5] & 0x02)) {
        const size_t segments = data[page + 26];
        if (size - page < 27 + segments) break;
        const uint8_t* packet = data + page + 27 + segments;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += data[page + 27 + i];
        const size_t left = std::min(body, size - page - 27 - segments);
        if (left >= 16 && (std::memcmp(packet, "\x01vorbis", 7) == 0 || std::memcmp(packet, "OpusHead", 8) == 0)) {
            *bytes = left;
            return packet;
        }
        if (left < body) break;  // the page runs past the file's end
        page += 27 + segments + body;
    }
    return nullptr;
}

// The same for Ogg: the rate and channels of the Vorbis or Opus header, and
// the length that the last page's granule position gives or, when longer,
// the length that the packets decode to.
ScanResult CheckOggClaims(const uint8_t* data, size_t size, std::string* why) {
    // A file with no such stream is left to the decoder, which refuses it.
    size_t left = 0;
    const uint8_t* packet = FirstOggSoundHeader(data, size, &left);
    if (!packet) return ScanResult::Ok;
    uint32_t rate = 0, channels = 0, granuleRate = 0;
    if (left >= 16 && std::memcmp(packet, "\x01vorbis", 7) == 0) {
        channels = packet[11];
        rate = granuleRate = Le32(packet + 12);
    } else if (left >= 16 && std::memcmp(packet, "OpusHead", 8) == 0) {
        channels = packet[9];
        rate = granuleRate = 48000;  // Opus always decodes at 48 kHz
    } else {
        return ScanResult::Ok;
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
    if (!ClaimsFit(rate, channels, seconds, why)) return ScanResult::TooLarge;
    const double decoded = OggDecodedSeconds(data, size);
    if (decoded < 0) {
        if (why) *why = "more than " + std::to_string(kMaxOggStreams) + " streams side by side";
        return ScanResult::TooLarge;
    }
    return LengthFits(decoded, why) ? ScanResult::Ok : ScanResult::TooLarge;
}

namespace {

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

// The meta events of one fixed length; FluidSynth refuses a song in which
// one has another length, when it comes to play it.
bool MetaLengthFits(uint8_t type, uint32_t len) {
    switch (type) {
    case 0x2F: return len == 0;  // end of track
    case 0x51: return len == 3;  // tempo
    case 0x54: return len == 5;  // SMPTE offset
    case 0x58: return len == 4;  // time signature
    case 0x59: return len == 2;  // key signature
    default: return true;
    }
}

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
            if (!ReadVarLen(data, end, &pos, &len) || len > end - pos || !MetaLengthFits(type, len)) return false;
            if (type == 0x51 && len == 3) {
                uint32_t us = (uint32_t)data[pos] << 16 | (uint32_t)data[pos + 1] << 8 | data[pos + 2];
                if (us == 0) return false;
                tempos->push_back({tick, us});
            }
            pos += len;
            running = 0;
            if (type == 0x2F) break;  // end of track
        } else if (status == 0xF0) {
            uint32_t len;
            if (!ReadVarLen(data, end, &pos, &len) || len > end - pos) return false;
            pos += len;
            running = 0;
        } else if (status >= 0xF0) {
            // Real-time and common messages have no place in a file, and
            // FluidSynth cannot play the escapes (F7) that would carry them.
            return false;
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
    // A longer header would be allowed, but FluidSynth plays none.
    if (headerLen != 6 || headerLen > size - 8) return false;
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
        // Chunk names are ASCII: anything else is a broken file.
        for (int i = 0; i < 4; ++i) {
            if (data[pos + i] & 0x80) return false;
        }
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

ScanResult ScanSoundFile(const uint8_t* data, size_t size, std::string* why)
{
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) {
        double seconds = 0;
        if (!ScanMidiFile(data, size, &seconds)) return ScanResult::Corrupt;
        return LengthFits(seconds, why) ? ScanResult::Ok : ScanResult::TooLarge;
    }
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0) {
        if (std::memcmp(data + 8, "WAVE", 4) == 0) {
            ScanResult claims = CheckWaveClaims(data, size, why);
            if (claims != ScanResult::Ok) return claims;
            WaveData samples;
            return FindWaveData(data, size, &samples) ? ScanResult::Ok : ScanResult::Corrupt;
        }
        if (std::memcmp(data + 8, "RMID", 4) == 0) {
            size_t pos = 12;
            while (size - pos >= 8) {
                uint32_t len = Le32(data + pos + 4);
                if (len > size - pos - 8) return ScanResult::Corrupt;
                if (std::memcmp(data + pos, "data", 4) == 0) return ScanSoundFile(data + pos + 8, len, why);
                pos += 8 + (size_t)len + (len & 1);
                if (pos > size) break;
            }
            return ScanResult::Corrupt;
        }
        return ScanResult::Unrecognised;
    }
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) return CheckOggClaims(data, size, why);
    return ScanResult::Unrecognised;
}

}  // namespace sound_scan
