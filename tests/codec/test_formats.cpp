// Pixel-format table and row conversions.
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

TEST(FormatTable, NamesAndNumbersMatchDirect3D) {
    EXPECT_EQ(kFmtA8R8G8B8, 21u);
    EXPECT_EQ(kFmtL16, 81u);
    EXPECT_EQ(kFmtDXT5, 0x35545844u);
    EXPECT_STREQ(formatName(kFmtDXT5), "DXT5");
    EXPECT_STREQ(formatName(kFmtA8L8), "A8L8");
    EXPECT_EQ(formatName(12345), nullptr);
    EXPECT_EQ(formatFromName("a8r8g8b8"), kFmtA8R8G8B8);
    EXPECT_EQ(formatFromName("DxT1"), kFmtDXT1);
    EXPECT_EQ(formatFromName("a8r8g8b"), kFmtUnknown);
    EXPECT_EQ(formatFromName("a8r8g8b8x"), kFmtUnknown);
    EXPECT_EQ(formatFromName(nullptr), kFmtUnknown);
}

TEST(FormatTable, TheTwelveOutputFormats) {
    const Format outputs[] = {kFmtDXT1,   kFmtDXT3,     kFmtDXT5,     kFmtA8R8G8B8,
                              kFmtR8G8B8, kFmtA4R4G4B4, kFmtA1R5G5B5, kFmtR5G6B5,
                              kFmtA8L8,   kFmtR3G3B2,   kFmtA4L4,     kFmtL8};
    for (Format format : outputs) {
        EXPECT_TRUE(isOutputFormat(format)) << formatName(format);
        EXPECT_TRUE(isConvertible(format));
    }
    EXPECT_FALSE(isOutputFormat(kFmtX8R8G8B8));
    EXPECT_FALSE(isOutputFormat(kFmtP8));
    EXPECT_FALSE(isConvertible(kFmtP8));
    EXPECT_FALSE(isConvertible(kFmtA8P8));
}

TEST(FormatTable, SizesOfLevels) {
    EXPECT_EQ(formatLevelBytes(kFmtDXT1, 5, 5), 32u); // 2 x 2 blocks of 8 bytes
    EXPECT_EQ(formatLevelBytes(kFmtDXT5, 1, 1), 16u);
    EXPECT_EQ(formatLevelBytes(kFmtDXT3, 8, 4), 32u);
    EXPECT_EQ(formatLevelBytes(kFmtR8G8B8, 3, 2), 18u);
    EXPECT_EQ(formatLevelBytes(kFmtA16B16G16R16, 2, 2), 32u);
    EXPECT_EQ(formatRowPitch(kFmtA8R8G8B8, 16384), 65536u);
    // 64-bit byte counts: the largest level does not wrap.
    EXPECT_EQ(formatLevelBytes(kFmtA16B16G16R16, 16384, 16384), 2147483648ull);
}

TEST(FormatConversion, UnpacksKnownBytes) {
    EXPECT_EQ(unpackOne(kFmtA8R8G8B8, {1, 2, 3, 4}), rgba(3, 2, 1, 4));
    EXPECT_EQ(unpackOne(kFmtX8R8G8B8, {1, 2, 3, 4}), rgba(3, 2, 1, 255));
    EXPECT_EQ(unpackOne(kFmtA8B8G8R8, {1, 2, 3, 4}), rgba(1, 2, 3, 4));
    EXPECT_EQ(unpackOne(kFmtR8G8B8, {1, 2, 3}), rgba(3, 2, 1));
    EXPECT_EQ(unpackOne(kFmtR5G6B5, {0x00, 0xf8}), rgba(255, 0, 0));
    EXPECT_EQ(unpackOne(kFmtR5G6B5, {0x20, 0x00}), rgba(0, widen(1, 6), 0));
    EXPECT_EQ(unpackOne(kFmtA1R5G5B5, {0x1f, 0x80}), rgba(0, 0, 255, 255));
    EXPECT_EQ(unpackOne(kFmtA1R5G5B5, {0x1f, 0x00}), rgba(0, 0, 255, 0));
    EXPECT_EQ(unpackOne(kFmtX1R5G5B5, {0x1f, 0x00}), rgba(0, 0, 255, 255));
    EXPECT_EQ(unpackOne(kFmtA4R4G4B4, {0x34, 0x12}), rgba(0x22, 0x33, 0x44, 0x11));
    EXPECT_EQ(unpackOne(kFmtR3G3B2, {0xe0 | 0x04 | 0x01}), rgba(255, widen(1, 3), widen(1, 2)));
    EXPECT_EQ(unpackOne(kFmtA8R3G3B2, {0x03, 0x80}), rgba(0, 0, 255, 0x80));
    EXPECT_EQ(unpackOne(kFmtA8, {0x42}), rgba(0, 0, 0, 0x42));
    EXPECT_EQ(unpackOne(kFmtL8, {0x42}), rgba(0x42, 0x42, 0x42));
    EXPECT_EQ(unpackOne(kFmtA8L8, {0x80, 0x40}), rgba(0x80, 0x80, 0x80, 0x40));
    EXPECT_EQ(unpackOne(kFmtA4L4, {0xf3}), rgba(0x33, 0x33, 0x33, 0xff));
    EXPECT_EQ(unpackOne(kFmtL16, {0x00, 0x80}), rgba(128, 128, 128));
    // A2R10G10B10: red 1023, green 512, blue 1, alpha 2 of 3.
    const uint32_t word = (2u << 30) | (1023u << 20) | (512u << 10) | 1u;
    EXPECT_EQ(unpackOne(kFmtA2R10G10B10, {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                                          uint8_t(word >> 24)}),
              rgba(255, widen(512, 10), widen(1, 10), widen(2, 2)));
    EXPECT_EQ(unpackOne(kFmtA16B16G16R16, {0xff, 0xff, 0x80, 0x80, 0, 0, 0xff, 0xff}),
              rgba(255, widen(0x8080, 16), 0, 255));
}

TEST(FormatConversion, PacksKnownColours) {
    EXPECT_EQ(packOne(kFmtA8R8G8B8, rgba(1, 2, 3, 4)), (std::vector<uint8_t>{3, 2, 1, 4}));
    EXPECT_EQ(packOne(kFmtR8G8B8, rgba(1, 2, 3, 4)), (std::vector<uint8_t>{3, 2, 1}));
    // Bits outside every mask are written as ones.
    EXPECT_EQ(packOne(kFmtX8R8G8B8, rgba(1, 2, 3, 4)), (std::vector<uint8_t>{3, 2, 1, 255}));
    EXPECT_EQ(packOne(kFmtX1R5G5B5, rgba(0, 0, 0, 0)), (std::vector<uint8_t>{0x00, 0x80}));
    EXPECT_EQ(packOne(kFmtR5G6B5, rgba(255, 0, 0)), (std::vector<uint8_t>{0x00, 0xf8}));
    EXPECT_EQ(packOne(kFmtA1R5G5B5, rgba(0, 0, 0, 127)), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(packOne(kFmtA1R5G5B5, rgba(0, 0, 0, 128)), (std::vector<uint8_t>{0, 0x80}));
    EXPECT_EQ(packOne(kFmtA4R4G4B4, rgba(0x22, 0x33, 0x44, 0x11)),
              (std::vector<uint8_t>{0x34, 0x12}));
    // Luminance with the weights 0.299, 0.587, 0.114; grey stays exact.
    EXPECT_EQ(packOne(kFmtL8, rgba(255, 0, 0)), (std::vector<uint8_t>{77}));
    EXPECT_EQ(packOne(kFmtL8, rgba(0, 255, 0)), (std::vector<uint8_t>{149}));
    EXPECT_EQ(packOne(kFmtA8L8, rgba(90, 90, 90, 7)), (std::vector<uint8_t>{90, 7}));
    EXPECT_EQ(packOne(kFmtA4L4, rgba(255, 255, 255, 0)), (std::vector<uint8_t>{0x0f}));
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(luminanceOf(rgba(uint8_t(v), uint8_t(v), uint8_t(v))), v);
    }
}

// Every stored value of the uncompressed output formats survives a trip
// through RGBA unchanged.
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
