// How stored values that are not 8-bit unsigned channels become the codec's
// 8-bit pixels. One rule for every reader and block decoder:
// - floating-point values (half, single, the packed small floats and what
//   BC6H decodes to) are clamped to 0..1 and rounded to the nearest of 256
//   steps; NaN counts as 0;
// - signed normalised values map -1..1 onto 0..255 (the most negative code,
//   -128 or -32768, means -1 as the next one does), rounded to nearest, so
//   that 0 becomes 128;
// - one channel is grey, two channels are red and green with blue 0, and a
//   format without alpha is opaque.
// Halves round up; for these inputs a half only occurs at 127.5, where
// rounding to even gives the same 128.
#pragma once

#include "codec/formats.h"

#include <cstdint>

namespace k4codec {

// The 8-bit value of a float.
inline uint8_t unitFloatToByte(float value) {
    if (!(value > 0.0f)) { // NaN too
        return 0;
    }
    if (value >= 1.0f) {
        return 255;
    }
    return static_cast<uint8_t>(static_cast<double>(value) * 255.0 + 0.5);
}

// The 8-bit values of all half floats (IEEE binary16 bits), by their bits.
const uint8_t* halfToByteTable();

// The same for four non-negative finite halves (bits below 0x7c00) at a
// time, in vector lanes (SSE2 on x86-64), for BC6H: the half as a float
// (its bits moved into a float's; the subnormal halves, below 2^-14, come
// out below 2^-14 too and so give 0 all the same), clamped to 1, times 255
// plus a half, truncated. Every step is exact in floats, so the bytes are
// the table's (checked for every half in tests/codec).
typedef int32_t I32x4 __attribute__((vector_size(16)));
typedef float F32x4 __attribute__((vector_size(16)));

inline I32x4 halvesToBytes(I32x4 halves) {
    const F32x4 value = reinterpret_cast<F32x4>((halves << 13) + 0x38000000);
    const F32x4 clamped = value < 1.0f ? value : F32x4{} + 1.0f;
    return __builtin_convertvector(clamped * 255.0f + 0.5f, I32x4);
}
// The float value of a half float.
float halfToFloat(uint16_t half);

// `numerator / denominator` of the signed range -1..1 (denominator > 0,
// |numerator| <= denominator) as 0..255, exactly.
inline uint8_t signedRatioToByte(int64_t numerator, int64_t denominator) {
    // round(255 * (n / d + 1) / 2) = floor((255 * (n + d) + d) / 2d)
    return static_cast<uint8_t>((255 * (numerator + denominator) + denominator) /
                                (2 * denominator));
}

inline uint8_t snorm8ToByte(int8_t value) {
    return signedRatioToByte(value < -127 ? -127 : value, 127);
}

inline uint8_t snorm16ToByte(int16_t value) {
    return signedRatioToByte(value < -32767 ? -32767 : value, 32767);
}

// A pixel from 8-bit channel values, by the channel rule: `channels` is 1
// (grey), 2 (red, green), 3 (red, green, blue) or 4 (with alpha).
inline Rgba texelFromChannels(uint32_t channels, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    switch (channels) {
    case 1:
        return Rgba{r, r, r, 255};
    case 2:
        return Rgba{r, g, 0, 255};
    case 3:
        return Rgba{r, g, b, 255};
    default:
        return Rgba{r, g, b, a};
    }
}

// The same as an A8R8G8B8 word (the bytes B, G, R, A in memory).
inline uint32_t bgraWord(Rgba c) {
    return static_cast<uint32_t>(c.b) | (static_cast<uint32_t>(c.g) << 8) |
           (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.a) << 24);
}

} // namespace k4codec
