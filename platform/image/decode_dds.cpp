// DirectDraw surfaces: the top-level image only (first mip level, first face).
// Uncompressed 16/24/32-bit (described by channel masks, luminance included)
// and the block-compressed DXT1, DXT3 and DXT5.

#include "platform/image/image_formats.h"

#include <cstring>

namespace imagecodec {
namespace {

constexpr size_t kDataStart = 128;  // "DDS " + 124-byte header
constexpr uint32_t kPfAlphaPixels = 0x1, kPfFourCC = 0x4, kPfRgb = 0x40, kPfLuminance = 0x20000;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}

void Expand565(uint32_t c, uint32_t out[3]) {
  uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  out[0] = (r << 3) | (r >> 2);
  out[1] = (g << 2) | (g >> 4);
  out[2] = (b << 3) | (b >> 2);
}

// The colour half of a block: four colours, or three and transparent black
// when DXT1 stores the smaller endpoint first.
void ColourBlock(const uint8_t* b, bool dxt1, uint32_t texels[16]) {
  uint32_t c0 = Le16(b), c1 = Le16(b + 2);
  uint32_t e0[3], e1[3];
  Expand565(c0, e0);
  Expand565(c1, e1);
  uint32_t palette[4];
  palette[0] = Argb(255, e0[0], e0[1], e0[2]);
  palette[1] = Argb(255, e1[0], e1[1], e1[2]);
  uint32_t m2[3], m3[3];
  if (!dxt1 || c0 > c1) {
    for (int k = 0; k < 3; ++k) {
      m2[k] = (2 * e0[k] + e1[k]) / 3;
      m3[k] = (e0[k] + 2 * e1[k]) / 3;
    }
    palette[3] = Argb(255, m3[0], m3[1], m3[2]);
  } else {
    for (int k = 0; k < 3; ++k) m2[k] = (e0[k] + e1[k]) / 2;
    palette[3] = 0;
  }
  palette[2] = Argb(255, m2[0], m2[1], m2[2]);
  uint32_t bits = Le32(b + 4);
  for (int i = 0; i < 16; ++i) texels[i] = palette[(bits >> (2 * i)) & 3];
}

void Dxt3Alpha(const uint8_t* b, uint32_t alpha[16]) {
  for (int i = 0; i < 16; ++i) {
    uint32_t a4 = (b[i / 2] >> (4 * (i & 1))) & 15;
    alpha[i] = a4 * 17;
  }
}

void Dxt5Alpha(const uint8_t* b, uint32_t alpha[16]) {
  uint32_t a0 = b[0], a1 = b[1];
  uint32_t table[8] = {a0, a1, 0, 0, 0, 0, 0, 0};
  if (a0 > a1) {
    for (uint32_t i = 1; i < 7; ++i) table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (uint32_t i = 1; i < 5; ++i) table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    table[6] = 0;
    table[7] = 255;
  }
  uint64_t bits = 0;
  for (int k = 0; k < 6; ++k) bits |= uint64_t(b[2 + k]) << (8 * k);
  for (int i = 0; i < 16; ++i) alpha[i] = table[(bits >> (3 * i)) & 7];
}

bool DecodeBlocks(const uint8_t* d, size_t n, uint32_t fourCC, int64_t width, int64_t height,
                  DecodedImage& out, std::string* why) {
  const size_t blockBytes = fourCC == FourCC('D', 'X', 'T', '1') ? 8 : 16;
  const uint64_t bw = (uint64_t(width) + 3) / 4, bh = (uint64_t(height) + 3) / 4;
  if (bw * bh * blockBytes > n - kDataStart) return Fail(why, "truncated DDS blocks");
  if (!StartImage(width, height, out, why)) return false;
  const uint8_t* s = d + kDataStart;
  uint32_t texels[16], alpha[16];
  for (uint64_t by = 0; by < bh; ++by) {
    for (uint64_t bx = 0; bx < bw; ++bx, s += blockBytes) {
      if (blockBytes == 8) {
        ColourBlock(s, true, texels);
      } else {
        ColourBlock(s + 8, false, texels);
        if (fourCC == FourCC('D', 'X', 'T', '3')) {
          Dxt3Alpha(s, alpha);
        } else {
          Dxt5Alpha(s, alpha);
        }
        for (int i = 0; i < 16; ++i) texels[i] = (texels[i] & 0x00FFFFFF) | (alpha[i] << 24);
      }
      // Blocks on the right and bottom edges hang over a size that is not a
      // multiple of four; their extra texels are dropped.
      for (int i = 0; i < 16; ++i) {
        uint64_t x = bx * 4 + uint64_t(i % 4), y = by * 4 + uint64_t(i / 4);
        if (x < uint64_t(width) && y < uint64_t(height)) out.argb[y * uint64_t(width) + x] = texels[i];
      }
    }
  }
  return true;
}

}  // namespace

bool IsDds(const uint8_t* d, size_t n) { return n >= 4 && std::memcmp(d, "DDS ", 4) == 0; }

bool DecodeDds(const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  if (n < kDataStart) return Fail(why, "truncated DDS header");
  if (Le32(d + 4) != 124 || Le32(d + 76) != 32) return Fail(why, "bad DDS header");
  const int64_t height = Le32(d + 12), width = Le32(d + 16);
  const uint32_t pfFlags = Le32(d + 80), fourCC = Le32(d + 84), bits = Le32(d + 88);
  if (!SizeAllowed(width, height, why)) return false;

  if (pfFlags & kPfFourCC) {
    if (fourCC == FourCC('D', 'X', 'T', '1') || fourCC == FourCC('D', 'X', 'T', '3') ||
        fourCC == FourCC('D', 'X', 'T', '5')) {
      return DecodeBlocks(d, n, fourCC, width, height, out, why);
    }
    return Fail(why, "unsupported DDS compression");
  }
  if (!(pfFlags & (kPfRgb | kPfLuminance))) return Fail(why, "unsupported DDS pixel format");
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return Fail(why, "unsupported DDS bit count");
  const bool luminance = (pfFlags & kPfLuminance) != 0;
  MaskChannel ch[4];
  for (int i = 0; i < 4; ++i) {
    uint32_t mask = Le32(d + 92 + 4 * i);
    if (i == 3 && !(pfFlags & kPfAlphaPixels)) mask = 0;
    if (i > 0 && i < 3 && luminance) mask = 0;
    if (bits < 32 && (mask >> bits) != 0) return Fail(why, "DDS mask wider than the pixel");
    if (!ch[i].Init(mask)) return Fail(why, "DDS mask with holes");
  }
  if (ch[0].bits == 0 && ch[1].bits == 0 && ch[2].bits == 0) return Fail(why, "DDS without colour masks");

  // Rows are packed tightly whatever the pitch field says; writers disagree
  // about that field but not about the layout.
  const uint64_t bytesPerPixel = bits / 8;
  const uint64_t pitch = uint64_t(width) * bytesPerPixel;
  if (pitch * uint64_t(height) > n - kDataStart) return Fail(why, "truncated DDS pixels");
  if (!StartImage(width, height, out, why)) return false;
  const uint8_t* s = d + kDataStart;
  for (size_t i = 0; i < out.argb.size(); ++i, s += bytesPerPixel) {
    uint32_t v = 0;
    for (uint64_t k = 0; k < bytesPerPixel; ++k) v |= uint32_t(s[k]) << (8 * k);
    uint32_t r = ch[0].Extract(v, 0);
    uint32_t g = luminance ? r : ch[1].Extract(v, 0);
    uint32_t b = luminance ? r : ch[2].Extract(v, 0);
    out.argb[i] = Argb(ch[3].Extract(v, 255), r, g, b);
  }
  return true;
}

}  // namespace imagecodec
