// Allocation in the codec library. Every buffer the readers, converters,
// scaler, mip builder and DDS writer allocate is sized through these calls,
// and libpng and libjpeg get their memory through allocationAllowed, so that
// running out of memory has one path (kOutOfMemory, nothing the caller owns
// changed) and tests can make each allocation fail in turn.
#pragma once

#include "codec/status.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace k4codec {

// One allocation point: false when the test seam below refuses it.
bool allocationAllowed();

// Makes the n-th allocation point reached on this thread from now on fail
// (1: the next one); 0 lets every one pass. For tests only.
void failAllocationAt(uint64_t n);
// Whether the allocation armed by failAllocationAt was refused.
bool allocationRefused();

// Resizes `v` to `count` elements: kOk, or kOutOfMemory with `v` unchanged.
template <typename T> HResult resizeBuffer(std::vector<T>* v, size_t count) {
    if (count > v->capacity() && !allocationAllowed()) {
        return kOutOfMemory;
    }
    try {
        v->resize(count);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kOk;
}

// Room for `count` elements, so that adding up to that many allocates nothing.
template <typename T> HResult reserveBuffer(std::vector<T>* v, size_t count) {
    if (count > v->capacity() && !allocationAllowed()) {
        return kOutOfMemory;
    }
    try {
        v->reserve(count);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kOk;
}

// `dst` becomes a copy of `src`.
template <typename T> HResult copyBuffer(const std::vector<T>& src, std::vector<T>* dst) {
    const HResult result = resizeBuffer(dst, src.size());
    if (result == kOk) {
        std::copy(src.begin(), src.end(), dst->begin());
    }
    return result;
}

} // namespace k4codec
