// The file search panel and its folder drop-down in the real main window, over
// loose files and a pak archive, driven with messages: the patterns reaching
// both sources, the settings, the source button, the numbered sequence of a
// double click, the folder trees of both modes, and errors of the game content.
#include "content/file_list.h"
#include "content/pak_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cregistry.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qbfolderresources.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/registry.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "tools/pakwriter.h"

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace texmgrtest;
using Names = std::vector<std::string>;

// The loose PNGs of WindowTest and a pak archive below data\textures\:
//   (itself)   brick.dds redbrick01.png walls01.tga walls02.tga walls1.tga notes.txt
//   backdrops\ effects\ props\ tiles10\ to tiles99\   one file each
//   overlays\  frame_001.dds frame_002.dds frame_003.dds frame_010.dds framework.dds
//   overlays\anim\   a.dds
// and a folder on disk, disk\, with the first row's names, a folder sub.dds
// and sub\brick2.dds.
class FileSearch : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        K4QBPakWriter pak(5);
        const std::string tex = "data\\textures\\";
        const Names top = {"brick.dds",   "redbrick01.png", "walls01.tga",
                           "walls02.tga", "walls1.tga",     "notes.txt"};
        for (const std::string& name : top) {
            pak.addFile(tex, name, {'x'});
        }
        for (std::string folder : {"backdrops", "effects", "props", "overlays\\anim"}) {
            pak.addFile(tex + folder + "\\", "a.dds", {'x'});
        }
        for (int i = 10; i < 100; ++i) { // more entries than the open list shows
            pak.addFile(tex + "tiles" + std::to_string(i) + "\\", "t.dds", {'x'});
        }
        for (const char* name : {"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds",
                                 "framework.dds"}) {
            pak.addFile(tex + "overlays\\", name, {'x'});
        }
        std::string paks = folder_ + "\\install\\data\\pak", cache = folder_ + "\\cache";
        ASSERT_TRUE(k4p::createFolderTree(paks.c_str()) && k4p::createFolder(cache.c_str()));
        ASSERT_TRUE(pak.writeTo(paks + "\\textures.pak"));
        content_.addSource(K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
        disk_ = folder_ + "\\disk\\";
        ASSERT_TRUE(k4p::createFolderTree((disk_ + "sub").c_str()) &&
                    k4p::createFolder((disk_ + "sub.dds").c_str()));
        for (const std::string& name : top) {
            k4test::writeFile(disk_ + name, "x");
        }
        k4test::writeFile(disk_ + "sub\\brick2.dds", "x");
        settings("directory = " + disk_);
    }
    void settings(const std::string& lines) {
        k4test::writeFile(folder_ + "\\k4-qb-texmgr.ini", "[file search]\n" + lines + "\n");
    }
    K4QBFSControls* panel() { return window_->getFSControls(); }
    K4QBFolderDropDown* folders() { return panel()->getFolderDropDown(); }
    HWND control(int id) { return GetDlgItem(window_->getWindow(), id); }
    LRESULT send(int id, UINT message, WPARAM wParam = 0) {
        return SendMessageA(control(id), message, wParam, 0);
    }
    // A notification as the control sends it.
    void notify(int id, int code) {
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    void search(const char* text, int type) {
        SetWindowTextA(control(K4QB_ID_SEARCHTEXT), text);
        send(K4QB_ID_FILETYPE, CB_SETCURSEL, static_cast<WPARAM>(type));
        notify(K4QB_ID_FILETYPE, CBN_SELCHANGE);
        notify(K4QB_ID_SEARCH, BN_CLICKED);
    }
    // The listed names; with `onlySelected` those selected in the list box.
    Names listed(bool onlySelected = false) {
        Names names;
        K4QBFileListBox* list = panel()->getFileList();
        EXPECT_EQ(send(K4QB_ID_FILELIST, LB_GETCOUNT), list->getEntryCount());
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            if (!onlySelected || send(K4QB_ID_FILELIST, LB_GETSEL, static_cast<WPARAM>(i)) > 0) {
                names.push_back(list->getEntryFileName(i));
            }
        }
        return names;
    }
    const char* stored(const char* key) {
        return window_->getINIGroup("file search")->getString(key);
    }
    void chooseFolder(int32_t index) {
        send(K4QB_ID_FOLDERS, CB_SETCURSEL, static_cast<WPARAM>(index));
        notify(K4QB_ID_FOLDERS, CBN_SELCHANGE);
    }
    // The list as "level name" lines, "*" marking the open-folder icon and
    // "<" the current entry.
    Names tree(int32_t from, int32_t to) {
        Names lines;
        HICON open = K4QBFolderDropDown::getFolderResources()->getIcon(K4QB_FOLDER_ICON_CURRENT);
        for (int32_t i = from; i < to; ++i) {
            const K4QBFolderEntry* e = folders()->getEntry(i);
            lines.push_back(std::to_string(e->level) + " " + e->name.getText() +
                            (e->icon == open ? " *" : "") +
                            (i == folders()->getCurIndex() ? " <" : ""));
        }
        return lines;
    }

    std::string disk_;
};

TEST_F(FileSearch, PatternsReachTheFileSystemAndTheGameContent) {
    open();
    struct Case {
        const char* text;
        int type; // 0 all, 1 DDS, 3 TGA
        Names onDisk, inGame;
    };
    const Case cases[] = {
        // Every image of the folder; no other file, no folder, nothing below.
        {"",
         0,
         {"brick.dds", "redbrick01.png", "walls01.tga", "walls02.tga", "walls1.tga"},
         {"blue.png", "brick.dds", "broken.png", "green.png", "red_half.png", "redbrick01.png",
          "walls01.tga", "walls02.tga", "walls1.tga", "wide.png"}},
        // A plain text anywhere in the name; a typed wildcard as it is, with
        // the type's extension behind it.
        {"brick", 0, {"brick.dds", "redbrick01.png"}, {"brick.dds", "redbrick01.png"}},
        {"walls??", 3, {"walls01.tga", "walls02.tga"}, {"walls01.tga", "walls02.tga"}},
        {"br*.dds", 1, {}, {}},
    };
    for (const Case& c : cases) {
        search(c.text, c.type);
        EXPECT_EQ(listed(), c.onDisk) << "disk: " << c.text;
    }
    notify(K4QB_ID_SOURCE, BN_CLICKED);
    EXPECT_EQ(windowText(panel()->getFrame()), "Quellbury Content:");
    for (const Case& c : cases) {
        search(c.text, c.type);
        EXPECT_EQ(listed(), c.inGame) << "game: " << c.text;
    }

    // A folder that is gone lists nothing, without an error box.
    k4test::MsgBoxWatcher watcher;
    notify(K4QB_ID_SOURCE, BN_CLICKED);
    k4test::removeTree(folder_ + "\\disk");
    search("", 0);
    EXPECT_EQ(listed(), Names{});
    EXPECT_TRUE(watcher.boxes().empty());
}

// Defaults written, a stored type that matches no entry, choices kept across
// a restart, the fall-back to the file system without game content, and the
// source button and an empty selection there.
TEST_F(FileSearch, SettingsDefaultsRestartAndNoGameContent) {
    settings("file-type = (*.gif) Graphics Interchange");
    open();
    EXPECT_STREQ(stored("source"), "File System");
    EXPECT_STREQ(stored("quellbury-folder"), "data\\textures\\");
    EXPECT_EQ(windowText(control(K4QB_ID_FILETYPE)), "All Supported Images");
    EXPECT_EQ(std::string(folders()->getCurFolder()),
              std::string(folders()->getDocumentsFolder()) + "\\");
    EXPECT_EQ(windowText(panel()->getFrame()), "File System:");

    notify(K4QB_ID_SOURCE, BN_CLICKED);
    chooseFolder(3); // overlays
    send(K4QB_ID_FOLDERS, CB_SHOWDROPDOWN, FALSE);
    search("", 1);
    window_.reset();
    open();
    EXPECT_STREQ(folders()->getCurFolder(), "data\\textures\\overlays\\");
    EXPECT_EQ(windowText(control(K4QB_ID_FILETYPE)), "(*.dds) DirectDraw Surface");
    EXPECT_EQ(listed().size(), 5u);
    window_.reset();

    TestWindow alone(folder_);
    alone.initialize(nullptr, SW_SHOWNORMAL);
    K4QBFSControls* search = alone.getFSControls();
    EXPECT_EQ(search->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_STREQ(alone.getINIGroup("file search")->getString("source"), "File System");
    std::string before = search->getFolderDropDown()->getCurFolder();
    k4test::MsgBoxWatcher watcher;
    SendMessageA(alone.getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_SOURCE, BN_CLICKED), 0);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, "Functionality Disabled");
    EXPECT_EQ(watcher.boxes()[0].text,
              "Quellbury is not installed!\nThis function is currently unavailable.");
    EXPECT_EQ(search->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_EQ(search->getFolderDropDown()->getCurFolder(), before);
    EXPECT_EQ(windowText(search->getFrame()), "File System:");
    // Selecting nothing shows nothing and keeps the caption.
    texmgrtest::select(&alone, {});
    ASSERT_NE(alone.getImagePanel()->getImagePreview(), nullptr);
    EXPECT_EQ(alone.getImagePanel()->getImagePreview()->getFrameCount(), 0);
    EXPECT_EQ(windowText(alone.getImagePanel()->getCaptionBox()), "Current Texture:");
}

TEST_F(FileSearch, DoubleClickSelectsTheNumberedSequence) {
    settings("source = Quellbury Content\nquellbury-folder = data\\textures\\overlays\\");
    open();
    auto doubleClick = [&](const std::vector<int>& positions) {
        SendMessageA(control(K4QB_ID_FILELIST), LB_SETSEL, FALSE, -1);
        for (int position : positions) {
            SendMessageA(control(K4QB_ID_FILELIST), LB_SETSEL, TRUE, position);
        }
        panel_->destroyPreview();
        notify(K4QB_ID_FILELIST, LBN_DBLCLK);
        return listed(true);
    };
    EXPECT_EQ(doubleClick({2}),
              (Names{"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds"}));
    // The image panel plays them.
    ASSERT_NE(panel_->getImagePreview(), nullptr);
    EXPECT_EQ(panel_->getImagePreview()->getFrameCount(), 4);
    // No digits: the selection stays and is shown; two selected: nothing.
    EXPECT_EQ(doubleClick({4}), Names{"framework.dds"});
    EXPECT_NE(panel_->getImagePreview(), nullptr);
    EXPECT_EQ(doubleClick({0, 4}), (Names{"frame_001.dds", "framework.dds"}));
    EXPECT_EQ(panel_->getImagePreview(), nullptr);
}

// "My Documents" and the drives as roots; the chain to the current folder
// below the root that holds it, its sub-folders below that; a choice re-opens
// the list at the parent.
TEST_F(FileSearch, FolderTreeOfTheFileSystem) {
    std::string documents = folder_ + "\\docs";
    for (std::string sub : {"\\docs\\a\\b\\c", "\\docs2\\x"}) {
        k4p::createFolderTree((folder_ + sub).c_str());
    }
    for (int i = 0; i < 100; ++i) { // more entries than the open list shows
        k4p::createFolder((folder_ + "\\more" + std::to_string(i)).c_str());
    }
    std::string key = K4QB_SHELL_FOLDERS_KEY;
    K4CString systemDocuments;
    ASSERT_TRUE(k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, key.c_str(), "Personal",
                                      &systemDocuments));
    auto setDocuments = [&](const std::string& path) {
        k4test::storeRegistryValue(k4p::RegistryRoot::CurrentUser, key.c_str(), "Personal", true,
                                   std::string(path.c_str(), path.size() + 1));
    };
    setDocuments(documents);
    open();
    int32_t count = folders()->getEntryCount();
    Names roots;
    for (int32_t i = 0; i < count; ++i) {
        if (folders()->getEntry(i)->level == 0) {
            roots.push_back(folders()->getEntry(i)->name.getText());
        }
    }
    ASSERT_EQ(roots.back(), "Z:") << "the scratch folder's drive, the last one";
    EXPECT_EQ(roots[0], "My Documents");
    EXPECT_EQ(folders()->getEntry(1)->level, 0) << "closed";
    // Below Z:, the components of disk\ (the last with the open icon and
    // current), then its sub-folders in listing order.
    int32_t depth = static_cast<int32_t>(std::count(disk_.begin(), disk_.end(), '\\')) - 1;
    int32_t z = count - depth - 3;
    EXPECT_EQ(tree(z, z + 2), (Names{"0 Z:", "1 " + disk_.substr(3, disk_.find('\\', 3) - 3)}));
    Names end = tree(count - 3, count);
    std::sort(end.begin() + 1, end.end());
    std::string level = std::to_string(depth), below = std::to_string(depth + 1);
    EXPECT_EQ(end, (Names{level + " disk * <", below + " sub", below + " sub.dds"}));
    EXPECT_EQ(send(K4QB_ID_FOLDERS, CB_GETCURSEL), folders()->getCurIndex());

    int32_t parent = folders()->getCurIndex() - 1;
    chooseFolder(parent);
    EXPECT_EQ(stored("directory"), folder_ + "\\");
    EXPECT_TRUE(send(K4QB_ID_FOLDERS, CB_GETDROPPEDSTATE));
    EXPECT_EQ(send(K4QB_ID_FOLDERS, CB_GETTOPINDEX), parent - 1);
    send(K4QB_ID_FOLDERS, CB_SHOWDROPDOWN, FALSE);

    // Inside the documents folder: under "My Documents" only, every drive
    // closed.
    folders()->setToFolder((documents + "\\a").c_str());
    EXPECT_EQ(tree(0, 3), (Names{"0 My Documents", "1 a * <", "2 b"}));
    EXPECT_EQ(folders()->getEntryCount(), 3 + static_cast<int32_t>(roots.size()) - 1);
    // A sibling whose name begins like the documents folder's is not in it.
    folders()->setToFolder((folder_ + "\\docs2\\x").c_str());
    ASSERT_GE(folders()->getCurIndex(), 0);
    EXPECT_EQ(folders()->getEntry(folders()->getCurIndex())->path.getText(),
              folder_ + "\\docs2\\x\\");

    // Without the registry's value the shell names the documents folder.
    // Every drop-down shares one resource set; the last one frees it.
    K4QBFolderResources* shared = K4QBFolderDropDown::getFolderResources();
    k4test::deleteRegistryValue(k4p::RegistryRoot::CurrentUser, key.c_str(), "Personal");
    {
        K4QBFolderDropDown fromShell(window_.get());
        setDocuments(systemDocuments.getText());
        char shell[MAX_PATH] = {0};
        ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, shell),
                  S_OK);
        EXPECT_STREQ(fromShell.getDocumentsFolder(), shell);
    }
    EXPECT_EQ(K4QBFolderDropDown::getFolderResources(), shared);
    window_.reset();
    EXPECT_EQ(K4QBFolderDropDown::getFolderResources(), nullptr);
}

// The registry's tree from data\textures\ along the path to the current
// folder; a choice re-opens the list at the chosen folder's parent, not at a
// sibling above it.
TEST_F(FileSearch, FolderTreeOfTheGameContent) {
    settings("source = Quellbury Content");
    open();
    EXPECT_EQ(tree(0, 5), (Names{"0 data\\textures\\ * <", "1 backdrops", "1 effects", "1 overlays",
                                 "1 props"}));
    EXPECT_EQ(folders()->getEntryCount(), 5 + 90);
    chooseFolder(3);
    EXPECT_EQ(tree(0, 7), (Names{"0 data\\textures\\", "1 backdrops", "1 effects", "1 overlays * <",
                                 "2 anim", "1 props", "1 tiles10"}));
    EXPECT_STREQ(folders()->getEntry(4)->path.getText(), "data\\textures\\overlays\\anim\\");
    EXPECT_TRUE(send(K4QB_ID_FOLDERS, CB_GETDROPPEDSTATE));
    EXPECT_EQ(send(K4QB_ID_FOLDERS, CB_GETTOPINDEX), 0);
    send(K4QB_ID_FOLDERS, CB_SHOWDROPDOWN, FALSE);
    EXPECT_STREQ(stored("quellbury-folder"), "data\\textures\\overlays\\");
    EXPECT_EQ(listed().size(), 5u);
}

// A source behind the others whose search or extraction fails.
class FailingSource : public K4QBGameFiles {
public:
    bool failSearch = true;
    int32_t getSourceType() override { return K4QB_SOURCE_DATAFOLDER; }
    const char* getRootFolder() override { return ""; }
    bool getContent(K4CString*, const char* name, const char*, bool) override {
        return std::string(name) == "damaged.dds" ? throw K4QBERR_PAK_IOERROR : false;
    }
    int32_t findContent(K4QBFileList* list, const char*, const char* folder, bool) override {
        if (failSearch) {
            throw K4QBERR_PAK_IOERROR;
        }
        return list->addInOrder(this, "damaged.dds", folder, false) >= 0 ? 1 : 0;
    }
};

// Shown in a box; the list keeps what the other sources found, and nothing
// reaches the message loop.
TEST_F(FileSearch, GameContentErrorsAreShownAndTheProgramGoesOn) {
    auto* failing = new FailingSource();
    content_.addSource(failing);
    settings("source = Quellbury Content");
    k4test::MsgBoxWatcher watcher;
    open();
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, "Quellbury Content");
    EXPECT_EQ(watcher.boxes()[0].text,
              "The Quellbury content could not be read (K4QBERR_PAK_IOERROR).");
    EXPECT_EQ(listed().size(), 10u);
    EXPECT_FALSE(K4QBAppWindow::takePendingError());

    failing->failSearch = false;
    search("damaged", 0);
    ASSERT_EQ(listed(), Names{"damaged.dds"});
    select({0});
    // The preview's loader meets the error and posts it to the window.
    ASSERT_TRUE(pumpUntil([&] { return watcher.boxes().size() >= 2; }));
    EXPECT_EQ(watcher.boxes()[1].text, "damaged.dds could not be extracted from the Quellbury "
                                       "content (K4QBERR_PAK_IOERROR).");
    EXPECT_TRUE(waitForCaption("damaged.dds (Unable to load image)")) << caption();
    EXPECT_FALSE(K4QBAppWindow::takePendingError());
}

} // namespace
