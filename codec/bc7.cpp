// BC7 blocks (BC7_UNORM, BC7_UNORM_SRGB, BC7_TYPELESS): all eight modes with
// their partitions, p-bits, rotations and index selection, as the Direct3D 11
// and OpenGL (BPTC) documents define them. The reserved mode (a first byte of
// 0) decodes to transparent black, as Direct3D specifies. sRGB blocks decode
// to the same bytes: sRGB is a sampling state in Direct3D 9.
//
// Speed: each mode is compiled on its own (its fields at constant positions),
// each subset's palette is built once per block, two entries at a time in
// vector lanes, and each texel is a lookup.
#include "codec/bptc.h"
#include "codec/dds_decode.h"

#include <cstring>
#include <utility>

namespace k4codec {

namespace {

using bptc::bitsAt;

// One row of the documents' mode table.
struct Mode {
    uint8_t subsets;
    uint8_t partitionBits;
    uint8_t rotationBits;
    uint8_t indexSelectionBits;
    uint8_t colourBits;
    uint8_t alphaBits;
    uint8_t endpointPBits; // one p-bit per endpoint
    uint8_t sharedPBits;   // one p-bit per subset
    uint8_t indexBits;
    uint8_t index2Bits;
};

constexpr Mode kModes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

// An endpoint in the 16-bit lanes of a word, blue, green, red, alpha from
// the bottom (the order of an A8R8G8B8 word's bytes), so that p-bits and the
// expansion to 8 bits act on all channels at once.
constexpr uint32_t kLaneShift[4] = {32, 16, 0, 48}; // red, green, blue, alpha
constexpr uint64_t kColourLanes = 0x0000ffffffffffffull;
constexpr uint64_t kLowBytes = 0x00ff00ff00ff00ffull;

// `bits`-bit values in the lanes of `lanes` to 8 bits: the top bits
// repeated below them.
inline uint64_t expandLanes(uint64_t lanes, uint32_t bits) {
    lanes <<= 8 - bits;
    return lanes | ((lanes >> bits) & kLowBytes);
}

// Palette entries two at a time: the lanes of two entries in the eight
// 16-bit lanes of a vector (SSE2 on x86-64); no lane exceeds 16 bits.
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x8 __attribute__((vector_size(8)));

typedef uint64_t U64x2 __attribute__((vector_size(16)));

inline U16x8 twice(uint64_t lanes) {
    return reinterpret_cast<U16x8>(U64x2{lanes, lanes});
}

// Entries `count` (even) of the palette from a to b with `weights`, as
// A8R8G8B8 words: ((64 - w) * a + w * b + 32) >> 6 in every channel.
inline void interpolate(uint64_t from, uint64_t to, const uint8_t* weights, uint32_t count,
                        uint32_t* out) {
    const U16x8 a = twice(from), b = twice(to);
    for (uint32_t i = 0; i < count; i += 2) {
        const uint16_t w0 = weights[i], w1 = weights[i + 1];
        const U16x8 w = {w0, w0, w0, w0, w1, w1, w1, w1};
        const U16x8 mixed = (a * (64 - w) + b * w + 32) >> 6;
        const U8x8 bytes = __builtin_convertvector(mixed, U8x8);
        std::memcpy(out + i, &bytes, 8);
    }
}

// Swaps alpha with red (1), green (2) or blue (3).
inline uint32_t rotate(uint32_t word, uint32_t rotation) {
    const uint32_t shift = rotation == 1 ? 16 : rotation == 2 ? 8 : 0;
    const uint32_t alpha = word >> 24, other = (word >> shift) & 0xff;
    return (word & ~((0xffu << 24) | (0xffu << shift))) | (other << 24) | (alpha << shift);
}

// A zero bit put in at `position`: anchor texels store their index one bit
// short, and with the bit back every index has the same width.
inline uint64_t insertZero(uint64_t bits, uint32_t position) {
    return (bits & ((uint64_t(1) << position) - 1)) | ((bits >> position) << (position + 1));
}

// Each mode compiled on its own, so that its field positions are constants.
template <uint32_t M> void decodeMode(bptc::Bits128 bits, BlockOut out) {
    constexpr Mode mode = kModes[M];
    constexpr uint32_t endpoints = mode.subsets * 2u;
    uint32_t at = M + 1;
    const auto take = [&](uint32_t count) {
        const uint32_t value = count ? bitsAt(bits, at, count) : 0;
        at += count;
        return value;
    };
    const uint32_t partition = take(mode.partitionBits);
    const uint32_t rotation = take(mode.rotationBits);
    const uint32_t indexSelection = take(mode.indexSelectionBits);

    // Endpoints: all reds (endpoint by endpoint, subset by subset), then all
    // greens, blues and alphas, then the p-bits below them.
    uint64_t endpoint[endpoints] = {};
    for (uint32_t channel = 0; channel < (mode.alphaBits ? 4u : 3u); ++channel) {
        const uint32_t count = channel < 3 ? mode.colourBits : mode.alphaBits;
        for (uint32_t e = 0; e < endpoints; ++e) {
            endpoint[e] |= static_cast<uint64_t>(take(count)) << kLaneShift[channel];
        }
    }
    constexpr bool pBits = mode.endpointPBits || mode.sharedPBits;
    constexpr uint32_t colourBits = mode.colourBits + pBits;
    constexpr uint32_t alphaBits = mode.alphaBits ? mode.alphaBits + pBits : 0;
    if constexpr (pBits) {
        constexpr uint64_t pLanes = alphaBits ? 0x0001000100010001ull : 0x0000000100010001ull;
        uint64_t p = 0;
        for (uint32_t e = 0; e < endpoints; ++e) {
            if (mode.endpointPBits || e % 2 == 0) {
                p = take(1) * pLanes;
            }
            endpoint[e] = (endpoint[e] << 1) | p;
        }
    }
    for (uint32_t e = 0; e < endpoints; ++e) {
        if constexpr (alphaBits == 0) {
            endpoint[e] = expandLanes(endpoint[e], colourBits) | (uint64_t(255) << 48);
        } else if constexpr (alphaBits == colourBits) {
            endpoint[e] = expandLanes(endpoint[e], colourBits);
        } else {
            endpoint[e] = expandLanes(endpoint[e] & kColourLanes, colourBits) |
                          expandLanes(endpoint[e] & ~kColourLanes, alphaBits);
        }
    }

    // The primary indices follow, then the secondary ones (modes 4 and 5).
    // Anchor texels store one bit less: put it back as 0 so that texel t's
    // index is at bit t * width.
    constexpr uint32_t firstBits = mode.indexBits;
    uint64_t first = insertZero(bptc::bitsFrom(bits, at), firstBits - 1);
    if constexpr (mode.index2Bits == 0) {
        uint32_t anchorLow = 0, anchorHigh = 0;
        if constexpr (mode.subsets == 2) {
            anchorLow = bptc::kAnchor2[partition];
        } else if constexpr (mode.subsets == 3) {
            anchorLow = bptc::kAnchor3Second[partition];
            anchorHigh = bptc::kAnchor3Third[partition];
            if (anchorLow > anchorHigh) {
                std::swap(anchorLow, anchorHigh);
            }
        }
        if constexpr (mode.subsets >= 2) {
            first = insertZero(first, anchorLow * firstBits + firstBits - 1);
        }
        if constexpr (mode.subsets == 3) {
            first = insertZero(first, anchorHigh * firstBits + firstBits - 1);
        }
        const uint8_t* weights = bptc::weights(firstBits);
        constexpr uint32_t entries = 1u << firstBits;
        uint32_t palette[mode.subsets * entries];
        for (uint32_t s = 0; s < mode.subsets; ++s) {
            interpolate(endpoint[2 * s], endpoint[2 * s + 1], weights, entries,
                        palette + s * entries);
        }
        const uint32_t subsets = mode.subsets == 2   ? bptc::kPartitions2[partition]
                                 : mode.subsets == 3 ? bptc::kPartitions3[partition]
                                                     : 0u;
        for (uint32_t t = 0; t < 16; ++t) {
            const uint32_t index = static_cast<uint32_t>(first >> (t * firstBits)) & (entries - 1);
            out.put(t, palette[((subsets >> (2 * t)) & 3) * entries + index]);
        }
    } else {
        // Modes 4 and 5: one subset, colour and alpha with indices of their own.
        constexpr uint32_t secondBits = mode.index2Bits;
        const uint64_t second =
            insertZero(bptc::bitsFrom(bits, at + 16 * firstBits - 1), secondBits - 1);
        uint32_t firstPalette[1u << firstBits], secondPalette[1u << secondBits];
        interpolate(endpoint[0], endpoint[1], bptc::weights(firstBits), 1u << firstBits,
                    firstPalette);
        interpolate(endpoint[0], endpoint[1], bptc::weights(secondBits), 1u << secondBits,
                    secondPalette);
        // Index selection 1: colour by the second indices, alpha by the first.
        const uint32_t firstMask = indexSelection ? 0xff000000u : 0x00ffffffu;
        for (uint32_t t = 0; t < 16; ++t) {
            const uint32_t word =
                (firstPalette[(first >> (t * firstBits)) & ((1u << firstBits) - 1)] & firstMask) |
                (secondPalette[(second >> (t * secondBits)) & ((1u << secondBits) - 1)] &
                 ~firstMask);
            out.put(t, rotation ? rotate(word, rotation) : word);
        }
    }
}

} // namespace

void decodeBc7Block(const uint8_t* block, BlockOut out) {
    const bptc::Bits128 bits = bptc::loadBlock(block);
    switch (block[0] == 0 ? 8 : __builtin_ctz(block[0])) {
    case 0:
        return decodeMode<0>(bits, out);
    case 1:
        return decodeMode<1>(bits, out);
    case 2:
        return decodeMode<2>(bits, out);
    case 3:
        return decodeMode<3>(bits, out);
    case 4:
        return decodeMode<4>(bits, out);
    case 5:
        return decodeMode<5>(bits, out);
    case 6:
        return decodeMode<6>(bits, out);
    case 7:
        return decodeMode<7>(bits, out);
    default:
        for (uint32_t t = 0; t < 16; ++t) {
            out.put(t, 0);
        }
    }
}

} // namespace k4codec
