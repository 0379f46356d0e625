// ogg_tone OUT RATE [CHANNELS]: a 300-ms tone of 1 kHz in every channel as
// Ogg Vorbis at the encoder's top quality (a 5.1 file's LFE, its last
// channel, silent), for the scripts that put users' files in the game's way.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/ogg_samples.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const int channels = argc > 3 ? std::atoi(argv[3]) : 1;
  if (channels < 1 || channels > 8) return 2;
  std::vector<double> tones(channels, 1000);
  if (channels == 6) tones.back() = 0;
  const oggsamples::Bytes ogg = oggsamples::VorbisOf(0.3, std::atoi(argv[2]), tones, 10000 / 32768.0f, 1.0f);
  FILE* f = std::fopen(argv[1], "wb");
  return f && !ogg.empty() && std::fwrite(ogg.data(), 1, ogg.size(), f) == ogg.size() && std::fclose(f) == 0 ? 0 : 1;
}
