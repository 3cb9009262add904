// Files of the DDS formats Direct3D 9 has no texture format for, previewed as
// the image panel previews them: through the texture cache, whole and in
// steps, into A8R8G8B8 textures whose every level shows the file's pixels.
#include "textures/k4qbtexturecache.h"

#include "tests/support/d3d_device.h"
#include "tests/support/images.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Level `level` of a managed A8R8G8B8 texture, one word per texel.
std::vector<uint32_t> readLevel(IDirect3DTexture9* texture, UINT level) {
    D3DSURFACE_DESC desc;
    EXPECT_EQ(texture->GetLevelDesc(level, &desc), S_OK);
    std::vector<uint32_t> texels(static_cast<size_t>(desc.Width) * desc.Height);
    D3DLOCKED_RECT locked;
    if (texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY) != S_OK) {
        ADD_FAILURE() << "LockRect " << level;
        return texels;
    }
    for (UINT y = 0; y < desc.Height; ++y) {
        std::memcpy(texels.data() + y * desc.Width,
                    static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
    }
    texture->UnlockRect(level);
    return texels;
}

uint32_t word(imgwrite::Pixel c) {
    return (uint32_t(c.a) << 24) | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

// Every level of a texture of 16 x 16 made of solid 4 x 4 blocks shows the
// blocks' colours: averages of one colour are that colour down to 4 x 4.
void expectBlocks(IDirect3DTexture9* texture, const std::vector<imgwrite::Pixel>& colours) {
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Width, 16u);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    for (UINT level = 0; level < 3; ++level) {
        const uint32_t side = 16 >> level, blockSide = side / 4;
        const std::vector<uint32_t> texels = readLevel(texture, level);
        for (uint32_t y = 0; y < side; ++y) {
            for (uint32_t x = 0; x < side; ++x) {
                EXPECT_EQ(texels[y * side + x], word(colours[(y / blockSide) * 4 + x / blockSide]))
                    << "level " << level << " texel " << x << "," << y;
            }
        }
    }
}

} // namespace

TEST(TextureFormats, Bc7FilePreviewsWithItsPixelsOnEveryLevel) {
    k4test::TestDevice device;
    ASSERT_NE(device.get(), nullptr) << device.failure();
    std::vector<imgwrite::Pixel> colours;
    for (uint8_t i = 0; i < 16; ++i) {
        colours.push_back({uint8_t(i * 16), uint8_t(254 - i * 12), uint8_t(i * 6 + 40),
                           uint8_t(i % 2 ? 254 : 128)});
    }
    const std::string folder = k4test::testFolder("textures");
    const std::string path = folder + "\\mask_bc7.dds";
    ASSERT_TRUE(imgwrite::saveFile(path, k4test::bc7SolidBlocks(16, 16, colours)));

    K4QBTextureCache cache(device.get(), nullptr);
    expectBlocks(cache.getFromFolder("mask_bc7.dds", folder.c_str()), colours);

    // In steps, as the preview loads: the top level first, then completed.
    K4QBTextureCache steps(device.get(), nullptr);
    k4d3dx::DecodedTexture decoded;
    ASSERT_EQ(k4d3dx::decodeTextureFile(steps.getTextureTarget(), path.c_str(), &decoded), S_OK);
    IDirect3DTexture9* first = steps.addDecodedTexture(path.c_str(), decoded);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(readLevel(first, 0), readLevel(cache.getTexture(path.c_str()), 0));
    ASSERT_EQ(k4d3dx::completeTextureLevels(&decoded), S_OK);
    steps.completeDecodedTexture(path.c_str(), first, decoded);
    expectBlocks(steps.findTexture(path.c_str()), colours);
}
