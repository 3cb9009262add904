// Spreading the codec's independent pieces of work (rows of DXT blocks, bands
// of a mip level) over the cores. The pieces write disjoint outputs, so the
// result is the same bytes whatever the thread count.
//
// Threads: parallelFor starts its helpers for the one call and joins them
// before it returns; the calling thread works too. A call made from inside
// a helper runs on that helper alone, so nested work never multiplies the
// threads. Helpers that cannot be started (no memory, no threads left) are
// simply not used.
#pragma once

#include <cstddef>
#include <functional>

namespace k4codec {

// Threads one parallelFor may use, the caller included; 0 (the default)
// means one per core. A program that runs several conversions at once (qbtex
// convert --jobs) divides the cores among them here.
void setCodecThreads(unsigned count);
unsigned codecThreads();

// Calls body(begin, end) over [0, count) in pieces of `grain` items (the
// last one shorter), on up to codecThreads() threads, and returns when all
// are done. `body` must not throw.
void parallelFor(size_t count, size_t grain, const std::function<void(size_t, size_t)>& body);

} // namespace k4codec
