// K4CPtrArray and K4CHashMap: checked access, growth, chains and removal.
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4cptrarray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void* tag(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

template <typename F> void expectOutOfBounds(F operation) {
    try {
        operation();
        ADD_FAILURE() << "no error code thrown";
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CEXC_INDEXOUTOFBOUNDS)) << code;
    }
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

TEST(FoundationPtrArray, AddGrowsAndKeepsOrder) {
    K4CPtrArray array;
    EXPECT_EQ(array.getCapacity(), 16);
    for (intptr_t i = 1; i <= 1000; ++i) {
        array.add(tag(i));
    }
    EXPECT_EQ(array.getCount(), 1000);
    EXPECT_GE(array.getCapacity(), 1000);
    for (int32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(array.get(i), tag(i + 1));
    }
    array.reserve(5000);
    EXPECT_EQ(array.getCapacity(), 5000);
    EXPECT_EQ(array.get(999), tag(1000));
}

TEST(FoundationPtrArray, RemoveAtMovesLaterItemsDown) {
    K4CPtrArray array;
    for (intptr_t i = 1; i <= 5; ++i) {
        array.add(tag(i));
    }
    EXPECT_EQ(array.removeAt(1), tag(2));
    EXPECT_EQ(array.removeAt(3), tag(5)); // the last one
    ASSERT_EQ(array.getCount(), 3);
    EXPECT_EQ(array.get(0), tag(1));
    EXPECT_EQ(array.get(1), tag(3));
    EXPECT_EQ(array.get(2), tag(4));
    array.add(nullptr); // null items are allowed
    EXPECT_EQ(array.get(3), nullptr);
}

TEST(FoundationPtrArray, BadIndexesThrowAndChangeNothing) {
    K4CPtrArray array;
    expectOutOfBounds([&] { array.get(0); });
    array.add(tag(7));
    expectOutOfBounds([&] { array.get(1); });
    expectOutOfBounds([&] { array.get(-1); });
    expectOutOfBounds([&] { array.removeAt(1); });
    expectOutOfBounds([&] { array.removeAt(-1); });
    EXPECT_EQ(array.getCount(), 1);
    EXPECT_EQ(array.get(0), tag(7));
}

TEST(FoundationHashMap, ConstructionNormalisesSizeAndLoadFactor) {
    K4CHashMap plain;
    EXPECT_EQ(plain.getBucketCount(), 17u);
    EXPECT_EQ(plain.getThreshold(), 12u);
    EXPECT_EQ(K4CHashMap(16).getBucketCount(), 17u);
    EXPECT_EQ(K4CHashMap(0).getBucketCount(), 1u);
    K4CHashMap low(17, 0.25f);
    EXPECT_FLOAT_EQ(low.getLoadFactor(), 0.5f);
    EXPECT_EQ(low.getThreshold(), 8u);
}

TEST(FoundationHashMap, HashIsDjb2) {
    EXPECT_EQ(K4CHashMap::hash("", 0), 5381u);
    EXPECT_EQ(K4CHashMap::hash("a", 1), 177670u);
    EXPECT_EQ(K4CHashMap::hash(nullptr, 5), 0u);
    // Bytes count as unsigned, and the value wraps at 32 bits.
    EXPECT_EQ(K4CHashMap::hash("\xFF", 1), 5381u * 33u + 255u);
    EXPECT_EQ(K4CHashMap::hash("abcdefgh", 8), 0x66a99fa9u); // wrapped
}

TEST(FoundationHashMap, GrowsAtTheThresholdAlongTheTable) {
    K4CHashMap map;
    std::vector<std::string> keys;
    for (int i = 0; i < 10000; ++i) {
        keys.push_back("key" + std::to_string(i));
    }
    std::vector<uint32_t> sizesAfter(keys.size() + 1);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(map.put(keys[i].c_str(), tag(static_cast<intptr_t>(i) + 1)), nullptr);
        sizesAfter[i + 1] = map.getBucketCount();
    }
    EXPECT_EQ(sizesAfter[12], 17u);
    EXPECT_EQ(sizesAfter[13], 37u);
    EXPECT_EQ(sizesAfter[27], 37u);
    EXPECT_EQ(sizesAfter[28], 79u);
    EXPECT_EQ(map.getBucketCount(), 21911u);
    EXPECT_EQ(map.getCount(), 10000u);
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(map.get(keys[i].c_str()), tag(static_cast<intptr_t>(i) + 1)) << keys[i];
    }
}

TEST(FoundationHashMap, ReplacingKeepsTheFirstKeyPointer) {
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
}

TEST(FoundationHashMap, BinaryKeysAndNullKeys) {
    K4CHashMap map;
    const void* handles[] = {tag(0x10), tag(0x20)};
    map.put(&handles[0], sizeof handles[0], tag(1));
    map.put(&handles[1], sizeof handles[1], tag(2));
    const void* probe = tag(0x20);
    EXPECT_EQ(map.get(&probe, sizeof probe), tag(2));
    EXPECT_EQ(map.get(&probe, 4), nullptr); // same bytes, other length

    map.put(nullptr, 0, tag(3));
    EXPECT_EQ(map.get(nullptr, 0), tag(3));
    EXPECT_EQ(map.get("", 0), nullptr); // an empty key is not the null key
    EXPECT_EQ(map.remove(nullptr, 0), tag(3));
    EXPECT_EQ(map.getCount(), 2u);
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
        EXPECT_EQ(map.getCount(), 4u);
        EXPECT_EQ(map.remove(keys[victim].c_str()), nullptr);
        for (size_t i = 0; i < keys.size(); ++i) {
            void* expected =
                static_cast<int>(i) == victim ? nullptr : tag(static_cast<intptr_t>(i) + 1);
            EXPECT_EQ(map.get(keys[i].c_str()), expected) << victim << " " << i;
        }
        map.put(keys[victim].c_str(), tag(99));
        EXPECT_EQ(map.get(keys[victim].c_str()), tag(99));
    }
}

TEST(FoundationHashMap, EmptyingABucketAndClearing) {
    K4CHashMap map;
    std::vector<std::string> keys = collidingKeys(map.getBucketCount(), 3);
    for (const std::string& key : keys) {
        map.put(key.c_str(), tag(5));
    }
    for (const std::string& key : keys) {
        EXPECT_EQ(map.remove(key.c_str()), tag(5));
    }
    EXPECT_EQ(map.getCount(), 0u);
    EXPECT_EQ(map.remove(keys[0].c_str()), nullptr);
    EXPECT_EQ(map.get(keys[1].c_str()), nullptr);

    for (const std::string& key : keys) {
        map.put(key.c_str(), tag(6));
    }
    map.put("other", tag(7));
    map.clear();
    EXPECT_EQ(map.getCount(), 0u);
    EXPECT_EQ(map.get("other"), nullptr);
    EXPECT_EQ(map.get(keys[2].c_str()), nullptr);
    map.put("again", tag(8));
    EXPECT_EQ(map.get("again"), tag(8));
}
