// Full-screen pictures, the stage background, the block, the text banners and
// the HUD pieces.

#include <cmath>
#include <string>

#include "assetgen.h"
#include "draw.h"

namespace ag {
namespace {

const Rgb kInk = Hex(0x2B2140);
const char* kTitle = "もけもけらんど　ぽてぽてさんぽ";  // the window title, UTF-8
const char* kJpFont = "Noto Sans CJK JP Bold";
const char* kEnFont = "DejaVu Sans Bold";

std::string Font(const char* family, int size) { return std::string(family) + " " + std::to_string(size); }

void Cloud(cairo_t* cr, double x, double y, double s, double alpha = 1.0) {
  SetColor(cr, Hex(0xFFFFFF), alpha);
  Ellipse(cr, x, y, 34 * s, 16 * s);
  Ellipse(cr, x - 22 * s, y + 4 * s, 20 * s, 12 * s);
  Ellipse(cr, x + 24 * s, y + 3 * s, 22 * s, 13 * s);
  Ellipse(cr, x - 4 * s, y - 12 * s, 20 * s, 15 * s);
  cairo_fill(cr);
}

// Rolling hills between x0 and x1 whose top follows a sum of sines.
void Hills(cairo_t* cr, double x0, double x1, double base, double amp, double period,
           double phase, double bottom, Rgb col) {
  cairo_new_path(cr);
  cairo_move_to(cr, x0, bottom);
  for (double x = x0; x <= x1 + 0.5; x += 4) {
    double y = base - amp * (0.6 * std::sin(x / period + phase) +
                             0.4 * std::sin(x / (period * 0.47) + phase * 1.7));
    cairo_line_to(cr, x, y);
  }
  cairo_line_to(cr, x1, bottom);
  cairo_close_path(cr);
  SetColor(cr, col);
  cairo_fill(cr);
}

void Tree(cairo_t* cr, double x, double groundY, double s, Rgb leaf) {
  cairo_rectangle(cr, x - 4 * s, groundY - 26 * s, 8 * s, 26 * s);
  SetColor(cr, Hex(0x9A6A3E));
  cairo_fill(cr);
  Ellipse(cr, x, groundY - 38 * s, 20 * s, 18 * s);
  Ellipse(cr, x - 12 * s, groundY - 30 * s, 12 * s, 11 * s);
  Ellipse(cr, x + 12 * s, groundY - 31 * s, 13 * s, 11 * s);
  SetColor(cr, leaf);
  cairo_fill(cr);
  Ellipse(cr, x - 6 * s, groundY - 44 * s, 8 * s, 6 * s);
  SetColor(cr, Lighter(leaf, 0.25));
  cairo_fill(cr);
}

void Flower(cairo_t* cr, double x, double y, Rgb petal) {
  for (int i = 0; i < 5; ++i) {
    double a = i * 2 * kPi / 5;
    Ellipse(cr, x + 3.2 * std::cos(a), y + 3.2 * std::sin(a), 2.6, 2.6);
  }
  SetColor(cr, petal);
  cairo_fill(cr);
  Ellipse(cr, x, y, 1.8, 1.8);
  SetColor(cr, Hex(0xFFE14D));
  cairo_fill(cr);
}

// Grass and soil from groundY down to the bottom.
void Ground(cairo_t* cr, double x0, double w, double groundY, double bottom, uint32_t seed) {
  cairo_rectangle(cr, x0, groundY, w, bottom - groundY);
  SetColor(cr, Hex(0xC68A4E));
  cairo_fill(cr);
  cairo_rectangle(cr, x0, groundY, w, 7);
  SetColor(cr, Hex(0x5CBF4A));
  cairo_fill(cr);
  // Scalloped grass edge hanging over the soil.
  SetColor(cr, Hex(0x5CBF4A));
  for (double x = x0; x < x0 + w; x += 12) {
    Ellipse(cr, x + 6, groundY + 7, 6.5, 3.5);
  }
  cairo_fill(cr);
  cairo_rectangle(cr, x0, groundY, w, 2);
  SetColor(cr, Hex(0x3E9A36));
  cairo_fill(cr);
  Rng rng(seed);
  SetColor(cr, Hex(0xA66E3A));
  for (int i = 0; i < static_cast<int>(w / 18); ++i) {
    double x = x0 + rng.Range(0, w), y = rng.Range(groundY + 12, bottom - 2);
    Ellipse(cr, x, y, rng.Range(2, 4), rng.Range(1.2, 2.2));
  }
  cairo_fill(cr);
}

// Sky, sun, clouds, hills, trees and ground: the world of the game.
void Landscape(cairo_t* cr, double w, double h, double groundY, uint32_t seed, bool sunset) {
  if (sunset) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, groundY);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.99, 0.55, 0.42);
    cairo_pattern_add_color_stop_rgb(p, 0.55, 1.0, 0.80, 0.52);
    cairo_pattern_add_color_stop_rgb(p, 1, 1.0, 0.95, 0.78);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  } else {
    VerticalGradient(cr, 0, 0, w, groundY, Hex(0x74C4FF), Hex(0xE4F6FF));
  }
  Rng rng(seed);
  // Sun.
  double sunX = sunset ? w * 0.8 : w - 90, sunY = sunset ? groundY - 185 : 70;
  SetColor(cr, sunset ? Hex(0xFFF1B0) : Hex(0xFFF6C2), 0.6);
  Ellipse(cr, sunX, sunY, 52, 52);
  cairo_fill(cr);
  SetColor(cr, sunset ? Hex(0xFFE07A) : Hex(0xFFEA7A));
  Ellipse(cr, sunX, sunY, 38, 38);
  cairo_fill(cr);
  // Clouds.
  int clouds = static_cast<int>(w / 160);
  for (int i = 0; i < clouds; ++i) {
    double x = (i + 0.5) * w / clouds + rng.Range(-40, 40);
    double y = rng.Range(40, groundY * 0.4);
    Cloud(cr, x, y, rng.Range(0.7, 1.2), sunset ? 0.75 : 0.95);
  }
  // Far mountains, hills, near hills.
  Hills(cr, 0, w, groundY - 150, 40, 90, rng.Range(0, 6), groundY,
        sunset ? Hex(0xC98DB0) : Hex(0xB9DDF0));
  Hills(cr, 0, w, groundY - 85, 22, 70, rng.Range(0, 6), groundY,
        sunset ? Hex(0xA77AA6) : Hex(0x9FDB8E));
  Hills(cr, 0, w, groundY - 40, 14, 45, rng.Range(0, 6), groundY,
        sunset ? Hex(0x876A98) : Hex(0x7ACB6A));
  // Trees along the near hills.
  int trees = static_cast<int>(w / 110);
  for (int i = 0; i < trees; ++i) {
    double x = (i + 0.5) * w / trees + rng.Range(-30, 30);
    double s = rng.Range(0.8, 1.2);
    Tree(cr, x, groundY - 6 + rng.Range(-6, 4), s, sunset ? Hex(0x6E6A8E) : Hex(0x4FB35E));
  }
  Ground(cr, 0, w, groundY, h, seed + 1);
  // Flowers on the grass line.
  const Rgb petals[4] = {Hex(0xFF7AA8), Hex(0xFFFFFF), Hex(0xFFB347), Hex(0xB38BFF)};
  for (int i = 0; i < static_cast<int>(w / 70); ++i) {
    double x = rng.Range(8, w - 8);
    Flower(cr, x, groundY - 4, petals[i % 4]);
  }
}

// Two-layer outlined headline text.
void Headline(cairo_t* cr, const std::string& text, double x, double y, const std::string& font,
              Rgb fill, Rgb rim, double maxWidth, double outer = 9, double inner = 5) {
  TextStyle st;
  st.font = font;
  st.maxWidth = maxWidth;
  st.fill = kInk;
  st.outline = kInk;
  st.outlineWidth = outer;
  st.shadow = 4;
  DrawText(cr, text, x, y, st);
  st.shadow = 0;
  st.fill = fill;
  st.outline = rim;
  st.outlineWidth = inner;
  DrawText(cr, text, x, y, st);
}

void Pill(cairo_t* cr, double cx, double cy, double w, double h, Rgb fill, Rgb border) {
  RoundRect(cr, cx - w / 2, cy - h / 2, w, h, h / 2);
  FillStroke(cr, fill, border, 3);
}

void Prompt(cairo_t* cr, double cx, double cy) {
  Pill(cr, cx, cy, 300, 44, Hex(0x3A2F6B), Hex(0xFFFFFF));
  TextStyle st;
  st.font = Font(kEnFont, 22);
  st.fill = Hex(0xFFE14D);
  st.maxWidth = 270;
  DrawText(cr, "PRESS ENTER / Z", cx, cy, st);
}

void Heart(cairo_t* cr, double cx, double cy, double s) {
  cairo_new_path(cr);
  cairo_move_to(cr, cx, cy + 9 * s);
  cairo_curve_to(cr, cx - 12 * s, cy + 1 * s, cx - 12 * s, cy - 9 * s, cx - 5.5 * s, cy - 9 * s);
  cairo_curve_to(cr, cx - 2 * s, cy - 9 * s, cx, cy - 6 * s, cx, cy - 4 * s);
  cairo_curve_to(cr, cx, cy - 6 * s, cx + 2 * s, cy - 9 * s, cx + 5.5 * s, cy - 9 * s);
  cairo_curve_to(cr, cx + 12 * s, cy - 9 * s, cx + 12 * s, cy + 1 * s, cx, cy + 9 * s);
  cairo_close_path(cr);
}

}  // namespace

// ---------------------------------------------------------------------------

// The project's own opening logo: a pebble with a sprout (logo 1), the sprout
// in bloom (logo 2), over the words "a small game".
void DrawLogo(cairo_t* cr, int which) {
  VerticalGradient(cr, 0, 0, 640, 480, Hex(0xFFFDF4), Hex(0xFFF1D6));
  double cx = 320, cy = 195;
  // Emblem ring.
  Ellipse(cr, cx, cy, 92, 92);
  FillStroke(cr, Hex(0xFFFFFF), Hex(0x4A3F6B), 6);
  Ellipse(cr, cx, cy, 80, 80);
  SetColor(cr, which == 1 ? Hex(0xDFF3FF) : Hex(0xE6FBE0));
  cairo_fill(cr);
  // Soil line and pebble.
  cairo_save(cr);
  Ellipse(cr, cx, cy, 80, 80);
  cairo_clip(cr);
  cairo_rectangle(cr, cx - 90, cy + 40, 180, 60);
  SetColor(cr, Hex(0x9BD77E));
  cairo_fill(cr);
  cairo_restore(cr);
  Ellipse(cr, cx, cy + 30, 42, 30);
  FillStroke(cr, Hex(0xD9C3A5), Hex(0x4A3F6B), 4);
  // Pebble face.
  SetColor(cr, Hex(0x4A3F6B));
  if (which == 1) {
    Ellipse(cr, cx - 12, cy + 26, 3.5, 5);
    Ellipse(cr, cx + 12, cy + 26, 3.5, 5);
    cairo_fill(cr);
  } else {
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_arc(cr, cx - 12, cy + 28, 5, kPi * 1.1, kPi * 1.9);
    cairo_stroke(cr);
    cairo_arc(cr, cx + 12, cy + 28, 5, kPi * 1.1, kPi * 1.9);
    cairo_stroke(cr);
  }
  cairo_set_line_width(cr, 3);
  cairo_arc(cr, cx, cy + 34, 6, kPi * 0.15, kPi * 0.85);
  cairo_stroke(cr);
  SetColor(cr, Hex(0xFF9AAE));
  Ellipse(cr, cx - 24, cy + 36, 6, 3.5);
  Ellipse(cr, cx + 24, cy + 36, 6, 3.5);
  cairo_fill(cr);
  // Sprout.
  cairo_move_to(cr, cx, cy + 2);
  cairo_curve_to(cr, cx - 2, cy - 20, cx + 3, cy - 30, cx, cy - 42);
  SetColor(cr, Hex(0x3C9A3A));
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  for (int s = -1; s <= 1; s += 2) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy - 26);
    cairo_rotate(cr, s * 1.0);
    Ellipse(cr, 0, -13, 8, 14);
    FillStroke(cr, Hex(0x6FD15A), Hex(0x3C7A2A), 3);
    cairo_restore(cr);
  }
  if (which == 2) {
    for (int i = 0; i < 6; ++i) {
      double a = i * kPi / 3;
      Ellipse(cr, cx + 10 * std::cos(a), cy - 50 + 10 * std::sin(a), 8, 8);
      FillStroke(cr, Hex(0xFF8FB8), Hex(0xC0406A), 2.5);
    }
    Ellipse(cr, cx, cy - 50, 7, 7);
    FillStroke(cr, Hex(0xFFE14D), Hex(0xC08A00), 2.5);
    const double sp[4][3] = {{cx - 120, cy - 60, 12}, {cx + 118, cy - 40, 10},
                             {cx - 100, cy + 70, 8}, {cx + 110, cy + 80, 9}};
    for (const auto& s : sp) {
      Star(cr, s[0], s[1], s[2], s[2] * 0.35, 4, 0);
      FillStroke(cr, Hex(0xFFE14D), Hex(0xE09000), 2);
    }
  }
  TextStyle st;
  st.font = Font(kEnFont, 44);
  st.fill = Hex(0x4A3F6B);
  DrawText(cr, "a small game", cx, 350, st);
  st.font = Font(kJpFont, 18);
  st.fill = Hex(0x8A7FA8);
  DrawText(cr, which == 1 ? "ちいさな ゲーム" : "presents", cx, 398, st);
}

void DrawTitle(cairo_t* cr, bool prompt) {
  Landscape(cr, 640, 480, 430, 11, false);
  std::string title = kTitle;
  const std::string sep = "　";
  size_t cut = title.find(sep);
  std::string line1 = title.substr(0, cut), line2 = title.substr(cut + sep.size());
  Headline(cr, line1, 320, 100, Font(kJpFont, 58), Hex(0xFFE14D), Hex(0xF07A1A), 600, 11, 6);
  Headline(cr, line2, 320, 190, Font(kJpFont, 58), Hex(0xFFFFFF), Hex(0xFF6FA8), 600, 11, 6);
  // The five characters walking over the meadow, and a mushroom behind them.
  const double xs[5] = {150, 235, 320, 405, 490};
  const int frames[5] = {2, 5, 0, 3, 6};
  DrawEnemyAt(cr, 1, 585, 436, 1.0, 1, true);
  for (int c = 5; c >= 1; --c)
    DrawCharacterAt(cr, c, xs[c - 1], 440, 1.35, c == 3 ? 0 : frames[c - 1]);
  if (prompt) Prompt(cr, 320, 290);
}

void DrawCharSelect(cairo_t* cr) {
  // Diagonal stripes.
  cairo_rectangle(cr, 0, 0, 640, 480);
  SetColor(cr, Hex(0xFFF1C7));
  cairo_fill(cr);
  SetColor(cr, Hex(0xFFE39A));
  for (int i = -20; i < 40; ++i) {
    double x = i * 40;
    cairo_move_to(cr, x, 0);
    cairo_line_to(cr, x + 20, 0);
    cairo_line_to(cr, x + 20 - 480, 480);
    cairo_line_to(cr, x - 480, 480);
    cairo_close_path(cr);
  }
  cairo_fill(cr);
  // Header band.
  cairo_rectangle(cr, 0, 12, 640, 76);
  SetColor(cr, Hex(0x3A2F6B));
  cairo_fill(cr);
  TextStyle st;
  st.font = Font(kEnFont, 30);
  st.fill = Hex(0xFFFFFF);
  DrawText(cr, "CHARACTER SELECT", 320, 40, st);
  st.font = Font(kJpFont, 14);
  st.fill = Hex(0xFFE14D);
  DrawText(cr, "キャラクター セレクト", 320, 71, st);
  // Spotlight and the character.
  Ellipse(cr, 200, 262, 132, 132);
  FillStroke(cr, Hex(0xFFFFFF), Hex(0x3A2F6B), 5);
  Ellipse(cr, 200, 372, 90, 16);
  SetColor(cr, Hex(0xE8DCC0));
  cairo_fill(cr);
  DrawCharacterAt(cr, 1, 200, 376, 3.2, 0);
  // Card.
  RoundRect(cr, 362, 112, 250, 262, 18);
  FillStroke(cr, Hex(0xFFFFFF), Hex(0x3A2F6B), 5);
  st.font = Font(kEnFont, 40);
  st.fill = Hex(0xF07A1A);
  st.outline = kInk;
  st.outlineWidth = 2;
  DrawText(cr, CharacterName(1), 487, 150, st);
  st.outlineWidth = 0;
  st.font = Font(kJpFont, 16);
  st.fill = Hex(0x6A5F8B);
  st.maxWidth = 226;
  DrawText(cr, "げんきな おいもの ぽて", 487, 188, st);
  st.maxWidth = 0;
  const char* labels[3] = {"SPEED", "JUMP", "LIFE"};
  const int values[3] = {3, 2, 5};
  for (int i = 0; i < 3; ++i) {
    double y = 228 + i * 40;
    st.font = Font(kEnFont, 16);
    st.fill = kInk;
    st.align = -1;
    DrawText(cr, labels[i], 382, y, st);
    st.align = 0;
    for (int k = 0; k < 5; ++k) {
      Star(cr, 478 + k * 25, y, 10, 4.2, 5, 0);
      FillStroke(cr, k < values[i] ? Hex(0xFFD23F) : Hex(0xE6E2EE), kInk, 1.8);
    }
  }
  st.font = Font(kJpFont, 15);
  st.fill = Hex(0x6A5F8B);
  DrawText(cr, "ほしを なげて たたかうよ", 487, 348, st);
  Prompt(cr, 320, 432);
}

void DrawLoading(cairo_t* cr) {
  VerticalGradient(cr, 0, 0, 640, 480, Hex(0x1E2A5E), Hex(0x3B5AA0));
  Rng rng(5);
  for (int i = 0; i < 70; ++i) {
    double x = rng.Range(0, 640), y = rng.Range(0, 330), r = rng.Range(0.8, 2.2);
    SetColor(cr, Hex(0xFFFFFF), rng.Range(0.5, 1.0));
    Ellipse(cr, x, y, r, r);
    cairo_fill(cr);
  }
  Ellipse(cr, 540, 90, 34, 34);
  SetColor(cr, Hex(0xFFF4B0));
  cairo_fill(cr);
  Ellipse(cr, 556, 80, 30, 30);
  SetColor(cr, Hex(0x22306A));
  cairo_fill(cr);
  Headline(cr, "NOW LOADING", 320, 200, Font(kEnFont, 46), Hex(0xFFE14D), Hex(0xF07A1A), 560, 8,
           4);
  TextStyle st;
  st.font = Font(kJpFont, 22);
  st.fill = Hex(0xDDE8FF);
  DrawText(cr, "ちょっと まってね", 320, 262, st);
  for (int i = 0; i < 3; ++i) {
    Ellipse(cr, 290 + i * 30, 300, 7, 7);
    SetColor(cr, i == 2 ? Hex(0xFFE14D) : Hex(0x8FA8E0));
    cairo_fill(cr);
  }
  // A little parade on a night meadow.
  cairo_rectangle(cr, 0, 420, 640, 60);
  SetColor(cr, Hex(0x2E6B4A));
  cairo_fill(cr);
  cairo_rectangle(cr, 0, 420, 640, 4);
  SetColor(cr, Hex(0x3F8A5E));
  cairo_fill(cr);
  for (int c = 1; c <= 5; ++c) DrawCharacterAt(cr, c, 560 - (c - 1) * 95, 422, 1.0, c);
}

// The stage, two screens wide. The floor surface is at y 461.
void DrawStageBack(cairo_t* cr) { Landscape(cr, 1280, 480, 461, 23, false); }

// A grass-topped block, 64x20, fully opaque so that rows of blocks join.
void DrawBlock(cairo_t* cr) {
  cairo_rectangle(cr, 0, 0, 64, 20);
  SetColor(cr, Hex(0xC98B4F));
  cairo_fill(cr);
  // Soil pattern.
  SetColor(cr, Hex(0xB0743E));
  Ellipse(cr, 12, 13, 4, 2);
  Ellipse(cr, 36, 15, 5, 2);
  Ellipse(cr, 54, 12, 3, 1.6);
  cairo_fill(cr);
  SetColor(cr, Hex(0xE0A66A));
  Ellipse(cr, 24, 11, 2.5, 1.4);
  Ellipse(cr, 46, 16, 2.5, 1.4);
  cairo_fill(cr);
  // Bottom and side edges.
  cairo_rectangle(cr, 0, 17, 64, 3);
  SetColor(cr, Hex(0x8A5530));
  cairo_fill(cr);
  cairo_rectangle(cr, 63, 0, 1, 20);
  cairo_rectangle(cr, 0, 0, 1, 20);
  SetColor(cr, Hex(0x9A6236));
  cairo_fill(cr);
  // Grass top with a wavy lower edge.
  cairo_rectangle(cr, 0, 0, 64, 6);
  SetColor(cr, Hex(0x5CC84A));
  cairo_fill(cr);
  for (int i = 0; i < 8; ++i) Ellipse(cr, 4 + i * 8, 6, 4.2, 2.6);
  cairo_fill(cr);
  cairo_rectangle(cr, 0, 0, 64, 2);
  SetColor(cr, Hex(0x9BEA7A));
  cairo_fill(cr);
}

// Text banners, 360x200: 0 stage start, 1 stage clear, 2 world clear,
// 3 game over, 4 final clear.
void DrawCommentFrame(cairo_t* cr, int frame) {
  struct Banner {
    const char* l1;
    const char* l2;
    const char* jp;
    uint32_t fill, rim, ribbon;
  };
  const Banner b[5] = {
      {"STAGE", "START!", "スタート！", 0xFFE14D, 0xF07A1A, 0xF07A1A},
      {"STAGE", "CLEAR!", "ステージ クリア！", 0x7CF0FF, 0x1E8FD8, 0x1E8FD8},
      {"WORLD", "CLEAR!", "ワールド クリア！", 0xFFB347, 0xE8412C, 0xE8412C},
      {"GAME", "OVER", "ゲーム オーバー", 0xD8D8E8, 0x6A5F8B, 0x4A3F6B},
      {"ALL", "CLEAR!!", "オール クリア！ おめでとう！", 0xFFF27A, 0xFF4F9A, 0xFF4F9A},
  };
  const Banner& t = b[frame];
  if (frame == 4 || frame == 2) {
    // A burst behind the words of the big clears.
    Star(cr, 180, 92, 110, 70, 14, 0.1);
    FillStroke(cr, frame == 4 ? Hex(0xFFF6C9) : Hex(0xFFE8C9), kInk, 3);
  }
  Headline(cr, t.l1, 180, 48, Font(kEnFont, 46), Hex(t.fill), Hex(t.rim), 330, 8, 4);
  Headline(cr, t.l2, 180, 112, Font(kEnFont, 52), Hex(t.fill), Hex(t.rim), 340, 8, 4);
  // Ribbon with the Japanese line.
  cairo_new_path(cr);
  cairo_move_to(cr, 30, 152);
  cairo_line_to(cr, 330, 152);
  cairo_line_to(cr, 344, 170);
  cairo_line_to(cr, 330, 188);
  cairo_line_to(cr, 30, 188);
  cairo_line_to(cr, 16, 170);
  cairo_close_path(cr);
  FillStroke(cr, Hex(t.ribbon), kInk, 3);
  TextStyle st;
  st.font = Font(kJpFont, 19);
  st.fill = Hex(0xFFFFFF);
  st.maxWidth = 290;
  DrawText(cr, t.jp, 180, 170, st);
  if (frame == 4) {
    const double sp[3][2] = {{20, 30}, {340, 40}, {330, 130}};
    for (const auto& s : sp) {
      Star(cr, s[0], s[1], 12, 4, 4, 0);
      FillStroke(cr, Hex(0xFFF27A), Hex(0xE07B00), 2);
    }
  }
}

// The continue menu, drawn over the darkened stage: a panel between the
// game-over banner (y 80-280) and the portrait (y 376-476); the rest is clear.
void DrawContinueMenu(cairo_t* cr, int selected) {
  const double x = 150, y = 286, w = 340, h = 86;
  RoundRect(cr, x, y, w, h, 14);
  FillStroke(cr, Hex(0xFFFFFF), kInk, 4);
  const char* en[2] = {"CONTINUE", "QUIT"};
  const char* jp[2] = {"つづける", "やめる"};
  for (int i = 0; i < 2; ++i) {
    double cy = y + 23 + i * 40;
    bool on = (i + 1) == selected;
    if (on) {
      RoundRect(cr, x + 10, cy - 17, w - 20, 34, 10);
      FillStroke(cr, Hex(0xFFE14D), Hex(0xF07A1A), 2.5);
      cairo_new_path(cr);
      cairo_move_to(cr, x + 20, cy - 9);
      cairo_line_to(cr, x + 34, cy);
      cairo_line_to(cr, x + 20, cy + 9);
      cairo_close_path(cr);
      FillStroke(cr, Hex(0xE8412C), kInk, 1.5);
    }
    TextStyle st;
    st.font = Font(kEnFont, 22);
    st.fill = on ? kInk : Hex(0xA09AB4);
    st.align = -1;
    DrawText(cr, en[i], x + 44, cy, st);
    st.font = Font(kJpFont, 15);
    st.align = 1;
    st.fill = on ? Hex(0x6A3A00) : Hex(0xB8B2C8);
    DrawText(cr, jp[i], x + w - 20, cy, st);
  }
}

// The ending message.
void DrawMessage(cairo_t* cr) {
  Landscape(cr, 640, 480, 420, 31, true);
  RoundRect(cr, 60, 36, 520, 178, 22);
  FillStroke(cr, Hex(0xFFFBEF), kInk, 4);
  Headline(cr, "THANK YOU FOR PLAYING!", 320, 78, Font(kEnFont, 30), Hex(0xFFE14D),
           Hex(0xF07A1A), 480, 7, 3);
  TextStyle st;
  st.font = Font(kJpFont, 24);
  st.fill = kInk;
  DrawText(cr, "あそんでくれて ありがとう！", 320, 128, st);
  st.font = Font(kJpFont, 16);
  st.fill = Hex(0x6A5F8B);
  st.maxWidth = 470;
  DrawText(cr, "みんな おうちに かえって ぐっすり ねむりました。", 320, 164, st);
  st.maxWidth = 0;
  st.font = Font(kJpFont, 20);
  st.fill = Hex(0xE8412C);
  DrawText(cr, "おしまい", 320, 194, st);
  const int frames[5] = {7, 0, 8, 0, 7};
  const double xs[5] = {180, 250, 320, 390, 460};
  for (int c = 1; c <= 5; ++c)
    DrawCharacterAt(cr, c, xs[c - 1], c % 2 ? 424 : 422, 1.25, frames[c - 1], c > 3);
  st.font = Font(kEnFont, 14);
  st.fill = Hex(0xFFFFFF);
  st.outline = kInk;
  st.outlineWidth = 2;
  st.align = 1;
  DrawText(cr, "PRESS Z", 628, 462, st);
}

// HP panel: drawn at (-1,-1)-(305,57); the icons go at screen x 60..300,
// y 12..36 (panel x 61..301, y 13..37).
void DrawHpPanel(cairo_t* cr) {
  RoundRect(cr, -20, -20, 324, 76, 16);
  FillStroke(cr, Hex(0xFFF4D6), kInk, 3.5);
  TextStyle st;
  st.font = Font(kEnFont, 22);
  st.fill = Hex(0xFF3B5C);
  st.outline = kInk;
  st.outlineWidth = 2;
  DrawText(cr, "HP", 31, 26, st);
  RoundRect(cr, 58, 9, 242, 32, 9);
  FillStroke(cr, Hex(0x3A2F55), kInk, 2);
  for (int i = 0; i < 8; ++i) {
    Heart(cr, 61 + 30 * i + 15, 25, 0.95);
    SetColor(cr, Hex(0x54487A));
    cairo_fill(cr);
  }
}

void DrawHpIcon(cairo_t* cr) {
  Heart(cr, 15, 12.5, 1.05);
  FillStroke(cr, Hex(0xFF3B5C), kInk, 2);
  Ellipse(cr, 10, 7.5, 2.6, 2);
  SetColor(cr, Hex(0xFFD0DA));
  cairo_fill(cr);
}

// Stage-counter panel: drawn at (299,-1)-(641,41); the digits go at screen
// x 543..639 (panel x 244..340).
void DrawStageCountBase(cairo_t* cr) {
  RoundRect(cr, 150, -20, 212, 60, 14);
  FillStroke(cr, Hex(0xFFF4D6), kInk, 3.5);
  TextStyle st;
  st.font = Font(kEnFont, 17);
  st.fill = Hex(0x3A2F6B);
  DrawText(cr, "STAGE", 198, 21, st);
  RoundRect(cr, 244, 3, 102, 36, 9);
  FillStroke(cr, Hex(0x3A2F55), kInk, 2);
}

void DrawDigitFrame(cairo_t* cr, int digit) {
  TextStyle st;
  st.font = Font(kEnFont, 26);
  st.fill = Hex(0xFFE14D);
  st.outline = kInk;
  st.outlineWidth = 2.5;
  DrawText(cr, std::to_string(digit), 20, 21, st);
}

}  // namespace ag
