// allocateLarge and freeLarge: small blocks from the heap, large ones as
// pages from the system (platform_posix.cpp, platform_win32.cpp).
#include "platform/platform.h"
#include "platform/platform_internal.h"

#include <cstring>
#include <new>

namespace k4p {

namespace {
// Below this the heap serves as well as the system and wastes no page.
constexpr size_t kLargeBlock = size_t{1} << 20;
} // namespace

void* allocateLarge(size_t bytes) {
    if (bytes < kLargeBlock) {
        void* block = ::operator new(bytes > 0 ? bytes : 1);
        std::memset(block, 0, bytes);
        return block;
    }
    void* block = detail::mapLarge(bytes);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void freeLarge(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
    if (bytes < kLargeBlock) {
        ::operator delete(block);
    } else {
        detail::unmapLarge(block, bytes);
    }
}

} // namespace k4p
