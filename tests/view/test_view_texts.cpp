// What the caption says (the level, the texture's facts, the compressed
// preview's PSNR, "exact" for a perfect match) and the compressed preview's
// pixels: the codec's DXT round trip, or its difference amplified eight times.
#include "codec/dxt.h"
#include "view/caption.h"
#include "view/compressed_preview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace k4view;
using k4codec::Rgba;

namespace {

TEST(PreviewCaption, NamesLevelFactsAndCompression) {
    CaptionFacts facts;
    facts.name = "wall.dds";
    facts.width = 256;
    facts.height = 256;
    // As the image panel always wrote it.
    EXPECT_EQ(previewCaption(facts), "wall.dds (256 by 256)");
    facts.level = 2;
    facts.levelCount = 9;
    EXPECT_EQ(previewCaption(facts), "wall.dds (256 by 256) level 2 of 9: 64 by 64");

    CaptionFacts info;
    info.name = "bd_sunset_hills.dds";
    info.width = 1024;
    info.height = 256;
    info.info = true;
    info.storedFormat = "DXT1";
    info.fileLevels = 11;
    info.fileBytes = 131072;
    EXPECT_EQ(previewCaption(info), "bd_sunset_hills.dds (1024 by 256) DXT1, 11 levels, 128 KB");
    info.fileLevels = 1;
    info.storedFormat = nullptr;
    info.fileBytes = 300;
    EXPECT_EQ(previewCaption(info),
              "bd_sunset_hills.dds (1024 by 256) unknown format, 1 level, 300 bytes");

    CaptionFacts dxt;
    dxt.name = "wall.png";
    dxt.width = 256;
    dxt.height = 256;
    dxt.compressedFormat = "DXT1";
    dxt.error.rgbPsnr = 38.44;
    dxt.error.alphaPsnr = std::numeric_limits<double>::infinity();
    EXPECT_EQ(previewCaption(dxt), "wall.png (256 by 256) DXT1: 38.4 dB RGB, alpha exact");
    dxt.error.rgbPsnr = std::numeric_limits<double>::infinity();
    dxt.error.alphaPsnr = 21.26;
    EXPECT_EQ(previewCaption(dxt), "wall.png (256 by 256) DXT1: RGB exact, alpha 21.3 dB");

    // A level the device cannot hold: the largest that fits, and saying so.
    CaptionFacts huge;
    huge.name = "huge.png";
    huge.width = 16384;
    huge.height = 16384;
    huge.level = 1;
    huge.levelCount = 15;
    huge.levelLimited = true;
    EXPECT_EQ(previewCaption(huge), "huge.png (16384 by 16384) level 1 of 15: 8192 by 8192, the "
                                    "largest level the device can show");
}

TEST(PreviewCaption, FileSizes) {
    EXPECT_EQ(fileSizeText(0), "0 bytes");
    EXPECT_EQ(fileSizeText(1023), "1023 bytes");
    EXPECT_EQ(fileSizeText(1024), "1 KB");
    EXPECT_EQ(fileSizeText(174904), "171 KB");
    EXPECT_EQ(fileSizeText(3 * 1024 * 1024 + 512 * 1024), "3.5 MB");
}

// Smooth colours with noise and a varying alpha: DXT loses something.
std::vector<Rgba> photo(uint32_t w, uint32_t h) {
    std::vector<Rgba> pixels(w * h);
    uint32_t seed = 99;
    for (uint32_t i = 0; i < w * h; ++i) {
        seed = seed * 1664525 + 1013904223;
        const uint32_t x = i % w, y = i / w;
        pixels[i] = Rgba{uint8_t(x * 255 / w), uint8_t((seed >> 24) & 0x3F), uint8_t(y * 255 / h),
                         uint8_t(255 - x * 7)}; // transparent from x = 19
    }
    return pixels;
}

TEST(CompressedPreview, IsTheCodecsRoundTripWithItsPsnr) {
    const uint32_t w = 36, h = 20; // partial blocks at both edges
    const std::vector<Rgba> source = photo(w, h);
    for (k4codec::Format format : {k4codec::kFmtDXT1, k4codec::kFmtDXT3, k4codec::kFmtDXT5}) {
        std::vector<uint8_t> blocks(k4codec::formatLevelBytes(format, w, h));
        k4codec::dxtEncodeImage(format, source.data(), w, h, blocks.data());
        std::vector<Rgba> expected(w * h);
        k4codec::dxtDecodeImage(format, blocks.data(), w, h, expected.data());

        CompressedPreview shown;
        ASSERT_EQ(previewCompressed(format, source.data(), w, h, false, &shown), k4codec::kOk);
        EXPECT_EQ(shown.pixels, expected);
        EXPECT_GT(shown.error.rgbPsnr, 20.0);
        EXPECT_LT(shown.error.rgbPsnr, 60.0);
        // Independent of the code: the mean squared colour error.
        double sum = 0;
        size_t samples = 0;
        for (size_t i = 0; i < source.size(); ++i) {
            if (format != k4codec::kFmtDXT1 || source[i].a >= 128) {
                for (int c = 0; c < 3; ++c) {
                    const int d = (&source[i].r)[c] - (&expected[i].r)[c];
                    sum += d * d;
                    ++samples;
                }
            }
        }
        EXPECT_NEAR(shown.error.rgbPsnr, 10 * std::log10(65025.0 * samples / sum), 1e-9);

        // The difference: |a - b| times 8, clamped, opaque; under DXT1 black
        // where the original is transparent, which the PSNR leaves out too.
        CompressedPreview difference;
        ASSERT_EQ(previewCompressed(format, source.data(), w, h, true, &difference), k4codec::kOk);
        for (size_t i = 0; i < source.size(); ++i) {
            const bool counted = format != k4codec::kFmtDXT1 || source[i].a >= 128;
            const int d = counted ? std::abs(source[i].g - expected[i].g) * 8 : 0;
            ASSERT_EQ(difference.pixels[i].g, d > 255 ? 255 : d) << i;
            ASSERT_EQ(difference.pixels[i].a, 255);
        }
    }
}

TEST(CompressedPreview, APictureReproducedExactlyIsExactNotADivisionByZero) {
    // One 5:6:5 colour, opaque: DXT1 stores it without loss.
    std::vector<Rgba> flat(8 * 8, Rgba{0x84, 0x82, 0x08, 255});
    CompressedPreview shown;
    ASSERT_EQ(previewCompressed(k4codec::kFmtDXT1, flat.data(), 8, 8, true, &shown), k4codec::kOk);
    EXPECT_TRUE(isExact(shown.error.rgbPsnr));
    EXPECT_TRUE(isExact(shown.error.alphaPsnr));
    EXPECT_EQ(shown.pixels[0], (Rgba{0, 0, 0, 255})); // nothing differs: black, opaque
    CaptionFacts facts;
    facts.name = "flat.png";
    facts.width = facts.height = 8;
    facts.compressedFormat = "DXT1";
    facts.error = shown.error;
    EXPECT_EQ(previewCaption(facts), "flat.png (8 by 8) DXT1: RGB exact, alpha exact");
    // Fully transparent under DXT1: no colour to judge, the cut-out is exact.
    std::vector<Rgba> clear(4 * 4, Rgba{200, 10, 10, 0});
    ASSERT_EQ(previewCompressed(k4codec::kFmtDXT1, clear.data(), 4, 4, false, &shown),
              k4codec::kOk);
    EXPECT_TRUE(isExact(shown.error.rgbPsnr));
    EXPECT_TRUE(isExact(shown.error.alphaPsnr));
    // Bad calls change nothing.
    EXPECT_EQ(previewCompressed(k4codec::kFmtA8R8G8B8, flat.data(), 8, 8, false, &shown),
              k4codec::kInvalidCall);
    EXPECT_EQ(previewCompressed(k4codec::kFmtDXT5, flat.data(), 0, 8, false, &shown),
              k4codec::kInvalidCall);
}

} // namespace
