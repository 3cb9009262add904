// Texels of floating-point, signed normalised and packed-float formats
// (R16F ... A32B32G32R32F, V8U8, Q8W8V8U8, V16U16 and their DXGI names,
// R11G11B10_FLOAT, R9G9B9E5_SHAREDEXP), made 8-bit by texel.h's rule, and
// the half float conversions that BC6H shares.
#include "codec/dds_decode.h"
#include "codec/reader_util.h"
#include "codec/texel.h"

#include <cmath>
#include <cstring>

namespace k4codec {

float halfToFloat(uint16_t half) {
    const uint32_t sign = (half >> 15) & 1, exponent = (half >> 10) & 31, mantissa = half & 1023;
    float value;
    if (exponent == 0) {
        value = std::ldexp(static_cast<float>(mantissa), -24);
    } else if (exponent == 31) {
        value = mantissa == 0 ? INFINITY : NAN;
    } else {
        const uint32_t bits = ((exponent + 127 - 15) << 23) | (mantissa << 13);
        std::memcpy(&value, &bits, sizeof value);
    }
    return sign ? -value : value;
}

const uint8_t* halfToByteTable() {
    static const struct Table {
        uint8_t bytes[65536];
        Table() {
            for (uint32_t half = 0; half < 65536; ++half) {
                bytes[half] = unitFloatToByte(halfToFloat(static_cast<uint16_t>(half)));
            }
        }
    } table;
    return table.bytes;
}

uint32_t texelBytes(const TexelFormat& format) {
    switch (format.type) {
    case TexelType::Half:
    case TexelType::Snorm16:
        return 2u * format.channels;
    case TexelType::Float:
        return 4u * format.channels;
    case TexelType::Snorm8:
        return format.channels;
    default:
        return 4;
    }
}

void decodeTexelRow(const TexelFormat& format, const uint8_t* src, uint32_t count, uint8_t* dst) {
    const uint8_t* halfBytes = halfToByteTable();
    const uint32_t channels = format.channels;
    const uint32_t step = texelBytes(format);
    const bool packed =
        format.type == TexelType::R11G11B10Float || format.type == TexelType::R9G9B9E5;
    for (uint32_t i = 0; i < count; ++i, src += step, dst += 4) {
        uint8_t c[4] = {0, 0, 0, 255};
        const uint32_t word = packed ? loadLe32(src) : 0;
        switch (format.type) {
        case TexelType::Half:
            for (uint32_t k = 0; k < channels; ++k) {
                c[k] = halfBytes[loadLe16(src + 2 * k)];
            }
            break;
        case TexelType::Float:
            for (uint32_t k = 0; k < channels; ++k) {
                float value;
                std::memcpy(&value, src + 4 * k, sizeof value);
                c[k] = unitFloatToByte(value);
            }
            break;
        case TexelType::Snorm8:
            for (uint32_t k = 0; k < channels; ++k) {
                c[k] = snorm8ToByte(static_cast<int8_t>(src[k]));
            }
            break;
        case TexelType::Snorm16:
            for (uint32_t k = 0; k < channels; ++k) {
                c[k] = snorm16ToByte(static_cast<int16_t>(loadLe16(src + 2 * k)));
            }
            break;
        case TexelType::R11G11B10Float:
            // Unsigned small floats have the half's exponent: their bits
            // shifted up are the half's bits.
            c[0] = halfBytes[(word & 0x7ff) << 4];
            c[1] = halfBytes[((word >> 11) & 0x7ff) << 4];
            c[2] = halfBytes[((word >> 22) & 0x3ff) << 5];
            break;
        case TexelType::R9G9B9E5: {
            const int exponent = static_cast<int>(word >> 27) - 15 - 9;
            for (uint32_t k = 0; k < 3; ++k) {
                c[k] = unitFloatToByte(
                    std::ldexp(static_cast<float>((word >> (9 * k)) & 511), exponent));
            }
            break;
        }
        }
        const uint32_t out = bgraWord(texelFromChannels(channels, c[0], c[1], c[2], c[3]));
        std::memcpy(dst, &out, 4);
    }
}

} // namespace k4codec
