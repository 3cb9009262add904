// The texture caches with real files on a real device: one load per path,
// use counts, folder joining, failures, and game content names.
#include "textures/k4qbtexturecache.h"

#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "foundation/errors.h"
#include "tests/support/checks.h"
#include "tests/support/d3d_device.h"
#include "tests/support/images.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr imgwrite::Pixel kGrey = {200, 200, 200, 255};

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

class TextureCache : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(device_.get(), nullptr) << device_.failure(); }
    k4test::TestDevice device_;
    std::string folder_ = k4test::testFolder("textures");
};

TEST_F(TextureCache, LoadsEachPathOnceAndCachesNoFailure) {
    k4test::writeUniformPng(folder_ + "\\brick.png", 8, 4, kGrey);
    k4test::writeUniformPng(folder_ + "\\other.png", 16, 16, kGrey);
    k4test::writeFile(folder_ + "\\broken.png", "not a picture at all");

    CountingCache cache(device_.get(), nullptr);
    IDirect3DTexture9* first = cache.getFromFolder("brick.png", folder_.c_str());
    ASSERT_NE(first, nullptr);
    // The same file through a folder with a trailing backslash, by its path,
    // or as a name with an empty folder is the same entry.
    EXPECT_EQ(cache.getFromFolder("brick.png", (folder_ + "\\").c_str()), first);
    EXPECT_EQ(cache.getTexture((folder_ + "\\brick.png").c_str()), first);
    EXPECT_EQ(cache.getFromFolder((folder_ + "\\brick.png").c_str(), ""), first);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_EQ(cache.getUseCount((folder_ + "\\brick.png").c_str()), 4);
    EXPECT_NE(cache.getFromFolder("other.png", folder_.c_str()), first);
    // Pixel count from the loaded levels: 8x4, 4x2, 2x1, 1x1 and 16x16 down.
    EXPECT_EQ(cache.getTotalPixelCount(), 43u + 256u + 64u + 16u + 4u + 1u);

    // Failures cache nothing; no retry inside one request, but each request
    // tries again.
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getFromFolder("missing.png", folder_.c_str()), K4DXERR_RES_LOADERROR);
    EXPECT_THROWS_CODE(cache.getFromFolder("broken.png", folder_.c_str()), K4DXERR_RES_LOADERROR);
    EXPECT_THROWS_CODE(cache.getFromFolder("broken.png", folder_.c_str()), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 3);
    EXPECT_EQ(cache.getEntryCount(), 2);
    k4test::writeUniformPng(folder_ + "\\broken.png", 4, 4, kGrey);
    EXPECT_NE(cache.getFromFolder("broken.png", folder_.c_str()), nullptr);
}

TEST_F(TextureCache, ResolvesGameContentNames) {
    k4p::createFolderTree((folder_ + "\\data\\textures\\walls").c_str());
    k4test::writeUniformPng(folder_ + "\\data\\textures\\walls\\stone.png", 32, 8, kGrey);
    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath(folder_.c_str()));
    CountingCache cache(device_.get(), &content);
    IDirect3DTexture9* stone = cache.getFromQuellbury("stone.png", "data\\textures\\walls\\");
    ASSERT_NE(stone, nullptr);
    EXPECT_EQ(cache.getFromQuellbury("stone.png", "data\\textures\\walls\\"), stone);
    // The game file and the same file named by its disk path share the entry.
    EXPECT_EQ(cache.getFromFolder("stone.png", (folder_ + "\\data\\textures\\walls").c_str()),
              stone);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_THROWS_CODE(cache.getFromQuellbury("absent.png", "data\\textures\\walls\\"),
                       K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);

    // Without game content (the game is not installed) nothing resolves.
    K4QBTextureCache noGame(device_.get(), nullptr);
    EXPECT_THROWS_CODE(noGame.getFromQuellbury("stone.png", "data\\textures\\walls\\"),
                       K4DXERR_RES_LOADERROR);
}

// Loaded in steps, as the image preview loads: a texture added with its top
// level only is an ordinary entry (found, counted, one per path); completing
// it puts a complete texture in its place, and a texture the path no longer
// holds is left alone.
TEST_F(TextureCache, DecodedTexturesAreCachedAndCompletedInPlace) {
    k4test::writeUniformPng(folder_ + "\\brick.png", 16, 8, kGrey);
    const std::string path = folder_ + "\\brick.png";
    CountingCache cache(device_.get(), nullptr);
    EXPECT_EQ(cache.findTexture(path.c_str()), nullptr);
    k4d3dx::DecodedTexture decoded;
    ASSERT_EQ(k4d3dx::decodeTextureFile(cache.getTextureTarget(), path.c_str(), &decoded), S_OK);
    ASSERT_FALSE(decoded.complete());
    IDirect3DTexture9* first = cache.addDecodedTexture(path.c_str(), decoded);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetLevelCount(), 5u);
    EXPECT_EQ(cache.findTexture(path.c_str()), first);
    EXPECT_EQ(cache.getFromFolder("brick.png", folder_.c_str()), first);
    EXPECT_EQ(cache.addDecodedTexture(path.c_str(), decoded), first);
    EXPECT_EQ(cache.getUseCount(path.c_str()), 4);
    EXPECT_EQ(cache.loads, 0);
    const uint32_t pixels = cache.getTotalPixelCount();

    ASSERT_EQ(k4d3dx::completeTextureLevels(&decoded), S_OK);
    cache.completeDecodedTexture(path.c_str(), first, decoded);
    IDirect3DTexture9* complete = cache.findTexture(path.c_str());
    EXPECT_NE(complete, first);
    EXPECT_EQ(cache.getEntryCount(), 1);
    EXPECT_EQ(cache.getTotalPixelCount(), pixels);
    cache.completeDecodedTexture(path.c_str(), first, decoded);
    EXPECT_EQ(cache.findTexture(path.c_str()), complete);
    // The first texture goes on as the next picture of its size: that
    // picture, and below it blank levels as in a new texture, nothing of the
    // last one. Another size gets a texture of its own.
    const std::string next = folder_ + "\\next.png", small = folder_ + "\\small.png";
    k4test::writeUniformPng(next, 16, 8, imgwrite::Pixel{10, 20, 30, 255});
    k4test::writeUniformPng(small, 8, 8, kGrey);
    k4d3dx::DecodedTexture other;
    ASSERT_EQ(k4d3dx::decodeTextureFile(cache.getTextureTarget(), small.c_str(), &other), S_OK);
    EXPECT_NE(cache.addDecodedTexture(small.c_str(), other), first);
    ASSERT_EQ(k4d3dx::decodeTextureFile(cache.getTextureTarget(), next.c_str(), &other), S_OK);
    IDirect3DTexture9* reused = cache.addDecodedTexture(next.c_str(), other);
    ASSERT_EQ(reused, first);
    for (UINT level = 0; level < 2; ++level) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(reused->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
        const uint32_t texel = *static_cast<const uint32_t*>(locked.pBits) & 0xffffff;
        reused->UnlockRect(level);
        EXPECT_EQ(texel, level == 0 ? 0x0a141eu : 0u) << level;
    }
    // Unreadable or missing files cache nothing.
    EXPECT_EQ(k4d3dx::decodeTextureFile(cache.getTextureTarget(), (folder_ + "\\none.png").c_str(),
                                        &decoded),
              D3DXERR_INVALIDDATA);
}

} // namespace
