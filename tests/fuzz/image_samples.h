#pragma once

// Tiny images of every format the decoders read, written from scratch with
// the picture each should decode to. The unit tests check the decoders
// against them and the fuzz seed writer saves them as a starting corpus.

#include "platform/image/image_decode.h"

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace imagesamples {

using Bytes = std::vector<uint8_t>;

struct Sample {
  std::string name;
  Bytes data;
  DecodedImage expected;
  int tolerance = 0;  // per channel; lossy formats only
  // Cuts to this many bytes or more lose nothing but an end marker or padding
  // and still give the whole picture; 0 when every cut loses data.
  size_t wholeFrom = 0;
};

struct Writer {
  Bytes b;
  Writer& u8(uint32_t v) { b.push_back(uint8_t(v)); return *this; }
  Writer& le16(uint32_t v) { return u8(v).u8(v >> 8); }
  Writer& le32(uint32_t v) { return le16(v).le16(v >> 16); }
  Writer& be16(uint32_t v) { return u8(v >> 8).u8(v); }
  Writer& str(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
  Writer& zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
};

inline uint32_t A(uint32_t p) { return p >> 24; }
inline uint32_t R(uint32_t p) { return (p >> 16) & 255; }
inline uint32_t G(uint32_t p) { return (p >> 8) & 255; }
inline uint32_t B(uint32_t p) { return p & 255; }

inline DecodedImage Picture(int w, int h, std::vector<uint32_t> argb) {
  DecodedImage img;
  img.width = w;
  img.height = h;
  img.argb = std::move(argb);
  return img;
}

// A picture whose channels survive 5-bit (or 4-bit when four is set)
// quantisation: each is a bit pattern repeated to fill 8 bits.
inline DecodedImage Pattern(int w, int h, bool opaque, int bits = 8) {
  DecodedImage img = Picture(w, h, {});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t c[4] = {opaque ? 255u : uint32_t((x * 90 + y * 40) & 255), uint32_t(x * 37 + y * 11) & 255,
                       uint32_t(200 - x * 13 - y * 29) & 255, uint32_t(x * y * 23 + 7) & 255};
      for (uint32_t& v : c) {
        if (bits < 8) {
          uint32_t q = v >> (8 - bits), r = q << (8 - bits);
          for (int s = bits; s < 8; s *= 2) r |= r >> s;
          v = r & 255;
        }
      }
      img.argb.push_back((c[0] << 24) | (c[1] << 16) | (c[2] << 8) | c[3]);
    }
  }
  return img;
}

// ---- PNG, written with libpng so that every colour type and depth is real.

inline void PngWrite(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
inline void PngFlush(png_structp) {}

// rows: packed samples exactly as they go in the file, one vector per row.
inline Bytes WritePng(int w, int h, int colorType, int depth, bool interlace,
                      const std::vector<Bytes>& rows, const std::vector<png_color>& palette = {},
                      const Bytes& trnsAlpha = {}, const png_color_16* trnsColour = nullptr) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colorType,
               interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!trnsAlpha.empty() || trnsColour) {
    png_set_tRNS(png, info, trnsAlpha.empty() ? nullptr : trnsAlpha.data(), int(trnsAlpha.size()),
                 trnsColour);
  }
  png_write_info(png, info);
  int passes = png_set_interlace_handling(png);
  for (int p = 0; p < passes; ++p) {
    for (int y = 0; y < h; ++y) png_write_row(png, rows[size_t(y)].data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

inline std::vector<Sample> PngSamples() {
  std::vector<Sample> s;
  {  // RGBA 8-bit
    DecodedImage pic = Pattern(3, 2, false);
    std::vector<Bytes> rows(2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        uint32_t p = pic.argb[size_t(y * 3 + x)];
        rows[size_t(y)].insert(rows[size_t(y)].end(), {uint8_t(R(p)), uint8_t(G(p)), uint8_t(B(p)), uint8_t(A(p))});
      }
    s.push_back({"png_rgba8", WritePng(3, 2, PNG_COLOR_TYPE_RGBA, 8, false, rows), pic});
  }
  {  // RGB 8-bit, interlaced, big enough for all seven passes
    DecodedImage pic = Pattern(9, 9, true);
    std::vector<Bytes> rows(9);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x) {
        uint32_t p = pic.argb[size_t(y * 9 + x)];
        rows[size_t(y)].insert(rows[size_t(y)].end(), {uint8_t(R(p)), uint8_t(G(p)), uint8_t(B(p))});
      }
    s.push_back({"png_rgb8_interlaced", WritePng(9, 9, PNG_COLOR_TYPE_RGB, 8, true, rows), pic});
  }
  {  // 4-bit palette with per-entry alpha
    std::vector<png_color> pal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    Bytes trns = {255, 0, 128};  // entry 3 has no tRNS entry: opaque
    const uint8_t idx[2][5] = {{0, 1, 2, 3, 1}, {3, 3, 0, 2, 1}};
    std::vector<Bytes> rows(2, Bytes(3, 0));
    DecodedImage pic = Picture(5, 2, {});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) {
        uint8_t i = idx[y][x];
        rows[size_t(y)][size_t(x / 2)] |= uint8_t(i << (x % 2 ? 0 : 4));
        uint32_t a = i < trns.size() ? trns[i] : 255;
        pic.argb.push_back((a << 24) | (uint32_t(pal[i].red) << 16) | (uint32_t(pal[i].green) << 8) | pal[i].blue);
      }
    s.push_back({"png_palette4_trns", WritePng(5, 2, PNG_COLOR_TYPE_PALETTE, 4, false, rows, pal, trns), pic});
  }
  {  // 2-bit grey: 0, 85, 170, 255
    std::vector<Bytes> rows = {{0x1B}, {0xE4}};  // 0 1 2 3 / 3 2 1 0
    DecodedImage pic = Picture(4, 2, {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF,
                                      0xFFFFFFFF, 0xFFAAAAAA, 0xFF555555, 0xFF000000});
    s.push_back({"png_grey2", WritePng(4, 2, PNG_COLOR_TYPE_GRAY, 2, false, rows), pic});
  }
  {  // 8-bit grey with a transparent grey level
    png_color_16 key{};
    key.gray = 77;
    std::vector<Bytes> rows = {{77, 78, 0}};
    DecodedImage pic = Picture(3, 1, {0x004D4D4D, 0xFF4E4E4E, 0xFF000000});
    s.push_back({"png_grey8_trns", WritePng(3, 1, PNG_COLOR_TYPE_GRAY, 8, false, rows, {}, {}, &key), pic});
  }
  {  // 16-bit grey+alpha: 0x1234 -> 18.13, 0xABCD -> 171.13, 0x8001 -> 127.51
    std::vector<Bytes> rows = {{0x12, 0x34, 0xFF, 0xFF, 0xAB, 0xCD, 0x80, 0x01}};
    DecodedImage pic = Picture(2, 1, {0xFF121212, 0x80ABABAB});
    s.push_back({"png_greyalpha16", WritePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, rows), pic});
  }
  {  // 16-bit RGB whose samples round differently from their top byte:
     // 0x00FF -> 0.99, 0xFF00 -> 254.01, 0x12FF -> 18.92, 0x7F80 -> 127.00
    std::vector<Bytes> rows = {{0x00, 0xFF, 0xFF, 0x00, 0x12, 0xFF, 0x7F, 0x80, 0xFF, 0xFF, 0x00, 0x00}};
    DecodedImage pic = Picture(2, 1, {0xFF01FE13, 0xFF7FFF00});
    s.push_back({"png_rgb16_rounding", WritePng(2, 1, PNG_COLOR_TYPE_RGB, 16, false, rows), pic});
  }
  return s;
}

// ---- JPEG, written with libjpeg; decoding is compared within a tolerance.

struct JpegParams {
  J_COLOR_SPACE input = JCS_RGB;       // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK samples
  J_COLOR_SPACE stored = JCS_UNKNOWN;  // the file's colour space; libjpeg's default if unknown
  bool progressive = false;
  bool scanPerComponent = false;  // sequential, but one scan for each component
  bool arithmetic = false;        // arithmetic coding in place of Huffman
  int quality = 98;
  std::vector<jpeg_scan_info> script;  // the scans, when neither of the above says
};

// samples: width * height pixels of 1, 3 or 4 bytes, as input says.
inline Bytes WriteJpeg(int w, int h, const Bytes& samples, const JpegParams& p) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  const int comps = p.input == JCS_GRAYSCALE ? 1 : p.input == JCS_CMYK ? 4 : 3;
  cinfo.input_components = comps;
  cinfo.in_color_space = p.input;
  jpeg_set_defaults(&cinfo);
  if (p.stored != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, p.stored);
  jpeg_set_quality(&cinfo, p.quality, TRUE);
  // Full-resolution chroma, so that colour edges stay sharp enough to compare.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (p.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = p.arithmetic ? TRUE : FALSE;
  jpeg_scan_info scans[4] = {};
  if (p.scanPerComponent) {
    for (int c = 0; c < cinfo.num_components; ++c) {
      scans[c].comps_in_scan = 1;
      scans[c].component_index[0] = c;
      scans[c].Se = 63;
    }
    cinfo.scan_info = scans;
    cinfo.num_scans = cinfo.num_components;
  }
  if (!p.script.empty()) {
    cinfo.scan_info = p.script.data();
    cinfo.num_scans = int(p.script.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(samples.data()) + size_t(cinfo.next_scanline) * size_t(w * comps)};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

inline Bytes WriteJpeg(const DecodedImage& pic, bool grey, bool progressive) {
  Bytes samples;
  for (uint32_t p : pic.argb) {
    if (grey) {
      samples.push_back(uint8_t(G(p)));
    } else {
      samples.insert(samples.end(), {uint8_t(R(p)), uint8_t(G(p)), uint8_t(B(p))});
    }
  }
  JpegParams params;
  params.input = grey ? JCS_GRAYSCALE : JCS_RGB;
  params.progressive = progressive;
  return WriteJpeg(pic.width, pic.height, samples, params);
}

// A JPEG sample that loses nothing when cut right before its end marker.
inline Sample JpegSample(std::string name, Bytes data, DecodedImage pic, int tolerance) {
  size_t whole = data.size() - 2;
  return {std::move(name), std::move(data), std::move(pic), tolerance, whole};
}

// Damage of the kind libjpeg only warns about, done to a finished file.
inline Bytes WithoutEndMarker(Bytes b) {
  b.resize(b.size() - 2);
  return b;
}
inline Bytes PaddedBeforeEndMarker(Bytes b, size_t padding) {
  b.insert(b.end() - 2, padding, 0);
  return b;
}
inline Bytes WithJfifVersion(Bytes b, uint8_t major, uint8_t minor) {
  // SOI, then the JFIF APP0 segment: FF E0, length, "JFIF\0", version.
  if (b.size() > 12 && std::memcmp(b.data() + 6, "JFIF", 5) == 0) {
    b[11] = major;
    b[12] = minor;
  }
  return b;
}

inline std::vector<Sample> JpegSamples() {
  // Flat 8x8 quadrants keep the error of a high-quality encode small.
  const uint32_t quad[4] = {0xFFE01010, 0xFF10E010, 0xFF1010E0, 0xFFF0F0F0};
  DecodedImage colour = Picture(16, 16, {});
  DecodedImage grey = Picture(16, 8, {});
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) colour.argb.push_back(quad[(y / 8) * 2 + x / 8]);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) grey.argb.push_back(x < 8 ? 0xFF404040 : 0xFFC0C0C0);
  std::vector<Sample> s;
  const Bytes rgb = WriteJpeg(colour, false, false);
  const Bytes progressive = WriteJpeg(colour, false, true);
  s.push_back(JpegSample("jpeg_rgb", rgb, colour, 12));
  s.push_back(JpegSample("jpeg_rgb_progressive", progressive, colour, 12));
  s.push_back(JpegSample("jpeg_grey", WriteJpeg(grey, true, false), grey, 6));
  {
    // Such a file cut between two scans lacks whole components, and nothing
    // in it says how many scans were to come: every cut must fail, even one
    // that takes only the end marker.
    Bytes samples;
    for (uint32_t c : colour.argb) samples.insert(samples.end(), {uint8_t(R(c)), uint8_t(G(c)), uint8_t(B(c))});
    JpegParams p;
    p.scanPerComponent = true;
    s.push_back({"jpeg_rgb_scan_per_component", WriteJpeg(16, 16, samples, p), colour, 12});
  }

  {
    // Arithmetic coding, in the one scan that needs no coefficient buffer.
    Bytes samples;
    for (uint32_t c : colour.argb) samples.insert(samples.end(), {uint8_t(R(c)), uint8_t(G(c)), uint8_t(B(c))});
    JpegParams p;
    p.arithmetic = true;
    s.push_back({"jpeg_rgb_arithmetic", WriteJpeg(16, 16, samples, p), colour, 12});
  }

  // What other tools write and libjpeg only warns about: no end marker,
  // padding before it, a JFIF version from the future.
  s.push_back({"jpeg_rgb_no_end_marker", WithoutEndMarker(rgb), colour, 12});
  s.push_back({"jpeg_progressive_no_end_marker", WithoutEndMarker(progressive), colour, 12});
  {
    const size_t padding = 64;
    Bytes padded = PaddedBeforeEndMarker(rgb, padding);
    size_t whole = padded.size() - 2 - padding;
    s.push_back({"jpeg_rgb_padded_end", padded, colour, 12, whole});
  }
  s.push_back(JpegSample("jpeg_rgb_jfif_2_01", WithJfifVersion(rgb, 2, 1), colour, 12));

  // Print-minded CMYK, stored as CMYK and as YCCK. The samples are inverted
  // (255 = no ink), as Adobe's tools and libjpeg's users write them; each
  // channel of light is ink sample * black sample / 255.
  {
    const uint8_t inks[4][4] = {{255, 255, 255, 255},   // no ink: white
                                {0, 255, 255, 255},     // full cyan
                                {255, 255, 255, 0},     // full black
                                {200, 100, 255, 128}};  // 200*128/255, 100*128/255, 128
    const uint32_t light[4] = {0xFFFFFFFF, 0xFF00FFFF, 0xFF000000, 0xFF643280};
    DecodedImage pic = Picture(16, 16, {});
    Bytes samples;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        int q = (y / 8) * 2 + x / 8;
        samples.insert(samples.end(), inks[q], inks[q] + 4);
        pic.argb.push_back(light[q]);
      }
    JpegParams p;
    p.input = JCS_CMYK;
    p.stored = JCS_CMYK;
    s.push_back(JpegSample("jpeg_cmyk", WriteJpeg(16, 16, samples, p), pic, 6));
    p.stored = JCS_YCCK;
    s.push_back(JpegSample("jpeg_ycck", WriteJpeg(16, 16, samples, p), pic, 6));
  }
  return s;
}

// ---- BMP and DIB.

enum class BmpHeader { Core12, Info40, V4, V5 };

struct BmpParams {
  BmpHeader header = BmpHeader::Info40;
  int bpp = 24;
  uint32_t compression = 0;
  bool topDown = false;
  bool fileHeader = true;
  uint32_t masks[4] = {0, 0, 0, 0};     // for bitfields (and to pack 16/32-bit pixels)
  std::vector<uint32_t> palette;        // ARGB; alpha ignored
};

// Assembles a BMP around already-encoded pixel data (rows in file order,
// padded, or an RLE stream).
inline Bytes AssembleBmp(const BmpParams& p, int w, int h, const Bytes& pixels) {
  Writer info;
  const uint32_t hs = p.header == BmpHeader::Core12 ? 12 : p.header == BmpHeader::Info40 ? 40
                      : p.header == BmpHeader::V4 ? 108 : 124;
  info.le32(hs);
  if (hs == 12) {
    info.le16(uint32_t(w)).le16(uint32_t(h)).le16(1).le16(uint32_t(p.bpp));
  } else {
    info.le32(uint32_t(w)).le32(uint32_t(p.topDown ? -h : h)).le16(1).le16(uint32_t(p.bpp));
    info.le32(p.compression).le32(uint32_t(pixels.size())).le32(2835).le32(2835);
    info.le32(uint32_t(p.palette.size())).le32(0);
    if (hs > 40) {
      for (uint32_t m : p.masks) info.le32(m);
      info.le32(0x73524742);  // sRGB
      info.zeros(hs - 60);
    } else if (p.compression == 3) {
      for (int i = 0; i < 3; ++i) info.le32(p.masks[i]);
    }
  }
  for (uint32_t c : p.palette) {
    info.u8(B(c)).u8(G(c)).u8(R(c));
    if (hs != 12) info.u8(0);
  }
  Writer file;
  if (p.fileHeader) {
    file.str("BM").le32(uint32_t(14 + info.b.size() + pixels.size())).le32(0);
    file.le32(uint32_t(14 + info.b.size()));
  }
  file.b.insert(file.b.end(), info.b.begin(), info.b.end());
  file.b.insert(file.b.end(), pixels.begin(), pixels.end());
  return file.b;
}

inline uint32_t PackMasked(uint32_t argb, const uint32_t masks[4]) {
  uint32_t v = 0;
  const uint32_t ch[4] = {R(argb), G(argb), B(argb), A(argb)};
  for (int i = 0; i < 4; ++i) {
    uint32_t m = masks[i];
    if (!m) continue;
    int shift = 0, bits = 0;
    while (!((m >> shift) & 1)) ++shift;
    while ((uint64_t(m) >> (shift + bits)) & 1) ++bits;
    v |= (ch[i] >> (8 - bits)) << shift;
  }
  return v;
}

// Encodes pic uncompressed. Palette depths look each colour up in p.palette.
inline Bytes EncodeBmp(const BmpParams& p, const DecodedImage& pic) {
  const int w = pic.width, h = pic.height;
  const size_t stride = size_t((w * p.bpp + 31) / 32) * 4;
  Bytes px(stride * size_t(h), 0);
  for (int row = 0; row < h; ++row) {
    int y = p.topDown ? row : h - 1 - row;
    uint8_t* dst = px.data() + stride * size_t(row);
    for (int x = 0; x < w; ++x) {
      uint32_t c = pic.argb[size_t(y * w + x)];
      if (p.bpp <= 8) {
        uint32_t i = 0;
        while (i < p.palette.size() && (p.palette[i] | 0xFF000000u) != c) ++i;
        size_t bit = size_t(x * p.bpp);
        dst[bit / 8] |= uint8_t(i << (8 - p.bpp - int(bit % 8)));
      } else if (p.bpp == 24) {
        dst[3 * x] = uint8_t(B(c));
        dst[3 * x + 1] = uint8_t(G(c));
        dst[3 * x + 2] = uint8_t(R(c));
      } else {
        uint32_t v = PackMasked(c, p.masks);
        for (int k = 0; k < p.bpp / 8; ++k) dst[x * p.bpp / 8 + k] = uint8_t(v >> (8 * k));
      }
    }
  }
  return AssembleBmp(p, w, h, px);
}

// Like Pattern(w, h, true, 5) but green keeps six bits, as in 565 pixels.
inline DecodedImage Pattern565(int w, int h) {
  DecodedImage pic = Pattern(w, h, true, 5);
  for (uint32_t& c : pic.argb) {
    uint32_t g6 = G(c) >> 2;
    c = (c & 0xFFFF00FF) | (((g6 << 2) | (g6 >> 4)) << 8);
  }
  return pic;
}

inline DecodedImage Opaque(DecodedImage pic) {
  for (uint32_t& c : pic.argb) c |= 0xFF000000u;
  return pic;
}

inline std::vector<Sample> BmpSamples() {
  std::vector<Sample> s;
  const std::vector<uint32_t> pal16 = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456,
                                       0xFFFFFFFF, 0xFF808080, 0xFF00FFFF, 0xFFFF00FF, 0xFFFFFF00,
                                       0xFF010203, 0xFF302010, 0xFF405060, 0xFF706050, 0xFFA0B0C0,
                                       0xFFC0B0A0};
  auto palettePicture = [&](int w, int h, uint32_t colours) {
    DecodedImage pic = Picture(w, h, {});
    for (int i = 0; i < w * h; ++i) pic.argb.push_back(pal16[size_t(i * 7 + i / w) % colours]);
    return pic;
  };
  {
    BmpParams p;
    p.bpp = 1;
    p.palette = {0xFF102030, 0xFFF0E0D0};
    DecodedImage pic = Picture(9, 2, {});
    for (int i = 0; i < 18; ++i) pic.argb.push_back(p.palette[size_t((i * 5 / 3) & 1)]);
    s.push_back({"bmp_1bpp", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    p.bpp = 4;
    p.topDown = true;
    p.palette = pal16;
    DecodedImage pic = palettePicture(5, 3, 16);
    s.push_back({"bmp_4bpp_topdown", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    p.header = BmpHeader::Core12;
    p.bpp = 8;
    p.palette = std::vector<uint32_t>(256, 0xFF000000);
    for (size_t i = 0; i < 16; ++i) p.palette[i * 3] = pal16[i];
    DecodedImage pic = palettePicture(3, 3, 16);
    s.push_back({"bmp_8bpp_os2", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    p.bpp = 8;
    p.fileHeader = false;
    p.palette = pal16;
    DecodedImage pic = palettePicture(3, 2, 16);
    s.push_back({"dib_8bpp", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    p.bpp = 16;
    const uint32_t m555[4] = {0x7C00, 0x03E0, 0x001F, 0};
    std::memcpy(p.masks, m555, sizeof m555);
    DecodedImage pic = Pattern(3, 2, true, 5);
    Bytes data = EncodeBmp(p, pic);
    std::memset(p.masks, 0, sizeof p.masks);  // BI_RGB: 555 is implied
    s.push_back({"bmp_16bpp_555", data, pic});
  }
  {
    BmpParams p;
    p.bpp = 16;
    p.compression = 3;
    const uint32_t m565[4] = {0xF800, 0x07E0, 0x001F, 0};
    std::memcpy(p.masks, m565, sizeof m565);
    DecodedImage pic = Pattern565(3, 2);
    s.push_back({"bmp_16bpp_565", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    p.header = BmpHeader::V4;
    p.bpp = 16;
    p.compression = 3;
    const uint32_t m4444[4] = {0x0F00, 0x00F0, 0x000F, 0xF000};
    std::memcpy(p.masks, m4444, sizeof m4444);
    DecodedImage pic = Pattern(4, 2, false, 4);
    s.push_back({"bmp_v4_16bpp_4444", EncodeBmp(p, pic), pic});
  }
  {
    BmpParams p;
    DecodedImage pic = Pattern(3, 2, true);
    s.push_back({"bmp_24bpp", EncodeBmp(p, pic), pic});
    p.topDown = true;
    s.push_back({"bmp_24bpp_topdown", EncodeBmp(p, pic), pic});
  }
  {
    // Plain 32-bit with all fourth bytes zero: an opaque picture.
    BmpParams p;
    p.bpp = 32;
    const uint32_t rgb[4] = {0xFF0000, 0xFF00, 0xFF, 0};
    std::memcpy(p.masks, rgb, sizeof rgb);
    DecodedImage pic = Pattern(2, 2, false);
    Bytes data = EncodeBmp(p, pic);
    std::memset(p.masks, 0, sizeof p.masks);
    s.push_back({"bmp_32bpp_rgb", data, Opaque(pic)});
    // The same header with alpha in the fourth bytes, one of them zero.
    const uint32_t all[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    std::memcpy(p.masks, all, sizeof all);
    data = EncodeBmp(p, pic);
    std::memset(p.masks, 0, sizeof p.masks);
    s.push_back({"bmp_32bpp_rgb_alpha", data, pic});
  }
  {
    BmpParams p;
    p.header = BmpHeader::V5;
    p.bpp = 32;
    p.compression = 3;
    const uint32_t m[4] = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};  // BGRA order
    std::memcpy(p.masks, m, sizeof m);
    DecodedImage pic = Pattern(3, 2, false);
    s.push_back({"bmp_v5_32bpp_alpha", EncodeBmp(p, pic), pic});
  }
  {
    // RLE8, 4x3: a run, an absolute run, an early end of line, a delta.
    BmpParams p;
    p.bpp = 8;
    p.compression = 1;
    p.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    Bytes rle = {4, 1, 0, 0,                  // bottom row: four of colour 1
                 0, 3, 2, 3, 2, 0, 1, 1,      // middle: absolute 2 3 2 (padded), then one 1
                 0, 0,                         // end of line
                 0, 2, 1, 0,                   // top row: delta one to the right
                 2, 3, 0, 1};                  // two of colour 3, end of bitmap
    const uint32_t K = 0, r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    DecodedImage pic = Picture(4, 3, {K, b, b, K,  g, b, g, r,  r, r, r, r});
    s.push_back({"bmp_rle8", AssembleBmp(p, 4, 3, rle), pic});
  }
  {
    // RLE8, 7x2, each row coded out to its 4-byte stride (8 pixels), as some
    // editors write it: single-pixel runs, then one absolute run.
    BmpParams p;
    p.bpp = 8;
    p.compression = 1;
    p.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    Bytes rle = {1, 1, 1, 2, 1, 3, 1, 1, 1, 2, 1, 3, 1, 1, 1, 0, 0, 0,  // bottom row
                 0, 8, 3, 3, 2, 2, 1, 1, 3, 2, 0, 0,                  // top row
                 0, 1};
    const uint32_t r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    DecodedImage pic = Picture(7, 2, {b, b, g, g, r, r, b,  r, g, b, r, g, b, r});
    s.push_back({"bmp_rle8_stride_rows", AssembleBmp(p, 7, 2, rle), pic});
  }
  {
    // RLE4, 5x2, rows coded out to 8 pixels: a run, then an absolute run.
    BmpParams p;
    p.bpp = 4;
    p.compression = 2;
    p.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    Bytes rle = {8, 0x12, 0, 0,                      // bottom: 1 2 1 2 1 (2 1 2)
                 0, 8, 0x31, 0x23, 0x10, 0x00, 0, 0,  // top: 3 1 2 3 1 (0 0 0)
                 0, 1};
    const uint32_t r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    DecodedImage pic = Picture(5, 2, {b, r, g, b, r,  r, g, r, g, r});
    s.push_back({"bmp_rle4_stride_rows", AssembleBmp(p, 5, 2, rle), pic});
  }
  {
    // RLE4, 5x2: alternating-nibble runs and an absolute run of odd length.
    BmpParams p;
    p.bpp = 4;
    p.compression = 2;
    p.palette = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    Bytes rle = {5, 0x12, 0, 0,               // bottom: 1 2 1 2 1
                 0, 5, 0x32, 0x10, 0x30, 0,   // top: absolute 3 2 1 0 3 (3 bytes, padded to 4)
                 0, 1};
    const uint32_t K = 0xFF000000, r = 0xFFFF0000, g = 0xFF00FF00, b = 0xFF0000FF;
    DecodedImage pic = Picture(5, 2, {b, g, r, K, b,  r, g, r, g, r});
    s.push_back({"bmp_rle4", AssembleBmp(p, 5, 2, rle), pic});
  }
  return s;
}

// ---- TGA.

struct TgaParams {
  int type = 2;
  int depth = 24;
  uint32_t descriptor = 0;   // alpha bits and origin
  std::string id;
  std::vector<uint32_t> map;  // colour map, ARGB
  int mapBits = 24;
  int mapFirst = 0;
};

inline void PutTgaColour(Writer& w, uint32_t c, int bits) {
  if (bits == 15 || bits == 16) {
    w.le16(((A(c) >= 128 ? 1u : 0u) << 15) | ((R(c) >> 3) << 10) | ((G(c) >> 3) << 5) | (B(c) >> 3));
  } else {
    w.u8(B(c)).u8(G(c)).u8(R(c));
    if (bits == 32) w.u8(A(c));
  }
}

// File-order pixel values: either colours or (for colour-mapped) indices.
inline Bytes EncodeTga(const TgaParams& p, int width, int height, const std::vector<uint32_t>& values,
                       bool rle) {
  Writer w;
  w.u8(uint32_t(p.id.size())).u8(p.map.empty() ? 0 : 1).u8(uint32_t(p.type));
  w.le16(uint32_t(p.mapFirst)).le16(uint32_t(p.map.size())).u8(p.map.empty() ? 0 : uint32_t(p.mapBits));
  w.le16(0).le16(0).le16(uint32_t(width)).le16(uint32_t(height)).u8(uint32_t(p.depth)).u8(p.descriptor);
  w.str(p.id);
  for (uint32_t c : p.map) PutTgaColour(w, c, p.mapBits);
  auto put = [&](uint32_t v) {
    if (p.depth == 8) {
      w.u8(v);
    } else {
      PutTgaColour(w, v, p.depth);
    }
  };
  if (!rle) {
    for (uint32_t v : values) put(v);
    return w.b;
  }
  // Repeats become run packets, the rest raw packets; packets may cross rows.
  size_t i = 0;
  while (i < values.size()) {
    size_t run = 1;
    while (i + run < values.size() && run < 128 && values[i + run] == values[i]) ++run;
    if (run > 1) {
      w.u8(uint32_t(0x80 | (run - 1)));
      put(values[i]);
      i += run;
    } else {
      size_t n = 1;
      while (i + n < values.size() && n < 128 && values[i + n] != values[i + n - 1]) ++n;
      w.u8(uint32_t(n - 1));
      for (size_t k = 0; k < n; ++k) put(values[i + k]);
      i += n;
    }
  }
  return w.b;
}

// Orders a top-down picture as the descriptor's origin bits lay it out.
inline std::vector<uint32_t> TgaOrder(const DecodedImage& pic, uint32_t descriptor) {
  std::vector<uint32_t> v;
  for (int fy = 0; fy < pic.height; ++fy)
    for (int fx = 0; fx < pic.width; ++fx) {
      int x = (descriptor & 0x10) ? pic.width - 1 - fx : fx;
      int y = (descriptor & 0x20) ? fy : pic.height - 1 - fy;
      v.push_back(pic.argb[size_t(y * pic.width + x)]);
    }
  return v;
}

inline std::vector<Sample> TgaSamples() {
  std::vector<Sample> s;
  {
    TgaParams p;
    DecodedImage pic = Pattern(3, 2, true);
    s.push_back({"tga_24_bottomleft", EncodeTga(p, 3, 2, TgaOrder(pic, 0), false), pic});
  }
  {
    TgaParams p;
    p.depth = 32;
    p.descriptor = 0x28;
    p.id = "hello";
    DecodedImage pic = Pattern(3, 2, false);
    s.push_back({"tga_32_topleft_id", EncodeTga(p, 3, 2, TgaOrder(pic, p.descriptor), false), pic});
  }
  {
    TgaParams p;
    p.depth = 16;
    p.descriptor = 0x11;  // one alpha bit, right to left
    DecodedImage pic = Pattern(4, 2, false, 5);
    for (uint32_t& c : pic.argb) c = (c & 0xFFFFFF) | (A(c) >= 128 ? 0xFF000000u : 0u);
    s.push_back({"tga_16_alphabit_righttoleft", EncodeTga(p, 4, 2, TgaOrder(pic, p.descriptor), false), pic});
  }
  {
    TgaParams p;
    p.type = 1;
    p.depth = 8;
    p.map = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC};
    p.mapFirst = 10;
    std::vector<uint32_t> idx = {10, 11, 12, 13, 13, 12};  // file order, bottom row first
    DecodedImage pic = Picture(3, 2, {p.map[3], p.map[3], p.map[2], p.map[0], p.map[1], p.map[2]});
    s.push_back({"tga_mapped", EncodeTga(p, 3, 2, idx, false), pic});
    p.type = 9;
    p.map = {0x80112233, 0xFF445566};
    p.mapBits = 32;
    p.mapFirst = 0;
    p.descriptor = 0x28;
    std::vector<uint32_t> idx2 = {0, 0, 0, 1, 0, 1, 1, 1};
    DecodedImage pic2 = Picture(4, 2, {});
    for (uint32_t i : idx2) pic2.argb.push_back(p.map[i]);
    s.push_back({"tga_mapped_rle", EncodeTga(p, 4, 2, idx2, true), pic2});
  }
  {
    TgaParams p;
    p.type = 3;
    p.depth = 8;
    std::vector<uint32_t> grey = {0, 128, 255, 7};
    DecodedImage pic = Picture(2, 2, {0xFFFFFFFF, 0xFF070707, 0xFF000000, 0xFF808080});
    s.push_back({"tga_grey", EncodeTga(p, 2, 2, grey, false), pic});
    p.type = 11;
    std::vector<uint32_t> grey2 = {5, 5, 5, 5, 5, 9, 200, 200};
    DecodedImage pic2 = Picture(4, 2, {0xFF050505, 0xFF090909, 0xFFC8C8C8, 0xFFC8C8C8,
                                       0xFF050505, 0xFF050505, 0xFF050505, 0xFF050505});
    s.push_back({"tga_grey_rle", EncodeTga(p, 4, 2, grey2, true), pic2});
  }
  {
    // RLE true colour whose runs cross row ends.
    TgaParams p;
    p.type = 10;
    p.depth = 32;
    p.descriptor = 0x28;
    DecodedImage pic = Picture(3, 3, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0x80FF0000,
                                      0x7F00FF00, 0x00000000, 0x00000000, 0x00000000});
    s.push_back({"tga_32_rle", EncodeTga(p, 3, 3, TgaOrder(pic, p.descriptor), true), pic});
  }
  return s;
}

// ---- PPM / PGM. ASCII samples end on a one-digit sample with nothing after
// it, so that cutting any byte off loses data the decoder can notice.

inline std::vector<Sample> PnmSamples() {
  std::vector<Sample> s;
  {
    DecodedImage pic = Pattern(3, 2, true);
    Writer w;
    w.str("P6\n# made by the tests\n3 2\n255\n");
    for (uint32_t c : pic.argb) w.u8(R(c)).u8(G(c)).u8(B(c));
    s.push_back({"ppm_binary", w.b, pic});
  }
  {
    Writer w;
    w.str("P5 2 2 1000\n").be16(0).be16(1000).be16(500).be16(4);
    DecodedImage pic = Picture(2, 2, {0xFF000000, 0xFFFFFFFF, 0xFF808080, 0xFF010101});
    s.push_back({"pgm_binary16", w.b, pic});
  }
  {
    Writer w;
    w.str("P3\n#c1\n2 #c2\n1\n15\n15 0 7\n\n 3 12 1");
    DecodedImage pic = Picture(2, 1, {0xFFFF0077, 0xFF33CC11});
    s.push_back({"ppm_ascii", w.b, pic});
  }
  {
    Writer w;
    w.str("P2 3 1 255 0 255 9");
    DecodedImage pic = Picture(3, 1, {0xFF000000, 0xFFFFFFFF, 0xFF090909});
    s.push_back({"pgm_ascii", w.b, pic});
  }
  return s;
}

// ---- DDS.

constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40, kDdpfLuminance = 0x20000;

inline Writer DdsHeader(int w, int h, uint32_t pfFlags, const char* fourCC, uint32_t bits,
                        const uint32_t masks[4]) {
  Writer d;
  d.str("DDS ").le32(124).le32(0x1007).le32(uint32_t(h)).le32(uint32_t(w)).le32(0).le32(0).le32(1);
  d.zeros(44);
  d.le32(32).le32(pfFlags);
  if (fourCC) {
    d.str(std::string(fourCC, 4));
  } else {
    d.le32(0);
  }
  d.le32(bits);
  for (int i = 0; i < 4; ++i) d.le32(masks ? masks[i] : 0);
  d.le32(0x1000).zeros(16);
  return d;
}

inline Sample DdsUncompressed(const char* name, const DecodedImage& pic, uint32_t pfFlags, uint32_t bits,
                              const uint32_t masks[4]) {
  Writer d = DdsHeader(pic.width, pic.height, pfFlags, nullptr, bits, masks);
  for (uint32_t c : pic.argb) {
    uint32_t v = PackMasked(c, masks);
    for (uint32_t k = 0; k < bits / 8; ++k) d.u8(v >> (8 * k));
  }
  return {name, d.b, pic};
}

inline std::vector<Sample> DdsSamples() {
  std::vector<Sample> s;
  const uint32_t argb8888[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  const uint32_t rgb565[4] = {0xF800, 0x07E0, 0x001F, 0};
  const uint32_t argb1555[4] = {0x7C00, 0x03E0, 0x001F, 0x8000};
  const uint32_t argb4444[4] = {0x0F00, 0x00F0, 0x000F, 0xF000};
  const uint32_t rgb888[4] = {0xFF0000, 0xFF00, 0xFF, 0};
  s.push_back(DdsUncompressed("dds_a8r8g8b8", Pattern(3, 2, false), kDdpfRgb | kDdpfAlphaPixels, 32, argb8888));
  {
    // The alpha mask only counts with the alpha-pixels flag.
    Sample x = DdsUncompressed("dds_x8r8g8b8", Pattern(3, 2, false), kDdpfRgb, 32, argb8888);
    x.expected = Opaque(x.expected);
    s.push_back(x);
  }
  s.push_back(DdsUncompressed("dds_r8g8b8", Pattern(3, 2, true), kDdpfRgb, 24, rgb888));
  s.push_back(DdsUncompressed("dds_r5g6b5", Pattern565(3, 2), kDdpfRgb, 16, rgb565));
  {
    DecodedImage pic = Pattern(3, 2, false, 5);
    for (uint32_t& c : pic.argb) c = (c & 0xFFFFFF) | (A(c) >= 128 ? 0xFF000000u : 0u);
    s.push_back(DdsUncompressed("dds_a1r5g5b5", pic, kDdpfRgb | kDdpfAlphaPixels, 16, argb1555));
  }
  s.push_back(DdsUncompressed("dds_a4r4g4b4", Pattern(3, 2, false, 4), kDdpfRgb | kDdpfAlphaPixels, 16, argb4444));
  {
    const uint32_t l8[4] = {0xFF, 0, 0, 0};
    Writer d = DdsHeader(2, 1, kDdpfLuminance, nullptr, 8, l8);
    d.u8(0x10).u8(0xEE);
    s.push_back({"dds_l8", d.b, Picture(2, 1, {0xFF101010, 0xFFEEEEEE})});
  }

  // Block formats: endpoints red (0xF800) and blue (0x001F) give the
  // thirds 0xAA0055 and 0x5500AA, the half 0x7F007F.
  const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, third1 = 0xFFAA0055, third2 = 0xFF5500AA,
                 half = 0xFF7F007F;
  auto colourBlock = [](Writer& d, uint32_t c0, uint32_t c1, uint32_t indices) {
    d.le16(c0).le16(c1).le32(indices);
  };
  {
    // 5x5: four blocks, three of them cut off by the edges.
    Writer d = DdsHeader(5, 5, kDdpfFourCC, "DXT1", 0, nullptr);
    uint32_t idx = 0;
    for (int i = 0; i < 16; ++i) idx |= uint32_t(i % 4) << (2 * i);  // columns 0,1,2,3
    colourBlock(d, 0xF800, 0x001F, idx);        // four-colour mode
    colourBlock(d, 0x001F, 0xF800, idx);        // three colours + transparent
    colourBlock(d, 0xF800, 0x001F, 0x55555555);  // all endpoint 1
    colourBlock(d, 0xF800, 0x001F, 0);           // all endpoint 0
    const uint32_t four[4] = {red, blue, third1, third2};
    const uint32_t three[4] = {blue, red, half, 0};
    DecodedImage pic = Picture(5, 5, {});
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        uint32_t c = y < 4 ? (x < 4 ? four[x] : three[0]) : (x < 4 ? blue : red);
        pic.argb.push_back(c);
      }
    s.push_back({"dds_dxt1", d.b, pic});
  }
  {
    Writer d = DdsHeader(4, 4, kDdpfFourCC, "DXT3", 0, nullptr);
    for (int i = 0; i < 8; ++i) d.u8(uint32_t(i * 2) | (uint32_t(i * 2 + 1) << 4));  // alpha 0..15
    colourBlock(d, 0x001F, 0xF800, 0x55555555);  // DXT3 is always four-colour: all red
    DecodedImage pic = Picture(4, 4, {});
    for (uint32_t i = 0; i < 16; ++i) pic.argb.push_back(((i * 17) << 24) | 0xFF0000);
    s.push_back({"dds_dxt3", d.b, pic});
  }
  {
    // Two DXT5 blocks: eight-alpha mode, then six-alpha mode with 0 and 255.
    Writer d = DdsHeader(8, 4, kDdpfFourCC, "DXT5", 0, nullptr);
    auto alphaBlock = [&](uint32_t a0, uint32_t a1) {
      d.u8(a0).u8(a1);
      uint64_t bits = 0;
      for (int i = 0; i < 16; ++i) bits |= uint64_t(i % 8) << (3 * i);
      for (int k = 0; k < 6; ++k) d.u8(uint32_t(bits >> (8 * k)));
    };
    alphaBlock(210, 0);
    colourBlock(d, 0xF800, 0x001F, 0);
    alphaBlock(50, 100);
    colourBlock(d, 0xF800, 0x001F, 0x55555555);
    const uint32_t eight[8] = {210, 0, 180, 150, 120, 90, 60, 30};
    const uint32_t six[8] = {50, 100, 60, 70, 80, 90, 0, 255};
    DecodedImage pic = Picture(8, 4, {});
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) {
        int i = y * 4 + x % 4;
        pic.argb.push_back(x < 4 ? (eight[i % 8] << 24) | (red & 0xFFFFFF) : (six[i % 8] << 24) | (blue & 0xFFFFFF));
      }
    s.push_back({"dds_dxt5", d.b, pic});
  }
  return s;
}

inline std::vector<Sample> AllSamples() {
  std::vector<Sample> all;
  for (auto* make : {PngSamples, JpegSamples, BmpSamples, TgaSamples, PnmSamples, DdsSamples}) {
    for (Sample& s : make()) all.push_back(std::move(s));
  }
  return all;
}

// png with one more chunk: right after IHDR, or right before IEND, where
// a reader meets it only after the pixels.
inline Bytes WithPngChunk(const Bytes& png, const char* type, const Bytes& body, bool afterPixels) {
  Bytes chunk;
  for (int k = 24; k >= 0; k -= 8) chunk.push_back(uint8_t(body.size() >> k));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4)));
  for (int k = 24; k >= 0; k -= 8) chunk.push_back(uint8_t(crc >> k));
  Bytes b = png;
  b.insert(afterPixels ? b.end() - 12 : b.begin() + 8 + 25, chunk.begin(), chunk.end());
  return b;
}

// An 89-byte PNG whose text chunk, before any image data, claims 2 GB.
inline Bytes PngChunkBomb() {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&b](const char* type, const Bytes& body, uint32_t claimed) {
    size_t start = b.size() + 4;
    for (int k = 24; k >= 0; k -= 8) b.push_back(uint8_t(claimed >> k));
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    uint32_t crc = uint32_t(crc32(0, b.data() + start, uInt(b.size() - start)));
    if (claimed == body.size())
      for (int k = 24; k >= 0; k -= 8) b.push_back(uint8_t(crc >> k));
  };
  chunk("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}, 13);
  Bytes text(8 + 40, 'x');
  std::memcpy(text.data(), "Comment", 8);
  chunk("tEXt", text, 0x7FFFFFFF);
  return b;
}

// Small JPEGs of several scans whose frame header then claims the largest
// picture allowed: libjpeg would allocate and zero a coefficient buffer of
// about 100 MB for each before reading a scan.
inline std::vector<Sample> JpegClaimBombs() {
  Bytes flat(16 * 16 * 3, 0x80);
  JpegParams p;
  p.progressive = true;
  p.quality = 50;
  std::vector<Sample> s;
  s.push_back({"jpeg_progressive_claims_4096", WriteJpeg(16, 16, flat, p), {}});
  p.arithmetic = true;
  s.push_back({"jpeg_arithmetic_progressive_claims_4096", WriteJpeg(16, 16, flat, p), {}});
  p.progressive = false;
  p.scanPerComponent = true;
  s.push_back({"jpeg_arithmetic_scan_per_component_claims_4096", WriteJpeg(16, 16, flat, p), {}});
  for (Sample& bomb : s) {
    Bytes& b = bomb.data;
    // The frame header: FF C0..CF (not C4, C8, CC), length, precision, height, width.
    for (size_t i = 2; i + 9 < b.size(); ++i) {
      if (b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xCF && b[i + 1] != 0xC4 && b[i + 1] != 0xC8 &&
          b[i + 1] != 0xCC) {
        b[i + 5] = 0x10, b[i + 6] = 0x00;  // 4096 rows
        b[i + 7] = 0x10, b[i + 8] = 0x00;  // of 4096 pixels
        break;
      }
    }
  }
  return s;
}

}  // namespace imagesamples
