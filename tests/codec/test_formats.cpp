// Row conversions to and from 8-bit RGBA: every stored value survives the
// trip, and the conventions a round trip cannot show.
#include "codec/formats.h"
#include "codec_test_support.h"

#include <cstring>

using namespace k4codec;
using codectest::rgba;
using codectest::widen;

namespace {

Rgba unpackOne(Format format, std::vector<uint8_t> bytes) {
    Rgba out{};
    unpackRow(format, bytes.data(), 1, &out);
    return out;
}

std::vector<uint8_t> packOne(Format format, Rgba colour) {
    std::vector<uint8_t> bytes(formatUnitBytes(format));
    packRow(format, &colour, 1, bytes.data());
    return bytes;
}

} // namespace

TEST(FormatConversion, WideningNarrowingAndLuminance) {
    // Channels wider than 8 bits round to the nearest 8-bit value.
    const uint32_t word = (2u << 30) | (1023u << 20) | (512u << 10) | 1u;
    EXPECT_EQ(unpackOne(kFmtA2R10G10B10, {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                                          uint8_t(word >> 24)}),
              rgba(255, widen(512, 10), widen(1, 10), widen(2, 2)));
    EXPECT_EQ(unpackOne(kFmtA16B16G16R16, {0xff, 0xff, 0x80, 0x80, 0, 0, 0xff, 0xff}),
              rgba(255, widen(0x8080, 16), 0, 255));
    EXPECT_EQ(unpackOne(kFmtL16, {0x00, 0x80}), rgba(128, 128, 128));
    // Bits outside every mask are written as ones; one alpha bit is set from 128.
    EXPECT_EQ(packOne(kFmtX8R8G8B8, rgba(1, 2, 3, 4)), (std::vector<uint8_t>{3, 2, 1, 255}));
    EXPECT_EQ(packOne(kFmtX1R5G5B5, rgba(0, 0, 0, 0)), (std::vector<uint8_t>{0x00, 0x80}));
    EXPECT_EQ(packOne(kFmtA1R5G5B5, rgba(0, 0, 0, 127)), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(packOne(kFmtA1R5G5B5, rgba(0, 0, 0, 128)), (std::vector<uint8_t>{0, 0x80}));
    // Luminance with the weights 0.299, 0.587, 0.114; grey stays exact.
    EXPECT_EQ(packOne(kFmtL8, rgba(255, 0, 0)), (std::vector<uint8_t>{77}));
    EXPECT_EQ(packOne(kFmtL8, rgba(0, 255, 0)), (std::vector<uint8_t>{149}));
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(luminanceOf(rgba(uint8_t(v), uint8_t(v), uint8_t(v))), v);
    }
    // 64-bit byte counts: the largest level does not wrap.
    EXPECT_EQ(formatLevelBytes(kFmtA16B16G16R16, 16384, 16384), 2147483648ull);
}

// Every stored value of the narrow formats survives a trip through RGBA
// unchanged (unused bits come back as ones).
TEST(FormatConversion, EveryStoredValueRoundTrips) {
    const Format formats[] = {kFmtA4R4G4B4, kFmtA1R5G5B5, kFmtR5G6B5, kFmtA8L8,
                              kFmtR3G3B2,   kFmtA4L4,     kFmtL8,     kFmtX1R5G5B5,
                              kFmtA8R3G3B2, kFmtX4R4G4B4, kFmtA8};
    for (Format format : formats) {
        const FormatInfo* info = findFormat(format);
        const uint32_t bytes = info->bits / 8;
        const uint32_t used =
            static_cast<uint32_t>(info->masks.r | info->masks.g | info->masks.b | info->masks.a);
        const uint32_t all = bytes == 1 ? 0xff : 0xffff;
        for (uint32_t value = 0; value <= all; ++value) {
            if ((value & used) != value) {
                continue;
            }
            uint8_t in[2] = {uint8_t(value), uint8_t(value >> 8)}, out[2] = {0, 0};
            Rgba colour;
            unpackRow(format, in, 1, &colour);
            packRow(format, &colour, 1, out);
            const uint32_t back = out[0] | (bytes == 2 ? out[1] << 8 : 0);
            ASSERT_EQ(back, value | (all & ~used)) << info->name << " " << value;
        }
    }
    for (uint32_t value = 0; value < (1u << 24); value += 4099) {
        const uint8_t in[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                               uint8_t(value >> 3)};
        uint8_t out[4];
        Rgba colour;
        for (Format format : {kFmtA8R8G8B8, kFmtA8B8G8R8, kFmtR8G8B8}) {
            unpackRow(format, in, 1, &colour);
            packRow(format, &colour, 1, out);
            ASSERT_EQ(std::memcmp(in, out, formatUnitBytes(format)), 0) << formatName(format);
        }
    }
}
