// Writes the starting corpus for the sound fuzzer: make_sound_seeds
// OUTPUT_DIR ASSET_DIR. The default sounds (every song and WAVE in the asset
// folder), and the kinds they do not show: a song timed in SMPTE frames, a
// four-channel WAVE (also as streamed, its sizes unknown), a short Ogg
// Vorbis tone, and 5.1 Vorbis and Opus.

#include <dirent.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/ogg_samples.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  Bytes b;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return b;
  uint8_t buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  return b;
}

bool WriteFile(const std::string& path, const Bytes& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size();
  if (f) std::fclose(f);
  if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return ok;
}

void Le(Bytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// 0.05 s of four channels at 8 kHz, each a different tone.
Bytes FourChannelWave() {
  const uint32_t rate = 8000, frames = 400, channels = 4;
  Bytes b = {'R', 'I', 'F', 'F'};
  Le(b, 36 + frames * channels * 2, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Le(b, 16, 4);
  Le(b, 1, 2);
  Le(b, channels, 2);
  Le(b, rate, 4);
  Le(b, rate * channels * 2, 4);
  Le(b, channels * 2, 2);
  Le(b, 16, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Le(b, frames * channels * 2, 4);
  for (uint32_t i = 0; i < frames; ++i)
    for (uint32_t c = 0; c < channels; ++c) Le(b, uint32_t(int(8000 * std::sin(i * 0.05 * (c + 1)))), 2);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR ASSET_DIR\n", argv[0]);
    return 2;
  }
  const std::string out = argv[1], assets = argv[2];
  int written = 0;
  Bytes smpte;
  DIR* dir = opendir(assets.c_str());
  if (!dir) {
    std::fprintf(stderr, "cannot read %s\n", assets.c_str());
    return 1;
  }
  while (dirent* e = readdir(dir)) {
    Bytes b = ReadFile(assets + "/" + e->d_name);
    bool song = b.size() >= 14 && std::memcmp(b.data(), "MThd", 4) == 0;
    bool wave = b.size() >= 12 && std::memcmp(b.data(), "RIFF", 4) == 0;
    if (!song && !wave) continue;  // the pictures
    if (!WriteFile(out + "/" + e->d_name, b)) return 1;
    ++written;
    if (song && (smpte.empty() || b.size() < smpte.size())) smpte = b;
  }
  closedir(dir);
  if (smpte.empty()) {
    std::fprintf(stderr, "no song in %s\n", assets.c_str());
    return 1;
  }
  smpte[12] = 0xE7;  // 25 frames a second, 40 ticks a frame
  smpte[13] = 40;
  // A quarter of a second of 440 Hz at 22050 Hz: the smallest real Vorbis stream.
  Bytes ogg = oggsamples::Vorbis(0.25, 22050, 440);
  // A tenth of a second of six tones, decoded by the layer itself.
  const std::vector<double> tones = {300, 500, 700, 900, 1100, 60};
  Bytes vorbis51 = oggsamples::VorbisOf(0.1, 8000, tones, 0.3f, -0.1f), opus51 = oggsamples::OpusOf(0.1, tones, 0.3f);
  // The same WAVE as written to a pipe: its sizes left as placeholders.
  Bytes streamed = FourChannelWave();
  for (size_t at : {4, 40}) std::memset(&streamed[at], 0xFF, 4);
  if (ogg.empty() || vorbis51.empty() || opus51.empty() || !WriteFile(out + "/smpte_song", smpte) ||
      !WriteFile(out + "/four_channels", FourChannelWave()) || !WriteFile(out + "/streamed_wave", streamed) ||
      !WriteFile(out + "/vorbis_tone", ogg) || !WriteFile(out + "/vorbis_5_1", vorbis51) ||
      !WriteFile(out + "/opus_5_1", opus51)) {
    return 1;
  }
  std::printf("%d seeds in %s\n", written + 6, out.c_str());
  return 0;
}
