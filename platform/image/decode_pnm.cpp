// Netpbm grey and colour maps: P2/P3 (ASCII) and P5/P6 (binary), with
// comments in the header and any maxval up to 65535. Bitmaps (P1/P4) and PAM
// (P7) are recognised only to say that they are not read.

#include "platform/image/image_formats.h"

namespace imagecodec {
namespace {

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

struct Cursor {
  const uint8_t* d;
  size_t n;
  size_t pos;

  // Skips whitespace and, in the header, comments running to the end of a line.
  void SkipSpace(bool comments) {
    while (pos < n) {
      if (IsSpace(d[pos])) {
        ++pos;
      } else if (comments && d[pos] == '#') {
        while (pos < n && d[pos] != '\n' && d[pos] != '\r') ++pos;
      } else {
        break;
      }
    }
  }

  // A decimal number no larger than limit, followed by whitespace, a comment
  // or the end of the data.
  bool Number(uint32_t limit, uint32_t& value, bool comments) {
    SkipSpace(comments);
    if (pos >= n || !IsDigit(d[pos])) return false;
    uint64_t v = 0;
    while (pos < n && IsDigit(d[pos])) {
      v = v * 10 + (d[pos++] - '0');
      if (v > limit) return false;
    }
    if (pos < n && !IsSpace(d[pos]) && !(comments && d[pos] == '#')) return false;
    value = uint32_t(v);
    return true;
  }
};

}  // namespace

bool IsPnm(const uint8_t* d, size_t n) {
  return n >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '7' && (IsSpace(d[2]) || d[2] == '#');
}

bool DecodePnm(const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  if (d[1] == '1' || d[1] == '4') return Fail(why, "PBM pictures are not read");
  if (d[1] == '7') return Fail(why, "PAM pictures are not read");
  const bool ascii = d[1] == '2' || d[1] == '3';
  const size_t channels = (d[1] == '3' || d[1] == '6') ? 3 : 1;
  Cursor c{d, n, 2};
  uint32_t width = 0, height = 0, maxval = 0;
  // The limits here only keep the arithmetic small; StartImage does the real check.
  if (!c.Number(1u << 30, width, true) || !c.Number(1u << 30, height, true) ||
      !c.Number(65535, maxval, true)) {
    return Fail(why, "bad PNM header");
  }
  if (maxval == 0) return Fail(why, "PNM maxval of zero");
  const uint64_t samples = uint64_t(width) * height * channels;

  if (ascii) {
    // Each sample takes at least one digit and all but the last a separator.
    if (samples == 0 || samples * 2 - 1 > n - c.pos) return Fail(why, "truncated PNM data");
  } else {
    // Exactly one whitespace byte separates the header from the samples.
    if (c.pos >= n || !IsSpace(d[c.pos])) return Fail(why, "bad PNM header");
    ++c.pos;
    const uint64_t bytes = samples * (maxval > 255 ? 2 : 1);
    if (bytes > n - c.pos) return Fail(why, "truncated PNM data");
  }
  if (!StartImage(width, height, out, why)) return false;

  auto scale = [maxval](uint32_t v) { return (v * 255 + maxval / 2) / maxval; };
  uint32_t rgb[3] = {0, 0, 0};
  for (size_t i = 0; i < out.argb.size(); ++i) {
    for (size_t k = 0; k < channels; ++k) {
      uint32_t v;
      if (ascii) {
        if (!c.Number(maxval, v, false)) return Fail(why, "bad or missing PNM sample");
      } else if (maxval > 255) {
        v = (uint32_t(d[c.pos]) << 8) | d[c.pos + 1];
        c.pos += 2;
      } else {
        v = d[c.pos++];
      }
      if (v > maxval) return Fail(why, "PNM sample above maxval");
      rgb[k] = scale(v);
    }
    out.argb[i] = channels == 3 ? Argb(255, rgb[0], rgb[1], rgb[2]) : Argb(255, rgb[0], rgb[0], rgb[0]);
  }
  return true;
}

}  // namespace imagecodec
