// BMP reading beyond what bmpsuite, Pillow's images and the producers of
// tests/interop show: bit fields they lack, lenient reading, and hostile
// files.
#include "codec_test_support.h"

#include <algorithm>

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

} // namespace

// 16-bit alpha bit fields after the 40-byte header, and masks inside the V2
// header, in both row orders.
TEST(BmpRead, BitFieldsTheSuiteLacks) {
    const struct {
        uint32_t headerSize, bits, compression, masks[4];
        Format format;
        uint32_t value;
        Rgba colour;
    } cases[] = {
        {40, 16, 6, {0x7c00, 0x3e0, 0x1f, 0x8000}, kFmtA1R5G5B5, 0x801f, rgba(0, 0, 255, 255)},
        {52, 32, 3, {0xff0000, 0xff00, 0xff, 0}, kFmtX8R8G8B8, 0x80102030, rgba(16, 32, 48)},
    };
    for (const auto& c : cases) {
        BmpOptions o;
        o.headerSize = c.headerSize, o.bits = c.bits, o.compression = c.compression;
        std::copy(c.masks, c.masks + 4, o.masks);
        std::vector<uint32_t> values(kW * kH, 0);
        values[kW + 2] = c.value;
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::to_string(c.headerSize) + (topDown ? " top-down" : ""));
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

// As other readers read them: RLE runs past the row's end cut there
// (ImageMagick encodes the padding of odd widths), the last row's padding
// missing, and a pixel offset that names the palette.
TEST(BmpRead, LenientWhereOtherReadersAre) {
    BmpOptions r;
    r.compression = 1, r.bits = 8, r.palette = palette(4);
    const Rgba one = rgba(13, 254, 8), two = rgba(26, 253, 15);
    for (const Bytes& rle : // 5 then 4 pixels into rows of 3
         {Bytes{5, 1, 0, 0, 4, 2, 0, 1}, Bytes{0, 5, 1, 1, 1, 9, 9, 0, 0, 0, 4, 2, 0, 1}}) {
        Image image;
        ASSERT_EQ(readBytes(imgwrite::writeBmpRawData(r, 3, 2, rle), &image), kOk);
        EXPECT_EQ(pixelsOf(image), (std::vector<Rgba>{two, two, two, one, one, one}));
    }
    BmpOptions o;
    o.bits = 8, o.palette = palette(4);
    const Bytes good = writeBmp(o, kW, kH, std::vector<uint32_t>(kW * kH, 3));
    Bytes paletteOffset = good;
    imgwrite::patchLe32(&paletteOffset, 10, 14 + 40);
    Image reference, lenient;
    ASSERT_EQ(readBytes(good, &reference), kOk);
    for (const Bytes& file : {Bytes(good.begin(), good.end() - 3), paletteOffset}) {
        ASSERT_EQ(readBytes(file, &lenient), kOk);
        EXPECT_EQ(lenient.levels, reference.levels);
    }
}

TEST(BmpRead, HostileFiles) {
    BmpOptions o;
    o.bits = 8;
    o.palette = palette(4);
    std::vector<uint32_t> values(kW * kH, 2);
    const Bytes good = writeBmp(o, kW, kH, values);
    expectPrefixesHandled(good);
    const auto rejects = [](const Bytes& file) {
        Image image;
        EXPECT_EQ(readBytes(file, &image), kInvalidData);
    };
    const struct {
        size_t offset;
        uint32_t value, bytes;
    } patches[] = {
        {22, 16384, 4},                                   // 9 x 16384 without data for it
        {10, static_cast<uint32_t>(good.size() + 10), 4}, // pixel offset
        {14, 41, 4},                                      // header size
        {28, 7, 2},                                       // bit count
        {30, 4, 4},                                       // embedded JPEG
    };
    for (const auto& p : patches) {
        Bytes bad = good;
        p.bytes == 2 ? imgwrite::patchLe16(&bad, p.offset, uint16_t(p.value))
                     : imgwrite::patchLe32(&bad, p.offset, p.value);
        rejects(bad);
    }
    Bytes wide = good;
    imgwrite::patchLe32(&wide, 18, 16385);
    expectTooLarge(wide, 16385, kH);
    Bytes tall = good; // INT32_MIN rows, top down
    imgwrite::patchLe32(&tall, 22, 0x80000000u);
    expectTooLarge(tall, kW, 0x80000000u);
    // A 52-byte header with alpha bit fields, the file ending where the alpha
    // mask would follow it (found by fuzzing: read past the end).
    rejects(Bytes{0x42, 0x4d, 0x06, 0x01, 0x00, 0x3f, 0x00, 0x03, 0x00, 0x00, 0x7a,
                  0x00, 0x00, 0x00, 0x34, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,
                  0x05, 0x00, 0x00, 0x00, 0x00, 0x03, 0x20, 0x00, 0x06, 0x00, 0x00,
                  0x00, 0xef, 0x3d, 0x8c, 0x00, 0x00, 0x00, 0x42, 0x4d, 0x51, 0xff,
                  0xff, 0xff, 0xff, 0xf9, 0x00, 0x00, 0x00, 0x00, 0x00, 0x29, 0x40,
                  0x00, 0x00, 0x16, 0x2c, 0x2a, 0x24, 0x6c, 0x2c, 0x58, 0x2c, 0x84});
    values[7] = 9; // outside the 4-entry palette
    rejects(writeBmp(o, kW, kH, values));
    BmpOptions f; // bit fields that overlap
    f.bits = 16, f.compression = 3;
    f.masks[0] = 0xff00, f.masks[1] = 0x0ff0, f.masks[2] = 0x000f;
    rejects(writeBmp(f, kW, kH, std::vector<uint32_t>(kW * kH, 0)));
    // RLE overruns: an absolute span past the data, a delta past the image,
    // no end marker, an index outside the palette.
    BmpOptions r;
    r.compression = 1, r.bits = 8, r.palette = palette(4);
    for (const Bytes& rle :
         {Bytes{0, 4, 1, 2}, Bytes{0, 2, 0, 3, 0, 1}, Bytes{4, 1, 0, 0, 4, 1, 0, 0},
          Bytes{4, 9, 0, 1}, Bytes{0, 0, 0, 0, 0, 0, 1, 1, 0, 1}}) {
        rejects(imgwrite::writeBmpRawData(r, 4, 2, rle));
    }
    r.compression = 2, r.bits = 4;
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {0, 5, 0x11, 0x11}));
    r.topDown = true; // not a valid combination with RLE
    rejects(imgwrite::writeBmpRawData(r, 4, 2, {4, 0x11, 0, 1}));
    // A few end-of-bitmap bytes must not stand for a gigabyte image.
    r.topDown = false, r.compression = 1, r.bits = 8;
    rejects(imgwrite::writeBmpRawData(r, 16384, 16384, {0, 1}));
    // A large image with a plausible amount of data still loads: every row
    // ends at once, so every pixel is skipped (transparent).
    Bytes rows(2048 * 2, 0);
    rows.push_back(0), rows.push_back(1);
    Image image;
    EXPECT_EQ(readBytes(imgwrite::writeBmpRawData(r, 1024, 2048, rows), &image), kOk);
}
