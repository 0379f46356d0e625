// The pause: while paused, a hidden sequence of ten presses refills HP.
#pragma once

extern int g_nPauseCode;  // correct presses of the sequence so far

void UpdatePause();

// The six inputs the sequence is made of, in the order each paused frame
// examines them.
enum PauseInput : int {
    PAUSE_UP,
    PAUSE_DOWN,
    PAUSE_LEFT,
    PAUSE_RIGHT,
    PAUSE_JUMP,
    PAUSE_ATTACK,
    PAUSE_INPUT_COUNT,
};

constexpr int PAUSE_SEQUENCE_LENGTH = 10;

// While paused, pressing these ten in order fills the player's HP to the
// character's maximum, with the continue sound. A wrong press starts over.
constexpr PauseInput PAUSE_SEQUENCE[PAUSE_SEQUENCE_LENGTH] = {
    PAUSE_DOWN, PAUSE_UP,   PAUSE_DOWN,  PAUSE_UP,   PAUSE_LEFT,
    PAUSE_LEFT, PAUSE_RIGHT, PAUSE_RIGHT, PAUSE_JUMP, PAUSE_ATTACK,
};
