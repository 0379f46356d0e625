// The pause's hidden sequence: called directly with the input buffers set as
// a frame would read them, and over real frames of play.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/pause.h"
#include "game/play_step.h"
#include "play_road.h"
#include "shell/input.h"
#include "shell/sound.h"

namespace {

using Strings = std::vector<std::string>;

// Sets one sequence input down or up in the buffers the game reads, by the
// keyboard or by the joypad.
void SetInput(PauseInput input, bool down, bool pad = false) {
    static const BYTE kKeys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
    static const DWORD kPad[] = {PAD_UP, PAD_DOWN, PAD_LEFT, PAD_RIGHT, PAD_BUTTON0 << 1, PAD_BUTTON0};
    if (pad) {
        g_dwPadInput = down ? (g_dwPadInput | kPad[input]) : (g_dwPadInput & ~kPad[input]);
    } else if (input == PAUSE_JUMP || input == PAUSE_ATTACK) {
        g_byDIKeys[input == PAUSE_JUMP ? DIK_X : DIK_Z] = down ? 0x80 : 0;
    } else {
        g_byKeyState[kKeys[input]] = down ? 0x80 : 0;
    }
}

// Down for one paused frame, up for the next.
void Press(PauseInput input, bool pad = false) {
    SetInput(input, true, pad);
    UpdatePause();
    SetInput(input, false, pad);
    UpdatePause();
}

// The first `count` inputs of the sequence.
void Enter(int count, bool pad = false) {
    for (int i = 0; i < count; ++i) Press(PAUSE_SEQUENCE[i], pad);
}

// An input other than the one expected at `position`.
PauseInput WrongAt(int position) {
    return PAUSE_SEQUENCE[position] == PAUSE_ATTACK ? PAUSE_JUMP : PAUSE_ATTACK;
}

class HiddenSequence : public PlayRoad {
protected:
    HiddenSequence() { LoadSegment(5, "date/SE16.tov", false); }
    static Strings Plays() { return headless_sound::Log("play"); }
};

}  // namespace

TEST_F(HiddenSequence, TenPressesFillHpToTheCharactersMaximumWithTheSound) {
    g_Player.nType = 1;
    g_Player.nHp = 1;
    for (int i = 0; i < PAUSE_SEQUENCE_LENGTH - 1; ++i) {
        Press(PAUSE_SEQUENCE[i]);
        ASSERT_EQ(g_nPauseCode, i + 1);
    }
    EXPECT_TRUE(Plays().empty());
    Press(PAUSE_SEQUENCE[PAUSE_SEQUENCE_LENGTH - 1]);
    EXPECT_EQ(g_Player.nHp, 8);
    EXPECT_EQ(g_nPauseCode, 0);
    EXPECT_EQ(Plays(), Strings{"play date/SE16.tov secondary once"});

    // Again at once, at full HP: no more HP, the sound all the same.
    Enter(PAUSE_SEQUENCE_LENGTH, true);
    EXPECT_EQ(g_Player.nHp, 8);
    EXPECT_EQ(Plays().size(), 2u);

    const int most[][2] = {{2, 6}, {3, 6}, {4, 8}, {5, 6}};
    for (const auto& c : most) {
        g_Player.nType = c[0];
        g_Player.nHp = 2;
        Enter(PAUSE_SEQUENCE_LENGTH);
        EXPECT_EQ(g_Player.nHp, c[1]) << "character " << c[0];
    }
}

TEST_F(HiddenSequence, HeldInputCountsOnceAndAWrongPressStartsOver) {
    g_Player.nType = 1;
    g_Player.nHp = 3;
    SetInput(PAUSE_SEQUENCE[0], true);
    for (int i = 0; i < 5; ++i) {
        UpdatePause();
        EXPECT_EQ(g_nPauseCode, 1) << "paused frame " << i + 1 << " with the input held";
    }
    SetInput(PAUSE_SEQUENCE[0], false);
    UpdatePause();

    // Nine right and one wrong: back to 0, and the wrong press is not the
    // start of a new attempt even when it is the sequence's first input.
    g_nPauseCode = 0;
    Enter(PAUSE_SEQUENCE_LENGTH - 1);
    Press(WrongAt(PAUSE_SEQUENCE_LENGTH - 1));
    EXPECT_EQ(g_nPauseCode, 0);
    EXPECT_EQ(g_Player.nHp, 3);
    for (int at = 1; at < PAUSE_SEQUENCE_LENGTH; ++at) {
        if (PAUSE_SEQUENCE[at] == PAUSE_SEQUENCE[0]) continue;
        Enter(at);
        Press(PAUSE_SEQUENCE[0]);
        EXPECT_EQ(g_nPauseCode, 0) << "first input pressed at position " << at + 1;
    }
    EXPECT_TRUE(Plays().empty());
}

// Fresh presses of one frame are taken in the order up, down, left, right,
// jump, attack, each seeing the progress the one before left.
TEST_F(HiddenSequence, PressesOfOneFrameCountInTheFixedOrder) {
    static_assert(PAUSE_SEQUENCE[0] == PAUSE_DOWN && PAUSE_SEQUENCE[1] == PAUSE_UP && PAUSE_SEQUENCE[2] == PAUSE_DOWN,
                  "this test knows the sequence's start");
    // At 0 up is wrong, then down is right: 1.
    SetInput(PAUSE_UP, true);
    SetInput(PAUSE_DOWN, true);
    UpdatePause();
    EXPECT_EQ(g_nPauseCode, 1);
    SetInput(PAUSE_UP, false);
    SetInput(PAUSE_DOWN, false);
    UpdatePause();
    // At 1 up is right, then down is right: 3.
    SetInput(PAUSE_UP, true);
    SetInput(PAUSE_DOWN, true);
    UpdatePause();
    EXPECT_EQ(g_nPauseCode, 3);
}

// Over real frames: Space pauses, the sequence refills HP, Space resumes;
// toggling clears any progress. The presses stay latched for play.
TEST_F(HiddenSequence, SpacePausesTheSequenceRefillsAndAToggleClearsProgress) {
    StartStage(1, 2);
    headless_sound::ClearEvents();
    game_.tap(HeadlessKey::Space);
    ASSERT_EQ(g_bPause, 1);
    static const HeadlessKey kKeys[] = {HeadlessKey::Up, HeadlessKey::Down, HeadlessKey::Left,
                                        HeadlessKey::Right, HeadlessKey::X, HeadlessKey::Z};
    for (int i = 0; i < 4; ++i) game_.tap(kKeys[PAUSE_SEQUENCE[i]]).run(1);
    EXPECT_EQ(g_nPauseCode, 4);
    game_.tap(HeadlessKey::Space).run(1);
    EXPECT_EQ(g_bPause, 0);
    EXPECT_EQ(g_nPauseCode, 0);
    game_.tap(HeadlessKey::Space).run(1);
    EXPECT_EQ(g_bPause, 1);
    EXPECT_EQ(g_nPauseCode, 0);

    for (int i = 0; i < PAUSE_SEQUENCE_LENGTH - 1; ++i) game_.tap(kKeys[PAUSE_SEQUENCE[i]]).run(1);
    EXPECT_EQ(g_Player.nHp, 2);
    game_.hold(kKeys[PAUSE_SEQUENCE[PAUSE_SEQUENCE_LENGTH - 1]]).run(1);
    EXPECT_EQ(g_Player.nHp, 8);
    EXPECT_EQ(Plays(), Strings{"play date/SE16.tov secondary once"});

    // The last key is still down when play resumes: its latch stays set.
    game_.tap(HeadlessKey::Space);
    EXPECT_EQ(g_bPause, 0);
    EXPECT_EQ(g_bHoldA, 1);
    EXPECT_EQ(g_FrameNo, 31);
}
