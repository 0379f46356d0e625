// Writes the starting corpus for the sound fuzzer: make_sound_seeds
// OUTPUT_DIR ASSET_DIR. The default sounds (every song and WAVE in the asset
// folder), and the kinds they do not show: a song timed in SMPTE frames, a
// four-channel WAVE and a short Ogg Vorbis tone.

#include <dirent.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// A quarter of a second of a 440 Hz tone, mono at 22050 Hz, at the lowest
// quality: the smallest real Vorbis stream.
Bytes VorbisTone() {
  Bytes out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 1, 22050, -0.1f) != 0) return out;
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1);
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  auto append = [&out](const ogg_page& p) {
    out.insert(out.end(), p.header, p.header + p.header_len);
    out.insert(out.end(), p.body, p.body + p.body_len);
  };
  while (ogg_stream_flush(&os, &page)) append(page);
  const int frames = 22050 / 4;
  float** buffer = vorbis_analysis_buffer(&vd, frames);
  for (int i = 0; i < frames; ++i) buffer[0][i] = 0.5f * std::sin(float(i) * 2 * 3.14159265f * 440 / 22050);
  vorbis_analysis_wrote(&vd, frames);
  vorbis_analysis_wrote(&vd, 0);
  while (vorbis_analysis_blockout(&vd, &vb) == 1) {
    vorbis_analysis(&vb, nullptr);
    vorbis_bitrate_addblock(&vb);
    ogg_packet packet;
    while (vorbis_bitrate_flushpacket(&vd, &packet)) {
      ogg_stream_packetin(&os, &packet);
      while (ogg_stream_pageout(&os, &page)) append(page);
    }
  }
  while (ogg_stream_flush(&os, &page)) append(page);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
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
  Bytes ogg = VorbisTone();
  if (ogg.empty() || !WriteFile(out + "/smpte_song", smpte) || !WriteFile(out + "/four_channels", FourChannelWave()) ||
      !WriteFile(out + "/vorbis_tone", ogg)) {
    return 1;
  }
  std::printf("%d seeds in %s\n", written + 3, out.c_str());
  return 0;
}
