// Times the stage start's reload of the in-game pictures with the default
// assets. Disabled in normal runs: tools/bench_textures.sh runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "game/objects.h"
#include "platform/common/texture_object.h"
#include "platform/headless/headless_sound.h"
#include "scenario.h"
#include "shell/textures.h"

TEST(TextureBench, DISABLED_LoadGameAssetsTiming) {
    const char* dir = getenv("POTE_BENCH_DIR");
    ASSERT_NE(dir, nullptr) << "POTE_BENCH_DIR names the folder that holds date/";
    ASSERT_EQ(chdir(dir), 0);
    headless_sound::AcceptMissingFiles(true);
    Scenario s;
    g_nCharacter = 1;
    const int runs = 10;
    double best = 1e9, total = 0, first = 0;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        ReleaseGameTextures();
        LoadGameAssets();
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (i == 0) {
            first = ms;
            continue;
        }
        best = ms < best ? ms : best;
        total += ms;
    }
    EXPECT_TRUE(headless::MessageBoxes().empty());
    printf("LoadGameAssets pictures: first %.1f ms; repeated: best %.1f ms, mean %.1f ms over %d runs\n", first,
           best, total / (runs - 1), runs - 1);
    TextureDecodeCounts counts = GetTextureDecodeCounts();
    printf("files decoded: %d side by side ahead of the list, %d by the list itself\n", counts.byPrefetch,
           counts.byLoads);
}
