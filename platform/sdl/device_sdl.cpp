// Shows the 640x480 picture in the window, scaled to fit, centred, aspect
// kept: with a GPU through SDL's renderer, streamed to one texture the GPU
// scales; without one straight into the window's framebuffer, scaled there
// by our own loops.
#include <SDL.h>
#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/sdl/sdl_backend.h"

namespace {

SDL_Renderer* g_renderer = nullptr;  // a GPU's renderer
SDL_Texture* g_screen = nullptr;
// Without a GPU, the window's framebuffer (X's shared-memory image) takes
// the picture scaled by us: one pass over the screen, where SDL's software
// renderer would make two and SDL's stand-in for a GPU (a software OpenGL)
// costs several times both.
bool g_framebuffer = false;
// The framebuffer whose bars beside the picture are black: a framebuffer
// made anew, after a size change, has them drawn again.
SDL_Surface* g_barsDrawnOn = nullptr;
int g_barsW = 0, g_barsH = 0;
// For a framebuffer in a format other than our own: the picture scaled here
// first, then converted by SDL.
std::vector<uint32_t> g_converted;
// Once a renderer turned out to draw on the processor, the device's second
// try at a GPU renderer is not made.
bool g_noGpu = false;
std::string g_deviceFolder = "/dev";  // where the GPU's device nodes would be
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
char g_presentedBy[64] = "nothing";  // the way to the screen last chosen
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
    fprintf(stderr, "frames: presented by %s\n", g_presentedBy);
    for (int i = 0; i < g_stats.over33Ms && i < kLongFramesKept; ++i)
        fprintf(stderr, "frames: %.1f ms long, ending %.2f s after the first: frame %d, scene %d\n", g_long[i].ms,
                g_long[i].at / 1000.0, g_long[i].frame, g_long[i].scene);
}

bool IsSoftwareOpenGl(const char* rendererName) {
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "Software Rasterizer"};
    for (const char* name : kSoftware)
        if (strcasestr(rendererName, name)) return true;
    return false;
}

namespace {

// A DRM render node, or NVIDIA's own driver: without either, every OpenGL
// the machine has is a software one, and making it to find out costs a
// tenth of a second and some 70 MB.
bool HasGpu() {
    if (access((g_deviceFolder + "/nvidiactl").c_str(), F_OK) == 0) return true;
    DIR* dir = opendir((g_deviceFolder + "/dri").c_str());
    if (!dir) return false;
    bool found = false;
    while (const dirent* e = readdir(dir))
        if (strncmp(e->d_name, "renderD", 7) == 0) found = true;
    closedir(dir);
    return found;
}

// SDL's software renderer, or an OpenGL that is Mesa's software one (what
// SDL takes for accelerated on an X server without a GPU).
bool DrawsOnProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) return true;
    if (strncmp(info.name, "opengl", 6) != 0) return false;  // opengl, opengles, opengles2
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(0x1F01) : nullptr;  // GL_RENDERER, of the current context
    return name && IsSoftwareOpenGl(reinterpret_cast<const char*>(name));
}

// The device's first try: a renderer on a GPU, or none.
bool CreateGpuRenderer(SDL_Window* window) {
    if (g_noGpu || !HasGpu()) {
        g_noGpu = true;
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    g_renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!g_renderer) {
        fprintf(stderr, "SDL renderer (accelerated): %s\n", SDL_GetError());
        return false;
    }
    if (DrawsOnProcessor(g_renderer)) {
        SDL_DestroyRenderer(g_renderer);
        g_renderer = nullptr;
        g_noGpu = true;
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
    // One black picture shown now: a renderer's first copy and present can
    // take tens of milliseconds (it builds its drawing code), which belongs
    // to start-up rather than to the game's second frame.
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
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(g_renderer, &info) == 0)
        snprintf(g_presentedBy, sizeof g_presentedBy, "SDL's %s renderer", info.name);
    return true;
}

// The fallback: the window's framebuffer.
bool OpenFramebuffer(SDL_Window* window) {
    // On X, SDL would otherwise stand a texture of a software OpenGL in for
    // the framebuffer; X's own shared-memory image is what is wanted here.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && strcmp(driver, "x11") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A window manager's resize that SDL has not yet taken in would have the
    // framebuffer made anew, fresh pages and all, at the first frame: it is
    // taken in first (the events wait in SDL's queue for the message loop).
    SDL_PumpEvents();
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface) {
        fprintf(stderr, "SDL window surface: %s\n", SDL_GetError());
        return false;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window);
    g_framebuffer = true;
    g_barsDrawnOn = nullptr;
    snprintf(g_presentedBy, sizeof g_presentedBy, "the window's framebuffer (%s)",
             SDL_GetPixelFormatName(surface->format->format));
    return true;
}

}  // namespace

bool BackendCreateRenderer(bool accelerated) {
    static bool statsAtExit = false;
    if (!statsAtExit && getenv("POTE_FRAME_STATS")) {
        statsAtExit = true;
        atexit(PrintFrameStats);
    }
    SDL_Window* window = SdlMainWindow();
    if (!window || g_renderer || g_framebuffer) return false;
    if (!(accelerated ? CreateGpuRenderer(window) : OpenFramebuffer(window))) return false;
    g_redraw = true;
    g_uploads = 0;
    return true;
}

void BackendResetRenderer(bool) { g_redraw = true; }

namespace {

// Where the picture goes on a w x h screen: as large as fits (and as our
// scaling goes), its shape kept, centred.
SDL_Rect Fitted(int w, int h) {
    SDL_Rect r{0, 0, w, h};
    if (w * kPictureHeight > h * kPictureWidth)
        r.w = h * kPictureWidth / kPictureHeight;
    else
        r.h = w * kPictureHeight / kPictureWidth;
    if (r.w > kMaxScaledWidth) {
        r.w = kMaxScaledWidth;
        r.h = kMaxScaledWidth * kPictureHeight / kPictureWidth;
    }
    r.x = (w - r.w) / 2;
    r.y = (h - r.h) / 2;
    return r;
}

// The picture at the fitted size into rows of pitch bytes, alpha opaque.
// Our own loops do it, as the C library's copy is slow for rows of this
// width on some processors.
void CopyOrScale(const Picture& picture, const SDL_Rect& fit, void* pixels, int pitch) {
    if (fit.w == kPictureWidth && fit.h == kPictureHeight)
        RasterCopyPicture(picture, pixels, pitch);
    else
        RasterScalePicture(picture, fit.w, fit.h, pixels, pitch);
}

void PresentToGpu(const Picture& picture) {
    int w = kPictureWidth, h = kPictureHeight;
    if (SDL_GetRendererOutputSize(g_renderer, &w, &h) != 0 || w <= 0 || h <= 0) {
        w = kPictureWidth;
        h = kPictureHeight;
    }
    const SDL_Rect fit = Fitted(w, h);
    void* pixels;
    int pitch;
    if (SDL_LockTexture(g_screen, nullptr, &pixels, &pitch) == 0) {
        RasterCopyPicture(picture, pixels, pitch);
        SDL_UnlockTexture(g_screen);
    } else {
        SDL_UpdateTexture(g_screen, nullptr, picture.px, kPictureWidth * 4);
    }
    // The bars beside a picture on a screen of another shape are cleared; a
    // 4:3 screen is all picture, and clearing it first would only write
    // every pixel twice.
    if (fit.w != w || fit.h != h) {
        SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
        SDL_RenderClear(g_renderer);
    }
    SDL_RenderCopy(g_renderer, g_screen, nullptr, &fit);
    SDL_RenderPresent(g_renderer);
}

// The framebuffer keeps what it was given: the bars are drawn once for
// each framebuffer (and when the window asks for everything again), and
// only the picture's rectangle is sent after that.
void PresentToFramebuffer(const Picture& picture) {
    SDL_Window* window = SdlMainWindow();
    SDL_Surface* s = SDL_GetWindowSurface(window);  // made anew after a size change
    if (!s || s->w <= 0 || s->h <= 0) return;
    const SDL_Rect fit = Fitted(s->w, s->h);
    const bool whole = g_redraw || s != g_barsDrawnOn || s->w != g_barsW || s->h != g_barsH;
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
    if (whole) SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
    const Uint32 format = s->format->format;
    uint8_t* at =
        static_cast<uint8_t*>(s->pixels) + (size_t)fit.y * s->pitch + (size_t)fit.x * s->format->BytesPerPixel;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        CopyOrScale(picture, fit, at, s->pitch);  // our own format: nothing to convert
    } else {
        g_converted.resize((size_t)fit.w * fit.h);
        CopyOrScale(picture, fit, g_converted.data(), fit.w * 4);
        SDL_ConvertPixels(fit.w, fit.h, SDL_PIXELFORMAT_ARGB8888, g_converted.data(), fit.w * 4, format, at, s->pitch);
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    if (whole) {
        SDL_UpdateWindowSurface(window);
        g_barsDrawnOn = s;
        g_barsW = s->w;
        g_barsH = s->h;
    } else {
        SDL_UpdateWindowSurfaceRects(window, &fit, 1);
    }
}

}  // namespace

void BackendPresent(const Picture& picture, bool changed) {
    if (!g_renderer && !g_framebuffer) return;
    CountFrame();
    // A picture identical to the one on screen is not sent again: an idle
    // screen then costs next to nothing.
    if (!changed && !g_redraw) return;
    if (g_framebuffer)
        PresentToFramebuffer(picture);
    else
        PresentToGpu(picture);
    g_redraw = false;
    ++g_uploads;
}

void BackendDestroyRenderer() {
    if (g_screen) SDL_DestroyTexture(g_screen);
    if (g_renderer) SDL_DestroyRenderer(g_renderer);
    g_screen = nullptr;
    g_renderer = nullptr;
    g_framebuffer = false;
    g_barsDrawnOn = nullptr;
}

void SetSdlDeviceFolder(const char* folder) {
    g_deviceFolder = folder;
    g_noGpu = false;
}

void SetSdlDrawObserver(SdlDrawObserver observer) { g_drawObserver = observer; }

void BackendRecordDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count) {
    if (g_drawObserver) g_drawObserver(texture, v, count);
}
