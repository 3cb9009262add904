// Inside the DXT colour encoder (dxt_colour.cpp, with the cluster fit in
// dxt_cluster.cpp): a block's texels, 5:6:5 endpoints, the principal axis,
// and the vector helpers both use. Not part of the codec's interface.
#pragma once

#include "codec/dxt_internal.h"

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace k4codec {
namespace dxt {

inline uint16_t pack565(int r5, int g6, int b5) {
    return static_cast<uint16_t>((r5 << 11) | (g6 << 5) | b5);
}

inline int expandBits(int v, int bits) {
    return bits == 5 ? (v << 3) | (v >> 2) : (v << 2) | (v >> 4);
}

inline int clampInt(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

typedef float V4 __attribute__((vector_size(16)));
typedef int I4 __attribute__((vector_size(16)));

inline V4 load4(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline V4 splat(float x) {
    return V4{x, x, x, x};
}

// Bit k set where lane k of a comparison's result is true.
inline int laneMask(I4 v) {
#ifdef __SSE2__
    return _mm_movemask_ps(_mm_castsi128_ps(reinterpret_cast<__m128i>(v)));
#else
    return (v[0] & 1) | (v[1] & 2) | (v[2] & 4) | (v[3] & 8);
#endif
}

inline float sumLanes(V4 v) {
    return (v[0] + v[1]) + (v[2] + v[3]);
}

// Blocks of at most this many colours also get a cluster fit (clusterEnds).
constexpr int kClusterColours = 5;

// The texels by channel, with weight 1 for those that take part in the fit
// and 0 for transparent ones (which the loops then ignore).
struct ColourBlock {
    float r[16], g[16], b[16], w[16];
    uint32_t present; // bit i set where texel i takes part
    int count;        // texels that take part
    int distinct;     // different colours among them, counted up to kClusterColours + 1
    // Those colours (0xBBGGRR) and their texel counts, while distinct <= kClusterColours.
    uint32_t colours[kClusterColours + 1];
    int weights[kClusterColours + 1];
};

struct Endpoints {
    int e[2][3]; // 5:6:5 components of c0 and c1
    uint16_t c0() const { return pack565(e[0][0], e[0][1], e[0][2]); }
    uint16_t c1() const { return pack565(e[1][0], e[1][1], e[1][2]); }
    bool operator==(const Endpoints& o) const { return std::memcmp(e, o.e, sizeof e) == 0; }
};

// The principal axis of the texels (power iteration on their covariance)
// and the extent of the texels along it.
struct Axis {
    float mean[3], dir[3];
    float lo, hi;
    float t[16]; // each texel's position along the axis
};

// Groups of texels in their order along the axis, for the cluster fit: the
// sum of their colours (r, g, b in the first three lanes) and their count.
struct Groups {
    int n;
    V4 sum[16];
    float count[16];
};

// The block's distinct colours (at most kClusterColours), one group each.
Groups colourGroups(const ColourBlock& block, const Axis& axis);

// Runs of texels along the axis, split at the `most` - 1 largest gaps.
Groups gapGroups(const ColourBlock& block, const Axis& axis, int most);

// The ends of the best way of giving the palette entries runs of the
// groups in their order; false if no way determines both ends.
bool clusterEnds(const Groups& groups, bool three, Endpoints* out);

} // namespace dxt
} // namespace k4codec
