// Eviction of the texture cache: order, targets and retries, with a cache
// whose loads, clock and memory budget the test controls. The textures are
// real managed textures on a real device.
#include "textures/k4dxtexturecache.h"

#include "foundation/errors.h"
#include "tests/support/checks.h"
#include "tests/support/d3d_device.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Textures are named by path; each path has a size (one level) and may be
// told to run out of memory on its next loads.
class ScriptedCache : public K4DXTextureCache {
public:
    explicit ScriptedCache(IDirect3DDevice9* device) : K4DXTextureCache(device) {}

    struct File {
        UINT width = 256, height = 256, mipLevels = 1;
        bool readableHeader = true;
        int outOfMemoryLoads = 0; // loads that fail with outOfMemoryResult first
        HRESULT outOfMemoryResult = E_OUTOFMEMORY;
        bool undecodable = false;
    };
    std::map<std::string, File> files;
    uint32_t now = 0;
    uint32_t budget = 0xFFFFFFFFu; // pixels
    int loads = 0;
    int infoReads = 0;

    using K4DXTextureCache::calcPixelCount;
    using K4DXTextureCache::freeByPixelCount;

    void use(const char* path, uint32_t at) {
        now = at;
        getTexture(path);
    }

protected:
    bool checkMemThreshold() override { return getTotalPixelCount() > budget; }
    uint32_t currentTicks() override { return now; }
    bool loadTextureInfo(const char* path, D3DXIMAGE_INFO* info) override {
        ++infoReads;
        const File& file = files.at(path);
        if (!file.readableHeader) {
            return false;
        }
        *info = {};
        info->Width = file.width;
        info->Height = file.height;
        info->MipLevels = file.mipLevels;
        return true;
    }
    HRESULT loadTexture(const char* path, IDirect3DTexture9** texture) override {
        ++loads;
        File& file = files.at(path);
        if (file.outOfMemoryLoads > 0) {
            --file.outOfMemoryLoads;
            return file.outOfMemoryResult;
        }
        if (file.undecodable) {
            return D3DXERR_INVALIDDATA;
        }
        return getDevice()->CreateTexture(file.width, file.height, 1, 0, D3DFMT_A8R8G8B8,
                                          D3DPOOL_MANAGED, texture, nullptr);
    }
};

class TextureEviction : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(device_.get(), nullptr) << device_.failure(); }
    k4test::TestDevice device_;
    ScriptedCache cache{device_.get()};
};

TEST_F(TextureEviction, EstimatesAndTargets) {
    D3DXIMAGE_INFO info = {};
    info.Width = 256;
    info.Height = 256;
    info.MipLevels = 1;
    EXPECT_EQ(cache.calcPixelCount(info), 81920u);
    info.MipLevels = 9; // a full chain ends with a zero term
    EXPECT_EQ(cache.calcPixelCount(info), 87381u);

    // Out of memory for a 256 x 256 file without mip levels: the target is
    // 131 072 pixels, so two 65 536-pixel entries go and the third stays.
    for (const char* name : {"a", "b", "c"}) {
        cache.files[name] = ScriptedCache::File();
        cache.use(name, 1000);
    }
    ScriptedCache::File wanted;
    wanted.outOfMemoryLoads = 1;
    cache.files["new"] = wanted;
    cache.loads = 0;
    cache.now = 2000;
    ASSERT_NE(cache.getTexture("new"), nullptr);
    EXPECT_EQ(cache.loads, 2); // the failed load and one retry
    EXPECT_EQ(cache.getEntryCount(), 2);
    EXPECT_EQ(cache.getTotalPixelCount(), 2u * 65536u);
    EXPECT_TRUE(cache.isCached("new"));
}

TEST_F(TextureEviction, OrderIsAgeWindowThenUseCount) {
    for (const char* name : {"old", "busy", "idle", "newest"}) {
        cache.files[name] = ScriptedCache::File();
    }
    // "old" is in the first 65.536-second window; "busy" and "idle" share the
    // second one, where "idle" is used less although it was used later.
    cache.use("old", 65535);
    cache.use("busy", 65536);
    cache.use("busy", 65600);
    cache.use("busy", 65700);
    cache.use("idle", 131071);
    cache.use("newest", 131072);

    EXPECT_EQ(cache.freeByPixelCount(1), 65536u);
    EXPECT_FALSE(cache.isCached("old"));
    EXPECT_EQ(cache.freeByPixelCount(1), 65536u);
    EXPECT_FALSE(cache.isCached("idle"));
    EXPECT_TRUE(cache.isCached("busy"));
    EXPECT_EQ(cache.getUseCount("busy"), 3);
    EXPECT_EQ(cache.freeByPixelCount(65537), 2u * 65536u);
    EXPECT_EQ(cache.getEntryCount(), 0);

    // Asked for more than it holds, an eviction empties the cache and stops.
    cache.use("old", 200000);
    cache.use("idle", 200001);
    EXPECT_EQ(cache.freeByPixelCount(10000000), 2u * 65536u);
    EXPECT_EQ(cache.getEntryCount(), 0);
    EXPECT_EQ(cache.getTotalPixelCount(), 0u);
    EXPECT_EQ(cache.freeByPixelCount(1), 0u);
}

TEST_F(TextureEviction, RetriesOnlyAfterOutOfMemory) {
    cache.files["kept"] = ScriptedCache::File();
    cache.use("kept", 10);

    // A decoding failure: no eviction, no retry.
    ScriptedCache::File undecodable;
    undecodable.undecodable = true;
    cache.files["undecodable"] = undecodable;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("undecodable"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_EQ(cache.infoReads, 0);
    EXPECT_TRUE(cache.isCached("kept"));

    // Out of video memory with an unreadable header: nothing is evicted and
    // the result stands.
    ScriptedCache::File headless;
    headless.readableHeader = false;
    headless.outOfMemoryLoads = 5;
    headless.outOfMemoryResult = D3DERR_OUTOFVIDEOMEMORY;
    cache.files["headless"] = headless;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("headless"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_TRUE(cache.isCached("kept"));

    // Out of memory twice in a row: one eviction, one retry, then the error;
    // nothing is cached for it.
    ScriptedCache::File stubborn;
    stubborn.outOfMemoryLoads = 2;
    stubborn.outOfMemoryResult = D3DERR_OUTOFVIDEOMEMORY;
    cache.files["stubborn"] = stubborn;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("stubborn"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 2);
    EXPECT_FALSE(cache.isCached("stubborn"));
    EXPECT_FALSE(cache.isCached("kept"));
    // The next request tries again and now succeeds.
    EXPECT_NE(cache.getTexture("stubborn"), nullptr);
    EXPECT_EQ(cache.getUseCount("stubborn"), 1);
}

TEST_F(TextureEviction, MemoryBudgetEvictsBeforeLoading) {
    for (const char* name : {"one", "two", "three", "four"}) {
        cache.files[name] = ScriptedCache::File();
    }
    cache.budget = 2u * 65536u - 1; // above the budget once two are cached
    cache.use("one", 0);
    cache.use("two", 70000);
    EXPECT_EQ(cache.getEntryCount(), 2);
    cache.use("three", 140000);
    // The oldest went before the load; the new one is in.
    EXPECT_FALSE(cache.isCached("one"));
    EXPECT_TRUE(cache.isCached("two"));
    EXPECT_TRUE(cache.isCached("three"));
    cache.use("two", 140001); // a hit changes nothing but the use
    EXPECT_EQ(cache.getUseCount("two"), 2);
    cache.use("four", 210000);
    EXPECT_FALSE(cache.isCached("three"));
    EXPECT_TRUE(cache.isCached("two"));
    EXPECT_TRUE(cache.isCached("four"));
}

} // namespace
