// The check window in the real main window, over a fixture install whose
// loose files carry one fixable fault per rule and hide one archived
// texture: the list as File, "Check Textures..." finds it, a double click
// previewing a file, Fix Selected and Fix All with the check coming back
// clean, the overridden texture with its archived original, and a folder of
// many files checked while the window keeps answering.
#include "content/pak_registry.h"
#include "resources/resource_ids.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbcheckwindow.h"
#include "textures/k4qbtexturecache.h"
#include "tools/faultmod.h"
#include "tools/pakwriter.h"

#include <string>
#include <vector>

namespace {

using namespace texmgrtest;

class CheckWindow : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = k4test::testFolder("texmgr");
        install_ = folder_ + "\\install";
        ASSERT_TRUE(faultmod::writeMod(install_, faultmod::Variant::Fixable));
        // The game's archive holds its own, smaller stone.dds, which the
        // loose one hides.
        const std::string brick = k4test::readFile(install_ + "\\data\\textures\\Brick.dds");
        ASSERT_TRUE(k4p::createFolderTree((install_ + "\\data\\pak").c_str()));
        K4QBPakWriter writer(5);
        writer.addFolder("data\\textures\\");
        writer.addFile("data\\textures\\", "stone.dds",
                       std::vector<uint8_t>(brick.begin(), brick.end()));
        ASSERT_TRUE(writer.writeTo(install_ + "\\data\\pak\\base.pak"));
        content_.addSource(K4QBGameDataFolder::CreateFromPath(install_.c_str()));
        content_.addSource(K4QBPakRegistry::CreateFromPath((install_ + "\\data\\pak").c_str(),
                                                           (folder_ + "\\cache").c_str()));
        window_ = std::make_unique<TestWindow>(folder_);
        window_->initialize(&content_, SW_SHOWNORMAL);
        setClientSize(window_->getWindow(), 800, 600);
        pump();
    }

    // Opens the window with a menu command and waits for its work.
    K4QBCheckWindow* openWith(int id) {
        command(window_.get(), id);
        K4QBCheckWindow* check = K4QBCheckWindow::getOpen();
        EXPECT_NE(check, nullptr);
        if (check != nullptr) {
            EXPECT_TRUE(pumpUntil([&] { return !check->isBusy(); }));
        }
        return check;
    }

    std::vector<std::string> shownRows(K4QBCheckWindow* check) {
        std::vector<std::string> rows;
        for (const K4QBCheckRow& row : check->getRows()) {
            rows.push_back(row.columns[0] + " " + row.columns[2] + " " +
                           row.path.substr(std::string("data\\textures\\").size()));
        }
        return rows;
    }

    // Selects the rows (only them) and tells the window as the list does.
    void selectRows(K4QBCheckWindow* check, const std::vector<int>& rows, WORD notification) {
        HWND list = GetDlgItem(check->getWindow(), K4QB_ID_CHECK_LIST);
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        for (int row : rows) {
            SendMessageA(list, LB_SETSEL, TRUE, row);
            SendMessageA(list, LB_SETCARETINDEX, row, FALSE);
        }
        SendMessageA(check->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_CHECK_LIST, notification),
                     reinterpret_cast<LPARAM>(list));
    }

    void click(K4QBCheckWindow* check, int id) {
        SendMessageA(check->getWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(check->getWindow(), id)));
        EXPECT_TRUE(pumpUntil([&] { return !check->isBusy(); }));
    }

    std::string caption() { return windowText(window_->getImagePanel()->getCaptionBox()); }

    std::string folder_, install_;
    K4QBContentRegistry content_;
    std::unique_ptr<TestWindow> window_;
};

TEST_F(CheckWindow, FindsThePlantedFaultsPreviewsAFileAndFixesThemUntilClean) {
    char item[64] = {0};
    GetMenuStringA(window_->getMenu(), IDM_FILE_CHECK_TEXTURES, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "Chec&k Textures...");
    GetMenuStringA(window_->getMenu(), IDM_FILE_SHOW_OVERRIDES, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "Show &Overridden Textures");
    K4QBCheckWindow* check = openWith(IDM_FILE_CHECK_TEXTURES);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(windowText(check->getWindow()), "Check Textures");
    EXPECT_EQ(windowText(GetDlgItem(check->getWindow(), K4QB_ID_CHECK_FOLDER)), install_);
    // Errors first, then warnings, each by path; the loose stone.dds keeps
    // the name of the archived one it replaces.
    EXPECT_EQ(shownRows(check),
              (std::vector<std::string>{"error levels backdrops\\bd_city.dds",
                                        "error series overlays\\overlay_spark_v01.dds",
                                        "error size stone.dds", "error format wall.png",
                                        "warning name Brick.dds",
                                        "warning thumbnail overlays\\overlay_glow_v00.dds"}));
    HWND list = GetDlgItem(check->getWindow(), K4QB_ID_CHECK_LIST);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 6);

    selectRows(check, {2}, LBN_DBLCLK);
    EXPECT_TRUE(pumpUntil([&] { return caption().rfind("stone.dds (512 by 256", 0) == 0; }))
        << caption();
    EXPECT_NE(windowText(GetDlgItem(check->getWindow(), K4QB_ID_CHECK_DETAIL)).find("300x200"),
              std::string::npos);

    // The fixed file is loaded anew when shown next.
    const std::string stone = install_ + "\\data\\textures\\stone.dds";
    EXPECT_TRUE(pumpUntil([&] {
        K4QBD3DUse use(window_.get());
        return window_->getTextureCache()->isCached(stone.c_str());
    }));
    selectRows(check, {2}, LBN_SELCHANGE);
    click(check, K4QB_ID_CHECK_FIXSELECTED);
    EXPECT_EQ(shownRows(check).size(), 5u);
    {
        K4QBD3DUse use(window_.get());
        EXPECT_FALSE(window_->getTextureCache()->isCached(stone.c_str()));
    }
    EXPECT_TRUE(
        k4p::fileExists((install_ + "\\texture-check-backup\\data\\textures\\stone.dds").c_str()));
    click(check, K4QB_ID_CHECK_FIXALL);
    EXPECT_TRUE(check->getRows().empty());
    const std::string status = windowText(GetDlgItem(check->getWindow(), K4QB_ID_CHECK_STATUS));
    EXPECT_NE(status.find("0 errors, 0 warnings"), std::string::npos) << status;
}

TEST_F(CheckWindow, ShowsWhatTheLooseFilesHideAndTheArchivedOriginal) {
    K4QBCheckWindow* check = openWith(IDM_FILE_SHOW_OVERRIDES);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(windowText(check->getWindow()), "Overridden Textures");
    ASSERT_EQ(check->getRows().size(), 1u);
    const K4QBCheckRow& row = check->getRows()[0];
    EXPECT_EQ(row.path, "data\\textures\\stone.dds");
    EXPECT_EQ(row.columns[2], "base.pak");
    EXPECT_EQ(row.columns[3], "300x200 DXT1 / 64x64 DXT1");
    selectRows(check, {0}, LBN_SELCHANGE);
    EXPECT_TRUE(pumpUntil([&] { return caption().rfind("stone.dds (512 by 256", 0) == 0; }))
        << caption();
    SendMessageA(GetDlgItem(check->getWindow(), K4QB_ID_CHECK_ORIGINAL), BM_SETCHECK, BST_CHECKED,
                 0);
    click(check, K4QB_ID_CHECK_ORIGINAL);
    EXPECT_TRUE(pumpUntil([&] { return caption().rfind("stone.dds (64 by 64", 0) == 0; }))
        << caption();
}

TEST_F(CheckWindow, AFolderOfManyFilesIsCheckedWhileTheWindowAnswers) {
    const std::string many = folder_ + "\\many\\data\\textures";
    ASSERT_TRUE(k4p::createFolderTree(many.c_str()));
    constexpr int kFiles = 5000;
    for (int i = 0; i < kFiles; ++i) {
        HANDLE file = CreateFileA((many + "\\f" + std::to_string(i) + ".dds").c_str(),
                                  GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    K4QBCheckWindow* check = openWith(IDM_FILE_CHECK_TEXTURES);
    ASSERT_NE(check, nullptr);
    check->checkFolder((folder_ + "\\many").c_str());
    // Asked from another thread, as the system asks a window whether it
    // hangs: the window answers while the job reads the files.
    HWND window = check->getWindow();
    int answered = 0, asked = 0;
    k4test::TestThread asker([&] {
        while (asked < 20) {
            DWORD_PTR result = 0;
            answered += SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
            ++asked;
            Sleep(10);
        }
    });
    EXPECT_TRUE(pumpUntil([&] { return !check->isBusy() && asked >= 20; }));
    asker.join();
    EXPECT_EQ(answered, asked);
    EXPECT_EQ(check->getRows().size(), static_cast<size_t>(kFiles));
    EXPECT_EQ(SendMessageA(GetDlgItem(window, K4QB_ID_CHECK_LIST), LB_GETCOUNT, 0, 0), kFiles);
}

} // namespace
