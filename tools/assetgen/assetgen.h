// assetgen: writes the project's own default asset set (issue 6).
// Shared declarations of the generator's parts.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ag {

// ---------------------------------------------------------------------------
// The asset table: every picture and sound the game's load lists name.

enum class Format { Png, Jpeg, Bmp };

struct ImageSpec {
  const char* name;
  int width;
  int height;
  int frames;   // horizontal strip of this many equal frames (1: single picture)
  bool keyed;   // loaded by the keyed loader: transparent parts have alpha 0
  Format format;
};

struct SoundSpec {
  const char* name;
  bool midi;     // true: Standard MIDI File; false: RIFF WAVE effect
  const char* role;
};

const std::vector<ImageSpec>& ImageTable();
const std::vector<SoundSpec>& SoundTable();

// ---------------------------------------------------------------------------
// Pictures. Each Draw* function draws into a cleared surface of the table's
// size; RenderImage dispatches by name and applies the keyed threshold.

cairo_surface_t* RenderImage(const ImageSpec& spec);

// Sprites (sprites.cpp). Each draws one 100x100 frame (or the item's frame)
// with its top-left corner at the current origin.
void DrawPlayerFrame(cairo_t* cr, int character, int frame);   // character 1..5
void DrawEnemy1Frame(cairo_t* cr, int frame);
void DrawEnemy2Frame(cairo_t* cr, int frame);
void DrawEnemyOutFrame(cairo_t* cr, int frame);
void DrawBombFrame(cairo_t* cr, int frame);                     // 64x50, facing right
void DrawStarShotFrame(cairo_t* cr, int frame);                 // 42x42
void DrawPortraitFrame(cairo_t* cr, int frame);                 // 100x100
// A character standing at (x, y) = feet centre, scaled; used by the screens.
void DrawCharacterAt(cairo_t* cr, int character, double x, double y, double scale,
                     int frame, bool faceLeft = false);
void DrawEnemyAt(cairo_t* cr, int kind, double x, double y, double scale, int frame,
                 bool faceLeft = false);
const char* CharacterName(int character);

// Screens and panels (screens.cpp).
void DrawLogo(cairo_t* cr, int which);
void DrawTitle(cairo_t* cr, bool prompt);
void DrawCharSelect(cairo_t* cr);
void DrawLoading(cairo_t* cr);
void DrawStageBack(cairo_t* cr);
void DrawBlock(cairo_t* cr);
void DrawCommentFrame(cairo_t* cr, int frame);   // 360x200
void DrawContinueMenu(cairo_t* cr, int selected); // 1 continue, 2 quit
void DrawMessage(cairo_t* cr);
void DrawHpPanel(cairo_t* cr);
void DrawHpIcon(cairo_t* cr);
void DrawStageCountBase(cairo_t* cr);
void DrawDigitFrame(cairo_t* cr, int digit);      // 40x40

// ---------------------------------------------------------------------------
// Writers (draw.cpp).
bool WritePng(cairo_surface_t* s, const std::string& path, std::string* why);
bool WriteJpeg(cairo_surface_t* s, const std::string& path, int quality, std::string* why);
bool WriteBmp24(cairo_surface_t* s, const std::string& path, std::string* why);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* why);
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);

// Keyed pictures: alpha below half becomes fully transparent (0), the rest
// fully opaque, as the game's keyed loader will show them.
void ThresholdAlpha(cairo_surface_t* s);

// ---------------------------------------------------------------------------
// Sounds.
std::vector<uint8_t> MakeMidi(const std::string& name);   // midi.cpp
std::vector<uint8_t> MakeWave(const std::string& name);   // wave.cpp

// ---------------------------------------------------------------------------
// Contact sheet (contact.cpp): all pictures of dir into one labelled PNG.
int ContactSheet(const std::string& outPng, const std::string& dir);

}  // namespace ag
