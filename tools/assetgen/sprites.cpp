// Characters, enemies, shots and portraits. All sprites face right; the left
// sheets are mirrored copies (main.cpp). Every 100x100 frame has its feet at
// (50, 85), the frame's centre line and the stage's floor line.

#include <cmath>

#include "assetgen.h"
#include "draw.h"

namespace ag {
namespace {

constexpr double kFeetX = 50, kFeetY = 85;
const Rgb kInk = Hex(0x2B2140);      // outline colour of every sprite
constexpr double kLine = 2.4;        // outline width at scale 1

enum class Shape { Blob, Fluff, Egg, Cat, Bird };
enum class Eyes { Open, Happy, Hurt, Determined, Sad, Blink };
enum class Mouth { Smile, Open, Frown, O, Grin };

struct Design {
  Shape shape;
  Rgb body, belly, accent, accent2, limb, shoe;
  double bw, bh;    // body size
  double leg;       // hip height above the feet
  double stride;    // walking foot amplitude
  const char* name;
};

const Design kDesigns[5] = {
    // 1 POTE: round orange blob with a sprout and a red scarf.
    {Shape::Blob, Hex(0xFFA94D), Hex(0xFFE8C2), Hex(0xE8412C), Hex(0x4DBB4A), Hex(0xF08A24),
     Hex(0x8B4A2B), 46, 44, 12, 9, "POTE"},
    // 2 MOKE: pink fluffy sheep with curled horns.
    {Shape::Fluff, Hex(0xFFB8DC), Hex(0xFFF2F8), Hex(0xB58CF0), Hex(0xFFFFFF), Hex(0x7A4A9E),
     Hex(0x5E3A86), 50, 42, 13, 9, "MOKE"},
    // 3 PUNI: tall blue egg with an antenna.
    {Shape::Egg, Hex(0x4AA3FF), Hex(0xDDF1FF), Hex(0xFFD23F), Hex(0xFF6F61), Hex(0x2F7FD8),
     Hex(0x23407E), 38, 54, 13, 9, "PUNI"},
    // 4 TOTO: purple cat with a bell.
    {Shape::Cat, Hex(0xA070F5), Hex(0xEDE2FF), Hex(0xFF8CC6), Hex(0xFFD93D), Hex(0x8554DB),
     Hex(0x432579), 44, 42, 12, 9, "TOTO"},
    // 5 KIKI: green bird with a red headband.
    {Shape::Bird, Hex(0x4FCF5C), Hex(0xFFF6C7), Hex(0xFF9F1C), Hex(0xF0304F), Hex(0x2FA43D),
     Hex(0xFF9F1C), 42, 40, 13, 10, "KIKI"},
};

struct Pose {
  double nfx = 3, nfy = 0, ffx = -3, ffy = 0;  // foot offsets from the hips; y = lift
  double bob = 0;                               // body offset, negative = up
  double tilt = 0;                              // lean, radians, positive = forward
  double narm = 1.0, farm = 2.1;                // hand angles around the body (see DrawHand)
  double next = 1.5, fext = 1.0;                // how far the hands reach out
  Eyes eyes = Eyes::Open;
  Mouth mouth = Mouth::Smile;
  bool flash = false;        // damage flash palette
  bool hold = false;         // holding a shot above the near hand
  bool speed = false;        // speed lines behind the throwing arm
  bool pain = false;         // little pain marks
};

Design FlashDesign(Design d) {
  d.body = Lighter(d.body, 0.8);
  d.belly = Hex(0xFFFFFF);
  d.limb = Lighter(d.limb, 0.7);
  d.shoe = Lighter(d.shoe, 0.6);
  d.accent = Lighter(d.accent, 0.6);
  d.accent2 = Lighter(d.accent2, 0.6);
  return d;
}

void Capsule(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Rgb fill,
             Rgb ink) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  SetColor(cr, ink);
  cairo_set_line_width(cr, width + 2 * kLine);
  cairo_stroke(cr);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  SetColor(cr, fill);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

// Body outline path in body coordinates (centre 0,0, facing right).
void BodyPath(cairo_t* cr, const Design& d) {
  double rx = d.bw / 2, ry = d.bh / 2;
  cairo_new_path(cr);
  switch (d.shape) {
    case Shape::Blob:
    case Shape::Bird:
      Ellipse(cr, 0, 0, rx, ry);
      break;
    case Shape::Fluff: {
      const int n = 11;
      for (int i = 0; i <= n; ++i) {
        double a0 = 2 * kPi * i / n - kPi / 2;
        double a1 = 2 * kPi * (i + 1) / n - kPi / 2;
        double am = (a0 + a1) / 2;
        double x0 = (rx - 2) * std::cos(a0), y0 = (ry - 2) * std::sin(a0);
        double x1 = (rx - 2) * std::cos(a1), y1 = (ry - 2) * std::sin(a1);
        double cx = (rx + 4) * std::cos(am), cy = (ry + 4) * std::sin(am);
        if (i == 0) cairo_move_to(cr, x0, y0);
        if (i < n) cairo_curve_to(cr, cx, cy, cx, cy, x1, y1);
      }
      cairo_close_path(cr);
      break;
    }
    case Shape::Egg: {
      double top = d.bh * 0.58, bot = d.bh * 0.42, off = (top - bot) / 2;
      cairo_save(cr);
      cairo_translate(cr, 0, off);
      cairo_scale(cr, rx, top);
      cairo_arc(cr, 0, 0, 1, kPi, 2 * kPi);
      cairo_restore(cr);
      cairo_save(cr);
      cairo_translate(cr, 0, off);
      cairo_scale(cr, rx, bot);
      cairo_arc(cr, 0, 0, 1, 0, kPi);
      cairo_restore(cr);
      cairo_close_path(cr);
      break;
    }
    case Shape::Cat: {
      const int n = 48;
      for (int i = 0; i < n; ++i) {
        double a = 2 * kPi * i / n;
        double c = std::cos(a), s = std::sin(a);
        double x = rx * (c < 0 ? -1 : 1) * std::pow(std::fabs(c), 0.7);
        double y = ry * (s < 0 ? -1 : 1) * std::pow(std::fabs(s), 0.7);
        if (i == 0)
          cairo_move_to(cr, x, y);
        else
          cairo_line_to(cr, x, y);
      }
      cairo_close_path(cr);
      break;
    }
  }
}

// front: the eye nearer the front of the face (its inner end is its left end).
void DrawEye(cairo_t* cr, double x, double y, double s, Eyes e, Rgb ink, bool front) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  SetColor(cr, ink);
  switch (e) {
    case Eyes::Open:
    case Eyes::Determined:
    case Eyes::Sad:
      Ellipse(cr, x, y, 3.0 * s, 4.8 * s);
      cairo_fill(cr);
      SetColor(cr, Hex(0xFFFFFF));
      Ellipse(cr, x + 0.9 * s, y - 1.8 * s, 1.3 * s, 1.5 * s);
      cairo_fill(cr);
      SetColor(cr, ink);
      cairo_set_line_width(cr, 1.8 * s);
      if (e == Eyes::Determined || e == Eyes::Sad) {
        // Brows: the inner ends low (determined) or high (sad).
        bool innerLow = (e == Eyes::Determined);
        double inner = innerLow ? -5.2 : -9.0, outer = innerLow ? -8.8 : -6.0;
        double yl = front ? inner : outer, yr = front ? outer : inner;
        cairo_move_to(cr, x - 3.5 * s, y + yl * s);
        cairo_line_to(cr, x + 3.5 * s, y + yr * s);
        cairo_stroke(cr);
      }
      break;
    case Eyes::Happy:
      cairo_set_line_width(cr, 2.0 * s);
      cairo_arc(cr, x, y + 1.5 * s, 3.2 * s, kPi * 1.1, kPi * 1.9);
      cairo_stroke(cr);
      break;
    case Eyes::Blink:
      cairo_set_line_width(cr, 2.0 * s);
      cairo_move_to(cr, x - 3 * s, y);
      cairo_line_to(cr, x + 3 * s, y);
      cairo_stroke(cr);
      break;
    case Eyes::Hurt:
      cairo_set_line_width(cr, 2.0 * s);
      cairo_move_to(cr, x - 3 * s, y - 3 * s);
      cairo_line_to(cr, x + 3 * s, y + 3 * s);
      cairo_move_to(cr, x + 3 * s, y - 3 * s);
      cairo_line_to(cr, x - 3 * s, y + 3 * s);
      cairo_stroke(cr);
      break;
  }
}

void DrawMouth(cairo_t* cr, double x, double y, double s, Mouth m, Rgb ink) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 1.8 * s);
  switch (m) {
    case Mouth::Smile:
      SetColor(cr, ink);
      cairo_arc(cr, x, y - 2 * s, 3.4 * s, kPi * 0.15, kPi * 0.85);
      cairo_stroke(cr);
      break;
    case Mouth::Frown:
      SetColor(cr, ink);
      cairo_arc(cr, x, y + 3 * s, 3.2 * s, kPi * 1.2, kPi * 1.8);
      cairo_stroke(cr);
      break;
    case Mouth::O:
      Ellipse(cr, x, y, 2.4 * s, 3.0 * s);
      FillStroke(cr, Hex(0x8A1F3D), ink, 1.4 * s);
      break;
    case Mouth::Open:
    case Mouth::Grin:
      cairo_new_path(cr);
      cairo_arc(cr, x, y - 1 * s, 4.2 * s, 0, kPi);
      cairo_close_path(cr);
      FillStroke(cr, Hex(0x8A1F3D), ink, 1.4 * s);
      if (m == Mouth::Open) {
        Ellipse(cr, x, y + 1.6 * s, 2.2 * s, 1.2 * s);
        SetColor(cr, Hex(0xFF7A8A));
        cairo_fill(cr);
      } else {
        cairo_rectangle(cr, x - 3.4 * s, y - 1 * s, 6.8 * s, 1.6 * s);
        SetColor(cr, Hex(0xFFFFFF));
        cairo_fill(cr);
      }
      break;
  }
}

// The held or thrown shot of a character: a star for character 1, an energy
// ball in the character's accent colour for the others.
void DrawHeldShot(cairo_t* cr, int character, double x, double y, double r, const Design& d) {
  if (character == 1) {
    Star(cr, x, y, r, r * 0.45, 5, 0.2);
    FillStroke(cr, Hex(0xFFE14D), Hex(0xE07B00), 1.6);
  } else {
    Ellipse(cr, x, y, r * 0.8, r * 0.8);
    FillStroke(cr, Lighter(d.accent, 0.3), kInk, 1.6);
    Ellipse(cr, x - r * 0.25, y - r * 0.25, r * 0.25, r * 0.25);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
  }
}

// A hand: a small nub on the body's surface at angle phi around the body
// centre (0 forward, pi/2 down, -pi/2 up), reaching ext pixels past it.
// Birds get a wing instead. Returns the tip of the hand in *tx, *ty.
void DrawHand(cairo_t* cr, const Design& d, double phi, double ext, bool far, double* tx = nullptr,
              double* ty = nullptr) {
  double rx = d.bw / 2, ry = d.bh / 2;
  double c = std::cos(phi), s = std::sin(phi);
  // Surface point in this direction (ellipse), then out along the radius.
  double k = 1.0 / std::sqrt((c * c) / (rx * rx) + (s * s) / (ry * ry));
  double bx = c * k, by = s * k;
  bool bird = d.shape == Shape::Bird;
  double len = (bird ? 13 : 7.5) + ext;
  double mx = bx + c * (len / 2 - 3), my = by + s * (len / 2 - 3);
  cairo_save(cr);
  cairo_translate(cr, mx, my);
  cairo_rotate(cr, phi);
  Rgb col = bird ? Darker(d.body, 0.9) : d.limb;
  if (far) col = Darker(col, 0.82);
  if (bird) {
    cairo_new_path(cr);
    cairo_move_to(cr, -len / 2, -4.5);
    cairo_curve_to(cr, 0, -6, len / 2, -3, len / 2 + 1, 0);
    cairo_curve_to(cr, len / 2, 3, 0, 6, -len / 2, 4.5);
    cairo_close_path(cr);
  } else {
    Ellipse(cr, 0, 0, len / 2, 4.6);
  }
  FillStroke(cr, col, kInk, kLine * 0.9);
  cairo_restore(cr);
  if (tx) *tx = bx + c * (len - 2);
  if (ty) *ty = by + s * (len - 2);
}

void DrawLegAndFoot(cairo_t* cr, const Design& d, double hx, double hy, double fx, double lift,
                    bool far) {
  // The soles (outline included) end exactly on the feet line y = 0.
  double ax = hx + fx, ay = -lift - 4.8;
  if (d.shape == Shape::Bird) {
    Rgb col = far ? Darker(d.shoe, 0.8) : d.shoe;
    ay = -lift - 6.3;
    Capsule(cr, hx, hy, ax, ay, 3.2, col, kInk);
    // Three toes.
    for (int t = -1; t <= 1; ++t) {
      double tx = ax + 5.5 * std::cos(t * 0.55), ty = ay + 2.0 + 1.2 * std::sin(t * 0.55);
      Capsule(cr, ax, ay + 1, tx, ty, 2.4, col, kInk);
    }
    return;
  }
  Rgb col = far ? Darker(d.limb, 0.82) : d.limb;
  Capsule(cr, hx, hy, ax, ay, 7, col, kInk);
  Ellipse(cr, ax + 2, -lift - 4.85, 6.5, 3.8);
  FillStroke(cr, far ? Darker(d.shoe, 0.8) : d.shoe, kInk, kLine * 0.85);
}

void DrawCharacter(cairo_t* cr, int character, const Pose& p) {
  Design d = kDesigns[character - 1];
  if (p.flash) d = FlashDesign(d);
  Rgb ink = p.flash ? Hex(0xD0203A) : kInk;
  (void)ink;
  double hipY = -d.leg + p.bob + 1;
  double cy = -d.leg - d.bh / 2 + p.bob + 3;  // body centre (overlaps the hips a little)

  // Legs (far behind the body, near in front of it, both below the body).
  DrawLegAndFoot(cr, d, -3, hipY, p.ffx, p.ffy, true);

  cairo_save(cr);
  // Tilt the upper body around the hips.
  cairo_translate(cr, 0, hipY);
  cairo_rotate(cr, p.tilt);
  cairo_translate(cr, 0, cy - hipY);
  // Now (0,0) is the body centre.
  double rx = d.bw / 2, ry = d.bh / 2;

  // Behind the body: far hand, tails, back ear, antenna, backpack.
  DrawHand(cr, d, p.farm, p.fext, true);
  switch (d.shape) {
    case Shape::Blob: {  // a little red backpack
      RoundRect(cr, -rx - 7, -ry * 0.45, 16, 24, 5);
      FillStroke(cr, d.accent, kInk, kLine);
      RoundRect(cr, -rx - 8, -ry * 0.45, 13, 9, 4);
      FillStroke(cr, Lighter(d.accent, 0.25), kInk, kLine * 0.8);
      break;
    }
    case Shape::Cat: {  // tail
      cairo_new_path(cr);
      cairo_move_to(cr, -rx + 4, ry * 0.55);
      cairo_curve_to(cr, -rx - 12, ry * 0.5, -rx - 4, -ry * 0.2, -rx - 14, -ry * 0.55);
      SetColor(cr, kInk);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_set_line_width(cr, 6 + 2 * kLine);
      cairo_stroke_preserve(cr);
      SetColor(cr, d.limb);
      cairo_set_line_width(cr, 6);
      cairo_stroke(cr);
      // Back ear.
      cairo_move_to(cr, -rx * 0.75, -ry * 0.6);
      cairo_line_to(cr, -rx * 0.55, -ry - 11);
      cairo_line_to(cr, -rx * 0.05, -ry * 0.75);
      cairo_close_path(cr);
      FillStroke(cr, Darker(d.body, 0.88), kInk, kLine);
      break;
    }
    case Shape::Bird: {  // headband tails
      double by = -ry * 0.42;
      for (int i = 0; i < 2; ++i) {
        cairo_new_path(cr);
        cairo_move_to(cr, -rx * 0.8, by);
        cairo_curve_to(cr, -rx - 6, by - 2 + i * 5, -rx - 10, by + 2 + i * 6, -rx - 16,
                       by - 3 + i * 9);
        cairo_line_to(cr, -rx - 15, by + 2 + i * 9);
        cairo_curve_to(cr, -rx - 9, by + 5 + i * 6, -rx - 5, by + 4 + i * 4, -rx * 0.8,
                       by + 4);
        cairo_close_path(cr);
        FillStroke(cr, d.accent2, kInk, kLine * 0.8);
      }
      // Crest: three feathers.
      for (int i = 0; i < 3; ++i) {
        double a = -0.5 + i * 0.38;
        double bx = -2 + i * 3;
        cairo_save(cr);
        cairo_translate(cr, bx, -ry + 3);
        cairo_rotate(cr, a);
        Ellipse(cr, 0, -7, 3.2, 8);
        FillStroke(cr, i == 1 ? Hex(0xFFD23F) : d.accent, kInk, kLine * 0.8);
        cairo_restore(cr);
      }
      break;
    }
    case Shape::Egg: {  // antenna
      double topY = -d.bh * 0.58 + (d.bh * 0.58 - d.bh * 0.42) / 2;
      Capsule(cr, 1, topY + 2, 4, topY - 10, 2.2, d.limb, kInk);
      Ellipse(cr, 5, topY - 13, 4.5, 4.5);
      FillStroke(cr, d.accent, kInk, kLine * 0.9);
      break;
    }
    case Shape::Fluff: {  // back horn
      cairo_save(cr);
      cairo_translate(cr, -rx * 0.3, -ry * 0.62);
      cairo_new_path(cr);
      cairo_arc(cr, 0, 0, 3.8, kPi * 0.9, kPi * 2.3);
      SetColor(cr, kInk);
      cairo_set_line_width(cr, 3.4 + 1.6 * kLine);
      cairo_stroke_preserve(cr);
      SetColor(cr, Darker(d.accent, 0.85));
      cairo_set_line_width(cr, 3.4);
      cairo_stroke(cr);
      cairo_restore(cr);
      break;
    }
  }
  if (d.shape == Shape::Cat) {
    // Front ear (drawn before the body so the body covers its base).
    cairo_move_to(cr, -rx * 0.05, -ry * 0.7);
    cairo_line_to(cr, rx * 0.35, -ry - 12);
    cairo_line_to(cr, rx * 0.85, -ry * 0.55);
    cairo_close_path(cr);
    FillStroke(cr, d.body, kInk, kLine);
    cairo_move_to(cr, rx * 0.15, -ry * 0.72);
    cairo_line_to(cr, rx * 0.37, -ry - 6);
    cairo_line_to(cr, rx * 0.65, -ry * 0.62);
    cairo_close_path(cr);
    SetColor(cr, d.accent);
    cairo_fill(cr);
  }

  // The body, its belly, its outline.
  BodyPath(cr, d);
  SetColor(cr, d.body);
  cairo_fill(cr);
  cairo_save(cr);
  BodyPath(cr, d);
  cairo_clip(cr);
  if (d.shape == Shape::Egg)
    Ellipse(cr, rx * 0.2, ry * 0.3, rx * 0.62, ry * 0.5);
  else
    Ellipse(cr, rx * 0.25, ry * 0.32, rx * 0.62, ry * 0.55);
  SetColor(cr, d.belly);
  cairo_fill(cr);
  // A soft highlight on the upper back.
  Ellipse(cr, -rx * 0.35, -ry * 0.5, rx * 0.28, ry * 0.16);
  SetColor(cr, Lighter(d.body, 0.45));
  cairo_fill(cr);
  cairo_restore(cr);
  BodyPath(cr, d);
  SetColor(cr, kInk);
  cairo_set_line_width(cr, kLine);
  cairo_stroke(cr);

  // Head decorations in front.
  if (d.shape == Shape::Blob) {  // sprout
    Capsule(cr, -1, -ry + 1, -2, -ry - 6, 2.0, Hex(0x3C9A3A), kInk);
    cairo_save(cr);
    cairo_translate(cr, -2, -ry - 6);
    for (int s = -1; s <= 1; s += 2) {
      cairo_save(cr);
      cairo_rotate(cr, s * 0.9);
      Ellipse(cr, 0, -5, 3, 5.5);
      FillStroke(cr, d.accent2, kInk, kLine * 0.8);
      cairo_restore(cr);
    }
    cairo_restore(cr);
  } else if (d.shape == Shape::Fluff) {  // front horn
    cairo_save(cr);
    cairo_translate(cr, rx * 0.2, -ry * 0.66);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 3.8, kPi * 1.1, kPi * 2.5);
    SetColor(cr, kInk);
    cairo_set_line_width(cr, 3.4 + 1.6 * kLine);
    cairo_stroke_preserve(cr);
    SetColor(cr, d.accent);
    cairo_set_line_width(cr, 3.4);
    cairo_stroke(cr);
    cairo_restore(cr);
  } else if (d.shape == Shape::Bird) {  // headband across the forehead
    cairo_save(cr);
    BodyPath(cr, d);
    cairo_clip(cr);
    cairo_rectangle(cr, -rx, -ry * 0.55, d.bw, 6);
    SetColor(cr, d.accent2);
    cairo_fill_preserve(cr);
    SetColor(cr, kInk);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_restore(cr);
  }

  // Face.
  double eyeY = (d.shape == Shape::Egg) ? -ry * 0.28 : -ry * 0.12;
  double e1 = rx * 0.60, e2 = rx * 0.16;
  if (d.shape == Shape::Bird) eyeY = -ry * 0.05;
  // Cheeks.
  SetColor(cr, Mix(d.body, Hex(0xFF5A7A), 0.45));
  Ellipse(cr, rx * 0.78, eyeY + 8, 4, 2.6);
  cairo_fill(cr);
  DrawEye(cr, e2, eyeY, 0.9, p.eyes, kInk, false);
  DrawEye(cr, e1, eyeY, 1.0, p.eyes, kInk, true);
  if (d.shape == Shape::Bird) {
    cairo_new_path(cr);
    cairo_move_to(cr, rx - 3, eyeY + 3);
    cairo_line_to(cr, rx + 9, eyeY + 7);
    cairo_line_to(cr, rx - 3, eyeY + 11);
    cairo_close_path(cr);
    FillStroke(cr, d.accent, kInk, kLine * 0.8);
    if (p.mouth == Mouth::Open || p.mouth == Mouth::O || p.mouth == Mouth::Grin) {
      cairo_move_to(cr, rx - 2, eyeY + 7);
      cairo_line_to(cr, rx + 8, eyeY + 7);
      SetColor(cr, kInk);
      cairo_set_line_width(cr, 1.4);
      cairo_stroke(cr);
    }
  } else {
    if (d.shape == Shape::Cat) {  // whiskers
      SetColor(cr, kInk);
      cairo_set_line_width(cr, 1.1);
      for (int w = -1; w <= 1; w += 2) {
        cairo_move_to(cr, rx * 0.7, eyeY + 9 + w * 1.5);
        cairo_line_to(cr, rx + 6, eyeY + 8 + w * 3.5);
      }
      cairo_stroke(cr);
    }
    DrawMouth(cr, rx * 0.42, eyeY + 10, 0.9, p.mouth, kInk);
  }

  // Accessories in front of the body.
  if (d.shape == Shape::Cat) {  // collar and bell
    cairo_save(cr);
    BodyPath(cr, d);
    cairo_clip(cr);
    cairo_rectangle(cr, -rx, ry * 0.22, d.bw, 4.5);
    SetColor(cr, Hex(0xE8412C));
    cairo_fill(cr);
    cairo_restore(cr);
    Ellipse(cr, rx * 0.55, ry * 0.22 + 7, 3.6, 3.6);
    FillStroke(cr, d.accent2, kInk, kLine * 0.7);
  } else if (d.shape == Shape::Egg) {  // chest badge: a small star
    Star(cr, rx * 0.3, ry * 0.35, 5, 2.2, 5, 0);
    FillStroke(cr, d.accent, kInk, 1.2);
  }

  // Near hand and the held shot.
  double tipX = 0, tipY = 0;
  DrawHand(cr, d, p.narm, p.next, false, &tipX, &tipY);
  if (p.hold) DrawHeldShot(cr, character, tipX, tipY - 3, 7, d);
  if (p.speed) {
    SetColor(cr, kInk);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 3; ++i) {
      cairo_move_to(cr, tipX - 12, tipY - 7 + i * 7);
      cairo_line_to(cr, tipX - 26, tipY - 9 + i * 8);
    }
    cairo_stroke(cr);
  }
  if (p.pain) {
    // Sweat drops and a shock mark above the head.
    SetColor(cr, Hex(0x7FD4FF));
    for (int i = 0; i < 2; ++i) {
      double x = -rx * 0.3 + i * 14, y = -ry - 6 - i * 3;
      cairo_new_path(cr);
      cairo_move_to(cr, x, y - 5);
      cairo_curve_to(cr, x + 4, y, x + 3, y + 3, x, y + 3);
      cairo_curve_to(cr, x - 3, y + 3, x - 4, y, x, y - 5);
      cairo_close_path(cr);
      FillStroke(cr, Hex(0x7FD4FF), kInk, 1.2);
    }
  }
  cairo_restore(cr);

  DrawLegAndFoot(cr, d, 3, hipY, p.nfx, p.nfy, false);
}

Pose PlayerPose(int character, int frame) {
  const Design& d = kDesigns[character - 1];
  Pose p;
  if (frame >= 1 && frame <= 6) {
    double ph = (30.0 + 60.0 * (frame - 1)) * kPi / 180.0;
    double s = std::sin(ph), c = std::cos(ph);
    p.nfx = 2 + d.stride * s;
    p.ffx = -2 - d.stride * s + 1;
    p.nfy = c > 0 ? 6 * c : 0;
    p.ffy = c < 0 ? -6 * c : 0;
    p.bob = -2.0 * (1 - std::fabs(s));
    p.tilt = 0.07;
    p.narm = (55 + 38 * s) * kPi / 180.0;   // the near hand swings against the near leg
    p.farm = (125 - 38 * s) * kPi / 180.0;
    p.next = 2;
    p.fext = 2;
    if (d.shape == Shape::Bird) {  // wings swing higher, clear of the feet
      p.narm = (30 + 30 * s) * kPi / 180.0;
      p.farm = (150 - 30 * s) * kPi / 180.0;
    }
    return p;
  }
  switch (frame) {
    case 7:  // in the air, rising: legs tucked, arms up
      p.nfx = 6; p.nfy = 7; p.ffx = -2; p.ffy = 5;
      p.bob = -3; p.narm = -55 * kPi / 180; p.farm = -125 * kPi / 180;
      p.next = 4; p.fext = 4;
      p.mouth = Mouth::Open;
      break;
    case 8:  // in the air, falling: legs stretched, arms out
      p.nfx = 8; p.nfy = 1; p.ffx = -8; p.ffy = 3;
      p.bob = -1; p.narm = 5 * kPi / 180; p.farm = 175 * kPi / 180;
      p.next = 4; p.fext = 4;
      p.mouth = Mouth::O;
      break;
    case 9:
    case 18:  // hurt, two alternating frames
      p.nfx = 7; p.nfy = 4; p.ffx = -5; p.ffy = 0;
      p.tilt = -0.28; p.narm = -70 * kPi / 180; p.farm = -110 * kPi / 180;
      p.next = 4; p.fext = 4;
      p.eyes = Eyes::Hurt; p.mouth = Mouth::Open; p.pain = true;
      p.flash = (frame == 18);
      break;
    case 10:  // attack: wind-up, the shot raised behind
      p.nfx = 7; p.ffx = -7; p.tilt = -0.14;
      p.narm = -140 * kPi / 180; p.farm = 60 * kPi / 180; p.hold = true;
      p.next = 4;
      p.eyes = Eyes::Determined; p.mouth = Mouth::Grin;
      break;
    case 11:  // attack: throw
      p.nfx = 10; p.ffx = -7; p.ffy = 2; p.tilt = 0.2;
      p.narm = -5 * kPi / 180; p.farm = 150 * kPi / 180;
      p.next = 7;
      p.eyes = Eyes::Determined; p.mouth = Mouth::Open;
      break;
    default:  // 0 standing; 12-17 and 19 unused: standing as well
      break;
  }
  return p;
}

// --- Enemies -----------------------------------------------------------------

const Rgb kCap = Hex(0xE8342E), kStem = Hex(0xFFE3B3), kFoot = Hex(0x3A2A2A);

struct EnemyPose {
  double nfx = 3, nfy = 0, ffx = -3, ffy = 0, bob = 0;
  double narm = 0.3, farm = -0.3;
  bool flash = false;     // frame 8: white silhouette
  bool sparkle = false;   // frame 9: appearing / hurt sparkles
  bool tuck = false;
  int attack = 0;         // enemy 2: 1 bomb over the head, 2 throwing
};

EnemyPose EnemyWalkPose(int k) {
  EnemyPose p;
  double ph = (60.0 * k) * kPi / 180.0;
  double s = std::sin(ph), c = std::cos(ph);
  p.nfx = 2 + 8 * s;
  p.ffx = -1 - 8 * s;
  p.nfy = c > 0 ? 6 * c : 0;
  p.ffy = c < 0 ? -6 * c : 0;
  p.bob = -2.0 * std::fabs(c);
  p.narm = -0.8 * s;
  p.farm = 0.8 * s;
  return p;
}

void EnemyFoot(cairo_t* cr, double x, double lift, Rgb col, Rgb ink) {
  Ellipse(cr, x + 2, -lift - 5.3, 7, 4.2);
  FillStroke(cr, col, ink, kLine * 0.9);
}

void SparkleAround(cairo_t* cr, double cx, double cy, double r) {
  const double ang[4] = {0.3, 1.9, 3.4, 4.9};
  for (int i = 0; i < 4; ++i) {
    double x = cx + r * std::cos(ang[i]), y = cy + r * std::sin(ang[i]);
    Star(cr, x, y, 6, 1.8, 4, 0);
    FillStroke(cr, Hex(0xFFF27A), Hex(0xE07B00), 1.0);
  }
}

void DrawMushroom(cairo_t* cr, const EnemyPose& p) {
  Rgb cap = p.flash ? Hex(0xFFFFFF) : kCap;
  Rgb stem = p.flash ? Hex(0xFFFFFF) : kStem;
  Rgb foot = p.flash ? Hex(0xFFD0D0) : kFoot;
  Rgb ink = p.flash ? Hex(0xD0203A) : kInk;
  EnemyFoot(cr, p.ffx - 4, p.ffy, p.flash ? foot : Hex(0x241818), ink);
  double by = p.bob;
  // Stem (the body) with the face.
  RoundRect(cr, -14, -38 + by, 28, 32, 10);
  FillStroke(cr, stem, ink, kLine);
  // Angry face on the stem, facing right.
  if (!p.flash) {
    double ey = -25 + by;
    for (double ex : {1.5, 10.0}) {
      Ellipse(cr, ex, ey, 3.4, 4.4);
      FillStroke(cr, Hex(0xFFFFFF), ink, 1.3);
      Ellipse(cr, ex + 1.2, ey + 0.8, 1.8, 2.6);
      SetColor(cr, ink);
      cairo_fill(cr);
    }
    SetColor(cr, ink);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, -2.5, ey - 7);
    cairo_line_to(cr, 4.5, ey - 3.5);
    cairo_move_to(cr, 14, ey - 7);
    cairo_line_to(cr, 8, ey - 3.5);
    cairo_stroke(cr);
    // Grumpy mouth with a fang.
    cairo_set_line_width(cr, 1.8);
    cairo_move_to(cr, 2, -14 + by);
    cairo_line_to(cr, 12, -15 + by);
    cairo_stroke(cr);
    cairo_move_to(cr, 9, -15 + by);
    cairo_line_to(cr, 10.5, -12 + by);
    cairo_line_to(cr, 12, -15 + by);
    cairo_close_path(cr);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill_preserve(cr);
    SetColor(cr, ink);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
  }
  // Cap: a wide dome with white spots.
  double capY = -34 + by + (p.tuck ? -3 : 0);
  cairo_new_path(cr);
  cairo_move_to(cr, -29, capY);
  cairo_curve_to(cr, -29, capY - 34, 29, capY - 34, 29, capY);
  cairo_curve_to(cr, 20, capY + 5, -20, capY + 5, -29, capY);
  cairo_close_path(cr);
  FillStroke(cr, cap, ink, kLine);
  if (!p.flash) {
    SetColor(cr, Hex(0xFFFFFF));
    Ellipse(cr, 2, capY - 17, 6, 4.5);
    Ellipse(cr, -16, capY - 9, 5, 4);
    Ellipse(cr, 18, capY - 8, 4.5, 3.8);
    cairo_fill(cr);
  }
  EnemyFoot(cr, p.nfx + 3, p.nfy, foot, ink);
  if (p.sparkle) SparkleAround(cr, 0, -32, 36);
}

void DrawBomber(cairo_t* cr, const EnemyPose& p) {
  Rgb body = p.flash ? Hex(0xFFFFFF) : Hex(0x39457A);
  Rgb helm = p.flash ? Hex(0xFFFFFF) : Hex(0xA9B2C6);
  Rgb boot = p.flash ? Hex(0xFFD0D0) : Hex(0x7A4A24);
  Rgb ink = p.flash ? Hex(0xD0203A) : kInk;
  double by = p.bob;
  cairo_save(cr);
  cairo_scale(cr, 0.92, 0.92);
  // Legs and boots.
  auto leg = [&](double fx, double lift, bool far) {
    Rgb c = far ? Darker(body, 0.8) : body;
    Capsule(cr, far ? -4 : 4, -14 + by, fx, -lift - 4, 6, c, ink);
    EnemyFoot(cr, fx, lift, far ? Darker(boot, 0.8) : boot, ink);
  };
  leg(p.ffx - 2, p.ffy, true);
  // Far arm.
  auto arm = [&](double ang, bool far) {
    double sx = far ? -6 : 2, sy = -34 + by;
    double ex = sx + 13 * std::sin(ang), ey = sy + 13 * std::cos(ang);
    Capsule(cr, sx, sy, ex, ey, 6, far ? Darker(body, 0.8) : body, ink);
    Ellipse(cr, ex, ey, 4.4, 4.4);
    FillStroke(cr, p.flash ? Hex(0xFFFFFF) : Hex(0x222222), ink, kLine * 0.8);
    return std::pair<double, double>(ex, ey);
  };
  double farA = p.farm, nearA = p.narm;
  if (p.attack == 1) { farA = -0.4; nearA = -2.3; }
  if (p.attack == 2) { farA = -1.0; nearA = 1.6; }
  arm(farA, true);
  // Body: a rounded barrel.
  RoundRect(cr, -15, -50 + by, 30, 40, 12);
  FillStroke(cr, body, ink, kLine);
  // Belt.
  if (!p.flash) {
    cairo_rectangle(cr, -15, -24 + by, 30, 5);
    SetColor(cr, Hex(0x1E2440));
    cairo_fill(cr);
    cairo_rectangle(cr, 4, -25 + by, 6, 7);
    FillStroke(cr, Hex(0xFFC93C), ink, 1.0);
  }
  // Helmet with spikes and a visor with one glowing eye.
  double hy = -52 + by;
  for (int i = -1; i <= 1; ++i) {
    cairo_new_path(cr);
    cairo_move_to(cr, i * 9 - 4, hy - 14 + std::abs(i) * 3);
    cairo_line_to(cr, i * 9, hy - 27 + std::abs(i) * 5);
    cairo_line_to(cr, i * 9 + 4, hy - 14 + std::abs(i) * 3);
    cairo_close_path(cr);
    FillStroke(cr, p.flash ? Hex(0xFFFFFF) : Hex(0xD8DDE8), ink, kLine * 0.8);
  }
  Ellipse(cr, 0, hy - 4, 19, 15);
  FillStroke(cr, helm, ink, kLine);
  if (!p.flash) {
    RoundRect(cr, 0, hy - 8, 19, 10, 4);
    FillStroke(cr, Hex(0x1A1A2E), ink, 1.4);
    Ellipse(cr, 11, hy - 3, 4, 3.2);
    SetColor(cr, Hex(0xFFE14D));
    cairo_fill(cr);
    Ellipse(cr, 12, hy - 4, 1.4, 1.1);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
  }
  if (p.attack == 1 && !p.flash) {
    // The bomb, held back behind the head, ready to throw.
    double bx = 2 + 13 * std::sin(nearA) - 4, bybomb = -34 + by + 13 * std::cos(nearA) - 8;
    Capsule(cr, bx + 5, bybomb - 8, bx + 10, bybomb - 14, 2.2, Hex(0xC8A26A), ink);
    Ellipse(cr, bx, bybomb, 10, 10);
    FillStroke(cr, Hex(0x2A2A3A), ink, kLine);
    Ellipse(cr, bx - 4, bybomb - 4, 2.6, 2.1);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill(cr);
    Star(cr, bx + 11, bybomb - 16, 5, 2, 6, 0);
    FillStroke(cr, Hex(0xFFD23F), Hex(0xE8412C), 1.0);
  }
  arm(nearA, false);
  leg(p.nfx + 2, p.nfy, false);
  cairo_restore(cr);
  if (p.sparkle) SparkleAround(cr, 0, -38, 36);
}

EnemyPose EnemyPoseFor(int kind, int frame) {
  EnemyPose p;
  if (frame <= 5) return EnemyWalkPose(frame);
  if (kind == 1) {
    if (frame == 6) {  // in the air
      p.nfx = 6; p.nfy = 7; p.ffx = -6; p.ffy = 7; p.tuck = true; p.bob = -4;
    }
    // 7 unused: standing.
  } else {
    if (frame == 6) p.attack = 1;  // bomb raised
    if (frame == 7) { p.attack = 2; p.nfx = 9; p.ffx = -7; }
  }
  if (frame == 8) p.flash = true;
  if (frame == 9) p.sparkle = true;
  return p;
}

void DrawEnemyBody(cairo_t* cr, int kind, int frame) {
  EnemyPose p = EnemyPoseFor(kind, frame);
  if (kind == 1)
    DrawMushroom(cr, p);
  else
    DrawBomber(cr, p);
}

}  // namespace

const char* CharacterName(int character) { return kDesigns[character - 1].name; }

void DrawCharacterAt(cairo_t* cr, int character, double x, double y, double scale, int frame,
                     bool faceLeft) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, faceLeft ? -scale : scale, scale);
  DrawCharacter(cr, character, PlayerPose(character, frame));
  cairo_restore(cr);
}

void DrawEnemyAt(cairo_t* cr, int kind, double x, double y, double scale, int frame,
                 bool faceLeft) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, faceLeft ? -scale : scale, scale);
  DrawEnemyBody(cr, kind, frame);
  cairo_restore(cr);
}

void DrawPlayerFrame(cairo_t* cr, int character, int frame) {
  DrawCharacterAt(cr, character, kFeetX, kFeetY, 1.0, frame);
}

void DrawEnemy1Frame(cairo_t* cr, int frame) { DrawEnemyAt(cr, 1, kFeetX, kFeetY, 1.0, frame); }
void DrawEnemy2Frame(cairo_t* cr, int frame) { DrawEnemyAt(cr, 2, kFeetX, kFeetY, 1.0, frame); }

// A defeated enemy: a puff of smoke with stars; frames 0 and 1 alternate.
void DrawEnemyOutFrame(cairo_t* cr, int frame) {
  bool odd = frame % 2 == 1;
  double cx = 50, cy = 58;
  Rng rng(77);
  const int n = 7;
  for (int i = 0; i < n; ++i) {
    double a = 2 * kPi * i / n + (odd ? 0.45 : 0);
    double r = odd ? 17 : 12;
    double pr = (odd ? 10 : 12) + rng.Range(-2, 2);
    Ellipse(cr, cx + r * std::cos(a), cy + r * std::sin(a) * 0.8, pr, pr);
    FillStroke(cr, Hex(0xF2F0F7), kInk, kLine);
  }
  Ellipse(cr, cx, cy, odd ? 16 : 17, odd ? 14 : 15);
  SetColor(cr, Hex(0xF2F0F7));
  cairo_fill(cr);
  Ellipse(cr, cx - 4, cy - 4, 6, 4);
  SetColor(cr, Hex(0xFFFFFF));
  cairo_fill(cr);
  for (int i = 0; i < 3; ++i) {
    double a = 2 * kPi * i / 3 + (odd ? 1.0 : 0.0) - kPi / 2;
    double r = odd ? 36 : 30;
    Star(cr, cx + r * std::cos(a), cy + r * std::sin(a) * 0.75, 7, 3, 5, odd ? 0.6 : 0);
    FillStroke(cr, Hex(0xFFE14D), Hex(0xC86A00), 1.2);
  }
}

// The enemy's bomb: 64x50, facing right (fuse at the back, spark on top).
void DrawBombFrame(cairo_t* cr, int frame) {
  double cx = 32, cy = 31, r = 13.5;
  Capsule(cr, cx - 6, cy - r + 2, cx - 10, cy - r - 6, 2.4, Hex(0xC8A26A), kInk);
  RoundRect(cr, cx - 6, cy - r - 3, 9, 6, 2);
  FillStroke(cr, Hex(0x5A6070), kInk, 1.4);
  Ellipse(cr, cx, cy, r, r);
  FillStroke(cr, Hex(0x2E2E44), kInk, kLine);
  Ellipse(cr, cx - 5, cy - 5, 4, 3);
  SetColor(cr, Hex(0x8A8AA8));
  cairo_fill(cr);
  Ellipse(cr, cx - 6, cy - 6, 1.6, 1.2);
  SetColor(cr, Hex(0xFFFFFF));
  cairo_fill(cr);
  double sx = cx - 11, sy = cy - r - 8;
  if (frame == 0) {
    Star(cr, sx, sy, 8, 3, 8, 0);
    FillStroke(cr, Hex(0xFFE14D), Hex(0xE8412C), 1.2);
  } else {
    Star(cr, sx, sy, 5.5, 2.5, 6, 0.3);
    FillStroke(cr, Hex(0xFF9F1C), Hex(0xE8412C), 1.2);
  }
}

// Character 1's thrown star, 42x42; frames 0-3 are a spin, 4 a burst.
void DrawStarShotFrame(cairo_t* cr, int frame) {
  double cx = 21, cy = 21;
  if (frame == 4) {
    Star(cr, cx, cy, 18, 6, 8, 0.2);
    FillStroke(cr, Hex(0xFFF27A), Hex(0xE07B00), 1.8);
    return;
  }
  double rot = frame * (2 * kPi / 5) / 4;
  Star(cr, cx, cy, 17, 7.5, 5, rot);
  FillStroke(cr, Hex(0xFFE14D), Hex(0xE07B00), 2.2);
  Star(cr, cx, cy, 9, 4, 5, rot);
  SetColor(cr, Hex(0xFFF8C2));
  cairo_fill(cr);
  // Two small eyes that keep upright.
  SetColor(cr, kInk);
  Ellipse(cr, cx - 3, cy, 1.5, 2.4);
  Ellipse(cr, cx + 3, cy, 1.5, 2.4);
  cairo_fill(cr);
}

// Character 1's portraits, 100x100: 0 stage start, 1 stage start with text,
// 2 game over, 3 ending.
void DrawPortraitFrame(cairo_t* cr, int frame) {
  double cx = 50, cy = 52, r = 44;
  Rgb top[4] = {Hex(0x8FD8FF), Hex(0x8FD8FF), Hex(0x5B6FA8), Hex(0xFFC46B)};
  Rgb bot[4] = {Hex(0xE8F8FF), Hex(0xE8F8FF), Hex(0x9FA9C8), Hex(0xFFF1C9)};
  Rgb ring[4] = {Hex(0xFFD23F), Hex(0xFFD23F), Hex(0x8A93AE), Hex(0xFF8C42)};
  Ellipse(cr, cx, cy, r + 3, r + 3);
  FillStroke(cr, ring[frame], kInk, 2.6);
  cairo_save(cr);
  Ellipse(cr, cx, cy, r - 2, r - 2);
  cairo_clip(cr);
  VerticalGradient(cr, 0, 0, 100, 100, top[frame], bot[frame]);
  if (frame == 3) {
    for (int i = 0; i < 12; ++i) {
      cairo_move_to(cr, cx, cy + 20);
      cairo_arc(cr, cx, cy + 20, 80, i * kPi / 6, i * kPi / 6 + kPi / 12);
      cairo_close_path(cr);
    }
    SetColor(cr, Hex(0xFFE8A0));
    cairo_fill(cr);
  }
  Pose p;
  p.bob = 0;
  switch (frame) {
    case 0: p.eyes = Eyes::Open; p.mouth = Mouth::Smile; break;
    case 1: p.eyes = Eyes::Determined; p.mouth = Mouth::Open; p.narm = -50 * kPi / 180; p.next = 3; break;
    case 2: p.eyes = Eyes::Sad; p.mouth = Mouth::Frown; break;
    case 3: p.eyes = Eyes::Happy; p.mouth = Mouth::Open; p.narm = -60 * kPi / 180; p.next = 3; break;
  }
  cairo_save(cr);
  cairo_translate(cr, 43, 104);
  cairo_scale(cr, 1.5, 1.5);
  DrawCharacter(cr, 1, p);
  cairo_restore(cr);
  if (frame == 2) {  // a tear
    cairo_new_path(cr);
    cairo_move_to(cr, 77, 50);
    cairo_curve_to(cr, 82, 58, 82, 63, 77, 63);
    cairo_curve_to(cr, 72, 63, 72, 58, 77, 50);
    cairo_close_path(cr);
    FillStroke(cr, Hex(0x9FE3FF), kInk, 1.5);
  }
  cairo_restore(cr);
  if (frame == 1) {
    // Speech bubble with the text.
    RoundRect(cr, 52, 2, 46, 26, 10);
    FillStroke(cr, Hex(0xFFFFFF), kInk, 2.2);
    TextStyle st;
    st.font = "DejaVu Sans Bold 15";
    st.fill = Hex(0xE8412C);
    st.maxWidth = 40;
    DrawText(cr, "GO!", 75, 15, st);
  }
  if (frame == 3) {
    Star(cr, 14, 16, 8, 3, 4, 0);
    Star(cr, 86, 20, 7, 2.6, 4, 0);
    Star(cr, 88, 80, 6, 2.2, 4, 0);
    FillStroke(cr, Hex(0xFFF27A), Hex(0xE07B00), 1.2);
  }
}

}  // namespace ag
