// BMP files and headerless DIBs: the Windows info headers (40 bytes and the
// longer V2..V5 forms) and the old OS/2 core header.

#include "platform/image/image_formats.h"

namespace imagecodec {
namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6 };

bool KnownHeaderSize(uint32_t s) {
  return s == 12 || s == 40 || s == 52 || s == 56 || s == 108 || s == 124;
}

bool KnownDepth(uint32_t bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

struct BmpInfo {
  int64_t width = 0;
  int64_t height = 0;  // always positive here; topDown says which way rows go
  bool topDown = false;
  uint32_t bpp = 0;
  uint32_t compression = kBiRgb;
  uint32_t imageSize = 0;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // r, g, b, a
  bool haveMasks = false;
  size_t paletteEntrySize = 4;
};

// Reads everything up to (not including) the palette. pos ends after the
// header and any bitfield masks that follow a 40-byte header.
bool ReadInfo(const uint8_t* d, size_t n, size_t& pos, BmpInfo& bi, std::string* why) {
  if (n - pos < 4) return Fail(why, "truncated BMP header");
  uint32_t hs = Le32(d + pos);
  if (!KnownHeaderSize(hs)) return Fail(why, "unknown BMP header");
  if (n - pos < hs) return Fail(why, "truncated BMP header");
  const uint8_t* h = d + pos;
  uint32_t planes;
  if (hs == 12) {
    bi.width = Le16(h + 4);
    bi.height = Le16(h + 6);
    planes = Le16(h + 8);
    bi.bpp = Le16(h + 10);
    bi.paletteEntrySize = 3;
  } else {
    bi.width = int32_t(Le32(h + 4));
    int64_t height = int32_t(Le32(h + 8));
    bi.topDown = height < 0;
    bi.height = height < 0 ? -height : height;
    planes = Le16(h + 12);
    bi.bpp = Le16(h + 14);
    bi.compression = Le32(h + 16);
    bi.imageSize = Le32(h + 20);
    bi.colorsUsed = Le32(h + 32);
  }
  pos += hs;
  if (planes != 1) return Fail(why, "BMP with more than one plane");
  if (!KnownDepth(bi.bpp)) return Fail(why, "unsupported BMP bit depth");

  switch (bi.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
    case kBiRle4:
      if (bi.bpp != (bi.compression == kBiRle8 ? 8u : 4u)) return Fail(why, "RLE with wrong bit depth");
      if (bi.topDown) return Fail(why, "top-down RLE BMP");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (bi.bpp != 16 && bi.bpp != 32) return Fail(why, "bitfields need 16 or 32 bits");
      bi.haveMasks = true;
      if (hs >= 52) {
        for (int i = 0; i < 3; ++i) bi.masks[i] = Le32(h + 40 + 4 * i);
        if (hs >= 56) bi.masks[3] = Le32(h + 52);
      } else {
        size_t count = bi.compression == kBiAlphaBitfields ? 4 : 3;
        if (n - pos < 4 * count) return Fail(why, "truncated BMP masks");
        for (size_t i = 0; i < count; ++i) bi.masks[i] = Le32(d + pos + 4 * i);
        pos += 4 * count;
      }
      break;
    default:
      return Fail(why, "unsupported BMP compression");
  }
  return true;
}

struct Palette {
  uint32_t colors[256];
  uint32_t count = 0;
};

bool ReadPalette(const uint8_t* d, size_t n, size_t& pos, const BmpInfo& bi, Palette& pal,
                 std::string* why) {
  uint64_t count = bi.colorsUsed;
  if (bi.bpp <= 8) {
    if (count == 0) count = 1u << bi.bpp;
    if (count > 256) return Fail(why, "BMP palette too large");
  }
  if (uint64_t(n - pos) < count * bi.paletteEntrySize) return Fail(why, "truncated BMP palette");
  if (bi.bpp <= 8) {
    pal.count = uint32_t(count);
    for (uint32_t i = 0; i < pal.count; ++i) {
      const uint8_t* e = d + pos + i * bi.paletteEntrySize;
      pal.colors[i] = Argb(255, e[2], e[1], e[0]);
    }
  }
  pos += size_t(count * bi.paletteEntrySize);
  return true;
}

// True when some pixel of a 32-bit picture has a non-zero fourth byte.
bool HasFourthBytes(const uint8_t* pixels, size_t stride, const BmpInfo& bi) {
  for (int64_t row = 0; row < bi.height; ++row) {
    const uint8_t* s = pixels + stride * size_t(row);
    for (int64_t x = 0; x < bi.width; ++x) {
      if (s[4 * x + 3] != 0) return true;
    }
  }
  return false;
}

bool DecodeUncompressed(const uint8_t* d, size_t n, size_t pos, const BmpInfo& bi,
                        const Palette& pal, DecodedImage& out, std::string* why) {
  const uint64_t stride = ((uint64_t(bi.width) * bi.bpp + 31) / 32) * 4;
  if (pos > n || stride * uint64_t(bi.height) > n - pos) return Fail(why, "truncated BMP pixels");

  MaskChannel ch[4];
  uint32_t masks[4] = {0, 0, 0, 0};
  if (bi.haveMasks) {
    for (int i = 0; i < 4; ++i) masks[i] = bi.masks[i];
  } else if (bi.bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bi.bpp == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
    // Plain 32-bit BMPs have no say on their fourth byte. Old writers leave it
    // zero (those pictures are opaque); editors that save transparency put
    // the alpha there. Any non-zero byte means the latter.
    if (HasFourthBytes(d + pos, size_t(stride), bi)) masks[3] = 0xFF000000;
  }
  for (int i = 0; i < 4; ++i) {
    if (!ch[i].Init(masks[i])) return Fail(why, "BMP mask with holes");
  }

  if (!StartImage(bi.width, bi.height, out, why)) return false;
  const size_t w = size_t(bi.width);
  for (int64_t row = 0; row < bi.height; ++row) {
    const uint8_t* s = d + pos + size_t(stride) * size_t(row);
    int64_t y = bi.topDown ? row : bi.height - 1 - row;
    uint32_t* dst = out.argb.data() + size_t(y) * w;
    for (size_t x = 0; x < w; ++x) {
      uint32_t index, v;
      switch (bi.bpp) {
        case 1:
        case 4:
        case 8: {
          size_t bit = x * bi.bpp;
          uint32_t byte = s[bit / 8];
          index = (byte >> (8 - bi.bpp - bit % 8)) & ((1u << bi.bpp) - 1);
          if (index >= pal.count) return Fail(why, "BMP colour index outside the palette");
          dst[x] = pal.colors[index];
          break;
        }
        case 24:
          dst[x] = Argb(255, s[3 * x + 2], s[3 * x + 1], s[3 * x]);
          break;
        default:
          v = bi.bpp == 16 ? Le16(s + 2 * x) : Le32(s + 4 * x);
          dst[x] = Argb(ch[3].Extract(v, 255), ch[0].Extract(v, 0), ch[1].Extract(v, 0),
                        ch[2].Extract(v, 0));
          break;
      }
    }
  }
  return true;
}

// RLE8 and RLE4. Pixels the stream skips (deltas, early end of line or end of
// bitmap) stay transparent black. Runs may go past the end of a row: some
// writers encode each row out to its 4-byte stride, as the uncompressed form
// stores it. Those pixels are dropped; a run past the last row is an error.
bool DecodeRle(const uint8_t* d, size_t n, size_t pos, const BmpInfo& bi, const Palette& pal,
               DecodedImage& out, std::string* why) {
  if (pos >= n) return Fail(why, "truncated BMP pixels");
  size_t end = n;
  if (bi.imageSize != 0 && bi.imageSize < n - pos) end = pos + bi.imageSize;
  if (!StartImage(bi.width, bi.height, out, why)) return false;
  const bool four = bi.compression == kBiRle4;
  const int64_t w = bi.width;
  int64_t x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](uint32_t index) {
    if (y >= bi.height || index >= pal.count) return false;
    if (x < w) out.argb[size_t(bi.height - 1 - y) * size_t(w) + size_t(x)] = pal.colors[index];
    ++x;
    return true;
  };
  while (true) {
    if (end - pos < 2) return Fail(why, "BMP RLE data ends without end-of-bitmap");
    uint32_t count = d[pos], value = d[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = four ? ((i & 1) ? value & 15 : value >> 4) : value;
        if (!put(index)) return Fail(why, "corrupt BMP RLE run");
      }
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (end - pos < 2) return Fail(why, "truncated BMP RLE delta");
      x += d[pos];
      y += d[pos + 1];
      pos += 2;
      if (x > w || y > bi.height) return Fail(why, "BMP RLE delta outside the picture");
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      size_t bytes = four ? (value + 1) / 2 : value;
      size_t padded = (bytes + 1) & ~size_t(1);
      if (end - pos < padded) return Fail(why, "truncated BMP RLE run");
      for (uint32_t i = 0; i < value; ++i) {
        uint32_t index = four ? ((i & 1) ? d[pos + i / 2] & 15 : d[pos + i / 2] >> 4) : d[pos + i];
        if (!put(index)) return Fail(why, "corrupt BMP RLE run");
      }
      pos += padded;
    }
  }
}

}  // namespace

bool IsBmpFile(const uint8_t* d, size_t n) {
  return n >= 2 && d[0] == 'B' && d[1] == 'M';
}

bool IsDib(const uint8_t* d, size_t n) {
  if (n < 16 || !KnownHeaderSize(Le32(d))) return false;
  uint32_t planes = Le32(d) == 12 ? Le16(d + 8) : Le16(d + 12);
  uint32_t bpp = Le32(d) == 12 ? Le16(d + 10) : Le16(d + 14);
  return planes == 1 && KnownDepth(bpp);
}

bool DecodeBmp(const uint8_t* d, size_t n, bool hasFileHeader, DecodedImage& out, std::string* why) {
  size_t pos = 0;
  uint32_t pixelOffset = 0;
  if (hasFileHeader) {
    if (n < 14) return Fail(why, "truncated BMP header");
    pixelOffset = Le32(d + 10);
    pos = 14;
  }
  BmpInfo bi;
  if (!ReadInfo(d, n, pos, bi, why)) return false;
  if (bi.width <= 0 || bi.height <= 0) return Fail(why, "zero or negative size");
  Palette pal;
  if (!ReadPalette(d, n, pos, bi, pal, why)) return false;
  // A file says where its pixels are; a DIB has them right after the palette.
  if (hasFileHeader) {
    if (pixelOffset < pos || pixelOffset >= n) return Fail(why, "BMP pixel offset out of range");
    pos = pixelOffset;
  }
  if (bi.compression == kBiRle8 || bi.compression == kBiRle4) {
    return DecodeRle(d, n, pos, bi, pal, out, why);
  }
  return DecodeUncompressed(d, n, pos, bi, pal, out, why);
}

}  // namespace imagecodec
