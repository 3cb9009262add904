// The DXT colour block encoder. Blocks of one colour take the best
// endpoints from a table. Blocks of at most five colours start from a cluster
// fit of those colours (dxt_cluster.cpp); the others from the ends of their
// extent along the principal axis, each texel taking the entry nearest its
// position, and poorly fitted ones also from a cluster fit of their texels
// split at the largest gaps along the axis. A round of an exact search of
// 5:6:5 endpoint values per channel for the indices, then exact index
// choice; then single steps of each endpoint component, scored exactly
// from per-channel distances, leave the local minima of the alternation.
// DXT1 tries its three-colour mode (three opaque colours) on opaque blocks
// whose four-colour fit is poor, and uses it (with index 3 transparent) for
// blocks with transparent texels.
//
// Errors are sums of squared differences over R, G and B, measured with
// exactly the palette the decoder builds (dxt_internal.h). The inner loops
// run on four floats at a time: the values are integers below 2^24, so the
// sums are exact in any order, and the bytes do not depend on the order
// blocks are encoded in.
#include "codec/dxt_colour_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace k4codec {
namespace dxt {

namespace {

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

// A fit: endpoints, each texel's palette index and the exact error.
struct Fit {
    Endpoints ends;
    int indices[16];
    int error;
};

// Total squared error of the texels against the palette of the endpoints,
// with each texel's index. The nearest entry wins, the lower index on a tie;
// the three-colour mode never gives texels its transparent entry 3.
int evaluate(const ColourBlock& block, const Endpoints& ends, bool three, int indices[16]) {
    Colour palette[4];
    colourPalette(ends.c0(), ends.c1(), three, palette);
    V4 cr[4], cg[4], cb[4];
    for (int k = 0; k < 4; ++k) {
        cr[k] = splat(static_cast<float>(palette[k].r));
        cg[k] = splat(static_cast<float>(palette[k].g));
        cb[k] = splat(static_cast<float>(palette[k].b));
    }
    const int entries = three ? 3 : 4;
    V4 total = splat(0);
    for (int q = 0; q < 16; q += 4) {
        const V4 pr = load4(block.r + q), pg = load4(block.g + q), pb = load4(block.b + q);
        V4 dr = pr - cr[0], dg = pg - cg[0], db = pb - cb[0];
        V4 best = dr * dr + dg * dg + db * db;
        I4 bestIndex = I4{0, 0, 0, 0};
        for (int k = 1; k < entries; ++k) {
            dr = pr - cr[k], dg = pg - cg[k], db = pb - cb[k];
            const V4 d = dr * dr + dg * dg + db * db;
            const I4 less = d < best;
            bestIndex = less ? I4{k, k, k, k} : bestIndex;
            best = less ? d : best;
        }
        total += load4(block.w + q) * best;
        std::memcpy(indices + q, &bestIndex, sizeof bestIndex);
    }
    return static_cast<int>(sumLanes(total));
}

// --- Endpoint fitting ---

Axis principalAxis(const ColourBlock& block) {
    Axis axis;
    V4 sr = splat(0), sg = splat(0), sb = splat(0);
    for (int q = 0; q < 16; q += 4) {
        const V4 w = load4(block.w + q);
        sr += w * load4(block.r + q), sg += w * load4(block.g + q), sb += w * load4(block.b + q);
    }
    const float inverse = 1.0f / static_cast<float>(block.count);
    axis.mean[0] = sumLanes(sr) * inverse;
    axis.mean[1] = sumLanes(sg) * inverse;
    axis.mean[2] = sumLanes(sb) * inverse;
    const V4 mr = splat(axis.mean[0]), mg = splat(axis.mean[1]), mb = splat(axis.mean[2]);
    V4 rr = splat(0), rg = splat(0), rb = splat(0), gg = splat(0), gb = splat(0), bb = splat(0);
    for (int q = 0; q < 16; q += 4) {
        const V4 w = load4(block.w + q);
        const V4 r = (load4(block.r + q) - mr) * w, g = (load4(block.g + q) - mg) * w,
                 b = (load4(block.b + q) - mb) * w;
        rr += r * r, rg += r * g, rb += r * b, gg += g * g, gb += g * b, bb += b * b;
    }
    const float cov[6] = {sumLanes(rr), sumLanes(rg), sumLanes(rb),
                          sumLanes(gg), sumLanes(gb), sumLanes(bb)};
    float* d = axis.dir;
    d[0] = cov[0] + cov[1] + cov[2], d[1] = cov[1] + cov[3] + cov[4],
    d[2] = cov[2] + cov[4] + cov[5];
    for (int iteration = 0; iteration < 2; ++iteration) {
        const float x = cov[0] * d[0] + cov[1] * d[1] + cov[2] * d[2];
        const float y = cov[1] * d[0] + cov[3] * d[1] + cov[4] * d[2];
        const float z = cov[2] * d[0] + cov[4] * d[1] + cov[5] * d[2];
        const float m = std::max(std::abs(x), std::max(std::abs(y), std::abs(z)));
        if (m <= 0.0f) {
            break;
        }
        const float scale = 1.0f / m;
        d[0] = x * scale, d[1] = y * scale, d[2] = z * scale;
    }
    if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= 0.0f) {
        d[0] = d[1] = d[2] = 1.0f;
    }
    V4 lo = splat(1e30f), hi = splat(-1e30f);
    const V4 dr = splat(d[0]), dg = splat(d[1]), db = splat(d[2]);
    for (int q = 0; q < 16; q += 4) {
        const V4 t = (load4(block.r + q) - mr) * dr + (load4(block.g + q) - mg) * dg +
                     (load4(block.b + q) - mb) * db;
        std::memcpy(axis.t + q, &t, sizeof t);
        const I4 in = load4(block.w + q) > splat(0);
        lo = in && t < lo ? t : lo;
        hi = in && t > hi ? t : hi;
    }
    axis.lo = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
    axis.hi = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
    return axis;
}

// The points of the axis at the ends of the texels' extent, as 5:6:5 values.
Endpoints axisEnds(const Axis& axis) {
    const float* d = axis.dir;
    const float norm = 1.0f / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float hi = axis.hi * norm, lo = axis.lo * norm;
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
    float n[4];
    float sum[4][3];
};

IndexSums sumByIndex(const ColourBlock& block, const int indices[16]) {
    IndexSums s = {};
    for (int i = 0; i < 16; ++i) {
        const int k = indices[i];
        const float w = block.w[i];
        s.n[k] += w;
        s.sum[k][0] += w * block.r[i];
        s.sum[k][1] += w * block.g[i];
        s.sum[k][2] += w * block.b[i];
    }
    return s;
}

// The channel's error, less the constant sum of squared values, for four
// candidate pairs of expanded ends (a, b) at once. The terms are integers
// below 2^24, so the float sums are exact; the palette's divisions are
// truncations of positive values (1/3 rounds up in float, which keeps the
// quotients of multiples of 3 whole).
V4 channelErrors(const IndexSums& s, int c, V4 a, V4 b, bool three) {
    const auto term = [&](int k, V4 x) {
        return x * (splat(s.n[k]) * x - splat(2.0f * s.sum[k][c]));
    };
    const auto whole = [](V4 x) {
        return __builtin_convertvector(__builtin_convertvector(x, I4), V4);
    };
    const V4 one = splat(1.0f);
    V4 error = term(0, a) + term(1, b);
    if (three) {
        return error + term(2, whole((a + b + one) * splat(0.5f)));
    }
    const V4 third = splat(1.0f / 3.0f);
    return error + term(2, whole((a + a + b + one) * third)) +
           term(3, whole((a + b + b + one) * third));
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
        const float n = s.n[k];
        aa += n * w * w, ab += n * w * v, bb += n * v * v;
        for (int c = 0; c < 3; ++c) {
            ax[c] += w * s.sum[k][c];
            bx[c] += v * s.sum[k][c];
        }
    }
    const float det = aa * bb - ab * ab;
    if (std::abs(det) <= 1e-3f) {
        return;
    }
    const float inverse = 1.0f / det;
    for (int c = 0; c < 3; ++c) {
        const int bits = kBits[c], max = (1 << bits) - 1;
        const float scale = static_cast<float>(max) / 255.0f;
        const float a = (ax[c] * bb - bx[c] * ab) * inverse,
                    b = (bx[c] * aa - ax[c] * ab) * inverse;
        // The values on either side of the optimum (truncation is the floor
        // wherever the clamp leaves the value); at the top they repeat.
        const int lo0 = clampInt(static_cast<int>(a * scale), 0, max);
        const int lo1 = clampInt(static_cast<int>(b * scale), 0, max);
        const int hi0 = lo0 < max ? lo0 + 1 : lo0, hi1 = lo1 < max ? lo1 + 1 : lo1;
        const float x0 = static_cast<float>(expandBits(lo0, bits)),
                    x1 = static_cast<float>(expandBits(hi0, bits));
        const float y0 = static_cast<float>(expandBits(lo1, bits)),
                    y1 = static_cast<float>(expandBits(hi1, bits));
        const V4 errors = channelErrors(s, c, V4{x0, x0, x1, x1}, V4{y0, y1, y0, y1}, three);
        const float current =
            channelErrors(s, c, splat(static_cast<float>(expandBits(ends->e[0][c], bits))),
                          splat(static_cast<float>(expandBits(ends->e[1][c], bits))), three)[0];
        int pick = -1;
        float best = current;
        for (int lane = 0; lane < 4; ++lane) {
            if (errors[lane] < best) {
                best = errors[lane];
                pick = lane;
            }
        }
        if (pick >= 0) {
            ends->e[0][c] = pick < 2 ? lo0 : hi0;
            ends->e[1][c] = pick & 1 ? hi1 : lo1;
        }
    }
}

// Alternates exact index choice and the per-channel endpoint search from
// the fit's ends until neither helps, or for `rounds` rounds.
void alternate(const ColourBlock& block, bool three, int rounds, Fit* fit) {
    fit->error = evaluate(block, fit->ends, three, fit->indices);
    for (int round = 0; round < rounds && fit->error > 0; ++round) {
        Fit trial;
        trial.ends = fit->ends;
        fitChannels(sumByIndex(block, fit->indices), three, &trial.ends);
        if (trial.ends == fit->ends) {
            break;
        }
        trial.error = evaluate(block, trial.ends, three, trial.indices);
        if (trial.error >= fit->error) {
            break;
        }
        *fit = trial;
    }
}

// The endpoint steps below change one channel of one endpoint at a time, so
// each texel's squared distance to each palette entry is kept per channel:
// a step then costs one channel's differences instead of a full evaluation,
// and its error is exact (nearest entry, like evaluate).
struct Distances {
    V4 part[4][3][4]; // entry, channel, group of four texels
    V4 total[4][4];   // entry, group
};

// One channel's values of the four palette entries for expanded ends a, b.
void channelPalette(int a, int b, bool three, float values[4]) {
    values[0] = static_cast<float>(a);
    values[1] = static_cast<float>(b);
    values[2] = static_cast<float>(three ? (a + b + 1) / 2 : (2 * a + b + 1) / 3);
    values[3] = static_cast<float>(three ? (a + b + 1) / 2 : (a + 2 * b + 1) / 3);
}

const float* channelOf(const ColourBlock& block, int c) {
    return c == 0 ? block.r : c == 1 ? block.g : block.b;
}

void measureDistances(const ColourBlock& block, const Endpoints& ends, bool three, Distances* d) {
    static const int kBits[3] = {5, 6, 5};
    for (int c = 0; c < 3; ++c) {
        float values[4];
        channelPalette(expandBits(ends.e[0][c], kBits[c]), expandBits(ends.e[1][c], kBits[c]),
                       three, values);
        const float* p = channelOf(block, c);
        for (int q = 0; q < 4; ++q) {
            const V4 v = load4(p + 4 * q);
            for (int k = 0; k < 4; ++k) {
                const V4 diff = v - splat(values[k]);
                d->part[k][c][q] = diff * diff;
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        for (int q = 0; q < 4; ++q) {
            d->total[k][q] = d->part[k][0][q] + d->part[k][1][q] + d->part[k][2][q];
        }
    }
}

// The exact error with channel c of the palette replaced by `values`.
int errorWithChannel(const ColourBlock& block, const Distances& d, int c, const float values[4],
                     bool three) {
    const float* p = channelOf(block, c);
    const V4 v0 = splat(values[0]), v1 = splat(values[1]), v2 = splat(values[2]),
             v3 = splat(values[3]);
    V4 total = splat(0);
    for (int q = 0; q < 4; ++q) {
        const V4 x = load4(p + 4 * q);
        const V4 e0 = x - v0, e1 = x - v1, e2 = x - v2;
        const V4 d0 = d.total[0][q] - d.part[0][c][q] + e0 * e0;
        const V4 d1 = d.total[1][q] - d.part[1][c][q] + e1 * e1;
        const V4 d2 = d.total[2][q] - d.part[2][c][q] + e2 * e2;
        V4 best = d0 < d1 ? d0 : d1;
        best = d2 < best ? d2 : best;
        if (!three) {
            const V4 e3 = x - v3;
            const V4 d3 = d.total[3][q] - d.part[3][c][q] + e3 * e3;
            best = d3 < best ? d3 : best;
        }
        total += load4(block.w + 4 * q) * best;
    }
    return static_cast<int>(sumLanes(total));
}

// Tries each endpoint component one step up and down while that helps, for
// at most `passes` rounds over the six components.
void refineSteps(const ColourBlock& block, bool three, int passes, Fit* fit) {
    static const int kMax[3] = {31, 63, 31};
    static const int kBits[3] = {5, 6, 5};
    Endpoints ends = fit->ends;
    int error = fit->error;
    Distances distances;
    measureDistances(block, ends, three, &distances);
    bool moved = false;
    for (int pass = 0; pass < passes && error > 0; ++pass) {
        bool improved = false;
        for (int c = 0; c < 3; ++c) {
            for (int m = 1; m < 9; m += 2) { // (-1, 0), (0, -1), (0, 1), (1, 0)
                const int s0 = m / 3 - 1, s1 = m % 3 - 1;
                const int v0 = ends.e[0][c] + s0, v1 = ends.e[1][c] + s1;
                if (v0 < 0 || v0 > kMax[c] || v1 < 0 || v1 > kMax[c]) {
                    continue;
                }
                float values[4];
                channelPalette(expandBits(v0, kBits[c]), expandBits(v1, kBits[c]), three, values);
                const int trial = errorWithChannel(block, distances, c, values, three);
                if (trial < error) {
                    error = trial;
                    ends.e[0][c] = v0;
                    ends.e[1][c] = v1;
                    measureDistances(block, ends, three, &distances);
                    improved = true;
                }
            }
        }
        moved = moved || improved;
        if (!improved) {
            break;
        }
    }
    if (moved) {
        fit->ends = ends;
        fit->error = evaluate(block, ends, three, fit->indices);
    }
}

// Blocks of a few colours: every way of giving the palette entries runs of
// the colours in their order along the axis (cluster fit) is scored by its
// least-squares error, and the best one's least-squares ends start the
// alternation. This finds fits that put a colour between the ends (white
// and light grey as white and the midpoint of white and a darker grey),
// which starts from the extremes never reach. With n colours there are
// (n + 1)(n + 2)(n + 3) / 6 such ways for four entries.
// Blocks whose fit from the axis is worse than this (squared error) also
// try a cluster fit of their texels split at the largest gaps along the
// axis into this many groups.
constexpr int kGapMinError = 2000;
constexpr int kGapGroups = 6;
// Blocks fitted this well (2 per texel) skip the endpoint steps: a sixth of
// the blocks that reach them in the bench's art, whose steps won 5 % of their
// small error (nothing at two decimals of a dB) for 4 % of the encoder's
// time. At twice this, smooth art lost 0.08 dB.
constexpr int kStepsMinError = 32;

// Each texel takes the entry nearest its position along the axis between
// the ends of its extent: the indices the first endpoint search starts from.
void axisIndices(const Axis& axis, bool three, int indices[16]) {
    const float span = axis.hi - axis.lo;
    const V4 lo = splat(axis.lo), scale = splat(span > 0 ? (three ? 4.0f : 6.0f) / span : 0.0f);
    for (int q = 0; q < 16; q += 4) {
        const V4 f = (load4(axis.t + q) - lo) * scale; // 0 at c1, 6 (4) at c0
        I4 index;
        if (three) {
            index = f >= splat(3.0f)   ? I4{0, 0, 0, 0}
                    : f >= splat(1.0f) ? I4{2, 2, 2, 2}
                                       : I4{1, 1, 1, 1};
        } else {
            index = f >= splat(5.0f)   ? I4{0, 0, 0, 0}
                    : f >= splat(3.0f) ? I4{2, 2, 2, 2}
                    : f >= splat(1.0f) ? I4{3, 3, 3, 3}
                                       : I4{1, 1, 1, 1};
        }
        std::memcpy(indices + q, &index, sizeof index);
    }
}

// The best fit in one mode: from a cluster fit of the block's colours when
// they are few, otherwise from the ends of the axis (and from the gaps'
// cluster fit when that fit is poor and `gaps` is set); `rounds` of
// alternation, then `passes` of endpoint steps.
Fit fitMode(const ColourBlock& block, const Axis& axis, bool three, bool gaps, int rounds,
            int passes) {
    Fit best;
    if (block.distinct <= kClusterColours &&
        clusterEnds(colourGroups(block, axis), three, &best.ends)) {
        alternate(block, three, rounds, &best);
    } else {
        best.ends = axisEnds(axis);
        axisIndices(axis, three, best.indices);
        fitChannels(sumByIndex(block, best.indices), three, &best.ends);
        alternate(block, three, rounds - 1, &best);
        Fit clumps;
        if (gaps && best.error > kGapMinError &&
            clusterEnds(gapGroups(block, axis, kGapGroups), three, &clumps.ends)) {
            alternate(block, three, rounds, &clumps);
            if (clumps.error < best.error) {
                best = clumps;
            }
        }
    }
    if (passes > 0 && best.error > kStepsMinError) {
        refineSteps(block, three, passes, &best);
    }
    return best;
}

// The tables' ends for one colour; every texel takes entry 2 (the table's
// mix, which is nearer the colour than either end), `count` of them.
Fit singleColour(const Rgba& p, bool three, int count) {
    const SingleTables& t = singleTables();
    const SingleMatch r = (three ? t.three5 : t.four5)[p.r];
    const SingleMatch g = (three ? t.three6 : t.four6)[p.g];
    const SingleMatch b = (three ? t.three5 : t.four5)[p.b];
    Fit fit;
    fit.ends = Endpoints{{{r.e0, g.e0, b.e0}, {r.e1, g.e1, b.e1}}};
    Colour palette[4];
    colourPalette(fit.ends.c0(), fit.ends.c1(), three, palette);
    const int dr = palette[2].r - p.r, dg = palette[2].g - p.g, db = palette[2].b - p.b;
    fit.error = count * (dr * dr + dg * dg + db * db);
    for (int& index : fit.indices) {
        index = 2;
    }
    return fit;
}

// `transparent`: bit i set where texel i is transparent (index 3).
void writeColourBlock(uint32_t transparent, const Fit& fit, bool three, uint8_t* out) {
    uint16_t c0 = fit.ends.c0(), c1 = fit.ends.c1();
    // Four colours need c0 > c1, three need c0 <= c1; swap the ends if not
    // (0 <-> 1, and 2 <-> 3 with four colours).
    const bool swap = three ? c0 > c1 : c0 < c1;
    if (swap) {
        std::swap(c0, c1);
    }
    // Transparent texels take index 3; four texels at a time.
    const I4 one = I4{1, 1, 1, 1}, place = I4{0, 2, 4, 6};
    uint32_t bits = 0;
    for (int q = 0; q < 16; q += 4) {
        I4 index;
        std::memcpy(&index, fit.indices + q, sizeof index);
        if (swap) {
            index = three ? (index < 2 ? index ^ one : index) : index ^ one;
        }
        const int hidden = static_cast<int>(transparent >> q) & 15;
        index = (I4{hidden, hidden, hidden, hidden} & I4{1, 2, 4, 8}) != 0 ? I4{3, 3, 3, 3} : index;
        const I4 placed = index << place;
        bits |= static_cast<uint32_t>(placed[0] | placed[1] | placed[2] | placed[3]) << (2 * q);
    }
    if (!three && c0 == c1) {
        bits = 0;
    }
    const uint8_t bytes[8] = {static_cast<uint8_t>(c0),         static_cast<uint8_t>(c0 >> 8),
                              static_cast<uint8_t>(c1),         static_cast<uint8_t>(c1 >> 8),
                              static_cast<uint8_t>(bits),       static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    std::memcpy(out, bytes, 8);
}

// Squared error of a four-colour block (100 per texel) below which the
// three-colour mode is not tried for opaque texels of several colours.
constexpr int kThreeColourMinError = 16 * 100;

// Set bits of a 16-bit mask (the builtin is a library call without the
// POPCNT instruction, which the baseline x86-64 lacks).
int countBits(uint32_t x) {
    x = x - ((x >> 1) & 0x5555);
    x = (x & 0x3333) + ((x >> 2) & 0x3333);
    x = (x + (x >> 4)) & 0x0f0f;
    return static_cast<int>((x + (x >> 8)) & 0x1f);
}

// Bit i set where keys[i] == key.
uint32_t equalKeys(const uint32_t keys[16], uint32_t key) {
    typedef uint32_t U4 __attribute__((vector_size(16)));
    const U4 wanted = U4{key, key, key, key};
    uint32_t mask = 0;
    for (int q = 0; q < 16; q += 4) {
        U4 v;
        std::memcpy(&v, keys + q, sizeof v);
        const I4 equal = v == wanted;
        mask |= static_cast<uint32_t>(laneMask(equal)) << q;
    }
    return mask;
}

ColourBlock gather(const Rgba in[16], bool dxt1) {
    typedef uint32_t U4 __attribute__((vector_size(16)));
    ColourBlock block;
    uint32_t keys[16];
    uint32_t left = 0; // texels that take part, not yet counted under a colour
    for (int q = 0; q < 16; q += 4) {
        U4 v;
        std::memcpy(&v, in + q, sizeof v);
        const U4 byte = U4{255, 255, 255, 255};
        const V4 r = __builtin_convertvector(v & byte, V4);
        const V4 g = __builtin_convertvector(v >> 8 & byte, V4);
        const V4 b = __builtin_convertvector(v >> 16 & byte, V4);
        const I4 in = dxt1 ? (v >> 24) >= 128 : I4{-1, -1, -1, -1};
        const V4 w = in ? splat(1.0f) : splat(0.0f);
        std::memcpy(block.r + q, &r, sizeof r);
        std::memcpy(block.g + q, &g, sizeof g);
        std::memcpy(block.b + q, &b, sizeof b);
        std::memcpy(block.w + q, &w, sizeof w);
        const U4 key = v & U4{0xffffff, 0xffffff, 0xffffff, 0xffffff};
        std::memcpy(keys + q, &key, sizeof key);
        left |= static_cast<uint32_t>(laneMask(in)) << q;
    }
    block.present = left;
    block.count = countBits(left);
    // The colours in their order of first appearance, each with the texels
    // of that colour taken at once (a mask of sixteen compares).
    int distinct = 0;
    while (left != 0 && distinct <= kClusterColours) {
        const uint32_t key = keys[__builtin_ctz(left)];
        const uint32_t same = equalKeys(keys, key) & left;
        block.colours[distinct] = key;
        block.weights[distinct++] = countBits(same);
        left &= ~same;
    }
    block.distinct = distinct;
    return block;
}

// A block of one colour (`count` texels of `p`, the others transparent):
// the tables give each mode's best; DXT1 takes the better.
void writeSingleColour(const Rgba& p, int count, uint32_t transparent, bool dxt1, uint8_t* out) {
    const Fit four = singleColour(p, false, count);
    if (transparent != 0 || dxt1) {
        const Fit three = singleColour(p, true, count);
        if (transparent != 0 || three.error < four.error) {
            writeColourBlock(transparent, three, true, out);
            return;
        }
    }
    writeColourBlock(0, four, false, out);
}

} // namespace

void encodeColourBlock(const Rgba in[16], bool dxt1, uint8_t* out) {
    static const uint8_t kTransparent[8] = {0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
    // Blocks of one texel value (flat art has many) go straight to the tables.
    typedef uint32_t U4 __attribute__((vector_size(16)));
    U4 texels[4];
    std::memcpy(texels, in, sizeof texels);
    const U4 firstTexel = U4{texels[0][0], texels[0][0], texels[0][0], texels[0][0]};
    if (laneMask((texels[0] == firstTexel) & (texels[1] == firstTexel) & (texels[2] == firstTexel) &
                 (texels[3] == firstTexel)) == 15) {
        if (dxt1 && in[0].a < 128) { // all transparent: three colours, every index 3
            std::memcpy(out, kTransparent, 8);
        } else {
            writeSingleColour(in[0], 16, 0, dxt1, out);
        }
        return;
    }
    const ColourBlock block = gather(in, dxt1);
    if (block.count == 0) {
        std::memcpy(out, kTransparent, 8);
        return;
    }
    const uint32_t transparentBits = ~block.present & 0xffff;
    const bool transparent = transparentBits != 0;
    if (block.distinct == 1) {
        writeSingleColour(in[__builtin_ctz(~transparentBits)], block.count, transparentBits, dxt1,
                          out);
        return;
    }
    // One round of alternation and one pass of steps: more of either gains a
    // few hundredths of a dB for a tenth or more of the time.
    const Axis axis = principalAxis(block);
    if (transparent) {
        writeColourBlock(transparentBits, fitMode(block, axis, true, true, 1, 1), true, out);
        return;
    }
    const Fit four = fitMode(block, axis, false, true, 1, 1);
    // Three colours rarely beat four on opaque texels, and only where the
    // four-colour fit is poor: below kThreeColourMinError they are not
    // tried, above it without the gaps' cluster fit and the endpoint steps.
    if (dxt1 && four.error > kThreeColourMinError) {
        const Fit three = fitMode(block, axis, true, false, 1, 0);
        if (three.error < four.error) {
            writeColourBlock(0, three, true, out);
            return;
        }
    }
    writeColourBlock(0, four, false, out);
}

} // namespace dxt
} // namespace k4codec
