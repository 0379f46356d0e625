#pragma once

// Shared pieces of the per-format decoders. Internal to poteimage.

#include "platform/image/image_decode.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace imagecodec {

constexpr int64_t kMaxSide = kMaxImageSide;
// A header alone can never make us allocate more than 64 MiB of ARGB.
constexpr int64_t kMaxPixels = kMaxSide * kMaxSide;

inline bool Fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

// Checks a claimed size against the limits.
bool SizeAllowed(int64_t width, int64_t height, std::string* why);
// Calls the pause set with SetDecodePause, every 16th row.
void PauseBetweenRows(uint32_t row);

// SizeAllowed, then sizes out (zero-filled: transparent black).
bool StartImage(int64_t width, int64_t height, DecodedImage& out, std::string* why);

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// One colour channel described by a bit mask (BMP bitfields, DDS pixel
// formats). Narrow channels widen to 8 bits by repeating their bit pattern,
// as 565 and 1555 texels always have, so all-ones becomes 255; wide channels
// keep their top 8 bits.
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;  // 0 when the mask is empty

  // False for masks whose bits are not contiguous.
  bool Init(uint32_t m);
  uint32_t Extract(uint32_t pixel, uint32_t ifEmpty) const {
    if (bits == 0) return ifEmpty;
    uint32_t v = uint32_t(uint64_t(pixel & mask) >> shift);
    if (bits >= 8) return (v >> (bits - 8)) & 0xFFu;
    uint32_t r = v << (8 - bits);
    for (int s = bits; s < 8; s *= 2) r |= r >> s;
    return r & 0xFFu;
  }
};

bool IsPng(const uint8_t* d, size_t n);
bool IsJpeg(const uint8_t* d, size_t n);
bool IsBmpFile(const uint8_t* d, size_t n);
bool IsDib(const uint8_t* d, size_t n);
bool IsDds(const uint8_t* d, size_t n);
bool IsPnm(const uint8_t* d, size_t n);

bool DecodePng(const uint8_t* d, size_t n, DecodedImage& out, std::string* why);
bool DecodeJpeg(const uint8_t* d, size_t n, DecodedImage& out, std::string* why);
bool DecodeBmp(const uint8_t* d, size_t n, bool hasFileHeader, DecodedImage& out, std::string* why);
bool DecodeDds(const uint8_t* d, size_t n, DecodedImage& out, std::string* why);
bool DecodePnm(const uint8_t* d, size_t n, DecodedImage& out, std::string* why);
// TGA has no magic; it validates its header strictly and is tried last.
bool DecodeTga(const uint8_t* d, size_t n, DecodedImage& out, std::string* why);

}  // namespace imagecodec
