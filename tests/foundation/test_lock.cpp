// The recursive lock, as the platform offers it and as K4CCriticalSection
// wraps it: one thread at a time inside, and the holder may enter again.
#include "foundation/k4clock.h"
#include "platform/platform.h"
#include "tests/support/wait.h"

#include <atomic>

namespace {

template <typename Lock> void expectOneThreadInside(Lock& lock) {
    std::atomic<bool> held{false}, release{false}, trying{false}, entered{false};
    k4test::TestThread holder([&] {
        lock.enter();
        lock.enter(); // recursive: the holder gets in again at once
        held = true;
        k4test::waitUntil([&] { return release.load(); });
        lock.leave();
        lock.leave();
    });
    ASSERT_TRUE(k4test::waitUntil([&] { return held.load(); }));
    EXPECT_FALSE(lock.tryEnter()) << "another thread holds it";

    k4test::TestThread contender([&] {
        trying = true;
        lock.enter();
        entered = true;
        lock.leave();
    });
    ASSERT_TRUE(k4test::waitUntil([&] { return trying.load(); }));
    EXPECT_FALSE(entered) << "in while the holder is";
    release = true;
    holder.join();
    contender.join();
    EXPECT_TRUE(entered) << "in once the holder left";
    ASSERT_TRUE(lock.tryEnter());
    EXPECT_TRUE(lock.tryEnter());
    lock.leave();
    lock.leave();
}

} // namespace

TEST(FoundationLock, PlatformLockLetsOneThreadInAndIsRecursive) {
    k4p::RecursiveLock lock;
    expectOneThreadInside(lock);
}

TEST(FoundationLock, CriticalSectionLetsOneThreadInAndIsRecursive) {
    K4CWinCS lock;
    expectOneThreadInside(lock);
}
