// The tables that BC6H and BC7 share (the BPTC family of the Direct3D 11
// and OpenGL block compression documents): the partitions of a 4x4 block into
// two and three subsets, the anchor texels whose index has one bit less, and
// the interpolation weights. Written as the documents print them; the packed
// forms the decoders use are computed from them at compile time.
#pragma once

#include <cstdint>
#include <cstring>

namespace k4codec {
namespace bptc {

// A partition row: the subset of texels 0 to 15 (x first), two bits each.
constexpr uint32_t row(const char* subsets) {
    uint32_t word = 0;
    for (int i = 0; i < 16; ++i) {
        word |= static_cast<uint32_t>(subsets[i] - '0') << (2 * i);
    }
    return word;
}

inline constexpr uint32_t kPartitions2[64] = {
    row("0011001100110011"), row("0001000100010001"), row("0111011101110111"),
    row("0001001100110111"), row("0000000100010011"), row("0011011101111111"),
    row("0001001101111111"), row("0000000100110111"), row("0000000000010011"),
    row("0011011111111111"), row("0000000101111111"), row("0000000000010111"),
    row("0001011111111111"), row("0000000011111111"), row("0000111111111111"),
    row("0000000000001111"), row("0000100011101111"), row("0111000100000000"),
    row("0000000010001110"), row("0111001100010000"), row("0011000100000000"),
    row("0000100011001110"), row("0000000010001100"), row("0111001100110001"),
    row("0011000100010000"), row("0000100010001100"), row("0110011001100110"),
    row("0011011001101100"), row("0001011111101000"), row("0000111111110000"),
    row("0111000110001110"), row("0011100110011100"), row("0101010101010101"),
    row("0000111100001111"), row("0101101001011010"), row("0011001111001100"),
    row("0011110000111100"), row("0101010110101010"), row("0110100101101001"),
    row("0101101010100101"), row("0111001111001110"), row("0001001111001000"),
    row("0011001001001100"), row("0011101111011100"), row("0110100110010110"),
    row("0011110011000011"), row("0110011010011001"), row("0000011001100000"),
    row("0100111001000000"), row("0010011100100000"), row("0000001001110010"),
    row("0000010011100100"), row("0110110010010011"), row("0011011011001001"),
    row("0110001110011100"), row("0011100111000110"), row("0110110011001001"),
    row("0110001100111001"), row("0111111010000001"), row("0001100011100111"),
    row("0000111100110011"), row("0011001111110000"), row("0010001011101110"),
    row("0100010001110111"),
};

inline constexpr uint32_t kPartitions3[64] = {
    row("0011001102212222"), row("0001001122112221"), row("0000200122112211"),
    row("0222002200110111"), row("0000000011221122"), row("0011001100220022"),
    row("0022002211111111"), row("0011001122112211"), row("0000000011112222"),
    row("0000111111112222"), row("0000111122222222"), row("0012001200120012"),
    row("0112011201120112"), row("0122012201220122"), row("0011011211221222"),
    row("0011200122002220"), row("0001001101121122"), row("0111001120012200"),
    row("0000112211221122"), row("0022002200221111"), row("0111011102220222"),
    row("0001000122212221"), row("0000001101220122"), row("0000110022102210"),
    row("0122012200110000"), row("0012001211222222"), row("0110122112210110"),
    row("0000011012211221"), row("0022110211020022"), row("0110011020022222"),
    row("0011012201220011"), row("0000200022112221"), row("0000000211221222"),
    row("0222002200120011"), row("0011001200220222"), row("0120012001200120"),
    row("0000111122220000"), row("0120120120120120"), row("0120201212010120"),
    row("0011220011220011"), row("0011112222000011"), row("0101010122222222"),
    row("0000000021212121"), row("0022112200221122"), row("0022001100220011"),
    row("0220122102201221"), row("0101222222220101"), row("0000212121212121"),
    row("0101010101012222"), row("0222011102220111"), row("0002111200021112"),
    row("0000211221122112"), row("0222011101110222"), row("0002111211120002"),
    row("0110011001102222"), row("0000000021122112"), row("0110011022222222"),
    row("0022001100110022"), row("0022112211220022"), row("0000000000002112"),
    row("0002000100020001"), row("0222122202221222"), row("0101222222222222"),
    row("0111201122012220"),
};

// The anchor texel of the second subset of two, and of the second and third
// subsets of three; texel 0 is always the first subset's.
inline constexpr uint8_t kAnchor2[64] = {
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 2,  8, 2,  2, 8,
    8,  15, 2,  8,  2,  2,  8,  8,  2,  2,  15, 15, 6,  8,  2,  8,  15, 15, 2, 8,  2, 2,
    2,  15, 15, 6,  6,  2,  6,  8,  15, 15, 2,  2,  15, 15, 15, 15, 15, 2,  2, 15,
};
inline constexpr uint8_t kAnchor3Second[64] = {
    3,  3,  15, 15, 8, 3,  15, 15, 8,  8,  6, 6,  6, 5,  3, 3,  3,  3,  8,  15, 3,  3,
    6,  10, 5,  8,  8, 6,  8,  5,  15, 15, 8, 15, 3, 5,  6, 10, 8,  15, 15, 3,  15, 5,
    15, 15, 15, 15, 3, 15, 5,  5,  5,  8,  5, 10, 5, 10, 8, 13, 15, 12, 3,  3,
};
inline constexpr uint8_t kAnchor3Third[64] = {
    15, 8, 8, 3,  15, 15, 3,  8,  15, 15, 15, 15, 15, 15, 15, 8,  15, 8,  15, 3,  15, 8,
    15, 8, 3, 15, 6,  10, 15, 15, 10, 8,  15, 3,  15, 10, 10, 8,  9,  10, 6,  15, 8,  15,
    3,  6, 6, 8,  15, 3,  15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3,  15, 15, 8,
};

// Interpolation weights (out of 64) of 2-, 3- and 4-bit indices.
inline constexpr uint8_t kWeights2[4] = {0, 21, 43, 64};
inline constexpr uint8_t kWeights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
inline constexpr uint8_t kWeights4[16] = {0,  4,  9,  13, 17, 21, 26, 30,
                                          34, 38, 43, 47, 51, 55, 60, 64};

inline const uint8_t* weights(uint32_t indexBits) {
    return indexBits == 2 ? kWeights2 : indexBits == 3 ? kWeights3 : kWeights4;
}

// The 128 bits of a block as two halves, read from its first bit (bit 0 of
// byte 0) up. Little-endian hosts only, as the file readers (reader_util.h).
struct Bits128 {
    uint64_t low, high;
};

inline Bits128 loadBlock(const uint8_t* block) {
    Bits128 bits;
    std::memcpy(&bits.low, block, 8);
    std::memcpy(&bits.high, block + 8, 8);
    return bits;
}

// The bits from bit `first` up (first < 128), at most 64 of them: plain
// shifts when they lie in one half, which is what the decoders' constant
// positions mostly give.
inline uint64_t bitsFrom(Bits128 bits, uint32_t first) {
    if (first >= 64) {
        return bits.high >> (first - 64);
    }
    return first == 0 ? bits.low : (bits.low >> first) | (bits.high << (64 - first));
}

// `count` (1 to 32) bits from bit `first` up.
inline uint32_t bitsAt(Bits128 bits, uint32_t first, uint32_t count) {
    const uint64_t mask = (uint64_t(1) << count) - 1;
    if (first + count <= 64) {
        return static_cast<uint32_t>((bits.low >> first) & mask);
    }
    return static_cast<uint32_t>(bitsFrom(bits, first) & mask);
}

// A mask of the anchor texels (texel 0 included) of partition `partition`
// into `subsets` subsets.
inline uint32_t anchorMask(uint32_t subsets, uint32_t partition) {
    if (subsets == 2) {
        return 1u | (1u << kAnchor2[partition]);
    }
    if (subsets == 3) {
        return 1u | (1u << kAnchor3Second[partition]) | (1u << kAnchor3Third[partition]);
    }
    return 1u;
}

} // namespace bptc
} // namespace k4codec
