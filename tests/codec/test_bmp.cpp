// BMP reading: every header, palette depth and compression, both row
// orders, the bit fields bmpsuite (tests/interop) lacks, and hostile files.
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;
using imgwrite::BmpOptions;
using imgwrite::writeBmp;

namespace {

constexpr uint32_t kW = 9, kH = 5; // rows of odd length need padding

std::vector<imgwrite::Pixel> palette(uint32_t entries) {
    std::vector<imgwrite::Pixel> colours;
    for (uint32_t i = 0; i < entries; ++i) {
        colours.push_back(px(uint8_t(i * 13), uint8_t(255 - i), uint8_t(i * 7 + 1)));
    }
    return colours;
}

std::vector<uint32_t> indices(uint32_t modulo) {
    std::vector<uint32_t> values(kW * kH);
    for (uint32_t i = 0; i < values.size(); ++i) {
        values[i] = (i * 5 + i / kW) % modulo;
    }
    return values;
}

void expectPalettePixels(const Bytes& file, const BmpOptions& o,
                         const std::vector<uint32_t>& values) {
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(file, &image, &info), kOk);
    EXPECT_EQ(info.fileType, FileType::Bmp);
    EXPECT_EQ(info.format, kFmtP8);
    EXPECT_EQ(info.width, kW);
    EXPECT_EQ(info.height, kH);
    const std::vector<Rgba> pixels = pixelsOf(image);
    for (size_t i = 0; i < values.size(); ++i) {
        const imgwrite::Pixel& p = o.palette[values[i]];
        ASSERT_EQ(pixels[i], rgba(p.r, p.g, p.b)) << i;
    }
}

} // namespace

TEST(BmpRead, PaletteDepthsWithEveryHeader) {
    for (uint32_t headerSize : {12u, 40u, 108u, 124u}) {
        for (uint32_t bits : {1u, 4u, 8u}) {
            SCOPED_TRACE(std::to_string(headerSize) + "/" + std::to_string(bits));
            BmpOptions o;
            o.headerSize = headerSize;
            o.bits = bits;
            o.palette = palette(1u << bits);
            const std::vector<uint32_t> values = indices(1u << bits);
            expectPalettePixels(writeBmp(o, kW, kH, values), o, values);
            o.topDown = headerSize != 12;
            expectPalettePixels(writeBmp(o, kW, kH, values), o, values);
        }
    }
    // A short palette (clrUsed) is fine while the indices stay inside it.
    BmpOptions o;
    o.bits = 8;
    o.palette = palette(6);
    expectPalettePixels(writeBmp(o, kW, kH, indices(6)), o, indices(6));
}

TEST(BmpRead, RunLengthEncoded) {
    for (uint32_t compression : {1u, 2u}) {
        SCOPED_TRACE(compression);
        BmpOptions o;
        o.compression = compression;
        o.bits = compression == 1 ? 8 : 4;
        o.palette = palette(16);
        std::vector<uint32_t> values = indices(16);
        for (uint32_t x = 0; x < kW; ++x) {
            values[kW + x] = 3; // a run
        }
        expectPalettePixels(writeBmp(o, kW, kH, values), o, values);
    }
}

TEST(BmpRead, RunLengthSkipsLeaveTransparentPixels) {
    BmpOptions o;
    o.compression = 1;
    o.bits = 8;
    o.palette = palette(4);
    // Bottom row: 2 x index 1, then a delta of (1, 1), 1 x index 2, end of bitmap.
    const Bytes data = {2, 1, 0, 2, 1, 1, 1, 2, 0, 1};
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(imgwrite::writeBmpRawData(o, 4, 2, data), &image, &info), kOk);
    EXPECT_EQ(image.format, kFmtA8R8G8B8);
    const std::vector<Rgba> pixels = pixelsOf(image);
    const Rgba one = rgba(13, 254, 8), two = rgba(26, 253, 15), none = rgba(0, 0, 0, 0);
    EXPECT_EQ(pixels[4], one); // bottom row is image row 1
    EXPECT_EQ(pixels[5], one);
    EXPECT_EQ(pixels[6], none);
    EXPECT_EQ(pixels[0], none); // top row: skipped to x = 3
    EXPECT_EQ(pixels[3], two);
    // Runs past the row's end are cut there (ImageMagick encodes the
    // padding of odd widths): 5 then 4 pixels into rows of 3.
    for (const Bytes& rle :
         {Bytes{5, 1, 0, 0, 4, 2, 0, 1}, Bytes{0, 5, 1, 1, 1, 9, 9, 0, 0, 0, 4, 2, 0, 1}}) {
        ASSERT_EQ(readBytes(imgwrite::writeBmpRawData(o, 3, 2, rle), &image, &info), kOk);
        EXPECT_EQ(pixelsOf(image), (std::vector<Rgba>{two, two, two, one, one, one}));
    }
}

TEST(BmpRead, TrueColourDepthsAndBitFields) {
    const struct {
        const char* name;
        uint32_t headerSize, bits, compression;
        uint32_t masks[4];
        Format format;
        uint32_t value;
        Rgba colour;
    } cases[] = {
        {"1555 alpha",
         40,
         16,
         6,
         {0x7c00, 0x3e0, 0x1f, 0x8000},
         kFmtA1R5G5B5,
         0x801f,
         rgba(0, 0, 255, 255)},
        {"4444 V5",
         124,
         16,
         3,
         {0xf00, 0xf0, 0xf, 0xf000},
         kFmtA4R4G4B4,
         0x1234,
         rgba(0x22, 0x33, 0x44, 0x11)},
        {"ARGB V4",
         108,
         32,
         3,
         {0xff0000, 0xff00, 0xff, 0xff000000},
         kFmtA8R8G8B8,
         0x80102030,
         rgba(0x10, 0x20, 0x30, 0x80)},
        {"XRGB V2",
         52,
         32,
         3,
         {0xff0000, 0xff00, 0xff, 0},
         kFmtX8R8G8B8,
         0x80102030,
         rgba(0x10, 0x20, 0x30)},
        {"10-bit",
         40,
         32,
         3,
         {0x3ff00000, 0xffc00, 0x3ff, 0},
         kFmtX8R8G8B8,
         0x3ff00000,
         rgba(255, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpOptions o;
        o.headerSize = c.headerSize, o.bits = c.bits, o.compression = c.compression;
        for (int i = 0; i < 4; ++i) {
            o.masks[i] = c.masks[i];
        }
        std::vector<uint32_t> values(kW * kH, 0);
        values[kW + 2] = c.value;
        for (bool topDown : {false, true}) {
            o.topDown = topDown;
            Image image;
            ImageInfo info;
            ASSERT_EQ(readBytes(writeBmp(o, kW, kH, values), &image, &info), kOk);
            EXPECT_EQ(info.format, c.format);
            const std::vector<Rgba> pixels = pixelsOf(image);
            EXPECT_EQ(pixels[kW + 2], c.colour);
            EXPECT_EQ(pixels[0].r, 0);
        }
    }
}

TEST(BmpRead, HostileFiles) {
    BmpOptions o;
    o.bits = 8;
    o.palette = palette(4);
    const std::vector<uint32_t> values = indices(4);
    const Bytes good = writeBmp(o, kW, kH, values);
    expectPrefixesHandled(good);
    // Read as other readers read them: the last row's padding missing, and a
    // pixel offset that names the palette (4 entries after the header).
    Image reference, lenient;
    ASSERT_EQ(readBytes(good, &reference), kOk);
    ASSERT_EQ(readBytes(Bytes(good.begin(), good.end() - 3), &lenient), kOk);
    EXPECT_EQ(lenient.levels, reference.levels);
    Bytes paletteOffset = good;
    imgwrite::patchLe32(&paletteOffset, 10, 14 + 40);
    ASSERT_EQ(readBytes(paletteOffset, &lenient), kOk);
    EXPECT_EQ(lenient.levels, reference.levels);
    const auto rejects = [](const Bytes& file) {
        Image image;
        ImageInfo info;
        EXPECT_EQ(readBytes(file, &image, &info), kInvalidData);
    };
    Bytes bad = good;
    imgwrite::patchLe32(&bad, 18, 16385); // width
    rejects(bad);
    bad = good;
    imgwrite::patchLe32(&bad, 22, 0x80000000u); // height INT32_MIN
    rejects(bad);
    bad = good;
    imgwrite::patchLe32(&bad, 18, 16384), imgwrite::patchLe32(&bad, 22, 16384); // no data for it
    rejects(bad);
    bad = good;
    imgwrite::patchLe32(&bad, 10, static_cast<uint32_t>(good.size() + 10)); // pixel offset
    rejects(bad);
    bad = good;
    imgwrite::patchLe32(&bad, 14, 41); // header size
    rejects(bad);
    bad = good;
    imgwrite::patchLe16(&bad, 28, 7); // bit count
    rejects(bad);
    bad = good;
    imgwrite::patchLe32(&bad, 30, 4); // embedded JPEG
    rejects(bad);
    // Palette index overflow: a 4-entry palette, index 9.
    std::vector<uint32_t> overflow = values;
    overflow[7] = 9;
    rejects(writeBmp(o, kW, kH, overflow));
    // Bit fields that overlap.
    BmpOptions f;
    f.bits = 16, f.compression = 3;
    f.masks[0] = 0xff00, f.masks[1] = 0x0ff0, f.masks[2] = 0x000f;
    rejects(writeBmp(f, kW, kH, std::vector<uint32_t>(kW * kH, 0)));
    // RLE overruns: an absolute span past the data, a delta past the image,
    // no end marker, an index outside the palette.
    BmpOptions r;
    r.compression = 1, r.bits = 8, r.palette = palette(4);
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {0, 4, 1, 2}));
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {0, 2, 0, 3, 0, 1}));
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {4, 1, 0, 0, 4, 1, 0, 0}));
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {4, 9, 0, 1}));
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {0, 0, 0, 0, 0, 0, 1, 1, 0, 1}));
    r.compression = 2, r.bits = 4;
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {0, 5, 0x11, 0x11}));
    // Top-down RLE is not a valid combination.
    r.topDown = true;
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {4, 0x11, 0, 1}));
    // A few end-of-bitmap bytes must not stand for a gigabyte image.
    r.topDown = false, r.compression = 1, r.bits = 8;
    rejects(imgwrite::writeBmpRawData(r, 16384, 16384, {0, 1}));
    // A large image with a plausible amount of data still loads: every row
    // ends at once, so every pixel is skipped (transparent).
    std::vector<uint8_t> rows;
    for (int y = 0; y < 2048; ++y) {
        rows.push_back(0), rows.push_back(0);
    }
    rows.push_back(0), rows.push_back(1);
    Image image;
    ImageInfo info;
    EXPECT_EQ(readBytes(imgwrite::writeBmpRawData(r, 1024, 2048, rows), &image, &info), kOk);
}
