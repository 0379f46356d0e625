// The real SDL layer against hostile sound files and a machine without a
// display: tiny files that claim huge sounds fail from their headers, things
// that are not files fail at once, and start-up without a display ends with
// the device's message instead of running unseen.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/ogg_samples.h"
#include "game/objects.h"
#include "platform/common/sound_scan.h"
#include "platform/sdl/sound_sdl.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/winmain.h"

namespace {

typedef std::vector<uint8_t> Bytes;
using sound_sdl::DecodeResult;

void Le(Bytes* b, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b->push_back(i < 8 ? (uint8_t)(v >> (8 * i)) : 0);
}
void Text(Bytes* b, const char* s, size_t n = 4) { b->insert(b->end(), s, s + n); }

// A 16-bit PCM WAVE whose header claims rate, channels and dataBytes, and
// which holds at most 400 bytes of samples.
Bytes Wave(uint32_t rate, uint16_t channels, uint32_t dataBytes) {
    uint32_t held = std::min<uint32_t>(dataBytes, 400);
    Bytes f;
    Text(&f, "RIFF");
    Le(&f, 36 + dataBytes, 4);
    Text(&f, "WAVE");
    Text(&f, "fmt ");
    Le(&f, 16, 4);
    Le(&f, 1, 2);
    Le(&f, channels, 2);
    Le(&f, rate, 4);
    Le(&f, (uint64_t)rate * channels * 2, 4);
    Le(&f, channels * 2u, 2);
    Le(&f, 16, 2);
    Text(&f, "data");
    Le(&f, dataBytes, 4);
    for (uint32_t i = 0; i < held; ++i) f.push_back((uint8_t)(i * 37));
    return f;
}

// One Ogg page holding a Vorbis identification header, and a last page whose
// granule position says how many samples the stream has.
Bytes Ogg(uint32_t rate, uint8_t channels, uint64_t samples) {
    Bytes f;
    Text(&f, "OggS");
    f.insert(f.end(), {0, 2});
    Le(&f, 0, 8);
    Le(&f, 1, 4);
    Le(&f, 0, 4);
    Le(&f, 0, 4);  // the checksum is the mixer's business
    f.insert(f.end(), {1, 30});
    Text(&f, "\x01vorbis", 7);
    Le(&f, 0, 4);
    f.push_back(channels);
    Le(&f, rate, 4);
    Le(&f, 0, 12);
    f.insert(f.end(), {0xB8, 1});
    Text(&f, "OggS");
    f.insert(f.end(), {0, 4});
    Le(&f, samples, 8);
    Le(&f, 1, 4);
    Le(&f, 1, 4);
    Le(&f, 0, 4);
    f.insert(f.end(), {1, 1, 0});
    return f;
}

// A song whose one note ends after `seconds` (at 0.5 s a quarter note).
Bytes MidiLasting(uint32_t seconds) {
    uint32_t ticks = seconds * 2 * 96;
    Bytes track = {0x00, 0x90, 60, 100};
    Bytes delta;
    for (int shift = 21; shift > 0; shift -= 7) delta.push_back((uint8_t)(0x80 | ((ticks >> shift) & 0x7F)));
    delta.push_back((uint8_t)(ticks & 0x7F));
    track.insert(track.end(), delta.begin(), delta.end());
    track.insert(track.end(), {0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    Bytes f;
    Text(&f, "MThd");
    f.insert(f.end(), {0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, (uint8_t)track.size()});
    f.insert(f.end(), track.begin(), track.end());
    return f;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

DecodeResult Decode(const Bytes& b) {
    sound_sdl::DecodedSound out;
    return sound_sdl::DecodeSoundFile(b.data(), b.size(), &out);
}

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class HostileSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/pote-hostile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_EQ(mkdir("date", 0755), 0);
        ASSERT_TRUE(InitDirectMusic());
    }
    void TearDown() override {
        ReleaseAllSegments();
        ReleaseDirectMusic();
        EXPECT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
    }
    std::string dir_;
};

}  // namespace

TEST_F(HostileSoundTest, SampledSoundsBeyondTheLimitsAreRefusedFromTheirHeaders) {
    const uint32_t lo = sound_sdl::kMinSampleRate, hi = sound_sdl::kMaxSampleRate;
    EXPECT_EQ(Decode(Wave(lo, 1, 400)), DecodeResult::Ok);
    EXPECT_EQ(Decode(Wave(hi, 2, 400)), DecodeResult::Ok);
    EXPECT_EQ(Decode(Wave(1, 1, 400)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Wave(lo - 1, 1, 400)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Wave(hi + 1, 1, 400)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Wave(lo, 0, 400)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Wave(lo, 9, 400)), DecodeResult::TooLarge);
    {
        // Up to eight channels are mixed down to stereo.
        Bytes eight = Wave(lo, 8, 400);
        sound_sdl::DecodedSound out;
        ASSERT_EQ(sound_sdl::DecodeSoundFile(eight.data(), eight.size(), &out), DecodeResult::Ok);
        sound_sdl::WaitUntilRendered(out);
        EXPECT_FALSE(out.failed);
        EXPECT_NEAR(out.ready / sound_sdl::kBytesPerFrame, 400 / 16 * sound_sdl::kRate / lo, 2);  // 25 frames
    }

    EXPECT_EQ(Decode(Ogg(1, 2, 100)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Ogg(44100, 9, 100)), DecodeResult::TooLarge);
    EXPECT_EQ(Decode(Ogg(44100, 2, 44100ull * 601)), DecodeResult::TooLarge);
    EXPECT_NE(Decode(Ogg(44100, 2, 44100ull * 599)), DecodeResult::TooLarge);

    Bytes song = MidiLasting(599);
    double seconds = 0;
    ASSERT_TRUE(sound_sdl::ScanMidiFile(song.data(), song.size(), &seconds));
    EXPECT_NEAR(seconds, 599, 0.01);
    EXPECT_EQ(Decode(MidiLasting(2)), DecodeResult::Ok);
    EXPECT_EQ(Decode(MidiLasting(601)), DecodeResult::TooLarge);
}

namespace {

// A PCM WAVE holding `held` bytes of samples, mono, whose RIFF and data chunk
// sizes say what the test wants: a file written to a pipe cannot go back to
// set them.
Bytes WaveSized(uint32_t rate, uint16_t bits, uint32_t held, uint32_t riffSize, uint32_t dataSize) {
    Bytes f;
    Text(&f, "RIFF");
    Le(&f, riffSize, 4);
    Text(&f, "WAVE");
    Text(&f, "fmt ");
    Le(&f, 16, 4);
    Le(&f, 1, 2);
    Le(&f, 1, 2);
    Le(&f, rate, 4);
    Le(&f, rate * bits / 8, 4);
    Le(&f, bits / 8, 2);
    Le(&f, bits, 2);
    Text(&f, "data");
    Le(&f, dataSize, 4);
    for (uint32_t i = 0; i < held; ++i) f.push_back((uint8_t)(i * 37));
    return f;
}

}  // namespace

// A streamed WAVE is the samples it holds: sizes that a stream leaves as
// placeholders (0xFFFFFFFF, 0, or a longer stream's, the RIFF size running
// past the file's end too), or a RIFF size a little too large, load and play
// for as long as the file's samples last, a partial last frame left out.
// Length limits apply to those samples, and a file beyond them names its own
// length. A data chunk that runs past the end of a file whose RIFF size
// says it ends within it stays a broken file.
TEST_F(HostileSoundTest, StreamedWavesAreTheSamplesTheyHold) {
    const uint32_t second = 8000 * 2;  // bytes: a second at 8 kHz, 16-bit mono
    const uint32_t whole = 36 + second;
    struct Case {
        const char* file;
        Bytes bytes;
    } cases[] = {
        {"date/ff.tov", WaveSized(8000, 16, second, 0xFFFFFFFF, 0xFFFFFFFF)},
        {"date/zero.tov", WaveSized(8000, 16, second, 0, 0)},
        {"date/longer.tov", WaveSized(8000, 16, second, 36 + 10 * second, 10 * second)},
        {"date/riff8.tov", WaveSized(8000, 16, second, whole + 8, second)},
        {"date/oddbyte.tov", WaveSized(8000, 16, second + 1, 0xFFFFFFFF, 0xFFFFFFFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string why;
        EXPECT_EQ(sound_scan::ScanSoundFile(c.bytes.data(), c.bytes.size(), &why), sound_scan::ScanResult::Ok) << why;
        WriteFile(c.file, c.bytes);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(LoadSegment(4, c.file, false));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        const sound_sdl::DecodedSound* sound = sound_sdl::SegmentSound(g_pSegment[4]);
        ASSERT_NE(sound, nullptr);
        sound_sdl::WaitUntilRendered(*sound);
        EXPECT_FALSE(sound->failed);
        EXPECT_EQ(sound->ready, (uint32_t)sound_sdl::kRate * sound_sdl::kBytesPerFrame) << "a second";
    }

    // 4 kHz, 8 bits: ten minutes are 2.4 MB.
    const uint32_t minute = 4000 * 60;
    std::string why;
    Bytes inside = WaveSized(4000, 8, minute * 599 / 60, 0xFFFFFFFF, 0xFFFFFFFF);
    EXPECT_EQ(sound_scan::ScanSoundFile(inside.data(), inside.size(), &why), sound_scan::ScanResult::Ok) << why;
    WriteFile("date/long.tov", WaveSized(4000, 8, minute * 601 / 60, 0xFFFFFFFF, 0xFFFFFFFF));
    WriteFile("date/cut.tov", WaveSized(8000, 16, second / 2, whole - second / 2, second));
    struct Refused {
        const char* file;
        const char* reason;
    } refused[] = {
        {"date/long.tov", "a sound beyond the limits: about 10 minutes 1 second long, longer than 10 minutes"},
        {"date/cut.tov", "a broken sound file"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.file);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadSegment(4, r.file, false));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(std::string(r.file) + ": " + r.reason), std::string::npos) << err;
        EXPECT_EQ(CountOf(err, "cannot load"), 1) << err;
    }
    // Cut with both sizes as they were, it is the start of a longer stream,
    // as far as anyone can tell.
    const Bytes cut = WaveSized(8000, 16, second / 2, whole, second);
    EXPECT_EQ(sound_scan::ScanSoundFile(cut.data(), cut.size()), sound_scan::ScanResult::Ok);
}

TEST_F(HostileSoundTest, AnOggFilesLengthIsCountedFromItsPacketsNotItsClaims) {
    // Silence packs about ten minutes into 20 KB; pages that claim half a
    // second once let such a file decode for hours, at 10 MB a minute.
    const int lo = sound_sdl::kMinSampleRate;
    std::string why;
    Bytes lying = oggsamples::Vorbis(10.5 * 60, lo, 0, true);
    EXPECT_EQ(Decode(lying), DecodeResult::TooLarge);
    EXPECT_EQ(sound_scan::ScanSoundFile(lying.data(), lying.size(), &why), sound_scan::ScanResult::TooLarge);
    EXPECT_EQ(why, "about 10 minutes 30 seconds long, longer than 10 minutes");
    // The count is the decoder's: a file of ten minutes to the sample stays
    // (its last packet runs past its end, which the decoder drops), at its
    // whole length; one a sample longer goes, named as past the limit. A
    // file just inside the limit stays, one just past it goes, whatever
    // their pages say.
    Bytes atLimit = oggsamples::Vorbis(600, lo, 0);
    EXPECT_EQ(sound_scan::CheckOggClaims(atLimit.data(), atLimit.size(), &why), sound_scan::ScanResult::Ok) << why;
    {
        sound_sdl::DecodedSound whole;
        ASSERT_EQ(sound_sdl::DecodeSoundFile(atLimit.data(), atLimit.size(), &whole), DecodeResult::Ok);
        // Its buffer is its length to the sample; the conversion into it
        // is left unfinished (short sounds test it).
        EXPECT_EQ(whole.capacity, 600u * sound_sdl::kRate * sound_sdl::kBytesPerFrame);
    }
    Bytes sampleMore = oggsamples::Vorbis(600 + 1.5 / lo, lo, 0);
    EXPECT_EQ(sound_scan::CheckOggClaims(sampleMore.data(), sampleMore.size(), &why), sound_scan::ScanResult::TooLarge);
    EXPECT_EQ(why, "about 10 minutes 1 second long, longer than 10 minutes");
    Bytes inside = oggsamples::Vorbis(9.9 * 60, lo, 0, true);
    EXPECT_EQ(sound_scan::CheckOggClaims(inside.data(), inside.size()), sound_scan::ScanResult::Ok);
    Bytes past = oggsamples::Vorbis(10.1 * 60, lo, 0, true);
    EXPECT_EQ(sound_scan::CheckOggClaims(past.data(), past.size()), sound_scan::ScanResult::TooLarge);
    // Opus: 20 ms a packet.
    Bytes opus = oggsamples::OpusPackets(601 * 50);
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size()), sound_scan::ScanResult::TooLarge);
    opus = oggsamples::OpusPackets(599 * 50);
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size()), sound_scan::ScanResult::Ok);
    // Streams side by side all count, and only a few may be open at once; a
    // chain of streams one after another is one sound of their whole length.
    opus = oggsamples::OpusPackets(301 * 50, 2);
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size()), sound_scan::ScanResult::TooLarge);
    opus = oggsamples::OpusPackets(50, 17);
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size(), &why), sound_scan::ScanResult::TooLarge);
    EXPECT_EQ(why, "more than 16 streams side by side");
    opus.clear();
    for (int link = 0; link < 42; ++link) {  // 588 s
        Bytes next = oggsamples::OpusPackets(14 * 50, 1, link);
        opus.insert(opus.end(), next.begin(), next.end());
    }
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size(), &why), sound_scan::ScanResult::Ok) << why;
    Bytes oneMore = oggsamples::OpusPackets(14 * 50, 1, 42);  // 602 s
    opus.insert(opus.end(), oneMore.begin(), oneMore.end());
    EXPECT_EQ(sound_scan::CheckOggClaims(opus.data(), opus.size()), sound_scan::ScanResult::TooLarge);

    // A real sound still plays for as long as it is.
    Bytes tone = oggsamples::Vorbis(0.5, 22050, 440);
    sound_sdl::DecodedSound out;
    ASSERT_EQ(sound_sdl::DecodeSoundFile(tone.data(), tone.size(), &out), DecodeResult::Ok);
    sound_sdl::WaitUntilRendered(out);
    EXPECT_NEAR(double(out.ready / sound_sdl::kBytesPerFrame) / sound_sdl::kRate, 0.5, 0.01);
}

TEST_F(HostileSoundTest, AFailedLoadShowsItsMessageAndOneLineNamingTheFile) {
    WriteFile("date/oneherz.tov", Wave(1, 1, 400));
    WriteFile("date/nine.tov", Wave(8000, 9, 400));
    WriteFile("date/ogg-nine.tov", Ogg(44100, 9, 100));
    WriteFile("date/long.tov", MidiLasting(601));
    ASSERT_EQ(mkfifo("date/pipe.tov", 0644), 0);
    ASSERT_EQ(mkdir("date/folder.tov", 0755), 0);
    WriteFile("date/noise.tov", {'n', 'o', 'i', 's', 'e'});
    struct Case {
        const char* file;
        const char* reason;
    } cases[] = {
        // Sounds beyond the limits name the limit passed.
        {"date/oneherz.tov", "a sound beyond the limits: 1 samples a second, fewer than 4000"},
        {"date/nine.tov", "a sound beyond the limits: 9 channels, more than 8"},
        {"date/ogg-nine.tov", "a sound beyond the limits: 9 channels, more than 8"},
        {"date/long.tov", "a sound beyond the limits: about 10 minutes 1 second long, longer than 10 minutes"},
        {"date/pipe.tov", "not a regular file (a named pipe)"},
        {"date/folder.tov", "not a regular file (a folder)"},
        {"date/noise.tov", "not a sound file"},
        {"date/absent.tov", "missing"},
    };
    alarm(20);  // a load that blocks fails the test instead of hanging it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadSegment(4, c.file, false));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(CountOf(err, "cannot load"), 1) << err;
        EXPECT_EQ(CountOf(err, c.file), 1) << err;
        EXPECT_NE(err.find(std::string(c.file) + ": " + c.reason), std::string::npos) << err;
        EXPECT_NE(err.find("MIDIファイルのロードに失敗"), std::string::npos) << err;
        EXPECT_EQ(g_pSegment[4], nullptr);
    }
    alarm(0);
}

// Without a display, and with no video driver asked for, start-up fails as a
// device that cannot be created does, with one line saying why.
TEST(SdlNoDisplay, StartUpFailsWithTheDeviceMessage) {
    if (access("/dev/dri/card0", R_OK | W_OK) == 0) GTEST_SKIP() << "a console display could serve here";
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        // Should a display be found after all, the game is quit rather than left running.
        for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (done) return;
        SDL_Event e = {};
        e.type = SDL_QUIT;
        SDL_PushEvent(&e);
    });
    testing::internal::CaptureStderr();
    int code = WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    std::string err = testing::internal::GetCapturedStderr();
    done = true;
    watchdog.join();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(CountOf(err, "no display found"), 1) << err;
    EXPECT_NE(err.find("DirectXデバイス生成失敗"), std::string::npos) << err;
    EXPECT_EQ(g_pd3dDevice, nullptr);
    EXPECT_EQ(g_hWnd, nullptr);
    SDL_Quit();
}
