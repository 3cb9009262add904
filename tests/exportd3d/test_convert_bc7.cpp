// A BC7 file (a format Direct3D 9 has no texture for) converted to DXT5 by
// the convert window on the real device: the output reads back with the
// file's colours.
#include "tests/exportd3d/convert_test_support.h"

#include "codec/convert.h"
#include "tests/support/images.h"

#include <cstdlib>

namespace {

using namespace converttest;

TEST_F(ConvertTest, Bc7FileConvertsToDxt5ThatReadsBack) {
    // 16 x 16 of solid 4 x 4 blocks, each its own opaque colour (drawn over
    // transparent black, as the export draws, they stay as they are).
    std::vector<imgwrite::Pixel> colours;
    for (uint8_t i = 0; i < 16; ++i) {
        colours.push_back(
            {uint8_t(251 - i * 14), uint8_t(i * 16 + 1), uint8_t(101 + (i % 4) * 40), 255});
    }
    ASSERT_TRUE(
        imgwrite::saveFile(src_ + "\\mask_bc7.dds", k4test::bc7SolidBlocks(16, 16, colours)));
    K4QBTexMgrConvertWindow* cw = openConvert({"mask_bc7.dds"});
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kTextures);
    choose(cw, K4QB_ID_BATCH_FORMAT, 3);
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(waitUntilClosed(cw));
    EXPECT_EQ(outputTree(out_),
              (std::map<std::string, std::string>{{"mask_bc7.dds", "16x16 DXT5 5"}}));

    std::vector<uint8_t> bytes;
    k4codec::Image image;
    k4codec::ImageInfo info;
    ASSERT_EQ(k4codec::readFileBytes((out_ + "\\mask_bc7.dds").c_str(), &bytes), k4codec::kOk);
    ASSERT_EQ(k4codec::readImage(bytes.data(), bytes.size(), &image, &info), k4codec::kOk);
    std::vector<k4codec::Rgba> pixels;
    ASSERT_EQ(k4codec::decodeLevel(image, 0, &pixels), k4codec::kOk);
    // DXT5 keeps the alpha; one colour comes within a few steps of its
    // 5:6:5 endpoints and their thirds.
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const imgwrite::Pixel c = colours[(y / 4) * 4 + x / 4];
            const k4codec::Rgba p = pixels[y * 16 + x];
            EXPECT_LE(std::abs(p.r - c.r), 4) << x << "," << y;
            EXPECT_LE(std::abs(p.g - c.g), 2) << x << "," << y;
            EXPECT_LE(std::abs(p.b - c.b), 4) << x << "," << y;
            EXPECT_EQ(p.a, c.a) << x << "," << y;
        }
    }
}

} // namespace
