// K4CHashMap: a chained hash map from byte-string keys to untyped pointers.
//
// Keys are hashed with djb2. The map stores the caller's key pointer and never
// copies the key bytes: the key must stay alive and unchanged while it is in
// the map. Values are not owned. Null stands both for a missing key and for a
// stored null value, so users store only non-null values. No locking.
#pragma once

#include <cstdint>

class K4CHashMap {
public:
    K4CHashMap(); // 17 buckets, load factor 0.75
    explicit K4CHashMap(uint32_t bucketCount);
    // An even bucket count is made odd by adding 1; a load factor below 0.5
    // is raised to 0.5.
    K4CHashMap(uint32_t bucketCount, float loadFactor);
    ~K4CHashMap();
    K4CHashMap(const K4CHashMap&) = delete;
    K4CHashMap& operator=(const K4CHashMap&) = delete;

    // Stores the value. For a key already present, replaces its value (the
    // first key pointer stays) and returns the previous value; else returns
    // null. A negative key length throws "K4CERR_STR_ILLEGALARGUMENT".
    void* put(const void* key, int32_t keyLength, void* value);
    void* put(const char* key, void* value); // key length from strlen
    void* get(const void* key, int32_t keyLength) const;
    void* get(const char* key) const;
    // Removes the key and returns its value, or null when absent.
    void* remove(const void* key, int32_t keyLength);
    void* remove(const char* key);
    void clear();

    uint32_t getCount() const { return count_; }
    uint32_t getBucketCount() const { return bucketCount_; }
    uint32_t getThreshold() const { return threshold_; }
    float getLoadFactor() const { return loadFactor_; }

    // djb2 over the key bytes; a null key hashes to 0.
    static uint32_t hash(const void* key, int32_t keyLength);

private:
    struct Entry {
        uint8_t used;
        const void* key;
        int32_t keyLength;
        void* value;
        Entry* next; // owned overflow entry
    };

    Entry* find(const void* key, int32_t keyLength) const;
    static void insertInto(Entry* buckets, uint32_t bucketCount, const void* key, int32_t keyLength,
                           void* value);
    static void freeChains(Entry* buckets, uint32_t bucketCount);
    void grow();

    uint32_t bucketCount_;
    float loadFactor_;
    uint32_t threshold_;
    uint32_t count_;
    Entry* buckets_;
};
