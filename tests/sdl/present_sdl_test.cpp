// The real device shows a picture only when it differs from the one on
// screen, and again whenever the window asks for it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include <SDL.h>

#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/quad.h"
#include "shell/renderer.h"
#include "shell/winmain.h"

namespace {

void Frame(IDirect3DTexture8* texture, int alpha, float left = 100.0f) {
    VERTEX quad[4];
    SetQuad(quad, left, 100.0f, left + 4.0f, 102.0f, alpha);
    g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 0.0f, 0);
    g_pd3dDevice->BeginScene();
    g_pd3dDevice->SetTexture(0, texture);
    g_pd3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(VERTEX));
    g_pd3dDevice->EndScene();
    g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

// The game's window, in its window mode, with its device.
bool OpenWindowAndDevice() {
    g_bWindowed = 1;
    if (InitWindow(nullptr, SW_SHOWDEFAULT) != 1 || InitD3D() < 0) return false;
    InitRenderState();
    return true;
}

void CloseWindowAndDevice() {
    ReleaseD3D();
    DestroyWindow(g_hWnd);
}

}  // namespace

TEST(SdlPresent, OnlyChangedPicturesAreShownAndTheWindowCanAskAgain) {
    ASSERT_TRUE(OpenWindowAndDevice());
    auto red = std::make_shared<const std::vector<uint32_t>>(8, 0xFFFF0000u);
    auto green = std::make_shared<const std::vector<uint32_t>>(8, 0xFF00FF00u);
    IDirect3DTexture8* texture = NewTextureObject(4, 2, red);

    Frame(texture, 255);
    const int first = SdlPicturesShown();
    EXPECT_GE(first, 1);
    Frame(texture, 255);
    Frame(texture, 255);
    EXPECT_EQ(SdlPicturesShown(), first) << "the same picture is not sent again";
    Frame(texture, 128);
    EXPECT_EQ(SdlPicturesShown(), first + 1) << "a fade step changes the picture";
    Frame(texture, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 2) << "so does half a pixel";
    Frame(texture, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 2);

    SdlRequestRedraw();  // what an expose or a size change does
    Frame(texture, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 3);
    ResetD3DDevice();  // a mode switch or a move
    Frame(texture, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 4);

    // Another image with the same quad, even where the released one lay.
    texture->Release();
    texture = NewTextureObject(4, 2, green);
    Frame(texture, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 5);
    Frame(nullptr, 128, 100.5f);
    EXPECT_EQ(SdlPicturesShown(), first + 6) << "an empty slot draws white";

    texture->Release();
    CloseWindowAndDevice();
}

// What reaches the window: the picture over the whole of a 4:3 window, and
// black bars beside it in a window of another shape, whatever was there.
TEST(SdlPresent, ThePictureFillsA43WindowAndOtherShapesGetBlackBars) {
    ASSERT_TRUE(OpenWindowAndDevice());
    auto red = std::make_shared<const std::vector<uint32_t>>(8, 0xFFFF0000u);
    IDirect3DTexture8* texture = NewTextureObject(4, 2, red);
    SDL_Window* window = SdlMainWindow();
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    ASSERT_NE(renderer, nullptr);
    auto pixelAt = [&](int x, int y) {
        SDL_Rect r{x, y, 1, 1};
        uint32_t px = 0;
        SDL_RenderReadPixels(renderer, &r, SDL_PIXELFORMAT_ARGB8888, &px, 4);
        return px & 0xFFFFFFu;
    };
    // A window of this size, left white by an earlier picture or another
    // program, then a frame shown in it.
    auto showIn = [&](int w, int h) {
        SDL_SetWindowSize(window, w, h);
        SDL_PumpEvents();
        SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
        SDL_RenderClear(renderer);
        SdlRequestRedraw();
        Frame(texture, 255);
    };

    showIn(640, 480);
    EXPECT_EQ(pixelAt(101, 100), 0xFF0000u);
    EXPECT_EQ(pixelAt(0, 0), 0x000000u);
    EXPECT_EQ(pixelAt(639, 479), 0x000000u);

    showIn(800, 480);
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    ASSERT_EQ(w, 800);
    EXPECT_EQ(pixelAt(80 + 101, 100), 0xFF0000u);
    EXPECT_EQ(pixelAt(5, 240), 0x000000u) << "the bar on the left";
    EXPECT_EQ(pixelAt(795, 240), 0x000000u) << "the bar on the right";

    // Larger screens: a renderer that scales on the processor is handed the
    // picture scaled by us; bars only where the shape differs.
    showIn(1000, 600);
    EXPECT_EQ(pixelAt(100 + 127, 126), 0xFF0000u) << "the quad, 1.25 times as large";
    EXPECT_EQ(pixelAt(100 + 10, 10), 0x000000u);
    EXPECT_EQ(pixelAt(50, 300), 0x000000u) << "the bar on the left";
    EXPECT_EQ(pixelAt(950, 300), 0x000000u) << "the bar on the right";
    showIn(800, 600);
    // Every pixel as our scaling makes it from the picture the frame drew.
    std::unique_ptr<Picture> drawn(new Picture());
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x)
            drawn->px[y * kPictureWidth + x] = x >= 100 && x < 104 && y >= 100 && y < 102 ? 0xFFFF0000u : 0xFF000000u;
    std::vector<uint32_t> want(800 * 600), shown(800 * 600);
    RasterScalePicture(*drawn, 800, 600, want.data(), 800 * 4);
    SDL_Rect all{0, 0, 800, 600};
    ASSERT_EQ(SDL_RenderReadPixels(renderer, &all, SDL_PIXELFORMAT_ARGB8888, shown.data(), 800 * 4), 0);
    int differ = 0;
    for (size_t i = 0; i < want.size(); ++i) differ += (want[i] & 0xFFFFFFu) != (shown[i] & 0xFFFFFFu);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(pixelAt(127, 126), 0xFF0000u);

    texture->Release();
    CloseWindowAndDevice();
}
