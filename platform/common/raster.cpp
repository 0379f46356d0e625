#include "platform/common/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

// The row loops are built twice, for plain x86-64 and for AVX2, and the
// processor picks at start-up: twice the pixels per instruction where it can.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define ROW_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define ROW_LOOP
#endif

namespace {

inline uint32_t Mul8(uint32_t a, uint32_t b) {
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;  // a * b / 255, rounded
}

// Texel x vertex colour, then blended over the destination.
inline uint32_t Shade(uint32_t texel, uint32_t color) {
    if (color == 0xFFFFFFFFu) return texel;
    uint32_t a = Mul8(texel >> 24, color >> 24);
    uint32_t r = Mul8((texel >> 16) & 0xFF, (color >> 16) & 0xFF);
    uint32_t g = Mul8((texel >> 8) & 0xFF, (color >> 8) & 0xFF);
    uint32_t b = Mul8(texel & 0xFF, color & 0xFF);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline void Put(uint32_t& dst, uint32_t src, bool blend) {
    if (!blend) {
        dst = src | 0xFF000000u;
        return;
    }
    uint32_t a = src >> 24;
    if (a == 0) return;
    if (a == 255) {
        dst = src;
        return;
    }
    uint32_t ia = 255 - a;
    uint32_t r = Mul8((src >> 16) & 0xFF, a) + Mul8((dst >> 16) & 0xFF, ia);
    uint32_t g = Mul8((src >> 8) & 0xFF, a) + Mul8((dst >> 8) & 0xFF, ia);
    uint32_t b = Mul8(src & 0xFF, a) + Mul8(dst & 0xFF, ia);
    dst = 0xFF000000u | (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) | std::min(b, 255u);
}

inline uint32_t Lerp(uint32_t c0, uint32_t c1, uint32_t f) {  // f in 0..256
    uint32_t rb0 = c0 & 0x00FF00FFu, rb1 = c1 & 0x00FF00FFu;
    uint32_t ag0 = (c0 >> 8) & 0x00FF00FFu, ag1 = (c1 >> 8) & 0x00FF00FFu;
    uint32_t rb = ((rb0 * (256 - f) + rb1 * f) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((ag0 * (256 - f) + ag1 * f) >> 8) & 0x00FF00FFu;
    return rb | (ag << 8);
}

// Texels are addressed with their centres at (i + 0.5) / size, and the
// picture's pixels are sampled at their centres, so an image drawn at its own
// size maps texel to pixel exactly. Addressing clamps at the edges.
inline uint32_t SamplePoint(const RasterTexture& t, float u, float v) {
    int x = (int)std::floor(u * t.width);
    int y = (int)std::floor(v * t.height);
    x = std::clamp(x, 0, t.width - 1);
    y = std::clamp(y, 0, t.height - 1);
    return t.argb[(size_t)y * t.width + x];
}

inline uint32_t SampleLinear(const RasterTexture& t, float u, float v) {
    float fx = u * t.width - 0.5f;
    float fy = v * t.height - 0.5f;
    float flx = std::floor(fx), fly = std::floor(fy);
    int x0 = (int)flx, y0 = (int)fly;
    uint32_t wx = (uint32_t)((fx - flx) * 256.0f + 0.5f);
    uint32_t wy = (uint32_t)((fy - fly) * 256.0f + 0.5f);
    int x1 = std::clamp(x0 + 1, 0, t.width - 1);
    int y1 = std::clamp(y0 + 1, 0, t.height - 1);
    x0 = std::clamp(x0, 0, t.width - 1);
    y0 = std::clamp(y0, 0, t.height - 1);
    const uint32_t* r0 = t.argb + (size_t)y0 * t.width;
    const uint32_t* r1 = t.argb + (size_t)y1 * t.width;
    uint32_t top = Lerp(r0[x0], r0[x1], wx);
    uint32_t bottom = Lerp(r1[x0], r1[x1], wx);
    return Lerp(top, bottom, wy);
}

// The texels a coordinate samples along one axis: with linear filtering the
// pair around it and the weight of the second (0..256), else the one texel it
// falls in. The same rule as SamplePoint and SampleLinear.
inline void TexelSpan(float t, int size, bool linear, int& i0, int& i1, uint32_t& w) {
    if (!linear) {
        i0 = i1 = std::clamp((int)std::floor(t * size), 0, size - 1);
        w = 0;
        return;
    }
    float f = t * size - 0.5f;
    float fl = std::floor(f);
    w = (uint32_t)((f - fl) * 256.0f + 0.5f);
    int base = (int)fl;
    i0 = std::clamp(base, 0, size - 1);
    i1 = std::clamp(base + 1, 0, size - 1);
}

inline bool Finite(const RasterVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.u) && std::isfinite(v.v);
}

// First and one-past-last pixel whose centre lies in [lo, hi).
inline void PixelSpan(float lo, float hi, int limit, int& first, int& end) {
    double f = std::ceil((double)lo - 0.5);
    double e = std::ceil((double)hi - 0.5);
    first = (int)std::clamp(f, 0.0, (double)limit);
    end = (int)std::clamp(e, 0.0, (double)limit);
}

// ---- rows of a rectangle -------------------------------------------------
// The rectangle path works a row at a time: the texels a row shows are found
// (a pointer into the texture when they lie there as they are, else sampled
// into a scratch row), then shaded by the vertex colour and put into the
// picture. The per-pixel loops below are plain and branch-free so that the
// compiler turns them into vector code; every 8-bit product fits 16 bits.

inline uint32_t ShadeChannels(uint32_t texel, uint32_t color) {
    uint32_t a = Mul8(texel >> 24, color >> 24);
    uint32_t r = Mul8((texel >> 16) & 0xFF, (color >> 16) & 0xFF);
    uint32_t g = Mul8((texel >> 8) & 0xFF, (color >> 8) & 0xFF);
    uint32_t b = Mul8(texel & 0xFF, color & 0xFF);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

ROW_LOOP void ShadeRow(uint32_t* __restrict out, const uint32_t* __restrict src, int n, uint32_t color) {
    for (int i = 0; i < n; ++i) out[i] = ShadeChannels(src[i], color);
}

// Source alpha over the picture for pixels of any alpha: the same sums as Put.
ROW_LOOP void BlendSpan(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t s = src[i], d = dst[i];
        uint32_t a = s >> 24, ia = 255 - a;
        uint32_t r = Mul8((s >> 16) & 0xFF, a) + Mul8((d >> 16) & 0xFF, ia);
        uint32_t g = Mul8((s >> 8) & 0xFF, a) + Mul8((d >> 8) & 0xFF, ia);
        uint32_t b = Mul8(s & 0xFF, a) + Mul8(d & 0xFF, ia);
        dst[i] = 0xFF000000u | (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) | std::min(b, 255u);
    }
}

// Also the copy of texels that are opaque already: the C library's copy takes
// twice as long for rows of a picture's width on some processors.
ROW_LOOP void OpaqueSpan(uint32_t* __restrict dst, const uint32_t* __restrict src, int n) {
    for (int i = 0; i < n; ++i) dst[i] = src[i] | 0xFF000000u;
}

// What a group of eight texels asks of the picture.
enum class Group { Clear, Opaque, Mixed };

inline Group Classify(const uint32_t* src) {
    uint32_t all = 0xFFFFFFFFu, any = 0;
    for (int k = 0; k < 8; ++k) {
        all &= src[k];
        any |= src[k];
    }
    return (all >> 24) == 255 ? Group::Opaque : (any >> 24) == 0 ? Group::Clear : Group::Mixed;
}

// Opaque texels are copied and clear ones skipped, in runs of groups of
// eight: most sprite texels are one or the other. Only the rest is blended.
void BlendRow(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    while (i + 8 <= n) {
        const Group g = Classify(src + i);
        int j = i + 8;
        while (j + 8 <= n && Classify(src + j) == g) j += 8;
        if (g == Group::Opaque)
            OpaqueSpan(dst + i, src + i, j - i);
        else if (g == Group::Mixed)
            BlendSpan(dst + i, src + i, j - i);
        i = j;
    }
    BlendSpan(dst + i, src + i, n - i);
}

void PutRow(uint32_t* dst, const uint32_t* src, int n, uint32_t color, bool blend, uint32_t* scratch) {
    if (color != 0xFFFFFFFFu) {
        ShadeRow(scratch, src, n, color);
        src = scratch;
    }
    if (blend)
        BlendRow(dst, src, n);
    else
        OpaqueSpan(dst, src, n);
}

// ---- runs of texels ------------------------------------------------------
// A run entry keeps the kind of texel in its top two bits and the length of
// the run from that texel on in the rest.
enum : uint16_t { kClear = 0, kOpaque = 1, kMixed = 2 };
constexpr int kKindShift = 14;
constexpr uint16_t kMaxRun = (1u << kKindShift) - 1;

inline uint16_t KindOf(uint32_t texel) {
    uint32_t a = texel >> 24;
    return a == 255 ? kOpaque : a == 0 ? kClear : kMixed;
}

// Pixels in a row that ask the same of the picture.
struct Span {
    uint16_t kind;
    uint16_t length;
};

inline void RunAt(const uint16_t* run, uint16_t& kind, int& length) {
    kind = (uint16_t)(*run >> kKindShift);
    length = std::max(*run & kMaxRun, 1);
}

// The spans of n pixels that show texels one to one, from their runs.
int SpansOfTexels(const uint16_t* runs, int n, Span* out) {
    int count = 0;
    for (int i = 0; i < n;) {
        uint16_t kind;
        int length;
        RunAt(runs + i, kind, length);
        length = std::min(length, n - i);
        out[count++] = Span{kind, (uint16_t)length};
        i += length;
    }
    return count;
}

// A row's texels put into the picture span by span: opaque ones copied, clear
// ones skipped, only the rest blended.
void PutSpans(uint32_t* dst, const uint32_t* src, const Span* spans, int count, int n, uint32_t color,
              uint32_t* scratch) {
    if (color != 0xFFFFFFFFu) {
        ShadeRow(scratch, src, n, color);
        src = scratch;
    }
    const bool staysOpaque = (color >> 24) == 255;
    int i = 0;
    for (int k = 0; k < count; ++k) {
        const int length = spans[k].length;
        if (spans[k].kind == kOpaque && staysOpaque)
            OpaqueSpan(dst + i, src + i, length);
        else if (spans[k].kind != kClear && length < 8)
            for (int j = i; j < i + length; ++j) Put(dst[j], src[j], true);  // an edge: not worth a call
        else if (spans[k].kind != kClear)
            BlendSpan(dst + i, src + i, length);
        i += length;
    }
}

bool AllOpaque(const RasterTexture& t) {
    if (!t.runs) return false;
    for (int y = 0; y < t.height; ++y) {
        const uint16_t* row = t.runs + (size_t)y * t.width;
        for (int x = 0; x < t.width;) {
            uint16_t kind;
            int length;
            RunAt(row + x, kind, length);
            if (kind != kOpaque) return false;
            x += length;
        }
    }
    return true;
}

// The ink mask: after the runs, a bit for each group of eight texels that
// are not all clear, sixteen groups to a word, each row starting a word.
constexpr int kInkGroup = 8;
constexpr int kGroupsPerWord = 16;

int InkWords(int width) { return (width + kInkGroup * kGroupsPerWord - 1) / (kInkGroup * kGroupsPerWord); }

// The first and last inked group from group g0 to g1 (inclusive) of two rows'
// masks; false when there is none.
bool InkedGroups(const uint16_t* a, const uint16_t* b, int g0, int g1, int& first, int& last) {
    first = -1;
    for (int w = g0 / kGroupsPerWord; w <= g1 / kGroupsPerWord; ++w) {
        uint32_t bits = (uint32_t)(a[w] | b[w]);
        if (w == g0 / kGroupsPerWord) bits &= ~0u << (g0 % kGroupsPerWord);
        if (w == g1 / kGroupsPerWord) bits &= (2u << (g1 % kGroupsPerWord)) - 1;
        if (!bits) continue;
        if (first < 0) first = w * kGroupsPerWord + __builtin_ctz(bits);
        last = w * kGroupsPerWord + 31 - __builtin_clz(bits);
    }
    return first >= 0;
}

// Bilinear weights as Lerp applies them, worked a byte (one channel) at a
// time: each sum fits 16 bits, so the compiler mixes 16 channels at once.
ROW_LOOP void LerpBytes(uint8_t* __restrict out, const uint8_t* a, const uint8_t* b, int bytes, uint32_t w) {
    // Two channels a 16-bit word: the low one in place, the high one shifted
    // down and back, so that nothing is widened to work on it.
    const uint16_t wb = (uint16_t)w, wa = (uint16_t)(256 - w);
    uint16_t* o = reinterpret_cast<uint16_t*>(out);
    const uint16_t* p = reinterpret_cast<const uint16_t*>(a);
    const uint16_t* q = reinterpret_cast<const uint16_t*>(b);
    const int words = bytes / 2;
    for (int i = 0; i < words; ++i) {
        uint16_t lo = (uint16_t)((uint16_t)((p[i] & 0xFF) * wa + (q[i] & 0xFF) * wb) >> 8);
        uint16_t hi = (uint16_t)((uint16_t)((p[i] >> 8) * wa + (q[i] >> 8) * wb) & 0xFF00);
        o[i] = (uint16_t)(lo | hi);
    }
    for (int i = words * 2; i < bytes; ++i) out[i] = (uint8_t)((uint16_t)(a[i] * wa + b[i] * wb) >> 8);
}

// Both steps at once, for pixels whose four texels lie side by side in two
// rows: rounded as the two steps one after the other round.
ROW_LOOP void LerpQuadBytes(uint8_t* __restrict out, const uint8_t* top, const uint8_t* bottom, int bytes,
                            uint32_t wx, uint32_t wy) {
    // Two channels a 16-bit word, as in LerpBytes; a texel's neighbour is
    // two words on.
    const uint16_t xb = (uint16_t)wx, xa = (uint16_t)(256 - wx);
    const uint16_t yb = (uint16_t)wy, ya = (uint16_t)(256 - wy);
    uint16_t* o = reinterpret_cast<uint16_t*>(out);
    const uint16_t* t = reinterpret_cast<const uint16_t*>(top);
    const uint16_t* b = reinterpret_cast<const uint16_t*>(bottom);
    const int words = bytes / 2;
    for (int i = 0; i < words; ++i) {
        uint16_t tlo = (uint16_t)((uint16_t)((t[i] & 0xFF) * xa + (t[i + 2] & 0xFF) * xb) >> 8);
        uint16_t thi = (uint16_t)((uint16_t)((t[i] >> 8) * xa + (t[i + 2] >> 8) * xb) >> 8);
        uint16_t blo = (uint16_t)((uint16_t)((b[i] & 0xFF) * xa + (b[i + 2] & 0xFF) * xb) >> 8);
        uint16_t bhi = (uint16_t)((uint16_t)((b[i] >> 8) * xa + (b[i + 2] >> 8) * xb) >> 8);
        uint16_t lo = (uint16_t)((uint16_t)(tlo * ya + blo * yb) >> 8);
        uint16_t hi = (uint16_t)((uint16_t)(thi * ya + bhi * yb) & 0xFF00);
        o[i] = (uint16_t)(lo | hi);
    }
}

// How far, in texels, the sample at a pixel centre lies from a texel centre
// when texel i + shift is taken for pixel i, at the first and last pixel of
// a span (the error grows linearly in between). Worked in double so the test
// itself adds nothing.
bool AlignsWithTexels(float uv0, float duv, float edge, int size, int first, int end, int* shift) {
    const double step = (double)duv * size;  // texels per pixel
    const long s = std::lround((double)uv0 * size - (double)edge);
    // Well within the tolerance of both samplers: a sample this close to a
    // texel centre takes that texel alone, whatever the rounding of the
    // float arithmetic that would otherwise place it.
    constexpr double kTolerance = 1.0 / 4096;
    for (int x : {first, end - 1}) {
        double at = (double)uv0 * size + ((double)x + 0.5 - (double)edge) * step;
        double want = (double)x + 0.5 + (double)s;
        if (std::fabs(at - want) > kTolerance) return false;
    }
    if (first + s < 0 || end - 1 + s > size - 1) return false;  // would need clamping
    *shift = (int)s;
    return true;
}

// One axis of an image drawn at its own size, moved by any amount: pixel i
// takes texel i + k, or with filtering texels i + k and i + k + 1 mixed by
// w (0..255, as TexelSpan weighs them).
struct AxisShift {
    int k = 0;
    uint32_t w = 0;
};

bool Translated(float uv0, float duv, float edge, int size, int first, int end, bool linear, AxisShift* out) {
    const double step = (double)duv * size;
    if (std::fabs(step - 1.0) * (end - first) > 1.0 / 4096) return false;
    // Texel coordinate of the first pixel's centre, less that pixel.
    const double offset = (double)uv0 * size + ((double)first + 0.5 - (double)edge) * step - first;
    if (!(std::fabs(offset) < 1e6)) return false;
    if (!linear) {
        out->k = (int)std::floor(offset);
        out->w = 0;
        return true;
    }
    const double f = offset - 0.5;
    const double fl = std::floor(f);
    out->k = (int)fl;
    out->w = (uint32_t)((f - fl) * 256.0 + 0.5);
    if (out->w == 256) {
        ++out->k;
        out->w = 0;
    }
    return true;
}

// The vector loops above leave up to 31 bytes to a slow scalar tail: a run
// of 32 bytes or more ends instead with one more vector step, over the last
// 32 bytes, which works some bytes twice to the same result.
template <typename Loop>
void InVectorSteps(int bytes, Loop loop) {
    const int body = bytes < 32 ? bytes : bytes & ~31;
    loop(0, body);
    if (body < bytes) loop(bytes - 32, 32);
}

// An image at its own size moved by (kx + wx / 256, ky + wy / 256) texels:
// the picture's pixel (x, y) mixes texels x + kx, x + kx + 1 of rows y + ky,
// y + ky + 1, edges clamped.
struct ShiftedImage {
    const uint32_t* argb;
    int width, height;
    AxisShift ax, ay;

    // Of the columns from x to x1, those from lo to hi need no clamping.
    void Unclamped(int x, int x1, int& lo, int& hi) const {
        lo = std::clamp(-ax.k, x, x1);
        hi = std::clamp(width - 1 - ax.k, lo, x1);
    }
    size_t RowAt(int y) const { return (size_t)std::clamp(y, 0, height - 1) * width; }

    uint32_t Edge(const uint32_t* r0, const uint32_t* r1, int c) const {
        auto sample = [&](const uint32_t* row) {
            return Lerp(row[std::clamp(c + ax.k, 0, width - 1)], row[std::clamp(c + ax.k + 1, 0, width - 1)], ax.w);
        };
        return ay.w == 0 ? sample(r0) : Lerp(sample(r0), sample(r1), ay.w);
    }

    // Asks for the texels row y will need, and its pixels, ahead of their
    // use: the rows of a strip lie far apart, beyond what the processor
    // fetches ahead by itself.
    void Prefetch(int y, int x, int x1, const uint32_t* pixels) const {
        const uint32_t* row = argb + RowAt(y + ay.k + (ay.w != 0));
        const int end = std::clamp(x1 + ax.k, 0, width - 1);
        for (int t = std::clamp(x + ax.k, 0, width - 1); t < end + 16; t += 16)
            __builtin_prefetch(row + std::min(t, end));
        for (int c = 0; c < x1 - x + 16; c += 16) __builtin_prefetch(pixels + std::min(c, x1 - x - 1), 1);
    }

    // n filtered texels for the picture's row y from column x on.
    void Filter(uint32_t* out, int y, int x, int n) const {
        int lo, hi;
        Unclamped(x, x + n, lo, hi);
        const uint32_t* r0 = argb + RowAt(y + ay.k);
        const uint32_t* r1 = argb + RowAt(y + ay.k + 1);
        for (int c = x; c < lo; ++c) out[c - x] = Edge(r0, r1, c);
        if (hi > lo) {
            uint8_t* mid = reinterpret_cast<uint8_t*>(out + (lo - x));
            const uint8_t* t0 = reinterpret_cast<const uint8_t*>(r0 + lo + ax.k);
            const uint8_t* t1 = reinterpret_cast<const uint8_t*>(r1 + lo + ax.k);
            const int bytes = (hi - lo) * 4;
            if (ay.w == 0 && ax.w == 0)
                memcpy(mid, t0, (size_t)bytes);
            else if (ay.w == 0)
                InVectorSteps(bytes, [&](int at, int n) { LerpBytes(mid + at, t0 + at, t0 + at + 4, n, ax.w); });
            else if (ax.w == 0)
                InVectorSteps(bytes, [&](int at, int n) { LerpBytes(mid + at, t0 + at, t1 + at, n, ay.w); });
            else
                InVectorSteps(bytes,
                              [&](int at, int n) { LerpQuadBytes(mid + at, t0 + at, t1 + at, n, ax.w, ay.w); });
        }
        for (int c = hi; c < x + n; ++c) out[c - x] = Edge(r0, r1, c);
    }

    // Whether every texel the pixels from x to x1 of row y mix is opaque.
    bool Opaque(const uint16_t* runs, int y, int x, int x1) const {
        int lo, hi;
        Unclamped(x, x1, lo, hi);
        const int pair = ax.w != 0;
        for (int r = y + ay.k; r <= y + ay.k + (ay.w != 0); ++r) {
            const uint16_t* row = runs + RowAt(r);
            auto opaque = [&](int t, int length) {
                uint16_t kind;
                int run;
                RunAt(row + std::clamp(t, 0, width - 1), kind, run);
                return kind == kOpaque && run >= length;
            };
            for (int c = x; c < lo; ++c)
                if (!opaque(c + ax.k, 1) || !opaque(c + ax.k + pair, 1)) return false;
            if (hi > lo && !opaque(lo + ax.k, hi - lo + pair)) return false;
            for (int c = hi; c < x1; ++c)
                if (!opaque(c + ax.k, 1) || !opaque(c + ax.k + pair, 1)) return false;
        }
        return true;
    }

    // The pixels of row y from x to x1 narrowed to those that may show
    // something: clamped columns are kept, clear groups of texels at either
    // end are left out. False when nothing is left.
    bool Inked(const uint16_t* runs, int y, int& x, int& x1) const {
        int lo, hi;
        Unclamped(x, x1, lo, hi);
        if (hi <= lo) return true;
        const int pair = ax.w != 0;
        const size_t masks = (size_t)width * height;
        auto mask = [&](int row) { return runs + masks + (size_t)std::clamp(row, 0, height - 1) * InkWords(width); };
        const uint16_t* a = mask(y + ay.k);
        const uint16_t* b = mask(y + ay.k + (ay.w != 0));
        int first, last;
        if (!InkedGroups(a, b, (lo + ax.k) / kInkGroup, (hi - 1 + ax.k + pair) / kInkGroup, first, last))
            first = last = -1;
        // Pixel p mixes texels p + k and p + k + pair.
        const int from = first < 0 ? hi : std::max(lo, first * kInkGroup - ax.k - pair);
        const int to = first < 0 ? hi : std::min(hi, (last + 1) * kInkGroup - ax.k);
        const bool clampedLeft = lo > x, clampedRight = hi < x1;
        if (first < 0 && !clampedLeft && !clampedRight) return false;
        if (!clampedLeft) x = from;
        if (!clampedRight) x1 = to;
        return x < x1;
    }
};

// A sprite quad: top-left, top-right, bottom-right, bottom-left, one colour,
// neither mirrored nor empty (the general path culls or skips those).
bool IsSpriteRect(const RasterVertex* v) {
    if (!Finite(v[0]) || !Finite(v[1]) || !Finite(v[2]) || !Finite(v[3])) return false;
    if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[3].x || v[1].x != v[2].x) return false;
    if (v[0].v != v[1].v || v[2].v != v[3].v || v[0].u != v[3].u || v[1].u != v[2].u) return false;
    if (v[0].color != v[1].color || v[0].color != v[2].color || v[0].color != v[3].color) return false;
    return v[0].x < v[1].x && v[0].y < v[2].y;
}

bool DrawRect(Picture& pic, const RasterTexture* tex, const RasterState& st, const RasterVertex* v) {
    if (!IsSpriteRect(v)) return false;
    float left = v[0].x, right = v[1].x, top = v[0].y, bottom = v[2].y;

    int x0, x1, y0, y1;
    PixelSpan(left, right, kPictureWidth, x0, x1);
    PixelSpan(top, bottom, kPictureHeight, y0, y1);
    if (x0 >= x1 || y0 >= y1) return true;
    const int n = x1 - x0;

    const uint32_t color = v[0].color;
    const bool blend = st.blend;
    uint32_t scratch[kPictureWidth];
    if (!tex) {
        uint32_t white[kPictureWidth];
        std::fill(white, white + n, 0xFFFFFFFFu);
        for (int y = y0; y < y1; ++y) PutRow(pic.px + (size_t)y * kPictureWidth + x0, white, n, color, blend, scratch);
        return true;
    }

    const float du = (v[1].u - v[0].u) / (right - left);
    const float dv = (v[3].v - v[0].v) / (bottom - top);

    // Drawn at its own size with texel centres on pixel centres (a strip
    // frame's u may miss a whole texel by a rounding error): every sample
    // takes one texel whole, so the rows are copied straight from the image.
    const bool useRuns = blend && tex->runs;
    Span spans[kPictureWidth];
    int sx, sy;
    if (AlignsWithTexels(v[0].u, du, left, tex->width, x0, x1, &sx) &&
        AlignsWithTexels(v[0].v, dv, top, tex->height, y0, y1, &sy)) {
        for (int y = y0; y < y1; ++y) {
            const size_t at = (size_t)(y + sy) * tex->width + (x0 + sx);
            uint32_t* dst = pic.px + (size_t)y * kPictureWidth + x0;
            if (useRuns)
                PutSpans(dst, tex->argb + at, spans, SpansOfTexels(tex->runs + at, n, spans), n, color, scratch);
            else
                PutRow(dst, tex->argb + at, n, color, blend, scratch);
        }
        return true;
    }

    // Drawn at its own size but moved by a fraction of a pixel: one weight
    // serves every column (and one every row), and each row is a straight
    // run of the image. The weight comes from the exact offset, so float
    // noise in the per-pixel coordinates cannot make neighbours differ.
    AxisShift ax, ay;
    if (Translated(v[0].u, du, left, tex->width, x0, x1, st.linearMag, &ax) &&
        Translated(v[0].v, dv, top, tex->height, y0, y1, st.linearMag, &ay)) {
        const ShiftedImage img{tex->argb, tex->width, tex->height, ax, ay};
        uint32_t texels[kPictureWidth];
        for (int y = y0; y < y1; ++y) {
            uint32_t* dst = pic.px + (size_t)y * kPictureWidth + x0;
            if (!useRuns) {
                img.Filter(texels, y, x0, n);
                PutRow(dst, texels, n, color, blend, scratch);
                continue;
            }
            if (y + 1 < y1) img.Prefetch(y + 1, x0, x1, dst + kPictureWidth);
            // A row that is opaque throughout (a background, a floor) is
            // filtered straight into the picture.
            if (color == 0xFFFFFFFFu && img.Opaque(tex->runs, y, x0, x1)) {
                img.Filter(dst, y, x0, n);
                continue;
            }
            // Else only the part between its clear ends is filtered and
            // blended, in whole vector steps where the row allows.
            int from = x0, to = x1;
            if (!img.Inked(tex->runs, y, from, to)) continue;
            to = std::min(x1, from + (to - from + 7) / 8 * 8);
            from = std::max(x0, to - (to - from + 7) / 8 * 8);
            const int count = to - from;
            img.Filter(texels, y, from, count);
            const uint32_t* src = texels;
            if (color != 0xFFFFFFFFu) {
                ShadeRow(scratch, texels, count, color);
                src = scratch;
            }
            BlendSpan(dst + (from - x0), src, count);
        }
        return true;
    }

    const float spanU = std::fabs(v[1].u - v[0].u) * tex->width;
    const float spanV = std::fabs(v[3].v - v[0].v) * tex->height;
    const bool magnified = (right - left) >= spanU && (bottom - top) >= spanV;
    const bool linear = st.linearMag && magnified;

    // Scaled: where each column and row samples is worked out once per quad,
    // not once per pixel.
    int col0[kPictureWidth], col1[kPictureWidth];
    uint32_t colW[kPictureWidth];
    for (int x = x0; x < x1; ++x) {
        float uu = v[0].u + ((float)x + 0.5f - left) * du;
        TexelSpan(uu, tex->width, linear, col0[x], col1[x], colW[x]);
    }
    uint32_t texels[kPictureWidth];
    for (int y = y0; y < y1; ++y) {
        float vv = v[0].v + ((float)y + 0.5f - top) * dv;
        int row0, row1;
        uint32_t wy;
        TexelSpan(vv, tex->height, linear, row0, row1, wy);
        const uint32_t* r0 = tex->argb + (size_t)row0 * tex->width;
        const uint32_t* r1 = tex->argb + (size_t)row1 * tex->width;
        if (!linear) {
            for (int x = x0; x < x1; ++x) texels[x - x0] = r0[col0[x]];
        } else {
            for (int x = x0; x < x1; ++x) {
                uint32_t top = Lerp(r0[col0[x]], r0[col1[x]], colW[x]);
                uint32_t bottom = Lerp(r1[col0[x]], r1[col1[x]], colW[x]);
                texels[x - x0] = Lerp(top, bottom, wy);
            }
        }
        PutRow(pic.px + (size_t)y * kPictureWidth + x0, texels, n, color, blend, scratch);
    }
    return true;
}

inline uint32_t LerpColor(uint32_t c0, uint32_t c1, uint32_t c2, float w0, float w1, float w2) {
    uint32_t out = 0;
    for (int s = 0; s < 32; s += 8) {
        float ch = ((c0 >> s) & 0xFF) * w0 + ((c1 >> s) & 0xFF) * w1 + ((c2 >> s) & 0xFF) * w2;
        out |= (uint32_t)std::clamp((int)(ch + 0.5f), 0, 255) << s;
    }
    return out;
}

// Of the two triangles on either side of an edge, the one that runs it
// downwards (or leftwards when flat) owns it.
inline bool OwnsEdge(const RasterVertex& p, const RasterVertex& q, double area) {
    float dx = q.x - p.x, dy = q.y - p.y;
    if (area < 0) {
        dx = -dx;
        dy = -dy;
    }
    return dy > 0 || (dy == 0 && dx < 0);
}

}  // namespace

void RasterClear(Picture& pic, uint32_t color) {
    std::fill(pic.px, pic.px + kPictureWidth * kPictureHeight, color);
}

void RasterCopyPicture(const Picture& pic, void* pixels, int pitch) {
    for (int y = 0; y < kPictureHeight; ++y)
        OpaqueSpan(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + (size_t)y * pitch),
                   pic.px + (size_t)y * kPictureWidth, kPictureWidth);
}

namespace {

// Where along one axis of the picture the centre of output pixel i of n
// falls: the pixel before it, the one after (clamped) and the weight of the
// second, 0..255.
void ScaleStep(int i, int n, int size, int& p0, int& p1, uint32_t& w) {
    const double at = ((double)i + 0.5) * size / n - 0.5;
    double fl = std::floor(at);
    w = (uint32_t)std::lround((at - fl) * 256.0);
    if (w == 256) {
        fl += 1;
        w = 0;
    }
    p0 = std::clamp((int)fl, 0, size - 1);
    p1 = std::clamp((int)fl + 1, 0, size - 1);  // beyond an edge both are the edge pixel
}

// The scaler's tables and its two scaled rows, kept from one call to the
// next: only the main thread presents.
struct Scaler {
    int width = 0;
    int col0[kMaxScaledWidth], col1[kMaxScaledWidth];
    uint32_t colW[kMaxScaledWidth];
    uint32_t rows[2][kMaxScaledWidth];
};

// Lerp for a whole row, written so that the compiler gathers and mixes
// eight pixels at a time.
ROW_LOOP void ScaleRowLoop(uint32_t* __restrict out, const uint32_t* __restrict src, const int* __restrict col0,
                           const int* __restrict col1, const uint32_t* __restrict colW, int n) {
    for (int x = 0; x < n; ++x) {
        const uint32_t a = src[col0[x]], b = src[col1[x]], w = colW[x], v = 256 - w;
        const uint32_t rb = (((a & 0x00FF00FFu) * v + (b & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
        const uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * v + ((b >> 8) & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
        out[x] = rb | (ag << 8);
    }
}

void ScaleRow(const Scaler& s, const uint32_t* src, uint32_t* out) {
    ScaleRowLoop(out, src, s.col0, s.col1, s.colW, s.width);
}

}  // namespace

void RasterScalePicture(const Picture& pic, int width, int height, void* pixels, int pitch) {
    static Scaler s;
    if (width <= 0 || height <= 0 || width > kMaxScaledWidth) return;
    if (s.width != width) {
        s.width = width;
        for (int x = 0; x < width; ++x) ScaleStep(x, width, kPictureWidth, s.col0[x], s.col1[x], s.colW[x]);
    }
    // Each picture row is scaled across once: the lower row of one output
    // row is the upper row of the next.
    int rowOf[2] = {-1, -1};
    for (int y = 0; y < height; ++y) {
        int r0, r1;
        uint32_t wy;
        ScaleStep(y, height, kPictureHeight, r0, r1, wy);
        uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + (size_t)y * pitch);
        int upper = rowOf[0] == r0 ? 0 : rowOf[1] == r0 ? 1 : -1;
        if (upper < 0) {
            upper = rowOf[0] == r1 ? 1 : 0;  // keep the row the lower one will need
            ScaleRow(s, pic.px + (size_t)r0 * kPictureWidth, s.rows[upper]);
            rowOf[upper] = r0;
        }
        if (wy == 0) {
            OpaqueSpan(out, s.rows[upper], width);
            continue;
        }
        const int lower = 1 - upper;
        if (rowOf[lower] != r1) {
            ScaleRow(s, pic.px + (size_t)r1 * kPictureWidth, s.rows[lower]);
            rowOf[lower] = r1;
        }
        InVectorSteps(width * 4, [&](int at, int n) {
            LerpBytes(reinterpret_cast<uint8_t*>(out) + at, reinterpret_cast<const uint8_t*>(s.rows[upper]) + at,
                      reinterpret_cast<const uint8_t*>(s.rows[lower]) + at, n, wy);
        });
    }
}

size_t TexelRunEntries(int width, int height) {
    return width <= 0 || height <= 0 ? 0 : (size_t)height * ((size_t)width + (size_t)InkWords(width));
}

void BuildTexelRuns(const uint32_t* argb, int width, int height, uint16_t* runs) {
    if (width <= 0 || height <= 0) return;
    uint16_t* ink = runs + (size_t)width * height;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = argb + (size_t)y * width;
        uint16_t* out = runs + (size_t)y * width;
        uint16_t* inkRow = ink + (size_t)y * InkWords(width);
        std::fill(inkRow, inkRow + InkWords(width), 0);
        int length = 0;
        for (int x = width - 1; x >= 0; --x) {
            const uint16_t kind = KindOf(row[x]);
            length = x + 1 < width && KindOf(row[x + 1]) == kind ? std::min(length + 1, (int)kMaxRun) : 1;
            out[x] = (uint16_t)(kind << kKindShift | length);
            const int group = x / kInkGroup;
            if (kind != kClear) inkRow[group / kGroupsPerWord] |= (uint16_t)(1u << (group % kGroupsPerWord));
        }
    }
}

bool RasterFanCoversPicture(const RasterTexture* tex, const RasterState& st, const RasterVertex* v, int n) {
    if (n != 4 || !IsSpriteRect(v)) return false;
    int x0, x1, y0, y1;
    PixelSpan(v[0].x, v[1].x, kPictureWidth, x0, x1);
    PixelSpan(v[0].y, v[2].y, kPictureHeight, y0, y1);
    if (x0 != 0 || x1 != kPictureWidth || y0 != 0 || y1 != kPictureHeight) return false;
    if (!st.blend) return true;
    if ((v[0].color >> 24) != 255) return false;
    if (tex && (tex->width <= 0 || tex->height <= 0 || !tex->argb)) tex = nullptr;  // drawn as white
    return !tex || AllOpaque(*tex);
}

void RasterTriangle(Picture& pic, const RasterTexture* tex, const RasterState& st, const RasterVertex& a,
                    const RasterVertex& b, const RasterVertex& c) {
    if (!Finite(a) || !Finite(b) || !Finite(c)) return;
    // Signed area in screen space (y down): positive is clockwise as seen.
    double area = ((double)b.x - a.x) * ((double)c.y - a.y) - ((double)b.y - a.y) * ((double)c.x - a.x);
    if (area == 0.0) return;
    if (area < 0.0 && st.cullCcw) return;

    double minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    double minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    int x0, x1, y0, y1;
    PixelSpan((float)minX, (float)maxX + 1.0f, kPictureWidth, x0, x1);
    PixelSpan((float)minY, (float)maxY + 1.0f, kPictureHeight, y0, y1);

    const double inv = 1.0 / area;
    for (int y = y0; y < y1; ++y) {
        double py = y + 0.5;
        for (int x = x0; x < x1; ++x) {
            double px = x + 0.5;
            // Edge functions, exact for the pixel-centre positions sprites use.
            double e0 = ((double)c.x - b.x) * (py - b.y) - ((double)c.y - b.y) * (px - b.x);
            double e1 = ((double)a.x - c.x) * (py - c.y) - ((double)a.y - c.y) * (px - c.x);
            double e2 = ((double)b.x - a.x) * (py - a.y) - ((double)b.y - a.y) * (px - a.x);
            double w0 = e0 * inv, w1 = e1 * inv, w2 = e2 * inv;
            // A pixel centre exactly on an edge shared by two triangles of the
            // fan belongs to one of them only, or it would be blended twice.
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            if ((w0 == 0 && !OwnsEdge(b, c, area)) || (w1 == 0 && !OwnsEdge(c, a, area)) ||
                (w2 == 0 && !OwnsEdge(a, b, area)))
                continue;
            uint32_t color = LerpColor(a.color, b.color, c.color, (float)w0, (float)w1, (float)w2);
            uint32_t texel = 0xFFFFFFFFu;
            if (tex) {
                float u = (float)(a.u * w0 + b.u * w1 + c.u * w2);
                float v = (float)(a.v * w0 + b.v * w1 + c.v * w2);
                texel = st.linearMag ? SampleLinear(*tex, u, v) : SamplePoint(*tex, u, v);
            }
            Put(pic.px[(size_t)y * kPictureWidth + x], Shade(texel, color), st.blend);
        }
    }
}

void RasterFan(Picture& pic, const RasterTexture* tex, const RasterState& st, const RasterVertex* v, int n) {
    if (n < 3) return;
    if (tex && (tex->width <= 0 || tex->height <= 0 || !tex->argb)) tex = nullptr;
    if (n == 4 && DrawRect(pic, tex, st, v)) return;
    for (int i = 1; i + 1 < n; ++i) RasterTriangle(pic, tex, st, v[0], v[i], v[i + 1]);
}
