// PNG through libpng. libpng reports errors by longjmp, so everything that
// must survive a jump lives in PngJob, outside the frame that calls setjmp.

#include "platform/image/image_formats.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace imagecodec {
namespace {

struct PngJob {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  DecodedImage* out = nullptr;
  std::string* why = nullptr;
  const char* reason = "corrupt PNG";
  png_structp png = nullptr;
  png_infop info = nullptr;
};

void OnPngError(png_structp png, png_const_charp) {
  // libpng's own message is not kept: reason already says what we were doing.
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep dst, size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (length > job->size - job->pos) {
    job->reason = "truncated PNG";
    png_error(png, "truncated");
  }
  std::memcpy(dst, job->data + job->pos, length);
  job->pos += length;
}

uint32_t Be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Walks the chunks before libpng sees them, so that a chunk running past the
// file's end is refused as a truncation whatever libpng would have done with
// it. The size in the header is checked here too, to name the limit it passes.
bool CheckChunks(const uint8_t* d, size_t n, std::string* why) {
  if (n < 8 + 8 + 13 || std::memcmp(d + 12, "IHDR", 4) != 0 || Be32(d + 8) != 13) {
    return Fail(why, "corrupt PNG");
  }
  if (!SizeAllowed(Be32(d + 16), Be32(d + 20), why)) return false;
  size_t pos = 8;
  while (n - pos >= 8) {
    const uint32_t length = Be32(d + pos);
    if (length > n - pos - 8 || n - pos - 8 - length < 4) return Fail(why, "truncated PNG");
    if (std::memcmp(d + pos + 4, "IEND", 4) == 0) return true;
    pos += 8 + size_t(length) + 4;
  }
  return Fail(why, "truncated PNG");
}

// All libpng calls that may jump happen here; no C++ object with a destructor
// is created between setjmp and the calls that may longjmp back to it.
bool RunPng(PngJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;

  png_set_read_fn(job.png, &job, ReadFromMemory);
  png_set_user_limits(job.png, png_uint_32(kMaxSide), png_uint_32(kMaxSide));
  // Only the chunks that make our pixels are read: IHDR, PLTE, tRNS, IDAT and
  // IEND. Text, XMP, EXIF, ICC profiles and the rest are skipped unread,
  // whatever their size: libpng would allocate a chunk's whole claimed length
  // before reading it, and inflate compressed text, so that a 120-KB zTXt
  // holds 120 MB. Gamma, colour profiles and background colours change
  // nothing here, as no transformation that uses them is asked for.
  png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(job.png, job.info);

  png_uint_32 w = png_get_image_width(job.png, job.info);
  png_uint_32 h = png_get_image_height(job.png, job.info);
  int depth = png_get_bit_depth(job.png, job.info);
  int channels = png_get_channels(job.png, job.info);
  // Deflate never does better than 1032:1, so a file this small cannot hold
  // the pixels it claims; refuse before allocating for them.
  uint64_t rawBytes = (uint64_t(w) * h * uint64_t(depth) * uint64_t(channels)) / 8;
  if (rawBytes / 1032 > job.size) {
    job.reason = "PNG too small for its dimensions";
    return false;
  }

  png_set_expand(job.png);  // palette, grey below 8 bits and tRNS to RGB(A)8
  // 16-bit samples round to the nearest 8-bit value, as other tools do; the
  // top byte alone would be up to one step too dark.
  png_set_scale_16(job.png);
  png_set_gray_to_rgb(job.png);
  png_set_add_alpha(job.png, 0xFF, PNG_FILLER_AFTER);
  int passes = png_set_interlace_handling(job.png);
  png_read_update_info(job.png, job.info);
  if (png_get_rowbytes(job.png, job.info) != size_t(w) * 4) {
    job.reason = "unexpected PNG layout";
    return false;
  }

  if (!StartImage(w, h, *job.out, job.why)) {
    job.reason = nullptr;
    return false;
  }
  // Rows arrive as R,G,B,A bytes straight into the output and are packed to
  // ARGB words in place afterwards.
  uint8_t* base = reinterpret_cast<uint8_t*>(job.out->argb.data());
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(job.png, base + size_t(y) * w * 4, nullptr);
      PauseBetweenRows(y);
    }
  }
  png_read_end(job.png, nullptr);
  return true;
}

}  // namespace

bool IsPng(const uint8_t* d, size_t n) {
  static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return n >= 8 && std::memcmp(d, kSig, 8) == 0;
}

bool DecodePng(const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  if (!CheckChunks(d, n, why)) {
    out = DecodedImage();
    return false;
  }
  PngJob job;
  job.data = d;
  job.size = n;
  job.out = &out;
  job.why = why;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!job.png) return Fail(why, "out of memory");
  job.info = png_create_info_struct(job.png);
  if (!job.info) {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    return Fail(why, "out of memory");
  }
  bool ok = RunPng(job);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  if (!ok) {
    out = DecodedImage();
    return job.reason ? Fail(why, job.reason) : false;
  }
  for (uint32_t& p : out.argb) {
    uint8_t b[4];
    std::memcpy(b, &p, 4);
    p = Argb(b[3], b[0], b[1], b[2]);
  }
  return true;
}

}  // namespace imagecodec
