// Writes the test samples of every image format as a starting corpus for
// the fuzzer: make_image_seeds OUTPUT_DIR

#include "fuzz/image_samples.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  int written = 0;
  std::vector<imagesamples::Sample> seeds = imagesamples::AllSamples();
  // A run under a memory limit fails on its first input if a claimed chunk
  // or picture size is allocated before it is checked.
  seeds.push_back({"png_chunk_bomb", imagesamples::PngChunkBomb(), {}});
  for (const imagesamples::Sample& bomb : imagesamples::JpegClaimBombs()) seeds.push_back(bomb);
  for (const imagesamples::Sample& s : seeds) {
    std::string path = std::string(argv[1]) + "/" + s.name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(s.data.data(), 1, s.data.size(), f) != s.data.size()) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      if (f) std::fclose(f);
      return 1;
    }
    std::fclose(f);
    ++written;
  }
  std::printf("%d seeds in %s\n", written, argv[1]);
  return 0;
}
