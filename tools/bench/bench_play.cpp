// The cost of a play frame. The game runs with the SDL platform on SDL's
// dummy video and audio drivers, brought up as WinMain brings it up, and
// walks a recorded input script into stage play and through a stretch of it,
// one frame per 1/60-s step as a player meets it. Each play frame's own work
// (input, the scene's logic and drawing, the present; not the wait for the
// next step) is timed, and its draws are kept. After the run the kept frames
// are drawn again, frame by frame, each after a step's idle time: by our
// rasteriser alone (with the present timed on its own); through SDL's
// software renderer with SDL_RenderGeometry into a 640x480 target texture,
// which leaves out its clear where ours does; and as the floor, our vector
// copy of a picture plus one blend pass over it.
//
//   bench_play SCRIPT [PLAY_FRAMES]
//
// Run it from the build folder (the game reads date/ from there);
// tools/bench_play.sh builds it and runs it pinned to one core. With
// POTE_BENCH_PERF_CTL naming perf record's control fifo, the profile is
// switched on for the play frames only. POTE_BENCH_WINDOWED starts the game
// in its window instead of full screen, where the dummy driver's present
// has no scaling to do.
#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/scene.h"
#include "platform/common/backend.h"
#include "platform/common/input_script.h"
#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/frame_loop.h"
#include "shell/input.h"
#include "shell/renderer.h"
#include "shell/sound.h"
#include "shell/winmain.h"

namespace {

constexpr int kPlayScene = 31;
constexpr int kMaxDrawsPerFrame = 1024;
constexpr int kMaxVerticesPerDraw = 64;
constexpr DWORD kIdleMs = 15;  // about what a 1/60-s step leaves idle

// ---------------------------------------------------------------------------
// The draws of the timed frames, kept by the device's observer. The buffers
// are reserved before the run, so keeping a draw costs a copy and no
// allocation inside a timed frame.

struct KeptDraw {
    TextureObject* texture;  // a reference is held until the replays are done
    int first;
    int count;
};

struct KeptFrame {
    int firstDraw = 0;
    int drawCount = 0;
    bool covered = false;  // the first draw hides the clear: ours leaves it out
};

struct Kept {
    bool on = false;
    bool full = false;
    std::vector<KeptDraw> draws;
    std::vector<RasterVertex> vertices;
    std::vector<KeptFrame> frames;
} g_kept;

void KeepDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count) {
    if (!g_kept.on) return;
    if (g_kept.draws.size() == g_kept.draws.capacity() ||
        g_kept.vertices.size() + (size_t)count > g_kept.vertices.capacity()) {
        g_kept.full = true;
        return;
    }
    TextureObject* t = static_cast<TextureObject*>(const_cast<IDirect3DTexture8*>(texture));
    if (t) t->AddRef();  // its address then stays its own for the replays
    g_kept.draws.push_back({t, (int)g_kept.vertices.size(), count});
    g_kept.vertices.insert(g_kept.vertices.end(), v, v + count);
}

// ---------------------------------------------------------------------------
// Clocks and figures

using Clock = std::chrono::steady_clock;

double MicrosSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

double ThreadCpuMicros() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec * 1e6 + (double)ts.tv_nsec / 1e3;
}

struct Figures {
    double median = 0, p99 = 0, worst = 0;
};

Figures FiguresOf(std::vector<double> us) {
    Figures f;
    if (us.empty()) return f;
    std::sort(us.begin(), us.end());
    size_t n = us.size();
    f.median = n % 2 ? us[n / 2] : (us[n / 2 - 1] + us[n / 2]) / 2;
    f.p99 = us[std::min(n - 1, (size_t)((double)n * 0.99))];
    f.worst = us.back();
    return f;
}

void PrintRow(const char* what, const Figures& f) {
    printf("  %-58s %8.1f %8.1f %8.1f\n", what, f.median, f.p99, f.worst);
}

// ---------------------------------------------------------------------------
// The game, brought up and run as WinMain runs it

bool StartGame() {
    HICON icon = (HICON)LoadImageA(nullptr, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, 0);
    if (FAILED(CoInitialize(nullptr))) return false;
    if (!InitWindow(nullptr, SW_SHOWDEFAULT)) return false;
    SendMessageA(g_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    if (FAILED(InitD3D())) return false;
    if (!InitDirectMusic()) return false;
    if (!InitDirectInput(nullptr)) return false;
    InitRenderState();
    return true;
}

void StopGame() {
    ReleaseDirectInput();
    ReleaseAllSegments();
    ReleaseDirectMusic();
    ReleaseD3D();
}

// Handles waiting window messages as the message loop does; false once the
// program is asked to end.
bool PumpMessages() {
    MSG msg = {};
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, nullptr, 0, 0)) return false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (g_bActive) return true;
        WaitMessage();
    }
}

// Sleeps until the frame loop's next 1/60-s step is due, by the loop's own
// count, so that GameLoop finds it due at once and its time is its work.
// perf record's control fifo, when profiling: the profile covers the play
// frames, not the way there nor the replays.
FILE* g_perfControl = nullptr;

void Profile(bool on) {
    if (!g_perfControl) return;
    fputs(on ? "enable\n" : "disable\n", g_perfControl);
    fflush(g_perfControl);
}

void WaitForStep() {
    for (;;) {
        DWORD now = timeGetTime();
        if ((now - g_dwPrevTime) * 3 + g_dwTimeRem >= 50) return;
        Sleep(1);
    }
}

// ---------------------------------------------------------------------------
// SDL's renderer: the same draws through SDL_RenderGeometry

struct SdlPath {
    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* target = nullptr;
    std::map<const TextureObject*, SDL_Texture*> textures;
    std::vector<SDL_Vertex> vertices;  // the kept vertices, as SDL takes them
    std::vector<int> fanIndices;       // 0 1 2, 0 2 3, ... for the longest fan

    bool Open() {
        surface = SDL_CreateRGBSurfaceWithFormat(0, kPictureWidth, kPictureHeight, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return false;
        renderer = SDL_CreateSoftwareRenderer(surface);
        if (!renderer) return false;
        target = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, kPictureWidth,
                                   kPictureHeight);
        if (!target || SDL_SetRenderTarget(renderer, target) != 0) return false;
        // An untextured draw blends with the draw colour's alpha, as ours does.
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        return true;
    }

    void Close() {
        for (auto& t : textures) SDL_DestroyTexture(t.second);
        if (target) SDL_DestroyTexture(target);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (surface) SDL_FreeSurface(surface);
    }

    // The game draws every quad with source-alpha blending and bilinear
    // magnification (InitRenderState), and the vertex colour modulating.
    bool Prepare() {
        for (const KeptDraw& d : g_kept.draws) {
            if (!d.texture || textures.count(d.texture)) continue;
            SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                                               d.texture->width, d.texture->height);
            if (!t) return false;
            SDL_UpdateTexture(t, nullptr, &d.texture->argb[0], d.texture->width * 4);
            SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
            SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
            textures[d.texture] = t;
        }
        vertices.reserve(g_kept.vertices.size());
        for (const RasterVertex& v : g_kept.vertices) {
            SDL_Vertex s;
            s.position = {v.x, v.y};
            s.color = {(Uint8)(v.color >> 16), (Uint8)(v.color >> 8), (Uint8)v.color, (Uint8)(v.color >> 24)};
            s.tex_coord = {v.u, v.v};
            vertices.push_back(s);
        }
        for (int i = 1; i + 1 < kMaxVerticesPerDraw; ++i) fanIndices.insert(fanIndices.end(), {0, i, i + 1});
        return true;
    }

    void Draw(const KeptFrame& f) {
        if (!f.covered) {
            SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
            SDL_RenderClear(renderer);
        }
        for (int i = f.firstDraw; i < f.firstDraw + f.drawCount; ++i) {
            const KeptDraw& d = g_kept.draws[i];
            SDL_Texture* t = d.texture ? textures[d.texture] : nullptr;
            SDL_RenderGeometry(renderer, t, &vertices[d.first], d.count, fanIndices.data(), 3 * (d.count - 2));
        }
        SDL_RenderFlush(renderer);  // the software renderer draws here
    }
};

// How far SDL's picture is from ours: pixels with a channel more than
// `tolerance` levels apart.
int PixelsApart(const uint32_t* a, const uint32_t* b, int tolerance) {
    int apart = 0;
    for (int i = 0; i < kPictureWidth * kPictureHeight; ++i) {
        for (int s = 0; s < 24; s += 8) {
            int d = (int)((a[i] >> s) & 0xFF) - (int)((b[i] >> s) & 0xFF);
            if (d > tolerance || d < -tolerance) {
                ++apart;
                break;
            }
        }
    }
    return apart;
}

// The floor's blend pass: source alpha over the picture, two channels to a
// 32-bit word, in the plain form the compiler turns into vector code (for
// AVX2 where the processor has it, as the rasteriser's own loops).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void BlendPass(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], d = dst[i], a = s >> 24, ia = 255 - a;
        uint32_t rb = (s & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * ia;
        uint32_t ag = ((s >> 8) & 0x00FF00FFu) * a + ((d >> 8) & 0x00FF00FFu) * ia;
        rb = ((rb + 0x00800080u + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;  // / 255, rounded
        ag = (ag + 0x00800080u + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
        dst[i] = rb | ag | 0xFF000000u;
    }
}

Picture g_ours;
uint32_t g_theirs[kPictureWidth * kPictureHeight];

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s SCRIPT [PLAY_FRAMES]\n", argv[0]);
        return 2;
    }
    const char* scriptPath = argv[1];
    const int wanted = argc == 3 ? atoi(argv[2]) : 1200;
    if (wanted <= 0) {
        fprintf(stderr, "PLAY_FRAMES must be positive\n");
        return 2;
    }
    InputScript script;
    std::string error;
    if (!LoadInputScript(scriptPath, script, error)) {
        fprintf(stderr, "%s: %s\n", scriptPath, error.c_str());
        return 2;
    }
    // Past its last line and ten seconds more, the script has no play left to show.
    const int lastFrame = (script.changes.empty() ? 0 : script.changes.back().first) + 600;

    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("POTE_INPUT_SCRIPT", scriptPath, 1);
    SDL_SetMainReady();

    g_kept.frames.reserve((size_t)wanted);
    g_kept.draws.reserve((size_t)wanted * 256);
    g_kept.vertices.reserve((size_t)wanted * 1024);
    std::vector<double> frameUs, frameCpuUs;
    std::vector<int> frameNumbers;
    frameUs.reserve((size_t)wanted);
    frameCpuUs.reserve((size_t)wanted);
    frameNumbers.reserve((size_t)wanted);
    SetSdlDrawObserver(KeepDraw);
    if (const char* fifo = getenv("POTE_BENCH_PERF_CTL")) g_perfControl = fopen(fifo, "w");

    if (getenv("POTE_BENCH_WINDOWED")) g_bWindowed = 1;  // as F1 would switch it
    if (!StartGame()) {
        fprintf(stderr, "the game did not start\n");
        return 1;
    }

    int frame = 0;
    bool ended = false;
    int lastScene = -1;
    while ((int)frameUs.size() < wanted && frame < lastFrame) {
        if (!PumpMessages()) {
            ended = true;
            break;
        }
        WaitForStep();
        ++frame;
        const bool play = g_FrameNo == kPlayScene;
        if (g_FrameNo != lastScene) {
            fprintf(stderr, "frame %d: scene %d\n", frame, (int)g_FrameNo);
            lastScene = g_FrameNo;
        }
        KeptFrame kept;
        kept.firstDraw = (int)g_kept.draws.size();
        g_kept.on = play;
        const double cpu0 = ThreadCpuMicros();
        const Clock::time_point t0 = Clock::now();
        const int going = GameLoop(nullptr, SW_SHOWDEFAULT);
        const double us = MicrosSince(t0);
        const double cpu = ThreadCpuMicros() - cpu0;
        g_kept.on = false;
        if (!going) {
            ended = true;
            break;
        }
        if (!play) continue;
        if (frameUs.empty()) Profile(true);
        kept.drawCount = (int)g_kept.draws.size() - kept.firstDraw;
        if (g_kept.full || kept.drawCount > kMaxDrawsPerFrame) {
            fprintf(stderr, "frame %d: too many draws to keep\n", frame);
            break;
        }
        g_kept.frames.push_back(kept);
        frameUs.push_back(us);
        frameCpuUs.push_back(cpu);
        frameNumbers.push_back(frame);
    }
    Profile(false);
    if (g_perfControl) fclose(g_perfControl);
    SetSdlDrawObserver(nullptr);
    if (ended) fprintf(stderr, "the game ended at frame %d\n", frame);

    const int measured = (int)frameUs.size();
    if (measured == 0) {
        fprintf(stderr, "no play frames: the script never reached stage play\n");
        StopGame();
        SDL_Quit();
        return 1;
    }

    // The replays, frame by frame: ours, then SDL's, each after the idle time
    // a game frame follows. A core that has slept draws more slowly than one
    // kept busy, and the game's frames are measured so.
    SdlPath sdl;
    if (!sdl.Open() || !sdl.Prepare()) {
        fprintf(stderr, "SDL's software renderer: %s\n", SDL_GetError());
        return 1;
    }
    RasterState state;
    state.blend = true;
    state.linearMag = true;
    state.cullCcw = true;
    auto textureOf = [](const KeptDraw& d) {
        RasterTexture tex;
        if (d.texture) {
            tex.width = d.texture->width;
            tex.height = d.texture->height;
            tex.argb = &d.texture->argb[0];
            tex.runs = d.texture->runs ? d.texture->runs->data() : nullptr;
        }
        return tex;
    };
    // Whether a frame's first draw hides the clear, as the device asks it.
    auto covers = [&](const KeptFrame& f) {
        if (f.drawCount == 0) return false;
        const KeptDraw& d = g_kept.draws[f.firstDraw];
        RasterTexture tex = textureOf(d);
        return RasterFanCoversPicture(d.texture ? &tex : nullptr, state, &g_kept.vertices[d.first], d.count);
    };
    int covered = 0;
    for (KeptFrame& f : g_kept.frames) covered += f.covered = covers(f);
    // As the device draws a frame: the clear left out under a background
    // that hides it.
    auto drawOurs = [&](const KeptFrame& f) {
        if (!covers(f)) RasterClear(g_ours, 0xFF000000u);
        for (int i = f.firstDraw; i < f.firstDraw + f.drawCount; ++i) {
            const KeptDraw& d = g_kept.draws[i];
            RasterTexture tex = textureOf(d);
            RasterFan(g_ours, d.texture ? &tex : nullptr, state, &g_kept.vertices[d.first], d.count);
        }
    };
    // The floor: the picture copied whole, then one pass blending a layer
    // of every alpha over it.
    std::unique_ptr<Picture> floorPicture(new Picture()), layer(new Picture());
    for (int i = 0; i < kPictureWidth * kPictureHeight; ++i) layer->px[i] = (uint32_t)i * 0x01030507u;
    auto drawFloor = [&] {
        RasterCopyPicture(g_ours, floorPicture->px, kPictureWidth * 4);
        BlendPass(floorPicture->px, layer->px, kPictureWidth * kPictureHeight);
    };
    // The first frame once untimed by each, so that none pays for first use.
    drawOurs(g_kept.frames[0]);
    BackendPresent(g_ours, true);
    sdl.Draw(g_kept.frames[0]);
    drawFloor();

    std::vector<double> oursUs, presentUs, sdlUs, floorUs, draws;
    long long apart = 0, compared = 0;
    for (int i = 0; i < measured; ++i) {
        const KeptFrame& f = g_kept.frames[i];
        draws.push_back(f.drawCount);
        Sleep(kIdleMs);
        Clock::time_point t0 = Clock::now();
        drawOurs(f);
        oursUs.push_back(MicrosSince(t0));
        t0 = Clock::now();
        BackendPresent(g_ours, true);
        presentUs.push_back(MicrosSince(t0));
        Sleep(kIdleMs);
        t0 = Clock::now();
        sdl.Draw(f);
        sdlUs.push_back(MicrosSince(t0));
        Sleep(kIdleMs);
        t0 = Clock::now();
        drawFloor();
        floorUs.push_back(MicrosSince(t0));
        if (i % 50 == 0 || i == measured - 1) {
            SDL_RenderReadPixels(sdl.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, g_theirs, kPictureWidth * 4);
            apart += PixelsApart(g_ours.px, g_theirs, 16);
            compared += kPictureWidth * kPictureHeight;
        }
    }

    for (KeptDraw& d : g_kept.draws)
        if (d.texture) d.texture->Release();
    sdl.Close();
    StopGame();
    SDL_Quit();

    const Figures game = FiguresOf(frameUs), gameCpu = FiguresOf(frameCpuUs), ours = FiguresOf(oursUs),
                  present = FiguresOf(presentUs), theirs = FiguresOf(sdlUs), floorCost = FiguresOf(floorUs),
                  perFrame = FiguresOf(draws);
    printf("play frames: %d (frames %d to %d of the run), script %s\n", measured, frameNumbers.front(),
           frameNumbers.back(), scriptPath);
    printf("draws a frame: %.0f median, %.0f most; the clear hidden in %d of %d frames\n", perFrame.median,
           perFrame.worst, covered, measured);
    printf("  %-58s %8s %8s %8s\n", "microseconds a frame", "median", "p99", "worst");
    PrintRow("play frame in the game (logic, drawing, present)", game);
    PrintRow("  the same, main thread's CPU time", gameCpu);
    PrintRow("  its drawing again, by our rasteriser alone", ours);
    PrintRow("  its present alone (SDL dummy video)", present);
    PrintRow("SDL renderer path: SDL_RenderGeometry, 640x480 target", theirs);
    PrintRow("floor: a vector copy of the picture and one blend pass", floorCost);
    printf("our drawing / SDL renderer path: %.2fx at the median; our drawing / floor: %.2fx at the median\n",
           ours.median / theirs.median, ours.median / floorCost.median);
    printf("SDL's pictures against ours: %.2f%% of pixels more than 16 levels apart (%lld frames compared)\n",
           100.0 * (double)apart / (double)compared, compared / (kPictureWidth * kPictureHeight));
    return 0;
}
