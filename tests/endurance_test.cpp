// Many stage starts in one process: every start releases what the one before
// loaded, so the live textures and sound segments stay the same in number and
// memory stays flat.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "game/objects.h"
#include "game/scene.h"
#include "game/stage_start.h"
#include "golden.h"
#include "platform/common/texture_object.h"
#include "platform/headless/headless_sound.h"
#include "road.h"
#include "shell/textures.h"

namespace {

long ResidentKiB()
{
    long pages = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#if defined(__SANITIZE_ADDRESS__)
const int kStarts = 20;  // the sanitizers are slow and keep freed memory aside
const bool kMeasureMemory = false;
#else
const int kStarts = 100;
const bool kMeasureMemory = true;
#endif

}  // namespace

TEST(Endurance, HundredStageStartsHoldTexturesSegmentsAndMemoryLevel) {
    DefaultAssets assets;
    Scenario game;
    RunToPlay(game);
    const int textures = LiveTextureCount();
    const int segments = headless_sound::LiveSegments();
    long memoryAfterTen = 0;

    for (int start = 1; start <= kStarts; ++start) {
        // As a clear hands over: the loading picture up, the next stage at step 1.
        g_nStage = start % 9 + 1;
        LoadLoadingTexture();
        g_FrameNo = 30;
        g_nStageStep = 1;
        g_nStageAlpha = 255;
        headless::ClearDraws();
        headless_sound::ClearEvents();
        game.run(151);
        ASSERT_EQ(g_FrameNo, 31) << "start " << start;
        game.run(10);
        ASSERT_EQ(LiveTextureCount(), textures) << "start " << start;
        ASSERT_EQ(headless_sound::LiveSegments(), segments) << "start " << start;
        if (start == 10) memoryAfterTen = ResidentKiB();
    }
    if (kMeasureMemory) {
        long growth = ResidentKiB() - memoryAfterTen;
        EXPECT_LT(growth, 4096) << "resident memory grew by " << growth << " KiB over " << kStarts - 10
                                << " stage starts";
    }
    EXPECT_TRUE(headless::MessageBoxes().empty());
}
