// The recursive lock, as the platform offers it and as K4CCriticalSection
// wraps it: one thread at a time inside, and the holder may enter again.
#include "foundation/k4clock.h"
#include "platform/platform.h"
#include "tests/support/test_thread.h"

#include <atomic>
#include <future>
#include <memory>
#include <vector>

namespace {

template <typename Lock> void expectOneThreadInside(Lock& lock) {
    std::promise<void> held;
    std::promise<void> release;
    std::future<void> releaseSignal = release.get_future();
    std::atomic<bool> released{false};
    k4test::TestThread holder([&] {
        lock.enter();
        lock.enter(); // recursive: the holder gets in again at once
        held.set_value();
        released = releaseSignal.wait_for(k4test::kDeadline) == std::future_status::ready;
        lock.leave();
        lock.leave();
    });
    std::future<void> heldSignal = held.get_future();
    ASSERT_TRUE(k4test::readyInTime(heldSignal));
    EXPECT_FALSE(lock.tryEnter()) << "another thread holds it";

    std::promise<void> trying;
    std::atomic<bool> entered{false};
    k4test::TestThread contender([&] {
        trying.set_value();
        lock.enter();
        entered = true;
        lock.leave();
    });
    std::future<void> tryingSignal = trying.get_future();
    ASSERT_TRUE(k4test::readyInTime(tryingSignal));
    EXPECT_FALSE(entered) << "in while the holder is";
    release.set_value();
    holder.join();
    contender.join();
    EXPECT_TRUE(released);
    EXPECT_TRUE(entered) << "in once the holder left";
    ASSERT_TRUE(lock.tryEnter());
    EXPECT_TRUE(lock.tryEnter());
    lock.leave();
    lock.leave();

    // Threads entering twice each and counting without atomics lose no step.
    constexpr int kThreads = 4;
    constexpr int kSteps = 20000;
    long counter = 0;
    std::promise<void> start;
    std::shared_future<void> go = start.get_future().share();
    {
        std::vector<std::unique_ptr<k4test::TestThread>> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.push_back(std::make_unique<k4test::TestThread>([&] {
                go.wait_for(k4test::kDeadline); // all at once
                for (int i = 0; i < kSteps; ++i) {
                    lock.enter();
                    lock.enter();
                    counter = counter + 1;
                    lock.leave();
                    lock.leave();
                }
            }));
        }
        start.set_value();
    }
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kSteps);
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
