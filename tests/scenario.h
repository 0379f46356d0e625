// Scenario tests drive real frames of the game through the headless platform:
// the platform parts come up as at start-up, then each run() is GameLoop.
#pragma once

#include <gtest/gtest.h>

#include "platform/common/input_script.h"
#include "platform/headless/headless.h"
#include "platform/headless/headless_input.h"
#include "shell/frame_loop.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/textures.h"
#include "shell/winmain.h"

class Scenario {
public:
    // Brings the platform up as WinMain does (windowed or full screen).
    explicit Scenario(bool windowed = false) {
        g_bWindowed = windowed ? 1 : 0;
        EXPECT_GE(CoInitialize(nullptr), 0);
        EXPECT_EQ(InitWindow(nullptr, SW_SHOWDEFAULT), 1);
        PrefetchSounds();
        PrefetchTextures();
        EXPECT_GE(InitD3D(), 0);
        EXPECT_TRUE(InitDirectMusic());
        EXPECT_TRUE(InitDirectInput(nullptr));
        InitRenderState();
    }

    // Runs n frames; every one must complete.
    Scenario& run(int frames) {
        for (int i = 0; i < frames; ++i) {
            int ok = GameLoop(nullptr, SW_SHOWDEFAULT);
            EXPECT_EQ(ok, 1) << "frame " << framesRun_ << " failed";
            if (!ok) break;
            ++framesRun_;
        }
        return *this;
    }

    Scenario& hold(HeadlessKey key) {
        HeadlessSetKey(key, true);
        return *this;
    }
    Scenario& release(HeadlessKey key) {
        HeadlessSetKey(key, false);
        return *this;
    }
    // Down for one frame, up again after it.
    Scenario& tap(HeadlessKey key) {
        hold(key).run(1);
        return release(key);
    }

    // Runs frames up to frame `lastFrame` (1 = the first since start-up) with
    // the keys the script holds in each.
    Scenario& runScript(const InputScript& script, int lastFrame) {
        while (framesRun_ < lastFrame) {
            holdScriptKeys(ScriptKeysAt(script, framesRun_ + 1));
            int before = framesRun_;
            run(1);
            if (framesRun_ == before) break;
        }
        return *this;
    }

    // Holds exactly the script keys in `held` (bits of kScriptKeys).
    Scenario& holdScriptKeys(unsigned held) {
        for (const ScriptKey& key : kScriptKeys) HeadlessSetScriptKey(key, (held & key.bit) != 0);
        return *this;
    }

    int framesRun() const { return framesRun_; }

private:
    static void HeadlessSetScriptKey(const ScriptKey& key, bool down) {
        static const HeadlessKey keys[10] = {HeadlessKey::Z,     HeadlessKey::X,    HeadlessKey::Space,
                                             HeadlessKey::Enter, HeadlessKey::Escape, HeadlessKey::F1,
                                             HeadlessKey::Up,    HeadlessKey::Down, HeadlessKey::Left,
                                             HeadlessKey::Right};
        HeadlessSetKey(keys[&key - kScriptKeys], down);
    }
    int framesRun_ = 0;
};

// Runs the whole program, WinMain to its return, calling onPresent after every
// presented frame (with the count so far) so that the test can act as a player.
int RunProgram(std::function<void(int presentNo)> onPresent);
