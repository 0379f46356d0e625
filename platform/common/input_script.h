// A recorded stretch of play: which of the game's keys are held in each
// frame. The tests drive the headless game with such scripts, and the real
// game replays one when POTE_INPUT_SCRIPT names its file, so that a road a
// test walks can be watched in a window.
//
// The text has one line per change: the frame (1 = the first frame after
// start-up) and the keys held from that frame on, '-' for none; '#' starts a
// comment. Frames must rise.
//
//   358 Enter
//   359 -
//   560 Right X
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

struct ScriptKey {
    unsigned bit;
    const char* name;
    BYTE virtualKey;
    BYTE dik;
};
extern const ScriptKey kScriptKeys[10];

struct InputScript {
    std::vector<std::pair<int, unsigned>> changes;  // frame, held keys (bits)
};

// False, with a reason naming the line, for text that is not a script.
bool ParseInputScript(const std::string& text, InputScript& script, std::string& error);
// Only a regular file of at most kMaxInputScriptBytes is read.
constexpr long kMaxInputScriptBytes = 16L << 20;
bool LoadInputScript(const char* path, InputScript& script, std::string& error);

// The keys held in `frame`.
unsigned ScriptKeysAt(const InputScript& script, int frame);

// The bit of a key name, 0 when there is no such key.
unsigned ScriptKeyBit(const std::string& name);
