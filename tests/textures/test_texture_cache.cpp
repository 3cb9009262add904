// The texture caches with real files on a real device: one load per path,
// use counts, folder joining, failures, and game content names.
#include "textures/k4qbtexturecache.h"

#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "foundation/errors.h"
#include "tests/support/scratch.h"
#include "tests/textures/texture_test_device.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using texturetest::TestDevice;
using texturetest::writePng;

// Counts the loads that reach the file system.
class CountingCache : public K4QBTextureCache {
public:
    CountingCache(IDirect3DDevice9* device, K4QBContentRegistry* content)
        : K4QBTextureCache(device, content) {}
    int loads = 0;

protected:
    HRESULT loadTexture(const char* path, IDirect3DTexture9** texture) override {
        ++loads;
        return K4QBTextureCache::loadTexture(path, texture);
    }
};

std::string threwCode(const std::function<void()>& call) {
    try {
        call();
    } catch (const char* code) {
        return code;
    }
    return "<nothing>";
}

TEST(TextureCache, LoadsEachPathOnceAndCountsUses) {
    TestDevice device;
    ASSERT_NE(device.get(), nullptr);
    std::string folder = k4test::testFolder("textures");
    writePng(folder + "\\brick.png", 8, 4);
    writePng(folder + "\\other.png", 16, 16);

    CountingCache cache(device.get(), nullptr);
    IDirect3DTexture9* first = cache.getFromFolder("brick.png", folder.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_EQ(cache.getUseCount((folder + "\\brick.png").c_str()), 1);

    // The same file through a folder with a trailing backslash is the same
    // path, so the same entry.
    IDirect3DTexture9* second = cache.getFromFolder("brick.png", (folder + "\\").c_str());
    EXPECT_EQ(second, first);
    EXPECT_EQ(cache.getTexture((folder + "\\brick.png").c_str()), first);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_EQ(cache.getUseCount((folder + "\\brick.png").c_str()), 3);
    EXPECT_EQ(cache.getEntryCount(), 1);

    // Pixel count from the loaded levels: 8x4, 4x2, 2x1, 1x1.
    D3DSURFACE_DESC desc;
    ASSERT_EQ(first->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(cache.getTotalPixelCount(), 43u);

    IDirect3DTexture9* other = cache.getFromFolder("other.png", folder.c_str());
    EXPECT_NE(other, first);
    EXPECT_EQ(cache.loads, 2);
    EXPECT_EQ(cache.getEntryCount(), 2);
    EXPECT_EQ(cache.getTotalPixelCount(), 43u + 256u + 64u + 16u + 4u + 1u);

    // An empty folder adds no backslash: the name is the path.
    EXPECT_EQ(threwCode([&] { cache.getFromFolder((folder + "\\brick.png").c_str(), ""); }),
              "<nothing>");
    EXPECT_EQ(cache.loads, 2);
}

TEST(TextureCache, FailedLoadsCacheNothingAndAreRetried) {
    TestDevice device;
    ASSERT_NE(device.get(), nullptr);
    std::string folder = k4test::testFolder("textures");
    k4test::writeFile(folder + "\\broken.png", "not a picture at all");

    CountingCache cache(device.get(), nullptr);
    EXPECT_EQ(threwCode([&] { cache.getFromFolder("missing.png", folder.c_str()); }),
              K4DXERR_RES_LOADERROR);
    EXPECT_EQ(threwCode([&] { cache.getFromFolder("broken.png", folder.c_str()); }),
              K4DXERR_RES_LOADERROR);
    EXPECT_EQ(threwCode([&] { cache.getFromFolder("broken.png", folder.c_str()); }),
              K4DXERR_RES_LOADERROR);
    // A plain decoding failure is not an out-of-memory result: no retry
    // inside one request, but each request tries again.
    EXPECT_EQ(cache.loads, 3);
    EXPECT_EQ(cache.getEntryCount(), 0);
    EXPECT_EQ(cache.getTotalPixelCount(), 0u);

    // Once the file is readable it loads.
    writePng(folder + "\\broken.png", 4, 4);
    EXPECT_NE(cache.getFromFolder("broken.png", folder.c_str()), nullptr);
    EXPECT_EQ(cache.getEntryCount(), 1);
}

TEST(TextureCache, ResolvesGameContentNames) {
    TestDevice device;
    ASSERT_NE(device.get(), nullptr);
    std::string install = k4test::testFolder("textures");
    k4p::createFolderTree((install + "\\data\\textures\\walls").c_str());
    writePng(install + "\\data\\textures\\walls\\stone.png", 32, 8);

    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath(install.c_str()));
    CountingCache cache(device.get(), &content);

    IDirect3DTexture9* stone = cache.getFromQuellbury("stone.png", "data\\textures\\walls\\");
    ASSERT_NE(stone, nullptr);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(stone->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(cache.getFromQuellbury("stone.png", "data\\textures\\walls\\"), stone);
    EXPECT_EQ(cache.loads, 1);
    // The game file and the same file named by its disk path share the entry.
    EXPECT_EQ(cache.getFromFolder("stone.png", (install + "\\data\\textures\\walls").c_str()),
              stone);
    EXPECT_EQ(cache.loads, 1);

    EXPECT_EQ(threwCode([&] { cache.getFromQuellbury("absent.png", "data\\textures\\walls\\"); }),
              K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);

    // Without game content (the game is not installed) nothing resolves.
    K4QBTextureCache noGame(device.get(), nullptr);
    EXPECT_EQ(threwCode([&] { noGame.getFromQuellbury("stone.png", "data\\textures\\walls\\"); }),
              K4DXERR_RES_LOADERROR);
}

} // namespace
