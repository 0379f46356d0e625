// assetgen: the project's own default asset set (issue 6).
//
//   assetgen OUTDIR                       write every picture and sound as OUTDIR/<name>.tov
//   assetgen --contact-sheet OUT.png DIR  render all pictures of DIR into one labelled PNG
//   assetgen --icon OUT.png                the program's own window icon, 32x32
//   assetgen --list                       print the table of files
//
// Output is deterministic: fixed seeds, no time stamps in any file.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "assetgen.h"
#include "draw.h"

namespace ag {

const std::vector<ImageSpec>& ImageTable() {
  static const std::vector<ImageSpec> table = {
      {"logo1", 640, 480, 1, false, Format::Png},
      {"logo2", 640, 480, 1, false, Format::Png},
      {"back_start1", 640, 480, 1, false, Format::Png},
      {"back_start2", 640, 480, 1, false, Format::Png},
      {"back_char_select1", 640, 480, 1, false, Format::Png},
      {"Loading", 640, 480, 1, false, Format::Jpeg},
      {"back_stage1", 1280, 480, 1, false, Format::Png},
      {"block1", 64, 20, 1, true, Format::Png},
      {"mychar1_right", 2000, 100, 20, true, Format::Png},
      {"mychar2_right", 2000, 100, 20, true, Format::Png},
      {"mychar3_right", 2000, 100, 20, true, Format::Png},
      {"mychar4_right", 2000, 100, 20, true, Format::Png},
      {"mychar5_right", 2000, 100, 20, true, Format::Png},
      {"mychar1_left", 2000, 100, 20, true, Format::Png},
      {"mychar2_left", 2000, 100, 20, true, Format::Png},
      {"mychar3_left", 2000, 100, 20, true, Format::Png},
      {"mychar4_left", 2000, 100, 20, true, Format::Png},
      {"mychar5_left", 2000, 100, 20, true, Format::Png},
      {"mychar1_attack", 210, 42, 5, true, Format::Png},
      {"enemy_out", 1000, 100, 10, true, Format::Png},
      {"enemy1_right", 1000, 100, 10, true, Format::Png},
      {"enemy1_left", 1000, 100, 10, true, Format::Png},
      {"enemy2_right", 1000, 100, 10, true, Format::Png},
      {"enemy2_left", 1000, 100, 10, true, Format::Png},
      {"enemy2_attack_right", 128, 50, 2, true, Format::Png},
      {"enemy2_attack_left", 128, 50, 2, true, Format::Png},
      {"char1", 400, 100, 4, true, Format::Png},
      {"comment", 1800, 200, 5, true, Format::Png},
      {"black", 640, 480, 1, false, Format::Bmp},
      {"back_char_con1", 640, 480, 1, true, Format::Png},
      {"back_char_con2", 640, 480, 1, true, Format::Png},
      {"Message1", 640, 480, 1, false, Format::Bmp},
      {"HP_M1", 306, 58, 1, true, Format::Png},
      {"HP1", 30, 24, 1, true, Format::Png},
      {"stage_count_base", 342, 42, 1, true, Format::Png},
      {"stage_count", 400, 40, 10, true, Format::Png},
  };
  return table;
}

const std::vector<SoundSpec>& SoundTable() {
  static const std::vector<SoundSpec> table = {
      {"logo", true, "logo jingle (once)"},
      {"gorumo", true, "title music (loop)"},
      {"CharSelect", true, "character-select music (loop), also after the ending"},
      {"Ring", true, "stage music (loop)"},
      {"bossbattle", true, "boss-stage music (loop)"},
      {"StageClear", true, "stage-clear jingle (once)"},
      {"RoundClear", true, "ending music (loop)"},
      {"GameOver", true, "game-over music (loop)"},
      {"SE01", false, "attack placeholder of the select scene (replaced before play)"},
      {"SE03", false, "continue-menu cursor"},
      {"SE04", false, "character-select confirm"},
      {"SE05", false, "title confirm"},
      {"SE08", false, "player damage"},
      {"SE09", false, "attack of character 1 (thrown star)"},
      {"SE10", false, "attack of character 3 (rolling bomb)"},
      {"SE11", false, "attack of character 2 (placed shot)"},
      {"SE12", false, "enemy hit / defeated"},
      {"SE14", false, "enemy bomb thrown"},
      {"SE16", false, "continue chosen / pause code done"},
      {"SE18", false, "enemy teleport / boss hit"},
      {"SE20", false, "falling rock"},
      {"SE21", false, "enemy shot (types 5, 15)"},
      {"SE22", false, "enemy shot (types 4, 14)"},
      {"SE23", false, "player falls at game over"},
      {"SE24", false, "quit chosen"},
      {"SE25", false, "big jump"},
      {"SE28", false, "stage banner / boss summons"},
      {"SE29", false, "homing shot"},
      {"SE30", false, "attack of character 4"},
      {"SE31", false, "recovery item taken"},
      {"SE32", false, "attack of character 5"},
      {"SE35", false, "boss defeated"},
  };
  return table;
}

namespace {

// Mirror every frame of a strip about its own vertical centre line.
cairo_surface_t* MirrorStrip(cairo_surface_t* src, int frames) {
  int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
  int fw = w / frames;
  cairo_surface_t* dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(dst);
  for (int f = 0; f < frames; ++f) {
    cairo_save(cr);
    cairo_rectangle(cr, f * fw, 0, fw, h);
    cairo_clip(cr);
    // x' = 2*f*fw + fw - x maps frame f onto itself, mirrored.
    cairo_matrix_t m = {-1, 0, 0, 1, 2.0 * f * fw + fw, 0};
    cairo_set_matrix(cr, &m);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  return dst;
}

bool EndsWith(const std::string& s, const char* suffix) {
  size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Draws the right-facing (or only) version of a picture.
void DrawByName(cairo_t* cr, const std::string& name, const ImageSpec& spec) {
  int fw = spec.width / spec.frames;
  auto strip = [&](auto fn) {
    for (int f = 0; f < spec.frames; ++f) {
      cairo_save(cr);
      cairo_rectangle(cr, f * fw, 0, fw, spec.height);
      cairo_clip(cr);
      cairo_translate(cr, f * fw, 0);
      fn(f);
      cairo_restore(cr);
    }
  };
  if (name == "logo1") DrawLogo(cr, 1);
  else if (name == "logo2") DrawLogo(cr, 2);
  else if (name == "back_start1") DrawTitle(cr, true);
  else if (name == "back_start2") DrawTitle(cr, false);
  else if (name == "back_char_select1") DrawCharSelect(cr);
  else if (name == "Loading") DrawLoading(cr);
  else if (name == "back_stage1") DrawStageBack(cr);
  else if (name == "block1") DrawBlock(cr);
  else if (name.rfind("mychar", 0) == 0 && name != "mychar1_attack") {
    int c = name[6] - '0';
    strip([&](int f) { DrawPlayerFrame(cr, c, f); });
  } else if (name == "mychar1_attack") strip([&](int f) { DrawStarShotFrame(cr, f); });
  else if (name == "enemy_out") strip([&](int f) { DrawEnemyOutFrame(cr, f); });
  else if (name.rfind("enemy1_", 0) == 0) strip([&](int f) { DrawEnemy1Frame(cr, f); });
  else if (name.rfind("enemy2_attack", 0) == 0) strip([&](int f) { DrawBombFrame(cr, f); });
  else if (name.rfind("enemy2_", 0) == 0) strip([&](int f) { DrawEnemy2Frame(cr, f); });
  else if (name == "char1") strip([&](int f) { DrawPortraitFrame(cr, f); });
  else if (name == "comment") strip([&](int f) { DrawCommentFrame(cr, f); });
  else if (name == "black") {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
  } else if (name == "back_char_con1") DrawContinueMenu(cr, 1);
  else if (name == "back_char_con2") DrawContinueMenu(cr, 2);
  else if (name == "Message1") DrawMessage(cr);
  else if (name == "HP_M1") DrawHpPanel(cr);
  else if (name == "HP1") DrawHpIcon(cr);
  else if (name == "stage_count_base") DrawStageCountBase(cr);
  else if (name == "stage_count") strip([&](int f) { DrawDigitFrame(cr, f); });
  else std::fprintf(stderr, "assetgen: no drawing for %s\n", name.c_str());
}

}  // namespace

cairo_surface_t* RenderImage(const ImageSpec& spec) {
  std::string name = spec.name;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, spec.width, spec.height);
  cairo_t* cr = cairo_create(s);
  DrawByName(cr, name, spec);
  cairo_destroy(cr);
  if (EndsWith(name, "_left")) {
    cairo_surface_t* m = MirrorStrip(s, spec.frames);
    cairo_surface_destroy(s);
    s = m;
  }
  if (spec.keyed) ThresholdAlpha(s);
  return s;
}

}  // namespace ag

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: assetgen OUTDIR\n"
               "       assetgen --contact-sheet OUT.png DIR\n"
               "       assetgen --icon OUT.png\n"
               "       assetgen --list\n");
  return 2;
}

int Generate(const std::string& dir) {
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  int failures = 0;
  std::string why;
  for (const ag::ImageSpec& spec : ag::ImageTable()) {
    cairo_surface_t* s = ag::RenderImage(spec);
    std::string path = dir + "/" + spec.name + ".tov";
    bool ok = false;
    switch (spec.format) {
      case ag::Format::Png: ok = ag::WritePng(s, path, &why); break;
      case ag::Format::Jpeg: ok = ag::WriteJpeg(s, path, 92, &why); break;
      case ag::Format::Bmp: ok = ag::WriteBmp24(s, path, &why); break;
    }
    cairo_surface_destroy(s);
    if (!ok) {
      std::fprintf(stderr, "assetgen: %s\n", why.c_str());
      ++failures;
    }
  }
  for (const ag::SoundSpec& spec : ag::SoundTable()) {
    std::vector<uint8_t> bytes = spec.midi ? ag::MakeMidi(spec.name) : ag::MakeWave(spec.name);
    std::string path = dir + "/" + spec.name + ".tov";
    if (bytes.empty() || !ag::WriteFile(path, bytes, &why)) {
      std::fprintf(stderr, "assetgen: %s: %s\n", spec.name, bytes.empty() ? "no data" : why.c_str());
      ++failures;
    }
  }
  double secs = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("assetgen: %zu pictures and %zu sounds written to %s in %.2f s\n",
              ag::ImageTable().size(), ag::SoundTable().size(), dir.c_str(), secs);
  return failures ? 1 : 0;
}

// The program's own icon: the first character's head and sprout, 32x32, which
// the window shows at 16x16.
int WriteIcon(const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
  cairo_t* cr = cairo_create(s);
  ag::DrawCharacterAt(cr, 1, 16, 31, 0.42, 0);
  cairo_destroy(cr);
  std::string why;
  bool ok = ag::WritePng(s, path, &why);
  cairo_surface_destroy(s);
  if (!ok) std::fprintf(stderr, "assetgen: %s\n", why.c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const ag::ImageSpec& s : ag::ImageTable())
      std::printf("%-22s %5d x %-4d frames %2d %s\n", s.name, s.width, s.height, s.frames,
                  s.keyed ? "keyed" : "plain");
    for (const ag::SoundSpec& s : ag::SoundTable())
      std::printf("%-22s %s  %s\n", s.name, s.midi ? "MIDI" : "WAVE", s.role);
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "--contact-sheet") == 0)
    return ag::ContactSheet(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) return WriteIcon(argv[2]);
  if (argc == 2 && argv[1][0] != '-') return Generate(argv[1]);
  return Usage();
}
