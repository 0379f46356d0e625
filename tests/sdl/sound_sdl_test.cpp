// The sound module on the real SDL2 layer, under SDL's dummy audio driver:
// files the tests write are decoded, played on the mixer, looped, stopped and
// released; broken files fail to load cleanly.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>
#include <mutex>
#include <cstring>
#include <functional>
#include <SDL_mixer.h>
#include <samplerate.h>

#include "fuzz/ogg_samples.h"
#include "game/objects.h"
#include "platform/common/worker_gate.h"
#include "platform/sdl/sound_sdl.h"
#include "shell/sound.h"
#include "thread_count.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes* b, uint16_t v, bool big) {
    if (big) b->insert(b->end(), {(uint8_t)(v >> 8), (uint8_t)v});
    else b->insert(b->end(), {(uint8_t)v, (uint8_t)(v >> 8)});
}
void Put32(Bytes* b, uint32_t v, bool big) {
    if (big) b->insert(b->end(), {(uint8_t)(v >> 24), (uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v});
    else b->insert(b->end(), {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)});
}
void PutText(Bytes* b, const char* s) { b->insert(b->end(), s, s + 4); }

// A format-1 song at 96 ticks a quarter: a tempo track (by default 0.25 s
// a quarter note from the start) and a track of notes.
const Bytes kQuarterSeconds = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // 250000 us a quarter
                               0x00, 0xFF, 0x2F, 0x00};
Bytes MidiSongOf(const Bytes& notes, const Bytes& tempo = kQuarterSeconds) {
    Bytes f;
    PutText(&f, "MThd");
    Put32(&f, 6, true);
    Put16(&f, 1, true);
    Put16(&f, 2, true);
    Put16(&f, 96, true);
    for (const Bytes* track : {(const Bytes*)&tempo, &notes}) {
        PutText(&f, "MTrk");
        Put32(&f, (uint32_t)track->size(), true);
        f.insert(f.end(), track->begin(), track->end());
    }
    return f;
}

// Piano, two quarter notes: 0.5 s at the default tempo track.
const Bytes kTwoQuarters = {0x00, 0xC0, 0x00,                            // piano
                            0x00, 0x90, 60,   100,  0x60, 0x80, 60, 0,   // C for a quarter
                            0x00, 0x90, 67,   100,  0x60, 67,   0,       // G, running status note-off
                            0x00, 0xFF, 0x2F, 0x00};

Bytes MidiSong() { return MidiSongOf(kTwoQuarters); }

// 0.3 s of a 440 Hz tone, 22050 Hz mono: the layer converts it.
Bytes WaveTone() {
    const int rate = 22050, frames = rate * 3 / 10;
    Bytes f;
    PutText(&f, "RIFF");
    Put32(&f, 36 + frames * 2, false);
    PutText(&f, "WAVE");
    PutText(&f, "fmt ");
    Put32(&f, 16, false);
    Put16(&f, 1, false);  // PCM
    Put16(&f, 1, false);  // mono
    Put32(&f, rate, false);
    Put32(&f, rate * 2, false);
    Put16(&f, 2, false);
    Put16(&f, 16, false);
    PutText(&f, "data");
    Put32(&f, frames * 2, false);
    for (int i = 0; i < frames; ++i) Put16(&f, (uint16_t)(int16_t)(12000 * std::sin(i * 2 * M_PI * 440 / rate)), false);
    return f;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

sound_sdl::SegmentInfo Info(int slot) {
    sound_sdl::SegmentInfo info;
    EXPECT_TRUE(sound_sdl::GetSegmentInfo(g_pSegment[slot], &info)) << "slot " << slot;
    return info;
}

void Play(int slot, DWORD flags) {
    g_pPerformance->PlaySegmentEx(g_pSegment[slot], NULL, NULL, flags, 0, NULL, NULL, NULL);
}

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::mutex g_heardLock;
Bytes g_heard;

void Listen(int, void* stream, int len, void*) {
    std::lock_guard<std::mutex> lock(g_heardLock);
    const uint8_t* p = static_cast<const uint8_t*>(stream);
    g_heard.insert(g_heard.end(), p, p + len);
}

// Plays the slot as music and returns what the mixer took from it, once the
// play has ended or `enough` bytes have been heard. It waits as long as the
// machine needs: the suite's time limit is what fails a play that never ends.
Bytes Hear(int slot, size_t enough = SIZE_MAX) {
    {
        std::lock_guard<std::mutex> lock(g_heardLock);
        g_heard.clear();
    }
    EXPECT_NE(Mix_RegisterEffect(0, Listen, nullptr, nullptr), 0) << Mix_GetError();
    Play(slot, 0);
    for (bool done = false; !done;) {
        Wait(10);
        std::lock_guard<std::mutex> lock(g_heardLock);
        done = g_heard.size() >= enough || !Mix_Playing(0);
    }
    Mix_UnregisterAllEffects(0);
    g_pPerformance->Stop(NULL, NULL, 0, 0);
    std::lock_guard<std::mutex> lock(g_heardLock);
    return g_heard;
}

int PeakOf(const uint8_t* pcm, size_t bytes) {
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes; i += 2) peak = std::max(peak, std::abs((int)(int16_t)(pcm[i] | pcm[i + 1] << 8)));
    return peak;
}

// Every test runs in a fresh directory holding date/, as the game does.
class SoundSdlTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);  // a real device only when asked for
        char pattern[] = "/tmp/pote-sound-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_EQ(mkdir("date", 0755), 0);
        WriteFile("date/song.tov", MidiSong());
        WriteFile("date/tone.tov", WaveTone());
        ASSERT_TRUE(InitDirectMusic());
    }
    void TearDown() override {
        EXPECT_TRUE(ReleaseAllSegments());
        EXPECT_TRUE(ReleaseDirectMusic());
        std::string cmd = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }
    std::string dir_;
};

}  // namespace

TEST_F(SoundSdlTest, MidiAndWaveLoadPlayAsMusicAndEffectsAndStop) {
    ASSERT_TRUE(LoadSegment(0, "date/song.tov", true));
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", true));  // repeats: it is still playing when counted

    // The song is rendered with real instruments, one pass about 0.5 s long.
    sound_sdl::SegmentInfo song = Info(0);
    EXPECT_NEAR(song.loopFrames, 22050u, 600u);
    EXPECT_GE(song.frames, song.loopFrames);
    EXPECT_GT(song.peak, 1000);
    sound_sdl::SegmentInfo tone = Info(1);
    EXPECT_NEAR(tone.frames, 13230u, 2u);  // 0.3 s at 44.1 kHz
    EXPECT_NEAR(tone.peak, 12000, 600);

    Play(0, 0);
    Play(1, DMUS_SEGF_SECONDARY);
    Play(1, DMUS_SEGF_SECONDARY);
    EXPECT_TRUE(Info(0).primary);
    EXPECT_EQ(Info(1).playing, 2);

    // Any sound can be either: the tone replaces the song as music, and the
    // song sounds over it as an effect.
    Play(1, 0);
    Play(0, DMUS_SEGF_SECONDARY);
    EXPECT_TRUE(Info(1).primary);
    EXPECT_EQ(Info(1).playing, 3);
    EXPECT_EQ(Info(0).playing, 1);
    EXPECT_FALSE(Info(0).primary);

    g_pPerformance->StopEx(g_pSegment[1], 0, 0);
    EXPECT_EQ(Info(1).playing, 0);
    EXPECT_EQ(Info(0).playing, 1);
    g_pPerformance->Stop(NULL, NULL, 0, 0);
    EXPECT_EQ(Info(0).playing, 0);
    EXPECT_EQ(sound_sdl::EffectChannelsPlaying(), 0);
}

// A tempo counts from the tick where it takes effect: a quarter note at the
// default 120 bpm, then one at 240 bpm, make 0.75 s. Looping, the song comes
// round after exactly that much sound, though it starts while still being
// rendered; once, it plays its whole pass, the notes' ring-out included.
TEST_F(SoundSdlTest, SongRepeatsAtItsOwnLengthAndOnePassPlaysWhole) {
    const Bytes song = MidiSongOf(kTwoQuarters, {0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,  // 240 bpm at tick 96
                                                 0x00, 0xFF, 0x2F, 0x00});
    double seconds = 0;
    ASSERT_TRUE(sound_sdl::ScanMidiFile(song.data(), song.size(), &seconds));
    EXPECT_NEAR(seconds, 0.75, 1e-9);
    WriteFile("date/tempo.tov", song);
    ASSERT_TRUE(LoadSegment(0, "date/tempo.tov", true));
    const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[0]);
    ASSERT_NE(sound, nullptr);
    const size_t pass = 33075 * sound_sdl::kBytesPerFrame, tenth = sound_sdl::kRate / 10 * sound_sdl::kBytesPerFrame;
    EXPECT_EQ(sound->loopBytes, pass);

    const Bytes looped = Hear(0, pass + tenth);
    sound_sdl::WaitUntilRendered(*sound);
    ASSERT_GE(looped.size(), pass + tenth);
    EXPECT_GT(PeakOf(sound->pcm.get(), tenth), 1000) << "the song starts with its first note";
    EXPECT_EQ(memcmp(looped.data() + pass, sound->pcm.get(), tenth), 0) << "the second pass follows the first at once";

    ASSERT_GT(sound->ready, pass) << "the last note rings out";
    g_pSegment[0]->SetRepeats(0);
    const Bytes once = Hear(0);
    ASSERT_EQ(once.size(), (size_t)sound->ready);
    EXPECT_EQ(memcmp(once.data(), sound->pcm.get(), once.size()), 0);
}

// With the music playing and every effect channel busy, one more effect takes
// the place of the oldest effect, never the music's, and no play fails.
TEST_F(SoundSdlTest, EffectsBeyondTheChannelsReplaceTheOldestAndTheMusicPlaysOn) {
    WriteFile("date/tone2.tov", WaveTone());
    ASSERT_TRUE(LoadSegment(0, "date/song.tov", true));
    // Effects that repeat until stopped, so none ends by itself on a slow machine.
    ASSERT_TRUE(LoadSegment(5, "date/tone.tov", true));
    ASSERT_TRUE(LoadSegment(6, "date/tone2.tov", true));
    Play(0, 0);
    Play(6, DMUS_SEGF_SECONDARY);
    Wait(5);  // the mixer tells the oldest by its millisecond clock
    for (int i = 0; i < 30; ++i) Play(5, DMUS_SEGF_SECONDARY);
    EXPECT_EQ(sound_sdl::EffectChannelsPlaying(), 31);
    EXPECT_EQ(Info(6).playing, 1);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(g_pPerformance->PlaySegmentEx(g_pSegment[5], NULL, NULL, DMUS_SEGF_SECONDARY, 0, NULL, NULL, NULL),
                  S_OK);
    }
    EXPECT_EQ(Info(6).playing, 0) << "the oldest effect made room";
    EXPECT_EQ(Info(5).playing, 31);
    EXPECT_TRUE(Info(0).primary);
}

TEST_F(SoundSdlTest, DisplacedMusicKeepsSoundingUntilReplaced) {
    ASSERT_TRUE(LoadSegment(0, "date/song.tov", true));
    Play(0, 0);
    IDirectMusicSegment8* displaced = g_pSegment[0];
    ASSERT_TRUE(LoadSegment(0, "date/tone.tov", true));
    sound_sdl::SegmentInfo info;
    ASSERT_TRUE(sound_sdl::GetSegmentInfo(displaced, &info));
    EXPECT_TRUE(info.primary);
    Play(0, 0);
    ASSERT_TRUE(sound_sdl::GetSegmentInfo(displaced, &info));
    EXPECT_FALSE(info.primary);
    EXPECT_TRUE(Info(0).primary);
}

// A repeated stage start decodes nothing again, unless a file changed.
TEST_F(SoundSdlTest, UnchangedFilesComeFromTheCacheChangedOnesAreDecodedAgain) {
    ASSERT_TRUE(LoadSegment(20, "date/song.tov", true));
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", false));
    sound_sdl::CacheStats first = sound_sdl::GetCacheStats();
    ASSERT_TRUE(LoadSegment(20, "date/song.tov", true));
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", false));
    sound_sdl::CacheStats second = sound_sdl::GetCacheStats();
    EXPECT_EQ(second.decoded, first.decoded);
    EXPECT_EQ(second.reused, first.reused + 2);

    Bytes longer = WaveTone();
    longer.insert(longer.end(), 1000, 0);  // trailing bytes after the data chunk
    WriteFile("date/tone.tov", longer);
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", false));
    EXPECT_EQ(sound_sdl::GetCacheStats().decoded, second.decoded + 1);
}

// Files asked for ahead of their loads: a good one is decoded once and the
// load takes it; one that is missing, broken, or changed or removed since
// fails or loads as it would have without the prefetch.
TEST_F(SoundSdlTest, PrefetchedFilesLoadAsTheyAreWhenLoaded) {
    Bytes midi = MidiSong();
    WriteFile("date/broken.tov", Bytes(midi.begin(), midi.begin() + midi.size() - 7));
    WriteFile("date/gone.tov", midi);
    WriteFile("date/changed.tov", midi);
    const char* const files[] = {"date/song.tov",  "date/tone.tov",    "date/broken.tov",
                                 "date/gone.tov",  "date/changed.tov", "date/later.tov"};
    testing::internal::CaptureStderr();
    PrefetchSegmentFiles(g_pLoader, files, 6);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the loads report, not the prefetch";
    sound_sdl::CacheStats ahead = sound_sdl::GetCacheStats();

    ASSERT_TRUE(LoadSegment(0, "date/song.tov", true));
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", false));
    EXPECT_EQ(sound_sdl::GetCacheStats().decoded, ahead.decoded);
    EXPECT_GT(Info(0).peak, 1000);
    EXPECT_NEAR(Info(1).frames, 13230u, 2u);

    ASSERT_EQ(unlink("date/gone.tov"), 0);
    Bytes longer = midi;
    longer.insert(longer.end() - 4, {0x7F, 0x90, 64, 100, 0x60, 64, 0});  // one more note, later
    longer[14 + 8 + 11 + 7] += 7;
    WriteFile("date/changed.tov", longer);
    WriteFile("date/later.tov", midi);
    for (const char* name : {"date/broken.tov", "date/gone.tov"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadSegment(3, name, false));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("MIDIファイルのロードに失敗"), std::string::npos) << err;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_EQ(g_pSegment[3], nullptr);
    }
    ASSERT_TRUE(LoadSegment(4, "date/changed.tov", false));
    ASSERT_TRUE(LoadSegment(5, "date/later.tov", false));
    EXPECT_GT(Info(4).loopFrames, Info(5).loopFrames) << "the changed file is decoded as it is now";
}

TEST_F(SoundSdlTest, BrokenFilesFailToLoadWithTheMessage) {
    Bytes midi = MidiSong();
    Bytes wave = WaveTone();
    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"midi-cut-in-track", Bytes(midi.begin(), midi.begin() + midi.size() - 7)},
        {"midi-cut-in-header", Bytes(midi.begin(), midi.begin() + 10)},
        {"wave-cut-in-format", Bytes(wave.begin(), wave.begin() + 30)},
        {"ogg-header-only", {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"ogg-nine-bytes", {'O', 'g', 'g', 'S', 0xC7, 0xCC, 0x2B, 0xD0, 0x4C}},  // SDL2_mixer leaves its stream open
        {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0}},
        {"riff-avi", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}},
    };
    // Cut in its data, with a RIFF size that says the file ends there: the
    // data chunk's size contradicts the file's own.
    Bytes cut(wave.begin(), wave.begin() + 1000);
    cut[4] = (uint8_t)(cut.size() - 8);
    cut[5] = (uint8_t)((cut.size() - 8) >> 8);
    cut[6] = cut[7] = 0;
    cases.push_back({"wave-data-past-its-riff", cut});
    Bytes badStatus = midi;
    const size_t track2 = 14 + 8 + 11;  // header, tempo track
    badStatus[track2 + 8 + 1] = 0x60;   // a data byte where the first status was
    cases.push_back({"midi-no-status", badStatus});
    Bytes hugeDelta = midi;
    hugeDelta.insert(hugeDelta.end() - 4, {0xFF, 0xFF});  // the end comes 2 million ticks later
    hugeDelta[track2 + 7] += 2;
    cases.push_back({"midi-hours-long", hugeDelta});
    // Structures that FluidSynth refuses when it comes to play the song.
    Bytes longEnd = midi;
    longEnd[midi.size() - 1] = 1;  // an end of track with a byte of data
    longEnd.push_back(0);
    longEnd[track2 + 7] += 1;
    cases.push_back({"midi-end-with-data", longEnd});
    Bytes shortTempo = midi;
    shortTempo[14 + 8 + 3] = 2;  // a tempo of two bytes: the third is the next delta time
    cases.push_back({"midi-tempo-of-two-bytes", shortTempo});
    Bytes oddChunk = midi;
    const Bytes chunk = {'M', 0xD4, 'x', 'x', 0, 0, 0, 0};  // skipped, but named outside ASCII
    oddChunk.insert(oddChunk.begin() + 14, chunk.begin(), chunk.end());
    cases.push_back({"midi-non-ascii-chunk", oddChunk});
    Bytes escape = midi;
    escape[track2 + 8 + 1] = 0xF7;  // a sysex escape of no bytes
    escape[track2 + 8 + 2] = 0;
    cases.push_back({"midi-escape", escape});
    Bytes longHeader = midi;
    longHeader[7] = 8;  // two bytes more in the header
    longHeader.insert(longHeader.begin() + 14, {0, 0});
    cases.push_back({"midi-long-header", longHeader});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = std::string("date/") + c.name + ".tov";
        WriteFile(path, c.bytes);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadSegment(3, path.c_str(), false));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("MIDIファイルのロードに失敗"), std::string::npos) << err;
        EXPECT_EQ(g_pSegment[3], nullptr);
    }
    EXPECT_FALSE(LoadSegment(3, "date/missing.tov", false));
}

// Chunks of kinds a reader does not know are skipped, wherever they stand:
// before the first track, between tracks or after the last, the song sounds
// from its first note, as long as its notes make it.
TEST_F(SoundSdlTest, UnknownChunksAnywhereLeaveTheSongWhole) {
    const Bytes midi = MidiSong();
    const size_t firstTrack = 14, secondTrack = 14 + 8 + kQuarterSeconds.size();
    const Bytes chunk = {'X', 't', 'r', 'a', 0, 0, 0, 3, 1, 2, 3};
    for (size_t at : {firstTrack, secondTrack, midi.size()}) {
        SCOPED_TRACE(at);
        Bytes song = midi;
        song.insert(song.begin() + at, chunk.begin(), chunk.end());
        WriteFile("date/chunk.tov", song);
        ASSERT_TRUE(LoadSegment(2, "date/chunk.tov", false));
        const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[2]);
        const sound_sdl::SegmentInfo info = Info(2);
        EXPECT_NEAR(info.loopFrames, 22050u, 600u);
        const size_t tenth = sound_sdl::kRate / 10 * sound_sdl::kBytesPerFrame;
        EXPECT_GT(PeakOf(sound->pcm.get(), tenth), 1000) << "the first note, at the start";
        ASSERT_TRUE(ReleaseAllSegments());
    }
}

// Every cut of a good song is refused by the structure check before FluidSynth
// sees it; a file with bytes flipped anywhere never crashes the layer.
// Every kind of channel message, each with its own number of data bytes (one
// for program change and channel pressure), alone and under running status:
// the song keeps its length.
TEST(SoundSdlDecode, ChannelMessagesOfEveryKindKeepTheSongLength) {
    Bytes notes = {0x00, 0xC0, 0x05,              // program change: 1 byte
                   0x00, 0xD0, 0x40,              // channel pressure: 1 byte
                   0x00, 0x30,                    //   and again under running status
                   0x00, 0xB0, 0x07, 100,         // control change: 2 bytes
                   0x00, 0xE0, 0x00, 0x40,        // pitch bend: 2 bytes
                   0x00, 0x90, 60,   100,         // note on
                   0x00, 0xA0, 60,   90,          // key pressure: 2 bytes
                   0x60, 0x80, 60,   0,           // a quarter later, note off
                   0x00, 0xD1, 0x20,              // channel pressure on another channel
                   0x60, 0x10,                    //   and once more a quarter later
                   0x00, 0xFF, 0x2F, 0x00};
    Bytes song = MidiSongOf(notes);
    double seconds = 0;
    ASSERT_TRUE(sound_sdl::ScanMidiFile(song.data(), song.size(), &seconds));
    EXPECT_NEAR(seconds, 0.5, 1e-9);
}

TEST(SoundSdlDecode, EveryTruncationIsRefusedAndCorruptionIsSafe) {
    Bytes midi = MidiSong();
    double seconds = 0;
    ASSERT_TRUE(sound_sdl::ScanMidiFile(midi.data(), midi.size(), &seconds));
    EXPECT_NEAR(seconds, 0.5, 1e-9);
    for (size_t n = 0; n < midi.size(); ++n) {
        EXPECT_FALSE(sound_sdl::ScanMidiFile(midi.data(), n, &seconds)) << n;
    }
    srand(5);
    for (int i = 0; i < 300; ++i) {
        Bytes bad = midi;
        for (int k = 0; k < 3; ++k) bad[rand() % bad.size()] = (uint8_t)rand();
        sound_sdl::DecodedSound out;
        sound_sdl::DecodeSoundFile(bad.data(), bad.size(), &out);
    }
}

namespace {

void PutVarLen(Bytes* b, uint32_t v) {
    uint8_t groups[4];
    int n = 0;
    do groups[n++] = v & 0x7F;
    while ((v >>= 7) != 0);
    while (n > 1) b->push_back(0x80 | groups[--n]);
    b->push_back(groups[0]);
}

// The first frame from `from` on that sounds, on either side.
uint32_t Onset(const int16_t* pcm, uint32_t frames, uint32_t from) {
    while (from < frames && std::abs(pcm[from * 2]) < 100 && std::abs(pcm[from * 2 + 1]) < 100) ++from;
    return from;
}

// The first frame from `from` on that begins a hundredth of a second of silence.
uint32_t Silence(const int16_t* pcm, uint32_t frames, uint32_t from) {
    for (uint32_t quiet = 0; from < frames; ++from) {
        quiet = std::abs(pcm[from * 2]) < 100 && std::abs(pcm[from * 2 + 1]) < 100 ? quiet + 1 : 0;
        if (quiet == sound_sdl::kRate / 100) return from + 1 - quiet;
    }
    return frames;
}

}  // namespace

// Each SMPTE rate: an organ note at 1 s and one at 2 s, each a quarter
// second long (the organ falls silent at once when released), then a second
// of rest. 29.97 frames a second (the division's -29) makes 2997 ticks a
// second at 100 ticks a frame. The tempo track's tempo is no part of such
// timing.
TEST_F(SoundSdlTest, NotesOfEverySmpteRateSoundWhereWritten) {
    struct Rate {
        uint8_t framesPerSecond;  // as the division writes it
        uint8_t ticksPerFrame;
        uint32_t ticksPerSecond;
    };
    for (const Rate rate : {Rate{24, 50, 1200}, Rate{25, 40, 1000}, Rate{29, 100, 2997}, Rate{30, 40, 1200}}) {
        SCOPED_TRACE((int)rate.framesPerSecond);
        const uint32_t ticks = rate.ticksPerSecond, quarter = ticks / 4;
        Bytes notes = {0x00, 0xC0, 16};  // drawbar organ
        PutVarLen(&notes, ticks);
        notes.insert(notes.end(), {0x90, 60, 100});
        PutVarLen(&notes, quarter);
        notes.insert(notes.end(), {0x80, 60, 0});
        PutVarLen(&notes, ticks - quarter);
        notes.insert(notes.end(), {0x90, 67, 100});
        PutVarLen(&notes, quarter);
        notes.insert(notes.end(), {0x80, 67, 0});
        PutVarLen(&notes, ticks - quarter);
        notes.insert(notes.end(), {0xFF, 0x2F, 0x00});
        Bytes song = MidiSongOf(notes);
        song[12] = (uint8_t)-rate.framesPerSecond;
        song[13] = rate.ticksPerFrame;
        WriteFile("date/smpte.tov", song);
        ASSERT_TRUE(LoadSegment(2, "date/smpte.tov", false));
        const sound_sdl::SegmentInfo info = Info(2);
        EXPECT_NEAR(info.loopFrames, (uint32_t)sound_sdl::kRate * 3, 1u);
        const int16_t* pcm = reinterpret_cast<const int16_t*>(sound_sdl::SegmentSound(g_pSegment[2])->pcm.get());
        const uint32_t first = Onset(pcm, info.frames, 0);
        const uint32_t second = Onset(pcm, info.frames, Silence(pcm, info.frames, first));
        // The first sound comes a few milliseconds after its note: the organ's attack.
        EXPECT_NEAR(first, sound_sdl::kRate, sound_sdl::kRate / 50) << "the first note's first sound, in frames";
        EXPECT_NEAR(second - first, sound_sdl::kRate, sound_sdl::kRate / 100) << "from the first note to the second";
        ASSERT_TRUE(ReleaseAllSegments());
    }
}

// A SoundFont that is missing, or there but not one FluidSynth loads, fails
// the song's load, even when the song was asked for ahead.
TEST_F(SoundSdlTest, WithoutSoundFontMidiFailsAndWaveStillPlays) {
    WriteFile("junk.sf2", Bytes(4000, 0x5A));
    for (const char* font : {"/nonexistent/none.sf2", "junk.sf2"}) {
        SCOPED_TRACE(font);
        sound_sdl::SetSoundFontPath(font);
        const char* const ahead[] = {"date/song.tov"};
        PrefetchSegmentFiles(g_pLoader, ahead, 1);
        EXPECT_FALSE(LoadSegment(20, "date/song.tov", true));
        EXPECT_TRUE(LoadSegment(1, "date/tone.tov", false));
        Play(1, DMUS_SEGF_SECONDARY);
        EXPECT_EQ(Info(1).playing, 1);
        g_pPerformance->Stop(NULL, NULL, 0, 0);
    }
    sound_sdl::SetSoundFontPath(nullptr);
}

namespace {

// No driver can open a device here: a container, a remote desktop.
class SoundSdlNoDevice : public SoundSdlTest {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        testing::internal::CaptureStderr();
        SoundSdlTest::SetUp();
        err_ = testing::internal::GetCapturedStderr();
    }
    std::string err_;
};

}  // namespace

// Without a sound device the game plays on, silently: one line says so, and
// sounds load and play on SDL's dummy output as they would on a card.
TEST_F(SoundSdlNoDevice, StartUpGoesOnSilentlyAndSoundsLoadAndPlay) {
    EXPECT_NE(err_.find("no sound device (Audio target 'no-such-driver' not available): the game plays without sound\n"),
              std::string::npos) << err_;
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    ASSERT_TRUE(LoadSegment(0, "date/song.tov", true));
    ASSERT_TRUE(LoadSegment(1, "date/tone.tov", false));
    Play(0, 0);
    Play(1, DMUS_SEGF_SECONDARY);
    EXPECT_TRUE(Info(0).primary);
    EXPECT_EQ(Info(1).playing, 1);
}

namespace {

// A long song: chords on a few channels for a minute, so that rendering
// it takes a while even on a fast machine.
Bytes LongSong() {
    Bytes track = {0x00, 0xC0, 0x00, 0x00, 0xC1, 48, 0x00, 0xC2, 19};
    for (int beat = 0; beat < 240; ++beat) {  // 240 quarters at 0.25 s
        for (int ch = 0; ch < 3; ++ch) {
            uint8_t note = (uint8_t)(48 + ch * 7 + beat % 12);
            track.insert(track.end(), {0x00, (uint8_t)(0x90 | ch), note, 90});
        }
        for (int ch = 0; ch < 3; ++ch) {
            uint8_t note = (uint8_t)(48 + ch * 7 + beat % 12);
            track.insert(track.end(), {(uint8_t)(ch == 0 ? 0x60 : 0x00), (uint8_t)(0x80 | ch), note, 0});
        }
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    return MidiSongOf(track);
}

}  // namespace

// Loading a song only reads and checks it; asked to play while it is still
// being rendered, it starts at once from its beginning, and what the mixer
// plays is the song itself, never a stretch of silence the song has not got.
TEST_F(SoundSdlTest, SongPlaysAtOnceWhileItIsRendered) {
    WriteFile("date/long.tov", LongSong());
    ASSERT_TRUE(LoadSegment(0, "date/long.tov", true));
    const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[0]);
    ASSERT_NE(sound, nullptr);
    // A minute of chords takes far longer to render than the load's own work.
    ASSERT_FALSE(sound->finished) << "the load waited for the render";

    const Bytes heard = Hear(0, sound_sdl::kRate / 4 * sound_sdl::kBytesPerFrame);  // a quarter second
    while (sound->ready < heard.size() && !sound->finished) Wait(10);
    ASSERT_LE(heard.size(), (size_t)sound->ready);
    size_t same = 0;
    while (same < heard.size() && heard[same] == sound->pcm[same]) ++same;
    EXPECT_EQ(same, heard.size()) << "played as rendered, from the start";
    EXPECT_GT(PeakOf(heard.data(), heard.size()), 1000);
}

// While a message box is up, renders stand still between two blocks (the
// box's process copy must not find a worker inside a library call), and go
// on after it. Workers left idle end, counted out as they go; a later load
// starts one again.
TEST_F(SoundSdlTest, HeldRendersStandStillAndIdleWorkersEnd) {
    sound_sdl::StopRendering();
    const int threads = ThreadsNow();
    WriteFile("date/long.tov", LongSong());
    ASSERT_TRUE(LoadSegment(0, "date/long.tov", true));
    const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[0]);
    ASSERT_NE(sound, nullptr);
    while (sound->ready == 0 && !sound->finished) Wait(1);
    if (sound->ready > sound->loopBytes / 4) GTEST_SKIP() << "rendered too fast to be caught";
    worker_gate::Hold();
    const uint32_t held = sound->ready;
    EXPECT_LT(held, sound->loopBytes) << "held in the middle, not at the end";
    Wait(100);
    EXPECT_EQ(sound->ready, held);
    worker_gate::Release();
    EXPECT_TRUE(sound_sdl::WaitForRenders(20000));
    EXPECT_TRUE(sound->finished);
    EXPECT_FALSE(sound->failed);

    ASSERT_TRUE(ThreadsDownTo(threads));
    ASSERT_EQ(sound_sdl::RenderWorkers(), 0);
    WriteFile("date/later.tov", MidiSong());
    ASSERT_TRUE(LoadSegment(1, "date/later.tov", false));
    EXPECT_GT(Info(1).peak, 1000);
}

namespace {

// What an exit from inside a message box meets, in a process of its own: a
// song's render stands still at the gate. Exits with 4.
[[noreturn]] void ExitWhileARenderIsHeld(const std::string& dir) {
    alarm(20);  // a hang ends this process with a signal, not the test's time limit
    WriteFile("date/long.tov", LongSong());
    if (!LoadSegment(0, "date/long.tov", true)) _exit(1);
    const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[0]);
    while (sound->ready == 0 && !sound->finished) Wait(1);
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) _exit(1);
    worker_gate::Hold();
    exit(4);
}

}  // namespace

// An exit taken while a message box holds a render ends the process.
TEST_F(SoundSdlTest, AnExitWhileARenderIsHeldEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitWhileARenderIsHeld(dir_), testing::ExitedWithCode(4), "");
}

// Songs loaded a moment apart share a worker and the SoundFont it loaded: a
// worker left idle stays a while before it ends, so the next song starts at
// once rather than after loading the SoundFont again.
TEST_F(SoundSdlTest, SongsAMomentApartLoadTheSoundFontOnce) {
    ASSERT_TRUE(LoadSegment(0, "date/song.tov", false));
    sound_sdl::WaitUntilRendered(*sound_sdl::SegmentSound(g_pSegment[0]));
    const auto rendered = std::chrono::steady_clock::now();
    const int loads = sound_sdl::SoundFontLoads();
    WriteFile("date/later.tov", MidiSong());
    Wait(200);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(LoadSegment(1, "date/later.tov", false));
    sound_sdl::WaitUntilRendered(*sound_sdl::SegmentSound(g_pSegment[1]));
    if (asked - rendered > std::chrono::milliseconds(700)) GTEST_SKIP() << "too busy to judge";
    EXPECT_EQ(sound_sdl::SoundFontLoads(), loads);
    EXPECT_GT(Info(1).peak, 1000);
}

// Sounds loaded together render side by side, a worker each up to the
// pool's size (two cores left to the game and the mixer, four at most); a
// sound about to play while every worker is busy gets a worker of its own
// rather than waiting behind the songs and starting on silence.
TEST_F(SoundSdlTest, BusyWorkersGetCompanyForSoundsLoadedTogetherAndOneAboutToPlay) {
    const int most = std::clamp((int)std::thread::hardware_concurrency() - 2, 1, 4);
    // A worker left idle by the set-up, woken for the first song but slow to
    // wake on a busy machine, would still count as idle when the tone asks:
    // the SoundFont is judged, and its worker let go, before the songs come.
    ASSERT_TRUE(sound_sdl::SoundFontUsable());
    while (sound_sdl::RenderWorkers() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    worker_gate::Hold();  // nothing finishes: every worker stays busy
    for (int i = 0; i < most; ++i) {
        const std::string file = "date/song" + std::to_string(i) + ".tov";
        WriteFile(file, MidiSong());
        ASSERT_TRUE(LoadSegment(i, file.c_str(), false));
        EXPECT_EQ(sound_sdl::RenderWorkers(), i + 1) << file;
    }
    ASSERT_TRUE(LoadSegment(most, "date/tone.tov", false));
    EXPECT_EQ(sound_sdl::RenderWorkers(), most);
    const sound_sdl::DecodedSound* tone = sound_sdl::SegmentSound(g_pSegment[most]);
    sound_sdl::PrepareToPlay(*tone);
    EXPECT_EQ(sound_sdl::RenderWorkers(), most + 1);
    worker_gate::Release();
    ASSERT_TRUE(sound_sdl::WaitForRenders(20000));
    for (int i = 0; i <= most; ++i) {
        EXPECT_FALSE(sound_sdl::SegmentSound(g_pSegment[i])->failed) << i;
        EXPECT_GT(Info(i).peak, 1000) << i;
    }
}

// Where no worker can be started (too many threads for the user, no memory
// for a stack) songs are rendered and WAVEs converted as they load, on the
// loading thread: they play whole, and the load takes that much longer.
TEST_F(SoundSdlTest, WithoutWorkersSoundsAreRenderedAsTheyLoad) {
    sound_sdl::StopRendering();
    worker_gate::FailNextStarts(1000);
    alarm(20);  // a wait for a worker that never comes fails the test instead of hanging it
    const bool font = sound_sdl::SoundFontUsable();
    const bool song = LoadSegment(0, "date/song.tov", true);
    const bool tone = LoadSegment(1, "date/tone.tov", false);
    alarm(0);
    worker_gate::FailNextStarts(0);
    EXPECT_TRUE(font);
    ASSERT_TRUE(song);
    ASSERT_TRUE(tone);
    EXPECT_EQ(sound_sdl::RenderWorkers(), 0);
    for (int slot : {0, 1}) {
        const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[slot]);
        ASSERT_TRUE(sound->finished) << slot;
        EXPECT_FALSE(sound->failed) << slot;
    }
    EXPECT_GT(Info(0).peak, 1000);
    EXPECT_GT(Info(1).peak, 1000);
    EXPECT_EQ(Info(1).frames, 13230u);
}

// A WAVE is converted after its load, into a buffer of its converted length;
// played at once, it sounds whole and exactly as converted, not a sample
// more or less. Asked for before the mixer opens, it is read only then.
TEST_F(SoundSdlTest, WavePlayedRightAfterItsLoadSoundsWhole) {
    ASSERT_TRUE(ReleaseDirectMusic());
    const char* const files[] = {"date/tone.tov"};
    PrefetchSegmentFiles(NULL, files, 1);
    ASSERT_TRUE(InitDirectMusic());
    sound_sdl::CacheStats ahead = sound_sdl::GetCacheStats();
    ASSERT_TRUE(LoadSegment(0, "date/tone.tov", false));
    EXPECT_EQ(sound_sdl::GetCacheStats().decoded, ahead.decoded);
    const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[0]);
    ASSERT_NE(sound, nullptr);
    const Bytes heard = Hear(0);
    ASSERT_EQ(heard.size(), (size_t)sound->ready);
    EXPECT_EQ(sound->ready, 13230u * sound_sdl::kBytesPerFrame);
    EXPECT_EQ(sound->capacity, sound->ready);
    EXPECT_EQ(memcmp(heard.data(), sound->pcm.get(), heard.size()), 0);
}

namespace {

// The amplitude of one frequency on one side (0 left, 1 right) of stereo
// 16-bit PCM, over `frames` frames from `from`.
double ToneOn(const uint8_t* pcm, size_t from, size_t frames, int side, double frequency) {
    const double w = 2 * M_PI * frequency / sound_sdl::kRate, k = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < from + frames; ++i) {
        const uint8_t* at = pcm + i * sound_sdl::kBytesPerFrame + side * 2;
        const double s0 = (int16_t)(at[0] | at[1] << 8) + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - k * s1 * s2) * 2 / frames;
}

// A PCM WAVE of the given samples (interleaved; 8-bit ones are stored
// unsigned, from the top byte).
Bytes WaveOf(int rate, int channels, int bits, const std::vector<int16_t>& samples) {
    const uint32_t bytes = (uint32_t)samples.size() * (bits / 8);
    Bytes f;
    PutText(&f, "RIFF");
    Put32(&f, 36 + bytes, false);
    PutText(&f, "WAVE");
    PutText(&f, "fmt ");
    Put32(&f, 16, false);
    Put16(&f, 1, false);
    Put16(&f, (uint16_t)channels, false);
    Put32(&f, rate, false);
    Put32(&f, rate * channels * bits / 8, false);
    Put16(&f, (uint16_t)(channels * bits / 8), false);
    Put16(&f, (uint16_t)bits, false);
    PutText(&f, "data");
    Put32(&f, bytes, false);
    for (int16_t v : samples) {
        if (bits == 8) f.push_back((uint8_t)((v >> 8) + 128));
        else Put16(&f, (uint16_t)v, false);
    }
    return f;
}

constexpr double kToneHz = 1000, kToneLevel = 16000;

double ToneAt(double seconds) { return kToneLevel * std::sin(2 * M_PI * kToneHz * seconds); }

// Root mean square of one channel of 16-bit stereo over [from, to) frames.
double Rms(const int16_t* stereo, int channel, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += (double)stereo[2 * i + channel] * stereo[2 * i + channel];
    return std::sqrt(sum / (double)(to - from));
}

int LargestStep(const int16_t* stereo, int channel, size_t frames) {
    int step = 0;
    for (size_t i = 1; i < frames; ++i) step = std::max(step, std::abs(stereo[2 * i + channel] - stereo[2 * i - 2 + channel]));
    return step;
}

}  // namespace

// Ogg Vorbis and Opus of three to eight channels play their length, mixed
// down to stereo: each channel of the file, a tone of its own, is heard, and
// on its own side (the centre, the LFE and the rear centre on both). The
// files order their channels front left, centre, front right, then the
// sides and the rear, the LFE last.
TEST_F(SoundSdlTest, SurroundOggPlaysEveryChannelOnItsSide) {
    enum Side { L, C, R };
    struct Case {
        bool opus;
        std::vector<Side> sides;
    };
    const Case cases[] = {
        {false, {L, C, R}},
        {false, {L, R, L, R}},
        {false, {L, C, R, L, R}},
        {false, {L, C, R, L, R, C}},
        {false, {L, C, R, L, R, C, C}},
        {false, {L, C, R, L, R, L, R, C}},
        {true, {L, C, R, L, R, C}},
        {true, {L, C, R, L, R, L, R, C}},
    };
    const double kTones[8] = {300, 500, 700, 900, 1100, 1300, 1500, 1700};
    const float amplitude = 0.3f;
    const double full = amplitude * 32767;
    for (const Case& c : cases) {
        const size_t channels = c.sides.size();
        SCOPED_TRACE(std::string(c.opus ? "Opus, " : "Vorbis, ") + std::to_string(channels) + " channels");
        std::vector<double> tones(kTones, kTones + channels);
        if (channels >= 6) tones.back() = 60;  // the LFE: the encoders keep only its lowest tones
        const Bytes file = c.opus ? oggsamples::OpusOf(0.5, tones, amplitude)
                                  : oggsamples::VorbisOf(0.5, sound_sdl::kRate, tones, amplitude, 0.4f);
        ASSERT_FALSE(file.empty());
        WriteFile("date/surround.tov", file);
        ASSERT_TRUE(LoadSegment(2, "date/surround.tov", false));
        const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[2]);
        ASSERT_NE(sound, nullptr);
        if (channels != 6) sound_sdl::WaitUntilRendered(*sound);
        const Bytes heard = channels == 6 ? Hear(2) : Bytes(sound->pcm.get(), sound->pcm.get() + sound->ready);
        EXPECT_NEAR(heard.size() / sound_sdl::kBytesPerFrame, sound_sdl::kRate / 2, 2) << "half a second";
        for (size_t ch = 0; ch < channels; ++ch) {
            SCOPED_TRACE("channel " + std::to_string(ch));
            // 0.3 s from the middle of the sound: a whole number of every tone's cycles.
            const size_t from = sound_sdl::kRate / 10, frames = sound_sdl::kRate * 3 / 10;
            const double left = ToneOn(heard.data(), from, frames, 0, tones[ch]);
            const double right = ToneOn(heard.data(), from, frames, 1, tones[ch]);
            EXPECT_GT(std::max(left, right), full / 20) << "heard";
            if (c.sides[ch] == L) {
                EXPECT_GT(left, 1.3 * right) << "on the left";
            } else if (c.sides[ch] == R) {
                EXPECT_GT(right, 1.3 * left) << "on the right";
            } else {
                EXPECT_NEAR(left, right, std::max(left, right) / 10) << "in the middle";
            }
        }
        ASSERT_TRUE(ReleaseAllSegments());
    }

    // Every channel at full scale, in step: the mix is held at full scale
    // where it would pass it, and never wraps round to the other sign.
    const Bytes loud = oggsamples::VorbisOf(0.5, sound_sdl::kRate, std::vector<double>(6, 441), 1.0f, 0.4f);
    sound_sdl::DecodedSound mixed;
    ASSERT_EQ(sound_sdl::DecodeSoundFile(loud.data(), loud.size(), &mixed), sound_sdl::DecodeResult::Ok);
    sound_sdl::WaitUntilRendered(mixed);
    const int16_t* pcm = reinterpret_cast<const int16_t*>(mixed.pcm.get());
    int wrong = 0;
    for (uint32_t i = 0; i < mixed.ready / sound_sdl::kBytesPerFrame; ++i) {
        const double source = std::sin(i * 2 * M_PI * 441 / sound_sdl::kRate);
        if (std::abs(source) > 0.5 && (pcm[i * 2] * source < 8000 || pcm[i * 2 + 1] * source < 8000)) ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "samples far from the source's";
    EXPECT_GT(PeakOf(mixed.pcm.get(), mixed.ready), 30000);
}

// A converted WAVE is its whole sound at the mixer's rate, whatever its rate
// and channels, shorter or longer than one piece of the conversion: as long
// as the source, the tone it holds sampled afresh at 44.1 kHz (not a frame
// skipped or repeated), at full level to its last milliseconds, and no
// step between two samples beyond the tone's own (a quarter more for the
// ripple that a band-limited start and end bring). The tones are whole
// cycles, so that they begin and end at nought.
TEST(SoundSdlDecode, ConvertedWavesAreTheirWholeSourceAtEveryRate) {
    const size_t edge = sound_sdl::kRate / 200;  // 5 ms: the resampler's own start and end
    const double ownStep = kToneLevel * 2 * M_PI * kToneHz / sound_sdl::kRate;
    for (int rate : {8000, 11025, 22050, 32000, 48000, 96000}) {
        for (int channels : {1, 2}) {
            for (int ms : {40, 1000}) {  // 40 ms is less than one piece at every rate
                SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels, " +
                             std::to_string(ms) + " ms");
                const int frames = rate * ms / 1000;
                // The right channel is the left one upside down: a mix-down or a swap shows.
                std::vector<int16_t> samples;
                for (int i = 0; i < frames; ++i) {
                    const int16_t v = (int16_t)std::lround(ToneAt((double)i / rate));
                    samples.push_back(v);
                    if (channels == 2) samples.push_back((int16_t)-v);
                }
                const Bytes file = WaveOf(rate, channels, 16, samples);
                sound_sdl::DecodedSound sound;
                ASSERT_EQ(sound_sdl::DecodeSoundFile(file.data(), file.size(), &sound), sound_sdl::DecodeResult::Ok);
                sound_sdl::WaitUntilRendered(sound);
                EXPECT_FALSE(sound.failed);
                const size_t length = (size_t)sound_sdl::kRate * ms / 1000;
                ASSERT_EQ(sound.ready, length * sound_sdl::kBytesPerFrame);
                const int16_t* pcm = reinterpret_cast<const int16_t*>(sound.pcm.get());
                const int sign[2] = {1, channels == 2 ? -1 : 1};
                for (int ch = 0; ch < 2; ++ch) {
                    SCOPED_TRACE(ch ? "right" : "left");
                    double worst = 0;
                    for (size_t i = edge; i + edge < length; ++i) {
                        worst = std::max(worst, std::abs(pcm[2 * i + ch] - sign[ch] * ToneAt((double)i / sound_sdl::kRate)));
                    }
                    EXPECT_LT(worst, kToneLevel / 100) << "the tone is off its source's course";
                    const size_t sourceEdge = (size_t)rate / 200;
                    double sourceSum = 0;
                    for (int i = frames - (int)sourceEdge; i < frames; ++i) sourceSum += samples[i * channels] * (double)samples[i * channels];
                    const double sourceTail = std::sqrt(sourceSum / (double)sourceEdge);
                    EXPECT_NEAR(Rms(pcm, ch, length - edge, length) / sourceTail, 1.0, 0.1) << "the last 5 ms";
                    EXPECT_LE(LargestStep(pcm, ch, length), 1.25 * ownStep);
                }
            }
        }
    }
}

// Other sample sizes and more channels than two go the same way: a tone in
// 8 bits, and one in all eight channels of a 7.1 layout mixed down to stereo.
TEST(SoundSdlDecode, ConvertedWavesOfOtherLayoutsAreWholeToo) {
    struct Case {
        int rate, channels, bits;
    } cases[] = {{11025, 1, 8}, {48000, 8, 16}, {22050, 6, 16}};
    const size_t edge = sound_sdl::kRate / 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels, " +
                     std::to_string(c.bits) + " bits");
        std::vector<int16_t> samples;
        for (int i = 0; i < c.rate; ++i) samples.insert(samples.end(), c.channels, (int16_t)std::lround(ToneAt((double)i / c.rate)));
        const Bytes file = WaveOf(c.rate, c.channels, c.bits, samples);
        sound_sdl::DecodedSound sound;
        ASSERT_EQ(sound_sdl::DecodeSoundFile(file.data(), file.size(), &sound), sound_sdl::DecodeResult::Ok);
        sound_sdl::WaitUntilRendered(sound);
        EXPECT_FALSE(sound.failed);
        const size_t length = sound_sdl::kRate;
        ASSERT_EQ(sound.ready, length * sound_sdl::kBytesPerFrame);
        const int16_t* pcm = reinterpret_cast<const int16_t*>(sound.pcm.get());
        for (int ch = 0; ch < 2; ++ch) {
            const double middle = Rms(pcm, ch, length / 2 - edge, length / 2 + edge);
            EXPECT_GT(middle, kToneLevel / 4);
            EXPECT_NEAR(Rms(pcm, ch, length - edge, length) / middle, 1.0, 0.1) << "the last 5 ms";
        }
    }
}

// An Ogg Vorbis or Opus file is converted as a WAVE is, link by link: each
// link of a chain as long as its source at the mixer's rate, whatever its
// rate and layout. The source is a tone of 300 whole cycles in every channel
// (the 5.1 files' LFE silent), so that each link begins and ends at nought.
// Each link is heard at the level of its own middle to its last
// milliseconds, keeps to the tone's course (past the codecs' own first and
// last 20 ms, their noise is far below a frame skipped or repeated), and
// has no step beyond the tone's own, from nought before it to nought after.
TEST(SoundSdlDecode, OggIsItsWholeSourceLinkByLink) {
    struct Link {
        bool opus;
        int rate, channels;
    };
    const std::vector<std::vector<Link>> cases = {
        {{false, 8000, 1}},  {{false, 22050, 1}}, {{false, 44100, 2}},
        {{false, 48000, 2}}, {{false, 22050, 6}}, {{false, 48000, 6}},
        {{true, 48000, 1}},  {{true, 48000, 2}},  {{true, 48000, 6}},
        // Chains whose links change rate and layout, layout alone, rate alone.
        {{false, 22050, 2}, {false, 48000, 6}},
        {{true, 48000, 2}, {true, 48000, 6}},
        {{false, 48000, 1}, {false, 22050, 1}},
    };
    const double seconds = 0.3;
    const size_t edge = sound_sdl::kRate / 200, settle = sound_sdl::kRate / 50;
    const double ownStep = kToneLevel * 2 * M_PI * kToneHz / sound_sdl::kRate;
    for (const std::vector<Link>& links : cases) {
        std::string name;
        Bytes file;
        std::vector<size_t> ends;  // of each link in the converted sound, in frames
        size_t length = 0;
        for (const Link& link : links) {
            name += std::string(link.opus ? " Opus " : " Vorbis ") + std::to_string(link.rate) + " Hz " +
                    std::to_string(link.channels) + " channels;";
            std::vector<double> tones(link.channels, kToneHz);
            if (link.channels == 6) tones[5] = 0;
            const float amplitude = (float)(kToneLevel / 32768);
            const int serial = 1 + (int)ends.size();
            const Bytes one = link.opus ? oggsamples::OpusOf(seconds, tones, amplitude, serial)
                                        : oggsamples::VorbisOf(seconds, link.rate, tones, amplitude, 1.0f, false, serial);
            ASSERT_FALSE(one.empty()) << name;
            file.insert(file.end(), one.begin(), one.end());
            length += (size_t)(seconds * link.rate) * sound_sdl::kRate / link.rate;
            ends.push_back(length);
        }
        SCOPED_TRACE(name);
        sound_sdl::DecodedSound sound;
        ASSERT_EQ(sound_sdl::DecodeSoundFile(file.data(), file.size(), &sound), sound_sdl::DecodeResult::Ok);
        sound_sdl::WaitUntilRendered(sound);
        EXPECT_FALSE(sound.failed);
        ASSERT_EQ(sound.ready, length * sound_sdl::kBytesPerFrame);
        const int16_t* pcm = reinterpret_cast<const int16_t*>(sound.pcm.get());
        for (size_t k = 0, begin = 0; k < ends.size(); begin = ends[k++]) {
            const size_t end = ends[k], middle = (begin + end) / 2;
            for (int ch = 0; ch < 2; ++ch) {
                SCOPED_TRACE(std::string(ch ? "right" : "left") + ", link " + std::to_string(k + 1));
                const double level = Rms(pcm, ch, middle - edge, middle + edge);
                EXPECT_GT(level, kToneLevel / 8) << "heard";
                EXPECT_NEAR(Rms(pcm, ch, end - edge, end) / level, 1.0, 0.1) << "the last 5 ms";
                const double gain = level * std::sqrt(2.0) / kToneLevel;
                double worst = 0;
                for (size_t i = begin + settle; i + settle < end; ++i) {
                    worst = std::max(worst, std::abs(pcm[2 * i + ch] - gain * ToneAt((double)i / sound_sdl::kRate)));
                }
                EXPECT_LT(worst, gain * kToneLevel / 20) << "the tone is off its source's course";
                const int outermost = std::max(std::abs(pcm[2 * begin + ch]), std::abs(pcm[2 * (end - 1) + ch]));
                EXPECT_LE(std::max(LargestStep(pcm + 2 * begin, ch, end - begin), outermost), 1.25 * gain * ownStep);
            }
        }
    }
}

// A stream of another kind may begin first, beside the sound (an Ogg
// skeleton, whose last page ends the file): the sound plays as it would
// alone, Vorbis and Opus. A file cut among those first pages is refused.
TEST(SoundSdlDecode, OggSoundBesideAStreamOfAnotherKindPlays) {
    for (bool opus : {false, true}) {
        SCOPED_TRACE(opus ? "Opus" : "Vorbis");
        const float amplitude = (float)(kToneLevel / 32768);
        const Bytes alone = opus ? oggsamples::OpusOf(0.3, {kToneHz, kToneHz}, amplitude)
                                 : oggsamples::VorbisOf(0.3, 22050, {kToneHz, kToneHz}, amplitude, 1.0f);
        ASSERT_FALSE(alone.empty());
        ogg_stream_state other;
        ogg_stream_init(&other, 77);
        std::vector<uint8_t> head(64, 0);
        memcpy(head.data(), "fishead", 8);
        ogg_packet packet{};
        packet.packet = head.data();
        packet.bytes = (long)head.size();
        packet.b_o_s = 1;
        Bytes file;
        ogg_page page;
        ogg_stream_packetin(&other, &packet);
        while (ogg_stream_flush(&other, &page)) oggsamples::Append(&file, page);
        file.insert(file.end(), alone.begin(), alone.end());
        packet.b_o_s = 0;
        packet.e_o_s = 1;
        packet.bytes = 0;
        packet.packetno = 1;
        ogg_stream_packetin(&other, &packet);
        while (ogg_stream_flush(&other, &page)) oggsamples::Append(&file, page);
        ogg_stream_clear(&other);

        std::string why;
        EXPECT_EQ(sound_scan::ScanSoundFile(file.data(), file.size(), &why), sound_scan::ScanResult::Ok) << why;
        sound_sdl::DecodedSound expected, heard;
        ASSERT_EQ(sound_sdl::DecodeSoundFile(alone.data(), alone.size(), &expected), sound_sdl::DecodeResult::Ok);
        ASSERT_EQ(sound_sdl::DecodeSoundFile(file.data(), file.size(), &heard), sound_sdl::DecodeResult::Ok);
        sound_sdl::WaitUntilRendered(expected);
        sound_sdl::WaitUntilRendered(heard);
        EXPECT_FALSE(heard.failed);
        ASSERT_EQ(heard.ready, expected.ready);
        EXPECT_EQ(memcmp(heard.pcm.get(), expected.pcm.get(), heard.ready), 0);

        // Cut inside those first pages, the file is looked at no further than
        // its end (the sanitizers watch each cut's bytes), and refused.
        for (size_t cut = 28; cut < 200; ++cut) {
            const Bytes part(file.begin(), file.begin() + cut);
            sound_scan::ScanSoundFile(part.data(), part.size());
            sound_sdl::DecodedSound none;
            EXPECT_NE(sound_sdl::DecodeSoundFile(part.data(), part.size(), &none), sound_sdl::DecodeResult::Ok) << cut;
        }
    }
}

// How far a converted WAVE lies from other conversions of its source, run by
// tools/check_wave_tones.sh (not part of the suite): SDL's conversion of the
// whole buffer at once, as loads once did, and libsamplerate's best
// converter over the whole buffer; for the tone, also the tone itself at
// 44.1 kHz. Each line: the largest difference over the whole sound, and
// from 5 ms in to 5 ms before the end, and the difference's power against
// the sound's.
TEST(SoundSdlBench, DISABLED_ConvertedWavesAgainstReferences) {
    const size_t edge = sound_sdl::kRate / 200;
    for (int rate : {8000, 11025, 22050, 32000, 48000, 96000}) {
        // A second: the tone of the tests, or a sweep from 50 Hz up to a
        // share of the lower rate (converters' filters part above 0.4).
        const struct {
            const char* signal;
            double top;
        } signals[] = {{"1-kHz tone", 0}, {"sweep 0.40", 0.40}, {"sweep 0.45", 0.45}};
        for (const auto& which : signals) {
            const char* signal = which.signal;
            const bool tone = which.top == 0;
            const double top = which.top * std::min(rate, sound_sdl::kRate);
            auto at = [&](double t) {
                return tone ? ToneAt(t) : kToneLevel * std::sin(2 * M_PI * (50 * t + (top - 50) * t * t / 2));
            };
            std::vector<int16_t> samples(rate);
            for (int i = 0; i < rate; ++i) samples[i] = (int16_t)std::lround(at((double)i / rate));
            const Bytes file = WaveOf(rate, 1, 16, samples);
            sound_sdl::DecodedSound sound;
            ASSERT_EQ(sound_sdl::DecodeSoundFile(file.data(), file.size(), &sound), sound_sdl::DecodeResult::Ok);
            sound_sdl::WaitUntilRendered(sound);
            const size_t length = sound.ready / sound_sdl::kBytesPerFrame;
            const int16_t* pcm = reinterpret_cast<const int16_t*>(sound.pcm.get());

            SDL_AudioCVT cvt;
            ASSERT_GE(SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, 1, rate, AUDIO_S16SYS, 2, sound_sdl::kRate), 0);
            cvt.len = rate * 2;
            std::vector<uint8_t> whole((size_t)cvt.len * cvt.len_mult);
            memcpy(whole.data(), samples.data(), cvt.len);
            cvt.buf = whole.data();
            ASSERT_EQ(SDL_ConvertAudio(&cvt), 0);
            std::vector<float> in(rate), best(length + 64);
            src_short_to_float_array(samples.data(), in.data(), rate);
            SRC_DATA data{};
            data.data_in = in.data();
            data.input_frames = rate;
            data.data_out = best.data();
            data.output_frames = (long)best.size();
            data.end_of_input = 1;
            data.src_ratio = (double)sound_sdl::kRate / rate;
            ASSERT_EQ(src_simple(&data, SRC_SINC_BEST_QUALITY, 1), 0);

            auto compare = [&](const char* name, size_t frames, const std::function<double(size_t)>& other) {
                double most = 0, inner = 0, diff = 0, power = 0;
                for (size_t i = 0; i < std::min(frames, length); ++i) {
                    const double d = std::abs(pcm[2 * i] - other(i));
                    most = std::max(most, d);
                    if (i >= edge && i + edge < length) inner = std::max(inner, d);
                    diff += d * d;
                    power += (double)pcm[2 * i] * pcm[2 * i];
                }
                printf("%6d Hz %-10s against %-28s %6zu of %6zu frames; largest difference %5.0f, %5.0f inside; %6.1f dB\n",
                       rate, signal, name, std::min(frames, length), length, most, inner, 10 * std::log10(diff / power));
            };
            const int16_t* sdl = reinterpret_cast<const int16_t*>(whole.data());
            compare("SDL's whole-buffer conversion", (size_t)cvt.len_cvt / sound_sdl::kBytesPerFrame,
                    [&](size_t i) { return sdl[2 * i]; });
            compare("libsamplerate's best", (size_t)data.output_frames_gen,
                    [&](size_t i) { return std::lround(best[i] * 32768.0); });
            if (tone) compare("the tone at 44.1 kHz", length, [&](size_t i) { return at((double)i / sound_sdl::kRate); });
        }
    }
}

// Timing of the stage start's sound list, run by tools/bench_sounds.sh (not
// part of the suite). POTE_BENCH_DIR names a folder that holds date/.
TEST(SoundSdlBench, DISABLED_LoadGameSoundsTiming) {
    const char* dir = getenv("POTE_BENCH_DIR");
    ASSERT_NE(dir, nullptr) << "set POTE_BENCH_DIR to a folder holding date/";
    ASSERT_EQ(chdir(dir), 0) << dir;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // As a player meets it, the sounds were asked for at start-up and the
    // front end (at least 7 s) has passed; POTE_BENCH_COLD times the first
    // load with nothing asked for ahead.
    if (!getenv("POTE_BENCH_COLD")) {
        auto asked = std::chrono::steady_clock::now();
        PrefetchSounds();
        ASSERT_TRUE(InitDirectMusic());
        ASSERT_TRUE(sound_sdl::WaitForRenders(10000));
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count();
        printf("start-up's prefetch: every sound rendered %.1f ms after it was asked for\n", ms);
    } else {
        printf("cold: nothing asked for ahead\n");
        ASSERT_TRUE(InitDirectMusic());
    }
    int runs = getenv("POTE_BENCH_RUNS") ? atoi(getenv("POTE_BENCH_RUNS")) : 10;
    g_nCharacter = 1;
    for (int run = 0; run <= runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        timespec cpu0, cpu1;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
        LoadGameSounds();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        double cpuMs = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
        printf("%s LoadGameSounds: %.1f ms wall, %.1f ms on the calling thread\n", run == 0 ? "first   " : "repeated",
               ms, cpuMs);
        if (run == 0) {
            // The songs go on rendering on the workers after the load returns.
            for (int slot = 0; slot < SEGMENT_SLOTS; ++slot) {
                const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[slot]);
                if (sound) sound_sdl::WaitUntilRendered(*sound);
            }
            double all = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            printf("all rendered (in the background) %.1f ms after the first load began\n", all);
        }
    }
    sound_sdl::CacheStats stats = sound_sdl::GetCacheStats();
    printf("files decoded %d, loads from the cache %d\n", stats.decoded, stats.reused);
    for (int slot = 1; slot < SEGMENT_SLOTS; ++slot) EXPECT_TRUE(slot == 2 || slot > 17 || g_pSegment[slot]) << slot;
    EXPECT_TRUE(ReleaseAllSegments());
    EXPECT_TRUE(ReleaseDirectMusic());
}
