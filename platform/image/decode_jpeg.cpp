// JPEG through libjpeg. The default error handler exits the process, so ours
// jumps back instead; warnings (premature end of data, corrupt entropy data)
// jump too, because libjpeg would otherwise hand us grey filler for a broken
// file and call it a success.

#include "platform/image/image_formats.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

namespace imagecodec {
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

struct JpegProgress {
  jpeg_progress_mgr mgr;
  j_decompress_ptr cinfo;
};

// Progressive files may hold any number of scans; each one costs a pass over
// the whole coefficient buffer, so a small file could keep us busy for minutes.
constexpr int kMaxScans = 256;
// Progressive decoding buffers every coefficient; this bounds that buffer.
constexpr long kMaxJpegMemory = 512L << 20;

void OnJpegError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0) longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void OnJpegOutput(j_common_ptr) {}

void OnJpegProgress(j_common_ptr cinfo) {
  auto* progress = reinterpret_cast<JpegProgress*>(cinfo->progress);
  if (progress->cinfo->input_scan_number > kMaxScans) OnJpegError(cinfo);
}

struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegError err;
  JpegProgress progress;
  std::vector<uint8_t> row;
  const char* reason = "corrupt JPEG";
};

bool RunJpeg(JpegJob& job, const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  jpeg_decompress_struct& cinfo = job.cinfo;
  if (setjmp(job.err.jump)) return false;

  jpeg_mem_src(&cinfo, d, static_cast<unsigned long>(n));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components == 1) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (cinfo.num_components == 3 &&
             (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)) {
    cinfo.out_color_space = JCS_RGB;
  } else {
    job.reason = "unsupported JPEG colour space";
    return false;
  }
  if (!SizeAllowed(cinfo.image_width, cinfo.image_height, why)) {
    job.reason = nullptr;
    return false;
  }
  jpeg_start_decompress(&cinfo);
  const size_t w = cinfo.output_width;
  const int comps = cinfo.output_components;
  if (w != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      (comps != 1 && comps != 3)) {
    job.reason = "unexpected JPEG output";
    return false;
  }
  out.width = int(w);
  out.height = int(cinfo.output_height);
  job.row.resize(w * size_t(comps));
  // The output grows row by row: a header can claim a huge picture for free,
  // and a broken file then fails long before that much memory is touched.
  while (cinfo.output_scanline < cinfo.output_height) {
    out.argb.resize(out.argb.size() + w);
    uint32_t* dst = out.argb.data() + size_t(cinfo.output_scanline) * w;
    JSAMPROW rows[1] = {job.row.data()};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) {
      job.reason = "truncated JPEG";
      return false;
    }
    const uint8_t* s = job.row.data();
    for (size_t x = 0; x < w; ++x) {
      if (comps == 1) {
        dst[x] = Argb(255, s[x], s[x], s[x]);
      } else {
        dst[x] = Argb(255, s[3 * x], s[3 * x + 1], s[3 * x + 2]);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

bool IsJpeg(const uint8_t* d, size_t n) {
  return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool DecodeJpeg(const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  JpegJob job;
  std::memset(&job.cinfo, 0, sizeof job.cinfo);
  job.cinfo.err = jpeg_std_error(&job.err.mgr);
  job.err.mgr.error_exit = OnJpegError;
  job.err.mgr.emit_message = OnJpegMessage;
  job.err.mgr.output_message = OnJpegOutput;
  if (setjmp(job.err.jump)) {
    jpeg_destroy_decompress(&job.cinfo);
    return Fail(why, "out of memory");
  }
  jpeg_create_decompress(&job.cinfo);
  job.cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  job.progress.mgr.progress_monitor = OnJpegProgress;
  job.progress.cinfo = &job.cinfo;
  job.cinfo.progress = &job.progress.mgr;

  bool ok = RunJpeg(job, d, n, out, why);
  jpeg_destroy_decompress(&job.cinfo);
  if (!ok) {
    out = DecodedImage();
    return job.reason ? Fail(why, job.reason) : false;
  }
  return true;
}

}  // namespace imagecodec
