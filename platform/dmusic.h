// The DirectMusic 8 and COM calls that the sound module makes, declared in our
// own words. Two implementations exist: platform/sdl (SDL2_mixer, with MIDI
// rendered through FluidSynth) and platform/headless (records what the game
// asks for, for tests). The objects are plain classes: the platform derives
// its own structs from them and keeps its data there.
#pragma once

#include <cstdint>

#include "platform/win32.h"

typedef uint32_t ULONG;
typedef int32_t MUSIC_TIME;
typedef int64_t REFERENCE_TIME;

// Wide strings and code-page conversion: the loader takes wide file names.
// The "system code page" of our platforms is UTF-8, and a wide character holds
// one Unicode code point.
// Identifiers of classes, interfaces and parameters. The values are ours: all
// that matters is that they differ from one another.
// GUID and its comparisons come from platform/win32.h.
inline constexpr GUID CLSID_DirectMusicPerformance = {0x706f7465, 0x0001, 0x0001, {'d', 'm', 0, 0, 0, 0, 0, 1}};
inline constexpr GUID CLSID_DirectMusicLoader = {0x706f7465, 0x0001, 0x0002, {'d', 'm', 0, 0, 0, 0, 0, 2}};
inline constexpr GUID CLSID_DirectMusicSegment = {0x706f7465, 0x0001, 0x0003, {'d', 'm', 0, 0, 0, 0, 0, 3}};
inline constexpr GUID IID_IDirectMusicPerformance8 = {0x706f7465, 0x0002, 0x0001, {'d', 'm', 0, 0, 0, 0, 0, 8}};
inline constexpr GUID IID_IDirectMusicLoader8 = {0x706f7465, 0x0002, 0x0002, {'d', 'm', 0, 0, 0, 0, 0, 8}};
inline constexpr GUID IID_IDirectMusicSegment8 = {0x706f7465, 0x0002, 0x0003, {'d', 'm', 0, 0, 0, 0, 0, 8}};
inline constexpr GUID GUID_PerfMasterVolume = {0x706f7465, 0x0003, 0x0001, {'d', 'm', 0, 0, 0, 0, 0, 0}};
inline constexpr GUID GUID_DirectMusicAllTypes = {0x706f7465, 0x0003, 0x0002, {'d', 'm', 0, 0, 0, 0, 0, 0}};

// Where CoCreateInstance may create its object.
#define CLSCTX_INPROC_SERVER 0x1u
#define CLSCTX_INPROC_HANDLER 0x2u
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)

// Audio path types, InitAudio flags, play flags and repeat counts.
#define DMUS_APATH_DYNAMIC_STEREO 8u
#define DMUS_AUDIOF_ALL 0x3Fu
#define DMUS_SEGF_SECONDARY 0x80u
#define DMUS_SEG_REPEAT_INFINITE 0xFFFFFFFFu

// Results our implementations give besides S_OK and E_FAIL.
#define E_POINTER ((HRESULT)0x80004003)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define DMUS_E_LOADER_FAILEDOPEN ((HRESULT)0x88781170)
#define DMUS_E_UNSUPPORTED_STREAM ((HRESULT)0x88781172)
#define DMUS_E_NOT_INIT ((HRESULT)0x88781182)
#define DMUS_E_ALREADY_INITED ((HRESULT)0x88781181)

// Objects the game only passes around as NULL.
class IDirectMusic;
class IDirectSound;
class IDirectMusicSegmentState;
struct DMUS_AUDIOPARAMS;

// Every object the game holds is an IUnknown, so that it can be handed to a
// call that takes "any object" (the segment to play, the performance to
// download to). The implementation checks what it was given.
class IUnknown {
protected:
    IUnknown() = default;
};

class IDirectMusicAudioPath8 : public IUnknown {
public:
    ULONG Release();
};

class IDirectMusicSegment : public IUnknown {};

class IDirectMusicSegment8 : public IDirectMusicSegment {
public:
    // Number of times the segment plays again after its first pass;
    // DMUS_SEG_REPEAT_INFINITE repeats it without end.
    HRESULT SetRepeats(DWORD repeats);
    HRESULT Download(IUnknown* audioPathOrPerformance);
    HRESULT Unload(IUnknown* audioPathOrPerformance);
    ULONG Release();
};

class IDirectMusicPerformance8 : public IUnknown {
public:
    HRESULT InitAudio(IDirectMusic** directMusic, IDirectSound** directSound, HWND window,
                      DWORD defaultPathType, DWORD performanceChannels, DWORD flags,
                      DMUS_AUDIOPARAMS* params);
    HRESULT GetDefaultAudioPath(IDirectMusicAudioPath8** audioPath);
    HRESULT CreateStandardAudioPath(DWORD type, DWORD performanceChannels, BOOL activate,
                                    IDirectMusicAudioPath8** audioPath);
    HRESULT SetGlobalParam(REFGUID param, void* data, DWORD size);
    // Flags 0 plays the segment as the primary one, replacing the primary
    // segment that plays; DMUS_SEGF_SECONDARY mixes it over everything else.
    HRESULT PlaySegmentEx(IUnknown* source, WCHAR* segmentName, IUnknown* transition, DWORD flags,
                          int64_t startTime, IDirectMusicSegmentState** segmentState,
                          IUnknown* from, IUnknown* audioPath);
    // With no segment and no state: stops everything that plays.
    HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* segmentState,
                 MUSIC_TIME time, DWORD flags);
    // Stops every playing instance of one segment.
    HRESULT StopEx(IUnknown* segmentOrState, int64_t time, DWORD flags);
    HRESULT CloseDown();
    ULONG Release();
};

class IDirectMusicLoader8 : public IUnknown {
public:
    HRESULT SetSearchDirectory(REFGUID objectClass, WCHAR* path, BOOL clearCache);
    // Loads a segment file (recognised by its content) into *object.
    HRESULT LoadObjectFromFile(REFGUID objectClass, REFIID interfaceId, WCHAR* filePath,
                               void** object);
    ULONG Release();
};

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId,
                         void** object);

// Not a DirectMusic call: starts loading segment files that the loader will
// be asked for (paths as LoadObjectFromFile takes them, in UTF-8), so that
// their loads and first plays find them ready: a song starts rendering in
// the background. With no loader (before the game has made one), relative
// paths are taken from the current directory. Files that cannot be loaded
// are left to the loads to report.
void PrefetchSegmentFiles(IDirectMusicLoader8* loader, const char* const* files, int count);
