// TGA reading beyond Pillow's images and ImageMagick's files (tests/interop):
// 16-bit pixels, right-to-left rows, alpha bits, colour maps, hostile files.
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;
using imgwrite::TgaOptions;
using imgwrite::writeTga;

namespace {

constexpr uint32_t kW = 6, kH = 4;

// Stored values with runs and changes, so RLE writes both packet kinds.
std::vector<uint32_t> values(uint32_t modulo, uint32_t scale) {
    std::vector<uint32_t> v(kW * kH);
    for (uint32_t i = 0; i < v.size(); ++i) {
        v[i] = (i < 5 ? 1 : (i * 7 + i / 5) % modulo) * scale;
    }
    return v;
}

Rgba colourOf16(uint32_t v, bool alpha) {
    return rgba(widen((v >> 10) & 31, 5), widen((v >> 5) & 31, 5), widen(v & 31, 5),
                alpha ? ((v & 0x8000) ? 255 : 0) : 255);
}

void expectPixels(const Bytes& file, Format format, const std::vector<Rgba>& expected) {
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(file, &image, &info), kOk);
    EXPECT_EQ(info.format, format);
    const std::vector<Rgba> pixels = pixelsOf(image);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(pixels[i], expected[i]) << i;
    }
}

} // namespace

// 24- and 32-bit files of both row orders are among Pillow's test images and
// what ImageMagick and Pillow write (tests/interop); 16-bit ones and
// right-to-left files are not.
TEST(TgaRead, SixteenBitsEveryOriginPlainAndRle) {
    for (uint32_t type : {2u, 10u}) {
        for (uint32_t bits : {15u, 16u}) {
            for (int orientation = 0; orientation < 3; ++orientation) {
                SCOPED_TRACE(std::to_string(type) + "/" + std::to_string(bits) + "/" +
                             std::to_string(orientation));
                TgaOptions o;
                o.imageType = type, o.bits = bits, o.alphaBits = bits == 16 ? 1 : 0;
                o.topDown = orientation == 1;
                o.rightToLeft = orientation == 2;
                std::vector<uint32_t> v = values(11, 0x0c63);
                std::vector<Rgba> expected;
                for (uint32_t& value : v) {
                    value |= (value & 1) << 15; // the alpha bit, ignored in 15-bit files
                    expected.push_back(colourOf16(value, bits == 16));
                }
                expectPixels(writeTga(o, kW, kH, v), bits == 15 ? kFmtX1R5G5B5 : kFmtA1R5G5B5,
                             expected);
            }
        }
    }
}

TEST(TgaRead, AlphaBitsDecideAlpha) {
    // 32-bit pixels keep their alpha although the descriptor says 0 bits.
    TgaOptions o;
    o.bits = 32, o.alphaBits = 0, o.imageType = 10;
    std::vector<uint32_t> v(kW * kH, 0x40102030);
    expectPixels(writeTga(o, kW, kH, v), kFmtA8R8G8B8, {rgba(0x10, 0x20, 0x30, 0x40)});
    o.bits = 16, o.imageType = 2;
    v.assign(kW * kH, 0x001f);
    expectPixels(writeTga(o, kW, kH, v), kFmtX1R5G5B5, {rgba(0, 0, 255, 255)});
    // Eight alpha bits that are zero everywhere: the writer left them unset.
    o.bits = 32, o.alphaBits = 8;
    v.assign(kW * kH, 0x00102030);
    Image image;
    ASSERT_EQ(readBytes(writeTga(o, kW, kH, v), &image), kOk);
    EXPECT_EQ(image.format, kFmtX8R8G8B8);
    EXPECT_EQ(pixelsOf(image)[3], rgba(0x10, 0x20, 0x30, 255));
}

// Grey files are among Pillow's test images (tests/interop); colour maps of
// every entry size with a first entry are not.
TEST(TgaRead, ColourMapped) {
    for (uint32_t type : {1u, 9u}) {
        for (uint32_t entryBits : {15u, 16u, 24u, 32u}) {
            SCOPED_TRACE(std::to_string(type) + "/" + std::to_string(entryBits));
            TgaOptions o;
            o.imageType = type, o.bits = 8, o.mapEntryBits = entryBits, o.mapFirst = 3;
            o.id = "map";
            for (uint32_t i = 0; i < 9; ++i) {
                o.colourMap.push_back(entryBits <= 16 ? i * 0x0c63 : 0x80000000u | i * 0x0a0b0c);
            }
            std::vector<uint32_t> v = values(9, 1);
            std::vector<Rgba> expected;
            for (uint32_t& index : v) {
                const uint32_t e = o.colourMap[index];
                expected.push_back(entryBits <= 16
                                       ? colourOf16(e, false)
                                       : rgba(uint8_t(e >> 16), uint8_t(e >> 8), uint8_t(e),
                                              entryBits == 32 ? 0x80 : 255));
                index += 3; // the map starts at entry 3
            }
            expectPixels(writeTga(o, kW, kH, v), kFmtP8, expected);
        }
    }
}

TEST(TgaRead, HostileFiles) {
    TgaOptions o;
    o.imageType = 10, o.bits = 24;
    const Bytes good = writeTga(o, kW, kH, values(5, 0x010203));
    expectPrefixesHandled(good);
    // Header faults are found by the header alone; pixel faults when decoding.
    const auto rejects = [](const Bytes& file, bool byHeader = true) {
        Image image;
        ImageInfo info;
        EXPECT_EQ(readBytes(file, &image, &info), kInvalidData);
        EXPECT_EQ(tgaReadHeader(file.data(), file.size(), &info) == kInvalidData, byHeader);
    };
    // Image type, depth, width 0, and 16384 x 16384 RLE, which
    // needs at least 8 MiB even at its most compact. (The bytes after the
    // 8-bit fields are 0 in this file, so 16-bit patches suit them all.)
    const std::vector<std::pair<size_t, uint16_t>> patches[] = {
        {{2, 4}}, {{16, 12}}, {{12, 0}}, {{12, 16384}, {14, 16384}}};
    for (const auto& patch : patches) {
        Bytes bad = good;
        for (const auto& [offset, value] : patch) {
            imgwrite::patchLe16(&bad, offset, value);
        }
        rejects(bad);
    }
    Bytes bad = good;
    imgwrite::patchLe16(&bad, 12, 16385);
    expectTooLarge(bad, 16385, kH);
    bad = good;
    bad[0] = 255; // image id longer than the file
    bad.resize(100);
    rejects(bad);
    // An RLE packet running past the image.
    bad = Bytes(good.begin(), good.begin() + 18);
    bad.insert(bad.end(), {0xff, 1, 2, 3, 0xff, 1, 2, 3});
    imgwrite::patchLe16(&bad, 12, 16), imgwrite::patchLe16(&bad, 14, 9);
    rejects(bad, false);
    // An index outside the colour map, below its first entry, and a map
    // longer than the file.
    TgaOptions m;
    m.imageType = 1, m.bits = 8, m.mapFirst = 2, m.colourMap = {0x102030, 0x405060};
    std::vector<uint32_t> indices(kW * kH, 2);
    ASSERT_EQ(readBytes(writeTga(m, kW, kH, indices), nullptr), kInvalidCall);
    indices[4] = 4;
    rejects(writeTga(m, kW, kH, indices), false);
    indices[4] = 1;
    rejects(writeTga(m, kW, kH, indices), false);
    bad = writeTga(m, kW, kH, std::vector<uint32_t>(kW * kH, 2));
    imgwrite::patchLe16(&bad, 5, 60000);
    rejects(bad);
    // Colour-mapped type without a map.
    bad = writeTga(m, kW, kH, std::vector<uint32_t>(kW * kH, 2));
    bad[1] = 0;
    rejects(bad);
}
