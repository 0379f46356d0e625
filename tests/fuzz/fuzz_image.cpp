// libFuzzer entry for the image decoders: whatever the bytes, decoding must
// either fail cleanly or produce a picture that matches its own size.

#include "platform/image/image_decode.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedImage img;
  std::string why;
  if (!DecodeImage(data, size, img, &why)) {
    if (why.empty() || !img.argb.empty()) __builtin_trap();
    return 0;
  }
  if (img.width <= 0 || img.height <= 0 || img.width > 16384 || img.height > 16384 ||
      img.argb.size() != size_t(img.width) * size_t(img.height)) {
    __builtin_trap();
  }
  ConvertToA1R5G5B5Keyed(img, 0x0000FF00);
  return 0;
}
