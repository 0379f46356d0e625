// The sound module against the recording sound layer: start-up and its
// failures, the slot loader, the in-game list, playing by slot, shutdown.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "game/objects.h"
#include "platform/common/code_page.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_sound.h"
#include "shell/sound.h"
#include "shell/winmain.h"
#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using headless_sound::Fail;

namespace {

// The whole in-game list in load order, for the given attack sound.
std::vector<std::string> GameSoundLoads(const char* attack) {
    std::vector<std::string> lines = {
        "load date/Ring.tov",       "load date/GameOver.tov", "load date/StageClear.tov",
        "load date/bossbattle.tov", "load date/RoundClear.tov", "load date/SE08.tov",
    };
    if (attack) lines.push_back(std::string("load ") + attack);
    for (const char* se : {"SE23", "SE03", "SE16", "SE20", "SE12", "SE18", "SE21", "SE22", "SE14", "SE28",
                           "SE29", "SE24", "SE31", "SE25", "SE35"}) {
        lines.push_back(std::string("load date/") + se + ".tov");
    }
    return lines;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless_sound::AcceptMissingFiles(true);
        ASSERT_TRUE(InitDirectMusic());
        headless_sound::ClearEvents();
    }
    void Play(int slot, DWORD flags) {
        g_pPerformance->PlaySegmentEx(g_pSegment[slot], NULL, NULL, flags, 0, NULL, NULL, NULL);
    }
};

}  // namespace

TEST(SoundStartup, EveryStepSucceedsAndSetsEveryObject) {
    EXPECT_TRUE(InitDirectMusic());
    EXPECT_NE(g_pPerformance, nullptr);
    EXPECT_NE(g_pDefAudioPath, nullptr);
    EXPECT_NE(g_pAudioPath1, nullptr);
    EXPECT_NE(g_pAudioPath2, nullptr);
    EXPECT_NE(g_pLoader, nullptr);
    EXPECT_EQ(g_lMasterVolume, 0);
    EXPECT_TRUE(MessageBoxTexts().empty());
}

// Each failing step shows its own message, stops there and keeps what the
// earlier steps created.
TEST(SoundStartup, EachFailingStepShowsItsMessage) {
    struct Case {
        Fail step;
        const char* message;
    };
    const Case cases[] = {
        {Fail::CreatePerformance, "DirectMusicPerformance8オブジェクトの作成に失敗"},
        {Fail::InitAudio, "DirectMusicPerformance8の初期化に失敗"},
        {Fail::GetDefaultAudioPath, "デフォルト・オーディオパスの取得に失敗"},
        {Fail::CreateAudioPath1, "オーディオ・パス「g_pAudioPath1」の作成に失敗"},
        {Fail::CreateAudioPath2, "オーディオ・パス「g_pAudioPath2」の作成に失敗"},
        {Fail::SetGlobalParam, "マスター・ボリュームの取得に失敗\n"},
        {Fail::CreateLoader, "DirectMusicLoader8オブジェクトの作成に失敗"},
        {Fail::SetSearchDirectory, "検索パスの設定に失敗"},
    };
    size_t shown = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ReleaseDirectMusic();
        headless_sound::Reset();
        headless_sound::FailStep(c.step);
        EXPECT_FALSE(InitDirectMusic());
        std::vector<std::string> texts = MessageBoxTexts();
        ASSERT_EQ(texts.size(), shown + 1);
        EXPECT_EQ(texts.back(), c.message);
        shown = texts.size();
    }
    // The last case failed at the search directory: everything before it stays.
    EXPECT_NE(g_pPerformance, nullptr);
    EXPECT_NE(g_pAudioPath2, nullptr);
    EXPECT_NE(g_pLoader, nullptr);
}

TEST_F(SoundTest, LoadSegmentLoopsDownloadsAndPlaysAsAsked) {
    EXPECT_TRUE(LoadSegment(0, "date/gorumo.tov", true));
    EXPECT_TRUE(LoadSegment(1, "date/SE05.tov", false));
    Play(0, 0);
    Play(1, DMUS_SEGF_SECONDARY);
    EXPECT_THAT(headless_sound::Log(),
                ElementsAre("load date/gorumo.tov", "repeats date/gorumo.tov forever", "download date/gorumo.tov",
                            "load date/SE05.tov", "download date/SE05.tov", "play date/gorumo.tov primary loop",
                            "play date/SE05.tov secondary once"));
    EXPECT_TRUE(MessageBoxTexts().empty());
}

TEST_F(SoundTest, LoadSegmentFailures) {
    // A file that does not load empties the slot.
    ASSERT_TRUE(LoadSegment(0, "date/logo.tov", false));
    headless_sound::FailLoad("date/gorumo.tov");
    EXPECT_FALSE(LoadSegment(0, "date/gorumo.tov", true));
    EXPECT_EQ(g_pSegment[0], nullptr);

    // A failed repeat setting or download leaves the segment in its slot.
    headless_sound::FailStep(Fail::Download);
    EXPECT_FALSE(LoadSegment(2, "date/SE01.tov", false));
    EXPECT_NE(g_pSegment[2], nullptr);
    headless_sound::FailStep(Fail::SetRepeats);
    EXPECT_FALSE(LoadSegment(3, "date/CharSelect.tov", true));
    EXPECT_NE(g_pSegment[3], nullptr);
    // ... but a one-shot load never sets repeats, so only the download fails.
    EXPECT_FALSE(LoadSegment(4, "date/SE04.tov", false));

    EXPECT_THAT(MessageBoxTexts(), ElementsAre("MIDIファイルのロードに失敗", "セグメントのバンドダウンロードに失敗",
                                        "セグメントのループ回数の設定に失敗",
                                        "セグメントのバンドダウンロードに失敗"));
}

TEST_F(SoundTest, MissingFileFailsWhenFilesAreRequired) {
    headless_sound::AcceptMissingFiles(false);
    EXPECT_FALSE(LoadSegment(5, "date/no-such-sound.tov", false));
    EXPECT_EQ(g_pSegment[5], nullptr);
    EXPECT_THAT(MessageBoxTexts(), ElementsAre("MIDIファイルのロードに失敗"));
}

TEST_F(SoundTest, GameSoundsLoadInOrderWithTheCharactersAttackSound) {
    const char* const attack[] = {"date/SE09.tov", "date/SE11.tov", "date/SE10.tov", "date/SE30.tov",
                                  "date/SE32.tov"};
    for (int character = 1; character <= 5; ++character) {
        SCOPED_TRACE(character);
        g_nCharacter = character;
        headless_sound::ClearEvents();
        LoadGameSounds();
        EXPECT_THAT(headless_sound::Log("load"), ElementsAreArray(GameSoundLoads(attack[character - 1])));
    }
    // Loops are exactly the stage, boss, game-over and ending music.
    EXPECT_THAT(headless_sound::Log("repeats"),
                ElementsAre("repeats date/Ring.tov forever", "repeats date/GameOver.tov forever",
                            "repeats date/bossbattle.tov forever", "repeats date/RoundClear.tov forever"));
    EXPECT_TRUE(MessageBoxTexts().empty());
    for (int slot : {0, 18, 19, 21, 22, 27, 28, 29, 30, 31}) EXPECT_EQ(g_pSegment[slot], nullptr) << slot;
}

TEST_F(SoundTest, UnknownCharacterSkipsTheAttackSoundAndGoesOn) {
    for (int character : {0, 6, -1}) {
        g_nCharacter = character;
        headless_sound::ClearEvents();
        LoadGameSounds();
        EXPECT_THAT(headless_sound::Log("load"), ElementsAreArray(GameSoundLoads(nullptr)));
        EXPECT_EQ(g_pSegment[2], nullptr);
    }
    EXPECT_TRUE(MessageBoxTexts().empty());
}

TEST_F(SoundTest, GameSoundsStopAtTheFirstFailureAndLaterSlotsKeepTheirSegments) {
    g_nCharacter = 1;
    LoadGameSounds();
    IDirectMusicSegment8* before[SEGMENT_SLOTS];
    std::copy(g_pSegment, g_pSegment + SEGMENT_SLOTS, before);

    headless_sound::ClearEvents();
    headless_sound::FailLoad("date/SE14.tov");  // slot 11
    LoadGameSounds();
    EXPECT_THAT(MessageBoxTexts(), ElementsAre("MIDIファイルのロードに失敗", "音楽ファイルを読み込めませんでした"));
    std::vector<std::string> loads = headless_sound::Log("load");
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(loads.back(), "load-failed date/SE14.tov");
    EXPECT_EQ(loads.size(), 16u);
    EXPECT_EQ(g_pSegment[11], nullptr);
    for (int slot = 12; slot <= 17; ++slot) EXPECT_EQ(g_pSegment[slot], before[slot]) << slot;
    EXPECT_NE(g_pSegment[10], before[10]);  // reloaded before the failure
}

TEST_F(SoundTest, FailureInTheMusicStopsTheListBeforeTheEffects) {
    g_nCharacter = 1;
    headless_sound::FailLoad("date/Ring.tov");
    LoadGameSounds();
    EXPECT_THAT(headless_sound::Log("load"), ElementsAre("load-failed date/Ring.tov"));
    EXPECT_THAT(MessageBoxTexts(), ElementsAre("MIDIファイルのロードに失敗", "音楽ファイルを読み込めませんでした"));
}

TEST_F(SoundTest, PrimaryReplacesPrimaryAndSecondariesOverlap) {
    ASSERT_TRUE(LoadSegment(0, "date/CharSelect.tov", true));
    ASSERT_TRUE(LoadSegment(20, "date/Ring.tov", true));
    ASSERT_TRUE(LoadSegment(7, "date/SE12.tov", false));
    ASSERT_TRUE(LoadSegment(9, "date/SE21.tov", false));
    Play(0, 0);
    Play(7, DMUS_SEGF_SECONDARY);
    Play(7, DMUS_SEGF_SECONDARY);
    Play(9, DMUS_SEGF_SECONDARY);
    Play(20, 0);
    EXPECT_EQ(headless_sound::Primary(), "date/Ring.tov");
    EXPECT_THAT(headless_sound::Secondaries(), ElementsAre("date/SE12.tov", "date/SE12.tov", "date/SE21.tov"));

    // The stage start ends the select music alone; effects go on.
    Play(0, 0);
    g_pPerformance->StopEx(g_pSegment[0], 0, 0);
    EXPECT_EQ(headless_sound::Primary(), "");
    EXPECT_EQ(headless_sound::Secondaries().size(), 3u);

    g_pPerformance->Stop(NULL, NULL, 0, 0);
    EXPECT_TRUE(headless_sound::Secondaries().empty());
}

TEST_F(SoundTest, EmptySlotPlaysNothing) {
    Play(21, 0);
    Play(31, DMUS_SEGF_SECONDARY);
    EXPECT_TRUE(headless_sound::Log("play").empty());
    EXPECT_TRUE(MessageBoxTexts().empty());
}

TEST_F(SoundTest, DisplacedSegmentKeepsPlayingUntilReplaced) {
    ASSERT_TRUE(LoadSegment(0, "date/logo.tov", false));
    Play(0, 0);
    ASSERT_TRUE(LoadSegment(0, "date/gorumo.tov", true));
    EXPECT_EQ(headless_sound::Primary(), "date/logo.tov");
    EXPECT_TRUE(headless_sound::Log("stop").empty());
    Play(0, 0);
    EXPECT_EQ(headless_sound::Primary(), "date/gorumo.tov");
}

TEST_F(SoundTest, ShutdownStopsUnloadsAndReleasesInOrder) {
    ASSERT_TRUE(LoadSegment(0, "date/CharSelect.tov", true));
    g_nCharacter = 1;
    LoadGameSounds();
    headless_sound::ClearEvents();

    EXPECT_TRUE(ReleaseAllSegments());
    EXPECT_TRUE(ReleaseDirectMusic());
    std::vector<std::string> expected = {"stop all"};
    const char* bySlot[] = {"CharSelect", "SE08", "SE09", "SE23", "SE03", "SE16", "SE20", "SE12", "SE18",
                            "SE21", "SE22", "SE14", "SE28", "SE29", "SE24", "SE31", "SE25", "SE35",
                            "Ring", "GameOver", "StageClear", "bossbattle", "RoundClear"};
    for (const char* name : bySlot) {
        expected.push_back(std::string("unload date/") + name + ".tov");
        expected.push_back(std::string("release date/") + name + ".tov");
    }
    expected.insert(expected.end(), {"release loader", "release audiopath", "release audiopath",
                                     "release audiopath", "close down", "release performance"});
    EXPECT_THAT(headless_sound::Log(), ElementsAreArray(expected));
    for (auto* seg : g_pSegment) EXPECT_EQ(seg, nullptr);
    EXPECT_EQ(g_pPerformance, nullptr);
    EXPECT_EQ(g_pLoader, nullptr);
    EXPECT_EQ(g_pDefAudioPath, nullptr);
    EXPECT_TRUE(MessageBoxTexts().empty());
}

TEST_F(SoundTest, ShutdownFailuresLeaveTheRestInPlace) {
    ASSERT_TRUE(LoadSegment(3, "date/SE23.tov", false));
    ASSERT_TRUE(LoadSegment(5, "date/SE16.tov", false));
    headless_sound::FailStep(Fail::Stop);
    EXPECT_FALSE(ReleaseAllSegments());
    EXPECT_NE(g_pSegment[3], nullptr);
    headless_sound::Reset();

    headless_sound::FailStep(Fail::Unload);
    EXPECT_FALSE(ReleaseAllSegments());
    EXPECT_NE(g_pSegment[3], nullptr);
    EXPECT_NE(g_pSegment[5], nullptr);
    headless_sound::Reset();

    headless_sound::FailStep(Fail::CloseDown);
    EXPECT_FALSE(ReleaseDirectMusic());
    EXPECT_EQ(g_pLoader, nullptr);
    EXPECT_EQ(g_pAudioPath2, nullptr);
    EXPECT_NE(g_pPerformance, nullptr);
    EXPECT_THAT(MessageBoxTexts(), ElementsAre("全セグメントの演奏停止に失敗", "セグメントの音色データのアンロードに失敗",
                                        "IDirectMusicPerformance8::CloseDownに失敗"));
}

TEST(SoundShutdown, NothingToReleaseIsNoFailure) {
    EXPECT_TRUE(ReleaseAllSegments());
    EXPECT_TRUE(ReleaseDirectMusic());
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

// Folder names come in any bytes (a Latin-1 "café", Shift-JIS from an
// archive); the search path widened from one must name the same folder.
TEST(SoundSearchPath, AnyNarrowNameComesBackByteForByte) {
    const std::string names[] = {
        "date/日本語/🎮.tov",        // valid UTF-8 of every length
        "caf\xE9", "\x83\x51\x81\x5B\x83\x80",  // Latin-1, Shift-JIS
        "\xC0\xAF\xE0\x80\xAF",      // overlong forms of '/'
        "\xED\xB2\x80",              // an encoded surrogate, as escaped bytes would be
        "\xF4\x90\x80\x80\xFF\x80",  // beyond U+10FFFF, bytes no UTF-8 has
        "\xE3\x81",                  // a sequence cut short
    };
    for (const std::string& name : names) {
        WCHAR wide[64];
        const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 64);
        ASSERT_GT(n, 0) << name;
        EXPECT_EQ(NarrowFromWide(wide), name);
    }
    WCHAR wide[8];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "caf\xC3\xA9", -1, wide, 8), 5);
    EXPECT_EQ(wide[3], (WCHAR)0xE9) << "valid UTF-8 widens to its characters";
}
