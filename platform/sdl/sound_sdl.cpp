// The DirectMusic calls of the game on SDL2_mixer. Every segment becomes PCM
// in one buffer (sampled sound when it is loaded, MIDI on the render workers
// from then on), so a play is only a mixer channel starting on that buffer.
// Channel 0 is reserved for the primary segment (music), the others mix
// secondary segments (effects) over it.
#include <SDL.h>
#include <SDL_mixer.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/code_page.h"
#include "platform/common/file_read.h"
#include "platform/dmusic.h"
#include "platform/sdl/sound_sdl.h"

using namespace sound_sdl;

namespace {

constexpr int kChannels = 32;
constexpr int kPrimaryChannel = 0;
constexpr int kEffectGroup = 1;
// Sound files larger than this are not game sounds.
constexpr off_t kMaxFileBytes = sound_scan::kMaxSoundFileBytes;

struct Segment : IDirectMusicSegment8 {
    FileIdentity key;
    DecodedSound sound;
    Mix_Chunk once{};  // one pass, with the ring-out tail
    Mix_Chunk loop{};  // one repetition
    DWORD repeats = 0;
    ULONG refs = 1;
};

struct AudioPath : IDirectMusicAudioPath8 {
    ULONG refs = 1;
};

struct Performance : IDirectMusicPerformance8 {
    ULONG refs = 1;
    bool inited = false;
    Segment* playing[kChannels] = {};
};

struct Loader : IDirectMusicLoader8 {
    ULONG refs = 1;
    std::string directory;  // for messages
    int directoryFd = -1;   // files are opened from here: the joined path may be too long
    ~Loader() {
        if (directoryFd >= 0) close(directoryFd);
    }
};

void CloseMixer();

// Decoded segments stay here, one per file version, until the process ends:
// a segment that the game drops from its slot may still be sounding, and a
// later load of the same unchanged file answers with the same segment.
struct SoundState {
    std::vector<std::unique_ptr<Segment>> segments;
    std::vector<Performance*> performances;
    Performance* mixerOwner = nullptr;
    CacheStats stats;
    // The render workers stop before the buffers they write go: the pool,
    // made after this, ends first, and a sound still waiting for its render
    // takes itself off the pool's list as it goes.
    ~SoundState() { CloseMixer(); }
};

SoundState& State() {
    static SoundState state;
    return state;
}

void CloseMixer() {
    SoundState& s = State();
    if (!s.mixerOwner) return;
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s.mixerOwner->inited = false;
    s.mixerOwner = nullptr;
}

Segment* FindSegment(const IUnknown* object) {
    if (!object) return nullptr;
    for (const auto& seg : State().segments) {
        if (static_cast<const IUnknown*>(seg.get()) == object) return seg.get();
    }
    return nullptr;
}

Performance* FindPerformance(const IUnknown* object) {
    if (!object) return nullptr;
    for (Performance* perf : State().performances) {
        if (static_cast<const IUnknown*>(perf) == object) return perf;
    }
    return nullptr;
}

Segment* Impl(IDirectMusicSegment8* p) { return static_cast<Segment*>(p); }
Performance* Impl(IDirectMusicPerformance8* p) { return static_cast<Performance*>(p); }
Loader* Impl(IDirectMusicLoader8* p) { return static_cast<Loader*>(p); }
AudioPath* Impl(IDirectMusicAudioPath8* p) { return static_cast<AudioPath*>(p); }

void SetChunk(Mix_Chunk* chunk, uint8_t* pcm, uint32_t bytes) {
    chunk->allocated = 0;  // the buffer belongs to the segment, not the mixer
    chunk->abuf = pcm;
    chunk->alen = bytes;
    chunk->volume = MIX_MAX_VOLUME;
}

// Opens the mixer on the device SDL picks. A machine that can play no sound
// (a container, a remote desktop, a virtual machine without audio) still
// plays the game, silently, on SDL's dummy output: every sound loads and
// plays there as it would on a card.
bool OpenMixer() {
    // No changes allowed: every decoded sound is in exactly this format, and
    // SDL converts for the device if it needs to.
    auto open = [] { return Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, 2, 1024, nullptr, 0) == 0; };
    std::string why;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        why = SDL_GetError();
    } else if (open()) {
        return true;
    } else {
        why = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // Above the player's own SDL_AUDIODRIVER, for this one start only.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const bool silent = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (silent && open()) {
        fprintf(stderr, "no sound device (%s): the game plays without sound\n", why.c_str());
        fflush(stderr);
        return true;
    }
    fprintf(stderr, "audio: %s; no silent output either: %s\n", why.c_str(), silent ? Mix_GetError() : SDL_GetError());
    if (silent) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

}  // namespace

// ---- creation ---------------------------------------------------------------

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD, REFIID interfaceId, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return E_NOINTERFACE;
    if (classId == CLSID_DirectMusicPerformance && interfaceId == IID_IDirectMusicPerformance8) {
        Performance* perf = new Performance;
        State().performances.push_back(perf);
        *object = static_cast<IDirectMusicPerformance8*>(perf);
        return S_OK;
    }
    if (classId == CLSID_DirectMusicLoader && interfaceId == IID_IDirectMusicLoader8) {
        *object = static_cast<IDirectMusicLoader8*>(new Loader);
        return S_OK;
    }
    return E_NOINTERFACE;
}

// ---- performance ------------------------------------------------------------

HRESULT IDirectMusicPerformance8::InitAudio(IDirectMusic**, IDirectSound**, HWND, DWORD, DWORD, DWORD,
                                            DMUS_AUDIOPARAMS*) {
    Performance* self = Impl(this);
    SoundState& s = State();
    if (self->inited) return DMUS_E_ALREADY_INITED;
    if (s.mixerOwner) return E_FAIL;  // one performance holds the device
    if (!OpenMixer()) return E_FAIL;
    Mix_AllocateChannels(kChannels);
    Mix_ReserveChannels(1);  // channel 0 only plays when asked for by number
    Mix_GroupChannels(1, kChannels - 1, kEffectGroup);
    self->inited = true;
    std::fill(std::begin(self->playing), std::end(self->playing), nullptr);
    s.mixerOwner = self;
    SoundFontUsable();
    return S_OK;
}

HRESULT IDirectMusicPerformance8::GetDefaultAudioPath(IDirectMusicAudioPath8** audioPath) {
    if (!audioPath) return E_POINTER;
    *audioPath = nullptr;
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    *audioPath = new AudioPath;
    return S_OK;
}

HRESULT IDirectMusicPerformance8::CreateStandardAudioPath(DWORD type, DWORD, BOOL,
                                                          IDirectMusicAudioPath8** audioPath) {
    if (!audioPath) return E_POINTER;
    *audioPath = nullptr;
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    if (type != DMUS_APATH_DYNAMIC_STEREO) return E_FAIL;
    *audioPath = new AudioPath;
    return S_OK;
}

HRESULT IDirectMusicPerformance8::SetGlobalParam(REFGUID param, void* data, DWORD size) {
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    if (param != GUID_PerfMasterVolume || !data || size != sizeof(LONG)) return E_FAIL;
    // Hundredths of a decibel, 0 at full volume; the mixer's scale is linear.
    LONG centiBels = *static_cast<const LONG*>(data);
    double gain = centiBels >= 0 ? 1.0 : SDL_pow(10.0, centiBels / 2000.0);
    Mix_MasterVolume((int)(gain * MIX_MAX_VOLUME + 0.5));
    return S_OK;
}

HRESULT IDirectMusicPerformance8::PlaySegmentEx(IUnknown* source, WCHAR*, IUnknown*, DWORD flags, int64_t,
                                                IDirectMusicSegmentState** segmentState, IUnknown*, IUnknown*) {
    Performance* self = Impl(this);
    if (segmentState) *segmentState = nullptr;
    if (!self->inited) return DMUS_E_NOT_INIT;
    Segment* seg = FindSegment(source);
    if (!seg) return E_POINTER;  // an empty slot plays nothing

    PrepareToPlay(seg->sound);
    if (seg->sound.finished && !seg->sound.failed) {
        // Now known: where a song's ring-out ends, how long a WAVE became.
        seg->once.alen = seg->sound.ready;
        seg->loop.alen = seg->sound.loopBytes;
    }
    Mix_Chunk* chunk = seg->repeats == 0 ? &seg->once : &seg->loop;
    int loops = seg->repeats == DMUS_SEG_REPEAT_INFINITE ? -1 : (int)std::min<DWORD>(seg->repeats, 0x7FFFFFFF);
    int channel;
    if (flags & DMUS_SEGF_SECONDARY) {
        channel = Mix_PlayChannel(-1, chunk, loops);
        if (channel < 0) {
            // Every effect channel is busy: the oldest effect makes room.
            int oldest = Mix_GroupOldest(kEffectGroup);
            if (oldest < 0) return E_FAIL;
            channel = Mix_PlayChannel(oldest, chunk, loops);
        }
    } else {
        channel = Mix_PlayChannel(kPrimaryChannel, chunk, loops);
    }
    if (channel < 0 || channel >= kChannels) return E_FAIL;
    self->playing[channel] = seg;
    return S_OK;
}

HRESULT IDirectMusicPerformance8::Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) {
    Performance* self = Impl(this);
    if (!self->inited) return DMUS_E_NOT_INIT;
    if (segment) return StopEx(segment, 0, 0);
    Mix_HaltChannel(-1);
    std::fill(std::begin(self->playing), std::end(self->playing), nullptr);
    return S_OK;
}

HRESULT IDirectMusicPerformance8::StopEx(IUnknown* segmentOrState, int64_t, DWORD) {
    Performance* self = Impl(this);
    if (!self->inited) return DMUS_E_NOT_INIT;
    Segment* seg = FindSegment(segmentOrState);
    if (!seg) return E_POINTER;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (self->playing[ch] == seg) {
            Mix_HaltChannel(ch);
            self->playing[ch] = nullptr;
        }
    }
    return S_OK;
}

HRESULT IDirectMusicPerformance8::CloseDown() {
    Performance* self = Impl(this);
    if (State().mixerOwner == self) CloseMixer();
    self->inited = false;
    ReleaseSynth();
    return S_OK;
}

ULONG IDirectMusicPerformance8::Release() {
    Performance* self = Impl(this);
    if (self->refs == 0) return 0;
    if (--self->refs > 0) return self->refs;
    // Released without closing down: the mixer must not outlive its owner.
    if (State().mixerOwner == self) CloseMixer();
    auto& list = State().performances;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    delete self;
    return 0;
}

// ---- audio path ---------------------------------------------------------------

ULONG IDirectMusicAudioPath8::Release() {
    AudioPath* self = Impl(this);
    if (--self->refs > 0) return self->refs;
    delete self;
    return 0;
}

// ---- loader -------------------------------------------------------------------

HRESULT IDirectMusicLoader8::SetSearchDirectory(REFGUID objectClass, WCHAR* path, BOOL) {
    if (objectClass != GUID_DirectMusicAllTypes && objectClass != CLSID_DirectMusicSegment) return E_FAIL;
    if (!path || !*path) return E_POINTER;
    std::string dir = NarrowFromWide(path);
    int fd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return E_FAIL;
    Loader* self = Impl(this);
    if (self->directoryFd >= 0) close(self->directoryFd);
    self->directoryFd = fd;
    self->directory = dir;
    return S_OK;
}

namespace {

const char kNoSoundFont[] = "no General MIDI SoundFont that loads";

// A song's render needs the SoundFont, which a worker loads: the load that
// reports its failures waits for the verdict, so that a SoundFont that does
// not load fails the load, not the render later. The segment stays cached
// either way; its render fails, and the next load decodes the file again.
Segment* Usable(Segment* seg, const std::string& path, bool report, HRESULT* result) {
    if (!report || !seg->sound.song || SoundFontUsable()) return seg;
    ReportLoadFailure(path.c_str(), kNoSoundFont);
    *result = DMUS_E_UNSUPPORTED_STREAM;
    return nullptr;
}

// The cached segment for the file, or a new one decoded from it (nullptr,
// with the failure in *result, when it cannot be). A failure is reported
// only when report is set: a prefetch leaves that to the load.
Segment* FindOrDecode(const std::string& relative, const Loader* loader, bool report, HRESULT* result) {
    std::string path = relative;
    int dirFd = AT_FDCWD;
    const char* openPath = relative.c_str();
    if (path[0] != '/' && loader && loader->directoryFd >= 0) {
        path = loader->directory + "/" + path;
        dirFd = loader->directoryFd;
    }

    SoundState& s = State();
    FileIdentity key;
    std::vector<uint8_t> bytes;
    std::string why;
    *result = DMUS_E_LOADER_FAILEDOPEN;
    if (!IdentifyFileAt(dirFd, openPath, kMaxFileBytes, &key, &why)) {
        if (report) ReportLoadFailure(path.c_str(), why);
        return nullptr;
    }
    for (const auto& seg : s.segments) {
        if (seg->key == key && !seg->sound.failed) return Usable(seg.get(), path, report, result);
    }

    if (!ReadWholeFileAt(dirFd, openPath, kMaxFileBytes, &key, &bytes, &why)) {
        if (report) ReportLoadFailure(path.c_str(), why);
        return nullptr;
    }
    auto seg = std::make_unique<Segment>();
    DecodeResult decoded = DecodeSoundFile(bytes.data(), bytes.size(), &seg->sound);
    if (decoded != DecodeResult::Ok) {
        static const char* const kWhy[] = {
            "ok", "not a sound file", "a broken sound file", kNoSoundFont, "a sound beyond the limits"};
        why = kWhy[(int)decoded];
        std::string limit;
        // The scan names the limit that the decode's own check found passed.
        if (decoded == DecodeResult::TooLarge && sound_scan::ScanSoundFile(bytes.data(), bytes.size(), &limit) ==
                                                     sound_scan::ScanResult::TooLarge) {
            why += ": " + limit;
        }
        if (report) ReportLoadFailure(path.c_str(), why);
        *result = DMUS_E_UNSUPPORTED_STREAM;
        return nullptr;
    }
    seg->key = key;
    seg->refs = 0;  // the cache's own: a load takes a reference
    // Until its render ends, a single pass plays the whole buffer: the part
    // after the ring-out is silence either way.
    SetChunk(&seg->once, seg->sound.pcm.get(), seg->sound.finished ? seg->sound.ready.load() : seg->sound.capacity);
    SetChunk(&seg->loop, seg->sound.pcm.get(), seg->sound.loopBytes);
    ++s.stats.decoded;
    s.segments.push_back(std::move(seg));
    return Usable(s.segments.back().get(), path, report, result);
}

}  // namespace

HRESULT IDirectMusicLoader8::LoadObjectFromFile(REFGUID objectClass, REFIID interfaceId, WCHAR* filePath,
                                                void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (objectClass != CLSID_DirectMusicSegment || interfaceId != IID_IDirectMusicSegment8) return E_NOINTERFACE;
    if (!filePath || !*filePath) return E_POINTER;

    SoundState& s = State();
    const int decodedBefore = s.stats.decoded;
    HRESULT result;
    Segment* seg = FindOrDecode(NarrowFromWide(filePath), Impl(this), true, &result);
    if (!seg) return result;
    if (s.stats.decoded == decodedBefore) ++s.stats.reused;
    ++seg->refs;
    *object = static_cast<IDirectMusicSegment8*>(seg);
    return S_OK;
}

void PrefetchSegmentFiles(IDirectMusicLoader8* loader, const char* const* files, int count) {
    if (!files) return;
    const Loader* self = loader ? Impl(loader) : nullptr;
    HRESULT result;
    for (int i = 0; i < count; ++i) {
        if (files[i] && *files[i]) FindOrDecode(files[i], self, false, &result);
    }
}

ULONG IDirectMusicLoader8::Release() {
    Loader* self = Impl(this);
    if (--self->refs > 0) return self->refs;
    delete self;
    return 0;
}

// ---- segment ------------------------------------------------------------------

HRESULT IDirectMusicSegment8::SetRepeats(DWORD repeats) {
    Impl(this)->repeats = repeats;
    return S_OK;
}

// Instruments live in the decoded sound already; only the target is checked.
HRESULT IDirectMusicSegment8::Download(IUnknown* audioPathOrPerformance) {
    return FindPerformance(audioPathOrPerformance) ? S_OK : E_POINTER;
}

HRESULT IDirectMusicSegment8::Unload(IUnknown* audioPathOrPerformance) {
    return FindPerformance(audioPathOrPerformance) ? S_OK : E_POINTER;
}

// The decoded sound stays cached for a later load of the same file; it is
// freed when the process ends, after the mixer has closed.
ULONG IDirectMusicSegment8::Release() {
    Segment* self = Impl(this);
    if (self->refs > 0) --self->refs;
    return self->refs;
}

// ---- hooks for tests and the benchmark ----------------------------------------

namespace sound_sdl {

bool GetSegmentInfo(IDirectMusicSegment8* segment, SegmentInfo* info) {
    Segment* seg = FindSegment(segment);
    if (!seg || !info) return false;
    *info = SegmentInfo{};
    WaitUntilRendered(seg->sound);
    const uint32_t bytes = seg->sound.ready;
    info->frames = bytes / kBytesPerFrame;
    info->loopFrames = seg->sound.loopBytes / kBytesPerFrame;
    const int16_t* samples = reinterpret_cast<const int16_t*>(seg->sound.pcm.get());
    for (size_t i = 0; i < bytes / 2; ++i) info->peak = std::max(info->peak, std::abs((int)samples[i]));
    Performance* perf = State().mixerOwner;
    if (perf) {
        for (int ch = 0; ch < kChannels; ++ch) {
            if (perf->playing[ch] == seg && Mix_Playing(ch)) {
                ++info->playing;
                if (ch == kPrimaryChannel) info->primary = true;
            }
        }
    }
    return true;
}

int EffectChannelsPlaying() {
    if (!State().mixerOwner) return 0;
    int count = 0;
    for (int ch = 1; ch < kChannels; ++ch) count += Mix_Playing(ch) ? 1 : 0;
    return count;
}

CacheStats GetCacheStats() { return State().stats; }

const DecodedSound* SegmentSound(IDirectMusicSegment8* segment) {
    Segment* seg = FindSegment(segment);
    return seg ? &seg->sound : nullptr;
}

}  // namespace sound_sdl
