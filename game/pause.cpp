// The pause's hidden sequence. Each paused frame looks at the six inputs in
// a fixed order, so presses made in the same frame count one after another.
#include "game/pause.h"

#include "game/objects.h"
#include "game/scene_helpers.h"
#include "shell/input.h"

int g_nPauseCode = 0;

namespace {

const int SLOT_REFILL = 5;
const int REFILL = 8;

bool PauseInputDown(PauseInput input)
{
    switch (input) {
    case PAUSE_UP: return InputMenuUp();
    case PAUSE_DOWN: return InputMenuDown();
    case PAUSE_LEFT: return InputLeft();
    case PAUSE_RIGHT: return InputRight();
    case PAUSE_JUMP: return InputJump();
    case PAUSE_ATTACK: return InputAttack();
    default: return false;
    }
}

// The press latches are the ones play reads, so a press made here is not
// taken again by the player when play resumes.
BYTE& PauseLatch(PauseInput input)
{
    switch (input) {
    case PAUSE_UP: return g_bHoldUp;
    case PAUSE_DOWN: return g_bHoldDown;
    case PAUSE_LEFT: return g_bHoldLeft;
    case PAUSE_RIGHT: return g_bHoldRight;
    case PAUSE_JUMP: return g_bHoldB;
    default: return g_bHoldA;
    }
}

int MaxHp(int character)
{
    return (character == 1 || character == 4) ? 8 : 6;
}

void Refill()
{
    g_Player.nHp += REFILL;
    int most = MaxHp(g_Player.nType);
    if (g_Player.nHp >= most) g_Player.nHp = most;
    PlaySlot(SLOT_REFILL, PLAY_EFFECT);
}

// A wrong press leaves the progress at 0; it is not the first press of a new
// attempt even when it is the sequence's first input.
void Take(PauseInput input)
{
    if (g_nPauseCode < 0 || g_nPauseCode >= PAUSE_SEQUENCE_LENGTH) g_nPauseCode = 0;
    if (input != PAUSE_SEQUENCE[g_nPauseCode]) {
        g_nPauseCode = 0;
        return;
    }
    if (g_nPauseCode < PAUSE_SEQUENCE_LENGTH - 1) {
        ++g_nPauseCode;
        return;
    }
    Refill();
    g_nPauseCode = 0;
}

}  // namespace

void UpdatePause()
{
    for (int i = 0; i < PAUSE_INPUT_COUNT; ++i) {
        PauseInput input = static_cast<PauseInput>(i);
        if (TakePress(PauseLatch(input), PauseInputDown(input))) {
            Take(input);
        }
    }
}
