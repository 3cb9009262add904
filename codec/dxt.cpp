// DXT block decoding and encoding. See dxt.h for the rounding rules; the
// encoder measures its error with exactly the palette the decoder builds, so
// what it optimises is what a reader will see.
#include "codec/dxt.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace k4codec {

namespace {

// --- Shared palette rules ---

struct Colour {
    int r, g, b;
};

Colour expand565(uint16_t c) {
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return Colour{(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

uint16_t pack565(int r5, int g6, int b5) {
    return static_cast<uint16_t>((r5 << 11) | (g6 << 5) | b5);
}

// Palette of a colour block; `three` selects the three-colour mode.
void colourPalette(uint16_t c0, uint16_t c1, bool three, Colour palette[4]) {
    const Colour a = expand565(c0), b = expand565(c1);
    palette[0] = a;
    palette[1] = b;
    if (three) {
        palette[2] = Colour{(a.r + b.r + 1) / 2, (a.g + b.g + 1) / 2, (a.b + b.b + 1) / 2};
        palette[3] = Colour{0, 0, 0};
    } else {
        palette[2] =
            Colour{(2 * a.r + b.r + 1) / 3, (2 * a.g + b.g + 1) / 3, (2 * a.b + b.b + 1) / 3};
        palette[3] =
            Colour{(a.r + 2 * b.r + 1) / 3, (a.g + 2 * b.g + 1) / 3, (a.b + 2 * b.b + 1) / 3};
    }
}

void alphaPalette(int a0, int a1, int palette[8]) {
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) {
            palette[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
        }
    } else {
        for (int i = 1; i < 5; ++i) {
            palette[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        }
        palette[6] = 0;
        palette[7] = 255;
    }
}

// --- Decoding ---

void decodeColour(const uint8_t* block, bool dxt1, Rgba out[16]) {
    const uint16_t c0 = static_cast<uint16_t>(block[0] | (block[1] << 8));
    const uint16_t c1 = static_cast<uint16_t>(block[2] | (block[3] << 8));
    const bool three = dxt1 && c0 <= c1;
    Colour palette[4];
    colourPalette(c0, c1, three, palette);
    uint32_t indices;
    std::memcpy(&indices, block + 4, 4);
    for (int i = 0; i < 16; ++i) {
        const uint32_t index = (indices >> (2 * i)) & 3;
        const Colour& c = palette[index];
        out[i] = Rgba{static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                      static_cast<uint8_t>(c.b), three && index == 3 ? uint8_t(0) : uint8_t(255)};
    }
}

void decodeAlpha3(const uint8_t* block, Rgba out[16]) {
    for (int i = 0; i < 16; ++i) {
        const int nibble = (block[i / 2] >> (4 * (i & 1))) & 15;
        out[i].a = static_cast<uint8_t>(nibble * 17);
    }
}

void decodeAlpha5(const uint8_t* block, Rgba out[16]) {
    int palette[8];
    alphaPalette(block[0], block[1], palette);
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i].a = static_cast<uint8_t>(palette[(bits >> (3 * i)) & 7]);
    }
}

// --- Colour encoding ---

// Best endpoint pair for one channel value, per mode (index 2 of the
// four-colour palette, or the midpoint of the three-colour one).
struct SingleMatch {
    uint8_t e0, e1;
};

struct SingleTables {
    SingleMatch four5[256], four6[256], three5[256], three6[256];

    SingleTables() {
        build(five, 31, 3, four5);
        build(six, 63, 3, four6);
        build(five, 31, 2, three5);
        build(six, 63, 2, three6);
    }

    static int five(int v) { return (v << 3) | (v >> 2); }
    static int six(int v) { return (v << 2) | (v >> 4); }

    static void build(int (*expand)(int), int max, int divisor, SingleMatch* table) {
        for (int value = 0; value < 256; ++value) {
            int best = 1 << 30;
            for (int e0 = 0; e0 <= max; ++e0) {
                for (int e1 = 0; e1 <= max; ++e1) {
                    const int a = expand(e0), b = expand(e1);
                    const int mixed = divisor == 3 ? (2 * a + b + 1) / 3 : (a + b + 1) / 2;
                    // Prefer close endpoints: the pair then also survives rounding well.
                    const int error = std::abs(mixed - value) * 1024 + std::abs(e0 - e1);
                    if (error < best) {
                        best = error;
                        table[value] =
                            SingleMatch{static_cast<uint8_t>(e0), static_cast<uint8_t>(e1)};
                    }
                }
            }
        }
    }
};

const SingleTables& singleTables() {
    static const SingleTables tables;
    return tables;
}

struct ColourBlock {
    int points[16][3];
    int count;    // points that take part in the fit
    int slot[16]; // texel -> point, or -1 for a transparent texel
    // The points again by channel, padded to 16 with mask 0, for the
    // endpoint search's inner loop, which the compiler turns into SIMD code.
    int r[16], g[16], b[16], mask[16];
};

// Total squared error of the points against the palette of (c0, c1); writes
// each point's index when `indices` is set. Branch-free over all 16 slots so
// that it vectorises; the nearest entry wins, the lower index on a tie.
int evaluate(const ColourBlock& block, uint16_t c0, uint16_t c1, bool three, uint8_t* indices) {
    Colour palette[4];
    colourPalette(c0, c1, three, palette);
    // Three colours: entry 3 is transparent, never a choice for these points.
    const int far = three ? 1 << 20 : 0;
    int total = 0;
    uint8_t chosen[16];
    for (int i = 0; i < 16; ++i) {
        const int pr = block.r[i], pg = block.g[i], pb = block.b[i];
        int best = 1 << 30, bestIndex = 0;
        for (int k = 0; k < 4; ++k) {
            const int dr = pr - palette[k].r, dg = pg - palette[k].g, db = pb - palette[k].b;
            const int d = dr * dr + dg * dg + db * db + (k == 3 ? far : 0);
            bestIndex = d < best ? k : bestIndex;
            best = d < best ? d : best;
        }
        total += block.mask[i] & best;
        chosen[i] = static_cast<uint8_t>(bestIndex);
    }
    if (indices) {
        std::memcpy(indices, chosen, static_cast<size_t>(block.count));
    }
    return total;
}

// The same error with each point given the palette entry nearest to its
// projection on the line between the ends: several times cheaper, and nearly
// always the same choice (the rounded palette lies almost on the line). The
// endpoint search uses it; the final indices use the exact search above.
// Branch-free over all 16 slots, one select at a time, so that it vectorises.
int evaluateFast(const ColourBlock& block, uint16_t c0, uint16_t c1, bool three) {
    Colour palette[4];
    colourPalette(c0, c1, three, palette);
    const Colour p0 = palette[0], p1 = palette[1], m1 = palette[2];
    const Colour m2 = three ? palette[1] : palette[3];
    const int dr = p1.r - p0.r, dg = p1.g - p0.g, db = p1.b - p0.b;
    const int length2 = dr * dr + dg * dg + db * db;
    if (length2 == 0) {
        return evaluate(block, c0, c1, three, nullptr);
    }
    // Boundaries between entries along the line (t = 0 at c0, length2 at c1):
    // four colours at 1/6, 3/6, 5/6 (entries 0, 2, 3, 1), three at 1/4, 3/4.
    const int scale = three ? 4 : 6;
    const int edge1 = length2, edge2 = 3 * length2, edge3 = three ? 1 << 30 : 5 * length2;
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        const int pr = block.r[i], pg = block.g[i], pb = block.b[i];
        const int t = scale * ((pr - p0.r) * dr + (pg - p0.g) * dg + (pb - p0.b) * db);
        int cr = p1.r, cg = p1.g, cb = p1.b;
        const bool c = t < edge3, b = t < edge2, a = t < edge1;
        cr = c ? m2.r : cr, cg = c ? m2.g : cg, cb = c ? m2.b : cb;
        cr = b ? m1.r : cr, cg = b ? m1.g : cg, cb = b ? m1.b : cb;
        cr = a ? p0.r : cr, cg = a ? p0.g : cg, cb = a ? p0.b : cb;
        const int er = pr - cr, eg = pg - cg, eb = pb - cb;
        total += block.mask[i] & (er * er + eg * eg + eb * eb);
    }
    return total;
}

struct Endpoints {
    int e[2][3]; // 5:6:5 components of c0 and c1
    uint16_t c0() const { return pack565(e[0][0], e[0][1], e[0][2]); }
    uint16_t c1() const { return pack565(e[1][0], e[1][1], e[1][2]); }
};

int clampInt(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

void quantise(const float a[3], int out[3]) {
    out[0] = clampInt(static_cast<int>(a[0] * (31.0f / 255.0f) + 0.5f), 0, 31);
    out[1] = clampInt(static_cast<int>(a[1] * (63.0f / 255.0f) + 0.5f), 0, 63);
    out[2] = clampInt(static_cast<int>(a[2] * (31.0f / 255.0f) + 0.5f), 0, 31);
}

// Start: the extremes of the points along their principal axis.
void principalEndpoints(const ColourBlock& block, float a[3], float b[3]) {
    float mean[3] = {0, 0, 0};
    for (int i = 0; i < block.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            mean[c] += static_cast<float>(block.points[i][c]);
        }
    }
    for (int c = 0; c < 3; ++c) {
        mean[c] /= static_cast<float>(block.count);
    }
    float cov[6] = {0, 0, 0, 0, 0, 0}; // rr rg rb gg gb bb
    for (int i = 0; i < block.count; ++i) {
        const float r = block.points[i][0] - mean[0];
        const float g = block.points[i][1] - mean[1];
        const float bl = block.points[i][2] - mean[2];
        cov[0] += r * r, cov[1] += r * g, cov[2] += r * bl;
        cov[3] += g * g, cov[4] += g * bl, cov[5] += bl * bl;
    }
    float axis[3] = {cov[0] + cov[1] + cov[2], cov[1] + cov[3] + cov[4], cov[2] + cov[4] + cov[5]};
    for (int iteration = 0; iteration < 6; ++iteration) {
        const float x = cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2];
        const float y = cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2];
        const float z = cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2];
        const float m = std::max(std::fabs(x), std::max(std::fabs(y), std::fabs(z)));
        if (m <= 0.0f) {
            break;
        }
        axis[0] = x / m, axis[1] = y / m, axis[2] = z / m;
    }
    const float length2 = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
    if (length2 <= 0.0f) {
        axis[0] = axis[1] = axis[2] = 1.0f;
    }
    float lo = 1e30f, hi = -1e30f;
    for (int i = 0; i < block.count; ++i) {
        const float t = (block.points[i][0] - mean[0]) * axis[0] +
                        (block.points[i][1] - mean[1]) * axis[1] +
                        (block.points[i][2] - mean[2]) * axis[2];
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    const float norm = 1.0f / (axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    for (int c = 0; c < 3; ++c) {
        a[c] = mean[c] + axis[c] * hi * norm;
        b[c] = mean[c] + axis[c] * lo * norm;
    }
}

// For fixed indices the error splits into one sum per channel, and each
// channel's sum depends only on that channel's two endpoint values. With the
// count and sum of the values given each palette entry, the exact error of a
// candidate pair (with the decoder's rounding) costs a few operations, so a
// small window of 5:6:5 values around the least-squares optimum is searched
// exhaustively instead of rounding that optimum.
struct IndexSums {
    int n[4];
    int sum[4][3];
};

IndexSums sumByIndex(const ColourBlock& block, const uint8_t* indices) {
    IndexSums s = {};
    for (int i = 0; i < block.count; ++i) {
        const int k = indices[i];
        ++s.n[k];
        s.sum[k][0] += block.points[i][0];
        s.sum[k][1] += block.points[i][1];
        s.sum[k][2] += block.points[i][2];
    }
    return s;
}

int expandBits(int v, int bits) {
    return bits == 5 ? (v << 3) | (v >> 2) : (v << 2) | (v >> 4);
}

// The channel's error, less the constant sum of squared values.
int channelError(const IndexSums& s, int c, int a, int b, bool three) {
    int error = s.n[0] * a * a - 2 * a * s.sum[0][c] + s.n[1] * b * b - 2 * b * s.sum[1][c];
    if (three) {
        const int m = (a + b + 1) / 2;
        return error + s.n[2] * m * m - 2 * m * s.sum[2][c];
    }
    const int p = (2 * a + b + 1) / 3, q = (a + 2 * b + 1) / 3;
    return error + s.n[2] * p * p - 2 * p * s.sum[2][c] + s.n[3] * q * q - 2 * q * s.sum[3][c];
}

// Best endpoints per channel for the indices summed in `s`; `ends` holds the
// current ones, which stay candidates, so the error never rises.
void fitChannels(const IndexSums& s, bool three, Endpoints* ends) {
    static const float kWeights4[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
    static const float kWeights3[3] = {1.0f, 0.0f, 0.5f};
    static const int kBits[3] = {5, 6, 5};
    float aa = 0, ab = 0, bb = 0, ax[3] = {0, 0, 0}, bx[3] = {0, 0, 0};
    for (int k = 0; k < (three ? 3 : 4); ++k) {
        const float w = three ? kWeights3[k] : kWeights4[k], v = 1.0f - w;
        aa += s.n[k] * w * w, ab += s.n[k] * w * v, bb += s.n[k] * v * v;
        for (int c = 0; c < 3; ++c) {
            ax[c] += w * s.sum[k][c];
            bx[c] += v * s.sum[k][c];
        }
    }
    const float det = aa * bb - ab * ab;
    for (int c = 0; c < 3; ++c) {
        const int bits = kBits[c], max = (1 << bits) - 1;
        int centre[2] = {ends->e[0][c], ends->e[1][c]};
        if (std::fabs(det) > 1e-3f) {
            const float scale = static_cast<float>(max) / 255.0f;
            const float a = (ax[c] * bb - bx[c] * ab) / det, b = (bx[c] * aa - ax[c] * ab) / det;
            centre[0] = clampInt(static_cast<int>(std::floor(a * scale)), 0, max);
            centre[1] = clampInt(static_cast<int>(std::floor(b * scale)), 0, max);
        }
        int best = channelError(s, c, expandBits(ends->e[0][c], bits),
                                expandBits(ends->e[1][c], bits), three);
        const int lo0 = clampInt(centre[0] - 1, 0, max), hi0 = clampInt(centre[0] + 2, 0, max);
        const int lo1 = clampInt(centre[1] - 1, 0, max), hi1 = clampInt(centre[1] + 2, 0, max);
        for (int q0 = lo0; q0 <= hi0; ++q0) {
            const int a = expandBits(q0, bits);
            for (int q1 = lo1; q1 <= hi1; ++q1) {
                const int error = channelError(s, c, a, expandBits(q1, bits), three);
                if (error < best) {
                    best = error;
                    ends->e[0][c] = q0;
                    ends->e[1][c] = q1;
                }
            }
        }
    }
}

// Tries each endpoint component one step up and down while that helps.
int refineNeighbours(const ColourBlock& block, bool three, Endpoints* ends, int error) {
    static const int kMax[3] = {31, 63, 31};
    for (int pass = 0; pass < 4 && error > 0; ++pass) {
        bool improved = false;
        for (int e = 0; e < 2; ++e) {
            for (int c = 0; c < 3; ++c) {
                for (int step = -1; step <= 1; step += 2) {
                    const int old = ends->e[e][c];
                    const int value = old + step;
                    if (value < 0 || value > kMax[c]) {
                        continue;
                    }
                    ends->e[e][c] = value;
                    const int trial = evaluateFast(block, ends->c0(), ends->c1(), three);
                    if (trial < error) {
                        error = trial;
                        improved = true;
                    } else {
                        ends->e[e][c] = old;
                    }
                }
            }
        }
        if (!improved) {
            break;
        }
    }
    return error;
}

// The best endpoints in one mode; returns the error. From the ends of the
// principal axis, alternates exact index choice and the exact per-channel
// endpoint search until neither helps; `refine` then also tries single steps
// of each endpoint component with the indices chosen afresh, which leaves
// the local minima of the alternation.
int fitColour(const ColourBlock& block, bool three, Endpoints* best, bool refine) {
    float a[3], b[3];
    principalEndpoints(block, a, b);
    quantise(a, best->e[0]);
    quantise(b, best->e[1]);
    uint8_t indices[16];
    int error = evaluate(block, best->c0(), best->c1(), three, indices);
    for (int iteration = 0; iteration < 8 && error > 0; ++iteration) {
        Endpoints trial = *best;
        fitChannels(sumByIndex(block, indices), three, &trial);
        uint8_t trialIndices[16];
        const int trialError = evaluate(block, trial.c0(), trial.c1(), three, trialIndices);
        if (trialError >= error) {
            break;
        }
        error = trialError;
        *best = trial;
        std::memcpy(indices, trialIndices, sizeof indices);
    }
    if (refine && error > 0) {
        Endpoints refined = *best;
        refineNeighbours(block, three, &refined,
                         evaluateFast(block, refined.c0(), refined.c1(), three));
        // The steps follow the projected error; keep them only if exact error agrees.
        const int refinedError = evaluate(block, refined.c0(), refined.c1(), three, nullptr);
        if (refinedError < error) {
            error = refinedError;
            *best = refined;
        }
    }
    return error;
}

// One channel's single-colour fit.
void singleChannel(int value, const SingleMatch* table, int* e0, int* e1) {
    *e0 = table[value].e0;
    *e1 = table[value].e1;
}

void fitSingle(const ColourBlock& block, bool three, Endpoints* ends) {
    const SingleTables& t = singleTables();
    const int* p = block.points[0];
    singleChannel(p[0], three ? t.three5 : t.four5, &ends->e[0][0], &ends->e[1][0]);
    singleChannel(p[1], three ? t.three6 : t.four6, &ends->e[0][1], &ends->e[1][1]);
    singleChannel(p[2], three ? t.three5 : t.four5, &ends->e[0][2], &ends->e[1][2]);
}

bool allSame(const ColourBlock& block) {
    for (int i = 1; i < block.count; ++i) {
        if (std::memcmp(block.points[i], block.points[0], sizeof block.points[0]) != 0) {
            return false;
        }
    }
    return true;
}

int fitMode(const ColourBlock& block, bool three, Endpoints* ends, bool refine) {
    if (allSame(block)) {
        fitSingle(block, three, ends);
        return evaluate(block, ends->c0(), ends->c1(), three, nullptr);
    }
    return fitColour(block, three, ends, refine);
}

void writeColourBlock(const ColourBlock& block, Endpoints ends, bool three, uint8_t* out) {
    uint16_t c0 = ends.c0(), c1 = ends.c1();
    uint8_t indices[16];
    evaluate(block, c0, c1, three, indices);
    // Four colours need c0 > c1, three need c0 <= c1; swap the ends if not.
    const bool swap = three ? c0 > c1 : c0 < c1;
    if (swap) {
        const uint16_t t = c0;
        c0 = c1;
        c1 = t;
        for (int i = 0; i < block.count; ++i) {
            if (indices[i] < 2) {
                indices[i] ^= 1;
            } else if (!three) {
                indices[i] ^= 1; // 2 <-> 3
            }
        }
    }
    if (!three && c0 == c1) {
        std::memset(indices, 0, sizeof indices);
    }
    uint32_t bits = 0;
    for (int texel = 0; texel < 16; ++texel) {
        const uint32_t index = block.slot[texel] < 0 ? 3u : indices[block.slot[texel]];
        bits |= index << (2 * texel);
    }
    const uint8_t bytes[8] = {static_cast<uint8_t>(c0),         static_cast<uint8_t>(c0 >> 8),
                              static_cast<uint8_t>(c1),         static_cast<uint8_t>(c1 >> 8),
                              static_cast<uint8_t>(bits),       static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    std::memcpy(out, bytes, 8);
}

// Squared error of a four-colour block (30 per texel) below which the
// three-colour mode is not tried for opaque texels.
constexpr int kThreeColourMinError = 16 * 30;

void encodeColour(const Rgba in[16], bool dxt1, uint8_t* out) {
    ColourBlock block;
    block.count = 0;
    for (int i = 0; i < 16; ++i) {
        if (dxt1 && in[i].a < 128) {
            block.slot[i] = -1;
            continue;
        }
        block.slot[i] = block.count;
        block.points[block.count][0] = in[i].r;
        block.points[block.count][1] = in[i].g;
        block.points[block.count][2] = in[i].b;
        ++block.count;
    }
    for (int i = 0; i < 16; ++i) {
        const int* p = block.points[i < block.count ? i : 0];
        block.r[i] = p[0];
        block.g[i] = p[1];
        block.b[i] = p[2];
        block.mask[i] = i < block.count ? -1 : 0;
    }
    if (block.count == 0) { // all transparent: three-colour mode, every index 3
        const uint8_t bytes[8] = {0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
        std::memcpy(out, bytes, 8);
        return;
    }
    Endpoints four = {}, three = {};
    if (block.count < 16) {
        fitMode(block, true, &three, true);
        writeColourBlock(block, three, true, out);
        return;
    }
    const int fourError = fitMode(block, false, &four, true);
    // Three colours rarely beat four on opaque texels, and only where the
    // four-colour fit is poor: below kThreeColourMinError it is not tried,
    // above it only its cheap alternating fit is (refining it cost a third
    // of the encoding time for a few thousandths of a dB).
    if (dxt1 && fourError > kThreeColourMinError &&
        fitMode(block, true, &three, false) < fourError) {
        writeColourBlock(block, three, true, out);
    } else {
        writeColourBlock(block, four, false, out);
    }
}

// --- Alpha encoding ---

void encodeAlpha3(const Rgba in[16], uint8_t* out) {
    std::memset(out, 0, 8);
    for (int i = 0; i < 16; ++i) {
        const int nibble = (in[i].a * 15 + 127) / 255;
        out[i / 2] |= static_cast<uint8_t>(nibble << (4 * (i & 1)));
    }
}

int alphaError(const int values[16], int a0, int a1, uint8_t* indices) {
    int palette[8];
    alphaPalette(a0, a1, palette);
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 1 << 30, bestIndex = 0;
        for (int k = 0; k < 8; ++k) {
            const int d = (values[i] - palette[k]) * (values[i] - palette[k]);
            if (d < best) {
                best = d;
                bestIndex = k;
            }
        }
        total += best;
        if (indices) {
            indices[i] = static_cast<uint8_t>(bestIndex);
        }
    }
    return total;
}

// Moves each end one step at a time while the error falls; `eight` keeps
// a0 > a1 (eight values), otherwise a0 <= a1 (six values plus 0 and 255).
int refineAlpha(const int values[16], bool eight, int* a0, int* a1, int error) {
    for (int pass = 0; pass < 8 && error > 0; ++pass) {
        bool improved = false;
        for (int end = 0; end < 2; ++end) {
            for (int step = -1; step <= 1; step += 2) {
                int t0 = *a0 + (end == 0 ? step : 0), t1 = *a1 + (end == 1 ? step : 0);
                if (t0 < 0 || t0 > 255 || t1 < 0 || t1 > 255 || (eight ? t0 <= t1 : t0 > t1)) {
                    continue;
                }
                const int trial = alphaError(values, t0, t1, nullptr);
                if (trial < error) {
                    error = trial, *a0 = t0, *a1 = t1, improved = true;
                }
            }
        }
        if (!improved) {
            break;
        }
    }
    return error;
}

void encodeAlpha5(const Rgba in[16], uint8_t* out) {
    int values[16];
    int lo = 255, hi = 0, lo6 = 255, hi6 = 0;
    for (int i = 0; i < 16; ++i) {
        values[i] = in[i].a;
        lo = values[i] < lo ? values[i] : lo;
        hi = values[i] > hi ? values[i] : hi;
        if (values[i] != 0 && values[i] != 255) {
            lo6 = values[i] < lo6 ? values[i] : lo6;
            hi6 = values[i] > hi6 ? values[i] : hi6;
        }
    }
    int a0 = hi, a1 = lo, error;
    if (hi == lo) {
        a1 = a0; // one value: index 0 is exact in either mode
        error = 0;
    } else {
        error = refineAlpha(values, true, &a0, &a1, alphaError(values, a0, a1, nullptr));
        if (error > 0) {
            int b0 = lo6 > hi6 ? 0 : lo6, b1 = lo6 > hi6 ? 255 : hi6;
            const int error6 =
                refineAlpha(values, false, &b0, &b1, alphaError(values, b0, b1, nullptr));
            if (error6 < error) {
                a0 = b0, a1 = b1, error = error6;
            }
        }
    }
    uint8_t indices[16];
    alphaError(values, a0, a1, indices);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<uint64_t>(indices[i]) << (3 * i);
    }
    out[0] = static_cast<uint8_t>(a0);
    out[1] = static_cast<uint8_t>(a1);
    for (int i = 0; i < 6; ++i) {
        out[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

uint32_t blockBytes(Format format) {
    return format == kFmtDXT1 ? 8 : 16;
}

} // namespace

void dxtDecodeBlock(Format format, const uint8_t* block, Rgba out[16]) {
    if (format == kFmtDXT1) {
        decodeColour(block, true, out);
        return;
    }
    decodeColour(block + 8, false, out);
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        decodeAlpha3(block, out);
    } else {
        decodeAlpha5(block, out);
    }
}

void dxtEncodeBlock(Format format, const Rgba in[16], uint8_t* block) {
    if (format == kFmtDXT1) {
        encodeColour(in, true, block);
        return;
    }
    encodeColour(in, false, block + 8);
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        encodeAlpha3(in, block);
    } else {
        encodeAlpha5(in, block);
    }
}

void dxtDecodeImage(Format format, const uint8_t* src, uint32_t width, uint32_t height, Rgba* dst) {
    const uint32_t bytes = blockBytes(format);
    Rgba texels[16];
    for (uint32_t by = 0; by < height; by += 4) {
        for (uint32_t bx = 0; bx < width; bx += 4, src += bytes) {
            dxtDecodeBlock(format, src, texels);
            for (uint32_t y = 0; y < 4 && by + y < height; ++y) {
                for (uint32_t x = 0; x < 4 && bx + x < width; ++x) {
                    dst[static_cast<size_t>(by + y) * width + bx + x] = texels[y * 4 + x];
                }
            }
        }
    }
}

void dxtEncodeImage(Format format, const Rgba* src, uint32_t width, uint32_t height, uint8_t* dst) {
    const uint32_t bytes = blockBytes(format);
    Rgba texels[16];
    for (uint32_t by = 0; by < height; by += 4) {
        for (uint32_t bx = 0; bx < width; bx += 4, dst += bytes) {
            for (uint32_t y = 0; y < 4; ++y) {
                const uint32_t sy = by + y < height ? by + y : height - 1;
                for (uint32_t x = 0; x < 4; ++x) {
                    const uint32_t sx = bx + x < width ? bx + x : width - 1;
                    texels[y * 4 + x] = src[static_cast<size_t>(sy) * width + sx];
                }
            }
            dxtEncodeBlock(format, texels, dst);
        }
    }
}

} // namespace k4codec
