// Shows the 640x480 picture in the window: streamed to one texture and scaled
// to fit, centred, aspect kept.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/common/backend.h"
#include "platform/sdl/sdl_backend.h"

namespace {

SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_screen = nullptr;
// A renderer that scales on the processor (SDL's software one) is handed the
// picture already scaled to the screen, by our faster scaling.
bool g_cpuScaling = false;
SDL_Texture* g_scaled = nullptr;
int g_scaledW = 0, g_scaledH = 0;
bool g_redraw = true;
SdlDrawObserver g_drawObserver = nullptr;
int g_uploads = 0;
SdlFrameStats g_stats;
Uint64 g_lastFrame = 0;
Uint64 g_firstFrame = 0;
Uint64 g_frameBegan = 0;
int g_frameNo = 0;  // frames presented, the first being 1
const uint8_t* g_scene = nullptr;
int g_sceneOfFrame = -1;  // the scene when the frame being timed began
// The first long frames: which frame, in which scene, when it ended (ms
// from the first frame) and how long it took.
constexpr int kLongFramesKept = 8;
struct LongFrame {
    int frame;
    int scene;
    double at;
    double ms;
};
LongFrame g_long[kLongFramesKept];

double Ms(Uint64 ticks) { return (double)ticks * 1000.0 / (double)SDL_GetPerformanceFrequency(); }

int SceneNow() { return g_scene ? *g_scene : -1; }

// Time from one frame's present to the next: a frame that waited on a load
// shows up here. The first frame has no present before it: it is timed from
// its own start.
void CountFrame() {
    Uint64 now = SDL_GetPerformanceCounter();
    ++g_frameNo;
    if (g_lastFrame != 0) {
        double ms = Ms(now - g_lastFrame);
        ++g_stats.frames;
        g_stats.spanMs = (double)(now - g_firstFrame) * 1000.0 / (double)SDL_GetPerformanceFrequency();
        if (ms > g_stats.longestMs) g_stats.longestMs = ms;
        if (ms > 33.0) {
            if (g_stats.over33Ms < kLongFramesKept)
                g_long[g_stats.over33Ms] = LongFrame{g_frameNo, g_sceneOfFrame, Ms(now - g_firstFrame), ms};
            ++g_stats.over33Ms;
        }
    } else {
        g_firstFrame = now;
        g_stats.firstMs = g_frameBegan ? Ms(now - g_frameBegan) : 0;
        g_stats.firstScene = g_sceneOfFrame;
    }
    g_lastFrame = now;
    g_sceneOfFrame = SceneNow();
}

}  // namespace

void SdlRequestRedraw() { g_redraw = true; }

int SdlPicturesShown() { return g_uploads; }

SdlFrameStats GetSdlFrameStats() { return g_stats; }

void SdlWatchScene(const uint8_t* scene) { g_scene = scene; }

void SdlFrameBegins() {
    if (g_frameNo == 0) {
        g_frameBegan = SDL_GetPerformanceCounter();
        g_sceneOfFrame = SceneNow();
    }
}

// At exit, however the program ends, for tools/bench_frames.sh.
void PrintFrameStats() {
    fprintf(stderr, "frames: %d after the first, %d pictures shown, longest frame %.1f ms, %d over 33 ms\n",
            g_stats.frames, g_uploads, g_stats.longestMs, g_stats.over33Ms);
    fprintf(stderr, "frames: the first (scene %d) took %.1f ms from its start to its present; scene %d at the end\n",
            g_stats.firstScene, g_stats.firstMs, SceneNow());
    for (int i = 0; i < g_stats.over33Ms && i < kLongFramesKept; ++i)
        fprintf(stderr, "frames: %.1f ms long, ending %.2f s after the first: frame %d, scene %d\n", g_long[i].ms,
                g_long[i].at / 1000.0, g_long[i].frame, g_long[i].scene);
}

bool BackendCreateRenderer(bool accelerated) {
    static bool statsAtExit = false;
    if (!statsAtExit && getenv("POTE_FRAME_STATS")) {
        statsAtExit = true;
        atexit(PrintFrameStats);
    }
    SDL_Window* window = SdlMainWindow();
    if (!window || g_renderer) return false;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    g_renderer = SDL_CreateRenderer(window, -1, accelerated ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE);
    if (!g_renderer) {
        fprintf(stderr, "SDL renderer (%s): %s\n", accelerated ? "accelerated" : "software", SDL_GetError());
        return false;
    }
    g_screen = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kPictureWidth,
                                 kPictureHeight);
    if (!g_screen) {
        fprintf(stderr, "SDL texture: %s\n", SDL_GetError());
        SDL_DestroyRenderer(g_renderer);
        g_renderer = nullptr;
        return false;
    }
    // The picture is opaque: it replaces what is behind it, never mixes.
    SDL_SetTextureBlendMode(g_screen, SDL_BLENDMODE_NONE);
    SDL_RendererInfo info;
    g_cpuScaling = SDL_GetRendererInfo(g_renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    // One black picture shown now: a renderer's first copy and present can
    // take tens of milliseconds (a software OpenGL builds its drawing code),
    // which belongs to start-up rather than to the game's second frame.
    void* pixels;
    int pitch;
    if (SDL_LockTexture(g_screen, nullptr, &pixels, &pitch) == 0) {
        memset(pixels, 0, (size_t)pitch * kPictureHeight);
        SDL_UnlockTexture(g_screen);
    }
    SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_renderer);
    SDL_RenderCopy(g_renderer, g_screen, nullptr, nullptr);
    SDL_RenderPresent(g_renderer);
    g_redraw = true;
    g_uploads = 0;
    return true;
}

void BackendResetRenderer(bool) { g_redraw = true; }

namespace {

// Where the picture goes on a w x h screen: as large as fits, its shape
// kept, centred.
SDL_Rect Fitted(int w, int h) {
    SDL_Rect r{0, 0, w, h};
    if (w * kPictureHeight > h * kPictureWidth)
        r.w = h * kPictureWidth / kPictureHeight;
    else
        r.h = w * kPictureHeight / kPictureWidth;
    r.x = (w - r.w) / 2;
    r.y = (h - r.h) / 2;
    return r;
}

// The picture into a texture the renderer then only copies to the screen:
// for a renderer that scales on the processor, scaled to the screen by us;
// else at its own size, scaled by the GPU. Our own loops do the copying, as
// the C library's copy is slow for rows of this width on some processors.
SDL_Texture* Upload(const Picture& picture, const SDL_Rect& fit) {
    if (g_cpuScaling && (fit.w != kPictureWidth || fit.h != kPictureHeight) && fit.w <= kMaxScaledWidth) {
        if (!g_scaled || g_scaledW != fit.w || g_scaledH != fit.h) {
            if (g_scaled) SDL_DestroyTexture(g_scaled);
            g_scaled = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, fit.w,
                                         fit.h);
            g_scaledW = fit.w;
            g_scaledH = fit.h;
            if (g_scaled) SDL_SetTextureBlendMode(g_scaled, SDL_BLENDMODE_NONE);
        }
        void* pixels;
        int pitch;
        if (g_scaled && SDL_LockTexture(g_scaled, nullptr, &pixels, &pitch) == 0) {
            RasterScalePicture(picture, fit.w, fit.h, pixels, pitch);
            SDL_UnlockTexture(g_scaled);
            return g_scaled;
        }
    }
    void* pixels;
    int pitch;
    if (SDL_LockTexture(g_screen, nullptr, &pixels, &pitch) == 0) {
        RasterCopyPicture(picture, pixels, pitch);
        SDL_UnlockTexture(g_screen);
    } else {
        SDL_UpdateTexture(g_screen, nullptr, picture.px, kPictureWidth * 4);
    }
    return g_screen;
}

}  // namespace

void BackendPresent(const Picture& picture, bool changed) {
    if (!g_renderer) return;
    CountFrame();
    // A picture identical to the one on screen is not sent again: an idle
    // screen then costs next to nothing.
    if (!changed && !g_redraw) return;
    int w = kPictureWidth, h = kPictureHeight;
    if (SDL_GetRendererOutputSize(g_renderer, &w, &h) != 0 || w <= 0 || h <= 0) {
        w = kPictureWidth;
        h = kPictureHeight;
    }
    const SDL_Rect fit = Fitted(w, h);
    SDL_Texture* texture = Upload(picture, fit);
    // The bars beside a picture on a screen of another shape are cleared; a
    // 4:3 screen is all picture, and clearing it first would only write
    // every pixel twice.
    if (fit.w != w || fit.h != h) {
        SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
        SDL_RenderClear(g_renderer);
    }
    SDL_RenderCopy(g_renderer, texture, nullptr, &fit);
    SDL_RenderPresent(g_renderer);
    g_redraw = false;
    ++g_uploads;
}

void BackendDestroyRenderer() {
    if (g_scaled) SDL_DestroyTexture(g_scaled);
    g_scaled = nullptr;
    g_scaledW = g_scaledH = 0;
    if (g_screen) SDL_DestroyTexture(g_screen);
    if (g_renderer) SDL_DestroyRenderer(g_renderer);
    g_screen = nullptr;
    g_renderer = nullptr;
}

void SetSdlDrawObserver(SdlDrawObserver observer) { g_drawObserver = observer; }

void BackendRecordDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count) {
    if (g_drawObserver) g_drawObserver(texture, v, count);
}
