#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/headless/headless.h"
#include "shell/winmain.h"

ScratchFolder::ScratchFolder() {
    char tmpl[] = "/tmp/pote-XXXXXX";
    const char* made = mkdtemp(tmpl);
    EXPECT_NE(made, nullptr);
    dir_ = made ? made : "";
    EXPECT_EQ(chdir(dir_.c_str()), 0);
    EXPECT_EQ(mkdir("date", 0755), 0);
}

ScratchFolder::~ScratchFolder() {
    if (!dir_.empty()) (void)system(("rm -rf '" + dir_ + "'").c_str());
}

void ScratchFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(("date/" + name + ".tov").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void ScratchFolder::WritePpm(const std::string& name, int w, int h) {
    std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    bytes.resize(bytes.size() + (size_t)w * h * 3, 0x80);
    Write(name, bytes);
}

void ScratchFolder::WriteTga(const std::string& name, int w, int h, const std::vector<uint32_t>& argb) {
    std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)w, (uint8_t)(w >> 8),
                              (uint8_t)h, (uint8_t)(h >> 8), 32, 0x28};
    for (uint32_t p : argb) {
        b.push_back(p & 0xFF);
        b.push_back((p >> 8) & 0xFF);
        b.push_back((p >> 16) & 0xFF);
        b.push_back(p >> 24);
    }
    Write(name, b);
}

std::vector<std::string> MessageBoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : headless::MessageBoxes()) {
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.owner, g_hWnd);
        texts.push_back(box.text);
    }
    return texts;
}
