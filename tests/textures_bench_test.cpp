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
    headless_sound::AcceptMissingFiles(true);
    // The Scenario asks for the pictures as start-up does, and the front end
    // lasts at least 7 s, enough for every decode. With POTE_BENCH_COLD it
    // starts where there are none, and the first load finds nothing decoded.
    const bool cold = getenv("POTE_BENCH_COLD") != nullptr;
    ASSERT_EQ(chdir(cold ? "/" : dir), 0);
    auto t0 = std::chrono::steady_clock::now();
    Scenario s;
    ASSERT_EQ(chdir(dir), 0);
    if (cold) {
        printf("LoadGameAssets pictures: cold (none decoded ahead)\n");
    } else {
        ASSERT_TRUE(WaitForTextureDecodes(10000));
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        printf("LoadGameAssets pictures: start-up's prefetch done %.1f ms after it was asked for (%d files)\n", ms,
               GetTextureDecodeCounts().byPrefetch);
    }
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
