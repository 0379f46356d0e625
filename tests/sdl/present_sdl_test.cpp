// The real device shows a picture only when it differs from the one on
// screen, and again whenever the window asks for it.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>

#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/quad.h"
#include "shell/renderer.h"
#include "shell/winmain.h"

// Every renderer the device asks SDL for: the flags it asks with, and
// whether SDL made one. SDL's own function is reached through this one.
struct RendererAsk {
    Uint32 flags;
    bool made;
};
static std::vector<RendererAsk> g_rendererAsks;

SDL_Renderer* SDL_CreateRenderer(SDL_Window* window, int index, Uint32 flags) {
    using Create = SDL_Renderer* (*)(SDL_Window*, int, Uint32);
    static const Create sdl = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "SDL_CreateRenderer"));
    SDL_Renderer* renderer = sdl(window, index, flags);
    g_rendererAsks.push_back(RendererAsk{flags, renderer != nullptr});
    return renderer;
}

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
// Without a GPU (the dummy driver has none) it goes to the window's
// framebuffer, scaled there by us.
TEST(SdlPresent, ThePictureFillsA43WindowAndOtherShapesGetBlackBars) {
    ASSERT_TRUE(OpenWindowAndDevice());
    auto red = std::make_shared<const std::vector<uint32_t>>(8, 0xFFFF0000u);
    IDirect3DTexture8* texture = NewTextureObject(4, 2, red);
    SDL_Window* window = SdlMainWindow();
    EXPECT_EQ(SDL_GetRenderer(window), nullptr) << "no renderer in between";
    ASSERT_EQ(SDL_GetWindowSurface(window)->format->format, (Uint32)SDL_PIXELFORMAT_RGB888);
    auto pixelAt = [&](int x, int y) {
        SDL_Surface* s = SDL_GetWindowSurface(window);
        return static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFFu;
    };
    // A window of this size, left white by an earlier picture or another
    // program, then a frame shown in it: the same picture, which the window
    // asks for again, or a changed one.
    auto showIn = [&](int w, int h, float left = 100.0f) {
        SDL_SetWindowSize(window, w, h);
        SDL_PumpEvents();
        SDL_Surface* s = SDL_GetWindowSurface(window);
        SDL_FillRect(s, nullptr, 0xFFFFFFu);
        if (left == 100.0f) SdlRequestRedraw();
        Frame(texture, 255, left);
    };

    showIn(640, 480);
    EXPECT_EQ(pixelAt(101, 100), 0xFF0000u);
    EXPECT_EQ(pixelAt(0, 0), 0x000000u);
    EXPECT_EQ(pixelAt(639, 479), 0x000000u);

    showIn(800, 480);
    ASSERT_EQ(SDL_GetWindowSurface(window)->w, 800);
    EXPECT_EQ(pixelAt(80 + 101, 100), 0xFF0000u);
    EXPECT_EQ(pixelAt(5, 240), 0x000000u) << "the bar on the left";
    EXPECT_EQ(pixelAt(795, 240), 0x000000u) << "the bar on the right";

    // Larger screens: bars only where the shape differs, drawn for a new
    // size even when the window has not asked for everything again.
    showIn(1000, 600, 101.0f);
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
    std::vector<uint32_t> want(800 * 600);
    RasterScalePicture(*drawn, 800, 600, want.data(), 800 * 4);
    int differ = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) differ += (want[y * 800 + x] & 0xFFFFFFu) != pixelAt(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(pixelAt(127, 126), 0xFF0000u);

    texture->Release();
    CloseWindowAndDevice();
}

// A software OpenGL goes by its own name; a GPU's name may still mention
// the compiler its driver uses.
TEST(SdlPresent, SoftwareOpenGlIsToldFromAGpuByItsName) {
    EXPECT_TRUE(IsSoftwareOpenGl("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(IsSoftwareOpenGl("softpipe"));
    EXPECT_TRUE(IsSoftwareOpenGl("Mesa DRI Software Rasterizer"));
    EXPECT_FALSE(IsSoftwareOpenGl("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-18-amd64)"));
    EXPECT_FALSE(IsSoftwareOpenGl("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(IsSoftwareOpenGl("NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2"));
}

// Where the machine has a GPU (a DRM render node, or NVIDIA's own driver)
// the device asks SDL for an accelerated renderer first; without one it asks
// for none, as every OpenGL there would draw on the processor, and presents
// through the window's framebuffer. The dummy driver has no OpenGL: there a
// GPU's renderer is asked for and not had; a renderer that SDL does make but
// that draws on the processor is dropped, and not asked for again.
TEST(SdlPresent, AGpuRendererIsAskedForOnlyWhereTheMachineHasAGpu) {
    char folder[] = "/tmp/pote-dev-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    struct Case {
        const char* machine;
        std::vector<std::string> nodes;
        const char* renderDriver;  // the renderer SDL makes when asked, "" for its own choice
        int asks;                  // -1: at least one
        bool made;                 // whether SDL makes the one asked for
    } cases[] = {
        {"no device nodes", {}, "", 0, false},
        {"a display without a render node", {"dri/card0"}, "", 0, false},
        {"a render node", {"dri/card0", "dri/renderD128"}, "", -1, false},
        {"NVIDIA's driver", {"nvidiactl"}, "", -1, false},
        {"a render node, SDL's renderer drawing on the processor", {"dri/renderD128"}, "software", 1, true},
    };
    g_bWindowed = 1;
    ASSERT_EQ(InitWindow(nullptr, SW_SHOWDEFAULT), 1);
    auto red = std::make_shared<const std::vector<uint32_t>>(8, 0xFFFF0000u);
    IDirect3DTexture8* texture = NewTextureObject(4, 2, red);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.machine);
        const std::string dev = std::string(folder) + "/" + std::to_string(n++);
        ASSERT_EQ(mkdir(dev.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dev + "/dri").c_str(), 0755), 0);
        for (const std::string& node : c.nodes) {
            int fd = open((dev + "/" + node).c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(fd, 0) << node;
            close(fd);
        }
        SetSdlDeviceFolder(dev.c_str());
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, c.renderDriver);
        g_rendererAsks.clear();
        ASSERT_GE(InitD3D(), 0);
        if (c.asks < 0)
            EXPECT_GE(g_rendererAsks.size(), 1u) << "no GPU renderer asked for";
        else
            EXPECT_EQ(g_rendererAsks.size(), (size_t)c.asks) << "renderers asked for";
        for (const RendererAsk& ask : g_rendererAsks) {
            EXPECT_TRUE(ask.flags & SDL_RENDERER_ACCELERATED);
            EXPECT_EQ(ask.made, c.made);
        }
        EXPECT_EQ(SDL_GetRenderer(SdlMainWindow()), nullptr) << "no renderer in between";
        const int shown = SdlPicturesShown();
        Frame(texture, 255);
        EXPECT_EQ(SdlPicturesShown(), shown + 1);
        ReleaseD3D();
    }
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "");
    SetSdlDeviceFolder("/dev");
    texture->Release();
    DestroyWindow(g_hWnd);
    (void)system((std::string("rm -rf '") + folder + "'").c_str());
}
