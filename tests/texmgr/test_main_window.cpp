// The real main window built in-process over a fixture install and driven
// with messages: layout bounds, modes and their check marks, debug levels,
// geometry in the settings file, minimum size, About box and accelerators.
#include "foundation/errors.h"
#include "foundation/k4clogfilename.h"
#include "foundation/k4clogger.h"
#include "resources/resource_ids.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/test_log.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrimagepanel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace texmgrtest;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = k4test::testFolder("texmgr");
        content_.addSource(
            K4QBGameDataFolder::CreateFromPath(writeFixtureInstall(folder_).c_str()));
    }
    // Builds and shows the window over the fixture content.
    std::unique_ptr<TestWindow> open(K4CDebugLogger* logger = nullptr) {
        auto window = std::make_unique<TestWindow>(folder_, logger);
        window->initialize(&content_, SW_SHOWNORMAL);
        pump();
        return window;
    }
    std::string folder_;
    K4QBContentRegistry content_;
};

TEST_F(MainWindow, NamesControlsAndLayoutBounds) {
    auto window = open();
    HWND main = window->getWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windowText(main), "Dunmore's Quellbury Texture Manager");
    char className[64] = {0};
    GetClassNameA(main, className, sizeof className);
    EXPECT_STREQ(className, "K4QBTexMgrWindow");
    EXPECT_EQ(windowText(window->getConvertButton()), "Convert To DDS");
    EXPECT_EQ(windowText(window->getAttachButton()), "Attach As Layer");
    EXPECT_EQ(GetDlgCtrlID(window->getConvertButton()), 1041);
    EXPECT_EQ(GetDlgCtrlID(window->getAttachButton()), 1042);
    EXPECT_NE(window->getTextureCache(), nullptr);
    // The placeholder list shows the fixture's images (the data folder's
    // listing is not filtered by content, so the broken file is there too).
    EXPECT_EQ(window->getSearchFileList()->getEntryCount(), 5);
    EXPECT_EQ(SendMessageA(window->getSearchFileList()->getWindow(), LB_GETCOUNT, 0, 0), 5);
    EXPECT_STREQ(window->getSearchFileList()->getEntryFileName(0), "blue.png");
    HWND list = window->getSearchFileList()->getWindow();
    EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 4, 0), 4);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 17);

    struct Case {
        int width, height, fsRight;
    };
    for (Case c : {Case{400, 300, 216}, Case{1000, 700, 300}, Case{500, 400, 242},
                   Case{615, 500, 300}, Case{612, 500, 298}}) {
        setClientSize(main, c.width, c.height);
        pump();
        RECT client;
        GetClientRect(main, &client);
        ASSERT_EQ(client.right, c.width);
        ASSERT_EQ(client.bottom, c.height);
        EXPECT_EQ(window->getFSRightBound(), c.fsRight) << c.width;
        EXPECT_EQ(window->getFSBottomBound(), c.height - 29);
        EXPECT_EQ(window->getImagePanelRightBound(), c.width - 1);
        EXPECT_EQ(window->getImagePanelBottomBound(), c.height - 1);
        // Buttons below the column, the image panel right of it.
        RECT button;
        GetWindowRect(window->getAttachButton(), &button);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ(button.left, (c.fsRight >> 1) + 4);
        EXPECT_EQ(button.top, c.height - 29);
        EXPECT_EQ(button.right - button.left, (c.fsRight >> 1) - 8);
        RECT panel;
        GetWindowRect(window->getImagePanel()->getPanelWindow(), &panel);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&panel), 2);
        EXPECT_EQ(panel.left, c.fsRight + 8);
        EXPECT_EQ(panel.top, 20);
        EXPECT_EQ(panel.right, c.width - 1 - 8);
        EXPECT_EQ(panel.bottom, 20 + c.height - 1 - 32);
    }

    // A resize that keeps the column's width and height leaves the buttons.
    setClientSize(main, 800, 600);
    pump();
    MoveWindow(window->getConvertButton(), 1, 2, 30, 20, FALSE); // marks the position
    setClientSize(main, 900, 600);
    pump();
    RECT button;
    GetWindowRect(window->getConvertButton(), &button);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, 1);
    EXPECT_EQ(button.top, 2);
    setClientSize(main, 900, 500);
    pump();
    GetWindowRect(window->getConvertButton(), &button);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, 4);
    EXPECT_EQ(button.top, 500 - 29);

    // A minimised window changes nothing.
    int32_t before = window->getFSBottomBound();
    EXPECT_EQ(SendMessageA(main, WM_SIZE, SIZE_MINIMIZED, 0), 0);
    EXPECT_EQ(window->getFSBottomBound(), before);
}

TEST_F(MainWindow, ModesMenuChecksAndAccelerators) {
    auto window = open();
    HWND main = window->getWindow();
    HMENU menu = window->getMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(window->getMode(), K4QB_MODE_FIND);
    EXPECT_TRUE(menuChecked(menu, 221));
    EXPECT_FALSE(menuChecked(menu, 222));
    EXPECT_TRUE(IsWindowVisible(window->getConvertButton()));

    HACCEL accelerators =
        LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    ASSERT_TRUE(pressAccelerator(main, accelerators, 'M', false, true));
    pump();
    EXPECT_EQ(window->getMode(), K4QB_MODE_LAYERED);
    EXPECT_FALSE(menuChecked(menu, 221));
    EXPECT_TRUE(menuChecked(menu, 222));
    EXPECT_FALSE(IsWindowVisible(window->getConvertButton()));
    EXPECT_FALSE(IsWindowVisible(window->getAttachButton()));
    EXPECT_FALSE(IsWindowVisible(window->getSearchFileList()->getWindow()));
    ASSERT_TRUE(pressAccelerator(main, accelerators, 'M', false, true));
    pump();
    EXPECT_EQ(window->getMode(), K4QB_MODE_FIND);
    EXPECT_TRUE(menuChecked(menu, 221));
    EXPECT_FALSE(menuChecked(menu, 222));
    EXPECT_TRUE(IsWindowVisible(window->getConvertButton()));

    // Ctrl+N (New Texture) switches to the layered view.
    EXPECT_TRUE(pressAccelerator(main, accelerators, 'N', true, false));
    pump();
    EXPECT_EQ(window->getMode(), K4QB_MODE_LAYERED);
    EXPECT_TRUE(menuChecked(menu, 222));

    // The menu items and buttons themselves.
    EXPECT_EQ(command(window.get(), 221), 0);
    EXPECT_EQ(window->getMode(), K4QB_MODE_FIND);
    command(window.get(), 1042);
    EXPECT_EQ(window->getMode(), K4QB_MODE_LAYERED);
    command(window.get(), 202);
    EXPECT_EQ(window->getMode(), K4QB_MODE_LAYERED);
    command(window.get(), 222);
    EXPECT_TRUE(menuChecked(menu, 222));
    command(window.get(), 221);
    EXPECT_EQ(window->getMode(), K4QB_MODE_FIND);

    // Hand cursor over the buttons only.
    EXPECT_EQ(SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(window->getConvertButton()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);

    // Exit posts WM_CLOSE: the window goes and the loop would end.
    command(window.get(), 203);
    pump();
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(window->getWindow(), nullptr);
    DestroyAcceleratorTable(accelerators);
}

TEST_F(MainWindow, DebugLevelsFollowTheMenu) {
    std::string logFolder = folder_ + "\\log";
    k4p::createFolder(logFolder.c_str());
    K4CDebugLogger logger(new K4CTimedFilename(logFolder.c_str()));
    ASSERT_NO_THROW(logger.setLevel(K4C_LOG_WARNING));
    {
        auto window = open(&logger);
        HMENU menu = window->getMenu();
        // "Output Warnings" is checked by the resource.
        EXPECT_TRUE(menuChecked(menu, 241));
        struct Case {
            int id, level;
        };
        for (Case c : {Case{244, K4C_LOG_TRACE}, Case{243, K4C_LOG_DEBUG}, Case{242, K4C_LOG_INFO},
                       Case{241, K4C_LOG_WARNING}, Case{244, K4C_LOG_TRACE}}) {
            EXPECT_EQ(command(window.get(), c.id), 0);
            EXPECT_EQ(logger.getLevel(), c.level);
            for (int id = 241; id <= 244; ++id) {
                EXPECT_EQ(menuChecked(menu, id), id == c.id) << c.id << " " << id;
            }
        }
        // At TRACE the window's work is in the log in the fixed shapes.
        command(window.get(), 221);
        command(window.get(), 241);
    }
    std::string log;
    k4p::FolderListing listing;
    k4p::FindItem item;
    ASSERT_TRUE(listing.open((logFolder + "\\texview-debug-*.txt").c_str()));
    ASSERT_TRUE(listing.next(&item));
    log = k4test::readFile(logFolder + "\\" + item.name);
    listing.close();
    EXPECT_NE(log.find("Enter K4QBTexMgrWindow::setMode(221) = "), std::string::npos);
    EXPECT_NE(log.find("Exit K4QBTexMgrWindow::setMode = "), std::string::npos);
    EXPECT_NE(log.find("Enter K4QBTexMgrWindow::setDebugLevel(241) = "), std::string::npos);
}

TEST_F(MainWindow, GeometryIsSavedAndRestoredAndSizeHasAMinimum) {
    {
        auto window = open();
        SetWindowPos(window->getWindow(), nullptr, 40, 50, 700, 520, SWP_NOZORDER);
        pump();

        // Dragging below 512 x 384 is held at the minimum, on the dragged side.
        RECT rect = {100, 100, 400, 300};
        EXPECT_EQ(SendMessageA(window->getWindow(), WM_SIZING, WMSZ_LEFT,
                               reinterpret_cast<LPARAM>(&rect)),
                  TRUE);
        EXPECT_EQ(rect.left, 400 - 512);
        EXPECT_EQ(rect.right, 400);
        EXPECT_EQ(rect.top, 100);
        EXPECT_EQ(rect.bottom, 100 + 384);
        rect = {100, 100, 400, 300};
        SendMessageA(window->getWindow(), WM_SIZING, WMSZ_TOPRIGHT,
                     reinterpret_cast<LPARAM>(&rect));
        EXPECT_EQ(rect.left, 100);
        EXPECT_EQ(rect.right, 100 + 512);
        EXPECT_EQ(rect.top, 300 - 384);
        EXPECT_EQ(rect.bottom, 300);
        rect = {0, 0, 600, 400};
        SendMessageA(window->getWindow(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&rect));
        EXPECT_EQ(rect.right, 600);
        EXPECT_EQ(rect.bottom, 400);
    }
    // Written on destruction.
    K4QBIniFile* settings = K4QBIniFile::load((folder_ + "\\k4-qb-texmgr.ini").c_str());
    ASSERT_NE(settings, nullptr);
    K4QBIniGroup* group = settings->getGroup("window");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getInt("left", -1), 40);
    EXPECT_EQ(group->getInt("top", -1), 50);
    EXPECT_EQ(group->getInt("width", -1), 700);
    EXPECT_EQ(group->getInt("height", -1), 520);
    ASSERT_NE(settings->getGroup("viewer"), nullptr);
    delete settings;

    // And the next start opens there.
    auto again = open();
    RECT rect;
    GetWindowRect(again->getWindow(), &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right - rect.left, 700);
    EXPECT_EQ(rect.bottom - rect.top, 520);
}

TEST_F(MainWindow, AboutBoxAndConvertWithoutFiles) {
    auto window = open();
    k4test::MsgBoxWatcher watcher;
    EXPECT_EQ(command(window.get(), 262), 0);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    k4test::MsgBoxWatcher::Box about = watcher.boxes()[0];
    EXPECT_EQ(about.caption, "Dunmore's Quellbury Texture Manager");
    // The one version the version resource and the read-me show too.
    EXPECT_EQ(about.text.substr(0, about.text.find('\n')),
              "Dunmore's Quellbury Texture Manager, Version " K4_VERSION_TEXT " (Public Beta)");
    EXPECT_NE(about.text.find('\n'), std::string::npos); // a credits line follows

    // "Convert To DDS" with nothing chosen asks for a file.
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(1041, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window->getConvertButton()));
    ASSERT_EQ(watcher.waitForBoxes(2), 2u);
    EXPECT_EQ(watcher.boxes()[1].text, "Please choose at least one image file to convert");
    EXPECT_EQ(watcher.boxes()[1].caption, "Error");
    EXPECT_TRUE(IsWindow(window->getWindow()));
}

// With "Output Trace" chosen and the log unwritable, closing ends in order: no
// destructor throws (that would end the process), the running preview stops
// and the window class goes, so that the next window opens.
TEST_F(MainWindow, ClosesInOrderWhenTheLogCannotBeWritten) {
    k4test::TestLog log(folder_ + "\\trace.txt", K4C_LOG_WARNING);
    auto window = open(log.get());
    HWND list = window->getSearchFileList()->getWindow();
    SendMessageA(list, LB_SETSEL, TRUE, -1);
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_FILELIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    ASSERT_NE(window->getImagePanel()->getImagePreview(), nullptr);
    command(window.get(), IDM_DEBUG_TRACE);
    log.breakFile(true);
    window.reset();
    log.breakFile(false);
    K4QBAppWindow::takePendingError();

    auto again = open();
    EXPECT_NE(again->getWindow(), nullptr);
}

TEST(MainWindowWithoutGame, StartsWithAnEmptyList) {
    std::string folder = k4test::testFolder("texmgr");
    TestWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    pump();
    EXPECT_EQ(window.getQBContent(), nullptr);
    EXPECT_EQ(window.getSearchFileList()->getEntryCount(), 0);
    ASSERT_NE(window.getTextureCache(), nullptr);
    // Selecting nothing shows nothing and keeps the caption.
    SendMessageA(window.getWindow(), WM_COMMAND, MAKEWPARAM(1006, LBN_SELCHANGE), 0);
    pump();
    ASSERT_NE(window.getImagePanel()->getImagePreview(), nullptr);
    EXPECT_EQ(window.getImagePanel()->getImagePreview()->getFrameCount(), 0);
    EXPECT_EQ(windowText(window.getImagePanel()->getCaptionBox()), "Current Texture:");
}

} // namespace

namespace {

struct FoundWindows {
    HWND main;
    std::vector<HWND> others;
};

BOOL CALLBACK collectOtherWindows(HWND window, LPARAM found) {
    FoundWindows* windows = reinterpret_cast<FoundWindows*>(found);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && window != windows->main && IsWindowVisible(window)) {
        windows->others.push_back(window);
    }
    return TRUE;
}

TEST(MainWindowHelp, ContentsOpensTheHelpViewer) {
    std::string folder = k4test::testFolder("texmgr");
    std::string help = K4_HELP_FILE;
    if (!help.empty() && help[0] == '/') {
        help = "Z:" + help;
    }
    for (char& c : help) {
        c = c == '/' ? '\\' : c;
    }
    // The help file beside the program, as the build places it.
    ASSERT_TRUE(CopyFileA(help.c_str(), (folder + "\\k4qb-texmgr-help.chm").c_str(), FALSE));
    TestWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    pump();
    EXPECT_EQ(command(&window, 261), 0);
    FoundWindows windows = {window.getWindow(), {}};
    ASSERT_TRUE(pumpUntil([&] {
        windows.others.clear();
        EnumWindows(collectOtherWindows, reinterpret_cast<LPARAM>(&windows));
        return !windows.others.empty();
    }));
    bool viewer = false;
    for (HWND other : windows.others) {
        char className[64] = {0};
        GetClassNameA(other, className, sizeof className);
        viewer = viewer || std::string(className) == "HH Parent";
        PostMessageA(other, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(viewer);
    pump();
}

} // namespace
