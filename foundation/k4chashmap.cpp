// K4CHashMap: djb2 hashing, chains headed in the bucket array, growth along a
// table of primes, removal that keeps chain heads in place.
#include "foundation/k4chashmap.h"

#include "foundation/errors.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kBucketSizes[] = {17,   37,   79,   163,   331,   673,
                                     1361, 2729, 5471, 10949, 21911, 43853};

uint32_t nextBucketCount(uint32_t current) {
    for (uint32_t size : kBucketSizes) {
        if (size > current) {
            return size;
        }
    }
    return current * 2 + 1;
}

uint32_t thresholdFor(uint32_t bucketCount, float loadFactor) {
    double threshold = static_cast<double>(bucketCount) * loadFactor;
    return threshold >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(threshold);
}

bool sameKey(const void* stored, int32_t storedLength, const void* key, int32_t keyLength) {
    if (stored == nullptr || key == nullptr) {
        return stored == key;
    }
    return storedLength == keyLength &&
           std::memcmp(stored, key, static_cast<size_t>(keyLength)) == 0;
}

int32_t textLength(const char* key) {
    return key ? static_cast<int32_t>(std::strlen(key)) : 0;
}

} // namespace

K4CHashMap::K4CHashMap() : K4CHashMap(17, 0.75f) {}

K4CHashMap::K4CHashMap(uint32_t bucketCount) : K4CHashMap(bucketCount, 0.75f) {}

K4CHashMap::K4CHashMap(uint32_t bucketCount, float loadFactor)
    : bucketCount_(bucketCount % 2 == 0 ? bucketCount + 1 : bucketCount),
      loadFactor_(loadFactor >= 0.5f ? loadFactor : 0.5f), threshold_(0), count_(0),
      buckets_(nullptr) {
    threshold_ = thresholdFor(bucketCount_, loadFactor_);
    buckets_ = new Entry[bucketCount_]();
}

K4CHashMap::~K4CHashMap() {
    clear();
    delete[] buckets_;
}

uint32_t K4CHashMap::hash(const void* key, int32_t keyLength) {
    if (key == nullptr) {
        return 0;
    }
    const auto* bytes = static_cast<const unsigned char*>(key);
    uint32_t h = 5381;
    for (int32_t i = 0; i < keyLength; ++i) {
        h = h * 33 + bytes[i];
    }
    return h;
}

K4CHashMap::Entry* K4CHashMap::find(const void* key, int32_t keyLength) const {
    Entry* entry = &buckets_[hash(key, keyLength) % bucketCount_];
    if (!entry->used) {
        return nullptr;
    }
    for (; entry != nullptr; entry = entry->next) {
        if (sameKey(entry->key, entry->keyLength, key, keyLength)) {
            return entry;
        }
    }
    return nullptr;
}

// New keys go to the front of their chain: the head moves to a fresh
// overflow entry behind the new one.
void K4CHashMap::insertInto(Entry* buckets, uint32_t bucketCount, const void* key,
                            int32_t keyLength, void* value) {
    Entry* head = &buckets[hash(key, keyLength) % bucketCount];
    if (head->used) {
        head->next = new Entry(*head);
    } else {
        head->next = nullptr;
    }
    head->used = 1;
    head->key = key;
    head->keyLength = keyLength;
    head->value = value;
}

void K4CHashMap::freeChains(Entry* buckets, uint32_t bucketCount) {
    for (uint32_t i = 0; i < bucketCount; ++i) {
        Entry* overflow = buckets[i].next;
        while (overflow != nullptr) {
            Entry* next = overflow->next;
            delete overflow;
            overflow = next;
        }
        buckets[i] = Entry();
    }
}

void K4CHashMap::grow() {
    uint32_t bucketCount = nextBucketCount(bucketCount_);
    std::unique_ptr<Entry[]> buckets(new Entry[bucketCount]());
    try {
        for (uint32_t i = 0; i < bucketCount_; ++i) {
            if (!buckets_[i].used) {
                continue;
            }
            for (Entry* entry = &buckets_[i]; entry != nullptr; entry = entry->next) {
                insertInto(buckets.get(), bucketCount, entry->key, entry->keyLength, entry->value);
            }
        }
    } catch (...) {
        // Out of memory half-way: the map stays as it was.
        freeChains(buckets.get(), bucketCount);
        throw;
    }
    freeChains(buckets_, bucketCount_);
    delete[] buckets_;
    buckets_ = buckets.release();
    bucketCount_ = bucketCount;
    threshold_ = thresholdFor(bucketCount_, loadFactor_);
}

void* K4CHashMap::put(const void* key, int32_t keyLength, void* value) {
    if (keyLength < 0) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    if (Entry* entry = find(key, keyLength)) {
        void* previous = entry->value;
        entry->value = value;
        return previous;
    }
    if (count_ >= threshold_) {
        grow();
    }
    ++count_;
    insertInto(buckets_, bucketCount_, key, keyLength, value);
    return nullptr;
}

void* K4CHashMap::put(const char* key, void* value) {
    return put(key, textLength(key), value);
}

void* K4CHashMap::get(const void* key, int32_t keyLength) const {
    if (keyLength < 0) {
        return nullptr;
    }
    Entry* entry = find(key, keyLength);
    return entry ? entry->value : nullptr;
}

void* K4CHashMap::get(const char* key) const {
    return get(key, textLength(key));
}

void* K4CHashMap::remove(const void* key, int32_t keyLength) {
    if (keyLength < 0) {
        return nullptr;
    }
    Entry* head = &buckets_[hash(key, keyLength) % bucketCount_];
    if (!head->used) {
        return nullptr;
    }
    Entry* previous = nullptr;
    for (Entry* entry = head; entry != nullptr; previous = entry, entry = entry->next) {
        if (!sameKey(entry->key, entry->keyLength, key, keyLength)) {
            continue;
        }
        void* value = entry->value;
        if (previous != nullptr) {
            previous->next = entry->next;
            delete entry;
        } else if (head->next != nullptr) {
            // The head lives in the bucket array: pull its successor into it.
            Entry* successor = head->next;
            *head = *successor;
            delete successor;
        } else {
            *head = Entry();
        }
        --count_;
        return value;
    }
    return nullptr;
}

void* K4CHashMap::remove(const char* key) {
    return remove(key, textLength(key));
}

void K4CHashMap::clear() {
    freeChains(buckets_, bucketCount_);
    count_ = 0;
}
