// The cluster fit of the DXT colour encoder: every way of giving the
// palette entries runs of a block's colours (or of groups of its texels) in
// their order along the principal axis is scored, and the best way's ends,
// clamped and rounded to 5:6:5, start the encoder's alternation. Used for
// blocks of at most five colours, and for poorly fitted blocks of many
// colours in a few clumps, split at the largest gaps along the axis; up to
// (n + 1)(n + 2)(n + 3) / 6 ways for n groups and four colours.
#include "codec/dxt_colour_fit.h"

namespace k4codec {
namespace dxt {

namespace {

V4 colourOf(uint32_t key) {
    return V4{static_cast<float>(key & 255), static_cast<float>(key >> 8 & 255),
              static_cast<float>(key >> 16), 0.0f};
}

float along(const Axis& axis, V4 colour) {
    return colour[0] * axis.dir[0] + colour[1] * axis.dir[1] + colour[2] * axis.dir[2];
}

} // namespace

// The block's distinct colours, one group each.
Groups colourGroups(const ColourBlock& block, const Axis& axis) {
    Groups groups;
    groups.n = block.distinct;
    float t[kClusterColours];
    for (int i = 0; i < groups.n; ++i) {
        const V4 colour = colourOf(block.colours[i]);
        const float key = along(axis, colour);
        int j = i;
        for (; j > 0 && t[j - 1] > key; --j) {
            t[j] = t[j - 1];
            groups.sum[j] = groups.sum[j - 1];
            groups.count[j] = groups.count[j - 1];
        }
        t[j] = key;
        groups.count[j] = static_cast<float>(block.weights[i]);
        groups.sum[j] = colour * splat(groups.count[j]);
    }
    return groups;
}

// Blocks of many colours in a few clumps (anti-aliased edges between flat
// areas, dark outlines): runs of texels in their order along the axis,
// split at the largest gaps between neighbours.
Groups gapGroups(const ColourBlock& block, const Axis& axis, int most) {
    float t[16];
    int order[16], n = 0;
    for (int i = 0; i < 16; ++i) {
        if (block.w[i] == 0.0f) {
            continue;
        }
        const float key =
            block.r[i] * axis.dir[0] + block.g[i] * axis.dir[1] + block.b[i] * axis.dir[2];
        int j = n++;
        for (; j > 0 && t[j - 1] > key; --j) {
            t[j] = t[j - 1];
            order[j] = order[j - 1];
        }
        t[j] = key;
        order[j] = i;
    }
    // The most - 1 largest gaps, found by lowering a threshold gap by gap.
    float gap[16];
    for (int i = 0; i + 1 < n; ++i) {
        gap[i] = t[i + 1] - t[i];
    }
    bool split[16] = {};
    for (int cut = 0; cut < most - 1; ++cut) {
        int widest = -1;
        for (int i = 0; i + 1 < n; ++i) {
            if (!split[i] && gap[i] > 0 && (widest < 0 || gap[i] > gap[widest])) {
                widest = i;
            }
        }
        if (widest < 0) {
            break;
        }
        split[widest] = true;
    }
    Groups groups;
    groups.n = 0;
    for (int i = 0; i < n; ++i) {
        if (i == 0 || split[i - 1]) {
            groups.sum[groups.n] = splat(0);
            groups.count[groups.n++] = 0;
        }
        const int texel = order[i];
        groups.sum[groups.n - 1] += V4{block.r[texel], block.g[texel], block.b[texel], 0.0f};
        groups.count[groups.n - 1] += 1;
    }
    return groups;
}

bool clusterEnds(const Groups& groups, bool three, Endpoints* out) {
    const int n = groups.n;
    // Prefix sums of counts and colours.
    V4 sum[17];
    float count[17];
    sum[0] = splat(0);
    count[0] = 0;
    for (int i = 0; i < n; ++i) {
        count[i + 1] = count[i] + groups.count[i];
        sum[i + 1] = sum[i] + groups.sum[i];
    }
    // Runs [0, i) [i, j) [j, k) [k, n) take the entries with weights 1, 2/3,
    // 1/3 and 0 of c0 (three colours: [0, i) [i, j) [j, n), weights 1, 1/2,
    // 0). Scaled by s = 3 (s = 2), the normal equations' terms become
    // A = sum w^2, C = sum w (1 - w), B = sum (1 - w)^2, X = sum w x and
    // Y = sum (1 - w) x, and the error of ends a and b is, per channel and
    // less a constant, F = A a^2 + 2 C a b + B b^2 - 2 s (a X + b Y); at the
    // solution a = s (B X - C Y) / det, b = s (A Y - C X) / det it is
    // -s (a X + b Y). That solution often lies outside the colour cube (dark
    // texels as the third of the way from white to a colour darker than
    // black): then the clamped ends are scored by F instead.
    const float total = count[n];
    const float scale = three ? 2.0f : 3.0f;
    const V4 s = splat(scale), lo = splat(0.0f), hi = splat(255.0f);
    // The nearest 5:6:5 values, expanded as the decoder does: q << 3 | q >> 2
    // is q * 8 + floor(q / 4) (q << 2 | q >> 4 for green).
    const auto quantise = [](V4 v) {
        const V4 down = V4{31.0f, 63.0f, 31.0f, 0.0f} / splat(255.0f);
        const V4 q =
            __builtin_convertvector(__builtin_convertvector(v * down + splat(0.5f), I4), V4);
        const V4 low = __builtin_convertvector(
            __builtin_convertvector(q * V4{0.25f, 0.0625f, 0.25f, 0.0f}, I4), V4);
        return q * V4{8.0f, 4.0f, 8.0f, 0.0f} + low;
    };
    // Each candidate's least-squares error, -s^2 (B |X|^2 - 2 C X.Y + A |Y|^2)
    // / det, is a lower bound of its error with clamped, rounded ends, so
    // only candidates whose bound is below the best error found so far are
    // scored in full, the one with the lowest bound first.
    struct Candidate {
        float A, B, C, det, bound;
        V4 X;
    };
    Candidate candidates[84];
    int count4 = 0, first = -1;
    const V4 S = s * sum[n];
    const auto add = [&](float A, float C, V4 X) {
        const float B = scale * scale * total - 2 * C - A, det = A * B - C * C;
        if (det < 1e-3f) {
            return;
        }
        const V4 Y = S - X, f = splat(B) * X * X - splat(2 * C) * X * Y + splat(A) * Y * Y;
        const float bound = -scale * scale * (f[0] + f[1] + f[2]) / det;
        if (first < 0 || bound < candidates[first].bound) {
            first = count4;
        }
        candidates[count4++] = Candidate{A, B, C, det, bound, X};
    };
    for (int i = 0; i <= n; ++i) {
        for (int j = i; j <= n; ++j) {
            if (three) {
                add(3 * count[i] + count[j], count[j] - count[i], sum[i] + sum[j]);
                continue;
            }
            for (int k = j; k <= n; ++k) {
                add(5 * count[i] + 3 * count[j] + count[k], 2 * (count[k] - count[i]),
                    sum[i] + sum[j] + sum[k]);
            }
        }
    }
    float bestError = 1e30f;
    int bestIndex = -1;
    V4 bestA = lo, bestB = lo;
    const auto score = [&](int index) {
        const Candidate& c = candidates[index];
        const V4 X = c.X, Y = S - X;
        const V4 inverse = splat(scale / c.det);
        V4 a = (X * splat(c.B) - Y * splat(c.C)) * inverse;
        V4 b = (Y * splat(c.A) - X * splat(c.C)) * inverse;
        a = a < lo ? lo : a > hi ? hi : a;
        b = b < lo ? lo : b > hi ? hi : b;
        const V4 qa = quantise(a), qb = quantise(b);
        const V4 f = splat(c.A) * qa * qa + splat(2 * c.C) * qa * qb + splat(c.B) * qb * qb -
                     splat(2 * scale) * (qa * X + qb * Y);
        const float error = f[0] + f[1] + f[2];
        if (error < bestError || (error == bestError && index < bestIndex)) {
            bestError = error, bestIndex = index, bestA = qa, bestB = qb;
        }
    };
    if (first >= 0) {
        score(first);
    }
    for (int index = 0; index < count4; ++index) {
        if (index != first && candidates[index].bound <= bestError) {
            score(index);
        }
    }
    if (bestError == 1e30f) {
        return false;
    }
    const V4 down = V4{31.0f, 63.0f, 31.0f, 0.0f} / splat(255.0f);
    for (int c = 0; c < 3; ++c) {
        out->e[0][c] = static_cast<int>(bestA[c] * down[c] + 0.5f);
        out->e[1][c] = static_cast<int>(bestB[c] * down[c] + 0.5f);
    }
    return true;
}

} // namespace dxt
} // namespace k4codec
