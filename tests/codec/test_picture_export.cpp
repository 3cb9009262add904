// A picture taken out of the program: PNG, TGA and BMP hold its decoded top
// level with its alpha (read back by the codec's readers and checked byte by
// byte where the format is simple), opaque pictures take 24 bits, DDS is the
// file as stored, and what cannot be read is refused with the reader's code.
#include "codec/picture_export.h"
#include "codec/rgba_writers.h"
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;

namespace {

// 5 x 3 (odd width: BMP rows are padded), every texel different.
std::vector<imgwrite::Pixel> texels(bool alpha) {
    std::vector<imgwrite::Pixel> out;
    for (uint8_t i = 0; i < 15; ++i) {
        out.push_back({uint8_t(i * 17), uint8_t(255 - i * 9), uint8_t(i * 3 + 40),
                       uint8_t(alpha ? i * 18 : 255)});
    }
    return out;
}

Bytes pngOf(const std::vector<imgwrite::Pixel>& pixels) {
    std::vector<uint16_t> samples;
    for (const imgwrite::Pixel& p : pixels) {
        samples.insert(samples.end(), {p.r, p.g, p.b, p.a});
    }
    return imgwrite::writePng({}, 5, 3, samples);
}

std::vector<Rgba> readBack(const std::vector<uint8_t>& bytes, ImageInfo* info) {
    Image image;
    EXPECT_EQ(readImage(bytes.data(), bytes.size(), &image, info), kOk);
    return image.levels.empty() ? std::vector<Rgba>() : pixelsOf(image);
}

TEST(PictureExport, EveryTypeKeepsThePixelsAndTheAlpha) {
    for (bool alpha : {true, false}) {
        const std::vector<imgwrite::Pixel> source = texels(alpha);
        const Bytes png = pngOf(source);
        for (ExportType type : {ExportType::Png, ExportType::Tga, ExportType::Bmp}) {
            SCOPED_TRACE(::testing::Message() << "type " << int(type) << " alpha " << alpha);
            std::vector<uint8_t> bytes;
            ASSERT_EQ(exportPicture(png.data(), png.size(), type, &bytes), kOk);
            ImageInfo info;
            const std::vector<Rgba> back = readBack(bytes, &info);
            ASSERT_EQ(back.size(), source.size());
            for (size_t i = 0; i < source.size(); ++i) {
                EXPECT_EQ(back[i], (Rgba{source[i].r, source[i].g, source[i].b, source[i].a})) << i;
            }
            EXPECT_EQ(uint32_t(info.fileType), uint32_t(type));
            if (type == ExportType::Bmp) {
                // 32 bits with an alpha mask, or 24 bits with rows padded to 4.
                EXPECT_EQ(bytes[28], alpha ? 32 : 24);
                EXPECT_EQ(bytes.size(), alpha ? 14 + 108 + 15 * 4u : 14 + 40 + 3 * 16u);
            }
            if (type == ExportType::Tga) {
                EXPECT_EQ(bytes[16], alpha ? 32 : 24);
                EXPECT_EQ(bytes[17] & 0x0F, alpha ? 8 : 0);
            }
        }
    }
}

TEST(PictureExport, DdsIsTheFileAsStoredOrTheTopLevel) {
    // A DXT1 file with two levels, copied byte for byte.
    imgwrite::DdsOptions options;
    options.width = options.height = 4;
    options.mipCount = 2;
    options.flags |= 0x20000;
    options.fourCC = imgwrite::fourCC("DXT1");
    const Bytes dds = imgwrite::writeDds(options, Bytes(16, 0x5A));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(exportPicture(dds.data(), dds.size(), ExportType::Dds, &bytes), kOk);
    EXPECT_EQ(bytes, dds);
    // Another picture becomes an A8R8G8B8 DDS of its top level.
    const Bytes png = pngOf(texels(true));
    ASSERT_EQ(exportPicture(png.data(), png.size(), ExportType::Dds, &bytes), kOk);
    ImageInfo info;
    const std::vector<Rgba> back = readBack(bytes, &info);
    EXPECT_EQ(info.format, kFmtA8R8G8B8);
    EXPECT_EQ(info.mipLevels, 1u);
    ASSERT_EQ(back.size(), 15u);
    EXPECT_EQ(back[7].a, 7 * 18);
}

TEST(PictureExport, WhatCannotBeReadIsRefused) {
    const std::string text = "this is no picture";
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(exportPicture(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                            ExportType::Png, &bytes),
              kInvalidData);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    // Beyond the codec's limit: its own code, for the message.
    Bytes huge = imgwrite::writePng({}, 4, 100, std::vector<uint16_t>(4 * 100 * 4));
    imgwrite::patchLe32(&huge, 16, 0x204E0000); // 20000 wide, big-endian in IHDR
    EXPECT_EQ(exportPicture(huge.data(), huge.size(), ExportType::Bmp, &bytes), kTooLarge);
    const Rgba one = {1, 2, 3, 4};
    EXPECT_EQ(tgaWriteRgba(&one, 0, 1, &bytes), kInvalidCall);
    EXPECT_EQ(bmpWriteRgba(&one, 1, kMaxDimension + 1, &bytes), kInvalidCall);
}

} // namespace
