// Contact sheet: every picture of a folder in one labelled PNG, on a
// checkerboard so that transparent parts show; strips get frame ticks.

#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "assetgen.h"
#include "draw.h"

namespace ag {
namespace {

struct PngSource {
  const std::vector<uint8_t>* bytes;
  size_t pos;
};

cairo_status_t PngRead(void* closure, unsigned char* data, unsigned int length) {
  auto* src = static_cast<PngSource*>(closure);
  if (src->pos + length > src->bytes->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, src->bytes->data() + src->pos, length);
  src->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

cairo_surface_t* DecodeJpeg(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  cairo_surface_t* s = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (s) cairo_surface_destroy(s);
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW rp = row.data();
    jpeg_read_scanlines(&cinfo, &rp, 1);
    uint32_t* dst = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x)
      dst[x] = 0xFF000000u | (row[x * 3] << 16) | (row[x * 3 + 1] << 8) | row[x * 3 + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  cairo_surface_mark_dirty(s);
  return s;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t o) {
  return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (static_cast<uint32_t>(b[o + 3]) << 24);
}

// Uncompressed 24- and 32-bit BMP (what this generator writes).
cairo_surface_t* DecodeBmp(const std::vector<uint8_t>& b) {
  if (b.size() < 54) return nullptr;
  uint32_t off = Le32(b, 10);
  int w = static_cast<int32_t>(Le32(b, 18)), h = static_cast<int32_t>(Le32(b, 22));
  int bpp = b[28] | (b[29] << 8);
  bool topDown = h < 0;
  if (h < 0) h = -h;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || (bpp != 24 && bpp != 32)) return nullptr;
  size_t rowBytes = (static_cast<size_t>(w) * (bpp / 8) + 3) & ~static_cast<size_t>(3);
  if (off + rowBytes * h > b.size()) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = b.data() + off + rowBytes * (topDown ? y : h - 1 - y);
    uint32_t* dst = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = src + x * (bpp / 8);
      dst[x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

cairo_surface_t* Decode(const std::vector<uint8_t>& bytes, const char** kind) {
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG", 4) == 0) {
    *kind = "PNG";
    PngSource src{&bytes, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(PngRead, &src);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(s);
      return nullptr;
    }
    return s;
  }
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
    *kind = "JPEG";
    return DecodeJpeg(bytes);
  }
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    *kind = "BMP";
    return DecodeBmp(bytes);
  }
  return nullptr;
}

struct Item {
  std::string name;
  cairo_surface_t* surface;
  const char* kind;
  int frames;
  double scale;
  double x, y, w, h;  // cell placement
};

// Draws frame `frame` of an n-frame strip into the rectangle (x, y, w, h),
// as the game's quads do.
void Blit(cairo_t* cr, cairo_surface_t* s, int frames, int frame, double x, double y, double w,
          double h, double alpha = 1.0) {
  if (!s) return;
  int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
  double fw = static_cast<double>(sw) / frames;
  cairo_save(cr);
  cairo_rectangle(cr, x, y, w, h);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, w / fw, h / sh);
  cairo_set_source_surface(cr, s, -frame * fw, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

// Three mock screens put together from the files the way the game draws them
// (at the positions the game draws them): play, stage start, the continue menu.
void MockScreens(cairo_t* cr, const std::map<std::string, cairo_surface_t*>& pics, double x0,
                 double y0) {
  auto get = [&](const char* n) -> cairo_surface_t* {
    auto it = pics.find(n);
    return it == pics.end() ? nullptr : it->second;
  };
  // Stage 1's block layout, rows from the highest.
  const char* rows[3] = {"ooooooooovooooooooov", "ooooovooooooooovoooo", "oovooooooooovooooooo"};
  const int upper[3] = {106, 226, 346};
  for (int m = 0; m < 3; ++m) {
    double ox = x0 + m * (640 + 20), oy = y0;
    cairo_save(cr);
    cairo_rectangle(cr, ox, oy, 640, 480);
    cairo_clip(cr);
    cairo_translate(cr, ox, oy);
    SetColor(cr, Hex(0x000000));
    cairo_paint(cr);
    Blit(cr, get("back_stage1"), 1, 0, 0, 0, 1280, 480);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 20; ++c) {
        char k = rows[r][c];
        if (k == '.') continue;
        Blit(cr, get("block1"), 1, 0, 64 * c, upper[r] + (k == 'v' ? 60 : 0), 64, 20);
      }
    if (m == 0 || m == 2) {
      Blit(cr, get("HP_M1"), 1, 0, -1, -1, 306, 58);
      for (int i = 0; i < (m == 0 ? 6 : 0); ++i) Blit(cr, get("HP1"), 1, 0, 60 + 30 * i, 12, 30, 24);
      Blit(cr, get("stage_count_base"), 1, 0, 299, -1, 342, 42);
      const int digits[3] = {1, 0, 4};
      const double dx[3] = {543, 570, 599};
      for (int i = 0; i < 3; ++i) Blit(cr, get("stage_count"), 10, digits[i], dx[i], 0, 40, 40);
    }
    if (m == 0) {
      Blit(cr, get("mychar1_right"), 20, 11, 250, 376, 100, 100);
      Blit(cr, get("mychar1_attack"), 5, 1, 400, 406, 42, 42);
      Blit(cr, get("enemy1_left"), 10, 2, 470, 376, 100, 100);
      Blit(cr, get("enemy2_left"), 10, 6, 330, 261, 100, 100);  // on a row-0 block (top 346)
      Blit(cr, get("enemy2_attack_left"), 2, 0, 280, 417, 64, 50);
      Blit(cr, get("enemy_out"), 10, 0, 90, 376, 100, 100);
      Blit(cr, get("enemy1_right"), 10, 9, 520, 21, 100, 100);
      Blit(cr, get("mychar1_left"), 20, 4, 150, 141, 100, 100);  // on a row-1 block (top 226)
    } else if (m == 1) {
      Blit(cr, get("char1"), 4, 1, 270, 376, 100, 100);
      Blit(cr, get("comment"), 5, 0, 140, 80, 360, 200);
    } else {
      Blit(cr, get("mychar1_right"), 20, 9, 250, 376, 100, 100);
      Blit(cr, get("black"), 1, 0, 0, 0, 640, 480, 180 / 255.0);
      Blit(cr, get("char1"), 4, 2, 270, 376, 100, 100);
      Blit(cr, get("comment"), 5, 3, 140, 80, 360, 200);
      Blit(cr, get("back_char_con1"), 1, 0, 0, 0, 640, 480);
    }
    cairo_restore(cr);
  }
}

}  // namespace

int ContactSheet(const std::string& outPng, const std::string& dir) {
  // Table order first, then any other picture in the folder by name.
  std::vector<std::string> names;
  std::map<std::string, int> frames;
  for (const ImageSpec& s : ImageTable()) {
    names.push_back(s.name);
    frames[s.name] = s.frames;
  }
  std::vector<std::string> extra;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    if (e.path().extension() != ".tov") continue;
    std::string n = e.path().stem().string();
    if (!frames.count(n)) extra.push_back(n);
  }
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot read %s\n", dir.c_str());
    return 1;
  }
  std::sort(extra.begin(), extra.end());
  names.insert(names.end(), extra.begin(), extra.end());

  const double sheetW = 2040, pad = 14, label = 20;
  // A scratch context for measuring the labels.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_t* cr0 = cairo_create(scratch);
  std::vector<Item> items;
  double x = pad, y = pad, rowH = 0;
  int missing = 0;
  for (const std::string& n : names) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(dir + "/" + n + ".tov", &bytes)) {
      if (frames.count(n)) {
        std::fprintf(stderr, "assetgen: missing %s\n", n.c_str());
        ++missing;
      }
      continue;
    }
    const char* kind = "?";
    cairo_surface_t* s = Decode(bytes, &kind);
    if (!s) continue;  // a sound, or not a picture
    int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    double scale = (w >= 640 && h >= 480) ? 0.5 : (w <= 128 && h <= 60 ? 2.0 : 1.0);
    if (w * scale > sheetW - 2 * pad) scale = (sheetW - 2 * pad) / w;
    double labelW = 0, labelH = 0;
    MeasureText(cr0, n + "  0000x000  JPEG  20 frames", "DejaVu Sans Bold 10", &labelW, &labelH);
    double cw = std::max(w * scale, labelW + 6), ch = h * scale + label;
    if (x + cw > sheetW - pad) {
      x = pad;
      y += rowH + pad;
      rowH = 0;
    }
    items.push_back({n, s, kind, frames.count(n) ? frames[n] : 1, scale, x, y, cw, ch});
    x += cw + pad;
    rowH = std::max(rowH, ch);
  }
  cairo_destroy(cr0);
  cairo_surface_destroy(scratch);
  double mockY = y + rowH + pad + label;
  double sheetH = mockY + 480 + pad;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(sheetW),
                                                      static_cast<int>(sheetH));
  cairo_t* cr = cairo_create(sheet);
  SetColor(cr, Hex(0x30303A));
  cairo_paint(cr);
  std::map<std::string, cairo_surface_t*> pics;
  for (const Item& it : items) {
    int w = cairo_image_surface_get_width(it.surface), h = cairo_image_surface_get_height(it.surface);
    TextStyle st;
    st.font = "DejaVu Sans Bold 10";
    st.fill = Hex(0xFFFFFF);
    st.align = -1;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s  %dx%d  %s%s", it.name.c_str(), w, h, it.kind,
                  it.frames > 1 ? ("  " + std::to_string(it.frames) + " frames").c_str() : "");
    DrawText(cr, buf, it.x, it.y + 8, st);
    double py = it.y + label, pw = w * it.scale, ph = h * it.scale;
    // Checkerboard.
    for (int cy = 0; cy * 8 < ph; ++cy)
      for (int cx = 0; cx * 8 < pw; ++cx) {
        SetColor(cr, ((cx + cy) % 2) ? Hex(0xB8B8C0) : Hex(0xE0E0E8));
        cairo_rectangle(cr, it.x + cx * 8, py + cy * 8, std::min(8.0, pw - cx * 8),
                        std::min(8.0, ph - cy * 8));
        cairo_fill(cr);
      }
    cairo_save(cr);
    cairo_translate(cr, it.x, py);
    cairo_scale(cr, it.scale, it.scale);
    cairo_set_source_surface(cr, it.surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr),
                             it.scale >= 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    // Frame ticks.
    if (it.frames > 1) {
      SetColor(cr, Hex(0xFF3B5C));
      cairo_set_line_width(cr, 1);
      for (int f = 1; f < it.frames; ++f) {
        double fx = it.x + pw * f / it.frames;
        cairo_move_to(cr, fx + 0.5, py);
        cairo_line_to(cr, fx + 0.5, py + 6);
        cairo_move_to(cr, fx + 0.5, py + ph - 6);
        cairo_line_to(cr, fx + 0.5, py + ph);
      }
      cairo_stroke(cr);
    }
    pics[it.name] = it.surface;
  }
  {
    TextStyle st;
    st.font = "DejaVu Sans Bold 10";
    st.fill = Hex(0xFFFFFF);
    st.align = -1;
    DrawText(cr, "mock screens put together from these files: play, stage start, continue menu",
             pad, mockY - 12, st);
  }
  MockScreens(cr, pics, pad, mockY);
  for (auto& kv : pics) cairo_surface_destroy(kv.second);
  cairo_destroy(cr);
  std::string why;
  bool ok = WritePng(sheet, outPng, &why);
  cairo_surface_destroy(sheet);
  if (!ok) {
    std::fprintf(stderr, "assetgen: %s\n", why.c_str());
    return 1;
  }
  std::printf("assetgen: contact sheet of %zu pictures written to %s\n", items.size(),
              outPng.c_str());
  return missing ? 1 : 0;
}

}  // namespace ag
