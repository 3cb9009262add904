// K4CCriticalSection's platform lock: K4CWinCS forwards to k4p::RecursiveLock
// (a CRITICAL_SECTION on Windows).
#include "foundation/k4clock.h"

K4CCriticalSection::~K4CCriticalSection() = default;

K4CWinCS::~K4CWinCS() = default;

void K4CWinCS::enter() {
    lock_.enter();
}

bool K4CWinCS::tryEnter() {
    return lock_.tryEnter();
}

void K4CWinCS::leave() {
    lock_.leave();
}
