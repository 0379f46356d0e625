// Standard MIDI Files: a small writer and the game's original short pieces.
// Every piece is format 1 at 480 ticks a quarter note, 4/4; every track ends
// exactly at the piece's last bar line, so looping pieces loop cleanly.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assetgen.h"

namespace ag {
namespace {

constexpr int kPpq = 480;
constexpr int kBar = 4 * kPpq;

struct Event {
  int tick;
  int order;  // at one tick: 0 note-offs, 1 controls, 2 note-ons, 3 end
  std::vector<uint8_t> bytes;
};

struct Track {
  std::string name;
  std::vector<Event> events;
  void Add(int tick, int order, std::vector<uint8_t> b) { events.push_back({tick, order, std::move(b)}); }
  void Note(int ch, int tick, int len, int key, int vel) {
    if (key < 0 || key > 127 || len <= 0) return;
    Add(tick, 2, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(key), static_cast<uint8_t>(vel)});
    Add(tick + len, 0, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(key), 0});
  }
  void Program(int ch, int program) { Add(0, 1, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(program)}); }
  void Control(int ch, int tick, int cc, int value) {
    Add(tick, 1, {static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(cc), static_cast<uint8_t>(value)});
  }
};

void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t buf[5];
  int n = 0;
  buf[n++] = v & 0x7F;
  while (v >>= 7) buf[n++] = 0x80 | (v & 0x7F);
  while (n) out.push_back(buf[--n]);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back((v >> s) & 0xFF);
}

std::vector<uint8_t> Meta(uint8_t type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b = {0xFF, type};
  PutVarLen(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> WriteSmf(std::vector<Track>& tracks, int endTick) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
  Put32(out, 6);
  out.push_back(0);
  out.push_back(1);  // format 1
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(tracks.size()));
  out.push_back(kPpq >> 8);
  out.push_back(kPpq & 0xFF);
  for (Track& t : tracks) {
    t.Add(0, -1, Meta(0x03, Text(t.name)));
    t.Add(endTick, 3, Meta(0x2F, {}));
    std::stable_sort(t.events.begin(), t.events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> data;
    int last = 0;
    for (Event& e : t.events)
      if (e.order == 0 && e.tick > endTick) e.tick = endTick;  // cut notes at the last bar line
    std::stable_sort(t.events.begin(), t.events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    for (const Event& e : t.events) {
      if (e.tick > endTick) {
        std::fprintf(stderr, "assetgen: MIDI event past the end in track %s\n", t.name.c_str());
        std::abort();
      }
      PutVarLen(data, static_cast<uint32_t>(e.tick - last));
      last = e.tick;
      data.insert(data.end(), e.bytes.begin(), e.bytes.end());
    }
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

// --- A tiny score notation -------------------------------------------------
// Melody: space-separated tokens "C5q", "F#4e.", "Bb5h", "Rq" (rest), bars
// separated by "|" and checked to be exactly one bar long.
// Durations: w h q e s, "." dotted.

int NoteNumber(const std::string& tok, size_t* pos) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  char l = tok[0];
  int n = base[l - 'A'];
  size_t i = 1;
  if (i < tok.size() && tok[i] == '#') { ++n; ++i; }
  else if (i < tok.size() && tok[i] == 'b') { --n; ++i; }
  int oct = tok[i] - '0';
  ++i;
  *pos = i;
  return 12 * (oct + 1) + n;
}

int Duration(const std::string& tok, size_t pos) {
  int d = 0;
  switch (tok[pos]) {
    case 'w': d = 4 * kPpq; break;
    case 'h': d = 2 * kPpq; break;
    case 'q': d = kPpq; break;
    case 'e': d = kPpq / 2; break;
    case 's': d = kPpq / 4; break;
    default: std::fprintf(stderr, "assetgen: bad duration in %s\n", tok.c_str()); std::abort();
  }
  if (pos + 1 < tok.size() && tok[pos + 1] == '.') d += d / 2;
  return d;
}

// Writes a melody; returns its length in ticks.
int Melody(Track& t, int ch, int start, const std::string& score, int vel, double legato = 0.9,
           int transpose = 0) {
  std::istringstream in(score);
  std::string tok;
  int tick = start, barStart = start, bar = 0;
  auto endBar = [&]() {
    if (tick - barStart != kBar) {
      std::fprintf(stderr, "assetgen: track %s bar %d is %d ticks long\n", t.name.c_str(), bar + 1,
                   tick - barStart);
      std::abort();
    }
    barStart = tick;
    ++bar;
  };
  while (in >> tok) {
    if (tok == "|") { endBar(); continue; }
    if (tok[0] == 'R') {
      tick += Duration(tok, 1);
      continue;
    }
    size_t pos;
    int key = NoteNumber(tok, &pos) + transpose;
    int d = Duration(tok, pos);
    int accent = ((tick - start) % kBar == 0) ? 10 : ((tick - start) % kPpq == 0 ? 4 : 0);
    t.Note(ch, tick, std::max(30, static_cast<int>(d * legato)), key, std::min(127, vel + accent));
    tick += d;
  }
  if (tick != barStart) endBar();
  return tick - start;
}

// Chords: one symbol per bar or "X,Y" for two halves. Root names as in the
// melody without octave; qualities: "" major, "m" minor, "7" dominant seventh.
struct Chord {
  int root;  // pitch class
  bool minor;
  bool seventh;
};

Chord ParseChord(const std::string& s) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};
  Chord c{base[s[0] - 'A'], false, false};
  size_t i = 1;
  if (i < s.size() && s[i] == '#') { c.root = (c.root + 1) % 12; ++i; }
  else if (i < s.size() && s[i] == 'b') { c.root = (c.root + 11) % 12; ++i; }
  if (i < s.size() && s[i] == 'm') { c.minor = true; ++i; }
  if (i < s.size() && s[i] == '7') { c.seventh = true; ++i; }
  return c;
}

struct TimedChord {
  int tick, len;
  Chord chord;
};

std::vector<TimedChord> Progression(const std::string& bars) {
  std::vector<TimedChord> out;
  std::istringstream in(bars);
  std::string tok;
  int tick = 0;
  while (in >> tok) {
    size_t comma = tok.find(',');
    if (comma == std::string::npos) {
      out.push_back({tick, kBar, ParseChord(tok)});
    } else {
      out.push_back({tick, kBar / 2, ParseChord(tok.substr(0, comma))});
      out.push_back({tick + kBar / 2, kBar / 2, ParseChord(tok.substr(comma + 1))});
    }
    tick += kBar;
  }
  return out;
}

// Chord tones from a base octave: root, third, fifth (and seventh).
std::vector<int> Tones(const Chord& c, int octave) {
  int r = 12 * (octave + 1) + c.root;
  std::vector<int> v = {r, r + (c.minor ? 3 : 4), r + 7};
  if (c.seventh) v.push_back(r + 10);
  return v;
}

enum class Bass { RootFifth, Eighths, Halves, Walking };
enum class Comp { Pad, Arpeggio, OffbeatStab, Pizzicato, Tremolo };

void BassLine(Track& t, int ch, const std::vector<TimedChord>& prog, Bass style, int vel) {
  for (const TimedChord& tc : prog) {
    int r = 12 * 3 + tc.chord.root;  // octave 2
    if (r < 36) r += 12;
    int fifth = r + 7;
    switch (style) {
      case Bass::Halves:
        for (int o = 0; o < tc.len; o += kBar / 2) t.Note(ch, tc.tick + o, kBar / 2 - 20, r, vel);
        break;
      case Bass::RootFifth:
        for (int o = 0, i = 0; o < tc.len; o += kPpq, ++i)
          t.Note(ch, tc.tick + o, kPpq - 40, (i % 2) ? fifth - 12 : r, vel + (i % 2 ? -8 : 0));
        break;
      case Bass::Eighths:
        for (int o = 0, i = 0; o < tc.len; o += kPpq / 2, ++i)
          t.Note(ch, tc.tick + o, kPpq / 2 - 30, (i % 4 == 3) ? r + 12 : r, vel + (i % 2 ? -10 : 0));
        break;
      case Bass::Walking: {
        const int steps[4] = {0, 7, 12, 7};
        for (int o = 0, i = 0; o < tc.len; o += kPpq, ++i)
          t.Note(ch, tc.tick + o, kPpq - 40, r + steps[i % 4], vel);
        break;
      }
    }
  }
}

void Accompany(Track& t, int ch, const std::vector<TimedChord>& prog, Comp style, int octave,
               int vel) {
  for (const TimedChord& tc : prog) {
    std::vector<int> v = Tones(tc.chord, octave);
    switch (style) {
      case Comp::Pad:
        for (int k : v) t.Note(ch, tc.tick, tc.len - 10, k, vel);
        break;
      case Comp::Arpeggio: {
        std::vector<int> pat = {v[0], v[1], v[2], v[0] + 12, v[2] + 12, v[0] + 12, v[2], v[1]};
        for (int o = 0, i = 0; o < tc.len; o += kPpq / 2, ++i)
          t.Note(ch, tc.tick + o, kPpq / 2 + 60 <= tc.len - o ? kPpq / 2 + 60 : tc.len - o,
                 pat[i % 8], vel - (i % 2 ? 8 : 0));
        break;
      }
      case Comp::OffbeatStab:
        for (int o = kPpq / 2; o < tc.len; o += kPpq)
          for (int k : v) t.Note(ch, tc.tick + o, kPpq / 4, k, vel);
        break;
      case Comp::Pizzicato:
        for (int o = 0, i = 0; o < tc.len; o += kPpq, ++i) {
          if (i % 2 == 0) continue;
          for (int k : v) t.Note(ch, tc.tick + o, kPpq / 3, k, vel);
        }
        break;
      case Comp::Tremolo:
        for (int o = 0; o < tc.len; o += kPpq / 4)
          for (int k : v) t.Note(ch, tc.tick + o, kPpq / 4 - 10, k, vel - ((o / (kPpq / 4)) % 2) * 10);
        break;
    }
  }
}

// Drums on channel 10 (index 9): a pattern of 16 sixteenths per bar for each
// instrument; 'x' hit, 'o' soft hit, '.' nothing.
void Drums(Track& t, int bars, const std::map<int, std::string>& pattern, int vel,
           bool crashFirst = false, int fillBar = -1) {
  for (int b = 0; b < bars; ++b) {
    for (const auto& [key, pat] : pattern) {
      for (int s = 0; s < 16 && s < static_cast<int>(pat.size()); ++s) {
        if (b == fillBar && s >= 8 && key != 42 && key != 44) continue;
        char c = pat[s];
        if (c == '.') continue;
        t.Note(9, b * kBar + s * kPpq / 4, kPpq / 8, key, c == 'x' ? vel : vel - 30);
      }
    }
    if (b == fillBar) {
      const int toms[8] = {50, 50, 48, 48, 47, 47, 45, 45};
      for (int s = 8; s < 16; ++s) t.Note(9, b * kBar + s * kPpq / 4, kPpq / 8, toms[s - 8], vel);
    }
    if (crashFirst && b == 0) t.Note(9, 0, kPpq, 49, vel);
  }
}

Track Conductor(const std::string& name, int bpm, int endTick) {
  Track t;
  t.name = name;
  uint32_t us = 60000000u / static_cast<uint32_t>(bpm);
  t.Add(0, 0, Meta(0x58, {4, 2, 24, 8}));  // 4/4
  t.Add(0, 0, Meta(0x51, {static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
                           static_cast<uint8_t>(us)}));
  t.Add(0, 0, Meta(0x06, Text("start")));
  t.Add(endTick, 2, Meta(0x06, Text("end")));
  return t;
}

// Per-piece loudness trim on every channel volume (CC 7), so that all pieces
// play at a similar level through the game's synthesiser.
double g_volumeTrim = 1.0;

Track Instrument(const std::string& name, int ch, int program, int volume, int pan, int reverb = 40) {
  volume = std::min(127, static_cast<int>(volume * g_volumeTrim + 0.5));
  Track t;
  t.name = name;
  t.Control(ch, 0, 0, 0);  // bank 0: General MIDI
  t.Program(ch, program);
  t.Control(ch, 0, 7, volume);
  t.Control(ch, 0, 10, pan);
  t.Control(ch, 0, 91, reverb);
  return t;
}

// General MIDI programs (0-based).
enum Gm {
  kPiano = 0, kEPiano = 4, kCelesta = 8, kGlockenspiel = 9, kMusicBox = 10, kMarimba = 12,
  kNylonGuitar = 24, kAcousticBass = 32, kFingerBass = 33, kSynthBass = 38, kStrings = 48,
  kTremoloStrings = 44, kPizzicato = 45, kHarp = 46, kTimpani = 47, kTrumpet = 56,
  kBrass = 61, kOboe = 68, kFlute = 73, kOcarina = 79, kSquareLead = 80, kSawLead = 81
};

std::vector<uint8_t> Piece(const std::string& name) {
  std::vector<Track> tr;
  int bars = 0, bpm = 120;
  auto finish = [&](int endBars) {
    tr.insert(tr.begin(), Conductor(name, bpm, endBars * kBar));
    return WriteSmf(tr, endBars * kBar);
  };

  if (name == "logo") {
    g_volumeTrim = 1.38;
    // A short bright jingle, played once.
    bpm = 112;
    bars = 2;
    Track glock = Instrument("glockenspiel", 0, kGlockenspiel, 100, 70);
    Melody(glock, 0, 0, "G5e C6e E6e G6e C7h | C7w", 96, 1.0);
    Track harp = Instrument("harp", 1, kHarp, 90, 50);
    Melody(harp, 1, 0, "C4e E4e G4e C5e E5e G5e C6q | C4w", 80, 1.4);
    Track pad = Instrument("strings", 2, kStrings, 80, 64, 60);
    for (int k : {48, 55, 64, 67}) pad.Note(2, kBar, kBar - 10, k, 70);
    tr = {glock, harp, pad};
    return finish(bars);
  }
  if (name == "gorumo") {
    g_volumeTrim = 1.16;
    // Title: a cheerful stroll in F major, 16 bars.
    bpm = 132;
    bars = 16;
    Track mel = Instrument("ocarina", 0, kOcarina, 108, 64);
    Melody(mel, 0, 0,
           "C5e F5e A5q G5e F5e D5q | E5q. D5e C5h | D5e F5e A5q C6e A5e F5q | G5q. F5e D5h | "
           "C5e F5e A5q G5e F5e D5q | E5q G5e E5e C5q E5q | D5q F5q E5q G5q | F5h. Rq | "
           "D6q. C6e Bb5q F5q | G5e A5e Bb5e A5e G5h | A5q. G5e E5q C5q | F5e E5e D5e E5e F5h | "
           "Bb5q A5q G5q Bb5q | C6q. Bb5e A5q G5q | A5e G5e F5e A5e C6q A5q | G5h E5q C5q",
           92);
    auto prog = Progression("F C Dm Bb F C Bb,C F Bb C Am Dm Gm C F C7");
    Track gtr = Instrument("nylon guitar", 1, kNylonGuitar, 84, 44);
    Accompany(gtr, 1, prog, Comp::Arpeggio, 4, 70);
    Track bass = Instrument("bass", 2, kAcousticBass, 100, 64);
    BassLine(bass, 2, prog, Bass::RootFifth, 92);
    Track dr = Instrument("drums", 9, 0, 80, 64, 30);
    Drums(dr, bars, {{36, "x.......x......."}, {38, "....o.......o..."}, {42, "x.o.x.o.x.o.x.o."}},
          84);
    tr = {mel, gtr, bass, dr};
    return finish(bars);
  }
  if (name == "CharSelect") {
    g_volumeTrim = 1.0;
    bpm = 120;
    bars = 8;
    Track mel = Instrument("marimba", 0, kMarimba, 110, 70);
    Melody(mel, 0, 0,
           "E5e G5e C6e G5e E5q C5q | A4e C5e E5e A5e G5h | F5e A5e C6e A5e F5q. E5e | "
           "D5q G5q B5q. Re | E5e G5e C6e G5e E5q C5q | C5e E5e A5e C6e B5h | "
           "A5q F5q D5q F5q | G5q. F5e D5q B4q",
           100, 0.8);
    auto prog = Progression("C Am F G C Am Dm G7");
    Track pz = Instrument("pizzicato", 1, kPizzicato, 90, 40);
    Accompany(pz, 1, prog, Comp::Pizzicato, 4, 80);
    Track bass = Instrument("bass", 2, kAcousticBass, 100, 64);
    BassLine(bass, 2, prog, Bass::Walking, 90);
    Track dr = Instrument("drums", 9, 0, 70, 64, 30);
    Drums(dr, bars, {{36, "x.......x......."}, {70, "..x...x...x...x."}, {75, "....x.......x..."}},
          80);
    tr = {mel, pz, bass, dr};
    return finish(bars);
  }
  if (name == "Ring") {
    g_volumeTrim = 1.0;
    // Stage music: bright and driving, A minor, 16 bars.
    bpm = 144;
    bars = 16;
    Track mel = Instrument("square lead", 0, kSquareLead, 92, 64);
    Melody(mel, 0, 0,
           "A4e C5e E5e A5e G5e E5e C5e E5e | F5q. E5e C5q A4q | G4e B4e D5e G5e F5e D5e B4e D5e | "
           "E5h. Rq | A4e C5e E5e A5e C6q B5q | A5q. G5e F5q C5q | D5e E5e F5e G5e A5q B5q | "
           "G#5h E5h | C6q A5q F5q A5q | B5q G5q D5q G5q | E5e F5e G5e A5e B5q E5q | "
           "C6q. B5e A5h | D5e F5e A5e D6e C6e A5e F5e A5e | B5q. A5e G5q D5q | "
           "C5e D5e E5e F5e G5e A5e B5e C6e | B5h G#5q E5q",
           96, 0.85);
    auto prog = Progression("Am F G Em Am F G E F G Em Am Dm G F E");
    Track ep = Instrument("electric piano", 1, kEPiano, 80, 40);
    Accompany(ep, 1, prog, Comp::OffbeatStab, 4, 72);
    Track bass = Instrument("bass", 2, kFingerBass, 104, 64);
    BassLine(bass, 2, prog, Bass::Eighths, 96);
    Track pad = Instrument("strings", 3, kStrings, 60, 90, 70);
    Accompany(pad, 3, prog, Comp::Pad, 4, 55);
    Track dr = Instrument("drums", 9, 0, 90, 64, 30);
    Drums(dr, bars, {{36, "x.....x.x......."}, {38, "....x.......x..."}, {42, "x.x.x.x.x.x.x.x."}},
          96, true, 15);
    tr = {mel, ep, bass, pad, dr};
    return finish(bars);
  }
  if (name == "bossbattle") {
    g_volumeTrim = 0.95;
    bpm = 168;
    bars = 8;
    Track mel = Instrument("saw lead", 0, kSawLead, 88, 64);
    Melody(mel, 0, 0,
           "D5e D5e F5e D5e A5q G5e F5e | E5e F5e E5e D5e C#5h | D5e D5e F5e D5e Bb5q A5e G5e | "
           "A5q. G5e E5h | D6e C6e A5e F5e D6e C6e A5e F5e | G5e A5e Bb5e A5e G5q F5q | "
           "F5q G5q A5q Bb5q | A5h C#5h",
           96, 0.8);
    auto prog = Progression("Dm Dm Bb C Dm Dm Bb A");
    Track str = Instrument("tremolo strings", 1, kStrings, 70, 40, 50);
    Accompany(str, 1, prog, Comp::Tremolo, 4, 70);
    Track brass = Instrument("brass", 2, kBrass, 80, 88);
    Accompany(brass, 2, prog, Comp::OffbeatStab, 4, 76);
    Track bass = Instrument("synth bass", 3, kSynthBass, 104, 64, 20);
    BassLine(bass, 3, prog, Bass::Eighths, 100);
    Track dr = Instrument("drums", 9, 0, 92, 64, 20);
    Drums(dr, bars, {{36, "x.x...x.x.x...x."}, {38, "....x.......x..."}, {42, "xxxxxxxxxxxxxxxx"}},
          100, true, 7);
    tr = {mel, str, brass, bass, dr};
    return finish(bars);
  }
  if (name == "StageClear") {
    g_volumeTrim = 1.0;
    // A short fanfare, played once.
    bpm = 150;
    bars = 3;
    Track tp = Instrument("trumpet", 0, kTrumpet, 110, 64);
    Melody(tp, 0, 0, "G4e G4e G4e C5q. E5e G5e | C6q. G5e A5e B5e C6q | C6h. Rq", 104, 0.92);
    Track br = Instrument("brass", 1, kBrass, 86, 44);
    auto prog = Progression("C F,G C");
    for (const TimedChord& tc : prog) {
      int len = (tc.tick == 2 * kBar) ? kBar * 3 / 4 : tc.len - 20;
      for (int k : Tones(tc.chord, 4)) br.Note(1, tc.tick, len, k, 84);
    }
    Track tim = Instrument("timpani", 2, kTimpani, 100, 64);
    tim.Note(2, 0, kPpq, 43, 100);
    tim.Note(2, kBar, kPpq, 41, 100);
    tim.Note(2, kBar + kBar / 2, kPpq, 43, 100);
    tim.Note(2, 2 * kBar, kPpq * 2, 36, 110);
    Track dr = Instrument("drums", 9, 0, 90, 64, 30);
    for (int s = 0; s < 8; ++s) dr.Note(9, kBar + kBar / 2 + s * kPpq / 4, kPpq / 8, 38, 70 + s * 5);
    dr.Note(9, 2 * kBar, kPpq, 49, 110);
    dr.Note(9, 2 * kBar, kPpq, 36, 110);
    tr = {tp, br, tim, dr};
    return finish(bars);
  }
  if (name == "RoundClear") {
    g_volumeTrim = 1.2;
    // Ending: warm and gentle, G major, 8 bars.
    bpm = 96;
    bars = 8;
    Track mel = Instrument("flute", 0, kFlute, 104, 64, 60);
    Melody(mel, 0, 0,
           "D5q G5q B5q. A5e | A5h F#5q D5q | E5q G5q B5q. D6e | C6q B5q A5q G5q | "
           "B5q. A5e G5q D5q | F#5q A5q D6h | E6q. D6e C6q B5q | A5h. Rq",
           92, 0.95);
    auto prog = Progression("G D Em C G D C D");
    Track pno = Instrument("piano", 1, kPiano, 84, 44, 60);
    Accompany(pno, 1, prog, Comp::Arpeggio, 3, 66);
    Track str = Instrument("strings", 2, kStrings, 70, 84, 70);
    Accompany(str, 2, prog, Comp::Pad, 4, 58);
    Track bass = Instrument("bass", 3, kAcousticBass, 92, 64);
    BassLine(bass, 3, prog, Bass::Halves, 84);
    tr = {mel, pno, str, bass};
    return finish(bars);
  }
  if (name == "GameOver") {
    g_volumeTrim = 1.26;
    // Quiet and sad, A minor, 4 bars.
    bpm = 72;
    bars = 4;
    Track mel = Instrument("oboe", 0, kOboe, 100, 64, 60);
    Melody(mel, 0, 0, "E5q. D5e C5q B4q | A4h. Rq | D5q. C5e B4q A4q | G#4h. Rq", 86, 0.95);
    auto prog = Progression("Am F Dm E");
    Track str = Instrument("strings", 1, kStrings, 72, 50, 70);
    Accompany(str, 1, prog, Comp::Pad, 3, 56);
    Track box = Instrument("music box", 2, kMusicBox, 70, 80, 70);
    for (const TimedChord& tc : prog) {
      std::vector<int> v = Tones(tc.chord, 5);
      for (int i = 0; i < 4; ++i) box.Note(2, tc.tick + i * kPpq, kPpq, v[i % 3], 52);
    }
    Track bass = Instrument("bass", 3, kAcousticBass, 86, 64);
    BassLine(bass, 3, prog, Bass::Halves, 76);
    tr = {mel, str, box, bass};
    return finish(bars);
  }
  return {};
}

}  // namespace

std::vector<uint8_t> MakeMidi(const std::string& name) { return Piece(name); }

}  // namespace ag
