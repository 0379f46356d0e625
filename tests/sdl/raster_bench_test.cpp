// Cost of one representative play frame: the stage background, 80 blocks,
// 20 enemies from their strips, the player, shots and the HUD (132 quads),
// drawn with whole-pixel and with fractional positions. The same frame goes
// through our rasteriser, through SDL's software renderer (SDL_RenderGeometry
// into a 640x480 surface) and, as the floor, a plain copy of the picture.
// Disabled in normal runs: tools/bench_raster.sh runs it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/file_read.h"
#include "platform/common/raster.h"
#include "platform/image/image_decode.h"

namespace {

struct BenchImage {
    DecodedImage image;
    SDL_Texture* sdl = nullptr;
    std::vector<uint16_t> runs;
    RasterTexture raster() const { return RasterTexture{image.width, image.height, image.argb.data(), runs.data()}; }
};

struct BenchQuad {
    const BenchImage* image;
    RasterVertex v[4];
};

bool LoadImage(const std::string& path, bool keyed, BenchImage* out) {
    FileIdentity id;
    std::vector<uint8_t> bytes;
    if (!IdentifyFile(path.c_str(), 64 << 20, &id) || !ReadWholeFile(path.c_str(), 64 << 20, &id, &bytes))
        return false;
    if (!DecodeImage(bytes.data(), bytes.size(), out->image)) return false;
    if (keyed) ConvertToA1R5G5B5Keyed(out->image, 0xFF00FF00u);
    out->runs.resize(TexelRunEntries(out->image.width, out->image.height));
    BuildTexelRuns(out->image.argb.data(), out->image.width, out->image.height, out->runs.data());
    return true;
}

void Quad(BenchQuad* q, const BenchImage* img, float l, float t, float r, float b, float ul, float ur) {
    q->image = img;
    q->v[0] = {l, t, 0xFFFFFFFFu, ul, 0.0f};
    q->v[1] = {r, t, 0xFFFFFFFFu, ur, 0.0f};
    q->v[2] = {r, b, 0xFFFFFFFFu, ur, 1.0f};
    q->v[3] = {l, b, 0xFFFFFFFFu, ul, 1.0f};
}

// The play frame, in painter's order. dx and dy shift everything that moves
// with the stage (0 for whole pixels).
std::vector<BenchQuad> PlayFrame(const BenchImage* img, float dx, float dy) {
    enum { kBack, kBlock, kEnemy1, kEnemy2, kPlayer, kShot, kEnemyShot, kMeter, kHp, kCountBase, kCount };
    std::vector<BenchQuad> quads;
    BenchQuad q;
    const float scroll = -250.0f + dx;
    Quad(&q, &img[kBack], scroll, 0, scroll + 1280, 480, 0.0f, 1.0f);
    quads.push_back(q);
    for (int i = 0; i < 80; ++i) {  // floors and ledges
        float x = scroll + (float)((i % 20) * 64), y = (float)(460 - (i / 20) * 110);
        Quad(&q, &img[kBlock], x, y, x + 64, y + 20, 0.0f, 1.0f);
        quads.push_back(q);
    }
    for (int i = 0; i < 20; ++i) {  // enemies walking, each on its own frame
        float x = scroll + 40.0f + (float)(i * 60), y = 360.0f - (float)((i % 4) * 110) + dy;
        float u = (float)(i % 10) * 0.1f;
        Quad(&q, &img[i % 2 ? kEnemy2 : kEnemy1], x, y, x + 100, y + 100, u, u + 0.1f);
        quads.push_back(q);
    }
    {
        float u = 3.0f * 0.05f;
        Quad(&q, &img[kPlayer], 270.0f + dx, 260.0f + dy, 370.0f + dx, 360.0f + dy, u, u + 0.05f);
        quads.push_back(q);
    }
    for (int i = 0; i < 10; ++i) {  // the player's shots and the enemies' bombs
        float x = 380.0f + (float)(i * 25) + dx, y = 290.0f + dy;
        float u = (float)(i % 5) * 0.2f;
        Quad(&q, &img[kShot], x, y, x + 42, y + 42, u, u + 0.2f);
        quads.push_back(q);
        float ex = scroll + 100.0f + (float)(i * 110), ey = 200.0f + dy;
        float eu = (float)(i % 2) * 0.5f;
        Quad(&q, &img[kEnemyShot], ex, ey, ex + 64, ey + 50, eu, eu + 0.5f);
        quads.push_back(q);
    }
    Quad(&q, &img[kMeter], 10, 10, 316, 68, 0.0f, 1.0f);  // HUD, on whole pixels
    quads.push_back(q);
    for (int i = 0; i < 6; ++i) {
        float x = (float)(90 + i * 34);
        Quad(&q, &img[kHp], x, 27, x + 30, 51, 0.0f, 1.0f);
        quads.push_back(q);
    }
    Quad(&q, &img[kCountBase], 290, 428, 632, 470, 0.0f, 1.0f);
    quads.push_back(q);
    for (int i = 0; i < 2; ++i) {
        float u = (float)(i + 1) * 0.1f;
        Quad(&q, &img[kCount], (float)(560 + i * 36), 430, (float)(600 + i * 36), 470, u, u + 0.1f);
        quads.push_back(q);
    }
    return quads;
}

// Gives each contender's median time. Alone: each is timed in a loop of its
// own, its data warm in the caches. Turn about: one run of each in turn, so
// that each finds the caches as the others left them, as in a real frame,
// and a busy machine slows them alike.
std::vector<double> MediansMs(int runs, bool turnAbout, const std::vector<std::function<void()>>& contenders) {
    for (int i = 0; i < 10; ++i)
        for (const auto& f : contenders) f();  // warm caches
    std::vector<std::vector<double>> ms(contenders.size());
    auto once = [&](size_t c) {
        auto t0 = std::chrono::steady_clock::now();
        contenders[c]();
        ms[c].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    };
    if (turnAbout) {
        for (int i = 0; i < runs; ++i)
            for (size_t c = 0; c < contenders.size(); ++c) once(c);
    } else {
        for (size_t c = 0; c < contenders.size(); ++c) {
            for (int i = 0; i < 10; ++i) contenders[c]();
            for (int i = 0; i < runs; ++i) once(c);
        }
    }
    std::vector<double> medians;
    for (auto& m : ms) {
        std::sort(m.begin(), m.end());
        medians.push_back(m[m.size() / 2]);
    }
    return medians;
}

void DrawOurs(Picture& pic, const std::vector<BenchQuad>& quads) {
    RasterState st;
    st.blend = true;
    st.linearMag = true;
    // As the device does it: the clear is left out where the first draw
    // covers the whole picture.
    RasterTexture first = quads[0].image->raster();
    if (!RasterFanCoversPicture(&first, st, quads[0].v, 4)) RasterClear(pic, 0xFF000000u);
    for (const BenchQuad& q : quads) {
        RasterTexture tex = q.image->raster();
        RasterFan(pic, &tex, st, q.v, 4);
    }
}

void DrawSdl(SDL_Renderer* r, const std::vector<BenchQuad>& quads) {
    static const int kIndices[6] = {0, 1, 2, 0, 2, 3};
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    for (const BenchQuad& q : quads) {
        SDL_Vertex v[4];
        for (int i = 0; i < 4; ++i) {
            const RasterVertex& s = q.v[i];
            v[i].position = {s.x, s.y};
            v[i].color = {(Uint8)(s.color >> 16), (Uint8)(s.color >> 8), (Uint8)s.color, (Uint8)(s.color >> 24)};
            v[i].tex_coord = {s.u, s.v};
        }
        SDL_RenderGeometry(r, q.image->sdl, v, 4, kIndices, 6);
    }
    SDL_RenderFlush(r);
}

}  // namespace

TEST(RasterBench, DISABLED_RepresentativePlayFrame) {
    const char* dir = getenv("POTE_BENCH_DIR");
    ASSERT_NE(dir, nullptr) << "POTE_BENCH_DIR names the folder that holds date/";
    const int runs = getenv("POTE_BENCH_RUNS") ? atoi(getenv("POTE_BENCH_RUNS")) : 300;
    struct File {
        const char* name;
        bool keyed;
    };
    const File files[] = {{"back_stage1", false},    {"block1", true},         {"enemy1_right", true},
                          {"enemy2_right", true},    {"mychar1_right", true},  {"mychar1_attack", true},
                          {"enemy2_attack_right", true}, {"HP_M1", true},     {"HP1", true},
                          {"stage_count_base", true}, {"stage_count", true}};
    const int kImages = sizeof files / sizeof files[0];
    BenchImage images[kImages];
    for (int i = 0; i < kImages; ++i) {
        std::string path = std::string(dir) + "/date/" + files[i].name + ".tov";
        ASSERT_TRUE(LoadImage(path, files[i].keyed, &images[i])) << path;
    }

    ASSERT_EQ(SDL_Init(0), 0);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kPictureWidth, kPictureHeight, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
    ASSERT_NE(renderer, nullptr) << SDL_GetError();
    for (BenchImage& img : images) {
        img.sdl = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, img.image.width,
                                    img.image.height);
        ASSERT_NE(img.sdl, nullptr) << SDL_GetError();
        SDL_UpdateTexture(img.sdl, nullptr, img.image.argb.data(), img.image.width * 4);
        SDL_SetTextureBlendMode(img.sdl, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(img.sdl, SDL_ScaleModeLinear);
    }

    std::unique_ptr<Picture> pic(new Picture());
    std::unique_ptr<Picture> copy(new Picture());
    struct Case {
        const char* name;
        float dx, dy;
    };
    for (bool turnAbout : {false, true}) {
        for (const Case& c : {Case{"whole-pixel", 0.0f, 0.0f}, Case{"fractional ", 0.4f, 0.25f}}) {
            std::vector<BenchQuad> quads = PlayFrame(images, c.dx, c.dy);
            ASSERT_EQ(quads.size(), 132u);
            std::vector<double> ms =
                MediansMs(runs, turnAbout,
                          {[&] { DrawOurs(*pic, quads); }, [&] { DrawSdl(renderer, quads); },
                           [&] { memcpy(copy->px, pic->px, sizeof pic->px); }});
            const double ours = ms[0], sdl = ms[1], floorMs = ms[2];
            if (getenv("POTE_BENCH_PARTS")) {
                // Where the frame's time goes.
                struct Part {
                    const char* name;
                    size_t from, to;
                };
                const Part parts[] = {
                    {"background", 0, 1}, {"blocks", 1, 81}, {"enemies", 81, 101}, {"rest", 101, 132}};
                std::vector<std::function<void()>> steps{[&] { RasterClear(*pic, 0xFF000000u); }};
                for (const Part& p : parts)
                    steps.push_back([&, p] {
                        RasterState st;
                        st.blend = st.linearMag = true;
                        for (size_t i = p.from; i < p.to; ++i) {
                            RasterTexture tex = quads[i].image->raster();
                            RasterFan(*pic, &tex, st, quads[i].v, 4);
                        }
                    });
                std::vector<double> part = MediansMs(runs, turnAbout, steps);
                printf("  a clear %.3f ms", part[0]);
                for (size_t i = 0; i < 4; ++i) printf(", %s %.3f", parts[i].name, part[i + 1]);
                printf("\n");
            }
            printf("%s %s frame, 132 quads, median of %d: ours %.3f ms, SDL_RenderGeometry %.3f ms, plain copy"
                   " %.3f ms; SDL/ours %.2fx, ours/copy %.2fx\n",
                   turnAbout ? "turn about:" : "alone:     ", c.name, runs, ours, sdl, floorMs, sdl / ours,
                   ours / floorMs);
        }
    }

    for (BenchImage& img : images) SDL_DestroyTexture(img.sdl);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
    SDL_Quit();
}
