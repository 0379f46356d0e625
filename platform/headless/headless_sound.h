// The headless sound layer: the DirectMusic calls of platform/dmusic.h,
// recorded instead of heard, so that game tests can assert on what was loaded,
// played, stopped and released, and in which order. Tests can also make a
// file or a step of the sound module fail.
//
// A load succeeds when the file exists (resolved against the loader's search
// directory) and has not been marked to fail; AcceptMissingFiles(true) lets a
// test load sounds without any files on disk.
#pragma once

#include <string>
#include <vector>

#include "platform/dmusic.h"

namespace headless_sound {

enum class Op {
    InitAudio,
    Load,        // file: the path as the game gave it; ok: whether it loaded
    SetRepeats,  // repeats
    Download,
    Play,        // file, secondary, repeats (of the segment when played)
    StopAll,     // Stop with no segment
    StopOne,     // StopEx (or Stop with a segment): file
    Unload,
    ReleaseSegment,  // file; repeats holds the count of references left
    ReleaseAudioPath,
    ReleaseLoader,
    CloseDown,
    ReleasePerformance,
};

struct Event {
    Op op;
    std::string file;
    bool ok = true;
    bool secondary = false;
    DWORD repeats = 0;
};

// Steps that a test can make fail (each fails every time until Reset).
enum class Fail {
    CreatePerformance,
    InitAudio,
    GetDefaultAudioPath,
    CreateAudioPath1,  // the first CreateStandardAudioPath
    CreateAudioPath2,  // the second
    SetGlobalParam,
    CreateLoader,
    SetSearchDirectory,
    SetRepeats,
    Download,
    Stop,
    Unload,
    CloseDown,
};

// Everything recorded since the start (or the last ClearEvents).
const std::vector<Event>& Events();
void ClearEvents();
// The same, one line each, for readable assertions:
//   "load date/Ring.tov", "load-failed date/SE14.tov", "repeats date/Ring.tov forever",
//   "download date/Ring.tov", "play date/Ring.tov primary loop",
//   "play date/SE12.tov secondary once", "stop all", "stop date/logo.tov",
//   "unload date/Ring.tov", "release date/Ring.tov", "release audiopath",
//   "release loader", "close down", "release performance", "init audio".
std::vector<std::string> Log();
// Only the lines of Log() that start with prefix ("play", "load", ...).
std::vector<std::string> Log(const std::string& prefix);

// What sounds now, as far as plays and stops tell: the file of the primary
// segment ("" when none) and the secondary plays since the last stop.
std::string Primary();
std::vector<std::string> Secondaries();

void FailLoad(const std::string& path);  // the path as the game passes it
void FailStep(Fail step);
void AcceptMissingFiles(bool accept);

// Segments created by loads and not yet released to zero references.
int LiveSegments();

// Forgets failures, switches and events. Objects already created stay valid.
void Reset();

}  // namespace headless_sound
