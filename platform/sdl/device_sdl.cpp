// Shows the 640x480 picture in the window: streamed to one texture and scaled
// to fit, centred, aspect kept.
#include <SDL.h>

#include <cstdio>

#include "platform/common/backend.h"
#include "platform/sdl/sdl_backend.h"

namespace {

SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_screen = nullptr;
bool g_redraw = true;
SdlDrawObserver g_drawObserver = nullptr;

}  // namespace

void SdlRequestRedraw() { g_redraw = true; }

bool BackendCreateRenderer(bool accelerated) {
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
    SDL_RenderSetLogicalSize(g_renderer, kPictureWidth, kPictureHeight);
    g_redraw = true;
    return true;
}

void BackendResetRenderer(bool) {
    if (g_renderer) SDL_RenderSetLogicalSize(g_renderer, kPictureWidth, kPictureHeight);
    g_redraw = true;
}

void BackendPresent(const Picture& picture, bool changed) {
    if (!g_renderer) return;
    // A picture identical to the one on screen is not sent again: an idle
    // screen then costs next to nothing.
    if (!changed && !g_redraw) return;
    SDL_UpdateTexture(g_screen, nullptr, picture.px, kPictureWidth * 4);
    SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_renderer);
    SDL_RenderCopy(g_renderer, g_screen, nullptr, nullptr);
    SDL_RenderPresent(g_renderer);
    g_redraw = false;
}

void BackendDestroyRenderer() {
    if (g_screen) SDL_DestroyTexture(g_screen);
    if (g_renderer) SDL_DestroyRenderer(g_renderer);
    g_screen = nullptr;
    g_renderer = nullptr;
}

void SetSdlDrawObserver(SdlDrawObserver observer) { g_drawObserver = observer; }

void BackendRecordDraw(const IDirect3DTexture8* texture, const RasterVertex* v, int count) {
    if (g_drawObserver) g_drawObserver(texture, v, count);
}
