// BC6H blocks (BC6H_UF16, BC6H_SF16, BC6H_TYPELESS as unsigned): all 14
// modes, one and two subsets, transformed (delta) and direct endpoints, as
// the Direct3D 11 and OpenGL (BPTC float) documents define them, down to the
// 16-bit half float of each texel; the half becomes 8 bits by texel.h's rule
// (clamped to 0..1). Reserved modes decode to opaque black, as the documents
// say ((0, 0, 0, 1)).
//
// The bit layout of each mode is written below as the documents print it
// (LSB first, v[a:b] puts the bits into v from bit b towards bit a) and is
// turned into a list of fields at compile time.
#include "codec/bptc.h"
#include "codec/dds_decode.h"
#include "codec/texel.h"

#include <array>
#include <cstring>
#include <utility>

namespace k4codec {

namespace {

using bptc::bitsAt;

// One field of a layout: `count` bits of the block into endpoint value
// `value` (r0 g0 b0 r1 g1 b1 r2 g2 b2 r3 g3 b3; 12 for the mode bits) from
// bit `low` up, or from bit `low + count - 1` down when `reversed`.
struct Field {
    uint8_t value = 0;
    uint8_t low = 0;
    uint8_t count = 0;
    bool reversed = false;
};

struct Layout {
    Field fields[32];
    uint32_t count = 0;
};

constexpr uint32_t parseNumber(const char* text, uint32_t* at) {
    uint32_t value = 0;
    while (text[*at] >= '0' && text[*at] <= '9') {
        value = value * 10 + static_cast<uint32_t>(text[(*at)++] - '0');
    }
    return value;
}

// "m[1:0],g2[4],..." as the documents print it.
constexpr Layout parseLayout(const char* text) {
    Layout layout;
    uint32_t at = 0;
    while (text[at] != '\0') {
        Field field;
        const char name = text[at++];
        if (name == 'm') {
            field.value = 12;
        } else {
            const uint32_t channel = name == 'r' ? 0 : name == 'g' ? 1 : 2;
            field.value =
                static_cast<uint8_t>(static_cast<uint32_t>(text[at++] - '0') * 3 + channel);
        }
        ++at; // '['
        const uint32_t a = parseNumber(text, &at);
        uint32_t b = a;
        if (text[at] == ':') {
            ++at;
            b = parseNumber(text, &at);
        }
        ++at; // ']'
        field.reversed = a < b;
        field.low = static_cast<uint8_t>(a < b ? a : b);
        field.count = static_cast<uint8_t>((a < b ? b - a : a - b) + 1);
        layout.fields[layout.count++] = field;
        if (text[at] == ',') {
            ++at;
        }
    }
    return layout;
}

struct Mode {
    uint8_t number; // the mode bits' value
    bool transformed;
    uint8_t endpointBits;
    uint8_t deltaBits[3];
    const char* layout;
};

// Two subsets for the first ten, one for the last four.
constexpr Mode kModes[14] = {
    {0,
     true,
     10,
     {5, 5, 5},
     "m[1:0],g2[4],b2[4],b3[4],r0[9:0],g0[9:0],b0[9:0],r1[4:0],g3[4],g2[3:0],g1[4:0],b3[0],"
     "g3[3:0],b1[4:0],b3[1],b2[3:0],r2[4:0],b3[2],r3[4:0],b3[3]"},
    {1,
     true,
     7,
     {6, 6, 6},
     "m[1:0],g2[5],g3[4],g3[5],r0[6:0],b3[0],b3[1],b2[4],g0[6:0],b2[5],b3[2],g2[4],b0[6:0],"
     "b3[3],b3[5],b3[4],r1[5:0],g2[3:0],g1[5:0],g3[3:0],b1[5:0],b2[3:0],r2[5:0],r3[5:0]"},
    {2,
     true,
     11,
     {5, 4, 4},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[4:0],r0[10],g2[3:0],g1[3:0],g0[10],b3[0],g3[3:0],"
     "b1[3:0],b0[10],b3[1],b2[3:0],r2[4:0],b3[2],r3[4:0],b3[3]"},
    {6,
     true,
     11,
     {4, 5, 4},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[3:0],r0[10],g3[4],g2[3:0],g1[4:0],g0[10],g3[3:0],"
     "b1[3:0],b0[10],b3[1],b2[3:0],r2[3:0],b3[0],b3[2],r3[3:0],g2[4],b3[3]"},
    {10,
     true,
     11,
     {4, 4, 5},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[3:0],r0[10],b2[4],g2[3:0],g1[3:0],g0[10],b3[0],"
     "g3[3:0],b1[4:0],b0[10],b2[3:0],r2[3:0],b3[1],b3[2],r3[3:0],b3[4],b3[3]"},
    {14,
     true,
     9,
     {5, 5, 5},
     "m[4:0],r0[8:0],b2[4],g0[8:0],g2[4],b0[8:0],b3[4],r1[4:0],g3[4],g2[3:0],g1[4:0],b3[0],"
     "g3[3:0],b1[4:0],b3[1],b2[3:0],r2[4:0],b3[2],r3[4:0],b3[3]"},
    {18,
     true,
     8,
     {6, 5, 5},
     "m[4:0],r0[7:0],g3[4],b2[4],g0[7:0],b3[2],g2[4],b0[7:0],b3[3],b3[4],r1[5:0],g2[3:0],"
     "g1[4:0],b3[0],g3[3:0],b1[4:0],b3[1],b2[3:0],r2[5:0],r3[5:0]"},
    {22,
     true,
     8,
     {5, 6, 5},
     "m[4:0],r0[7:0],b3[0],b2[4],g0[7:0],g2[5],g2[4],b0[7:0],g3[5],b3[4],r1[4:0],g3[4],"
     "g2[3:0],g1[5:0],g3[3:0],b1[4:0],b3[1],b2[3:0],r2[4:0],b3[2],r3[4:0],b3[3]"},
    {26,
     true,
     8,
     {5, 5, 6},
     "m[4:0],r0[7:0],b3[1],b2[4],g0[7:0],b2[5],g2[4],b0[7:0],b3[5],b3[4],r1[4:0],g3[4],"
     "g2[3:0],g1[4:0],b3[0],g3[3:0],b1[5:0],b2[3:0],r2[4:0],b3[2],r3[4:0],b3[3]"},
    {30,
     false,
     6,
     {6, 6, 6},
     "m[4:0],r0[5:0],g3[4],b3[0],b3[1],b2[4],g0[5:0],g2[5],b2[5],b3[2],g2[4],b0[5:0],g3[5],"
     "b3[3],b3[5],b3[4],r1[5:0],g2[3:0],g1[5:0],g3[3:0],b1[5:0],b2[3:0],r2[5:0],r3[5:0]"},
    {3, false, 10, {10, 10, 10}, "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[9:0],g1[9:0],b1[9:0]"},
    {7,
     true,
     11,
     {9, 9, 9},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[8:0],r0[10],g1[8:0],g0[10],b1[8:0],b0[10]"},
    {11,
     true,
     12,
     {8, 8, 8},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[7:0],r0[10:11],g1[7:0],g0[10:11],b1[7:0],b0[10:11]"},
    {15,
     true,
     16,
     {4, 4, 4},
     "m[4:0],r0[9:0],g0[9:0],b0[9:0],r1[3:0],r0[10:15],g1[3:0],g0[10:15],b1[3:0],b0[10:15]"},
};

constexpr std::array<Layout, 14> parseLayouts() {
    std::array<Layout, 14> layouts{};
    for (uint32_t i = 0; i < 14; ++i) {
        layouts[i] = parseLayout(kModes[i].layout);
    }
    return layouts;
}

constexpr std::array<Layout, 14> kLayouts = parseLayouts();

// Every layout fills the bits before the partition number (two subsets) or
// the indices (one subset), and sets each endpoint bit once.
constexpr bool layoutsAreWhole() {
    for (uint32_t i = 0; i < 14; ++i) {
        uint32_t total = 0, endpointBits = 0;
        uint32_t seen[13] = {};
        for (uint32_t f = 0; f < kLayouts[i].count; ++f) {
            const Field& field = kLayouts[i].fields[f];
            total += field.count;
            for (uint32_t b = field.low; b < field.low + field.count; ++b) {
                if (seen[field.value] & (1u << b)) {
                    return false;
                }
                seen[field.value] |= 1u << b;
            }
            endpointBits += field.value < 12 ? field.count : 0;
        }
        const bool two = i < 10;
        const uint32_t expected =
            two ? 3 * kModes[i].endpointBits +
                      3 * (kModes[i].deltaBits[0] + kModes[i].deltaBits[1] + kModes[i].deltaBits[2])
                : 3 * kModes[i].endpointBits + kModes[i].deltaBits[0] + kModes[i].deltaBits[1] +
                      kModes[i].deltaBits[2];
        if (total != (two ? 77u : 65u) || endpointBits != expected) {
            return false;
        }
    }
    return true;
}
static_assert(layoutsAreWhole(), "a BC6H layout misses or repeats bits");

// The entry of kModes for the bits at the start of a block; -1 for a reserved one.
constexpr std::array<int8_t, 32> modeTable() {
    std::array<int8_t, 32> table{};
    for (uint32_t bits = 0; bits < 32; ++bits) {
        const uint32_t number = (bits & 3) < 2 ? bits & 3 : bits;
        table[bits] = -1;
        for (uint32_t i = 0; i < 14; ++i) {
            if (kModes[i].number == number) {
                table[bits] = static_cast<int8_t>(i);
            }
        }
    }
    return table;
}

constexpr std::array<int8_t, 32> kModeOfBits = modeTable();

inline uint32_t reverseBits(uint32_t value, uint32_t count) {
    uint32_t reversed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        reversed = (reversed << 1) | ((value >> i) & 1);
    }
    return reversed;
}

// Lane-wise selection: `a` where `mask` is all ones, `b` where it is 0.
inline I32x4 select(I32x4 mask, I32x4 a, I32x4 b) {
    return (a & mask) | (b & ~mask);
}

// The low `bits` bits of each lane as a two's complement number (lanes'
// own widths); a width of 32 leaves the lane as it is.
inline I32x4 signExtend(I32x4 value, I32x4 mask, I32x4 sign) {
    return ((value & mask) ^ sign) - sign;
}

// The documents' unquantisation of `bits`-bit endpoints, four at a time.
template <bool Signed> I32x4 unquantize(I32x4 value, uint32_t bits) {
    if constexpr (!Signed) {
        if (bits >= 15) {
            return value;
        }
        const I32x4 scaled = ((value << 15) + 0x4000) >> (bits - 1);
        return select(
            value == 0, value,
            select(value == static_cast<int32_t>((1u << bits) - 1), I32x4{} + 0xffff, scaled));
    }
    if (bits >= 16) {
        return value;
    }
    const I32x4 sign = value >> 31; // 0 or -1
    const I32x4 magnitude = (value ^ sign) - sign;
    const I32x4 scaled = select(magnitude >= static_cast<int32_t>((1u << (bits - 1)) - 1),
                                I32x4{} + 0x7fff, ((magnitude << 15) + 0x4000) >> (bits - 1));
    return ((select(magnitude == 0, magnitude, scaled)) ^ sign) - sign;
}

// One channel of the palette from a to b (unquantised endpoints) as bytes:
// the interpolation ((64 - w) * a + w * b + 32) >> 6, the final scaling to
// half-float bits (a negative value is a negative half, which the byte
// clamps to 0), then texel.h's rule; four entries at a time in vector lanes.
template <bool Signed, uint32_t Entries>
inline void interpolateBytes(int32_t a, int32_t b, I32x4* out) {
    const uint8_t* weights = bptc::weights(Entries == 8 ? 3 : 4);
    // a * 64 + 32 + (b - a) * w in floats: every term and sum is a whole
    // number below 2^24, so exact.
    const F32x4 base = F32x4{} + static_cast<float>(a * 64 + 32);
    const F32x4 delta = F32x4{} + static_cast<float>(b - a);
    for (uint32_t i = 0; i < Entries; i += 4) {
        const F32x4 w = __builtin_convertvector(
            I32x4{weights[i], weights[i + 1], weights[i + 2], weights[i + 3]}, F32x4);
        const I32x4 mixed = __builtin_convertvector(base + delta * w, I32x4) >> 6;
        I32x4 half;
        if constexpr (Signed) {
            const I32x4 positive = mixed & ~(mixed >> 31);
            half = ((positive << 5) - positive) >> 5; // times 31
        } else {
            half = ((mixed << 5) - mixed) >> 6;
        }
        out[i / 4] = halvesToBytes(half);
    }
}

constexpr uint32_t fieldStart(size_t mode, size_t field) {
    uint32_t at = 0;
    for (size_t i = 0; i < field; ++i) {
        at += kLayouts[mode].fields[i].count;
    }
    return at;
}

template <size_t M, size_t F> inline void extractField(bptc::Bits128 bits, uint32_t raw[12]) {
    constexpr Field field = kLayouts[M].fields[F];
    if constexpr (field.value < 12) {
        uint32_t value = bitsAt(bits, fieldStart(M, F), field.count);
        if constexpr (field.reversed) {
            value = reverseBits(value, field.count);
        }
        raw[field.value % 3 * 4 + field.value / 3] |= value << field.low;
    }
}

template <size_t M, size_t... F>
inline void extractFields(bptc::Bits128 bits, uint32_t raw[12], std::index_sequence<F...>) {
    (extractField<M, F>(bits, raw), ...);
}

inline uint64_t insertZero(uint64_t bits, uint32_t position) {
    return (bits & ((uint64_t(1) << position) - 1)) | ((bits >> position) << (position + 1));
}

// Each mode compiled on its own, so that its field positions are constants.
template <size_t M, bool Signed> void decodeMode(bptc::Bits128 bits, BlockOut out) {
    constexpr Mode mode = kModes[M];
    // Endpoint values channel by channel: lane e of channel c is r/g/b of
    // endpoint e (e0 to e3; e2 and e3 only with two subsets).
    int32_t raw[12] = {};
    extractFields<M>(bits, reinterpret_cast<uint32_t*>(raw),
                     std::make_index_sequence<kLayouts[M].count>());
    constexpr bool twoSubsets = M < 10;
    constexpr uint32_t endpointBits = mode.endpointBits;
    constexpr int32_t fullMask = static_cast<int32_t>((1u << endpointBits) - 1);
    constexpr int32_t fullSign = static_cast<int32_t>(1u << (endpointBits - 1));
    I32x4 endpoint[3];
    for (uint32_t c = 0; c < 3; ++c) {
        std::memcpy(&endpoint[c], raw + 4 * c, 16);
        // e0 is signed in a signed texture; e1 to e3 also when they are
        // deltas, at their own width.
        if constexpr (Signed || mode.transformed) {
            const int32_t deltaMask = static_cast<int32_t>((1u << mode.deltaBits[c]) - 1);
            const int32_t deltaSign = static_cast<int32_t>(1u << (mode.deltaBits[c] - 1));
            endpoint[c] = signExtend(endpoint[c],
                                     I32x4{Signed ? fullMask : -1, deltaMask, deltaMask, deltaMask},
                                     I32x4{Signed ? fullSign : 0, deltaSign, deltaSign, deltaSign});
        }
        // Deltas are added to e0, wrapping at the endpoint width.
        if constexpr (mode.transformed) {
            const I32x4 sum = (endpoint[c] + (I32x4{0, -1, -1, -1} & endpoint[c][0])) & fullMask;
            endpoint[c] = Signed ? signExtend(sum, I32x4{} + fullMask, I32x4{} + fullSign)
                                 : select(I32x4{0, -1, -1, -1}, sum, endpoint[c]);
        }
        endpoint[c] = unquantize<Signed>(endpoint[c], endpointBits);
    }

    constexpr uint32_t indexBits = twoSubsets ? 3 : 4;
    constexpr uint32_t entries = 1u << indexBits;
    constexpr uint32_t subsetCount = twoSubsets ? 2 : 1;
    uint32_t palette[subsetCount * entries];
    for (uint32_t s = 0; s < subsetCount; ++s) {
        I32x4 channel[3][entries / 4];
        for (uint32_t c = 0; c < 3; ++c) {
            interpolateBytes<Signed, entries>(endpoint[c][2 * s], endpoint[c][2 * s + 1],
                                              channel[c]);
        }
        for (uint32_t i = 0; i < entries / 4; ++i) {
            const I32x4 words = (channel[0][i] << 16) | (channel[1][i] << 8) | channel[2][i] |
                                static_cast<int32_t>(0xff000000u);
            std::memcpy(palette + s * entries + 4 * i, &words, 16);
        }
    }
    // Indices follow the partition number; anchor texels store one bit less:
    // with it put back as 0, texel t's index is at bit t * indexBits.
    constexpr uint32_t indexStart = twoSubsets ? 82 : 65;
    uint64_t indices = insertZero(bptc::bitsFrom(bits, indexStart), indexBits - 1);
    uint32_t subsets = 0;
    if constexpr (twoSubsets) {
        const uint32_t partition = bitsAt(bits, 77, 5);
        subsets = bptc::kPartitions2[partition];
        indices = insertZero(indices, bptc::kAnchor2[partition] * indexBits + indexBits - 1);
    }
    for (uint32_t t = 0; t < 16; ++t) {
        const uint32_t index = static_cast<uint32_t>(indices >> (t * indexBits)) & (entries - 1);
        out.put(t, palette[((subsets >> (2 * t)) & 1) * entries + index]);
    }
}

using ModeDecoder = void (*)(bptc::Bits128, BlockOut);

template <bool Signed, size_t... M>
constexpr std::array<ModeDecoder, 14> modeDecoders(std::index_sequence<M...>) {
    return {&decodeMode<M, Signed>...};
}

constexpr std::array<ModeDecoder, 14> kUnsignedDecoders =
    modeDecoders<false>(std::make_index_sequence<14>());
constexpr std::array<ModeDecoder, 14> kSignedDecoders =
    modeDecoders<true>(std::make_index_sequence<14>());

} // namespace

void decodeBc6hBlock(const uint8_t* block, bool signedValues, BlockOut out) {
    const int32_t modeIndex = kModeOfBits[block[0] & 31];
    if (modeIndex < 0) {
        for (uint32_t t = 0; t < 16; ++t) {
            out.put(t, 0xff000000u);
        }
        return;
    }
    const size_t mode = static_cast<size_t>(modeIndex);
    (signedValues ? kSignedDecoders : kUnsignedDecoders)[mode](bptc::loadBlock(block), out);
}

} // namespace k4codec
