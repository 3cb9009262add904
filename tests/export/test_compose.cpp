// Export outputs drawn in software: the band, the blend over transparent
// black, and every output format with its levels read back by the codec.
// Sources as the texture cache loads them are checked through qbtex convert
// (tests/cli).
#include "codec/codec.h"
#include "codec/compose.h"
#include "codec/convert.h"
#include "export/output_tables.h"

#include <gtest/gtest.h>

#include <vector>

using namespace k4codec;

namespace {

Image imageOf(uint32_t width, uint32_t height, const std::vector<Rgba>& pixels) {
    Image image;
    EXPECT_EQ(allocateImage(&image, width, height, kFmtA8R8G8B8, 1), kOk);
    EXPECT_EQ(encodeLevel(pixels.data(), width, height, kFmtA8R8G8B8, &image.levels[0]), kOk);
    return image;
}

// An opaque source whose texels all differ.
Image gradient(uint32_t width, uint32_t height) {
    std::vector<Rgba> pixels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            pixels.push_back(Rgba{static_cast<uint8_t>(x * 255 / width),
                                  static_cast<uint8_t>(y * 255 / height),
                                  static_cast<uint8_t>((x * 7 + y * 13) & 255), 255});
        }
    }
    return imageOf(width, height, pixels);
}

std::vector<Rgba> compose(const Image& source, uint32_t width, uint32_t height, float aspect) {
    std::vector<Rgba> pixels;
    EXPECT_EQ(composeBand(source, width, height, aspect, &pixels), kOk);
    return pixels;
}

} // namespace

TEST(ComposeSoftware, BlendsOverTransparentBlackAndKeepsOwnSize) {
    // Half alpha keeps a quarter: 0.5 * 0.5 + 0 * 0.5; colours are halved.
    const Image source = imageOf(2, 2,
                                 {Rgba{200, 100, 50, 128}, Rgba{10, 20, 30, 255},
                                  Rgba{255, 255, 255, 0}, Rgba{255, 0, 255, 64}});
    const std::vector<Rgba> pixels = compose(source, 2, 2, 1.0f);
    EXPECT_EQ(pixels, (std::vector<Rgba>{Rgba{100, 50, 25, 64}, Rgba{10, 20, 30, 255},
                                         Rgba{0, 0, 0, 0}, Rgba{64, 0, 64, 16}}));
    // An opaque source at its own size comes out texel for texel.
    const Image picture = gradient(37, 20);
    std::vector<Rgba> texels;
    ASSERT_EQ(decodeLevel(picture, 0, &texels), kOk);
    EXPECT_EQ(compose(picture, 37, 20, 1.0f), texels);
}

TEST(ComposeSoftware, BandCoversItsRowsOnly) {
    struct Row {
        uint32_t height;
        float aspect;
        uint32_t top, bottom;
    } rows[] = {
        // clang-format off
        {64, 4.0f, 24, 40},
        {64, k4export::typeThumbnailAspect(k4export::kStaticOverlays), 14, 50},
        {64, 1.0f, 0, 64},
        {1, 1.0f, 0, 1}, // odd heights: the band is still the whole output
        {3, 1.0f, 0, 3},
        {4, 1000.0f, 2, 3}, // thinner than a row: the centre row
        // clang-format on
    };
    const Image source = gradient(8, 8);
    for (const Row& row : rows) {
        const std::vector<Rgba> pixels = compose(source, 16, row.height, row.aspect);
        for (uint32_t y = 0; y < row.height; ++y) {
            const bool inBand = y >= row.top && y < row.bottom;
            for (uint32_t x = 0; x < 16; ++x) {
                const Rgba p = pixels[y * 16 + x];
                ASSERT_EQ(p.a, inBand ? 255 : 0) << row.height << "/" << row.aspect << " y " << y;
                if (!inBand) {
                    ASSERT_EQ(p, (Rgba{0, 0, 0, 0}));
                }
            }
        }
    }
}

TEST(ComposeSoftware, EveryFormatAndLevelCountReadsBack) {
    const Image source = gradient(50, 30);
    std::vector<Rgba> composed = compose(source, 64, 32, 1.0f);
    for (int32_t index = 0; index < k4export::kFormatCount; ++index) {
        const Format format = k4export::formatFromIndex(index);
        for (uint32_t levels : {1u, 0u}) {
            Image out, back;
            ImageInfo info;
            std::vector<uint8_t> dds;
            ASSERT_EQ(composeTexture(source, 64, 32, 1.0f, levels, format, &out), kOk);
            ASSERT_EQ(ddsWriteImage(out, &dds), kOk);
            ASSERT_EQ(ddsReadImage(dds.data(), dds.size(), &back, &info), kOk);
            EXPECT_EQ(info.format, format) << formatName(format);
            EXPECT_EQ(back.width * 1000 + back.height, 64u * 1000 + 32);
            EXPECT_EQ(back.levels.size(), levels == 0 ? 7u : 1u) << formatName(format);
            if (format == kFmtA8R8G8B8) {
                std::vector<Rgba> level0;
                ASSERT_EQ(decodeLevel(back, 0, &level0), kOk);
                EXPECT_EQ(level0, composed);
            }
        }
    }
    Image untouched = source;
    EXPECT_EQ(composeTexture(source, 64, 32, 1.0f, 8, kFmtDXT5, &untouched), kInvalidCall);
    EXPECT_EQ(untouched.width, 50u);
}
