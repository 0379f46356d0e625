#include "platform/image/image_decode.h"

#include "platform/image/image_formats.h"

#include <atomic>

namespace imagecodec {

namespace {
std::atomic<void (*)()> g_pause{nullptr};
}  // namespace

void PauseBetweenRows(uint32_t row) {
  if (row % 16 != 15) return;
  if (void (*pause)() = g_pause.load(std::memory_order_relaxed)) pause();
}

bool SizeAllowed(int64_t width, int64_t height, std::string* why) {
  if (width <= 0 || height <= 0) return Fail(why, "zero or negative size");
  if (width > kMaxSide || height > kMaxSide) {
    // Named with the limit it passed: a player with a large picture learns
    // what to change.
    if (why) {
      bool wide = width > kMaxSide;
      *why = std::to_string(wide ? width : height) + (wide ? " texels wide, wider than " : " texels tall, taller than ") +
             std::to_string(kMaxSide);
    }
    return false;
  }
  if (width * height > kMaxPixels) return Fail(why, "too many pixels");
  return true;
}

bool StartImage(int64_t width, int64_t height, DecodedImage& out, std::string* why) {
  if (!SizeAllowed(width, height, why)) return false;
  out.width = int(width);
  out.height = int(height);
  out.argb.assign(size_t(width * height), 0u);
  return true;
}

bool MaskChannel::Init(uint32_t m) {
  mask = m;
  shift = 0;
  bits = 0;
  if (m == 0) return true;
  while (((m >> shift) & 1u) == 0) ++shift;
  uint64_t v = uint64_t(m) >> shift;
  if ((v & (v + 1)) != 0) return false;  // holes in the mask
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return true;
}

}  // namespace imagecodec

void SetDecodePause(void (*pause)()) { imagecodec::g_pause = pause; }

bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& out, std::string* why) {
  using namespace imagecodec;
  DecodedImage img;
  bool ok = false;
  if (data == nullptr || size == 0) {
    ok = Fail(why, "empty file");
  } else if (IsPng(data, size)) {
    ok = DecodePng(data, size, img, why);
  } else if (IsJpeg(data, size)) {
    ok = DecodeJpeg(data, size, img, why);
  } else if (IsBmpFile(data, size)) {
    ok = DecodeBmp(data, size, true, img, why);
  } else if (IsDds(data, size)) {
    ok = DecodeDds(data, size, img, why);
  } else if (IsPnm(data, size)) {
    ok = DecodePnm(data, size, img, why);
  } else if (IsDib(data, size)) {
    ok = DecodeBmp(data, size, false, img, why);
  } else {
    ok = DecodeTga(data, size, img, why);
    if (!ok && why) *why = "unknown image format (" + *why + ")";
  }
  if (ok && (img.width <= 0 || img.height <= 0 ||
             img.argb.size() != size_t(img.width) * size_t(img.height))) {
    ok = Fail(why, "internal size mismatch");
  }
  if (ok) {
    out = std::move(img);
  } else {
    out = DecodedImage();
  }
  return ok;
}

void ConvertToA1R5G5B5Keyed(DecodedImage& img, uint32_t colorKey) {
  for (uint32_t& p : img.argb) {
    if (p == colorKey) {
      p = 0;
      continue;
    }
    uint32_t a = (p >> 24) >= 128 ? 255u : 0u;
    auto five = [](uint32_t c) {
      uint32_t c5 = (c & 0xFFu) >> 3;
      return (c5 << 3) | (c5 >> 2);
    };
    p = imagecodec::Argb(a, five(p >> 16), five(p >> 8), five(p));
  }
}
