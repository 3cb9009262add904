// The DXT colour block encoder. Every block starts from its principal axis:
// one fit from the ends of the points along it and one from ends moved a
// little inwards, each alternating exact index choice with an exact search
// of 5:6:5 endpoint values per channel; the better of the two then tries
// single steps of each endpoint component, which leaves the local minima
// of the alternation. Blocks of one colour take the best endpoints from a
// table. DXT1 tries its three-colour mode (three opaque colours) on opaque
// blocks whose four-colour fit is poor or which hold one colour, and uses
// it (with index 3 transparent) for blocks with transparent texels.
//
// Errors are sums of squared differences over R, G and B, measured with
// exactly the palette the decoder builds (dxt_internal.h). The inner loops
// run on four floats at a time: the values are integers below 2^24, so the
// sums are exact in any order.
#include "codec/dxt_internal.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace k4codec {
namespace dxt {

namespace {

uint16_t pack565(int r5, int g6, int b5) {
    return static_cast<uint16_t>((r5 << 11) | (g6 << 5) | b5);
}

int expandBits(int v, int bits) {
    return bits == 5 ? (v << 3) | (v >> 2) : (v << 2) | (v >> 4);
}

int clampInt(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

typedef float V4 __attribute__((vector_size(16)));
typedef int I4 __attribute__((vector_size(16)));

V4 load4(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

V4 splat(float x) {
    return V4{x, x, x, x};
}

int sumLanes(V4 v) {
    return static_cast<int>((v[0] + v[1]) + (v[2] + v[3]));
}

// --- Single colours ---

// Best endpoint pair for one channel value, per mode (index 2 of the
// four-colour palette, or the midpoint of the three-colour one).
struct SingleMatch {
    uint8_t e0, e1;
};

struct SingleTables {
    SingleMatch four5[256], four6[256], three5[256], three6[256];

    SingleTables() {
        build(5, 3, four5);
        build(6, 3, four6);
        build(5, 2, three5);
        build(6, 2, three6);
    }

    static void build(int bits, int divisor, SingleMatch* table) {
        const int max = (1 << bits) - 1;
        for (int value = 0; value < 256; ++value) {
            int best = 1 << 30;
            for (int e0 = 0; e0 <= max; ++e0) {
                for (int e1 = 0; e1 <= max; ++e1) {
                    const int a = expandBits(e0, bits), b = expandBits(e1, bits);
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

// --- Blocks and their error ---

struct ColourBlock {
    int points[16][3];
    int count;    // points that take part in the fit
    int distinct; // different colours among them
    int slot[16]; // texel -> point, or -1 for a transparent texel
    // The points again by channel, padded to 16 with mask 0, for the
    // vector loops.
    float r[16], g[16], b[16], mask[16];
};

struct Endpoints {
    int e[2][3]; // 5:6:5 components of c0 and c1
    uint16_t c0() const { return pack565(e[0][0], e[0][1], e[0][2]); }
    uint16_t c1() const { return pack565(e[1][0], e[1][1], e[1][2]); }
};

// Total squared error of the points against the palette of the endpoints;
// writes each point's index when `indices` is set (16 entries). The
// nearest entry wins, the lower index on a tie; the three-colour mode
// never gives opaque points its transparent entry 3.
int evaluate(const ColourBlock& block, const Endpoints& ends, bool three, uint8_t* indices) {
    Colour palette[4];
    colourPalette(ends.c0(), ends.c1(), three, palette);
    V4 total = splat(0);
    for (int q = 0; q < 16; q += 4) {
        const V4 pr = load4(block.r + q), pg = load4(block.g + q), pb = load4(block.b + q);
        V4 best = splat(1e9f);
        I4 bestIndex = I4{0, 0, 0, 0};
        for (int k = 0; k < (three ? 3 : 4); ++k) {
            const V4 dr = pr - splat(static_cast<float>(palette[k].r));
            const V4 dg = pg - splat(static_cast<float>(palette[k].g));
            const V4 db = pb - splat(static_cast<float>(palette[k].b));
            const V4 d = dr * dr + dg * dg + db * db;
            const I4 less = d < best;
            bestIndex = less ? I4{k, k, k, k} : bestIndex;
            best = less ? d : best;
        }
        total += load4(block.mask + q) * best;
        if (indices) {
            for (int i = 0; i < 4; ++i) {
                indices[q + i] = static_cast<uint8_t>(bestIndex[i]);
            }
        }
    }
    return sumLanes(total);
}

// The same error with each point given the palette entry nearest to its
// projection on the line between the ends: several times cheaper, and nearly
// always the same choice (the rounded palette lies almost on the line). The
// endpoint steps use it; the final indices use the exact search above.
int evaluateFast(const ColourBlock& block, const Endpoints& ends, bool three) {
    Colour palette[4];
    colourPalette(ends.c0(), ends.c1(), three, palette);
    const Colour p0 = palette[0], p1 = palette[1], m1 = palette[2];
    const Colour m2 = three ? palette[1] : palette[3];
    const int dr = p1.r - p0.r, dg = p1.g - p0.g, db = p1.b - p0.b;
    const int length2 = dr * dr + dg * dg + db * db;
    if (length2 == 0) {
        return evaluate(block, ends, three, nullptr);
    }
    // Boundaries between entries along the line (t = 0 at c0, length2 at c1):
    // four colours at 1/6, 3/6, 5/6 (entries 0, 2, 3, 1), three at 1/4, 3/4.
    const float scale = three ? 4.0f : 6.0f;
    const V4 vr = splat(scale * static_cast<float>(dr)), vg = splat(scale * static_cast<float>(dg)),
             vb = splat(scale * static_cast<float>(db));
    const float length = static_cast<float>(length2);
    const V4 edge1 = splat(length), edge2 = splat(3.0f * length),
             edge3 = splat(three ? 1e9f : 5.0f * length);
    const auto channel = [](int v) { return splat(static_cast<float>(v)); };
    const V4 p0r = channel(p0.r), p0g = channel(p0.g), p0b = channel(p0.b);
    const V4 p1r = channel(p1.r), p1g = channel(p1.g), p1b = channel(p1.b);
    const V4 m1r = channel(m1.r), m1g = channel(m1.g), m1b = channel(m1.b);
    const V4 m2r = channel(m2.r), m2g = channel(m2.g), m2b = channel(m2.b);
    V4 total = splat(0);
    for (int q = 0; q < 16; q += 4) {
        const V4 pr = load4(block.r + q), pg = load4(block.g + q), pb = load4(block.b + q);
        const V4 t = (pr - p0r) * vr + (pg - p0g) * vg + (pb - p0b) * vb;
        const I4 c = t < edge3, b = t < edge2, a = t < edge1;
        V4 cr = c ? m2r : p1r, cg = c ? m2g : p1g, cb = c ? m2b : p1b;
        cr = b ? m1r : cr, cg = b ? m1g : cg, cb = b ? m1b : cb;
        cr = a ? p0r : cr, cg = a ? p0g : cg, cb = a ? p0b : cb;
        const V4 er = pr - cr, eg = pg - cg, eb = pb - cb;
        total += load4(block.mask + q) * (er * er + eg * eg + eb * eb);
    }
    return sumLanes(total);
}

// --- Endpoint fitting ---

// The principal axis of the points (power iteration on their covariance)
// and the extent of the points along it.
struct Axis {
    float mean[3], dir[3];
    float lo, hi;
};

Axis principalAxis(const ColourBlock& block) {
    Axis axis;
    float mean[3] = {0, 0, 0};
    for (int i = 0; i < block.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            mean[c] += static_cast<float>(block.points[i][c]);
        }
    }
    for (int c = 0; c < 3; ++c) {
        axis.mean[c] = mean[c] / static_cast<float>(block.count);
    }
    float cov[6] = {0, 0, 0, 0, 0, 0}; // rr rg rb gg gb bb
    for (int i = 0; i < block.count; ++i) {
        const float r = static_cast<float>(block.points[i][0]) - axis.mean[0];
        const float g = static_cast<float>(block.points[i][1]) - axis.mean[1];
        const float b = static_cast<float>(block.points[i][2]) - axis.mean[2];
        cov[0] += r * r, cov[1] += r * g, cov[2] += r * b;
        cov[3] += g * g, cov[4] += g * b, cov[5] += b * b;
    }
    float* d = axis.dir;
    d[0] = cov[0] + cov[1] + cov[2], d[1] = cov[1] + cov[3] + cov[4],
    d[2] = cov[2] + cov[4] + cov[5];
    for (int iteration = 0; iteration < 6; ++iteration) {
        const float x = cov[0] * d[0] + cov[1] * d[1] + cov[2] * d[2];
        const float y = cov[1] * d[0] + cov[3] * d[1] + cov[4] * d[2];
        const float z = cov[2] * d[0] + cov[4] * d[1] + cov[5] * d[2];
        const float m = std::fmax(std::fabs(x), std::fmax(std::fabs(y), std::fabs(z)));
        if (m <= 0.0f) {
            break;
        }
        d[0] = x / m, d[1] = y / m, d[2] = z / m;
    }
    if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= 0.0f) {
        d[0] = d[1] = d[2] = 1.0f;
    }
    axis.lo = 1e30f, axis.hi = -1e30f;
    for (int i = 0; i < block.count; ++i) {
        float t = 0;
        for (int c = 0; c < 3; ++c) {
            t += (static_cast<float>(block.points[i][c]) - axis.mean[c]) * d[c];
        }
        axis.lo = std::fmin(axis.lo, t);
        axis.hi = std::fmax(axis.hi, t);
    }
    return axis;
}

// The points of the axis at the ends of the points' extent, each moved
// inwards by `inset` of that extent, as 5:6:5 values.
Endpoints axisEnds(const Axis& axis, float inset) {
    const float* d = axis.dir;
    const float norm = 1.0f / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float span = axis.hi - axis.lo;
    const float hi = (axis.hi - span * inset) * norm, lo = (axis.lo + span * inset) * norm;
    static const float kScale[3] = {31.0f / 255.0f, 63.0f / 255.0f, 31.0f / 255.0f};
    static const int kMax[3] = {31, 63, 31};
    Endpoints ends;
    for (int c = 0; c < 3; ++c) {
        const float a = axis.mean[c] + d[c] * hi, b = axis.mean[c] + d[c] * lo;
        ends.e[0][c] = clampInt(static_cast<int>(a * kScale[c] + 0.5f), 0, kMax[c]);
        ends.e[1][c] = clampInt(static_cast<int>(b * kScale[c] + 0.5f), 0, kMax[c]);
    }
    return ends;
}

// For fixed indices the error splits into one sum per channel, and each
// channel's sum depends only on that channel's two endpoint values. With the
// count and sum of the values given each palette entry, the exact error of a
// candidate pair (with the decoder's rounding) costs a few operations, so the
// 5:6:5 values on either side of the least-squares optimum are all tried
// instead of rounding that optimum.
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
        const float n = static_cast<float>(s.n[k]);
        aa += n * w * w, ab += n * w * v, bb += n * v * v;
        for (int c = 0; c < 3; ++c) {
            ax[c] += w * static_cast<float>(s.sum[k][c]);
            bx[c] += v * static_cast<float>(s.sum[k][c]);
        }
    }
    const float det = aa * bb - ab * ab;
    if (std::fabs(det) <= 1e-3f) {
        return;
    }
    for (int c = 0; c < 3; ++c) {
        const int bits = kBits[c], max = (1 << bits) - 1;
        const float scale = static_cast<float>(max) / 255.0f;
        const float a = (ax[c] * bb - bx[c] * ab) / det, b = (bx[c] * aa - ax[c] * ab) / det;
        const int lo0 = clampInt(static_cast<int>(std::floor(a * scale)), 0, max);
        const int lo1 = clampInt(static_cast<int>(std::floor(b * scale)), 0, max);
        int best = channelError(s, c, expandBits(ends->e[0][c], bits),
                                expandBits(ends->e[1][c], bits), three);
        for (int q0 = lo0; q0 <= lo0 + 1 && q0 <= max; ++q0) {
            const int x = expandBits(q0, bits);
            for (int q1 = lo1; q1 <= lo1 + 1 && q1 <= max; ++q1) {
                const int error = channelError(s, c, x, expandBits(q1, bits), three);
                if (error < best) {
                    best = error;
                    ends->e[0][c] = q0;
                    ends->e[1][c] = q1;
                }
            }
        }
    }
}

// Alternates exact index choice and the per-channel endpoint search from
// `ends` until neither helps; returns the exact error.
int alternate(const ColourBlock& block, bool three, Endpoints* ends) {
    uint8_t indices[16];
    int error = evaluate(block, *ends, three, indices);
    for (int iteration = 0; iteration < 8 && error > 0; ++iteration) {
        Endpoints trial = *ends;
        fitChannels(sumByIndex(block, indices), three, &trial);
        uint8_t trialIndices[16];
        const int trialError = evaluate(block, trial, three, trialIndices);
        if (trialError >= error) {
            break;
        }
        error = trialError;
        *ends = trial;
        std::memcpy(indices, trialIndices, sizeof indices);
    }
    return error;
}

// Tries each endpoint component one step up and down while that helps;
// keeps the steps only if the exact error agrees. Returns the exact error.
int refineSteps(const ColourBlock& block, bool three, Endpoints* ends, int exactError) {
    static const int kMax[3] = {31, 63, 31};
    Endpoints trial = *ends;
    int error = evaluateFast(block, trial, three);
    for (int pass = 0; pass < 4 && error > 0; ++pass) {
        bool improved = false;
        for (int e = 0; e < 2; ++e) {
            for (int c = 0; c < 3; ++c) {
                for (int step = -1; step <= 1; step += 2) {
                    const int old = trial.e[e][c];
                    const int value = old + step;
                    if (value < 0 || value > kMax[c]) {
                        continue;
                    }
                    trial.e[e][c] = value;
                    const int trialError = evaluateFast(block, trial, three);
                    if (trialError < error) {
                        error = trialError;
                        improved = true;
                    } else {
                        trial.e[e][c] = old;
                    }
                }
            }
        }
        if (!improved) {
            break;
        }
    }
    const int refined = evaluate(block, trial, three, nullptr);
    if (refined < exactError) {
        *ends = trial;
        return refined;
    }
    return exactError;
}

// Blocks of a few colours: every way of giving the palette entries runs of
// the colours in their order along the axis (cluster fit) is scored by its
// least-squares error, and the best one's least-squares ends start the
// alternation. This finds fits that put a colour between the ends (white
// and light grey as white and the midpoint of white and a darker grey),
// which starts from the extremes never reach. With n colours there are
// (n + 1)(n + 2)(n + 3) / 6 such ways for four entries.
constexpr int kClusterColours = 6;

bool clusterEnds(const ColourBlock& block, const Axis& axis, bool three, Endpoints* out) {
    int colour[16][3];
    float weight[16], along[16];
    int n = 0;
    for (int i = 0; i < block.count; ++i) {
        int k = 0;
        while (k < n && std::memcmp(colour[k], block.points[i], sizeof colour[0]) != 0) {
            ++k;
        }
        if (k == n) {
            std::memcpy(colour[n], block.points[i], sizeof colour[0]);
            weight[n] = 0;
            along[n] = 0;
            for (int c = 0; c < 3; ++c) {
                along[n] += static_cast<float>(colour[n][c]) * axis.dir[c];
            }
            ++n;
        }
        weight[k] += 1;
    }
    int order[16];
    for (int i = 0; i < n; ++i) {
        int j = i;
        for (; j > 0 && along[order[j - 1]] > along[i]; --j) {
            order[j] = order[j - 1];
        }
        order[j] = i;
    }
    // Prefix sums of weights and weighted colours in that order.
    float sum[17][3] = {}, count[17] = {};
    for (int i = 0; i < n; ++i) {
        count[i + 1] = count[i] + weight[order[i]];
        for (int c = 0; c < 3; ++c) {
            sum[i + 1][c] = sum[i][c] + weight[order[i]] * static_cast<float>(colour[order[i]][c]);
        }
    }
    // Runs [0, i) [i, j) [j, k) [k, n) take the entries with weights 1, 2/3,
    // 1/3 and 0 of c0 (three colours: [0, i) [i, j) [j, n), weights 1, 1/2,
    // 0). Scaled by 9 (by 4), the normal equations' terms become
    // A = sum w^2, C = sum w (1 - w), B = sum (1 - w)^2, X = sum w x and
    // Y = sum (1 - w) x, and the error falls by
    // (B |X|^2 - 2 C X.Y + A |Y|^2) / (A B - C^2), which is maximised.
    const float total = count[n];
    const float scale = three ? 2.0f : 3.0f;
    float bestGain = -1, bestDet = 1, bestX[3] = {}, bestABC[3] = {};
    const auto score = [&](float A, float C, const float X[3]) {
        const float B = scale * scale * total - 2 * C - A, det = A * B - C * C;
        if (det < 1e-3f) {
            return;
        }
        float xx = 0, xy = 0, yy = 0;
        for (int c = 0; c < 3; ++c) {
            const float Y = scale * sum[n][c] - X[c];
            xx += X[c] * X[c], xy += X[c] * Y, yy += Y * Y;
        }
        const float gain = B * xx - 2 * C * xy + A * yy;
        if (gain * bestDet > bestGain * det) {
            bestGain = gain, bestDet = det;
            std::memcpy(bestX, X, sizeof bestX);
            bestABC[0] = A, bestABC[1] = B, bestABC[2] = C;
        }
    };
    for (int i = 0; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            if (three) {
                const float X[3] = {sum[i][0] + sum[j][0], sum[i][1] + sum[j][1],
                                    sum[i][2] + sum[j][2]};
                score(3 * count[i] + count[j], count[j] - count[i], X);
                continue;
            }
            for (int k = j; k <= n; ++k) {
                const float X[3] = {sum[i][0] + sum[j][0] + sum[k][0],
                                    sum[i][1] + sum[j][1] + sum[k][1],
                                    sum[i][2] + sum[j][2] + sum[k][2]};
                score(5 * count[i] + 3 * count[j] + count[k], 2 * (count[k] - count[i]), X);
            }
        }
    }
    if (bestGain < 0) {
        return false;
    }
    static const float kScale[3] = {31.0f / 255.0f, 63.0f / 255.0f, 31.0f / 255.0f};
    static const int kMax[3] = {31, 63, 31};
    const float A = bestABC[0], B = bestABC[1], C = bestABC[2];
    for (int c = 0; c < 3; ++c) {
        const float X = bestX[c], Y = scale * sum[n][c] - X;
        const float a = scale * (X * B - Y * C) / bestDet, b = scale * (Y * A - X * C) / bestDet;
        out->e[0][c] = clampInt(static_cast<int>(a * kScale[c] + 0.5f), 0, kMax[c]);
        out->e[1][c] = clampInt(static_cast<int>(b * kScale[c] + 0.5f), 0, kMax[c]);
    }
    return true;
}

// How far the second start moves the ends inwards: points at the extremes
// are often few, and the fit from there misses the bulk of the block.
constexpr float kInset = 0.125f;

// The best endpoints in one mode; returns the exact error.
int fitMode(const ColourBlock& block, const Axis& axis, bool three, bool refine, Endpoints* best) {
    *best = axisEnds(axis, 0.0f);
    int error = alternate(block, three, best);
    if (error > 0) {
        Endpoints inner = axisEnds(axis, kInset);
        const int innerError = alternate(block, three, &inner);
        if (innerError < error) {
            error = innerError;
            *best = inner;
        }
    }
    Endpoints clustered;
    if (error > 0 && block.distinct <= kClusterColours &&
        clusterEnds(block, axis, three, &clustered)) {
        const int clusteredError = alternate(block, three, &clustered);
        if (clusteredError < error) {
            error = clusteredError;
            *best = clustered;
        }
    }
    if (refine && error > 0) {
        error = refineSteps(block, three, best, error);
    }
    return error;
}

Endpoints singleColour(const int* p, bool three) {
    const SingleTables& t = singleTables();
    const SingleMatch r = (three ? t.three5 : t.four5)[p[0]];
    const SingleMatch g = (three ? t.three6 : t.four6)[p[1]];
    const SingleMatch b = (three ? t.three5 : t.four5)[p[2]];
    return Endpoints{{{r.e0, g.e0, b.e0}, {r.e1, g.e1, b.e1}}};
}

void writeColourBlock(const ColourBlock& block, Endpoints ends, bool three, uint8_t* out) {
    uint16_t c0 = ends.c0(), c1 = ends.c1();
    uint8_t indices[16];
    evaluate(block, ends, three, indices);
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
// three-colour mode is not tried for opaque texels of several colours.
constexpr int kThreeColourMinError = 16 * 30;

ColourBlock gather(const Rgba in[16], bool dxt1) {
    ColourBlock block;
    block.count = 0;
    block.distinct = 0;
    for (int i = 0; i < 16; ++i) {
        if (dxt1 && in[i].a < 128) {
            block.slot[i] = -1;
            continue;
        }
        int* p = block.points[block.count];
        p[0] = in[i].r, p[1] = in[i].g, p[2] = in[i].b;
        int same = 0;
        while (same < block.count && std::memcmp(block.points[same], p, sizeof block.points[0])) {
            ++same;
        }
        block.distinct += same == block.count ? 1 : 0;
        block.slot[i] = block.count++;
    }
    for (int i = 0; i < 16; ++i) {
        const int* p = block.points[i < block.count ? i : 0];
        block.r[i] = static_cast<float>(p[0]);
        block.g[i] = static_cast<float>(p[1]);
        block.b[i] = static_cast<float>(p[2]);
        block.mask[i] = i < block.count ? 1.0f : 0.0f;
    }
    return block;
}

} // namespace

void encodeColourBlock(const Rgba in[16], bool dxt1, uint8_t* out) {
    const ColourBlock block = gather(in, dxt1);
    if (block.count == 0) { // all transparent: three-colour mode, every index 3
        const uint8_t bytes[8] = {0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
        std::memcpy(out, bytes, 8);
        return;
    }
    const bool transparent = block.count < 16;
    if (block.distinct == 1) {
        // One colour: the tables give each mode's best; DXT1 takes the better.
        const Endpoints four = singleColour(block.points[0], false);
        const Endpoints three = singleColour(block.points[0], true);
        const bool useThree = transparent || (dxt1 && evaluate(block, three, true, nullptr) <
                                                          evaluate(block, four, false, nullptr));
        writeColourBlock(block, useThree ? three : four, useThree, out);
        return;
    }
    const Axis axis = principalAxis(block);
    Endpoints four, three;
    if (transparent) {
        fitMode(block, axis, true, true, &three);
        writeColourBlock(block, three, true, out);
        return;
    }
    const int fourError = fitMode(block, axis, false, true, &four);
    // Three colours rarely beat four on opaque texels, and only where the
    // four-colour fit is poor: below kThreeColourMinError they are not
    // tried, above it without the endpoint steps.
    if (dxt1 && fourError > kThreeColourMinError &&
        fitMode(block, axis, true, false, &three) < fourError) {
        writeColourBlock(block, three, true, out);
    } else {
        writeColourBlock(block, four, false, out);
    }
}

} // namespace dxt
} // namespace k4codec
