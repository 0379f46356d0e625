// The front-end scenes over real frames: logo, title, title to character
// select and character select, with their pictures, fades, sounds and input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/objects.h"
#include "game/scene.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

const char kMidiFailed[] = "MIDIファイルのロードに失敗";
const char kMusicFailed[] = "音楽ファイルを読み込めませんでした";

// The front-end pictures as tiny images in a scratch folder, so that the
// scenes load real textures. Sounds need no files: the recording sound layer
// accepts missing ones.
class FrontEndAssets {
public:
    FrontEndAssets() {
        for (const char* name : {"logo1", "logo2", "back_start1", "back_start2", "back_char_select1", "Loading"})
            ScratchFolder::WritePpm(name, 1, 1);
        headless_sound::AcceptMissingFiles(true);
    }

private:
    ScratchFolder folder_;
};

// One quad drawn in a frame: its texture and its alpha.
struct Shown {
    const IDirect3DTexture8* texture;
    int alpha;
    bool operator==(const Shown& o) const { return texture == o.texture && alpha == o.alpha; }
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << "{" << static_cast<const void*>(s.texture) << ", " << s.alpha << "}";
}

class FrontEnd : public ::testing::Test {
protected:
    // Frame n, counted from 1 since the game came up.
    static std::vector<Shown> Drawn(int frame) {
        std::vector<Shown> out;
        for (const auto& d : headless::Draws()) {
            if (d.frame == frame - 1) out.push_back({d.texture, (int)(d.v[0].color >> 24)});
        }
        return out;
    }
    static std::vector<std::string> Boxes() { return MessageBoxTexts(); }
    static std::vector<std::string> Plays() { return headless_sound::Log("play"); }
    // What a sound slot holds, heard by playing it: the file of that play.
    static std::string SlotSound(int slot) {
        if (g_pSegment[slot] == nullptr) return "(empty)";
        const size_t before = Plays().size();
        g_pPerformance->PlaySegmentEx(g_pSegment[slot], NULL, NULL, DMUS_SEGF_SECONDARY, 0, NULL, NULL, NULL);
        const std::vector<std::string> plays = Plays();
        if (plays.size() == before) return "(silent)";
        const std::string& line = plays.back();  // "play <file> secondary once"
        const size_t from = line.find(' ') + 1;
        return line.substr(from, line.find(' ', from) - from);
    }

    // Through the logo with nothing pressed; the title is current afterwards.
    void RunLogo() {
        game_.run(358);
        ASSERT_EQ(g_FrameNo, 11);
    }
    // From the title, a confirm by tapping `key`; scene 40 is current afterwards.
    void ConfirmTitle(HeadlessKey key) {
        game_.tap(key);
        ASSERT_EQ(g_FrameNo, 40);
    }

    FrontEndAssets assets_;
    Scenario game_;
};

}  // namespace

// 52 frames of fade-in, the first logo up to count 160, the second up to 255,
// 52 frames of the title fading in: 358 in all, each hand-over sharing its frame.
TEST_F(FrontEnd, LogoRunsItsFixedCourseWhateverIsPressed) {
    game_.hold(HeadlessKey::Z).hold(HeadlessKey::Enter).run(1);
    EXPECT_EQ(g_FrameNo, 10);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/logo.tov primary once"});
    ASSERT_NE(g_pTexLogo1, nullptr);
    ASSERT_NE(g_pTexLogo2, nullptr);
    ASSERT_NE(g_pTexStart1, nullptr);
    ASSERT_NE(g_pTexStart2, nullptr);

    // Presses come and go; none of them shortens the logo.
    for (int frame = 2; frame <= 357; ++frame) {
        bool down = (frame / 3) % 2 == 0;
        HeadlessSetKey(HeadlessKey::Z, down);
        HeadlessSetKey(HeadlessKey::Enter, !down);
        HeadlessSetKey(HeadlessKey::X, down);
        game_.run(1);
        ASSERT_EQ(g_FrameNo, 10) << "frame " << frame;
    }
    EXPECT_EQ(Plays().size(), 1u);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 11);
    EXPECT_EQ(g_nStage, 1);
    EXPECT_EQ(g_nTitleCount, 260);
    EXPECT_EQ(g_nTitleStep, 4);
    EXPECT_EQ(Plays(), (std::vector<std::string>{"play date/logo.tov primary once",
                                                 "play date/gorumo.tov primary loop"}));
    EXPECT_EQ(headless_sound::Primary(), "date/gorumo.tov");
    EXPECT_TRUE(Boxes().empty());

    const IDirect3DTexture8* logo1 = g_pTexLogo1;
    const IDirect3DTexture8* logo2 = g_pTexLogo2;
    const IDirect3DTexture8* start1 = g_pTexStart1;
    for (int frame = 1; frame <= 51; ++frame) {
        EXPECT_EQ(Drawn(frame), (std::vector<Shown>{{logo1, 5 * (frame - 1)}})) << "frame " << frame;
    }
    EXPECT_EQ(Drawn(52), (std::vector<Shown>{{logo1, 255}, {logo1, 255}}));
    EXPECT_EQ(Drawn(212), (std::vector<Shown>{{logo1, 255}}));
    EXPECT_EQ(Drawn(213), (std::vector<Shown>{{logo2, 255}}));
    EXPECT_EQ(Drawn(306), (std::vector<Shown>{{logo2, 255}}));
    EXPECT_EQ(Drawn(307), (std::vector<Shown>{{logo2, 255}, {start1, 0}}));
    for (int frame = 308; frame <= 358; ++frame) {
        EXPECT_EQ(Drawn(frame), (std::vector<Shown>{{start1, 5 * (frame - 307)}})) << "frame " << frame;
    }
}

TEST_F(FrontEnd, TitleShowsSecondPictureFirstThenBlinksTwentyAndTwenty) {
    RunLogo();
    game_.run(14 + 20 * 4);
    EXPECT_EQ(g_FrameNo, 11);
    std::string seen;
    for (int frame = 359; frame < 359 + 14 + 20 * 4; ++frame) {
        std::vector<Shown> d = Drawn(frame);
        ASSERT_EQ(d.size(), 1u) << "frame " << frame;
        EXPECT_EQ(d[0].alpha, 255);
        seen += d[0].texture == g_pTexStart1 ? '1' : d[0].texture == g_pTexStart2 ? '2' : '?';
    }
    std::string expected = std::string(14, '2') + std::string(20, '1') + std::string(20, '2') +
                           std::string(20, '1') + std::string(20, '2');
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(Boxes().empty());
}

// Z confirms the title and stays held through scene 40 into the select screen,
// where it does nothing until it is released and pressed again.
TEST_F(FrontEnd, HeldConfirmCarriesOverAndFreshPressStartsTheStage) {
    RunLogo();
    game_.run(30);
    const IDirect3DTexture8* start2 = g_pTexStart2;
    headless_sound::ClearEvents();
    game_.hold(HeadlessKey::Z).run(1);
    ASSERT_EQ(g_FrameNo, 40);
    EXPECT_EQ(g_nCharacter, 1);
    EXPECT_EQ(g_nTitleStep, 0);
    EXPECT_EQ(g_nTitleCount, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/SE05.tov secondary once"});
    const int confirmFrame = game_.framesRun();

    // Fade-out of the title over 51 frames, the swap and the select picture's
    // fade-in over 51 more: the select screen is current after the 102nd.
    game_.run(101);
    EXPECT_EQ(g_FrameNo, 40);
    EXPECT_EQ(g_pTexStart2, nullptr);
    EXPECT_EQ(g_pTexLogo1, nullptr);
    ASSERT_NE(g_pTexCharSelect[0], nullptr);
    EXPECT_EQ(Plays().size(), 1u);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(g_nFadeAlpha, 255);
    EXPECT_EQ(g_nSelectStep, 2);
    EXPECT_EQ(headless_sound::Primary(), "date/CharSelect.tov");
    EXPECT_EQ(headless_sound::Log("load"),
              (std::vector<std::string>{"load date/SE05.tov", "load date/CharSelect.tov", "load date/SE04.tov",
                                        "load date/SE01.tov", "load date/SE30.tov"}));
    EXPECT_EQ(SlotSound(0), "date/CharSelect.tov");
    EXPECT_EQ(SlotSound(1), "date/SE04.tov");
    EXPECT_EQ(SlotSound(2), "date/SE01.tov");
    EXPECT_EQ(SlotSound(3), "date/SE30.tov");

    const IDirect3DTexture8* select = g_pTexCharSelect[0];
    for (int i = 1; i <= 51; ++i) {
        EXPECT_EQ(Drawn(confirmFrame + i), (std::vector<Shown>{{start2, 255 - 5 * (i - 1)}})) << "scene 40 frame " << i;
    }
    for (int i = 52; i <= 102; ++i) {
        EXPECT_EQ(Drawn(confirmFrame + i), (std::vector<Shown>{{select, 5 * (i - 52)}})) << "scene 40 frame " << i;
    }

    game_.run(20);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(g_pTexLoading, nullptr);
    EXPECT_EQ(Drawn(game_.framesRun()), (std::vector<Shown>{{select, 255}}));

    headless_sound::ClearEvents();
    game_.release(HeadlessKey::Z).run(1);
    EXPECT_EQ(g_FrameNo, 41);
    game_.hold(HeadlessKey::Z).run(1);
    EXPECT_EQ(g_FrameNo, 30);
    EXPECT_EQ(g_nSelectStep, 0);
    EXPECT_EQ(g_nFadeAlpha, 255);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/SE04.tov secondary once"});
    EXPECT_NE(g_pTexLoading, nullptr);
    EXPECT_TRUE(Boxes().empty());
}

// Enter confirms both screens; a press made during scene 40 is still latched
// from the title's confirm, so it does not confirm the select screen either.
TEST_F(FrontEnd, EnterConfirmsAndAPressDuringTheFadeIsNotTaken) {
    RunLogo();
    ConfirmTitle(HeadlessKey::Enter);
    game_.run(90);
    game_.hold(HeadlessKey::Enter).run(12);
    ASSERT_EQ(g_FrameNo, 41);
    game_.run(5);
    EXPECT_EQ(g_FrameNo, 41);
    game_.release(HeadlessKey::Enter).run(1);
    game_.tap(HeadlessKey::Enter);
    EXPECT_EQ(g_FrameNo, 30);
}

// A continue comes back with the fade-out skipped: the first frame draws
// nothing, the second the select picture at full alpha, and it is done.
TEST_F(FrontEnd, ContinueReachesTheSelectScreenInTwoFrames) {
    g_FrameNo = 40;
    g_bNoFadeOut = 1;
    g_nCharacter = 3;
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 40);
    EXPECT_TRUE(Drawn(1).empty());
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(g_nCharacter, 1);
    EXPECT_EQ(g_nFadeAlpha, 255);
    ASSERT_NE(g_pTexCharSelect[0], nullptr);
    EXPECT_EQ(Drawn(2), (std::vector<Shown>{{g_pTexCharSelect[0], 255}}));
    game_.run(1);
    EXPECT_EQ(Drawn(3), (std::vector<Shown>{{g_pTexCharSelect[0], 255}}));
    EXPECT_EQ(g_bNoFadeOut, 1);
}

// A missing title music is told once; the title comes on time without it.
TEST_F(FrontEnd, MissingTitleMusicIsToldOnceAndTheTitleStillComes) {
    headless_sound::FailLoad("date/gorumo.tov");
    RunLogo();
    EXPECT_EQ(g_nStage, 1);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/logo.tov primary once"});
    game_.run(60);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMidiFailed, kMusicFailed}));
    EXPECT_EQ(Drawn(game_.framesRun()).size(), 1u);
    ConfirmTitle(HeadlessKey::Z);
}

// A missing select music is told once; the select screen comes on time, its
// confirm sound loaded and played.
TEST_F(FrontEnd, MissingSelectMusicIsToldOnceAndTheSelectScreenStillComes) {
    headless_sound::FailLoad("date/CharSelect.tov");
    RunLogo();
    ConfirmTitle(HeadlessKey::Z);
    game_.run(101);
    EXPECT_EQ(g_FrameNo, 40);
    EXPECT_TRUE(Boxes().empty());
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(g_nCharacter, 1);
    EXPECT_EQ(g_nFadeAlpha, 255);
    game_.run(30);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMidiFailed, kMusicFailed}));
    headless_sound::ClearEvents();
    game_.tap(HeadlessKey::Z);
    EXPECT_EQ(g_FrameNo, 30);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/SE04.tov secondary once"});
}

// Without the jingle the logo's first frame ends at the message, so the logo
// shows one frame later; the step is already past the load, which is not
// tried again.
TEST_F(FrontEnd, MissingLogoJingleIsToldOnceAndTheLogoGoesOn) {
    headless_sound::FailLoad("date/logo.tov");
    game_.run(1);
    EXPECT_TRUE(Drawn(1).empty());
    game_.run(357);
    EXPECT_EQ(g_FrameNo, 10);
    game_.run(1);
    EXPECT_EQ(g_FrameNo, 11);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMidiFailed, kMusicFailed}));
    EXPECT_EQ(Plays(), std::vector<std::string>{"play date/gorumo.tov primary loop"});
}

// A missing effect at the end of scene 40 skips the loads after it: the scene
// code has already moved on, so nothing is tried twice.
TEST_F(FrontEnd, MissingSelectEffectSkipsTheLaterLoads) {
    headless_sound::FailLoad("date/SE04.tov");
    RunLogo();
    ConfirmTitle(HeadlessKey::Z);
    game_.run(102 + 30);
    EXPECT_EQ(g_FrameNo, 41);
    EXPECT_EQ(headless_sound::Log("load-failed"), std::vector<std::string>{"load-failed date/SE04.tov"});
    EXPECT_EQ(g_pSegment[2], nullptr);
    EXPECT_EQ(g_pSegment[3], nullptr);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMidiFailed, kMusicFailed}));
}
