// Default load sizing, DDS levels kept, file detection, whole-file reading
// and writing.
#include "codec/loader.h"
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;

namespace {

Bytes bmp24(uint32_t w, uint32_t h) {
    imgwrite::BmpOptions o;
    std::vector<uint32_t> values(w * h);
    for (uint32_t i = 0; i < values.size(); ++i) {
        values[i] = (i * 40) << 8 | (255 - i * 10);
    }
    return imgwrite::writeBmp(o, w, h, values);
}

// An L8 DDS whose levels are flat in the given values.
Bytes ddsLevels(uint32_t w, uint32_t h, const std::vector<uint8_t>& levelValues) {
    imgwrite::DdsOptions o;
    o.width = w, o.height = h, o.mipCount = uint32_t(levelValues.size());
    o.flags |= 0x20000, o.pfFlags = 0x20000, o.bits = 8, o.masks[0] = 0xff;
    Bytes data;
    for (size_t i = 0; i < levelValues.size(); ++i) {
        data.insert(data.end(), size_t(levelSize(w, uint32_t(i))) * levelSize(h, uint32_t(i)),
                    levelValues[i]);
    }
    return imgwrite::writeDds(o, data);
}

} // namespace

TEST(Loader, DefaultsRoundUpAndBuildTheChain) {
    const Bytes file = bmp24(5, 3);
    Image image;
    ImageInfo info;
    ASSERT_EQ(loadImage(file.data(), file.size(), LoadOptions(), &image, &info), kOk);
    EXPECT_EQ(info.width, 5u);
    EXPECT_EQ(info.format, kFmtR8G8B8);
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.height, 4u);
    EXPECT_EQ(image.levels.size(), 4u);
    EXPECT_EQ(image.format, kFmtX8R8G8B8);
    // Enlarging keeps the corner texels.
    Image source;
    ASSERT_EQ(readBytes(file, &source), kOk);
    const std::vector<Rgba> before = pixelsOf(source), after = pixelsOf(image);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[31], before[14]);
    EXPECT_EQ(pixelsOf(image, 3).size(), 1u);
}

TEST(Loader, ExplicitSizeLevelsAndFormat) {
    const Bytes file = bmp24(5, 3);
    LoadOptions options;
    options.width = 16, options.height = 2, options.mipLevels = 2, options.format = kFmtDXT5;
    Image image;
    ASSERT_EQ(loadImage(file.data(), file.size(), options, &image, nullptr), kOk);
    EXPECT_EQ(image.format, kFmtDXT5);
    ASSERT_EQ(image.levels.size(), 2u);
    EXPECT_EQ(image.levels[1].size(), 32u); // 8x1: two blocks
    options.mipLevels = 6;                  // 16x2 has 5 levels
    EXPECT_EQ(loadImage(file.data(), file.size(), options, &image, nullptr), kInvalidCall);
    options.mipLevels = 1, options.format = kFmtP8;
    EXPECT_EQ(loadImage(file.data(), file.size(), options, &image, nullptr), kInvalidCall);
}

TEST(Loader, DdsLevelsAreKept) {
    // Levels that no box filter would make: 10, 200, 30.
    Bytes file = ddsLevels(4, 4, {10, 200, 30});
    Image image;
    ASSERT_EQ(loadImage(file.data(), file.size(), LoadOptions(), &image, nullptr), kOk);
    EXPECT_EQ(image.format, kFmtL8);
    EXPECT_EQ(image.levels[1], std::vector<uint8_t>(4, 200));
    EXPECT_EQ(image.levels[2], std::vector<uint8_t>(1, 30));
    // Missing levels come from the last one present.
    file = ddsLevels(8, 8, {10, 200});
    ASSERT_EQ(loadImage(file.data(), file.size(), LoadOptions(), &image, nullptr), kOk);
    ASSERT_EQ(image.levels.size(), 4u);
    EXPECT_EQ(image.levels[1], std::vector<uint8_t>(16, 200));
    EXPECT_EQ(image.levels[3], std::vector<uint8_t>(1, 200));
    // A size change scales each level from its own.
    file = ddsLevels(6, 6, {10, 200, 30});
    ASSERT_EQ(loadImage(file.data(), file.size(), LoadOptions(), &image, nullptr), kOk);
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.levels[0], std::vector<uint8_t>(64, 10));
    EXPECT_EQ(image.levels[1], std::vector<uint8_t>(16, 200));
    EXPECT_EQ(image.levels[2], std::vector<uint8_t>(4, 30));
    EXPECT_EQ(image.levels[3], std::vector<uint8_t>(1, 30));
}

TEST(Files, DetectsTypesByContent) {
    FileType type;
    const Bytes bmp = bmp24(2, 2);
    ASSERT_EQ(detectFileType(bmp.data(), bmp.size(), &type), kOk);
    EXPECT_EQ(type, FileType::Bmp);
    const Bytes dds = ddsLevels(2, 2, {1});
    ASSERT_EQ(detectFileType(dds.data(), dds.size(), &type), kOk);
    EXPECT_EQ(type, FileType::Dds);
    imgwrite::TgaOptions t;
    const Bytes tga = imgwrite::writeTga(t, 2, 2, {1, 2, 3, 4});
    ASSERT_EQ(detectFileType(tga.data(), tga.size(), &type), kOk);
    EXPECT_EQ(type, FileType::Tga);
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l',
                        'd', '!', '!', '!', '!', '!', '!', '!', '!', '!'};
    EXPECT_EQ(detectFileType(text.data(), text.size(), &type), kInvalidData);
    EXPECT_EQ(detectFileType(text.data(), 0, &type), kInvalidData);
    Image image;
    ImageInfo info;
    EXPECT_EQ(readImage(text.data(), text.size(), &image, &info), kInvalidData);
    EXPECT_EQ(readImageHeader(text.data(), text.size(), &info), kInvalidData);
}

TEST(Files, ReadAndWriteWholeFiles) {
    const std::string path = scratchPath("whole.dds");
    const Bytes first = ddsLevels(4, 2, {7, 8, 9});
    ASSERT_EQ(writeFileAtomic(path.c_str(), first), kOk);
    ASSERT_EQ(writeFileAtomic(path.c_str(), ddsLevels(2, 2, {5})), kOk); // replaces
    Bytes back;
    ASSERT_EQ(readFileBytes(path.c_str(), &back), kOk);
    EXPECT_EQ(back, ddsLevels(2, 2, {5}));
    Image image;
    ImageInfo info;
    ASSERT_EQ(loadImageFile(path.c_str(), LoadOptions(), &image, &info), kOk);
    EXPECT_EQ(info.format, kFmtL8);
    EXPECT_EQ(readFileBytes(scratchPath("missing.dds").c_str(), &back), kFileNotFound);
    EXPECT_EQ(loadImageFile(scratchPath("missing.dds").c_str(), LoadOptions(), &image, &info),
              kFileNotFound);
    const std::string nowhere = scratchPath("no-such-folder\\out.dds");
    EXPECT_EQ(writeFileAtomic(nowhere.c_str(), first), kWriteFailed);
    EXPECT_FALSE(k4p::fileExists(nowhere.c_str()));
}
