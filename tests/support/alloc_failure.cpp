// The replaced operator new and delete of alloc_failure.h. Memory comes from
// malloc, which the sanitizers watch as well.
#include "tests/support/alloc_failure.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> gCountdown{0};
std::atomic<bool> gFailed{false};
std::atomic<long> gLive{0};

void* allocate(std::size_t size, bool mayFail) {
    if (mayFail && gCountdown.load() > 0 && gCountdown.fetch_sub(1) == 1) {
        gFailed = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size > 0 ? size : 1);
    if (block == nullptr) {
        if (!mayFail) {
            return nullptr;
        }
        throw std::bad_alloc();
    }
    ++gLive;
    return block;
}

void release(void* block) {
    if (block != nullptr) {
        --gLive;
        std::free(block);
    }
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size, true);
}
void* operator new[](std::size_t size) {
    return allocate(size, true);
}
// Callers of the nothrow forms cope with null by design; they are not armed.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, false);
}
void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}

namespace k4test {

void failAllocationAt(long n) {
    gFailed = false;
    gCountdown = n;
}

long liveAllocations() {
    return gLive.load();
}

long failEachAllocation(const std::function<void()>& operation,
                        const std::function<void(long failed)>& intact, const char* expected) {
    // One run first, so that what is made once per process (and kept) is
    // made before the counting starts.
    operation();
    for (long n = 1;; ++n) {
        const long before = liveAllocations();
        const char* code = nullptr;
        bool other = false;
        failAllocationAt(n);
        try {
            operation();
        } catch (const char* thrown) {
            code = thrown;
        } catch (...) {
            other = true;
        }
        const bool failed = gFailed.load();
        failAllocationAt(0);
        const long after = liveAllocations(); // before a failure report allocates
        EXPECT_FALSE(other) << "allocation " << n << ": something else than an error code left";
        EXPECT_EQ(after, before) << "allocation " << n << " failed: memory leaked";
        if (intact) {
            intact(n);
        }
        if (!failed) {
            EXPECT_EQ(code, nullptr) << code;
            return n - 1;
        }
        if (expected != nullptr) {
            EXPECT_STREQ(code, expected) << "allocation " << n;
        } else {
            EXPECT_NE(code, nullptr) << "allocation " << n;
        }
        if (::testing::Test::HasFailure()) {
            return n; // one report is enough
        }
    }
}

} // namespace k4test
