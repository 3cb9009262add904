// Start-up: the logger and content registry factories over a fixture
// install, whole runs with a test window ending normally and with
// errors (also when the error line cannot be written), the message loop's
// accelerator lines, and the last words of worker threads.
#include "content/content_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbstartup.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/checks.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/test_log.h"
#include "tools/pakwriter.h"

#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

using k4shelltest::TestAppWindow;

namespace {

std::vector<uint8_t> bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A game install with one archive and one loose file that hides an archived
// one.
std::string makeInstall(const std::string& folder) {
    std::string install = folder + "\\game";
    EXPECT_TRUE(k4p::createFolderTree((install + "\\data\\pak").c_str()));
    EXPECT_TRUE(k4p::createFolderTree((install + "\\data\\textures").c_str()));
    K4QBPakWriter writer(5);
    writer.addFile("data\\textures\\", "brick.dds", bytes("packed brick"));
    writer.addFile("data\\textures\\", "moss.dds", bytes("packed moss"));
    EXPECT_TRUE(writer.writeTo(install + "\\data\\pak\\game.pak"));
    k4test::writeFile(install + "\\data\\textures\\moss.dds", "loose moss");
    return install;
}

std::string todaysLogName() {
    char stamp[16];
    time_t now = time(nullptr);
    strftime(stamp, sizeof stamp, "%Y-%m-%d", localtime(&now));
    return std::string("texview-debug-") + stamp + ".txt";
}

std::string fetch(K4QBContentRegistry* registry, const char* name) {
    K4CString path;
    if (!registry->getContent(&path, name, "data\\textures\\", false)) {
        return "<not found>";
    }
    return k4test::readFile(path.getText());
}

} // namespace

TEST(ShellStartup, DebugLoggerMakesItsFolderAndStartsAtWarning) {
    std::string folder = k4test::testFolder("shell");
    std::unique_ptr<K4CDebugLogger> logger(CreateDebugLogger((folder + "\\").c_str()));
    logger->log(K4C_LOG_INFO, "not written");
    logger->log(K4C_LOG_WARNING, "written");
    std::string text = k4test::readFile(folder + "\\log\\" + todaysLogName());
    EXPECT_EQ(text.find("not written"), std::string::npos) << text;
    EXPECT_NE(text.find("\tWARNING\twritten\r\n"), std::string::npos) << text;
}

TEST(ShellStartup, ContentRegistryPrefersLooseFilesAndExtractsBesideTheProgram) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::seeInstallPath((makeInstall(folder) + "\\").c_str());
    std::unique_ptr<K4QBContentRegistry> registry(
        CreateContentRegistry((folder + "\\").c_str(), nullptr));
    EXPECT_EQ(fetch(registry.get(), "moss.dds"), "loose moss") << "loose hides packed";
    EXPECT_EQ(fetch(registry.get(), "brick.dds"), "packed brick");
    EXPECT_EQ(k4test::readFile(folder + "\\cache\\data\\textures\\brick.dds"), "packed brick")
        << "extracted into the cache beside the program";
}

// One whole run with a test window; the boxes it showed.
static std::vector<k4test::MsgBoxWatcher::Box>
runApplication(const std::string& folder, k4shelltest::TestWindowOptions options, size_t boxes) {
    k4test::MsgBoxWatcher watcher;
    int destroyed = TestAppWindow::destroyedCount;
    EXPECT_EQ(k4qbRunApplication(GetModuleHandleA(nullptr), SW_SHOWNORMAL,
                                 new TestAppWindow(folder, nullptr, options)),
              0);
    EXPECT_EQ(TestAppWindow::destroyedCount, destroyed + 1);
    EXPECT_EQ(watcher.waitForBoxes(boxes), boxes);
    EXPECT_FALSE(K4QBAppWindow::takePendingError());
    return watcher.boxes();
}

// A normal close; an error while starting; a code, and something that is no
// code, thrown while a message is handled: each run ends in order with exit
// code 0, and each error has its ERROR line and a box with the same text.
TEST(ShellStartup, RunsEndInOrderWithExitCodeZero) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::seeInstallPath(makeInstall(folder).c_str());
    std::string logPath = folder + "\\log\\" + todaysLogName();

    k4shelltest::TestWindowOptions options;
    options.closeWhenShown = true;
    EXPECT_TRUE(runApplication(folder, options, 0).empty());
    EXPECT_NE(TestAppWindow::lastContent, nullptr) << "the game's content was opened";
    EXPECT_NE(k4test::readFile(folder + "\\k4-shell-test.ini"), "<missing>");
    EXPECT_EQ(k4test::readFile(logPath), "<missing>") << "nothing at WARNING or above";

    struct Case {
        bool k4shelltest::TestWindowOptions::*option;
        const char* text;
    };
    for (Case c : {Case{&k4shelltest::TestWindowOptions::badPresentation,
                        "Application error K4QBERR_APP_D3DERROR"},
                   Case{&k4shelltest::TestWindowOptions::throwOnApp,
                        "Application error K4QBERR_APP_INITERROR"},
                   Case{&k4shelltest::TestWindowOptions::badAllocOnApp,
                        "Application error K4CERR_MEM_OUTOFMEMORY"}}) {
        options = k4shelltest::TestWindowOptions();
        options.*c.option = true;
        auto boxes = runApplication(folder, options, 1);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_NE(k4test::readFile(logPath).find(std::string("ERROR\t") + c.text),
                  std::string::npos);
    }
}

// A worker's body: whatever it throws stops it with an ERROR line, and
// nothing leaves even when that line cannot be written.
TEST(ShellStartup, WorkerErrorsStopTheWorkerAndAreLoggedWhenPossible) {
    std::string folder = k4test::testFolder("shell");
    k4test::TestLog log(folder + "\\worker.txt", K4C_LOG_WARNING);
    bool finished = false;
    EXPECT_TRUE(k4qbRunWorker(log.get(), "Test::work", [&] { finished = true; }));
    EXPECT_TRUE(finished);
    struct Case {
        std::function<void()> body;
        const char* stoppedBy;
    };
    for (const Case& c : {Case{[] { throw std::bad_alloc(); }, "K4CERR_MEM_OUTOFMEMORY"},
                          Case{[] { throw std::runtime_error("odd"); }, "odd"},
                          Case{[] { throw 42; }, "unknown exception"},
                          Case{[] { throw K4QBERR_APP_D3DERROR; }, "K4QBERR_APP_D3DERROR"}}) {
        EXPECT_FALSE(k4qbRunWorker(log.get(), "Test::work", c.body));
        EXPECT_TRUE(log.has(std::string("ERROR\t(In Test::work) Stopped by ") + c.stoppedBy))
            << c.stoppedBy;
    }
    log.breakFile(true);
    EXPECT_FALSE(k4qbRunWorker(log.get(), "Test::work", [] { throw K4DXERR_RES_LOADERROR; }));
}

TEST(ShellStartup, ErrorBoxStillShowsTheCodeWhenTheLogCannotBeWritten) {
    std::string folder = k4test::testFolder("shell");
    k4shelltest::seeInstallPath(nullptr);
    // A file where the log folder should be: every log line fails.
    k4test::writeFile(folder + "\\log", "not a folder");
    k4shelltest::TestWindowOptions options;
    options.badPresentation = true;
    auto boxes = runApplication(folder, options, 1);
    EXPECT_EQ(TestAppWindow::lastContent, nullptr) << "started without game content";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Application error K4QBERR_APP_D3DERROR");
}

// Keys the accelerator table translates are logged at INFO with the key
// message's number, not the command's.
TEST(ShellStartup, MessageLoopLogsTranslatedAcceleratorKeysAtInfo) {
    HACCEL accelerators =
        LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    std::string folder = k4test::testFolder("shell");
    k4test::TestLog log(folder + "\\loop.txt", K4C_LOG_INFO);
    TestAppWindow window(folder, log.get());
    window.initialize(nullptr, SW_SHOWNORMAL);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    // Ctrl+S, then a key no accelerator has, then the end of the loop.
    PostMessageA(window.getWindow(), WM_KEYDOWN, 'S', 1);
    PostMessageA(window.getWindow(), WM_KEYDOWN, 'Q', 1);
    PostMessageA(window.getWindow(), WM_CLOSE, 0, 0);
    k4qbRunMessageLoop(&window, accelerators, log.get());
    DestroyAcceleratorTable(accelerators);
    std::string text = log.text();
    EXPECT_NE(text.find("INFO\tAccelerator key 256\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Accelerator key", text.find("Accelerator key") + 1), std::string::npos)
        << "only Ctrl+S is an accelerator: " << text;
}
