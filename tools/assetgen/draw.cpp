#include "draw.h"

#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "assetgen.h"

namespace ag {

Rgb Mix(Rgb a, Rgb b, double t) {
  return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Darker(Rgb c, double f) { return Rgb{c.r * f, c.g * f, c.b * f}; }
Rgb Lighter(Rgb c, double f) { return Mix(c, Rgb{1, 1, 1}, f); }

void SetColor(cairo_t* cr, Rgb c, double alpha) {
  if (alpha >= 1.0)
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
  else
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  if (r > w / 2) r = w / 2;
  if (r > h / 2) r = h / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
  if (rx <= 0 || ry <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void FillStroke(cairo_t* cr, Rgb fill, Rgb outline, double width) {
  SetColor(cr, fill);
  if (width > 0) {
    cairo_fill_preserve(cr);
    SetColor(cr, outline);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
  } else {
    cairo_fill(cr);
  }
}

void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_rectangle(cr, x, y, w, h);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void Star(cairo_t* cr, double cx, double cy, double rOuter, double rInner, int points,
          double rotation) {
  cairo_new_sub_path(cr);
  for (int i = 0; i < points * 2; ++i) {
    double r = (i % 2 == 0) ? rOuter : rInner;
    double a = rotation - kPi / 2 + i * kPi / points;
    double px = cx + r * std::cos(a), py = cy + r * std::sin(a);
    if (i == 0)
      cairo_move_to(cr, px, py);
    else
      cairo_line_to(cr, px, py);
  }
  cairo_close_path(cr);
}

namespace {

PangoLayout* MakeLayout(cairo_t* cr, const std::string& text, const std::string& font) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout, text.c_str(), -1);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  // Fixed font options: identical output whatever the desktop settings.
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), fo);
  cairo_font_options_destroy(fo);
  pango_layout_context_changed(layout);
  return layout;
}

}  // namespace

void MeasureText(cairo_t* cr, const std::string& text, const std::string& font, double* w,
                 double* h) {
  PangoLayout* layout = MakeLayout(cr, text, font);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  *w = ink.width;
  *h = ink.height;
  g_object_unref(layout);
}

void DrawText(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& st) {
  PangoLayout* layout = MakeLayout(cr, text, st.font);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  double scale = 1.0;
  double fullW = ink.width + st.outlineWidth;
  if (st.maxWidth > 0 && fullW > st.maxWidth) scale = st.maxWidth / fullW;
  double w = ink.width * scale;
  double left = st.align < 0 ? x : (st.align == 0 ? x - w / 2 : x - w);
  double top = y - ink.height * scale / 2;

  auto place = [&](double dx, double dy) {
    cairo_save(cr);
    cairo_translate(cr, left + dx, top + dy);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, -ink.x, -ink.y);
    cairo_new_path(cr);
    pango_cairo_layout_path(cr, layout);
    cairo_restore(cr);
  };
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  if (st.shadow > 0) {
    place(st.shadow, st.shadow);
    SetColor(cr, st.shadowColor, st.shadowAlpha);
    if (st.outlineWidth > 0) {
      cairo_set_line_width(cr, st.outlineWidth * 2);
      cairo_stroke_preserve(cr);
    }
    cairo_fill(cr);
  }
  if (st.outlineWidth > 0) {
    place(0, 0);
    SetColor(cr, st.outline);
    cairo_set_line_width(cr, st.outlineWidth * 2);
    cairo_stroke(cr);
  }
  place(0, 0);
  SetColor(cr, st.fill);
  cairo_fill(cr);
  cairo_new_path(cr);
  g_object_unref(layout);
}

// ---------------------------------------------------------------------------

void ThresholdAlpha(cairo_surface_t* s) {
  cairo_surface_flush(s);
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t p = row[x];
      uint32_t a = p >> 24;
      if (a < 128) {
        row[x] = 0;
      } else if (a < 255) {
        // Cairo stores premultiplied colour: undo it and make the pixel opaque.
        uint32_t r = ((p >> 16) & 0xFF) * 255 / a, g = ((p >> 8) & 0xFF) * 255 / a,
                 b = (p & 0xFF) * 255 / a;
        if (r > 255) r = 255;
        if (g > 255) g = 255;
        if (b > 255) b = 255;
        row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
      }
    }
  }
  cairo_surface_mark_dirty(s);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* why) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (why) *why = "cannot open " + path + " for writing";
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok && why) *why = "cannot write " + path;
  return ok;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

namespace {
cairo_status_t PngSink(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

bool WritePng(cairo_surface_t* s, const std::string& path, std::string* why) {
  std::vector<uint8_t> bytes;
  if (cairo_surface_write_to_png_stream(s, PngSink, &bytes) != CAIRO_STATUS_SUCCESS) {
    if (why) *why = "PNG encoding failed for " + path;
    return false;
  }
  return WriteFile(path, bytes, why);
}

// Opaque pictures only: the colour channels of Cairo's ARGB32/RGB24 pixels.
bool WriteJpeg(cairo_surface_t* s, const std::string& path, int quality, std::string* why) {
  cairo_surface_flush(s);
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);

  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(data + cinfo.next_scanline * stride);
    for (int x = 0; x < w; ++x) {
      row[x * 3 + 0] = (src[x] >> 16) & 0xFF;
      row[x * 3 + 1] = (src[x] >> 8) & 0xFF;
      row[x * 3 + 2] = src[x] & 0xFF;
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&cinfo, &rp, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(mem, mem + memSize);
  std::free(mem);
  return WriteFile(path, bytes, why);
}

// 24-bit bottom-up BMP with a BITMAPINFOHEADER; rows padded to 4 bytes.
bool WriteBmp24(cairo_surface_t* s, const std::string& path, std::string* why) {
  cairo_surface_flush(s);
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  uint32_t imageSize = rowBytes * static_cast<uint32_t>(h);
  std::vector<uint8_t> out;
  out.reserve(54 + imageSize);
  auto u16 = [&](uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  u32(54 + imageSize);  // file size
  u32(0);               // reserved
  u32(54);              // pixel data offset
  u32(40);              // BITMAPINFOHEADER
  u32(static_cast<uint32_t>(w));
  u32(static_cast<uint32_t>(h));  // positive: bottom-up
  u16(1);                         // planes
  u16(24);                        // bits per pixel
  u32(0);                         // BI_RGB
  u32(imageSize);
  u32(2835);  // 72 dpi
  u32(2835);
  u32(0);
  u32(0);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < w; ++x) {
      out.push_back(src[x] & 0xFF);
      out.push_back((src[x] >> 8) & 0xFF);
      out.push_back((src[x] >> 16) & 0xFF);
    }
    for (uint32_t p = static_cast<uint32_t>(w) * 3; p < rowBytes; ++p) out.push_back(0);
  }
  return WriteFile(path, out, why);
}

}  // namespace ag
