#include "platform/image/image_decode.h"

#include "fuzz/image_samples.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

using imagesamples::Bytes;
using imagesamples::Sample;
using imagesamples::Writer;

namespace {

// Copies to a buffer of exactly size bytes so that AddressSanitizer sees any
// read past the end.
bool Decode(const Bytes& bytes, size_t size, DecodedImage& out, std::string* why = nullptr) {
  std::unique_ptr<uint8_t[]> exact(size ? new uint8_t[size] : nullptr);
  if (size) std::memcpy(exact.get(), bytes.data(), size);
  return DecodeImage(exact.get(), size, out, why);
}

void ExpectDecodes(const Sample& s) {
  SCOPED_TRACE(s.name);
  ASSERT_FALSE(s.data.empty());
  DecodedImage img;
  std::string why;
  ASSERT_TRUE(Decode(s.data, s.data.size(), img, &why)) << why;
  ASSERT_EQ(img.width, s.expected.width);
  ASSERT_EQ(img.height, s.expected.height);
  ASSERT_EQ(img.argb.size(), s.expected.argb.size());
  for (size_t i = 0; i < img.argb.size(); ++i) {
    uint32_t got = img.argb[i], want = s.expected.argb[i];
    if (s.tolerance == 0) {
      ASSERT_EQ(got, want) << std::hex << "texel " << std::dec << i;
      continue;
    }
    for (int shift = 0; shift < 32; shift += 8) {
      int d = int((got >> shift) & 255) - int((want >> shift) & 255);
      ASSERT_LE(std::abs(d), s.tolerance) << "texel " << i << " channel shift " << shift;
    }
  }
}

void ExpectAllDecode(const std::vector<Sample>& samples) {
  for (const Sample& s : samples) ExpectDecodes(s);
}

void ExpectRejected(const Bytes& bytes, const char* what) {
  DecodedImage img;
  img.width = 7;
  img.argb.assign(3, 1);
  std::string why;
  EXPECT_FALSE(Decode(bytes, bytes.size(), img, &why)) << what;
  EXPECT_FALSE(why.empty()) << what;
  EXPECT_EQ(img.width, 0) << what;
  EXPECT_TRUE(img.argb.empty()) << what;
}

// Peak resident memory (VmHWM) in kB, or -1 where the system does not say.
long PeakKb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  std::fclose(f);
  return kb;
}

// How far a decode of bytes raises the peak resident memory, in MB, measured
// in a child process so that nothing else this process does counts: -1 where
// the peak cannot be reset and read.
long DecodePeakGrowthMb(const Bytes& bytes) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    long growth = -1;
    // Heap this process freed but kept would hide the decode's allocations.
    malloc_trim(0);
    FILE* clear = std::fopen("/proc/self/clear_refs", "w");
    if (clear && std::fputs("5", clear) >= 0 && std::fclose(clear) == 0) {  // 5: reset the peak
      clear = nullptr;
      long before = PeakKb();
      DecodedImage img;
      DecodeImage(bytes.data(), bytes.size(), img, nullptr);
      long after = PeakKb();
      if (before >= 0 && after >= 0) growth = (after - before) / 1024;
    }
    if (clear) std::fclose(clear);
    ssize_t ignored = write(fds[1], &growth, sizeof growth);
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  long growth = -1;
  if (pid < 0 || read(fds[0], &growth, sizeof growth) != ssize_t(sizeof growth)) growth = -1;
  close(fds[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return growth;
}

Sample Find(const std::string& name) {
  for (Sample& s : imagesamples::AllSamples())
    if (s.name == name) return s;
  ADD_FAILURE() << "no sample " << name;
  return {};
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + size_t(k)] = uint8_t(v >> (8 * k));
}

Bytes Deflate(const Bytes& raw, int level) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), level), Z_OK);
  out.resize(size);
  return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Bytes that do not compress, so that a compressed chunk is as large as the raw.
Bytes Noise(size_t n, uint32_t seed) {
  Bytes b(n);
  for (uint8_t& v : b) {
    seed = seed * 1103515245u + 12345u;
    v = uint8_t(seed >> 16);
  }
  return b;
}

std::atomic<int> g_pauses{0};
void CountPause() { g_pauses.fetch_add(1, std::memory_order_relaxed); }

// How often a decode of bytes stopped at the decode pause.
int PausesDuring(const Bytes& bytes, DecodedImage& out, std::string* why = nullptr) {
  g_pauses = 0;
  SetDecodePause(CountPause);
  DecodeImage(bytes.data(), bytes.size(), out, why);
  SetDecodePause(nullptr);
  return g_pauses.load();
}

}  // namespace

TEST(ImageDecode, PngColourTypesDepthsInterlaceAndTransparency) { ExpectAllDecode(imagesamples::PngSamples()); }
TEST(ImageDecode, JpegRgbProgressiveGreyCmykAndWarnings) { ExpectAllDecode(imagesamples::JpegSamples()); }
TEST(ImageDecode, BmpDepthsHeadersRleAndRowOrder) { ExpectAllDecode(imagesamples::BmpSamples()); }
TEST(ImageDecode, TgaTypesDepthsOriginsAndRle) { ExpectAllDecode(imagesamples::TgaSamples()); }
TEST(ImageDecode, PpmAndPgmBinaryAndAscii) { ExpectAllDecode(imagesamples::PnmSamples()); }
TEST(ImageDecode, DdsUncompressedAndDxt) { ExpectAllDecode(imagesamples::DdsSamples()); }

TEST(ImageDecode, Dxt1CornerTexelsByHand) {
  // Worked out on paper rather than by the sample writer: red/blue endpoints
  // interpolate to thirds; reversed endpoints mean three colours and a hole.
  DecodedImage img;
  ASSERT_TRUE(Decode(Find("dds_dxt1").data, Find("dds_dxt1").data.size(), img));
  EXPECT_EQ(img.argb[0], 0xFFFF0000u);
  EXPECT_EQ(img.argb[2], 0xFFAA0055u);
  EXPECT_EQ(img.argb[3], 0xFF5500AAu);
  EXPECT_EQ(img.argb[4], 0xFF0000FFu);

  // Equal endpoints are the three-colour mode too: index 3 is a hole, not green.
  Writer d = imagesamples::DdsHeader(4, 1, imagesamples::kDdpfFourCC, "DXT1", 0, nullptr);
  d.le16(0x07E0).le16(0x07E0).le32(0xE4);  // row 0: indices 0, 1, 2, 3
  ASSERT_TRUE(Decode(d.b, d.b.size(), img));
  ASSERT_EQ(img.argb.size(), 4u);
  EXPECT_EQ(img.argb[0], 0xFF00FF00u);
  EXPECT_EQ(img.argb[1], 0xFF00FF00u);
  EXPECT_EQ(img.argb[2], 0xFF00FF00u);
  EXPECT_EQ(img.argb[3], 0x00000000u);
}

TEST(ImageDecode, FileNameDoesNotMatterOnlyContent) {
  // A BMP whose body happens to start like other formats' magic is still a
  // BMP, and a headerless DIB is not mistaken for TGA.
  Sample dib = Find("dib_8bpp");
  DecodedImage img;
  ASSERT_TRUE(Decode(dib.data, dib.data.size(), img));
  EXPECT_EQ(img.argb, dib.expected.argb);
  Bytes unknown = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ExpectRejected(unknown, "GIF");
}

TEST(ImageKey, QuantisesToOneBitAlphaAndFiveBitColour) {
  DecodedImage img = imagesamples::Picture(5, 1, {0xFF123456, 0x7FFFFFFF, 0x80000000, 0xFF07F8FF, 0x00ABCDEF});
  ConvertToA1R5G5B5Keyed(img, 0x0000FF00);
  EXPECT_EQ(img.argb[0], 0xFF103152u);  // 0x12->0x10, 0x34->0x31, 0x56->0x52
  EXPECT_EQ(img.argb[1], 0x00FFFFFFu);  // alpha 127 is below half
  EXPECT_EQ(img.argb[2], 0xFF000000u);  // alpha 128 counts as opaque
  EXPECT_EQ(img.argb[3], 0xFF00FFFFu);  // 0x07 loses everything, 0xF8 becomes 0xFF
  EXPECT_EQ(img.argb[4], 0x00ADCEEFu);  // colour kept under zero alpha
}

TEST(ImageKey, OnlyTheExactKeyGoesTransparent) {
  DecodedImage img = imagesamples::Picture(
      5, 1, {0x0000FF00, 0xFF00FF00, 0x0000FE00, 0x0100FF00, 0x0000FF01});
  ConvertToA1R5G5B5Keyed(img, 0x0000FF00);
  EXPECT_EQ(img.argb[0], 0x00000000u);  // transparent pure green goes
  EXPECT_EQ(img.argb[1], 0xFF00FF00u);  // opaque green stays green
  // Near misses are compared before quantisation, so they are not keyed even
  // though they quantise to the key's 16-bit value.
  EXPECT_EQ(img.argb[2], 0x0000FF00u);
  EXPECT_EQ(img.argb[3], 0x0000FF00u);
  EXPECT_EQ(img.argb[4], 0x0000FF00u);
}

TEST(ImageDecode, JpegWarningsThatLoseNothingGiveTheUndamagedPicture) {
  // Not merely close to the drawing: equal to what the intact file gives.
  const std::pair<const char*, const char*> damagedAndIntact[] = {
      {"jpeg_rgb_no_end_marker", "jpeg_rgb"},
      {"jpeg_progressive_no_end_marker", "jpeg_rgb_progressive"},
      {"jpeg_rgb_padded_end", "jpeg_rgb"},
      {"jpeg_rgb_jfif_2_01", "jpeg_rgb"},
  };
  for (const auto& [damaged, intact] : damagedAndIntact) {
    SCOPED_TRACE(damaged);
    Sample a = Find(damaged), b = Find(intact);
    ASSERT_NE(a.data, b.data);
    DecodedImage got, want;
    std::string why;
    ASSERT_TRUE(Decode(a.data, a.data.size(), got, &why)) << why;
    ASSERT_TRUE(Decode(b.data, b.data.size(), want));
    EXPECT_EQ(got.argb, want.argb);
  }
}

TEST(ImageBadInput, EveryTruncationOfEverySampleFails) {
  // Except cuts that take only a JPEG's end marker or the padding before it:
  // those lose no pixel.
  for (const Sample& s : imagesamples::AllSamples()) {
    DecodedImage whole;
    ASSERT_TRUE(Decode(s.data, s.data.size(), whole)) << s.name;
    for (size_t len = 0; len < s.data.size(); ++len) {
      DecodedImage img;
      std::string why;
      if (s.wholeFrom != 0 && len >= s.wholeFrom) {
        ASSERT_TRUE(Decode(s.data, len, img, &why)) << s.name << " cut to " << len << ": " << why;
        ASSERT_EQ(img.argb, whole.argb) << s.name << " cut to " << len;
        continue;
      }
      ASSERT_FALSE(Decode(s.data, len, img, &why)) << s.name << " cut to " << len << " of " << s.data.size();
      ASSERT_FALSE(why.empty()) << s.name << " cut to " << len;
      ASSERT_TRUE(img.argb.empty());
    }
  }
}

TEST(ImageBadInput, AbsurdOrZeroDimensions) {
  {
    Bytes b = Find("bmp_24bpp").data;
    Put32(b, 18, 20000);
    ExpectRejected(b, "BMP 20000 wide");
    Put32(b, 18, 0);
    ExpectRejected(b, "BMP zero wide");
    Put32(b, 18, 3);
    Put32(b, 22, 0x80000000u);  // the most negative height has no positive twin
    ExpectRejected(b, "BMP INT_MIN height");
  }
  {
    // Within the side limit but too many pixels, and lying about its data.
    Bytes b = Find("bmp_rle8").data;
    Put32(b, 18, 16384);
    Put32(b, 22, 16384);
    ExpectRejected(b, "BMP 16384 square");
  }
  {
    Bytes b = Find("tga_24_bottomleft").data;
    b[12] = 0;
    b[13] = 0;
    ExpectRejected(b, "TGA zero wide");
    b[12] = 0xFF;
    b[13] = 0xFF;
    ExpectRejected(b, "TGA 65535 wide");
  }
  {
    Bytes b = Find("dds_dxt5").data;
    Put32(b, 16, 16385);
    ExpectRejected(b, "DDS 16385 wide");
    Put32(b, 16, 16384);
    Put32(b, 12, 16384);
    ExpectRejected(b, "DDS 16384 square, short of data");
  }
  ExpectRejected(Writer().str("P6 16385 1 255\n").zeros(16385 * 3).b, "PPM 16385 wide");
  ExpectRejected(Writer().str("P5 0 1 255\n").b, "PGM zero wide");
  ExpectRejected(Writer().str("P5 99999999999999999999 1 255\n").b, "PGM overflowing width");
  {
    // A PNG header claiming 16385x1, with a correct CRC so that only the size is wrong.
    Bytes b = Find("png_rgba8").data;
    b[16] = 0;
    b[17] = 0;
    b[18] = 0x40;
    b[19] = 0x01;
    uint32_t crc = uint32_t(crc32(0, b.data() + 12, 17));
    for (int k = 0; k < 4; ++k) b[29 + size_t(k)] = uint8_t(crc >> (24 - 8 * k));
    ExpectRejected(b, "PNG 16385 wide");
  }
}

TEST(ImageBadInput, CorruptHeadersAndLyingSizes) {
  {
    Bytes b = Find("bmp_8bpp_os2").data;
    b[10] = 0xF0;  // pixel offset past the end
    ExpectRejected(b, "BMP pixel offset");
  }
  {
    Bytes b = Find("bmp_4bpp_topdown").data;
    Put32(b, 46, 1u << 30);  // colours used
    ExpectRejected(b, "BMP huge palette");
  }
  {
    Bytes b = Find("bmp_16bpp_565").data;
    Put32(b, 54, 0xF00F);  // red mask with a hole
    ExpectRejected(b, "BMP mask with holes");
  }
  {
    Bytes b = Find("bmp_4bpp_topdown").data;
    b[b.size() - 3] = 0xFF;  // an index past the 16-entry palette is fine in 4 bits...
    DecodedImage img;
    EXPECT_TRUE(Decode(b, b.size(), img));
    Put32(b, 46, 4);  // ...but not when the palette is shorter
    ExpectRejected(b, "BMP index outside palette");
  }
  {
    Bytes b = Find("bmp_rle8").data;
    b[b.size() - 1] = 5;  // end of bitmap turned into an absolute run past the data
    ExpectRejected(b, "RLE8 without end");
    b = Find("bmp_rle8").data;
    b.insert(b.end() - 2, {0, 0, 1, 1});  // end of the top row, then one more run
    Put32(b, 34, uint32_t(b.size() - b[10]));  // the header's size of the data, from its offset
    ExpectRejected(b, "RLE8 run past the last row");
    b = Find("bmp_rle8_stride_rows").data;
    b[b[10] + 15u] = 4;  // a pixel past the row's end is dropped, but not one outside the palette
    ExpectRejected(b, "RLE8 index outside the palette");
  }
  {
    Bytes b = Find("tga_32_rle").data;
    b[18] = 0xFF;  // a 128-pixel run in a 9-pixel picture
    ExpectRejected(b, "TGA run past picture");
  }
  {
    Bytes b = Find("tga_mapped").data;
    b[b.size() - 1] = 3;  // index below the map's first entry
    ExpectRejected(b, "TGA index outside map");
    b[b.size() - 1] = 14;  // the map's first entry (10) plus its length (4): one past its end
    ExpectRejected(b, "TGA index past the map's end");
    b = Find("tga_24_bottomleft").data;
    b[16] = 12;  // no such depth
    ExpectRejected(b, "TGA depth");
    b = Find("tga_24_bottomleft").data;
    b[2] = 4;  // no such type
    ExpectRejected(b, "TGA type");
  }
  ExpectRejected(Writer().str("P5 1 1 0\n").u8(0).b, "PGM maxval 0");
  ExpectRejected(Writer().str("P5 1 1 65536\n").be16(0).b, "PGM maxval above 16 bits");
  ExpectRejected(Writer().str("P2 2 1 15 3 16").b, "PGM sample above maxval");
  ExpectRejected(Writer().str("P2 2 1 15 3 x").b, "PGM junk sample");
  {
    Bytes b = Find("dds_a8r8g8b8").data;
    Put32(b, 84 + 16, 0x00FF00FF);  // blue mask with a hole
    ExpectRejected(b, "DDS mask");
    b = Find("dds_dxt1").data;
    b[84 + 3] = '2';  // premultiplied DXT2 is not supported
    ExpectRejected(b, "DDS DXT2");
  }
  {
    Bytes b = Find("png_rgb8_interlaced").data;
    b[40] ^= 0x55;  // inside IDAT: the CRC no longer matches
    ExpectRejected(b, "PNG bad CRC");
  }
  // Refused from the chunk's claim; the fuzz run, under a memory limit,
  // catches 2 GB allocated for it first.
  ExpectRejected(imagesamples::PngChunkBomb(), "PNG text chunk claiming 2 GB");
  {
    Bytes b = Find("jpeg_rgb").data;
    for (size_t i = b.size() / 2; i < b.size() - 2; ++i) b[i] = 0xFF;  // entropy data destroyed
    ExpectRejected(b, "JPEG corrupt data");
  }
}

TEST(ImageBadInput, ClaimsCostOnlyWhatTheirDataCanHold) {
  // A small file claiming a large chunk or picture is refused before memory
  // is set aside for the claim: a coefficient buffer alone would be 100 MB.
  std::vector<Sample> bombs = imagesamples::JpegClaimBombs();
  bombs.push_back({"png_chunk_bomb", imagesamples::PngChunkBomb(), {}});
  bool measured = true;
  for (const Sample& bomb : bombs) {
    SCOPED_TRACE(bomb.name);
    ExpectRejected(bomb.data, bomb.name.c_str());
    long growth = DecodePeakGrowthMb(bomb.data);
    if (growth < 0) {
      measured = false;  // the system does not let a process reset its peak memory
    } else {
      EXPECT_LT(growth, 16) << "MB";
    }
  }
  std::string why;
  DecodedImage img;
  EXPECT_FALSE(DecodeImage(bombs[0].data.data(), bombs[0].data.size(), img, &why));
  EXPECT_EQ(why, "JPEG too small for its dimensions");
  EXPECT_FALSE(DecodeImage(bombs[1].data.data(), bombs[1].data.size(), img, &why));
  EXPECT_EQ(why, "arithmetic-coded JPEG in several scans");

  // The bound is one bit a block, which the flattest picture comes nearest:
  // one grey, all of its blocks alike, in the scans of a progressive file.
  imagesamples::JpegParams p;
  p.progressive = true;
  p.quality = 50;
  const int side = 1024;
  Bytes flat = imagesamples::WriteJpeg(side, side, Bytes(size_t(side) * side * 3, 0x80), p);
  ASSERT_TRUE(Decode(flat, flat.size(), img, &why)) << why << " (" << flat.size() << " bytes)";
  EXPECT_EQ(img.width, side);
  if (!measured) GTEST_SKIP() << "peak memory not measured: this system does not let a process reset it";
}

TEST(ImageBadInput, MutatedSamplesNeverCrashOrLie) {
  // A small deterministic fuzz in every test run; the libFuzzer target does
  // the long runs.
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (const Sample& s : imagesamples::AllSamples()) {
    for (int round = 0; round < 200; ++round) {
      Bytes b = s.data;
      int flips = 1 + int(next() % 4);
      for (int k = 0; k < flips; ++k) b[next() % b.size()] = uint8_t(next());
      DecodedImage img;
      if (Decode(b, b.size(), img)) {
        ASSERT_GT(img.width, 0);
        ASSERT_LE(img.width, 16384);
        ASSERT_EQ(img.argb.size(), size_t(img.width) * size_t(img.height)) << s.name;
        ConvertToA1R5G5B5Keyed(img, 0x0000FF00);
      }
    }
  }
}

TEST(ImageDecode, PngMetadataOfAnySizeIsSkippedUnread) {
  // What exiftool and editors add, 9 MB of each, before the pixels and after
  // them. None of it changes a pixel, and none of it is read into memory: the
  // palette's transparency (tRNS) still applies.
  const size_t big = size_t(9) << 20;
  const Bytes filler(big, 'x');
  const std::pair<const char*, Bytes> metadata[] = {
      {"tEXt", Concat(Text(std::string("Comment") + '\0'), filler)},
      {"iTXt", Concat(Text(std::string("XML:com.adobe.xmp") + std::string(5, '\0') + "<x:xmpmeta>"), filler)},
      {"zTXt", Concat(Text(std::string("Comment") + std::string(2, '\0')), Deflate(Noise(big, 1), 1))},
      {"eXIf", Concat(Text("MM"), filler)},
      {"iCCP", Concat(Text(std::string("Profile") + std::string(2, '\0')), Deflate(Noise(big, 2), 1))},
      {"prVt", filler},
      {"gAMA", {0, 0, 0x27, 0x10}},  // 0.1: would change every pixel if applied
      {"sBIT", {1, 1, 1, 1}},
  };
  for (const char* name : {"png_rgba8", "png_palette4_trns", "png_rgb8_interlaced"}) {
    const Sample s = Find(name);
    for (const auto& [type, body] : metadata) {
      for (bool afterPixels : {false, true}) {
        SCOPED_TRACE(std::string(name) + " with " + type + (afterPixels ? " after the pixels" : ""));
        Bytes b = imagesamples::WithPngChunk(s.data, type, body, afterPixels);
        DecodedImage img;
        std::string why;
        ASSERT_TRUE(DecodeImage(b.data(), b.size(), img, &why)) << why;
        EXPECT_EQ(img.argb, s.expected.argb);
        if (body.size() < big || std::string(name) != "png_rgba8") continue;
        long growth = DecodePeakGrowthMb(b);
        if (growth >= 0) {
          EXPECT_LT(growth, 4) << "MB to decode a picture of 6 pixels";
        }
        // A chunk that runs past the end is still a cut file.
        for (size_t cut : {size_t(8 + 25 + 100), b.size() - 12 - big / 2}) {
          Bytes cutFile(b.begin(), b.begin() + long(cut));
          EXPECT_FALSE(DecodeImage(cutFile.data(), cutFile.size(), img, &why));
          EXPECT_EQ(why, "truncated PNG") << "cut to " << cut;
        }
      }
    }
  }
}

TEST(ImageBadInput, PngCompressedTextBombsAreNeverInflated) {
  // 120 KB that inflate to 120 MB, as text, as XMP and as a colour profile:
  // the picture loads, at the cost of its own pixels.
  const Bytes bomb = Deflate(Bytes(size_t(120) << 20, 0), 9);
  ASSERT_LT(bomb.size(), size_t(130) << 10);
  const Sample s = Find("png_rgba8");
  const std::pair<const char*, Bytes> bombs[] = {
      {"zTXt", Concat(Text(std::string("Comment") + std::string(2, '\0')), bomb)},
      {"iTXt", Concat(Text(std::string("XML:com.adobe.xmp") + '\0' + '\1' + std::string(3, '\0')), bomb)},
      {"iCCP", Concat(Text(std::string("Profile") + std::string(2, '\0')), bomb)},
  };
  for (const auto& [type, body] : bombs) {
    SCOPED_TRACE(type);
    Bytes b = imagesamples::WithPngChunk(s.data, type, body, false);
    DecodedImage img;
    std::string why;
    ASSERT_TRUE(Decode(b, b.size(), img, &why)) << why;
    EXPECT_EQ(img.argb, s.expected.argb);
    long growth = DecodePeakGrowthMb(b);
    if (growth < 0) GTEST_SKIP() << "peak memory not measured: this system does not let a process reset it";
    EXPECT_LT(growth, 16) << "MB";
  }
}

TEST(ImageDecode, LongDecodesPauseEvery16RowsAndWhileScansAreRead) {
  // Noise over a gradient, so that every scan of the progressive file holds
  // data for every row of blocks.
  const int w = 64, h = 512;
  Bytes rgb = Noise(size_t(w) * h * 3, 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(rgb[i] / 8 + (i / 3 / size_t(w)) / 4);
  imagesamples::JpegParams p;
  p.quality = 100;
  DecodedImage img;
  std::string why;
  EXPECT_EQ(PausesDuring(imagesamples::WriteJpeg(w, h, rgb, p), img, &why), h / 16) << why;
  std::vector<Bytes> rows;
  for (int y = 0; y < h; ++y) rows.emplace_back(rgb.begin() + long(y) * w * 3, rgb.begin() + long(y + 1) * w * 3);
  EXPECT_EQ(PausesDuring(imagesamples::WritePng(w, h, PNG_COLOR_TYPE_RGB, 8, false, rows), img, &why), h / 16)
      << why;

  // A progressive file is read whole before its first row comes out. Cut
  // after each of its scans, it is refused before any row, and the pauses
  // counted are those of reading: at least one every 16 rows of blocks.
  p.progressive = true;
  const Bytes progressive = imagesamples::WriteJpeg(w, h, rgb, p);
  std::vector<size_t> scans;
  for (size_t i = 2; i + 1 < progressive.size(); ++i)
    if (progressive[i] == 0xFF && progressive[i + 1] == 0xDA) scans.push_back(i);
  ASSERT_GE(scans.size(), 6u);
  const int blockRows = h / 8;  // each scan, of one component or all, covers them all (no subsampling)
  for (size_t k = 1; k < scans.size(); ++k) {
    Bytes cut(progressive.begin(), progressive.begin() + long(scans[k]));
    EXPECT_GE(PausesDuring(cut, img, &why), int(k) * blockRows / 16) << k << " scans";
    EXPECT_EQ(why, "truncated JPEG");
  }
  EXPECT_GE(PausesDuring(progressive, img, &why), int(scans.size()) * blockRows / 16 + h / 16) << why;
  ASSERT_EQ(img.argb.size(), size_t(w) * h);
  for (size_t i = 0; i < img.argb.size(); ++i) {
    const uint32_t want[3] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    for (int c = 0; c < 3; ++c)
      ASSERT_LE(std::abs(int((img.argb[i] >> (16 - 8 * c)) & 255) - int(want[c])), 6) << "pixel " << i;
  }
}

TEST(ImageBadInput, JpegOfMoreThan256ScansIsRefused) {
  // Each scan is a pass over the whole coefficient buffer. Every band of
  // every component in a scan of its own, then refined bit by bit: 380 scans,
  // legal but refused; the same bands without refinement, 190 scans, load.
  Bytes rgb;
  for (uint32_t c : Find("jpeg_rgb").expected.argb)
    rgb.insert(rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  imagesamples::JpegParams p;
  auto scan = [](int comps, int component, int ss, int ah, int al) {
    jpeg_scan_info s{};
    s.comps_in_scan = comps;
    for (int c = 0; c < comps; ++c) s.component_index[c] = comps == 1 ? component : c;
    s.Ss = ss;
    s.Se = ss;
    s.Ah = ah;
    s.Al = al;
    return s;
  };
  for (int refine : {0, 1}) {
    p.script.assign(1, scan(3, 0, 0, 0, refine));
    for (int c = 0; c < 3; ++c)
      for (int k = 1; k < 64; ++k) p.script.push_back(scan(1, c, k, 0, refine));
    if (refine) {
      p.script.push_back(scan(3, 0, 0, 1, 0));
      for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k) p.script.push_back(scan(1, c, k, 1, 0));
    }
    Bytes b = imagesamples::WriteJpeg(16, 16, rgb, p);
    DecodedImage img;
    std::string why;
    SCOPED_TRACE(std::to_string(p.script.size()) + " scans");
    if (!refine) {
      ASSERT_TRUE(Decode(b, b.size(), img, &why)) << why;
      EXPECT_EQ(img.width, 16);
    } else {
      ExpectRejected(b, "380 scans");
      Decode(b, b.size(), img, &why);
      EXPECT_EQ(why, "JPEG of more than 256 scans");
    }
  }
}

TEST(ImageBadInput, BitmapsAndPamAreNamedAndNotRead) {
  // Other Netpbm pictures: said to be what they are, not an unknown format.
  const std::pair<const char*, const char*> files[] = {
      {"P1\n2 1\n0 1\n", "PBM pictures are not read"},
      {"P4 8 1\n\xAA", "PBM pictures are not read"},
      {"P1# a comment\n2 1\n0 1\n", "PBM pictures are not read"},
      {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\nabc", "PAM pictures are not read"},
  };
  for (const auto& [text, reason] : files) {
    SCOPED_TRACE(text);
    ExpectRejected(Text(text), text);
    DecodedImage img;
    std::string why;
    Bytes b = Text(text);
    Decode(b, b.size(), img, &why);
    EXPECT_EQ(why, reason);
  }
  ExpectRejected(Writer().str("P8\n1 1\n").b, "P8");
}
