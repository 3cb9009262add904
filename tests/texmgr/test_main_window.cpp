// The real main window built in-process over a fixture install and driven
// with messages: its controls and the file search panel's, their places from
// the layout bounds, modes and their check marks, debug levels, the About
// box, help, and closing with an unwritable log.
#include "resources/resource_ids.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/test_log.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbtexmgrconvertwindow.h"

#include <algorithm>
#include <string>

namespace {

using namespace texmgrtest;

using MainWindow = WindowTest;

TEST_F(MainWindow, ControlsAndLayoutBounds) {
    HWND main = open()->getWindow();
    EXPECT_EQ(windowText(main), "Dunmore's Quellbury Texture Manager");
    EXPECT_EQ(windowText(window_->getConvertButton()), "Convert To DDS");
    EXPECT_EQ(windowText(window_->getAttachButton()), "Attach As Layer");
    EXPECT_EQ(GetDlgCtrlID(window_->getConvertButton()), K4QB_ID_CONVERT);
    EXPECT_EQ(GetDlgCtrlID(window_->getAttachButton()), K4QB_ID_ATTACH);
    // The file search list shows the fixture's files, one owner-drawn line
    // each (the data folder lists the broken file too).
    HWND list = GetDlgItem(main, K4QB_ID_FILELIST);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 5);
    EXPECT_STREQ(window_->getFSControls()->getFileList()->getEntryFileName(0), "blue.png");
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 17);
    EXPECT_EQ(SendMessageA(GetDlgItem(main, K4QB_ID_FOLDERS), CB_GETITEMHEIGHT, 0, 0), 21);
    EXPECT_EQ(SendMessageA(GetDlgItem(main, K4QB_ID_FILETYPE), CB_GETCOUNT, 0, 0), 6);

    // At any size the file search controls fill the column without
    // overlapping, the buttons lie below it and the image panel right of it.
    for (SIZE client : {SIZE{400, 300}, SIZE{1000, 700}}) {
        setClientSize(main, client.cx, client.cy);
        pump();
        const int r = window_->getFSRightBound(), b = window_->getFSBottomBound();
        EXPECT_LT(r, client.cx) << client.cx;
        std::vector<HWND> column = visibleChildren(main);
        std::vector<HWND> buttons = {window_->getConvertButton(), window_->getAttachButton()};
        column.erase(std::remove_if(column.begin(), column.end(),
                                    [&](HWND w) {
                                        return w == panel_->getPanelWindow() ||
                                               w == panel_->getCaptionBox() ||
                                               std::count(buttons.begin(), buttons.end(), w) > 0;
                                    }),
                     column.end());
        EXPECT_GE(column.size(), 10u);
        expectLaidOut(main, {0, 0, r, b}, column);
        expectLaidOut(main, {0, b, r, client.cy}, buttons);
        expectLaidOut(main, {r, 0, client.cx, client.cy},
                      {panel_->getCaptionBox(), panel_->getPanelWindow()});
    }

    // Minimising changes nothing.
    const int bottom = window_->getFSBottomBound();
    ShowWindow(main, SW_MINIMIZE);
    pump();
    EXPECT_EQ(window_->getFSBottomBound(), bottom);
}

TEST_F(MainWindow, ModesAndTheirCheckMarks) {
    HWND main = open()->getWindow();
    HMENU menu = window_->getMenu();
    auto inMode = [&](int32_t mode) {
        bool find = mode == K4QB_MODE_FIND;
        return window_->getMode() == mode && menuChecked(menu, IDM_VIEW_MODE_FIND) == find &&
               menuChecked(menu, IDM_VIEW_MODE_LAYERED) == !find &&
               IsWindowVisible(window_->getConvertButton()) == find &&
               IsWindowVisible(window_->getAttachButton()) == find &&
               IsWindowVisible(window_->getFSControls()->getFileList()->getWindow()) == find &&
               IsWindowVisible(window_->getFSControls()->getFrame()) == find &&
               IsWindowVisible(GetDlgItem(main, K4QB_ID_FOLDERS)) == find;
    };
    EXPECT_TRUE(inMode(K4QB_MODE_FIND));
    // Alt+M (which sends its command with code 1) toggles, twice back.
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_VIEW_MODE_TOGGLE, 1), 0);
    EXPECT_TRUE(inMode(K4QB_MODE_LAYERED));
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_VIEW_MODE_TOGGLE, 1), 0);
    EXPECT_TRUE(inMode(K4QB_MODE_FIND));

    k4test::MsgBoxWatcher watcher; // "Save Texture" tells the outcome
    struct Case {
        int id, mode;
    };
    for (Case c :
         {Case{IDM_FILE_NEW, K4QB_MODE_LAYERED}, Case{IDM_VIEW_MODE_FIND, K4QB_MODE_FIND},
          Case{K4QB_ID_ATTACH, K4QB_MODE_LAYERED}, Case{IDM_VIEW_MODE_FIND, K4QB_MODE_FIND},
          Case{IDM_FILE_SAVE, K4QB_MODE_LAYERED}, Case{IDM_VIEW_MODE_LAYERED, K4QB_MODE_LAYERED}}) {
        EXPECT_EQ(command(window_.get(), c.id), 0);
        EXPECT_TRUE(inMode(c.mode)) << c.id;
    }
    command(window_.get(), IDM_VIEW_MODE_FIND);

    // Hand cursor over the buttons.
    EXPECT_EQ(SendMessageA(main, WM_SETCURSOR,
                           reinterpret_cast<WPARAM>(window_->getConvertButton()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    // Exit posts WM_CLOSE: the window goes.
    command(window_.get(), IDM_FILE_EXIT);
    pump();
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(MainWindow, DebugLevelsFollowTheMenu) {
    k4test::TestLog log(folder_ + "\\trace.txt", K4C_LOG_WARNING);
    open(log.get());
    HMENU menu = window_->getMenu();
    EXPECT_TRUE(menuChecked(menu, IDM_DEBUG_WARNINGS)) << "checked by the resource";
    struct Case {
        int id, level;
    };
    for (Case c : {Case{IDM_DEBUG_TRACE, K4C_LOG_TRACE}, Case{IDM_DEBUG_DEBUG, K4C_LOG_DEBUG},
                   Case{IDM_DEBUG_INFO, K4C_LOG_INFO}, Case{IDM_DEBUG_WARNINGS, K4C_LOG_WARNING}}) {
        EXPECT_EQ(command(window_.get(), c.id), 0);
        EXPECT_EQ(log.get()->getLevel(), c.level);
        for (int id = IDM_DEBUG_WARNINGS; id <= IDM_DEBUG_TRACE; ++id) {
            EXPECT_EQ(menuChecked(menu, id), id == c.id) << c.id << " " << id;
        }
    }
    window_.reset(); // before its logger goes
}

TEST_F(MainWindow, AboutBoxAndConvertToDDS) {
    open();
    k4test::MsgBoxWatcher watcher;
    EXPECT_EQ(command(window_.get(), IDM_HELP_ABOUT), 0);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    k4test::MsgBoxWatcher::Box about = watcher.boxes()[0];
    EXPECT_EQ(about.caption, "Dunmore's Quellbury Texture Manager");
    // The one version the version resource and the read-me show too.
    EXPECT_EQ(about.text.substr(0, about.text.find('\n')),
              "Dunmore's Quellbury Texture Manager, Version " K4_VERSION_TEXT " (Public Beta)");
    EXPECT_NE(about.text.find('\n'), std::string::npos); // a credits line follows

    // "Convert To DDS" with nothing chosen asks for a file.
    command(window_.get(), K4QB_ID_CONVERT);
    ASSERT_EQ(watcher.waitForBoxes(2), 2u);
    EXPECT_EQ(watcher.boxes()[1].text, "Please choose at least one image file to convert");
    EXPECT_EQ(watcher.boxes()[1].caption, "Error");

    // With a file chosen it opens a convert window, one more each time.
    select({-1});
    for (int32_t count = 1; count <= 2; ++count) {
        command(window_.get(), K4QB_ID_CONVERT);
        ASSERT_EQ(window_->getConvertWindows()->getCount(), count);
        EXPECT_NE(window_->getConvertWindows()->get(count - 1)->getWindow(), nullptr);
    }
    EXPECT_EQ(watcher.boxes().size(), 2u);
}

// With "Output Trace" chosen and the log unwritable, closing ends in order: no
// destructor throws (that would end the process), the running preview stops
// and the window class goes, so that the next window opens.
TEST_F(MainWindow, ClosesInOrderWhenTheLogCannotBeWritten) {
    k4test::TestLog log(folder_ + "\\trace.txt", K4C_LOG_WARNING);
    open(log.get());
    select({-1});
    ASSERT_NE(panel_->getImagePreview(), nullptr);
    command(window_.get(), IDM_VIEW_BG_PURPLE);
    command(window_.get(), IDM_DEBUG_TRACE);
    log.breakFile(true);
    window_.reset();
    log.breakFile(false);
    K4QBAppWindow::takePendingError();
    // The settings were saved all the same.
    EXPECT_NE(k4test::readFile(folder_ + "\\k4-qb-texmgr.ini")
                  .find("background = " + std::to_string(static_cast<int32_t>(K4QB_BG_PURPLE))),
              std::string::npos);
    EXPECT_NE(open()->getWindow(), nullptr);
}

TEST(MainWindowHelp, ContentsOpensTheHelpViewer) {
    std::string folder = k4test::testFolder("texmgr");
    std::string help = K4_HELP_FILE;
    for (char& c : help) {
        c = c == '/' ? '\\' : c;
    }
    // The help file beside the program, as the build places it.
    ASSERT_TRUE(
        CopyFileA(("Z:" + help).c_str(), (folder + "\\k4qb-texmgr-help.chm").c_str(), FALSE));
    TestWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    EXPECT_EQ(command(&window, IDM_HELP_CONTENTS), 0);
    HWND viewer = nullptr;
    EXPECT_TRUE(pumpUntil([&] {
        viewer = FindWindowA("HH Parent", nullptr);
        DWORD process = 0;
        GetWindowThreadProcessId(viewer, &process);
        return process == GetCurrentProcessId() && IsWindowVisible(viewer);
    }));
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    pump();
}

} // namespace
