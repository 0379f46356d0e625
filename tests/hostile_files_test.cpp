// Pictures that are not what they should be: things that are not files,
// files that cannot be read, and tiny files whose headers claim huge
// pictures. Each fails at once with the game's message and one line on
// standard error naming the file and the reason.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/image_samples.h"
#include "platform/common/file_read.h"
#include "platform/common/texture_object.h"
#include "platform/d3dx_texture.h"
#include "platform/image/image_decode.h"
#include "scenario.h"
#include "shell/textures.h"
#include "test_support.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

// A 24-bit BMP of w x h grey pixels (a few kilobytes for the sizes here).
Bytes BmpClaiming(uint32_t w, uint32_t h) {
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    uint32_t row = (w * 3 + 3) & ~3u;
    Put32(b, 2, 54 + row * h);
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, w);
    Put32(b, 22, h);
    b[26] = 1;
    b[28] = 24;
    Put32(b, 34, row * h);
    b.resize(54 + row * h, 0x40);
    return b;
}

uint32_t Crc(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// The signature and a valid IHDR chunk claiming w x h, then nothing: all
// a 33-byte file needs to say it is a huge picture.
Bytes PngClaiming(uint32_t w, uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h}) {
        for (int i = 3; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
    }
    b.insert(b.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    uint32_t crc = Crc(b.data() + 12, 17);
    for (int i = 3; i >= 0; --i) b.push_back((uint8_t)(crc >> (8 * i)));
    return b;
}

// Loads date/<name>.tov with the plain loader; returns the stderr it wrote.
std::string LoadExpectingFailure(const std::string& name) {
    IDirect3DTexture8* t = nullptr;
    testing::internal::CaptureStderr();
    HRESULT hr = D3DXCreateTextureFromFileA(g_pd3dDevice, ("date/" + name + ".tov").c_str(), &t);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LT(hr, 0) << name;
    EXPECT_EQ(t, nullptr) << name;
    return err;
}

// Exactly one line, naming the file.
void ExpectOneLine(const std::string& err, const std::string& name, const std::string& reason) {
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("date/" + name + ".tov"), std::string::npos) << err;
    EXPECT_NE(err.find(reason), std::string::npos) << err;
}

}  // namespace

TEST(HostileFiles, WhatIsNotAReadableFileFailsAtOnceNamingFileAndReason) {
    ScratchFolder folder;
    Scenario s;
    alarm(20);  // a load that blocks fails the test instead of hanging it

    ExpectOneLine(LoadExpectingFailure("absent"), "absent", "missing");

    ASSERT_EQ(mkdir("date/folder.tov", 0755), 0);
    ExpectOneLine(LoadExpectingFailure("folder"), "folder", "not a regular file (a folder)");

    ASSERT_EQ(mkfifo("date/pipe.tov", 0644), 0);
    ExpectOneLine(LoadExpectingFailure("pipe"), "pipe", "not a regular file (a named pipe)");

    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    strcpy(addr.sun_path, "date/socket.tov");
    ASSERT_EQ(bind(sock, (sockaddr*)&addr, sizeof addr), 0);
    ExpectOneLine(LoadExpectingFailure("socket"), "socket", "not a regular file (a socket)");
    close(sock);

    ASSERT_EQ(symlink("/dev/zero", "date/device.tov"), 0);
    ExpectOneLine(LoadExpectingFailure("device"), "device", "not a regular file (a device)");

    ScratchFolder::Write("empty", {});
    ExpectOneLine(LoadExpectingFailure("empty"), "empty", "not a picture");

    ScratchFolder::Write("text", {'h', 'e', 'l', 'l', 'o'});
    ExpectOneLine(LoadExpectingFailure("text"), "text", "not a picture");

    // Root reads whatever the mode says; the reason is checked where it can be.
    ScratchFolder::WritePpm("locked");
    ASSERT_EQ(chmod("date/locked.tov", 0), 0);
    if (geteuid() != 0) ExpectOneLine(LoadExpectingFailure("locked"), "locked", "unreadable");
    alarm(0);
}

TEST(HostileFiles, PicturesLargerThanADeviceTextureAreRefusedFromTheirHeader) {
    ScratchFolder folder;
    Scenario s;
    const int side = kMaxImageSide;

    // The largest picture a texture can be still loads.
    ScratchFolder::Write("widest", BmpClaiming(side, 1));
    IDirect3DTexture8* t = nullptr;
    ASSERT_GE(D3DXCreateTextureFromFileA(g_pd3dDevice, "date/widest.tov", &t), 0);
    EXPECT_EQ(static_cast<const TextureObject*>(t)->width, side);
    t->Release();

    // One texel more on either side, in files of a few dozen bytes.
    // The reason names the limit passed.
    ScratchFolder::Write("wide", BmpClaiming(side + 1, 1));
    ExpectOneLine(LoadExpectingFailure("wide"), "wide", "4097 texels wide, wider than 4096");
    ScratchFolder::Write("tall", BmpClaiming(1, side + 1));
    ExpectOneLine(LoadExpectingFailure("tall"), "tall", "4097 texels tall, taller than 4096");
    ScratchFolder::Write("pngwide", PngClaiming(side + 1, 1));
    ExpectOneLine(LoadExpectingFailure("pngwide"), "pngwide", "4097 texels wide, wider than 4096");
    ScratchFolder::Write("pnghuge", PngClaiming(16384, 4096));
    ExpectOneLine(LoadExpectingFailure("pnghuge"), "pnghuge", "16384 texels wide, wider than 4096");
    ScratchFolder::Write("pngtall", PngClaiming(1, side + 1));
    ExpectOneLine(LoadExpectingFailure("pngtall"), "pngtall", "4097 texels tall, taller than 4096");
}

// Pictures and sounds alike are read through one size limit; at its edge a
// file of exactly the limit is read whole and one byte more is refused.
TEST(HostileFiles, AFileOfExactlyTheSizeLimitIsReadAndOneByteMoreIsRefused) {
    ScratchFolder folder;
    ScratchFolder::Write("edge", Bytes(100, 7));
    FileIdentity id;
    Bytes bytes;
    std::string why;
    EXPECT_TRUE(IdentifyFile("date/edge.tov", 100, &id, &why)) << why;
    EXPECT_TRUE(ReadWholeFile("date/edge.tov", 100, &id, &bytes, &why)) << why;
    EXPECT_EQ(bytes, Bytes(100, 7));
    EXPECT_FALSE(IdentifyFile("date/edge.tov", 99, &id, &why));
    EXPECT_FALSE(ReadWholeFile("date/edge.tov", 99, &id, &bytes, &why));
    EXPECT_EQ(why, "too large (100 bytes, at most 99)");
}

// Through the game's own list: its message box, and the line naming the file.
TEST(HostileFiles, ATitlePictureThatIsAPipeShowsTheListMessageAndNamesTheFile) {
    ScratchFolder folder;
    Scenario s;
    for (const char* n : {"back_start1", "back_start2", "logo2"}) ScratchFolder::WritePpm(n);
    ASSERT_EQ(mkfifo("date/logo1.tov", 0644), 0);
    alarm(20);
    testing::internal::CaptureStderr();
    LoadTitleTextures();
    std::string err = testing::internal::GetCapturedStderr();
    alarm(0);
    EXPECT_EQ(MessageBoxTexts(), std::vector<std::string>{"スタート画面背景をテクスチャとして読み込めませんでした"});
    EXPECT_NE(err.find("cannot load date/logo1.tov: not a regular file (a named pipe)"), std::string::npos) << err;
    EXPECT_NE(g_pTexStart2, nullptr);
    EXPECT_EQ(g_pTexLogo1, nullptr);
    EXPECT_EQ(g_pTexLogo2, nullptr) << "the list stops at the failing picture";
}

// What exiftool leaves in a picture: megabytes of XMP that the game has no
// use for. The picture loads as it would without them, without a word.
TEST(HostileFiles, APictureCarryingMegabytesOfMetadataLoadsQuietly) {
    ScratchFolder folder;
    Scenario s;
    const imagesamples::Sample png = imagesamples::PngSamples()[0];
    std::string xmp = std::string("XML:com.adobe.xmp") + std::string(5, '\0') + "<x:xmpmeta>";
    xmp.append(size_t(9) << 20, ' ');
    xmp += "</x:xmpmeta>";
    ScratchFolder::Write("xmp", imagesamples::WithPngChunk(png.data, "iTXt", Bytes(xmp.begin(), xmp.end()), false));
    IDirect3DTexture8* t = nullptr;
    testing::internal::CaptureStderr();
    HRESULT hr = D3DXCreateTextureFromFileA(g_pd3dDevice, "date/xmp.tov", &t);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_GE(hr, 0);
    const TextureObject* tex = static_cast<const TextureObject*>(t);
    EXPECT_EQ(tex->width, png.expected.width);
    EXPECT_EQ(tex->height, png.expected.height);
    EXPECT_EQ(std::vector<uint32_t>(tex->argb, tex->argb + png.expected.argb.size()), png.expected.argb);
    t->Release();
}
