// Helpers shared by the game tests: a scratch folder with its own date/, and
// the texts of the message boxes shown so far.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder with an empty date/, made the current directory for the
// test's lifetime and removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // date/<name>.tov with these bytes.
    static void Write(const std::string& name, const std::vector<uint8_t>& bytes);
    // An opaque grey picture as binary PPM.
    static void WritePpm(const std::string& name, int w = 2, int h = 2);
    // A 32-bit uncompressed TGA, rows top-down, pixels given as 0xAARRGGBB.
    static void WriteTga(const std::string& name, int w, int h, const std::vector<uint32_t>& argb);

private:
    std::string dir_;
};

// Every message box so far, in order; each must have the caption "ERROR" and
// be owned by the main window.
std::vector<std::string> MessageBoxTexts();
