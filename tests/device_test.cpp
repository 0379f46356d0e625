// The device keeps a frame's drawing until it is presented: the picture the
// platform is given must be the same as if every draw went straight in.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/common/raster.h"
#include "platform/common/texture_object.h"
#include "scenario.h"
#include "shell/quad.h"

namespace {

void Draw(IDirect3DTexture8* texture, float left, float top, int alpha = 255) {
    VERTEX quad[4];
    SetQuad(quad, left, top, left + 2.0f, top + 2.0f, alpha);
    g_pd3dDevice->SetTexture(0, texture);
    g_pd3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(VERTEX));
}

void Begin() {
    g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 0.0f, 0);
    g_pd3dDevice->BeginScene();
}

void End() {
    g_pd3dDevice->EndScene();
    g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(DeviceDraws, PictureHoldsEveryDrawOfTheFrameEvenOfTexturesReleasedInIt) {
    Scenario s;
    auto red = std::make_shared<const std::vector<uint32_t>>(4, 0xFFFF0000u);
    auto blue = std::make_shared<const std::vector<uint32_t>>(4, 0xFF0000FFu);
    IDirect3DTexture8* a = NewTextureObject(2, 2, red);
    Begin();
    Draw(a, 10, 10);
    a->Release();  // gone before the frame is shown
    IDirect3DTexture8* b = NewTextureObject(2, 2, blue);
    Draw(b, 20, 10);
    End();
    EXPECT_EQ(headless::PixelAt(10, 10), 0xFFFF0000u);
    EXPECT_EQ(headless::PixelAt(21, 11), 0xFF0000FFu);

    // More draws than the device keeps waiting: the first ones are not lost,
    // and the painter's order holds across the overflow.
    Begin();
    for (int i = 0; i < 3000; ++i) Draw(i % 2 ? b : nullptr, (float)(i % 300) * 2.0f, (float)(i / 300) * 2.0f);
    Draw(nullptr, 0, 0, 128);
    End();
    EXPECT_EQ(headless::PixelAt(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(headless::PixelAt(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(headless::PixelAt(3, 1), 0xFF0000FFu);
    EXPECT_EQ(headless::PixelAt(599, 19), 0xFF0000FFu) << "the 3000th draw";
    EXPECT_EQ(headless::PixelAt(600, 0), 0xFF000000u);

    // The same frame again, and then one with less in it.
    for (int pass = 0; pass < 2; ++pass) {
        Begin();
        Draw(b, 20, 10);
        End();
        EXPECT_EQ(headless::PixelAt(21, 11), 0xFF0000FFu);
        EXPECT_EQ(headless::PixelAt(3, 1), 0xFF000000u) << "pass " << pass;
    }
    Begin();
    End();
    EXPECT_EQ(headless::PixelAt(21, 11), 0xFF000000u);
    b->Release();
}

// A frame that starts with a picture-sized opaque background need not be
// cleared first; any other frame must be, or the last frame shows through.
TEST(DeviceDraws, ClearIsLeftOutOnlyUnderABackgroundThatHidesItAll) {
    Scenario s;
    std::vector<uint32_t> texels(64 * 48, 0xFF204060u);
    auto runsOf = [](const std::vector<uint32_t>& t) {
        auto runs = std::make_shared<std::vector<uint16_t>>(TexelRunEntries(64, 48));
        BuildTexelRuns(t.data(), 64, 48, runs->data());
        return runs;
    };
    IDirect3DTexture8* opaque =
        NewTextureObject(64, 48, std::make_shared<const std::vector<uint32_t>>(texels), runsOf(texels));
    texels[64 * 47 + 63] = 0x00000000u;  // its bottom-right texel clear
    IDirect3DTexture8* holed =
        NewTextureObject(64, 48, std::make_shared<const std::vector<uint32_t>>(texels), runsOf(texels));
    g_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    g_pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    auto frame = [&](IDirect3DTexture8* t, float right, int alpha) {
        g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 0.0f, 0);
        g_pd3dDevice->BeginScene();
        VERTEX quad[4];
        SetQuad(quad, 0, 0, right, 480, alpha);
        g_pd3dDevice->SetTexture(0, t);
        g_pd3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(VERTEX));
        End();
    };
    frame(opaque, 640, 255);
    EXPECT_EQ(headless::PixelAt(639, 479), 0xFF204060u);
    EXPECT_EQ(headless::PixelAt(0, 0), 0xFF204060u);
    frame(holed, 640, 255);
    EXPECT_EQ(headless::PixelAt(639, 479), 0xFFFF0000u) << "the clear shows through the clear texel";
    frame(opaque, 639, 255);
    EXPECT_EQ(headless::PixelAt(639, 0), 0xFFFF0000u) << "a column short of the edge";
    frame(opaque, 640, 128);
    EXPECT_NE(headless::PixelAt(5, 5), 0xFF204060u) << "half see-through";
    EXPECT_NE(headless::PixelAt(5, 5) & 0xFF0000u, 0u) << "half see-through";
    opaque->Release();
    holed->Release();
}
