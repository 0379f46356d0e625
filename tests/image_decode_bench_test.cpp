// The longest a decode of the largest picture goes between two of its pauses,
// where a worker can be made to wait for a message box. Disabled in normal
// runs: tools/bench_decode_pauses.sh runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/image_samples.h"
#include "platform/image/image_decode.h"

namespace {

using Clock = std::chrono::steady_clock;

// Set aside before the decode: the pause itself allocates nothing.
std::vector<Clock::time_point> g_stamps;

void Stamp() {
    if (g_stamps.size() < g_stamps.capacity()) g_stamps.push_back(Clock::now());
}

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

}  // namespace

TEST(ImageDecodeBench, DISABLED_LongestStretchBetweenPauses) {
    const int side = kMaxImageSide;
    const int runs = getenv("POTE_BENCH_RUNS") ? atoi(getenv("POTE_BENCH_RUNS")) : 5;
    // A photograph's worth of detail: a gradient under noise of a quarter of
    // the range, at quality 100 with full-resolution colour.
    imagesamples::Bytes rgb(size_t(side) * side * 3);
    uint32_t seed = 7;
    for (size_t i = 0; i < rgb.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        size_t x = (i / 3) % size_t(side), y = i / 3 / size_t(side);
        rgb[i] = uint8_t((x + y) / 48 + (seed >> 26) + (i % 3) * 40);
    }
    imagesamples::JpegParams p;
    p.quality = 100;
    struct File {
        const char* name;
        imagesamples::Bytes bytes;
    };
    std::vector<File> files;
    p.progressive = true;
    files.push_back({"progressive JPEG", imagesamples::WriteJpeg(side, side, rgb, p)});
    p.progressive = false;
    files.push_back({"baseline JPEG", imagesamples::WriteJpeg(side, side, rgb, p)});
    rgb = imagesamples::Bytes();

    SetDecodePause(Stamp);
    for (const File& f : files) {
        printf("%s, %dx%d, quality 100, 4:4:4, %.1f MB\n", f.name, side, side, f.bytes.size() / 1e6);
        for (int run = 0; run < runs; ++run) {
            g_stamps.clear();
            g_stamps.reserve(1 << 20);
            DecodedImage img;
            std::string why;
            Clock::time_point start = Clock::now();
            ASSERT_TRUE(DecodeImage(f.bytes.data(), f.bytes.size(), img, &why)) << why;
            Clock::time_point end = Clock::now();
            // The stretches: from the start to the first pause, between
            // pauses, and from the last pause to the end.
            std::vector<Clock::time_point> points = {start};
            points.insert(points.end(), g_stamps.begin(), g_stamps.end());
            points.push_back(end);
            double longest = 0;
            size_t at = 0;
            for (size_t i = 1; i < points.size(); ++i) {
                double ms = Ms(points[i - 1], points[i]);
                if (ms > longest) longest = ms, at = i;
            }
            const char* where = at == 1                   ? "before the first pause"
                                : at + 1 == points.size() ? "after the last pause"
                                                          : "between pauses";
            printf("  run %d: decode %.0f ms, %zu pauses, longest stretch %.2f ms (%s)\n", run + 1, Ms(start, end),
                   g_stamps.size(), longest, where);
        }
    }
    SetDecodePause(nullptr);
}
