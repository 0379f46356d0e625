#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The widest and tallest picture that becomes a texture, as a real device's
// caps would have it (the game's largest picture is 2000 wide). A larger one
// is refused from its header, before anything is allocated for it.
constexpr int kMaxImageSide = 4096;

struct DecodedImage {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;  // 0xAARRGGBB, rows top-down, width*height entries
};

// Recognises the format from the bytes, never from a file name. False (with a
// short reason in *why when why is not null) for anything it cannot decode
// completely and safely; out is left empty then.
bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& out, std::string* why = nullptr);

// A function the slow decoders call every few rows, where they hold no lock,
// so that a thread decoding a large picture can be made to wait there. None
// until one is set.
void SetDecodePause(void (*pause)());

// The keyed loader's conversion: every pixel to 16-bit colour with 1-bit alpha
// (A1R5G5B5): alpha becomes 0 or 255 (>= 128 -> 255), each colour channel keeps
// its top 5 bits expanded back to 8 (c5 << 3 | c5 >> 2). Then a pixel whose
// ORIGINAL 32-bit ARGB value equals colorKey in all four channels becomes
// 0x00000000 (transparent black).
void ConvertToA1R5G5B5Keyed(DecodedImage& img, uint32_t colorKey);
