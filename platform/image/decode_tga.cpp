// Truevision TGA: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11).
// The format has no magic number, so the header is checked field by field;
// anything odd is refused rather than guessed at.

#include "platform/image/image_formats.h"

namespace imagecodec {
namespace {

constexpr size_t kHeaderSize = 18;

bool ValidEntryBits(uint32_t bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// One pixel or colour-map entry of 15/16/24/32 bits, little-endian BGR(A).
uint32_t ReadColour(const uint8_t* p, uint32_t bits, bool alphaBit) {
  switch (bits) {
    case 15:
    case 16: {
      uint32_t v = Le16(p);
      auto expand = [](uint32_t c) { return (c << 3) | (c >> 2); };
      uint32_t a = alphaBit ? ((v & 0x8000) ? 255u : 0u) : 255u;
      return Argb(a, expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
    }
    case 24:
      return Argb(255, p[2], p[1], p[0]);
    default:
      return Argb(p[3], p[2], p[1], p[0]);
  }
}

}  // namespace

bool DecodeTga(const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  if (n < kHeaderSize) return Fail(why, "too short for TGA");
  const uint32_t idLength = d[0], mapType = d[1], type = d[2];
  const uint32_t mapFirst = Le16(d + 3), mapLength = Le16(d + 5), mapBits = d[7];
  const int64_t width = Le16(d + 12), height = Le16(d + 14);
  const uint32_t depth = d[16], descriptor = d[17];
  const uint32_t alphaBits = descriptor & 15;

  const bool rle = type >= 9;
  const uint32_t kind = rle ? type - 8 : type;
  if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) {
    return Fail(why, "not a TGA image type");
  }
  if (mapType > 1 || (descriptor & 0xC0) != 0) return Fail(why, "bad TGA header");
  if (mapType == 1 && (!ValidEntryBits(mapBits) || mapLength == 0)) return Fail(why, "bad TGA colour map");
  if (kind == 1) {
    if (mapType != 1 || depth != 8) return Fail(why, "bad colour-mapped TGA");
  } else if (kind == 2) {
    if (!ValidEntryBits(depth)) return Fail(why, "bad true-colour TGA depth");
    if (depth == 32 && alphaBits != 8 && alphaBits != 0) return Fail(why, "bad TGA alpha bits");
    if (depth != 32 && alphaBits > 1) return Fail(why, "bad TGA alpha bits");
  } else if (depth != 8) {
    return Fail(why, "bad grey TGA depth");
  }
  if (width == 0 || height == 0) return Fail(why, "zero or negative size");

  size_t pos = kHeaderSize + idLength;
  const size_t entryBytes = (mapBits + 7) / 8;
  const size_t mapBytes = mapType == 1 ? size_t(mapLength) * entryBytes : 0;
  if (n < pos || n - pos < mapBytes) return Fail(why, "truncated TGA colour map");
  const uint8_t* map = d + pos;
  pos += mapBytes;

  const size_t pixelBytes = (depth + 7) / 8;
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  const uint64_t available = n - pos;
  // The least data that can hold this many pixels: every byte for raw data,
  // one full 128-pixel packet per header+value for RLE.
  uint64_t needed = rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  if (needed > available) return Fail(why, "truncated TGA pixels");
  if (!StartImage(width, height, out, why)) return false;

  // 16-bit entries carry an alpha bit only when the descriptor says so.
  const bool mapAlphaBit = alphaBits == 1;
  auto pixelValue = [&](const uint8_t* p, uint32_t& argb) {
    if (kind == 2) {
      argb = ReadColour(p, depth, alphaBits == 1);
    } else if (kind == 3) {
      argb = Argb(255, p[0], p[0], p[0]);
    } else {
      uint32_t index = p[0];
      if (index < mapFirst || index - mapFirst >= mapLength) return false;
      argb = ReadColour(map + (index - mapFirst) * entryBytes, mapBits, mapAlphaBit);
    }
    return true;
  };

  // Pixels arrive in file order; the origin bits say where that order starts.
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  const size_t w = size_t(width), h = size_t(height);
  auto store = [&](uint64_t i, uint32_t argb) {
    size_t fx = size_t(i % w), fy = size_t(i / w);
    size_t x = rightToLeft ? w - 1 - fx : fx;
    size_t y = topDown ? fy : h - 1 - fy;
    out.argb[y * w + x] = argb;
  };

  uint64_t i = 0;
  while (i < pixels) {
    uint32_t argb = 0;
    if (!rle) {
      if (!pixelValue(d + pos, argb)) return Fail(why, "TGA colour index outside the map");
      pos += pixelBytes;
      store(i++, argb);
      continue;
    }
    if (n - pos < 1 + pixelBytes) return Fail(why, "truncated TGA RLE data");
    uint32_t head = d[pos++];
    uint64_t count = (head & 127) + 1;
    if (count > pixels - i) return Fail(why, "TGA RLE packet runs past the picture");
    if (head & 128) {
      if (!pixelValue(d + pos, argb)) return Fail(why, "TGA colour index outside the map");
      pos += pixelBytes;
      for (uint64_t k = 0; k < count; ++k) store(i++, argb);
    } else {
      if ((n - pos) / pixelBytes < count) return Fail(why, "truncated TGA RLE data");
      for (uint64_t k = 0; k < count; ++k) {
        if (!pixelValue(d + pos, argb)) return Fail(why, "TGA colour index outside the map");
        pos += pixelBytes;
        store(i++, argb);
      }
    }
  }
  return true;
}

}  // namespace imagecodec
