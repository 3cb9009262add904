// The allocation seam: a countdown per thread, so that a test fails one
// allocation of its own thread and never one of another thread.
#include "codec/memory.h"

namespace k4codec {

namespace {

thread_local uint64_t tCountdown = 0;
thread_local bool tRefused = false;

} // namespace

bool allocationAllowed() {
    if (tCountdown == 0 || --tCountdown > 0) {
        return true;
    }
    tRefused = true;
    return false;
}

void failAllocationAt(uint64_t n) {
    tCountdown = n;
    tRefused = false;
}

bool allocationRefused() {
    return tRefused;
}

} // namespace k4codec
