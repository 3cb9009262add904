// The Direct3D lock and the device reset: nesting on one thread, exclusion
// between threads, the unbalanced exit, and a reset that waits for a bracket
// open on a worker. (A device that cannot be made: the start-up tests.)
#include "tests/shell/shell_test_support.h"
#include "tests/support/test_log.h"
#include "tests/support/wait.h"

#include <atomic>
#include <string>

using k4shelltest::TestAppWindow;

TEST(ShellD3DLock, BracketsNestOnOneThreadAndExcludeOtherThreads) {
    std::string folder = k4test::testFolder("shell");
    k4test::TestLog log(folder + "\\trace.txt", K4C_LOG_WARNING);
    TestAppWindow window(folder, log.get());
    EXPECT_EQ(window.beginD3DUse(), nullptr) << "no device yet";
    window.initialize(nullptr, SW_SHOWNORMAL);
    IDirect3DDevice9* device = window.getD3DDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(window.beginD3DUse(), device);
    EXPECT_EQ(window.beginD3DUse(), device) << "recursive on one thread";
    EXPECT_EQ(window.getD3DLockDepth(), 2);

    // Another thread gets in only after both brackets are closed; they close
    // once its attempt has begun (its first trace line).
    std::atomic<bool> mainReleased(false);
    std::atomic<bool> orderKept(false);
    {
        log.get()->setLevel(K4C_LOG_TRACE);
        k4test::TestThread other([&] {
            K4QBD3DUse use(&window);
            orderKept = use.device() != nullptr && mainReleased.load();
        });
        EXPECT_TRUE(k4test::waitUntil([&] { return log.has("Enter K4QBAppWindow::beginD3DUse"); }));
        log.get()->setLevel(K4C_LOG_WARNING);
        window.endD3DUse();
        EXPECT_EQ(window.getD3DLockDepth(), 1);
        mainReleased = true;
        window.endD3DUse();
    }
    EXPECT_TRUE(orderKept.load());
    EXPECT_EQ(window.getD3DLockDepth(), 0);

    // One exit too many is reported and leaves the lock usable.
    window.endD3DUse();
    EXPECT_EQ(window.getD3DLockDepth(), -1);
    EXPECT_TRUE(log.has("ERROR\t(In K4QBAppWindow::endD3DUse) Left the Direct3D critical section "
                        "too many times!"));
    k4test::TestThread later([&] { K4QBD3DUse use(&window); });
}

TEST(ShellD3DLock, ResetWaitsForOpenBracketsAndRestartsTheDevice) {
    std::string folder = k4test::testFolder("shell");
    k4test::TestLog log(folder + "\\reset.txt", K4C_LOG_WARNING);
    TestAppWindow window(folder, log.get());
    window.initialize(nullptr, SW_SHOWNORMAL);
    ASSERT_NE(window.getD3DDevice(), nullptr);
    EXPECT_EQ(window.gathers, 1);

    // A worker holds a bracket; the reset frees nothing before it is closed.
    std::atomic<bool> workerInside(false);
    std::atomic<bool> release(false);
    std::atomic<bool> freedWhileOpen(false);
    window.onFree = [&] { freedWhileOpen = freedWhileOpen || !release.load(); };
    k4test::TestThread worker([&] {
        K4QBD3DUse use(&window);
        workerInside = true;
        k4test::waitUntil([&] { return release.load(); });
    });
    ASSERT_TRUE(k4test::waitUntil([&] { return workerInside.load(); }));
    // Released once the reset has begun.
    log.get()->setLevel(K4C_LOG_TRACE);
    k4test::TestThread releaser([&] {
        k4test::waitUntil([&] { return log.has("Enter K4QBAppWindow::resetD3DDevice"); });
        release = true;
    });
    EXPECT_EQ(window.resetD3DDevice(), D3D_OK);
    log.get()->setLevel(K4C_LOG_WARNING);
    worker.join();
    EXPECT_FALSE(freedWhileOpen.load());
    EXPECT_EQ(window.frees, 1);
    EXPECT_EQ(window.gathers, 2);
    EXPECT_EQ(window.starts, 2);
    EXPECT_FALSE(window.isD3DDeviceLost());

    // The device works again, and a poll leaves a working device alone.
    K4QBD3DUse use(&window);
    ASSERT_NE(use.device(), nullptr);
    EXPECT_EQ(use.device()->TestCooperativeLevel(), D3D_OK);
    window.pollD3DDevice();
    EXPECT_EQ(window.frees, 1);
}
