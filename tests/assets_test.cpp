// The default asset set (issue 6): every file the load lists name is in the
// build's date/ folder, every picture decodes through the game's decoder with
// the size and strip layout of the table, and every sound is a Standard MIDI
// File or a RIFF WAVE of the right kind.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image/image_decode.h"

namespace {

// ---------------------------------------------------------------------------
// The expected set, in one place.

struct ExpectedPicture {
  const char* name;
  int width, height;
  int frames;   // horizontal strip of equal frames
  bool keyed;   // loaded by the keyed loader (has transparent parts)
  int feetLine; // 0, or the strip's frames are 100x100 sprites whose feet
                // stand on this row, centred
};

const ExpectedPicture kPictures[] = {
    {"logo1", 640, 480, 1, false, 0},
    {"logo2", 640, 480, 1, false, 0},
    {"back_start1", 640, 480, 1, false, 0},
    {"back_start2", 640, 480, 1, false, 0},
    {"back_char_select1", 640, 480, 1, false, 0},
    {"Loading", 640, 480, 1, false, 0},
    {"back_stage1", 1280, 480, 1, false, 0},
    {"block1", 64, 20, 1, true, 0},
    {"mychar1_right", 2000, 100, 20, true, 85},
    {"mychar2_right", 2000, 100, 20, true, 85},
    {"mychar3_right", 2000, 100, 20, true, 85},
    {"mychar4_right", 2000, 100, 20, true, 85},
    {"mychar5_right", 2000, 100, 20, true, 85},
    {"mychar1_left", 2000, 100, 20, true, 85},
    {"mychar2_left", 2000, 100, 20, true, 85},
    {"mychar3_left", 2000, 100, 20, true, 85},
    {"mychar4_left", 2000, 100, 20, true, 85},
    {"mychar5_left", 2000, 100, 20, true, 85},
    {"mychar1_attack", 210, 42, 5, true, 0},
    {"enemy_out", 1000, 100, 10, true, 0},
    {"enemy1_right", 1000, 100, 10, true, 85},
    {"enemy1_left", 1000, 100, 10, true, 85},
    {"enemy2_right", 1000, 100, 10, true, 85},
    {"enemy2_left", 1000, 100, 10, true, 85},
    {"enemy2_attack_right", 128, 50, 2, true, 0},
    {"enemy2_attack_left", 128, 50, 2, true, 0},
    {"char1", 400, 100, 4, true, 0},
    {"comment", 1800, 200, 5, true, 0},
    {"black", 640, 480, 1, false, 0},
    {"back_char_con1", 640, 480, 1, true, 0},
    {"back_char_con2", 640, 480, 1, true, 0},
    {"Message1", 640, 480, 1, false, 0},
    {"HP_M1", 306, 58, 1, true, 0},
    {"HP1", 30, 24, 1, true, 0},
    {"stage_count_base", 342, 42, 1, true, 0},
    {"stage_count", 400, 40, 10, true, 0},
};

struct ExpectedSound {
  const char* name;
  bool midi;  // Standard MIDI File (music); otherwise a RIFF WAVE effect
  bool loop;  // looped by the game: must end on a bar line
};

const ExpectedSound kSounds[] = {
    {"logo", true, false},       {"gorumo", true, true},     {"CharSelect", true, true},
    {"Ring", true, true},        {"bossbattle", true, true}, {"StageClear", true, false},
    {"RoundClear", true, true},  {"GameOver", true, true},   {"SE01", false, false},
    {"SE03", false, false},      {"SE04", false, false},     {"SE05", false, false},
    {"SE08", false, false},      {"SE09", false, false},     {"SE10", false, false},
    {"SE11", false, false},      {"SE12", false, false},     {"SE14", false, false},
    {"SE16", false, false},      {"SE18", false, false},     {"SE20", false, false},
    {"SE21", false, false},      {"SE22", false, false},     {"SE23", false, false},
    {"SE24", false, false},      {"SE25", false, false},     {"SE28", false, false},
    {"SE29", false, false},      {"SE30", false, false},     {"SE31", false, false},
    {"SE32", false, false},      {"SE35", false, false},
};

// ---------------------------------------------------------------------------

std::string AssetPath(const char* name) { return std::string(POTE_ASSET_DIR) + "/" + name + ".tov"; }

bool ReadAsset(const char* name, std::vector<uint8_t>* bytes) {
  std::ifstream in(AssetPath(name), std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

const char* kHowToBuild = " (the build's 'assets' target writes the set)";

bool Decode(const ExpectedPicture& p, DecodedImage* img) {
  std::vector<uint8_t> bytes;
  if (!ReadAsset(p.name, &bytes)) {
    ADD_FAILURE() << p.name << ".tov is missing" << kHowToBuild;
    return false;
  }
  std::string why;
  if (!DecodeImage(bytes.data(), bytes.size(), *img, &why)) {
    ADD_FAILURE() << p.name << ".tov does not decode: " << why;
    return false;
  }
  return true;
}

uint32_t Alpha(uint32_t argb) { return argb >> 24; }

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Opaque bounding box of one frame after the keyed loader's 1-bit alpha.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool Empty() const { return right < 0; }
};
Box OpaqueBox(const DecodedImage& img, int x0, int w) {
  Box b;
  for (int y = 0; y < img.height; ++y)
    for (int x = x0; x < x0 + w; ++x)
      if (Alpha(img.argb[size_t(y) * img.width + x]) >= 128) {
        b.left = std::min(b.left, x - x0);
        b.right = std::max(b.right, x - x0);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

}  // namespace

TEST(DefaultAssets, NoExpectedFileIsMissing) {
  for (const ExpectedPicture& p : kPictures) {
    std::ifstream in(AssetPath(p.name), std::ios::binary);
    EXPECT_TRUE(bool(in)) << AssetPath(p.name) << " is missing" << kHowToBuild;
  }
  for (const ExpectedSound& s : kSounds) {
    std::ifstream in(AssetPath(s.name), std::ios::binary);
    EXPECT_TRUE(bool(in)) << AssetPath(s.name) << " is missing" << kHowToBuild;
  }
}

TEST(DefaultAssets, PicturesHaveTheTableSizeAndStripLayout) {
  for (const ExpectedPicture& p : kPictures) {
    SCOPED_TRACE(p.name);
    DecodedImage img;
    if (!Decode(p, &img)) continue;
    EXPECT_EQ(img.width, p.width);
    EXPECT_EQ(img.height, p.height);
    ASSERT_EQ(img.argb.size(), size_t(img.width) * size_t(img.height));
    ASSERT_EQ(p.width % p.frames, 0);
    if (img.width != p.width || img.height != p.height) continue;
    int fw = p.width / p.frames;
    // Every frame of a strip shows something.
    for (int f = 0; f < p.frames; ++f)
      EXPECT_FALSE(OpaqueBox(img, f * fw, fw).Empty()) << "frame " << f << " is empty";
    size_t opaque = 0, clear = 0;
    for (uint32_t px : img.argb) {
      if (Alpha(px) == 255) ++opaque;
      if (Alpha(px) == 0) ++clear;
    }
    if (p.keyed) {
      // Transparent parts are alpha 0, not merely faint. (The block is a solid tile.)
      if (std::strcmp(p.name, "block1") != 0) {
        EXPECT_GT(clear, 0u);
      }
    } else {
      EXPECT_EQ(opaque, img.argb.size()) << "a plain full-screen picture is fully opaque";
    }
  }
}

TEST(DefaultAssets, UsesPngJpegAndBmp) {
  int png = 0, jpeg = 0, bmp = 0;
  for (const ExpectedPicture& p : kPictures) {
    std::vector<uint8_t> b;
    if (!ReadAsset(p.name, &b) || b.size() < 8) continue;
    if (std::memcmp(b.data(), "\x89PNG", 4) == 0) ++png;
    if (b[0] == 0xFF && b[1] == 0xD8) ++jpeg;
    if (b[0] == 'B' && b[1] == 'M') ++bmp;
  }
  EXPECT_GT(png, 0);
  EXPECT_GT(jpeg, 0);
  EXPECT_GT(bmp, 0);
}

TEST(DefaultAssets, KeyedPicturesKeepTheirShapeThroughTheKeyedLoader) {
  for (const ExpectedPicture& p : kPictures) {
    if (!p.keyed) continue;
    SCOPED_TRACE(p.name);
    DecodedImage img;
    if (!Decode(p, &img)) continue;
    DecodedImage keyed = img;
    ConvertToA1R5G5B5Keyed(keyed, 0x0000FF00u);
    ASSERT_EQ(keyed.argb.size(), img.argb.size());
    for (size_t i = 0; i < img.argb.size(); ++i) {
      bool visible = Alpha(img.argb[i]) >= 128;
      ASSERT_EQ(visible, Alpha(keyed.argb[i]) == 255) << "pixel " << i;
    }
  }
}

TEST(DefaultAssets, SpritesStandOnTheirFeetLineCentred) {
  for (const ExpectedPicture& p : kPictures) {
    if (!p.feetLine) continue;
    SCOPED_TRACE(p.name);
    DecodedImage img;
    if (!Decode(p, &img) || img.width != p.width || img.height != p.height) continue;
    int fw = p.width / p.frames;
    // Frame 0 stands (players) or walks on the ground (enemies).
    Box b = OpaqueBox(img, 0, fw);
    ASSERT_FALSE(b.Empty());
    EXPECT_GE(b.bottom, p.feetLine - 3);
    EXPECT_LE(b.bottom, p.feetLine);
    double centre = (b.left + b.right) / 2.0;
    EXPECT_NEAR(centre, fw / 2.0, 12.0);
    EXPECT_GE(b.top, 0);
    // Walking frames (players 1-6, enemies 0-5) keep a foot on the ground,
    // and the legs really move: the cycle's frames are not all alike.
    bool player = p.frames == 20;
    int first = player ? 1 : 0, last = player ? 6 : 5;
    std::vector<std::vector<uint32_t>> walk;
    for (int f = first; f <= last; ++f) {
      Box w = OpaqueBox(img, f * fw, fw);
      ASSERT_FALSE(w.Empty());
      EXPECT_GE(w.bottom, p.feetLine - 3) << "walking frame " << f;
      EXPECT_LE(w.bottom, p.feetLine) << "walking frame " << f;
      std::vector<uint32_t> legs;  // the lowest 25 rows of the frame
      for (int y = p.feetLine - 25; y < p.feetLine; ++y)
        for (int x = f * fw; x < (f + 1) * fw; ++x)
          legs.push_back(Alpha(img.argb[size_t(y) * img.width + x]) >= 128);
      walk.push_back(legs);
    }
    // Half a cycle apart, the legs are in different places.
    EXPECT_NE(walk[0], walk[3]);
    EXPECT_NE(walk[1], walk[4]);
  }
}

TEST(DefaultAssets, LeftSheetsMirrorTheRightSheets) {
  const char* pairs[][2] = {{"mychar1_right", "mychar1_left"}, {"mychar2_right", "mychar2_left"},
                            {"mychar3_right", "mychar3_left"}, {"mychar4_right", "mychar4_left"},
                            {"mychar5_right", "mychar5_left"}, {"enemy1_right", "enemy1_left"},
                            {"enemy2_right", "enemy2_left"},
                            {"enemy2_attack_right", "enemy2_attack_left"}};
  for (const auto& pr : pairs) {
    SCOPED_TRACE(pr[1]);
    const ExpectedPicture* r = nullptr;
    for (const ExpectedPicture& p : kPictures)
      if (std::strcmp(p.name, pr[0]) == 0) r = &p;
    ASSERT_NE(r, nullptr);
    ExpectedPicture l = *r;
    l.name = pr[1];
    DecodedImage ri, li;
    if (!Decode(*r, &ri) || !Decode(l, &li)) continue;
    ASSERT_EQ(ri.width, li.width);
    ASSERT_EQ(ri.height, li.height);
    int fw = ri.width / r->frames;
    size_t differ = 0;
    for (int y = 0; y < ri.height; ++y)
      for (int x = 0; x < ri.width; ++x) {
        int f = x / fw, mx = f * fw + (fw - 1 - x % fw);
        uint32_t a = ri.argb[size_t(y) * ri.width + x], b = li.argb[size_t(y) * li.width + mx];
        if ((Alpha(a) >= 128) != (Alpha(b) >= 128)) ++differ;
      }
    EXPECT_EQ(differ, 0u);
  }
}

TEST(DefaultAssets, AlternatePicturesDiffer) {
  const char* pairs[][2] = {{"logo1", "logo2"},
                            {"back_start1", "back_start2"},
                            {"back_char_con1", "back_char_con2"}};
  for (const auto& pr : pairs) {
    SCOPED_TRACE(pr[0]);
    ExpectedPicture a{pr[0], 640, 480, 1, false, 0}, b{pr[1], 640, 480, 1, false, 0};
    DecodedImage ai, bi;
    if (!Decode(a, &ai) || !Decode(b, &bi)) continue;
    EXPECT_NE(ai.argb, bi.argb);
  }
}

TEST(DefaultAssets, SoundsAreMidiOrRiffWave) {
  for (const ExpectedSound& s : kSounds) {
    SCOPED_TRACE(s.name);
    std::vector<uint8_t> b;
    if (!ReadAsset(s.name, &b)) {
      ADD_FAILURE() << s.name << ".tov is missing" << kHowToBuild;
      continue;
    }
    if (s.midi) {
      ASSERT_GE(b.size(), 14u);
      ASSERT_EQ(std::memcmp(b.data(), "MThd", 4), 0) << "not a Standard MIDI File";
      EXPECT_EQ(Be32(&b[4]), 6u);
      int format = b[8] << 8 | b[9], tracks = b[10] << 8 | b[11], division = b[12] << 8 | b[13];
      EXPECT_LE(format, 1);
      EXPECT_GE(tracks, 1);
      ASSERT_GT(division, 0);
      ASSERT_LT(division, 0x8000);
      // Walk the tracks: each is well formed and ends with End of Track; a
      // looping piece ends on a bar line (4/4) in every track.
      size_t pos = 14;
      for (int t = 0; t < tracks; ++t) {
        ASSERT_LE(pos + 8, b.size());
        ASSERT_EQ(std::memcmp(&b[pos], "MTrk", 4), 0);
        size_t end = pos + 8 + Be32(&b[pos + 4]);
        ASSERT_LE(end, b.size());
        size_t i = pos + 8;
        uint64_t tick = 0;
        uint8_t running = 0;
        bool eot = false;
        while (i < end && !eot) {
          uint32_t delta = 0;
          do {
            ASSERT_LT(i, end);
            delta = (delta << 7) | (b[i] & 0x7F);
          } while (b[i++] & 0x80);
          tick += delta;
          ASSERT_LT(i, end);
          uint8_t st = b[i];
          if (st == 0xFF) {
            ASSERT_LT(i + 2, end);
            uint8_t type = b[i + 1];
            uint32_t len = 0;
            i += 2;
            do {
              ASSERT_LT(i, end);
              len = (len << 7) | (b[i] & 0x7F);
            } while (b[i++] & 0x80);
            i += len;
            if (type == 0x2F) eot = true;
          } else if (st == 0xF0 || st == 0xF7) {
            ADD_FAILURE() << "unexpected SysEx";
            break;
          } else {
            if (st & 0x80) {
              running = st;
              ++i;
            }
            ASSERT_NE(running, 0) << "data byte without status";
            int n = ((running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0) ? 1 : 2;
            i += n;
          }
        }
        EXPECT_TRUE(eot) << "track " << t << " has no End of Track";
        EXPECT_EQ(i, end) << "track " << t << " has bytes after End of Track";
        if (s.loop) {
          EXPECT_EQ(tick % uint64_t(4 * division), 0u) << "track " << t << " ends off a bar line";
        }
        pos = end;
      }
    } else {
      ASSERT_GE(b.size(), 44u);
      ASSERT_EQ(std::memcmp(b.data(), "RIFF", 4), 0) << "not a RIFF WAVE";
      ASSERT_EQ(std::memcmp(&b[8], "WAVE", 4), 0);
      EXPECT_EQ(Le32(&b[4]) + 8, b.size());
      ASSERT_EQ(std::memcmp(&b[12], "fmt ", 4), 0);
      EXPECT_EQ(Le16(&b[20]), 1) << "PCM";
      int channels = Le16(&b[22]);
      uint32_t rate = Le32(&b[24]);
      int bits = Le16(&b[34]);
      EXPECT_TRUE(channels == 1 || channels == 2);
      EXPECT_TRUE(rate == 22050 || rate == 44100);
      EXPECT_EQ(bits, 16);
      ASSERT_EQ(std::memcmp(&b[36], "data", 4), 0);
      uint32_t dataBytes = Le32(&b[40]);
      EXPECT_EQ(44u + dataBytes, b.size());
      double seconds = double(dataBytes) / (rate * channels * 2);
      EXPECT_GT(seconds, 0.03);
      EXPECT_LT(seconds, 1.5);
    }
  }
}
