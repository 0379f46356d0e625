// The DirectMusic calls on a recorder; see headless_sound.h.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/common/code_page.h"
#include "platform/common/file_read.h"
#include "platform/common/sound_scan.h"
#include "platform/dmusic.h"
#include "platform/headless/headless_sound.h"

using namespace headless_sound;

namespace {

struct Segment : IDirectMusicSegment8 {
    std::string file;
    DWORD repeats = 0;
    ULONG refs = 1;
};

struct AudioPath : IDirectMusicAudioPath8 {
    ULONG refs = 1;
};

struct Performance : IDirectMusicPerformance8 {
    ULONG refs = 1;
    bool inited = false;
    int pathsCreated = 0;
};

struct Loader : IDirectMusicLoader8 {
    ULONG refs = 1;
    std::string directory;
};

struct Recorder {
    std::vector<Event> events;
    std::set<Fail> failing;
    std::set<std::string> failingFiles;
    bool acceptMissing = false;
    std::string primary;
    std::vector<std::string> secondaries;
    // Every segment ever loaded, kept to the end of the process: the game may
    // drop a segment from its slot without releasing it.
    std::vector<std::unique_ptr<Segment>> segments;
    std::vector<Performance*> performances;
    // Room made up front: recording a play during stage play must not
    // allocate, or the tests that count the game's allocations would count
    // the recorder's whenever a frame plays more than any frame before.
    Recorder() {
        events.reserve(4096);
        secondaries.reserve(4096);
    }
};

Recorder& R() {
    static Recorder recorder;
    return recorder;
}

bool Failing(Fail step) { return R().failing.count(step) != 0; }

void Record(Op op, const std::string& file = "", bool ok = true, bool secondary = false, DWORD repeats = 0) {
    Event e;
    e.op = op;
    e.file = file;
    e.ok = ok;
    e.secondary = secondary;
    e.repeats = repeats;
    R().events.push_back(e);
}

Segment* FindSegment(const IUnknown* object) {
    if (!object) return nullptr;
    for (const auto& seg : R().segments) {
        if (static_cast<const IUnknown*>(seg.get()) == object) return seg.get();
    }
    return nullptr;
}

bool IsPerformance(const IUnknown* object) {
    for (Performance* perf : R().performances) {
        if (object && static_cast<const IUnknown*>(perf) == object) return true;
    }
    return false;
}

Segment* Impl(IDirectMusicSegment8* p) { return static_cast<Segment*>(p); }
Performance* Impl(IDirectMusicPerformance8* p) { return static_cast<Performance*>(p); }
Loader* Impl(IDirectMusicLoader8* p) { return static_cast<Loader*>(p); }
AudioPath* Impl(IDirectMusicAudioPath8* p) { return static_cast<AudioPath*>(p); }

void ForgetSecondaries(const std::string& file) {
    auto& list = R().secondaries;
    list.erase(std::remove(list.begin(), list.end(), file), list.end());
}

std::string Describe(const Event& e) {
    switch (e.op) {
        case Op::InitAudio: return "init audio";
        case Op::Load: return (e.ok ? "load " : "load-failed ") + e.file;
        case Op::SetRepeats:
            return "repeats " + e.file + " " +
                   (e.repeats == DMUS_SEG_REPEAT_INFINITE ? std::string("forever") : std::to_string(e.repeats));
        case Op::Download: return "download " + e.file;
        case Op::Play: {
            std::string how = e.repeats == 0 ? "once"
                              : e.repeats == DMUS_SEG_REPEAT_INFINITE ? "loop"
                                                                      : "repeat " + std::to_string(e.repeats);
            return "play " + e.file + (e.secondary ? " secondary " : " primary ") + how;
        }
        case Op::StopAll: return "stop all";
        case Op::StopOne: return "stop " + e.file;
        case Op::Unload: return "unload " + e.file;
        case Op::ReleaseSegment: return "release " + e.file;
        case Op::ReleaseAudioPath: return "release audiopath";
        case Op::ReleaseLoader: return "release loader";
        case Op::CloseDown: return "close down";
        case Op::ReleasePerformance: return "release performance";
    }
    return "?";
}

}  // namespace

// ---- code page ----------------------------------------------------------------

// ---- creation -------------------------------------------------------------------

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD, REFIID interfaceId, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return E_NOINTERFACE;
    if (classId == CLSID_DirectMusicPerformance && interfaceId == IID_IDirectMusicPerformance8) {
        if (Failing(Fail::CreatePerformance)) return E_FAIL;
        Performance* perf = new Performance;
        R().performances.push_back(perf);
        *object = static_cast<IDirectMusicPerformance8*>(perf);
        return S_OK;
    }
    if (classId == CLSID_DirectMusicLoader && interfaceId == IID_IDirectMusicLoader8) {
        if (Failing(Fail::CreateLoader)) return E_FAIL;
        *object = static_cast<IDirectMusicLoader8*>(new Loader);
        return S_OK;
    }
    return E_NOINTERFACE;
}

// ---- performance ----------------------------------------------------------------

HRESULT IDirectMusicPerformance8::InitAudio(IDirectMusic**, IDirectSound**, HWND, DWORD, DWORD, DWORD,
                                            DMUS_AUDIOPARAMS*) {
    if (Failing(Fail::InitAudio)) return E_FAIL;
    Performance* self = Impl(this);
    if (self->inited) return DMUS_E_ALREADY_INITED;
    self->inited = true;
    Record(Op::InitAudio);
    return S_OK;
}

HRESULT IDirectMusicPerformance8::GetDefaultAudioPath(IDirectMusicAudioPath8** audioPath) {
    if (!audioPath) return E_POINTER;
    *audioPath = nullptr;
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    if (Failing(Fail::GetDefaultAudioPath)) return E_FAIL;
    *audioPath = new AudioPath;
    return S_OK;
}

HRESULT IDirectMusicPerformance8::CreateStandardAudioPath(DWORD, DWORD, BOOL, IDirectMusicAudioPath8** audioPath) {
    if (!audioPath) return E_POINTER;
    *audioPath = nullptr;
    Performance* self = Impl(this);
    if (!self->inited) return DMUS_E_NOT_INIT;
    int which = ++self->pathsCreated;
    if ((which == 1 && Failing(Fail::CreateAudioPath1)) || (which == 2 && Failing(Fail::CreateAudioPath2))) {
        return E_FAIL;
    }
    *audioPath = new AudioPath;
    return S_OK;
}

HRESULT IDirectMusicPerformance8::SetGlobalParam(REFGUID param, void* data, DWORD size) {
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    if (Failing(Fail::SetGlobalParam) || param != GUID_PerfMasterVolume || !data || size != sizeof(LONG)) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT IDirectMusicPerformance8::PlaySegmentEx(IUnknown* source, WCHAR*, IUnknown*, DWORD flags, int64_t,
                                                IDirectMusicSegmentState** segmentState, IUnknown*, IUnknown*) {
    if (segmentState) *segmentState = nullptr;
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    Segment* seg = FindSegment(source);
    if (!seg) return E_POINTER;
    bool secondary = (flags & DMUS_SEGF_SECONDARY) != 0;
    Record(Op::Play, seg->file, true, secondary, seg->repeats);
    if (secondary) {
        R().secondaries.push_back(seg->file);
    } else {
        R().primary = seg->file;
    }
    return S_OK;
}

HRESULT IDirectMusicPerformance8::Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) {
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    if (Failing(Fail::Stop)) return E_FAIL;
    if (segment) return StopEx(segment, 0, 0);
    Record(Op::StopAll);
    R().primary.clear();
    R().secondaries.clear();
    return S_OK;
}

HRESULT IDirectMusicPerformance8::StopEx(IUnknown* segmentOrState, int64_t, DWORD) {
    if (!Impl(this)->inited) return DMUS_E_NOT_INIT;
    Segment* seg = FindSegment(segmentOrState);
    if (!seg) return E_POINTER;
    Record(Op::StopOne, seg->file);
    if (R().primary == seg->file) R().primary.clear();
    ForgetSecondaries(seg->file);
    return S_OK;
}

HRESULT IDirectMusicPerformance8::CloseDown() {
    if (Failing(Fail::CloseDown)) return E_FAIL;
    Impl(this)->inited = false;
    Record(Op::CloseDown);
    R().primary.clear();
    R().secondaries.clear();
    return S_OK;
}

ULONG IDirectMusicPerformance8::Release() {
    Performance* self = Impl(this);
    if (--self->refs > 0) return self->refs;
    Record(Op::ReleasePerformance);
    auto& list = R().performances;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    delete self;
    return 0;
}

ULONG IDirectMusicAudioPath8::Release() {
    AudioPath* self = Impl(this);
    if (--self->refs > 0) return self->refs;
    Record(Op::ReleaseAudioPath);
    delete self;
    return 0;
}

// ---- loader -----------------------------------------------------------------------

HRESULT IDirectMusicLoader8::SetSearchDirectory(REFGUID objectClass, WCHAR* path, BOOL) {
    if (Failing(Fail::SetSearchDirectory) || objectClass != GUID_DirectMusicAllTypes || !path) return E_FAIL;
    Impl(this)->directory = NarrowFromWide(path);
    return S_OK;
}

HRESULT IDirectMusicLoader8::LoadObjectFromFile(REFGUID objectClass, REFIID interfaceId, WCHAR* filePath,
                                                void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (objectClass != CLSID_DirectMusicSegment || interfaceId != IID_IDirectMusicSegment8 || !filePath) {
        return E_NOINTERFACE;
    }
    std::string file = NarrowFromWide(filePath);
    std::string path = file;
    const std::string& dir = Impl(this)->directory;
    if (!path.empty() && path[0] != '/' && !dir.empty()) path = dir + "/" + path;
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (R().failingFiles.count(file) || (!exists && !R().acceptMissing)) {
        Record(Op::Load, file, false);
        return DMUS_E_LOADER_FAILEDOPEN;
    }
    // A file that is there must be a sound the real layer would take: a
    // broken one fails here as it fails for a player.
    if (exists) {
        std::vector<uint8_t> bytes;
        FileIdentity id;
        if (!ReadWholeFile(path.c_str(), sound_scan::kMaxSoundFileBytes, &id, &bytes) ||
            sound_scan::ScanSoundFile(bytes.data(), bytes.size()) != sound_scan::ScanResult::Ok) {
            Record(Op::Load, file, false);
            return DMUS_E_UNSUPPORTED_STREAM;
        }
    }
    auto seg = std::make_unique<Segment>();
    seg->file = file;
    *object = static_cast<IDirectMusicSegment8*>(seg.get());
    R().segments.push_back(std::move(seg));
    Record(Op::Load, file);
    return S_OK;
}

ULONG IDirectMusicLoader8::Release() {
    Loader* self = Impl(this);
    if (--self->refs > 0) return self->refs;
    Record(Op::ReleaseLoader);
    delete self;
    return 0;
}

// ---- segment ----------------------------------------------------------------------

HRESULT IDirectMusicSegment8::SetRepeats(DWORD repeats) {
    if (Failing(Fail::SetRepeats)) return E_FAIL;
    Segment* self = Impl(this);
    self->repeats = repeats;
    Record(Op::SetRepeats, self->file, true, false, repeats);
    return S_OK;
}

HRESULT IDirectMusicSegment8::Download(IUnknown* target) {
    if (Failing(Fail::Download) || !IsPerformance(target)) return E_FAIL;
    Record(Op::Download, Impl(this)->file);
    return S_OK;
}

HRESULT IDirectMusicSegment8::Unload(IUnknown* target) {
    if (Failing(Fail::Unload) || !IsPerformance(target)) return E_FAIL;
    Record(Op::Unload, Impl(this)->file);
    return S_OK;
}

ULONG IDirectMusicSegment8::Release() {
    Segment* self = Impl(this);
    if (self->refs > 0) --self->refs;
    Record(Op::ReleaseSegment, self->file, true, false, self->refs);
    return self->refs;
}

// ---- test interface ------------------------------------------------------------------

namespace headless_sound {

const std::vector<Event>& Events() { return R().events; }
void ClearEvents() { R().events.clear(); }

std::vector<std::string> Log() { return Log(""); }

std::vector<std::string> Log(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const Event& e : R().events) {
        std::string line = Describe(e);
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    }
    return lines;
}

std::string Primary() { return R().primary; }
std::vector<std::string> Secondaries() { return R().secondaries; }

void FailLoad(const std::string& path) { R().failingFiles.insert(path); }
void FailStep(Fail step) { R().failing.insert(step); }
void AcceptMissingFiles(bool accept) { R().acceptMissing = accept; }

int LiveSegments() {
    int live = 0;
    for (const auto& seg : R().segments) live += seg->refs > 0 ? 1 : 0;
    return live;
}

void Reset() {
    Recorder& r = R();
    r.events.clear();
    r.failing.clear();
    r.failingFiles.clear();
    r.acceptMissing = false;
    r.primary.clear();
    r.secondaries.clear();
}

}  // namespace headless_sound

// The test platform decodes nothing ahead: what it records are the loads as
// the game makes them, and a prefetch leaves those as they were.
void PrefetchSegmentFiles(IDirectMusicLoader8*, const char* const*, int) {}
