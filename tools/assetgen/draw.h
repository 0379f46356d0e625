// Small Cairo/Pango helpers shared by the picture code.
#pragma once

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace ag {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

constexpr Rgb Hex(uint32_t v) {
  return Rgb{((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Darker(Rgb c, double f = 0.7);
Rgb Lighter(Rgb c, double f = 0.4);

void SetColor(cairo_t* cr, Rgb c, double alpha = 1.0);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry);
// Fill the current path with fill, then stroke it with outline (keeps nothing).
void FillStroke(cairo_t* cr, Rgb fill, Rgb outline, double width);
void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom);
void Star(cairo_t* cr, double cx, double cy, double rOuter, double rInner, int points,
          double rotation);

// Text through Pango. font is a Pango description, e.g. "DejaVu Sans Bold 32"
// or "Noto Sans CJK JP Bold 40". (x, y) is the anchor: align -1 left, 0 centre,
// 1 right of the ink box; y is the vertical centre of the ink box. When
// maxWidth > 0 the text is scaled down to fit. outlineWidth 0: no outline.
struct TextStyle {
  std::string font = "DejaVu Sans Bold 24";
  Rgb fill{1, 1, 1};
  Rgb outline{0, 0, 0};
  double outlineWidth = 0;
  int align = 0;
  double maxWidth = 0;
  double shadow = 0;          // drop-shadow offset (0: none)
  Rgb shadowColor{0, 0, 0};
  double shadowAlpha = 0.35;
};
void DrawText(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& st);
// Ink width and height of the text at the style's font (unscaled).
void MeasureText(cairo_t* cr, const std::string& text, const std::string& font, double* w,
                 double* h);

// Deterministic pseudo-random numbers (fixed seeds, same on every machine).
struct Rng {
  uint32_t s;
  explicit Rng(uint32_t seed) : s(seed ? seed : 1u) {}
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }
  double Range(double a, double b) { return a + (b - a) * Uniform(); }
};

}  // namespace ag
