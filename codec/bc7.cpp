// BC7 blocks (BC7_UNORM, BC7_UNORM_SRGB, BC7_TYPELESS): all eight modes with
// their partitions, p-bits, rotations and index selection, as the Direct3D 11
// and OpenGL (BPTC) documents define them. The reserved mode (a first byte of
// 0) decodes to transparent black, as Direct3D specifies. sRGB blocks decode
// to the same bytes: sRGB is a sampling state in Direct3D 9.
//
// Speed: each subset's palette is built once per block, four channels at a
// time in the 16-bit lanes of one 64-bit word, and each texel is a lookup.
#include "codec/bptc.h"
#include "codec/dds_decode.h"

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

// A colour in the 16-bit lanes of a word: blue, green, red, alpha from the
// bottom, so that packing the lanes gives an A8R8G8B8 word.
inline uint64_t lanes(const uint32_t channel[4]) {
    return channel[2] | (static_cast<uint64_t>(channel[1]) << 16) |
           (static_cast<uint64_t>(channel[0]) << 32) | (static_cast<uint64_t>(channel[3]) << 48);
}

// ((64 - w) * a + w * b + 32) >> 6 in every lane; no lane exceeds 16 bits.
inline uint64_t interpolate(uint64_t a, uint64_t b, uint32_t weight) {
    return ((a * (64 - weight) + b * weight + 0x0020002000200020ull) >> 6) & 0x00ff00ff00ff00ffull;
}

inline uint32_t packLanes(uint64_t x) {
    x = (x | (x >> 8)) & 0x0000ffff0000ffffull;
    return static_cast<uint32_t>(x | (x >> 16));
}

// The top bits of a value repeated below it to fill a byte.
inline uint32_t expand(uint32_t value, uint32_t bits) {
    value <<= 8 - bits;
    return value | (value >> bits);
}

// Swaps alpha with red (1), green (2) or blue (3).
inline uint32_t rotate(uint32_t word, uint32_t rotation) {
    const uint32_t shift = rotation == 1 ? 16 : rotation == 2 ? 8 : 0;
    const uint32_t alpha = word >> 24, other = (word >> shift) & 0xff;
    return (word & ~((0xffu << 24) | (0xffu << shift))) | (other << 24) | (alpha << shift);
}

} // namespace

void decodeBc7Block(const uint8_t* block, uint32_t out[16]) {
    if (block[0] == 0) {
        for (int i = 0; i < 16; ++i) {
            out[i] = 0;
        }
        return;
    }
    const uint32_t modeNumber = static_cast<uint32_t>(__builtin_ctz(block[0]));
    const Mode& mode = kModes[modeNumber];
    const bptc::Bits128 bits = bptc::loadBlock(block);
    uint32_t at = modeNumber + 1;
    const auto take = [&](uint32_t count) {
        const uint32_t value = static_cast<uint32_t>(bitsAt(bits, at, count));
        at += count;
        return value;
    };
    const uint32_t partition = take(mode.partitionBits);
    const uint32_t rotation = take(mode.rotationBits);
    const uint32_t indexSelection = take(mode.indexSelectionBits);

    // Endpoints: all reds (endpoint by endpoint, subset by subset), then all
    // greens, blues and alphas, then the p-bits below them.
    const uint32_t endpoints = mode.subsets * 2u;
    uint32_t colour[6][4];
    for (uint32_t channel = 0; channel < 3; ++channel) {
        for (uint32_t e = 0; e < endpoints; ++e) {
            colour[e][channel] = take(mode.colourBits);
        }
    }
    for (uint32_t e = 0; e < endpoints; ++e) {
        colour[e][3] = mode.alphaBits ? take(mode.alphaBits) : 255u;
    }
    uint32_t colourBits = mode.colourBits, alphaBits = mode.alphaBits;
    if (mode.endpointPBits || mode.sharedPBits) {
        uint32_t p = 0;
        for (uint32_t e = 0; e < endpoints; ++e) {
            if (mode.endpointPBits || e % 2 == 0) {
                p = take(1);
            }
            for (uint32_t channel = 0; channel < (alphaBits ? 4u : 3u); ++channel) {
                colour[e][channel] = (colour[e][channel] << 1) | p;
            }
        }
        ++colourBits;
        alphaBits += alphaBits ? 1 : 0;
    }
    for (uint32_t e = 0; e < endpoints; ++e) {
        for (uint32_t channel = 0; channel < 3; ++channel) {
            colour[e][channel] = expand(colour[e][channel], colourBits);
        }
        if (alphaBits) {
            colour[e][3] = expand(colour[e][3], alphaBits);
        }
    }

    // The primary indices follow; the secondary ones (modes 4 and 5) follow
    // those. Anchor texels store one bit less.
    uint64_t indices = static_cast<uint64_t>(bits >> at);
    if (mode.index2Bits == 0) {
        const uint8_t* weights = bptc::weights(mode.indexBits);
        const uint32_t entries = 1u << mode.indexBits;
        uint32_t palette[3][16];
        for (uint32_t s = 0; s < mode.subsets; ++s) {
            const uint64_t a = lanes(colour[2 * s]), b = lanes(colour[2 * s + 1]);
            for (uint32_t i = 0; i < entries; ++i) {
                palette[s][i] = packLanes(interpolate(a, b, weights[i]));
            }
        }
        const uint32_t subsets = mode.subsets == 2   ? bptc::kPartitions2[partition]
                                 : mode.subsets == 3 ? bptc::kPartitions3[partition]
                                                     : 0u;
        const uint32_t anchors = bptc::anchorMask(mode.subsets, partition);
        for (uint32_t t = 0; t < 16; ++t) {
            const uint32_t count = mode.indexBits - ((anchors >> t) & 1);
            const uint32_t index = static_cast<uint32_t>(indices & ((1u << count) - 1));
            indices >>= count;
            out[t] = palette[(subsets >> (2 * t)) & 3][index];
        }
        return;
    }
    // Modes 4 and 5: one subset, colour and alpha with indices of their own.
    const uint32_t firstBits = mode.indexBits, secondBits = mode.index2Bits;
    uint64_t second = static_cast<uint64_t>(bits >> (at + 16 * firstBits - 1));
    const uint32_t colourIndexBits = indexSelection ? secondBits : firstBits;
    const uint32_t alphaIndexBits = indexSelection ? firstBits : secondBits;
    const uint8_t* colourWeights = bptc::weights(colourIndexBits);
    const uint8_t* alphaWeights = bptc::weights(alphaIndexBits);
    const uint64_t a = lanes(colour[0]), b = lanes(colour[1]);
    uint32_t colours[8], alphas[8];
    for (uint32_t i = 0; i < (1u << colourIndexBits); ++i) {
        colours[i] = packLanes(interpolate(a, b, colourWeights[i])) & 0x00ffffffu;
    }
    for (uint32_t i = 0; i < (1u << alphaIndexBits); ++i) {
        alphas[i] = packLanes(interpolate(a, b, alphaWeights[i])) & 0xff000000u;
    }
    for (uint32_t t = 0; t < 16; ++t) {
        const uint32_t firstCount = firstBits - (t == 0), secondCount = secondBits - (t == 0);
        const uint32_t firstIndex = static_cast<uint32_t>(indices & ((1u << firstCount) - 1));
        const uint32_t secondIndex = static_cast<uint32_t>(second & ((1u << secondCount) - 1));
        indices >>= firstCount;
        second >>= secondCount;
        const uint32_t word = indexSelection ? colours[secondIndex] | alphas[firstIndex]
                                             : colours[firstIndex] | alphas[secondIndex];
        out[t] = rotation ? rotate(word, rotation) : word;
    }
}

} // namespace k4codec
