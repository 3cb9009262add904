// Eviction of the texture cache: order, targets and retries, with a cache
// whose loads, clock and memory budget the test controls. Every texture is a
// real 256 x 256 managed texture without mip levels (65 536 pixels).
#include "textures/k4dxtexturecache.h"

#include "foundation/errors.h"
#include "tests/support/checks.h"
#include "tests/support/d3d_device.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr uint32_t kPixels = 65536;

// A path loads unless told to fail its next loads or to be undecodable.
class ScriptedCache : public K4DXTextureCache {
public:
    explicit ScriptedCache(IDirect3DDevice9* device) : K4DXTextureCache(device) {}

    struct File {
        int outOfMemoryLoads = 0; // loads that fail with outOfMemoryResult first
        HRESULT outOfMemoryResult = E_OUTOFMEMORY;
        bool readableHeader = true;
        bool undecodable = false;
    };
    std::map<std::string, File> files;
    uint64_t now = 0;
    uint32_t budget = 0xFFFFFFFFu; // pixels
    int loads = 0;

    using K4DXTextureCache::freeByPixelCount;

    void use(const char* path, uint64_t at) {
        now = at;
        getTexture(path);
    }

protected:
    bool checkMemThreshold() override { return getTotalPixelCount() > budget; }
    uint64_t currentTicks() override { return now; }
    bool loadTextureInfo(const char* path, D3DXIMAGE_INFO* info) override {
        *info = {};
        info->Width = info->Height = 256;
        info->MipLevels = 1;
        return files[path].readableHeader;
    }
    HRESULT loadTexture(const char* path, IDirect3DTexture9** texture) override {
        ++loads;
        File& file = files[path];
        if (file.outOfMemoryLoads > 0) {
            --file.outOfMemoryLoads;
            return file.outOfMemoryResult;
        }
        if (file.undecodable) {
            return D3DXERR_INVALIDDATA;
        }
        return getDevice()->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture,
                                          nullptr);
    }
};

class TextureEviction : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(device_.get(), nullptr) << device_.failure(); }
    k4test::TestDevice device_;
    ScriptedCache cache{device_.get()};
};

// The estimate for the file counts one level more than it has (81 920
// pixels) and rounds up to 131 072: two entries go, the third stays.
TEST_F(TextureEviction, OutOfMemoryFreesTheRoundedEstimateAndRetriesOnce) {
    for (const char* name : {"a", "b", "c"}) {
        cache.use(name, 1000);
    }
    cache.files["new"].outOfMemoryLoads = 1;
    cache.loads = 0;
    cache.now = 2000;
    ASSERT_NE(cache.getTexture("new"), nullptr);
    EXPECT_EQ(cache.loads, 2);
    EXPECT_EQ(cache.getEntryCount(), 2);
    EXPECT_EQ(cache.getTotalPixelCount(), 2 * kPixels);
    EXPECT_TRUE(cache.isCached("new"));
}

TEST_F(TextureEviction, OrderIsAgeWindowThenUseCount) {
    // "old" is in the first 65.536-second window; "busy" and "idle" share the
    // second one, where "idle" is used less although it was used later.
    cache.use("old", 65535);
    cache.use("busy", 65536);
    cache.use("busy", 65600);
    cache.use("busy", 65700);
    cache.use("idle", 131071);
    cache.use("newest", 131072);

    EXPECT_EQ(cache.freeByPixelCount(1), kPixels);
    EXPECT_FALSE(cache.isCached("old"));
    EXPECT_EQ(cache.freeByPixelCount(1), kPixels);
    EXPECT_FALSE(cache.isCached("idle"));
    EXPECT_EQ(cache.getUseCount("busy"), 3);
    EXPECT_EQ(cache.freeByPixelCount(kPixels + 1), 2 * kPixels);
    EXPECT_EQ(cache.getEntryCount(), 0);

    // After 49.7 days of uptime (where a 32-bit tick count wraps) the texture
    // used last is still the newest.
    cache.use("before", 0xFFFF0000u);
    cache.use("after", 0x100002000u);
    EXPECT_EQ(cache.freeByPixelCount(1), kPixels);
    EXPECT_FALSE(cache.isCached("before"));
    EXPECT_TRUE(cache.isCached("after"));
    EXPECT_EQ(cache.freeByPixelCount(1), kPixels);

    // Asked for more than it holds, an eviction empties the cache and stops.
    cache.use("old", 200000);
    cache.use("idle", 200001);
    EXPECT_EQ(cache.freeByPixelCount(10000000), 2 * kPixels);
    EXPECT_EQ(cache.getTotalPixelCount(), 0u);
    EXPECT_EQ(cache.freeByPixelCount(1), 0u);
}

TEST_F(TextureEviction, RetriesOnlyAfterOutOfMemory) {
    cache.use("kept", 10);
    // A decoding failure: no eviction, no retry.
    cache.files["undecodable"].undecodable = true;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("undecodable"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_TRUE(cache.isCached("kept"));

    // Out of video memory with an unreadable header: nothing is evicted and
    // the result stands.
    ScriptedCache::File& headless = cache.files["headless"];
    headless.readableHeader = false;
    headless.outOfMemoryLoads = 5;
    headless.outOfMemoryResult = D3DERR_OUTOFVIDEOMEMORY;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("headless"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 1);
    EXPECT_TRUE(cache.isCached("kept"));

    // Out of memory twice in a row: one eviction, one retry, then the error;
    // nothing is cached for it, and the next request tries again.
    cache.files["stubborn"].outOfMemoryLoads = 2;
    cache.files["stubborn"].outOfMemoryResult = D3DERR_OUTOFVIDEOMEMORY;
    cache.loads = 0;
    EXPECT_THROWS_CODE(cache.getTexture("stubborn"), K4DXERR_RES_LOADERROR);
    EXPECT_EQ(cache.loads, 2);
    EXPECT_FALSE(cache.isCached("stubborn"));
    EXPECT_FALSE(cache.isCached("kept"));
    EXPECT_NE(cache.getTexture("stubborn"), nullptr);
    EXPECT_EQ(cache.getUseCount("stubborn"), 1);
}

TEST_F(TextureEviction, MemoryBudgetEvictsBeforeLoading) {
    cache.budget = 2 * kPixels - 1; // above the budget once two are cached
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
