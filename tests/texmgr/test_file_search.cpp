// The file search panel and its folder drop-down in the real main window, over
// a fixture install with loose files and a pak archive, driven with messages:
// the patterns reaching the file system and the game content, the settings
// and their defaults, the source button, the numbered sequence of a double
// click, the folder trees of both modes, the drawing of an entry, and errors
// of the game content.
#include "content/file_list.h"
#include "content/pak_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cregistry.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qbfolderresources.h"
#include "shell/k4qbtexmgrresources.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/registry.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbfscontrols.h"
#include "tools/pakwriter.h"

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace texmgrtest;

std::vector<uint8_t> somePicture() {
    return std::vector<uint8_t>{'D', 'D', 'S', ' ', 0, 0};
}

// The documents folder the system names, set for the test and restored after.
class DocumentsFolder {
public:
    explicit DocumentsFolder(const std::string& path) {
        had_ = k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, K4QB_SHELL_FOLDERS_KEY,
                                     "Personal", &old_);
        set(path);
    }
    ~DocumentsFolder() {
        if (had_) {
            set(old_.getText());
        } else {
            remove();
        }
    }
    void set(const std::string& path) {
        k4test::storeRegistryValue(k4p::RegistryRoot::CurrentUser, K4QB_SHELL_FOLDERS_KEY,
                                   "Personal", true, std::string(path.c_str(), path.size() + 1));
    }
    void remove() {
        k4test::deleteRegistryValue(k4p::RegistryRoot::CurrentUser, K4QB_SHELL_FOLDERS_KEY,
                                    "Personal");
    }

private:
    bool had_ = false;
    K4CString old_;
};

// The window over the loose files of WindowTest and a pak archive with a
// folder tree below data\textures\:
//   data\textures\            brick.dds redbrick01.png walls01.tga walls02.tga
//                             walls1.tga notes.txt (and the loose PNGs)
//   data\textures\backdrops\  sky.dds
//   data\textures\effects\    spark.dds
//   data\textures\overlays\   frame_001.dds frame_002.dds frame_003.dds
//                             frame_010.dds framework.dds
//   data\textures\overlays\anim\  a.dds
//   data\textures\props\      crate.tga
//   data\textures\tiles10\ to tiles99\   t.dds
class FileSearch : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        K4QBPakWriter pak(5);
        pak.addFolder("data\\textures\\");
        const std::pair<const char*, std::vector<const char*>> files[] = {
            {"data\\textures\\",
             {"brick.dds", "redbrick01.png", "walls01.tga", "walls02.tga", "walls1.tga",
              "notes.txt"}},
            {"data\\textures\\backdrops\\", {"sky.dds"}},
            {"data\\textures\\effects\\", {"spark.dds"}},
            {"data\\textures\\overlays\\",
             {"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds", "framework.dds"}},
            {"data\\textures\\overlays\\anim\\", {"a.dds"}},
            {"data\\textures\\props\\", {"crate.tga"}},
        };
        // More folders after those, so that the drop-down's list scrolls.
        for (int i = 0; i < 90; ++i) {
            pak.addFile("data\\textures\\tiles" + std::to_string(10 + i) + "\\", "t.dds",
                        somePicture());
        }
        for (const auto& [folder, names] : files) {
            for (const char* name : names) {
                pak.addFile(folder, name, somePicture());
            }
        }
        std::string paks = folder_ + "\\install\\data\\pak";
        ASSERT_TRUE(k4p::createFolderTree(paks.c_str()));
        ASSERT_TRUE(pak.writeTo(paks + "\\textures.pak"));
        k4p::createFolder((folder_ + "\\cache").c_str());
        content_.addSource(
            K4QBPakRegistry::CreateFromPath(paks.c_str(), (folder_ + "\\cache").c_str()));
        // A folder on disk with the same kinds of names.
        disk_ = folder_ + "\\disk\\";
        k4p::createFolderTree((disk_ + "sub.dds").c_str()); // a folder is no file
        k4p::createFolderTree((disk_ + "sub").c_str());
        for (const char* name : {"brick.dds", "redbrick01.png", "walls01.tga", "walls02.tga",
                                 "walls1.tga", "notes.txt", "sub\\brick2.dds"}) {
            k4test::writeFile(disk_ + name, "x");
        }
        settings("[file search]\nsource = File System\ndirectory = " + disk_ + "\n");
    }
    void settings(const std::string& text) {
        k4test::writeFile(folder_ + "\\k4-qb-texmgr.ini", text);
    }
    K4QBFSControls* panel() { return window_->getFSControls(); }
    HWND control(int id) { return GetDlgItem(window_->getWindow(), id); }
    // A notification as the control sends it.
    void notify(int id, int code) {
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    void search(const char* text, int type) {
        SetWindowTextA(control(K4QB_ID_SEARCHTEXT), text);
        SendMessageA(control(K4QB_ID_FILETYPE), CB_SETCURSEL, static_cast<WPARAM>(type), 0);
        notify(K4QB_ID_FILETYPE, CBN_SELCHANGE); // searches, as the button does
        notify(K4QB_ID_SEARCH, BN_CLICKED);
    }
    std::vector<std::string> listed() {
        std::vector<std::string> names;
        K4QBFileListBox* list = panel()->getFileList();
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            names.push_back(list->getEntryFileName(i));
        }
        EXPECT_EQ(SendMessageA(list->getWindow(), LB_GETCOUNT, 0, 0),
                  static_cast<LRESULT>(names.size()));
        return names;
    }
    std::vector<std::string> selected() {
        std::vector<std::string> names;
        HWND list = panel()->getFileList()->getWindow();
        for (int32_t i = 0; i < panel()->getFileList()->getEntryCount(); ++i) {
            if (SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
                names.push_back(panel()->getFileList()->getEntryFileName(i));
            }
        }
        return names;
    }
    K4QBIniGroup* stored() { return window_->getINIGroup("file search"); }
    // Chooses a drop-down entry as the user does.
    void chooseFolder(int32_t index) {
        SendMessageA(control(K4QB_ID_FOLDERS), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        notify(K4QB_ID_FOLDERS, CBN_SELCHANGE);
    }
    int32_t entryIndex(const std::string& path) {
        K4QBFolderDropDown* folders = panel()->getFolderDropDown();
        for (int32_t i = 0; i < folders->getEntryCount(); ++i) {
            if (folders->getEntry(i)->path.getText() == path) {
                return i;
            }
        }
        return -1;
    }

    std::string disk_;
};

using Names = std::vector<std::string>;

TEST_F(FileSearch, PatternsReachTheFileSystemAndTheGameContent) {
    open();
    constexpr int kAll = 0, kDds = 1, kTga = 3;
    struct Case {
        const char* text;
        int type;
        Names onDisk, inGame;
    };
    const Case cases[] = {
        // Every image of the folder; no other file, no folder, nothing below.
        {"",
         kAll,
         {"brick.dds", "redbrick01.png", "walls01.tga", "walls02.tga", "walls1.tga"},
         {"blue.png", "brick.dds", "broken.png", "green.png", "red_half.png", "redbrick01.png",
          "walls01.tga", "walls02.tga", "walls1.tga", "wide.png"}},
        // A plain text anywhere in the name.
        {"brick", kAll, {"brick.dds", "redbrick01.png"}, {"brick.dds", "redbrick01.png"}},
        // A typed wildcard as it is, with the type's extension behind it.
        {"walls??", kTga, {"walls01.tga", "walls02.tga"}, {"walls01.tga", "walls02.tga"}},
        {"br*.dds", kDds, {}, {}},
    };
    for (const Case& c : cases) {
        search(c.text, c.type);
        EXPECT_EQ(listed(), c.onDisk) << "disk: " << c.text;
    }
    notify(K4QB_ID_SOURCE, BN_CLICKED);
    ASSERT_EQ(panel()->getCurSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_EQ(windowText(panel()->getFrame()), "Quellbury Content:");
    for (const Case& c : cases) {
        search(c.text, c.type);
        EXPECT_EQ(listed(), c.inGame) << "game: " << c.text;
    }

    // A folder that is gone lists nothing, without an error box.
    k4test::MsgBoxWatcher watcher;
    notify(K4QB_ID_SOURCE, BN_CLICKED);
    k4test::removeTree(disk_.substr(0, disk_.size() - 1));
    search("", kAll);
    EXPECT_EQ(listed(), Names{});
    EXPECT_TRUE(watcher.boxes().empty());
}

// Defaults written, a stored type that matches no entry, the fall-back to the
// file system without game content, and the choices kept across a restart.
TEST_F(FileSearch, SettingsDefaultsFallBackAndSurviveARestart) {
    settings("[file search]\nfile-type = (*.gif) Graphics Interchange\n");
    open();
    EXPECT_STREQ(stored()->getString("source"), "File System");
    EXPECT_STREQ(stored()->getString("quellbury-folder"), "data\\textures\\");
    EXPECT_EQ(stored()->getString("directory"), nullptr) << "an empty folder means the documents";
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FILETYPE), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(windowText(control(K4QB_ID_FILETYPE)), "All Supported Images");
    EXPECT_EQ(std::string(panel()->getFolderDropDown()->getCurFolder()),
              std::string(panel()->getFolderDropDown()->getDocumentsFolder()) + "\\");
    EXPECT_EQ(windowText(panel()->getFrame()), "File System:");

    // Game content, the overlays folder and PNG files, then a new start.
    notify(K4QB_ID_SOURCE, BN_CLICKED);
    chooseFolder(entryIndex("data\\textures\\overlays\\"));
    SendMessageA(control(K4QB_ID_FOLDERS), CB_SHOWDROPDOWN, FALSE, 0);
    search("", 1);
    EXPECT_EQ(listed(), (Names{"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds",
                               "framework.dds"}));
    window_.reset();
    open();
    EXPECT_EQ(panel()->getCurSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_STREQ(panel()->getFolderDropDown()->getCurFolder(), "data\\textures\\overlays\\");
    EXPECT_EQ(windowText(control(K4QB_ID_FILETYPE)), "(*.dds) DirectDraw Surface");
    EXPECT_EQ(listed().size(), 5u);
    window_.reset();

    // Without game content the stored game source falls back.
    TestWindow alone(folder_);
    alone.initialize(nullptr, SW_SHOWNORMAL);
    EXPECT_EQ(alone.getFSControls()->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_STREQ(alone.getINIGroup("file search")->getString("source"), "File System");

    // There the source button explains and changes nothing.
    std::string before = alone.getFSControls()->getFolderDropDown()->getCurFolder();
    k4test::MsgBoxWatcher watcher;
    SendMessageA(alone.getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_SOURCE, BN_CLICKED), 0);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, "Functionality Disabled");
    EXPECT_EQ(watcher.boxes()[0].text,
              "Quellbury is not installed!\nThis function is currently unavailable.");
    EXPECT_EQ(alone.getFSControls()->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_EQ(alone.getFSControls()->getFolderDropDown()->getCurFolder(), before);
    EXPECT_EQ(windowText(alone.getFSControls()->getFrame()), "File System:");
    EXPECT_STREQ(alone.getINIGroup("file search")->getString("source"), "File System");
}

TEST_F(FileSearch, DoubleClickSelectsTheNumberedSequence) {
    settings("[file search]\nsource = Quellbury Content\n"
             "quellbury-folder = data\\textures\\overlays\\\n");
    open();
    ASSERT_EQ(listed(), (Names{"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds",
                               "framework.dds"}));
    HWND list = panel()->getFileList()->getWindow();
    auto doubleClick = [&](const std::vector<int>& positions) {
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        for (int position : positions) {
            SendMessageA(list, LB_SETSEL, TRUE, position);
        }
        panel_->destroyPreview();
        notify(K4QB_ID_FILELIST, LBN_DBLCLK);
    };
    doubleClick({2});
    EXPECT_EQ(selected(),
              (Names{"frame_001.dds", "frame_002.dds", "frame_003.dds", "frame_010.dds"}));
    // The image panel plays them (1 fps by default).
    ASSERT_NE(panel_->getImagePreview(), nullptr);
    EXPECT_EQ(panel_->getImagePreview()->getFrameCount(), 4);
    // No digits: the selection stays and is shown.
    doubleClick({4});
    EXPECT_EQ(selected(), Names{"framework.dds"});
    EXPECT_NE(panel_->getImagePreview(), nullptr);
    // Two selected: nothing changes, nothing is shown anew.
    doubleClick({0, 4});
    EXPECT_EQ(selected(), (Names{"frame_001.dds", "framework.dds"}));
    EXPECT_EQ(panel_->getImagePreview(), nullptr);
}

// File-system mode: "My Documents" and the drives as roots, the chain down
// to the current folder under the root that holds it, its sub-folders below.
TEST_F(FileSearch, FolderTreeOfTheFileSystem) {
    std::string documents = folder_ + "\\docs";
    for (int i = 0; i < 100; ++i) { // more entries than the list can show
        k4p::createFolder((folder_ + "\\more" + std::to_string(i)).c_str());
    }
    for (const char* sub : {"\\a\\b\\c", "\\a\\b\\d"}) {
        k4p::createFolderTree((documents + sub).c_str());
    }
    k4p::createFolderTree((folder_ + "\\docs2\\x").c_str());
    DocumentsFolder system(documents);
    open();
    K4QBFolderDropDown* folders = panel()->getFolderDropDown();
    K4QBFolderResources* icons = K4QBFolderDropDown::getFolderResources();
    auto entry = [&](int32_t i) { return folders->getEntry(i); };
    auto names = [&](int32_t from, int32_t to) {
        Names out;
        for (int32_t i = from; i < to; ++i) {
            out.push_back(entry(i)->name.getText());
        }
        std::sort(out.begin(), out.end()); // sub-folders come in listing order
        return out;
    };
    // The drives the system has, each a root of the list.
    std::string drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        char root[4] = {letter, ':', '\\', 0};
        UINT type = GetDriveTypeA(root);
        if ((GetLogicalDrives() & (1u << (letter - 'A'))) && type != DRIVE_UNKNOWN &&
            type != DRIVE_NO_ROOT_DIR) {
            drives += letter;
        }
    }
    ASSERT_NE(drives.find('Z'), std::string::npos) << "the scratch folder's drive";

    // Outside the documents folder: the chain below Z:, open icon last.
    folders->setToFolder(disk_.c_str());
    EXPECT_STREQ(entry(0)->name.getText(), "My Documents");
    EXPECT_EQ(entry(0)->path.getText(), documents + "\\");
    EXPECT_EQ(entry(0)->icon, icons->getIcon(K4QB_FOLDER_ICON_DOCUMENTS));
    std::vector<std::string> components; // below Z:
    for (size_t at = 3, next; (next = disk_.find('\\', at)) != std::string::npos; at = next + 1) {
        components.push_back(disk_.substr(at, next - at));
    }
    int32_t i = 1;
    for (char letter : drives) {
        ASSERT_EQ(entry(i)->name.getText(), std::string(1, letter) + ":");
        EXPECT_EQ(entry(i++)->level, 0);
        if (letter != 'Z') {
            continue;
        }
        for (size_t k = 0; k < components.size(); ++k, ++i) {
            EXPECT_EQ(entry(i)->name.getText(), components[k]);
            EXPECT_EQ(entry(i)->level, static_cast<int32_t>(k) + 1);
            bool last = k + 1 == components.size();
            EXPECT_EQ(entry(i)->icon,
                      icons->getIcon(last ? K4QB_FOLDER_ICON_CURRENT : K4QB_FOLDER_ICON_FOLDER));
        }
        EXPECT_EQ(folders->getCurIndex(), i - 1);
        EXPECT_EQ(entry(i - 1)->path.getText(), disk_);
        EXPECT_EQ(names(i, i + 2), (Names{"sub", "sub.dds"}));
        EXPECT_EQ(entry(i)->level, static_cast<int32_t>(components.size()) + 1);
        i += 2;
    }
    EXPECT_EQ(i, folders->getEntryCount());
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETCOUNT, 0, 0), i);
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETCURSEL, 0, 0), folders->getCurIndex());

    // Choosing the current folder's parent: the list opens again with the
    // parent's parent at its top.
    int32_t parent = folders->getCurIndex() - 1;
    chooseFolder(parent);
    EXPECT_EQ(std::string(folders->getCurFolder()), folder_ + "\\");
    EXPECT_EQ(stored()->getString("directory"), folder_ + "\\");
    EXPECT_TRUE(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETTOPINDEX, 0, 0), parent - 1);
    SendMessageA(control(K4QB_ID_FOLDERS), CB_SHOWDROPDOWN, FALSE, 0);

    // Inside the documents folder: under "My Documents" only.
    folders->setToFolder((documents + "\\a\\b").c_str());
    ASSERT_GE(folders->getEntryCount(), 5);
    EXPECT_EQ(entry(1)->level, 1);
    EXPECT_STREQ(entry(1)->name.getText(), "a");
    EXPECT_EQ(entry(2)->level, 2);
    EXPECT_EQ(entry(2)->icon, icons->getIcon(K4QB_FOLDER_ICON_CURRENT));
    EXPECT_EQ(folders->getCurIndex(), 2);
    EXPECT_EQ(names(3, 5), (Names{"c", "d"}));
    EXPECT_EQ(entry(3)->level, 3);
    EXPECT_EQ(folders->getEntryCount(), 5 + static_cast<int32_t>(drives.size()));
    for (int32_t k = 5; k < folders->getEntryCount(); ++k) {
        EXPECT_EQ(entry(k)->level, 0) << "drives stay closed";
    }

    // A sibling whose name begins like the documents folder's is not in it.
    folders->setToFolder((folder_ + "\\docs2\\x").c_str());
    ASSERT_GE(folders->getCurIndex(), 0);
    EXPECT_EQ(entry(folders->getCurIndex())->path.getText(), folder_ + "\\docs2\\x\\");

    // Without the registry's value the shell names the documents folder.
    system.remove();
    K4QBFolderDropDown fromShell(window_.get());
    char shell[MAX_PATH] = {0};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, shell), S_OK);
    EXPECT_STREQ(fromShell.getDocumentsFolder(), shell);
}

// Game mode: the registry's tree from data\textures\ along the path to the
// current folder; a choice re-opens the list at the chosen folder's parent,
// not at a sibling above it. Entries draw indented with their icon, the
// selected one bold on the highlight colour.
TEST_F(FileSearch, FolderTreeOfTheGameContent) {
    settings("[file search]\nsource = Quellbury Content\n");
    open();
    K4QBFolderDropDown* folders = panel()->getFolderDropDown();
    K4QBFolderResources* icons = K4QBFolderDropDown::getFolderResources();
    auto tree = [&] {
        std::vector<std::string> lines;
        for (int32_t i = 0; i < folders->getEntryCount(); ++i) {
            const K4QBFolderEntry* e = folders->getEntry(i);
            lines.push_back(std::to_string(e->level) + " " + e->name.getText() +
                            (e->icon == icons->getIcon(K4QB_FOLDER_ICON_CURRENT) ? " *" : "") +
                            (i == folders->getCurIndex() ? " current" : ""));
        }
        return lines;
    };
    Names tiles;
    for (int i = 10; i < 100; ++i) {
        tiles.push_back("1 tiles" + std::to_string(i));
    }
    auto followedByTiles = [&](Names head) {
        head.insert(head.end(), tiles.begin(), tiles.end());
        return head;
    };
    EXPECT_EQ(tree(), followedByTiles({"0 data\\textures\\ * current", "1 backdrops", "1 effects",
                                       "1 overlays", "1 props"}));
    chooseFolder(3);
    EXPECT_EQ(tree(), followedByTiles({"0 data\\textures\\", "1 backdrops", "1 effects",
                                       "1 overlays * current", "2 anim", "1 props"}));
    EXPECT_EQ(folders->getEntry(4)->path.getText(),
              std::string("data\\textures\\overlays\\anim\\"));
    EXPECT_TRUE(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FOLDERS), CB_GETTOPINDEX, 0, 0), 0);
    SendMessageA(control(K4QB_ID_FOLDERS), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_STREQ(stored()->getString("quellbury-folder"), "data\\textures\\overlays\\");
    EXPECT_EQ(listed().size(), 5u);

    // Drawing "anim" (level 2) into a bitmap, as the combo box asks for it.
    const int width = 220, height = 21;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    auto draw = [&](bool chosen) {
        uint32_t* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS,
                                          reinterpret_cast<void**>(&bits), nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item = {ODT_COMBOBOX,
                               K4QB_ID_FOLDERS,
                               4,
                               ODA_DRAWENTIRE,
                               chosen ? static_cast<UINT>(ODS_SELECTED) : 0u,
                               control(K4QB_ID_FOLDERS),
                               dc,
                               RECT{0, 0, width, height},
                               reinterpret_cast<ULONG_PTR>(folders->getEntry(4))};
        EXPECT_EQ(SendMessageA(window_->getWindow(), WM_DRAWITEM, K4QB_ID_FOLDERS,
                               reinterpret_cast<LPARAM>(&item)),
                  1);
        GdiFlush();
        std::vector<uint32_t> pixels(bits, bits + width * height);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return pixels;
    };
    auto rgb = [](COLORREF c) {
        return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
    };
    // The right end of the text: bold is wider.
    auto textEnd = [&](const std::vector<uint32_t>& pixels, uint32_t back) {
        int end = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 2 + 32 + 19; x < width; ++x) {
                if ((pixels[y * width + x] & 0xFFFFFF) != back) {
                    end = std::max(end, x);
                }
            }
        }
        return end;
    };
    auto iconInked = [&](const std::vector<uint32_t>& pixels, uint32_t back) {
        int inked = 0;
        for (int y = 2; y < 18; ++y) {
            for (int x = 2 + 32; x < 2 + 32 + 16; ++x) {
                inked += (pixels[y * width + x] & 0xFFFFFF) != back ? 1 : 0;
            }
        }
        return inked;
    };
    uint32_t highlight = rgb(GetSysColor(COLOR_HIGHLIGHT)), plain = rgb(GetSysColor(COLOR_WINDOW));
    std::vector<uint32_t> chosen = draw(true), other = draw(false);
    EXPECT_EQ(chosen[10 * width + width - 2] & 0xFFFFFF, highlight);
    EXPECT_EQ(other[10 * width + width - 2] & 0xFFFFFF, plain);
    EXPECT_GT(textEnd(chosen, highlight), textEnd(other, plain));
    EXPECT_GT(iconInked(other, plain), 0) << "the folder icon, two levels in";
    EXPECT_GT(iconInked(chosen, highlight), 0);
}

// A game source whose search or extraction fails, behind the loose files.
class FailingSource : public K4QBGameFiles {
public:
    bool failSearch = true;
    int32_t getSourceType() override { return K4QB_SOURCE_DATAFOLDER; }
    const char* getRootFolder() override { return ""; }
    bool getContent(K4CString*, const char* name, const char*, bool) override {
        if (std::string(name) == "damaged.dds") {
            throw K4QBERR_PAK_IOERROR;
        }
        return false;
    }
    int32_t findContent(K4QBFileList* list, const char*, const char* folder, bool) override {
        if (failSearch) {
            throw K4QBERR_PAK_IOERROR;
        }
        list->addInOrder(this, "damaged.dds", folder, false);
        return 1;
    }
};

// The error is shown and logged; the list keeps what the other source found,
// and the program goes on (no error reaches the message loop).
TEST_F(FileSearch, GameContentErrorsAreShownAndTheProgramGoesOn) {
    auto* failing = new FailingSource();
    content_.addSource(failing);
    settings("[file search]\nsource = Quellbury Content\n");
    k4test::MsgBoxWatcher watcher;
    open();
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, "Quellbury Content");
    EXPECT_EQ(watcher.boxes()[0].text,
              "The Quellbury content could not be read (K4QBERR_PAK_IOERROR).");
    EXPECT_EQ(listed().size(), 10u) << "the loose files and the archive's";
    EXPECT_FALSE(K4QBAppWindow::takePendingError());

    failing->failSearch = false;
    search("damaged", 0);
    ASSERT_EQ(listed(), Names{"damaged.dds"});
    EXPECT_EQ(watcher.boxes().size(), 1u);
    select({0});
    ASSERT_EQ(watcher.waitForBoxes(2), 2u);
    EXPECT_EQ(watcher.boxes()[1].text,
              "damaged.dds could not be extracted from the Quellbury content "
              "(K4QBERR_PAK_IOERROR).");
    EXPECT_TRUE(waitForCaption("damaged.dds (Unable to load image)")) << caption();
    EXPECT_FALSE(K4QBAppWindow::takePendingError());
    EXPECT_TRUE(IsWindow(window_->getWindow()));
}

} // namespace
