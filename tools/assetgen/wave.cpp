// Synthesised sound effects: RIFF WAVE, 16-bit PCM, 22050 Hz, mono, each
// shorter than 1.5 s. Deterministic (fixed noise seeds).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assetgen.h"
#include "draw.h"

namespace ag {
namespace {

constexpr int kRate = 22050;

struct Buffer {
  std::vector<double> s;
  explicit Buffer(double seconds) : s(static_cast<size_t>(seconds * kRate), 0.0) {}
  double Seconds() const { return static_cast<double>(s.size()) / kRate; }
};

double Osc(int wave, double phase) {  // phase in cycles
  double p = phase - std::floor(phase);
  switch (wave) {
    case 0: return std::sin(2 * kPi * p);                 // sine
    case 1: return p < 0.5 ? 1.0 : -1.0;                  // square
    case 2: return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;       // triangle
    case 3: return 2 * p - 1;                             // saw
    case 4: return p < 0.25 ? 1.0 : -1.0;                 // pulse 25 %
  }
  return 0;
}

// A tone from t0 lasting dur: frequency f(t) (t from 0 to dur), amplitude
// envelope a(t), added into the buffer.
void Tone(Buffer& b, double t0, double dur, int wave, const std::function<double(double)>& f,
          const std::function<double(double)>& a, double gain) {
  double phase = 0;
  size_t i0 = static_cast<size_t>(t0 * kRate);
  size_t n = static_cast<size_t>(dur * kRate);
  for (size_t i = 0; i < n && i0 + i < b.s.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    phase += f(t) / kRate;
    b.s[i0 + i] += gain * a(t) * Osc(wave, phase);
  }
}

// Filtered noise: cutoff(t) in Hz for a one-pole low-pass; highpass subtracts it.
void Noise(Buffer& b, double t0, double dur, uint32_t seed, const std::function<double(double)>& cutoff,
           const std::function<double(double)>& a, double gain, bool highpass = false) {
  Rng rng(seed);
  double lp = 0;
  size_t i0 = static_cast<size_t>(t0 * kRate);
  size_t n = static_cast<size_t>(dur * kRate);
  for (size_t i = 0; i < n && i0 + i < b.s.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    double x = rng.Uniform() * 2 - 1;
    double k = 1 - std::exp(-2 * kPi * cutoff(t) / kRate);
    lp += k * (x - lp);
    b.s[i0 + i] += gain * a(t) * (highpass ? x - lp : lp);
  }
}

// Envelopes.
std::function<double(double)> Decay(double tau) {
  return [tau](double t) { return std::exp(-t / tau); };
}
std::function<double(double)> AttackDecay(double att, double tau) {
  return [att, tau](double t) { return t < att ? t / att : std::exp(-(t - att) / tau); };
}
std::function<double(double)> Hold(double dur, double rel) {
  return [dur, rel](double t) {
    if (t < 0.004) return t / 0.004;
    if (t < dur - rel) return 1.0;
    return std::max(0.0, (dur - t) / rel);
  };
}
std::function<double(double)> Const(double v) {
  return [v](double) { return v; };
}
std::function<double(double)> Sweep(double f0, double f1, double dur, bool expo = true) {
  return [=](double t) {
    double u = std::min(1.0, t / dur);
    return expo ? f0 * std::pow(f1 / f0, u) : f0 + (f1 - f0) * u;
  };
}

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

std::vector<uint8_t> ToWave(Buffer& b) {
  // Short fades against clicks, then normalise to a peak of -4.4 dBFS, leaving
  // room for the music they play over.
  size_t fade = kRate / 500;
  for (size_t i = 0; i < fade && i < b.s.size(); ++i) {
    double g = static_cast<double>(i) / fade;
    b.s[i] *= g;
    b.s[b.s.size() - 1 - i] *= g;
  }
  double peak = 1e-9;
  for (double v : b.s) peak = std::max(peak, std::fabs(v));
  double g = 0.6 / peak;
  std::vector<uint8_t> out;
  auto u16 = [&](uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  uint32_t dataBytes = static_cast<uint32_t>(b.s.size() * 2);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  u32(36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kRate);
  u32(kRate * 2);
  u16(2);
  u16(16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  u32(dataBytes);
  for (double v : b.s) {
    long q = std::lround(std::clamp(v * g, -1.0, 1.0) * 32767.0);
    u16(static_cast<uint32_t>(static_cast<int16_t>(q)) & 0xFFFF);
  }
  return out;
}

Buffer Make(const std::string& n) {
  if (n == "SE01") {  // generic attack "pew"
    Buffer b(0.16);
    Tone(b, 0, 0.16, 1, Sweep(1100, 380, 0.16), Decay(0.07), 0.5);
    return b;
  }
  if (n == "SE03") {  // menu cursor: a short blip
    Buffer b(0.09);
    Tone(b, 0, 0.045, 4, Const(1320), Hold(0.045, 0.01), 0.5);
    Tone(b, 0.045, 0.045, 4, Const(1760), Hold(0.045, 0.02), 0.45);
    return b;
  }
  if (n == "SE04") {  // character-select confirm: rising two-note chime
    Buffer b(0.5);
    Tone(b, 0, 0.2, 2, Const(NoteHz(84)), Decay(0.12), 0.5);
    Tone(b, 0, 0.2, 0, Const(NoteHz(96)), Decay(0.06), 0.2);
    Tone(b, 0.1, 0.4, 2, Const(NoteHz(91)), Decay(0.15), 0.55);
    Tone(b, 0.1, 0.4, 0, Const(NoteHz(103)), Decay(0.08), 0.2);
    return b;
  }
  if (n == "SE05") {  // title confirm: bright arpeggio up
    Buffer b(0.55);
    const int notes[4] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) {
      Tone(b, i * 0.06, 0.55 - i * 0.06, 4, Const(NoteHz(notes[i])), Decay(0.09 + i * 0.03), 0.35);
      Tone(b, i * 0.06, 0.55 - i * 0.06, 0, Const(NoteHz(notes[i] + 12)), Decay(0.08), 0.2);
    }
    return b;
  }
  if (n == "SE08") {  // player damage: a harsh falling buzz
    Buffer b(0.38);
    Tone(b, 0, 0.38, 1, [](double t) { return 620 * std::pow(0.2, t / 0.38) * (1 + 0.08 * std::sin(2 * kPi * 30 * t)); },
         Decay(0.16), 0.45);
    Noise(b, 0, 0.12, 8, Const(3000), Decay(0.04), 0.5);
    return b;
  }
  if (n == "SE09") {  // character 1: thrown star, whoosh with a twinkle
    Buffer b(0.26);
    Noise(b, 0, 0.26, 9, Sweep(800, 5000, 0.26), [](double t) { return std::sin(kPi * t / 0.26); }, 0.9);
    Tone(b, 0.03, 0.2, 0, Sweep(1400, 2600, 0.2), Decay(0.08), 0.25);
    return b;
  }
  if (n == "SE10") {  // character 3: bomb tossed, a pop and a short whistle
    Buffer b(0.3);
    Tone(b, 0, 0.08, 0, Sweep(300, 90, 0.08), Decay(0.03), 0.8);
    Noise(b, 0, 0.05, 10, Const(2500), Decay(0.015), 0.5);
    Tone(b, 0.05, 0.25, 0, Sweep(900, 1500, 0.25), Hold(0.25, 0.1), 0.25);
    return b;
  }
  if (n == "SE11") {  // character 2: a placed shot, "bloop"
    Buffer b(0.24);
    Tone(b, 0, 0.24, 0, [](double t) { return 280 + 500 * t / 0.24 + 40 * std::sin(2 * kPi * 25 * t); },
         AttackDecay(0.01, 0.1), 0.7);
    Tone(b, 0, 0.24, 2, Sweep(560, 1100, 0.24), Decay(0.07), 0.2);
    return b;
  }
  if (n == "SE12") {  // enemy hit: punchy bonk
    Buffer b(0.22);
    Tone(b, 0, 0.22, 0, Sweep(260, 70, 0.15), Decay(0.07), 0.9);
    Noise(b, 0, 0.08, 12, Sweep(6000, 1200, 0.08), Decay(0.025), 0.7);
    Tone(b, 0, 0.06, 1, Const(880), Decay(0.02), 0.2);
    return b;
  }
  if (n == "SE14") {  // enemy bomb thrown: fuse hiss and a swish
    Buffer b(0.45);
    Noise(b, 0, 0.45, 14, Const(2500), Hold(0.45, 0.15), 0.35, true);
    Noise(b, 0, 0.2, 41, Sweep(600, 2400, 0.2), [](double t) { return std::sin(kPi * t / 0.2); }, 0.8);
    Tone(b, 0, 0.06, 0, Sweep(220, 110, 0.06), Decay(0.02), 0.5);
    return b;
  }
  if (n == "SE16") {  // continue chosen / pause code: major arpeggio
    Buffer b(0.75);
    const int notes[5] = {72, 76, 79, 84, 88};
    for (int i = 0; i < 5; ++i) {
      Tone(b, i * 0.07, 0.75 - i * 0.07, 2, Const(NoteHz(notes[i])), Decay(0.14 + i * 0.04), 0.35);
      Tone(b, i * 0.07, 0.75 - i * 0.07, 0, Const(NoteHz(notes[i] + 12)), Decay(0.1), 0.15);
    }
    return b;
  }
  if (n == "SE18") {  // teleport / boss hit: a warbling sweep
    Buffer b(0.5);
    Tone(b, 0, 0.5, 0, [](double t) { return 500 + 900 * t / 0.5 + 300 * std::sin(2 * kPi * 18 * t); },
         Hold(0.5, 0.2), 0.55);
    Tone(b, 0, 0.5, 2, [](double t) { return 1000 + 1600 * t / 0.5 + 500 * std::sin(2 * kPi * 18 * t + 1); },
         Hold(0.5, 0.25), 0.2);
    return b;
  }
  if (n == "SE20") {  // falling rock: rumble and a falling tone
    Buffer b(0.7);
    Noise(b, 0, 0.7, 20, Sweep(600, 150, 0.7), AttackDecay(0.05, 0.3), 1.4);
    Tone(b, 0, 0.5, 2, Sweep(700, 160, 0.5), Decay(0.2), 0.3);
    return b;
  }
  if (n == "SE21") {  // enemy shot (types 5, 15): laser "pyoo"
    Buffer b(0.2);
    Tone(b, 0, 0.2, 1, Sweep(1800, 450, 0.2), Decay(0.09), 0.45);
    Tone(b, 0, 0.2, 0, Sweep(3600, 900, 0.2), Decay(0.05), 0.15);
    return b;
  }
  if (n == "SE22") {  // enemy shot (types 4, 14): double "pew"
    Buffer b(0.22);
    Tone(b, 0, 0.1, 2, Sweep(1200, 700, 0.1), Decay(0.04), 0.6);
    Tone(b, 0.1, 0.12, 2, Sweep(1200, 650, 0.12), Decay(0.05), 0.5);
    return b;
  }
  if (n == "SE23") {  // player falls at game over: a slide whistle down
    Buffer b(1.2);
    Tone(b, 0, 1.2, 0, [](double t) { return 1300 * std::pow(180.0 / 1300.0, t / 1.2) * (1 + 0.03 * std::sin(2 * kPi * 6 * t)); },
         Hold(1.2, 0.3), 0.6);
    Tone(b, 0, 1.2, 2, [](double t) { return 2600 * std::pow(180.0 / 1300.0, t / 1.2); }, Hold(1.2, 0.4), 0.1);
    return b;
  }
  if (n == "SE24") {  // quit chosen: two soft falling notes
    Buffer b(0.5);
    Tone(b, 0, 0.2, 2, Const(NoteHz(79)), Decay(0.1), 0.55);
    Tone(b, 0.16, 0.34, 2, Const(NoteHz(72)), Decay(0.14), 0.55);
    return b;
  }
  if (n == "SE25") {  // big jump: boing
    Buffer b(0.5);
    Tone(b, 0, 0.5, 0, [](double t) { return (140 + 520 * (1 - std::exp(-t / 0.12))) * (1 + 0.06 * std::sin(2 * kPi * 14 * t)); },
         AttackDecay(0.01, 0.2), 0.8);
    Tone(b, 0, 0.5, 2, [](double t) { return 2 * (140 + 520 * (1 - std::exp(-t / 0.12))); }, Decay(0.1), 0.2);
    return b;
  }
  if (n == "SE28") {  // stage banner / summoning: a little fanfare "ta-daa"
    Buffer b(0.9);
    const int chord1[3] = {67, 72, 76}, chord2[3] = {72, 76, 79};
    for (int k : chord1) Tone(b, 0, 0.14, 3, Const(NoteHz(k)), Hold(0.14, 0.04), 0.18);
    for (int k : chord2) {
      Tone(b, 0.16, 0.74, 3, [k](double t) { return NoteHz(k) * (1 + 0.006 * std::sin(2 * kPi * 5.5 * t)); },
           AttackDecay(0.02, 0.35), 0.2);
      Tone(b, 0.16, 0.74, 1, Const(NoteHz(k)), AttackDecay(0.02, 0.25), 0.06);
    }
    return b;
  }
  if (n == "SE29") {  // homing shot: a wobbling tone
    Buffer b(0.5);
    Tone(b, 0, 0.5, 2, [](double t) { return 520 + 220 * std::sin(2 * kPi * 9 * t); }, Hold(0.5, 0.2), 0.6);
    Tone(b, 0, 0.5, 0, [](double t) { return 1040 + 440 * std::sin(2 * kPi * 9 * t); }, Hold(0.5, 0.2), 0.15);
    return b;
  }
  if (n == "SE30") {  // character 4: a quick zip up
    Buffer b(0.14);
    Tone(b, 0, 0.14, 1, Sweep(380, 1500, 0.14), Hold(0.14, 0.05), 0.4);
    return b;
  }
  if (n == "SE31") {  // recovery item: sparkling bells going up
    Buffer b(0.7);
    const int notes[4] = {88, 92, 95, 100};
    for (int i = 0; i < 4; ++i) {
      Tone(b, i * 0.07, 0.7 - i * 0.07, 0, Const(NoteHz(notes[i])), Decay(0.12), 0.4);
      Tone(b, i * 0.07, 0.7 - i * 0.07, 0, Const(NoteHz(notes[i]) * 2.76), Decay(0.05), 0.12);
    }
    return b;
  }
  if (n == "SE32") {  // character 5: a zap
    Buffer b(0.2);
    Tone(b, 0, 0.2, 3, [](double t) { return 2400 * std::pow(0.15, t / 0.2) * (1 + 0.3 * std::sin(2 * kPi * 60 * t)); },
         Decay(0.07), 0.45);
    Noise(b, 0, 0.05, 32, Const(7000), Decay(0.015), 0.3, true);
    return b;
  }
  if (n == "SE35") {  // boss defeated: a big explosion
    Buffer b(1.4);
    Noise(b, 0, 1.4, 35, Sweep(5000, 200, 1.0), AttackDecay(0.005, 0.35), 1.6);
    Tone(b, 0, 1.4, 0, Sweep(110, 35, 1.0), AttackDecay(0.005, 0.4), 0.9);
    Noise(b, 0.18, 1.2, 53, Sweep(2500, 150, 1.0), AttackDecay(0.005, 0.3), 0.8);
    return b;
  }
  return Buffer(0);
}

}  // namespace

std::vector<uint8_t> MakeWave(const std::string& name) {
  Buffer b = Make(name);
  if (b.s.empty()) return {};
  if (b.Seconds() >= 1.5) {
    std::fprintf(stderr, "assetgen: %s is too long\n", name.c_str());
    std::abort();
  }
  return ToWave(b);
}

}  // namespace ag
