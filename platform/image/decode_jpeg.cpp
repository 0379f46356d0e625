// JPEG through libjpeg. The default error handler exits the process, so ours
// jumps back instead. Warnings that mean lost pixels (entropy data cut short
// or corrupt) jump too, because libjpeg would otherwise hand us grey filler
// for a broken file and call it a success. The other warnings (padding before
// a marker, an unknown JFIF version, ...) leave the picture whole and are
// accepted, as every other viewer accepts them.

#include "platform/image/image_formats.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>
#include <jerror.h>  // the warning codes

#include <csetjmp>
#include <cstring>

namespace imagecodec {
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  // The data ended before the end-of-image marker. Harmless when only the
  // marker is missing; whether anything else is is decided at the end.
  bool ranOut = false;
};

// Progressive files may hold any number of scans; each one costs a pass over
// the whole coefficient buffer, so a small file could keep us busy for minutes.
constexpr int kMaxScans = 256;
// Progressive decoding buffers every coefficient; this bounds that buffer.
constexpr long kMaxJpegMemory = 512L << 20;

void OnJpegError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

bool WarningLosesData(int code) {
  switch (code) {
    case JWRN_HIT_MARKER:          // entropy data ended early: the rest is made up
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:         // a restart marker went missing with its data
    case JWRN_BOGUS_PROGRESSION:   // refinement bits for coefficients never sent
      return true;
    default:
      return false;
  }
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  if (err->mgr.msg_code == JWRN_JPEG_EOF) {
    err->ranOut = true;
  } else if (WarningLosesData(err->mgr.msg_code)) {
    longjmp(err->jump, 1);
  }
}

// Called when the data ran out before the end-of-image marker: true when every
// coefficient had already arrived, so that only the marker itself is missing.
// A cut inside a scan's entropy data has been caught by WarningLosesData; what
// is left is a file cut between two scans.
bool NothingMissing(const jpeg_decompress_struct& cinfo, bool singleScan) {
  // Arithmetic decoding pads a cut scan with zeros without a word, so such a
  // file cannot tell us whether it is whole.
  if (cinfo.arith_code) return false;
  if (cinfo.progressive_mode) {
    // Every coefficient of every component refined down to its last bit.
    for (int c = 0; c < cinfo.num_components; ++c) {
      for (int k = 0; k < DCTSIZE2; ++k) {
        if (cinfo.coef_bits[c][k] != 0) return false;
      }
    }
    return true;
  }
  // A sequential file whose first scan holds every component has no other.
  return singleScan;
}

// CMYK samples as Adobe's tools and libjpeg-based writers store them:
// inverted, so 255 means no ink. Light is what neither ink nor black absorbs.
inline uint32_t InkToLight(uint32_t ink, uint32_t black) { return (ink * black + 127) / 255; }

void OnJpegOutput(j_common_ptr) {}

struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegError err;
  std::vector<uint8_t> row;
  const char* reason = "corrupt JPEG";
};

bool RunJpeg(JpegJob& job, const uint8_t* d, size_t n, DecodedImage& out, std::string* why) {
  jpeg_decompress_struct& cinfo = job.cinfo;
  if (setjmp(job.err.jump)) {
    if (job.err.ranOut) job.reason = "truncated JPEG";
    return false;
  }

  jpeg_mem_src(&cinfo, d, static_cast<unsigned long>(n));
  jpeg_read_header(&cinfo, TRUE);
  const bool singleScan = !cinfo.progressive_mode && cinfo.comps_in_scan == cinfo.num_components;
  if (cinfo.num_components == 1) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (cinfo.num_components == 3 &&
             (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)) {
    cinfo.out_color_space = JCS_RGB;
  } else if (cinfo.num_components == 4 &&
             (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)) {
    // libjpeg turns YCCK into CMYK but goes no further; the rest is ours.
    cinfo.out_color_space = JCS_CMYK;
  } else {
    job.reason = "unsupported JPEG colour space";
    return false;
  }
  if (!SizeAllowed(cinfo.image_width, cinfo.image_height, why)) {
    job.reason = nullptr;
    return false;
  }
  // A file of several scans makes libjpeg allocate a buffer for every
  // coefficient of the picture, which the scans then fill. The header's claim
  // must be believable before that. Huffman coding spends at least one bit on
  // every block of every component (its DC difference), so a file with fewer
  // bits than blocks cannot hold the picture it claims. Arithmetic coding
  // gives no such bound, and its decoder pads data that has run out with
  // zeros: a 300-byte file filled a buffer of 100 MB. Such files are refused
  // unless they are of one scan, which needs no buffer.
  if (!cinfo.arith_code) {
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
      const jpeg_component_info& comp = cinfo.comp_info[c];
      blocks += uint64_t(comp.width_in_blocks) * comp.height_in_blocks;
    }
    if (blocks > uint64_t(n) * 8) {
      job.reason = "JPEG too small for its dimensions";
      return false;
    }
  } else if (!singleScan) {
    job.reason = "arithmetic-coded JPEG in several scans";
    return false;
  }
  // libjpeg would read every scan of such a file inside jpeg_start_decompress,
  // with nowhere to pause: a large progressive picture held a message box up
  // for most of a second. In buffered-image mode the scans are taken in here
  // instead, an iMCU row at a time, before the one output pass.
  const bool multiScan = !singleScan;
  cinfo.buffered_image = multiScan ? TRUE : FALSE;
  jpeg_start_decompress(&cinfo);
  if (multiScan) {
    uint32_t steps = 0;
    int status;
    do {
      status = jpeg_consume_input(&cinfo);
      if (cinfo.input_scan_number > kMaxScans) {
        job.reason = "JPEG of more than 256 scans";
        return false;
      }
      PauseBetweenRows(steps++);
    } while (status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
    // Memory input never suspends; it ends in a made-up end marker instead.
    // Whether a file that ran out still holds every coefficient is known now,
    // before any row is made from it.
    if (status == JPEG_SUSPENDED || (job.err.ranOut && !NothingMissing(cinfo, false))) {
      job.reason = "truncated JPEG";
      return false;
    }
    jpeg_start_output(&cinfo, cinfo.input_scan_number);
  }
  const size_t w = cinfo.output_width;
  const int comps = cinfo.output_components;
  if (w != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
      (comps != 1 && comps != 3 && comps != 4)) {
    job.reason = "unexpected JPEG output";
    return false;
  }
  out.width = int(w);
  out.height = int(cinfo.output_height);
  job.row.resize(w * size_t(comps));
  // The output grows row by row: a header can claim a huge picture for free,
  // and a broken file then fails long before that much memory is touched.
  // Reserving it whole touches nothing yet, and spares the copies of a
  // doubling vector (17 ms without a pause for the largest picture).
  out.argb.reserve(w * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    out.argb.resize(out.argb.size() + w);
    uint32_t* dst = out.argb.data() + size_t(cinfo.output_scanline) * w;
    JSAMPROW rows[1] = {job.row.data()};
    // Arithmetic decoding makes up rows from zeros once the data has run out,
    // and such a file is refused in the end (NothingMissing): stop now rather
    // than fill the rest of a large picture.
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1 || (job.err.ranOut && cinfo.arith_code)) {
      job.reason = "truncated JPEG";
      return false;
    }
    const uint8_t* s = job.row.data();
    for (size_t x = 0; x < w; ++x) {
      if (comps == 1) {
        dst[x] = Argb(255, s[x], s[x], s[x]);
      } else if (comps == 3) {
        dst[x] = Argb(255, s[3 * x], s[3 * x + 1], s[3 * x + 2]);
      } else {
        const uint8_t* p = s + 4 * x;
        dst[x] = Argb(255, InkToLight(p[0], p[3]), InkToLight(p[1], p[3]), InkToLight(p[2], p[3]));
      }
    }
    PauseBetweenRows(cinfo.output_scanline);
  }
  // Every pixel has been decoded. What jpeg_finish_decompress still reads of a
  // file of one scan is the end marker, so the check belongs here, while the
  // coefficient state it looks at still exists.
  if (job.err.ranOut && !NothingMissing(cinfo, singleScan)) {
    job.reason = "truncated JPEG";
    return false;
  }
  if (multiScan) jpeg_finish_output(&cinfo);
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

  bool ok = RunJpeg(job, d, n, out, why);
  jpeg_destroy_decompress(&job.cinfo);
  if (!ok) {
    out = DecodedImage();
    return job.reason ? Fail(why, job.reason) : false;
  }
  return true;
}

}  // namespace imagecodec
