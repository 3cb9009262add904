// The logger's lock interface and the platform's recursive lock behind it.
//
// K4CWinCS is the platform critical section (a CRITICAL_SECTION on Windows,
// a recursive mutex in the native build, both through k4p::RecursiveLock).
// The thread that holds it may enter again. Nothing else here.
#pragma once

#include "platform/platform.h"

class K4CCriticalSection {
public:
    virtual ~K4CCriticalSection();
    virtual void enter() = 0;
    // True when the lock was taken.
    virtual bool tryEnter() = 0;
    virtual void leave() = 0;
};

class K4CWinCS : public K4CCriticalSection {
public:
    K4CWinCS() = default;
    ~K4CWinCS() override;
    void enter() override;
    bool tryEnter() override;
    void leave() override;

private:
    k4p::RecursiveLock lock_;
};

// Leaves a lock it holds when the scope ends, also when an error code is
// thrown through it.
class K4CLockGuard {
public:
    explicit K4CLockGuard(K4CCriticalSection* lock) : lock_(lock) { lock_->enter(); }
    ~K4CLockGuard() { lock_->leave(); }
    K4CLockGuard(const K4CLockGuard&) = delete;
    K4CLockGuard& operator=(const K4CLockGuard&) = delete;

private:
    K4CCriticalSection* lock_;
};
