// Scaling (tent when shrinking, bilinear when enlarging), mip levels (box
// filter with odd sizes), and resizing a decoded image with its levels.
#include "codec/loader.h"
#include "codec/mips.h"
#include "codec/scale.h"
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;

namespace {

std::vector<Rgba> row(std::initializer_list<int> values) {
    std::vector<Rgba> out;
    for (int v : values) {
        out.push_back(rgba(uint8_t(v), uint8_t(v), uint8_t(255 - v), uint8_t(v)));
    }
    return out;
}

std::vector<int> reds(const std::vector<Rgba>& pixels) {
    std::vector<int> out;
    for (const Rgba& p : pixels) {
        out.push_back(p.r);
    }
    return out;
}

// An L8 image whose levels are flat in the given values.
Image flatLevels(uint32_t width, uint32_t height, const Bytes& values) {
    Image image;
    image.width = width, image.height = height, image.format = kFmtL8;
    for (uint32_t i = 0; i < values.size(); ++i) {
        image.levels.emplace_back(size_t(levelSize(width, i)) * levelSize(height, i), values[i]);
    }
    return image;
}

} // namespace

TEST(Scale, SameSizeCopiesAndConstantsStayConstant) {
    const std::vector<Rgba> src = row({1, 2, 3, 4, 5, 6});
    std::vector<Rgba> dst(6);
    ASSERT_EQ(scalePixels(src.data(), 3, 2, dst.data(), 3, 2), kOk);
    EXPECT_EQ(reds(dst), reds(src));
    const std::vector<Rgba> flat(15 * 7, rgba(10, 200, 30, 77));
    for (uint32_t w : {1u, 4u, 15u, 31u}) {
        for (uint32_t h : {1u, 3u, 7u, 20u}) {
            std::vector<Rgba> out(w * h);
            ASSERT_EQ(scalePixels(flat.data(), 15, 7, out.data(), w, h), kOk);
            for (const Rgba& p : out) {
                ASSERT_EQ(p, rgba(10, 200, 30, 77)) << w << "x" << h;
            }
        }
    }
    EXPECT_EQ(scalePixels(src.data(), 3, 2, dst.data(), 0, 2), kInvalidCall);
}

TEST(Scale, BilinearWhenEnlargingTentWhenShrinking) {
    const std::vector<Rgba> two = row({0, 100});
    std::vector<Rgba> four(4);
    ASSERT_EQ(scalePixels(two.data(), 2, 1, four.data(), 4, 1), kOk);
    EXPECT_EQ(reds(four), (std::vector<int>{0, 25, 75, 100}));
    EXPECT_EQ(four[1].b, 230); // 255 - 25: every channel alike
    // Weights 1/8, 3/8, 3/8, 1/8 for a halving; a ramp stays a ramp inside.
    std::vector<Rgba> src;
    for (int x = 0; x < 16; ++x) {
        src.push_back(rgba(uint8_t(x * 10), 0, 0));
    }
    std::vector<Rgba> dst(8);
    ASSERT_EQ(scalePixels(src.data(), 16, 1, dst.data(), 8, 1), kOk);
    for (int i = 1; i < 7; ++i) {
        EXPECT_EQ(dst[i].r, 20 * i + 5) << i;
    }
    // A single bright texel spreads over its neighbours.
    const std::vector<Rgba> spike = row({0, 0, 0, 240, 0, 0, 0, 0});
    std::vector<Rgba> half(4);
    ASSERT_EQ(scalePixels(spike.data(), 8, 1, half.data(), 4, 1), kOk);
    EXPECT_EQ(reds(half), (std::vector<int>{0, 90, 30, 0}));
}

TEST(Mips, BoxFilterEvenAndOddSizes) {
    // 2x2 means with rounding.
    const std::vector<Rgba> square = row({1, 2, 3, 4, 10, 20, 30, 41});
    std::vector<Rgba> out(2);
    ASSERT_EQ(downsampleBox(square.data(), 4, 2, out.data()), kOk);
    EXPECT_EQ(reds(out), (std::vector<int>{(1 + 2 + 10 + 20 + 2) / 4, (3 + 4 + 30 + 41 + 2) / 4}));
    // Five texels into two: each covers two and a half.
    const std::vector<Rgba> five = row({0, 50, 100, 150, 200});
    ASSERT_EQ(downsampleBox(five.data(), 5, 1, out.data()), kOk);
    EXPECT_EQ(reds(out), (std::vector<int>{40, 160}));
    // Three into one: all three count.
    const std::vector<Rgba> three = row({0, 30, 90});
    ASSERT_EQ(downsampleBox(three.data(), 3, 1, out.data()), kOk);
    EXPECT_EQ(out[0].r, 40);
    // A column halves downwards only.
    const std::vector<Rgba> column = row({8, 16, 32, 64});
    ASSERT_EQ(downsampleBox(column.data(), 1, 4, out.data()), kOk);
    EXPECT_EQ(reds(out), (std::vector<int>{12, 48}));
}

TEST(Mips, RebuildKeepsLevelZeroAndFormat) {
    Image image;
    ASSERT_EQ(allocateImage(&image, 4, 2, kFmtL8, 3), kOk);
    image.levels[0] = {0, 10, 20, 30, 40, 50, 60, 70};
    image.levels[2] = {99};
    ASSERT_EQ(rebuildMips(&image), kOk);
    EXPECT_EQ(image.levels[0], (std::vector<uint8_t>{0, 10, 20, 30, 40, 50, 60, 70}));
    EXPECT_EQ(image.levels[1], (std::vector<uint8_t>{25, 45}));
    EXPECT_EQ(image.levels[2], (std::vector<uint8_t>{35}));
    // DXT levels are rebuilt from RGBA, level by level.
    Image dxt;
    ASSERT_EQ(allocateImage(&dxt, 8, 8, kFmtDXT5, 4), kOk);
    std::vector<uint8_t> bytes;
    const std::vector<Rgba> red(64, rgba(255, 0, 0, 200));
    ASSERT_EQ(encodeLevel(red.data(), 8, 8, kFmtDXT5, &dxt.levels[0]), kOk);
    ASSERT_EQ(rebuildMips(&dxt), kOk);
    EXPECT_EQ(pixelsOf(dxt, 3)[0], rgba(255, 0, 0, 200));
    Image palette;
    palette.format = kFmtP8;
    palette.levels.resize(1);
    EXPECT_EQ(rebuildMips(&palette), kInvalidCall);
}

// What the Direct3D bridge and `qbtex to-dds` do with every file they read.
TEST(Resize, LevelsOfTheSourceAreKept) {
    // Levels that no box filter would make: 10, 200, 30.
    Image image;
    ASSERT_EQ(resizeImage(flatLevels(4, 4, {10, 200, 30}), 4, 4, 3, kFmtL8, &image), kOk);
    EXPECT_EQ(image.levels[1], Bytes(4, 200));
    EXPECT_EQ(image.levels[2], Bytes(1, 30));
    // Missing levels come from the last one present.
    ASSERT_EQ(resizeImage(flatLevels(8, 8, {10, 200}), 8, 8, 4, kFmtL8, &image), kOk);
    EXPECT_EQ(image.levels[1], Bytes(16, 200));
    EXPECT_EQ(image.levels[3], Bytes(1, 200));
    // A size change scales each level from its own, and in another format.
    ASSERT_EQ(resizeImage(flatLevels(6, 6, {10, 200, 30}), 8, 8, 4, kFmtA8L8, &image), kOk);
    for (uint32_t level = 0; level < 4; ++level) {
        const uint8_t grey = level == 0 ? 10 : level == 1 ? 200 : 30;
        const size_t texels = size_t(levelSize(8, level)) * levelSize(8, level);
        EXPECT_EQ(pixelsOf(image, level), std::vector<Rgba>(texels, rgba(grey, grey, grey)))
            << level;
    }
    // More levels than the size has, and formats without a conversion.
    EXPECT_EQ(resizeImage(flatLevels(4, 4, {1}), 16, 2, 6, kFmtL8, &image), kInvalidCall);
    EXPECT_EQ(resizeImage(flatLevels(4, 4, {1}), 4, 4, 1, kFmtP8, &image), kInvalidCall);
}

// The preview's lower levels, added below the levels a texture holds.
TEST(Resize, ExtendedChainIsTheResizedChain) {
    for (const Format format : {kFmtA8R8G8B8, kFmtDXT5, kFmtR5G6B5}) {
        Image rgba;
        ASSERT_EQ(allocateImage(&rgba, 13, 6, kFmtA8R8G8B8, 1), kOk);
        for (size_t i = 0; i < rgba.levels[0].size(); ++i) {
            rgba.levels[0][i] = uint8_t(i * 37 + i / 52 * 11);
        }
        Image top, all;
        ASSERT_EQ(resizeImage(rgba, 13, 6, 2, format, &top), kOk);
        ASSERT_EQ(resizeImage(top, 13, 6, 4, format, &all), kOk);
        ASSERT_EQ(extendMipChain(&top, 4), kOk);
        EXPECT_EQ(top.levels, all.levels) << format;
        ASSERT_EQ(extendMipChain(&top, 3), kOk); // already held
        EXPECT_EQ(top.levels.size(), 4u);
        EXPECT_EQ(extendMipChain(&top, 5), kInvalidCall); // 13 x 6 has four
        EXPECT_EQ(top.levels, all.levels);
    }
}
