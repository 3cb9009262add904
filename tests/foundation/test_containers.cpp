// K4CPtrArray and K4CHashMap: checked access, growth, chains and removal
// (a map's growth keeps every key: the out-of-memory test's 200 keys).
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4cptrarray.h"
#include "tests/support/checks.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

void* tag(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

// Keys "k0", "k1", ... that fall into one bucket of a map of this size.
std::vector<std::string> collidingKeys(uint32_t bucketCount, size_t wanted) {
    std::vector<std::string> keys;
    uint32_t bucket = K4CHashMap::hash("k0", 2) % bucketCount;
    for (int i = 0; keys.size() < wanted; ++i) {
        std::string key = "k" + std::to_string(i);
        if (K4CHashMap::hash(key.data(), static_cast<int32_t>(key.size())) % bucketCount ==
            bucket) {
            keys.push_back(key);
        }
    }
    return keys;
}

} // namespace

TEST(FoundationPtrArray, GrowsKeepsOrderAndChecksIndexes) {
    K4CPtrArray array;
    EXPECT_THROWS_CODE(array.get(0), K4CEXC_INDEXOUTOFBOUNDS);
    for (intptr_t i = 1; i <= 1000; ++i) {
        array.add(tag(i));
    }
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(array.get(i), tag(i + 1));
    }
    EXPECT_EQ(array.removeAt(1), tag(2));
    EXPECT_EQ(array.removeAt(998), tag(1000)); // the last one
    EXPECT_EQ(array.get(1), tag(3));
    for (int32_t bad : {998, -1}) {
        EXPECT_THROWS_CODE(array.get(bad), K4CEXC_INDEXOUTOFBOUNDS) << bad;
        EXPECT_THROWS_CODE(array.removeAt(bad), K4CEXC_INDEXOUTOFBOUNDS) << bad;
    }
    EXPECT_EQ(array.getCount(), 998);
}

TEST(FoundationHashMap, KeepsTheCallersKeysAndTellsNullFromEmpty) {
    K4CHashMap map;
    char first[] = "name";
    char second[] = "name";
    EXPECT_EQ(map.put(first, tag(1)), nullptr);
    EXPECT_EQ(map.put(second, tag(2)), tag(1));
    EXPECT_EQ(map.getCount(), 1u);
    // The map holds `first`, not a copy and not `second`.
    std::memcpy(second, "xxxx", 4);
    EXPECT_EQ(map.get("name"), tag(2));
    std::memcpy(first, "nbme", 4);
    EXPECT_EQ(map.get("name"), nullptr);

    const void* handle = tag(0x20);
    map.put(&handle, sizeof handle, tag(3));
    const void* probe = tag(0x20);
    EXPECT_EQ(map.get(&probe, sizeof probe), tag(3));
    EXPECT_EQ(map.get(&probe, 4), nullptr); // same bytes, other length
    map.put(nullptr, 0, tag(4));
    EXPECT_EQ(map.get("", 0), nullptr); // an empty key is not the null key
    EXPECT_EQ(map.remove(nullptr, 0), tag(4));
    EXPECT_THROWS_CODE(map.put("x", -1, tag(5)), K4CERR_STR_ILLEGALARGUMENT);
}

TEST(FoundationHashMap, RemovingAnywhereInAChainKeepsTheRest) {
    // Inserted 0..4; new keys stand at the front, so 4 is the head.
    for (int victim = 0; victim < 5; ++victim) {
        K4CHashMap map;
        std::vector<std::string> keys = collidingKeys(map.getBucketCount(), 5);
        for (size_t i = 0; i < keys.size(); ++i) {
            map.put(keys[i].c_str(), tag(static_cast<intptr_t>(i) + 1));
        }
        EXPECT_EQ(map.remove(keys[victim].c_str()), tag(victim + 1)) << victim;
        EXPECT_EQ(map.remove(keys[victim].c_str()), nullptr);
        EXPECT_EQ(map.getCount(), 4u);
        for (size_t i = 0; i < keys.size(); ++i) {
            void* expected =
                static_cast<int>(i) == victim ? nullptr : tag(static_cast<intptr_t>(i) + 1);
            EXPECT_EQ(map.get(keys[i].c_str()), expected) << victim << " " << i;
        }
        map.clear();
        EXPECT_EQ(map.getCount(), 0u);
        EXPECT_EQ(map.get(keys[0].c_str()), nullptr);
        map.put(keys[victim].c_str(), tag(99));
        EXPECT_EQ(map.get(keys[victim].c_str()), tag(99));
    }
}
