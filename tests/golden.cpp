#include "golden.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/headless/headless.h"

namespace {

// RGB rows, as a player sees the picture; alpha of the picture is not shown.
bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kPictureWidth, kPictureHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < kPictureHeight; ++y) {
        png_write_row(png, rgb.data() + (size_t)y * kPictureWidth * 3);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.width != (png_uint_32)kPictureWidth || image.height != (png_uint_32)kPictureHeight) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

std::vector<uint8_t> LastPictureRgb()
{
    const Picture& pic = headless::LastPicture();
    std::vector<uint8_t> rgb((size_t)kPictureWidth * kPictureHeight * 3);
    for (size_t i = 0; i < (size_t)kPictureWidth * kPictureHeight; ++i) {
        rgb[i * 3 + 0] = (pic.px[i] >> 16) & 0xFF;
        rgb[i * 3 + 1] = (pic.px[i] >> 8) & 0xFF;
        rgb[i * 3 + 2] = pic.px[i] & 0xFF;
    }
    return rgb;
}

}  // namespace

void ExpectGolden(const std::string& name)
{
    const std::string expected = std::string(POTE_GOLDEN_DIR) + "/" + name + ".png";
    std::vector<uint8_t> actual = LastPictureRgb();

    const char* update = getenv("POTE_UPDATE_GOLDENS");
    if (update && *update && std::string(update) != "0") {
        EXPECT_TRUE(WritePng(expected, actual)) << "cannot write " << expected;
        return;
    }

    std::vector<uint8_t> want;
    if (!ReadPng(expected, want)) {
        ADD_FAILURE() << "no readable 640x480 golden picture " << expected
                      << " (tools/update_goldens.sh writes it)";
        return;
    }
    size_t differing = 0;
    std::vector<uint8_t> diff(actual.size(), 0);
    for (size_t i = 0; i < actual.size(); i += 3) {
        if (actual[i] != want[i] || actual[i + 1] != want[i + 1] || actual[i + 2] != want[i + 2]) {
            ++differing;
            diff[i] = 255;  // differing pixels in red over a dimmed expectation
        } else {
            diff[i] = diff[i + 1] = diff[i + 2] = want[i] / 4;
        }
    }
    if (differing == 0) return;

    const std::string outDir = std::string(POTE_GOLDEN_OUT);
    mkdir(outDir.c_str(), 0755);
    const std::string actualPath = outDir + "/" + name + ".actual.png";
    const std::string diffPath = outDir + "/" + name + ".diff.png";
    WritePng(actualPath, actual);
    WritePng(diffPath, diff);
    ADD_FAILURE() << name << ": " << differing << " pixels differ from " << expected << "; see "
                  << actualPath << " and " << diffPath;
}

void UseDefaultAssets()
{
    std::string dir = POTE_ASSET_DIR;
    dir = dir.substr(0, dir.rfind('/'));
    ASSERT_EQ(chdir(dir.c_str()), 0) << dir;
}
