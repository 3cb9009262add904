// Allocation failures on demand, for tests of running out of memory. A test
// executable that links alloc_failure.cpp has its global operator new and
// delete replaced: the armed allocation throws std::bad_alloc, and the
// allocations still held are counted, so that a leak shows in any build (the
// native-asan build's LeakSanitizer sees them as well).
#pragma once

#include <functional>

namespace k4test {

// Fails the n-th throwing operator new from now on (1: the next); 0 disarms.
void failAllocationAt(long n);
// Allocations through operator new not yet deleted.
long liveAllocations();

// Runs `operation` with its first allocation failing, then its second, and
// so on until a run meets no failure; checks that each failing run ends with
// the code `expected` (any error code when null) and gives back every
// allocation, and calls `intact` (if given) after each run to check what the
// operation left. The operation must free what it makes. Returns the number
// of allocations the operation makes.
long failEachAllocation(const std::function<void()>& operation,
                        const std::function<void(long failed)>& intact = nullptr,
                        const char* expected = "K4CERR_MEM_OUTOFMEMORY");

} // namespace k4test
