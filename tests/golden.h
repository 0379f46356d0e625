// Golden pictures: frames that matter, kept as PNG files under tests/golden/
// and compared exactly with what the device last presented.
//
// POTE_UPDATE_GOLDENS=1 writes the expectations instead of comparing them
// (tools/update_goldens.sh runs the golden tests that way). A failed
// comparison leaves <name>.actual.png and <name>.diff.png in build/golden-out/.
#pragma once

#include <string>

// Compares the last presented picture with tests/golden/<name>.png; on a
// mismatch it fails the test, saying how many pixels differ and where the
// pictures went.
void ExpectGolden(const std::string& name);

// Makes build/ the current directory, so that date/ is the default asset set
// the build wrote.
void UseDefaultAssets();

// The same as a member: declare it before the Scenario, so that the game
// comes up in that directory.
struct DefaultAssets {
    DefaultAssets() { UseDefaultAssets(); }
};
