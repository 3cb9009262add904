// Resizing a decoded image to a size, level count and format (what the
// Direct3D bridge and `qbtex to-dds` do with every file they read), and the
// codes of whole-file reading and writing.
#include "codec/loader.h"
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;

namespace {

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

TEST(Files, WholeFileCodes) {
    const std::string path = scratchPath("whole.dds");
    ASSERT_EQ(writeFileAtomic(path.c_str(), Bytes{1, 2, 3}), kOk);
    Bytes back;
    ASSERT_EQ(readFileBytes(path.c_str(), &back), kOk);
    EXPECT_EQ(back, (Bytes{1, 2, 3}));
    EXPECT_EQ(readFileBytes(scratchPath("missing.dds").c_str(), &back), kFileNotFound);
    const std::string nowhere = scratchPath("no-such-folder\\out.dds");
    EXPECT_EQ(writeFileAtomic(nowhere.c_str(), back), kWriteFailed);
    EXPECT_FALSE(k4p::fileExists(nowhere.c_str()));
}
