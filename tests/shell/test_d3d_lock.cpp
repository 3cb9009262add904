// The Direct3D lock and the device reset: nesting on one thread, exclusion
// between threads, the unbalanced exit, and a reset that waits for a bracket
// open on a worker.
#include "foundation/errors.h"
#include "tests/shell/shell_test_support.h"

#include <atomic>
#include <string>
#include <thread>

using k4shelltest::TestAppWindow;

TEST(ShellD3DLock, BracketsNestOnOneThreadAndExcludeOtherThreads) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestLog log(folder + "\\trace.txt");
    TestAppWindow window(folder, log.get());
    EXPECT_EQ(window.beginD3DUse(), nullptr) << "no device yet";
    EXPECT_EQ(window.getD3DLockDepth(), 0);
    window.initialize(nullptr, SW_SHOWNORMAL);
    IDirect3DDevice9* device = window.getD3DDevice();
    ASSERT_NE(device, nullptr);

    EXPECT_EQ(window.beginD3DUse(), device);
    EXPECT_EQ(window.beginD3DUse(), device) << "recursive on one thread";
    EXPECT_EQ(window.getD3DLockDepth(), 2);

    // Another thread waits until both brackets are closed.
    std::atomic<bool> otherEntered(false);
    std::atomic<bool> mainReleased(false);
    std::atomic<bool> orderKept(false);
    std::thread other([&] {
        IDirect3DDevice9* got = window.beginD3DUse();
        orderKept = mainReleased.load();
        otherEntered = true;
        if (got != nullptr) {
            window.endD3DUse();
        }
    });
    Sleep(200);
    EXPECT_FALSE(otherEntered.load());
    window.endD3DUse();
    EXPECT_EQ(window.getD3DLockDepth(), 1);
    Sleep(100);
    EXPECT_FALSE(otherEntered.load()) << "still held once";
    mainReleased = true;
    window.endD3DUse();
    other.join();
    EXPECT_TRUE(otherEntered.load());
    EXPECT_TRUE(orderKept.load());
    EXPECT_EQ(window.getD3DLockDepth(), 0);

    // One exit too many is reported and leaves the lock usable.
    window.endD3DUse();
    EXPECT_EQ(window.getD3DLockDepth(), -1);
    EXPECT_TRUE(log.has("ERROR\t(In K4QBAppWindow::endD3DUse) Left the Direct3D critical section "
                        "too many times!"));
    std::thread later([&] {
        if (window.beginD3DUse() != nullptr) {
            window.endD3DUse();
        }
    });
    later.join();
    EXPECT_TRUE(log.has("Return "));
    EXPECT_TRUE(log.has(" from K4QBAppWindow::beginD3DUse = "));
}

TEST(ShellD3DLock, ResetWaitsForOpenBracketsAndRestartsTheDevice) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestLog log(folder + "\\trace.txt");
    TestAppWindow window(folder, log.get());
    window.initialize(nullptr, SW_SHOWNORMAL);
    ASSERT_NE(window.getD3DDevice(), nullptr);
    EXPECT_EQ(window.gathers, 1);
    EXPECT_EQ(window.starts, 1);

    // A worker holds a bracket; the reset must not free anything before the
    // worker has closed it.
    std::atomic<bool> workerInside(false);
    std::atomic<bool> workerDone(false);
    std::atomic<bool> freedWhileOpen(false);
    window.onFree = [&] { freedWhileOpen = freedWhileOpen || !workerDone.load(); };
    std::thread worker([&] {
        IDirect3DDevice9* device = window.beginD3DUse();
        workerInside = true;
        Sleep(300);
        workerDone = true;
        if (device != nullptr) {
            window.endD3DUse();
        }
    });
    while (!workerInside.load()) {
        Sleep(5);
    }
    HRESULT result = window.resetD3DDevice();
    worker.join();
    EXPECT_EQ(result, D3D_OK);
    EXPECT_FALSE(freedWhileOpen.load());
    EXPECT_EQ(window.frees, 1);
    EXPECT_EQ(window.gathers, 2);
    EXPECT_EQ(window.starts, 2);
    EXPECT_FALSE(window.isD3DDeviceLost());
    EXPECT_EQ(window.getD3DLockDepth(), 0);

    // After the reset the device works again: a bracket opens and the device
    // reports itself usable to the poll.
    IDirect3DDevice9* device = window.beginD3DUse();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    window.endD3DUse();
    window.pollD3DDevice();
    EXPECT_FALSE(window.isD3DDeviceLost());
    EXPECT_EQ(window.frees, 1) << "a working device is left alone";
    EXPECT_TRUE(log.has("Return 0 from K4QBAppWindow::resetD3DDevice = "));
}

TEST(ShellD3DLock, DeviceThatCannotBeCreatedRaisesD3DError) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::TestLog log(folder + "\\trace.txt");
    k4shelltest::TestWindowOptions options;
    options.badPresentation = true;
    TestAppWindow window(folder, log.get(), options);
    EXPECT_STREQ(k4shelltest::thrownBy([&] { window.initialize(nullptr, SW_SHOWNORMAL); }),
                 "K4QBERR_APP_D3DERROR");
    EXPECT_EQ(window.getD3DDevice(), nullptr);

    EXPECT_EQ(window.beginD3DUse(), nullptr);
    EXPECT_TRUE(log.has("Throw K4QBERR_APP_D3DERROR from K4QBAppWindow::initD3DDevice = "));
}
