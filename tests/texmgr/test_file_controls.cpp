// File list box and drop-down: filling from the file system and the game
// content, showing the list, and the selection array's growth.
#include "content/file_list.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfilecontrol.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace texmgrtest;

TEST(FileControls, ListBoxFillsShowsAndSelects) {
    std::string folder = k4test::testFolder("texmgr");
    std::string tree = folder + "\\tree";
    k4p::createFolderTree((tree + "\\sub\\deeper").c_str());
    k4test::writeFile(tree + "\\b.dds", "x");
    k4test::writeFile(tree + "\\a.dds", "x");
    k4test::writeFile(tree + "\\notes.txt", "x");
    k4test::writeFile(tree + "\\sub\\c.dds", "x");
    k4test::writeFile(tree + "\\sub\\deeper\\a.dds", "x");
    k4p::createFolder((tree + "\\folder.dds").c_str()); // a directory is no file

    TestWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    K4QBFileListBox list(&window, true);
    list.create(window.getWindow(), 10, 10, 200, 300, 1006);
    ASSERT_NE(list.getWindow(), nullptr);
    // The system drops the scroll bar style while no scrolling is needed.
    EXPECT_EQ(GetWindowLongA(list.getWindow(), GWL_STYLE) | WS_VSCROLL, 0x50200819);
    EXPECT_EQ(GetWindowLongA(list.getWindow(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);

    EXPECT_EQ(list.searchFileSystem("*.dds", (tree + "\\").c_str(), false), 2);
    EXPECT_EQ(list.searchFileSystem("*.dds", (tree + "\\").c_str(), true), 4);
    // Sorted by name, then folder; each file once.
    ASSERT_EQ(list.getEntryCount(), 4);
    EXPECT_STREQ(list.getEntryFileName(0), "a.dds");
    EXPECT_EQ(std::string(list.getEntryFolder(0)), tree + "\\");
    EXPECT_STREQ(list.getEntryFileName(1), "a.dds");
    EXPECT_EQ(std::string(list.getEntryFolder(1)), tree + "\\sub\\deeper\\");
    EXPECT_STREQ(list.getEntryFileName(3), "c.dds");
    EXPECT_EQ(list.getEntrySource(0), nullptr);
    // No game content: nothing found there.
    EXPECT_EQ(list.searchGameContent("*.dds", "data\\textures\\"), 0);

    list.refresh();
    EXPECT_EQ(SendMessageA(list.getWindow(), LB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageA(list.getWindow(), LB_GETITEMDATA, 3, 0), 3);
    EXPECT_EQ(SendMessageA(list.getWindow(), LB_GETITEMHEIGHT, 0, 0), 17);

    int32_t count = -1;
    list.getSelectedPositions(&count);
    EXPECT_EQ(count, 0);
    SendMessageA(list.getWindow(), LB_SETSEL, TRUE, 1);
    SendMessageA(list.getWindow(), LB_SETSEL, TRUE, 3);
    const int32_t* positions = list.getSelectedPositions(&count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(positions[0], 1);
    EXPECT_EQ(positions[1], 3);

    // 300 selected items grow the array to the next multiple of 128 above.
    list.clear();
    for (int i = 0; i < 300; ++i) {
        list.getFileList()->append(nullptr, ("f" + std::to_string(1000 + i) + ".png").c_str(),
                                   "x\\");
    }
    list.refresh();
    EXPECT_EQ(list.getSelectionCapacity(), 128);
    SendMessageA(list.getWindow(), LB_SETSEL, TRUE, -1);
    positions = list.getSelectedPositions(&count);
    EXPECT_EQ(count, 300);
    EXPECT_EQ(list.getSelectionCapacity(), 384);
    EXPECT_EQ(positions[299], 299);

    // Items draw through the owner-draw path without trouble.
    UpdateWindow(list.getWindow());
    pump();
}

TEST(FileControls, SingleSelectionAndDropDown) {
    std::string folder = k4test::testFolder("texmgr");
    std::string install = writeFixtureInstall(folder);
    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath(install.c_str()));
    TestWindow window(folder);
    window.initialize(&content, SW_SHOWNORMAL);

    K4QBFileListBox single(&window, false);
    single.create(window.getWindow(), 10, 10, 200, 100, 1021);
    EXPECT_EQ(GetWindowLongA(single.getWindow(), GWL_STYLE) | WS_VSCROLL, 0x50200011);
    EXPECT_EQ(single.searchGameContent("*.png", "data\\textures\\"), 5);
    EXPECT_NE(single.getEntrySource(0), nullptr);
    single.refresh();
    EXPECT_EQ(single.getSelectedPosition(), -1);
    int32_t count = -1;
    single.getSelectedPositions(&count);
    EXPECT_EQ(count, 0);
    SendMessageA(single.getWindow(), LB_SETCURSEL, 2, 0);
    EXPECT_EQ(single.getSelectedPosition(), 2);
    const int32_t* positions = single.getSelectedPositions(&count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(positions[0], 2);

    K4QBFileDropDown dropDown(&window);
    dropDown.create(window.getWindow(), 10, 120, 200, 200, 1030);
    ASSERT_NE(dropDown.getWindow(), nullptr);
    char className[32] = {0};
    GetClassNameA(dropDown.getWindow(), className, sizeof className);
    EXPECT_STREQ(className, "ComboBox");
    EXPECT_EQ(dropDown.searchGameContent("*.png", "data\\textures\\"), 5);
    dropDown.refresh();
    EXPECT_EQ(SendMessageA(dropDown.getWindow(), CB_GETCOUNT, 0, 0), 5);
    dropDown.clear();
    dropDown.refresh();
    EXPECT_EQ(SendMessageA(dropDown.getWindow(), CB_GETCOUNT, 0, 0), 0);
}

} // namespace
