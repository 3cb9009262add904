// The texture layers panel in the real main window over the fixture install,
// driven with messages: attaching, reordering and removing layers with the
// preview's pixels after each change, the output folder and its source
// button, "Save Texture" and its messages, the mode switch and the layout.
#include "codec/codec.h"
#include "resources/resource_ids.h"
#include "shell/k4qbtexmgrresources.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/support/registry.h"
#include "tests/support/wait.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbtlcontrols.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace texmgrtest;
using Names = std::vector<std::string>;

// Game content of one file, data\textures\slow.png, whose path is handed
// out only once the test lets it go: a load of it stays under way until then,
// as the extraction or decoding of a large layer does.
class SlowContent : public K4QBGameFiles {
public:
    explicit SlowContent(const std::string& path) : path_(path) {}
    int32_t getSourceType() override { return K4QB_SOURCE_DATAFOLDER; }
    const char* getRootFolder() override { return ""; }
    bool getContent(K4CString* output, const char* name, const char*, bool) override {
        if (std::strcmp(name, "slow.png") != 0) {
            return false;
        }
        entered.store(true);
        k4test::waitUntil([&] { return released.load(); });
        output->assign(path_.c_str());
        return true;
    }
    int32_t findContent(K4QBFileList* list, const char* pattern, const char* folder,
                        bool) override {
        const size_t length = std::strlen(pattern);
        if (std::strcmp(folder, "data\\textures\\") != 0 || length < 4 ||
            std::strcmp(pattern + length - 4, ".png") != 0) {
            return 0;
        }
        list->addInOrder(this, "slow.png", folder, false);
        return 1;
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};

private:
    std::string path_;
};

class LayersPanel : public WindowTest {
protected:
    K4QBTLControls* layers() { return window_->getTLControls(); }
    HWND control(int id) { return GetDlgItem(window_->getWindow(), id); }
    void click(int id) { command(window_.get(), id); }
    // Selects files of the search list without telling the window, as the
    // hidden list keeps them in the layered view.
    void pick(const std::vector<int>& positions) {
        SendMessageA(control(K4QB_ID_FILELIST), LB_SETSEL, FALSE, -1);
        for (int position : positions) {
            SendMessageA(control(K4QB_ID_FILELIST), LB_SETSEL, TRUE, position);
        }
    }
    void choose(int layer) { SendMessageA(control(K4QB_ID_LAYERLIST), LB_SETCURSEL, layer, 0); }
    int chosen() {
        return static_cast<int>(SendMessageA(control(K4QB_ID_LAYERLIST), LB_GETCURSEL, 0, 0));
    }
    Names shown() {
        Names names;
        K4QBLayerListBox* list = layers()->getLayerList();
        EXPECT_EQ(SendMessageA(list->getWindow(), LB_GETCOUNT, 0, 0), list->getEntryCount());
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            names.push_back(list->getEntryFileName(i));
        }
        return names;
    }
    HICON sourceIcon() {
        return reinterpret_cast<HICON>(
            SendMessageA(control(K4QB_ID_OUTSOURCE), BM_GETIMAGE, IMAGE_ICON, 0));
    }
    RECT rect() {
        K4QBFileList shown;
        layers()->getPreview()->getLayers()->copyTo(&shown);
        K4QBD3DUse use(window_.get());
        return layerRect(layers()->getPreview(), shown, true);
    }
    // The preview's colour at the layered texture's centre (the screen's
    // without a layer).
    uint32_t centre() {
        RECT r = rect();
        if (r.right <= r.left) {
            r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        }
        return readBackBuffer(window_.get()).rgb((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // Makes the change with the device held, so that no drawing is under way,
    // then waits for the drawing that follows (the worker takes its dirty
    // flag before it waits for the device, so the flag itself cannot tell).
    uint32_t change(const std::function<void()>& what) {
        K4QBLayerPreview* preview = layers()->getPreview();
        uint32_t start = 0;
        {
            K4QBD3DUse use(window_.get());
            start = preview->getDrawCount();
            what();
        }
        EXPECT_TRUE(pumpUntil([&] { return preview->getDrawCount() > start; }));
        return centre();
    }
    // After a restart of the worker (a mode switch).
    uint32_t redrawn() {
        return change([&] { layers()->setPreviewDirty(); });
    }
};

TEST_F(LayersPanel, AttachReorderAndRemoveWithThePreviewAfterEachChange) {
    open();
    EXPECT_EQ(layers()->getPreview(), nullptr) << "no worker in find-textures mode";
    pick({kBlue, kGreen, kWide});
    click(K4QB_ID_ATTACH);
    EXPECT_EQ(window_->getMode(), K4QB_MODE_LAYERED);
    EXPECT_EQ(shown(), (Names{"blue.png", "green.png", "wide.png"}));
    // The output folder follows the first layer, a game file.
    EXPECT_EQ(layers()->getCurSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_STREQ(layers()->getCurFolder(), "data\\textures\\");
    EXPECT_EQ(sourceIcon(), window_->getIcon(K4QB_RES_GAMEICON));
    // The top layer covers the others at the bottom layer's square size.
    EXPECT_EQ(redrawn(), 0xFFFF00u);
    const RECT square = rect();
    const double sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((square.right - square.left) / sx, (square.bottom - square.top) / sy, 0.02);

    choose(2);
    EXPECT_EQ(change([&] { click(K4QB_ID_MOVEUP); }), 0x00FF00u);
    EXPECT_EQ(shown(), (Names{"blue.png", "wide.png", "green.png"}));
    EXPECT_EQ(chosen(), 1);
    choose(0); // already the bottom: nothing moves
    change([&] { click(K4QB_ID_MOVEUP); });
    EXPECT_EQ(shown(), (Names{"blue.png", "wide.png", "green.png"}));
    EXPECT_EQ(chosen(), 0);
    // The wide picture at the bottom gives the texture its size.
    EXPECT_EQ(change([&] { click(K4QB_ID_MOVEDOWN); }), 0x00FF00u);
    EXPECT_EQ(shown(), (Names{"wide.png", "blue.png", "green.png"}));
    EXPECT_EQ(chosen(), 1);
    const RECT wide = rect();
    EXPECT_NEAR((wide.right - wide.left) / sx, 4 * (wide.bottom - wide.top) / sy, 0.05);

    choose(2);
    EXPECT_EQ(change([&] { click(K4QB_ID_REMOVE); }), 0x0000FFu);
    EXPECT_EQ(shown(), (Names{"wide.png", "blue.png"}));
    EXPECT_EQ(chosen(), -1);
    click(K4QB_ID_REMOVE); // without a choice
    EXPECT_EQ(shown().size(), 2u);

    // A file deleted before it was ever drawn is left out of the preview.
    const std::string late = folder_ + "\\install\\data\\textures\\late.png";
    k4test::writeUniformPng(late, 64, 64, {255, 0, 0, 255});
    click(K4QB_ID_SEARCH); // lists late.png as the fourth file
    pick({3});
    ASSERT_TRUE(DeleteFileA(late.c_str()));
    click(K4QB_ID_ATTACH);
    EXPECT_EQ(shown(), (Names{"wide.png", "blue.png", "late.png"}));
    EXPECT_EQ(redrawn(), 0x0000FFu);

    // Without a layer the preview is dark grey only.
    for (uint32_t expected : {0x0000FFu, 0x333333u, 0x333333u}) {
        choose(0);
        EXPECT_EQ(change([&] { click(K4QB_ID_REMOVE); }), expected);
    }
    EXPECT_EQ(shown(), Names{});

    // "New Texture" empties the list; the output folder stays.
    pick({kGreen});
    click(K4QB_ID_ATTACH);
    click(IDM_FILE_NEW);
    EXPECT_EQ(shown(), Names{});
    EXPECT_EQ(redrawn(), 0x333333u);
    EXPECT_EQ(layers()->getCurSource(), K4QB_FOLDER_SOURCE_GAME);
}

// The background shows at once behind the half-transparent layer; the alpha
// choice redraws at once too.
TEST_F(LayersPanel, ViewChoicesRedrawTheLayeredTextureAtOnce) {
    open();
    pick({kRedHalf});
    click(K4QB_ID_ATTACH);
    redrawn();
    // Red at alpha 128 over the background.
    const auto halfRedOver = [](D3DCOLOR background) {
        uint32_t colour = 0;
        for (int shift : {16, 8, 0}) {
            const uint32_t over = (background >> shift) & 0xFF;
            colour |= (((shift == 16 ? 255 : 0) * 128 + over * 127) / 255) << shift;
        }
        return colour;
    };
    const struct {
        int id;
        D3DCOLOR background;
    } choices[] = {{IDM_VIEW_BG_BLACK, K4QB_BG_BLACK},
                   {IDM_VIEW_BG_BLUE, K4QB_BG_BLUE},
                   {IDM_VIEW_ALPHA_OFF, K4QB_BG_BLUE},
                   {IDM_VIEW_ALPHA_ON, K4QB_BG_BLUE}};
    for (const auto& choice : choices) {
        const uint32_t centre = change([&] { click(choice.id); });
        EXPECT_TRUE(closeTo(centre, halfRedOver(choice.background))) << choice.id << " " << centre;
    }
}

// While the preview loads a layer (here held inside the content source, as
// an extraction or a large decode holds it), the window thread reorders the
// layers without waiting for it.
TEST_F(LayersPanel, TheWindowNeverWaitsForALayerThatLoads) {
    const std::string path = folder_ + "\\slow.png";
    k4test::writeUniformPng(path, 64, 64, {255, 0, 255, 255});
    auto* slow = new SlowContent(path);
    content_.addSource(slow); // owned by the registry
    open();
    constexpr int kSlow = 4; // after red_half.png
    ASSERT_EQ(std::string(window_->getFSControls()->getFileList()->getEntryFileName(kSlow)),
              "slow.png");
    pick({kBlue, kSlow});
    click(K4QB_ID_ATTACH);
    ASSERT_TRUE(k4test::waitUntil([&] { return slow->entered.load(); }));
    std::atomic<bool> moved{false};
    // Lets the load go on after the move, or after 10 s when the move waits
    // for it, so that a regression fails instead of hanging.
    k4test::TestThread release([&] {
        k4test::waitUntil([&] { return moved.load(); }, 10000);
        slow->released.store(true);
    });
    choose(1);
    click(K4QB_ID_MOVEUP);
    const bool loadStillUnderWay = !slow->released.load();
    moved.store(true);
    EXPECT_TRUE(loadStillUnderWay) << "Move Up waited for the layer's load";
    EXPECT_EQ(shown(), (Names{"slow.png", "blue.png"}));
    release.join();
    EXPECT_EQ(redrawn(), 0x0000FFu);
}

TEST_F(LayersPanel, OutputFolderFollowsTheFirstLayerAndTheSourceButton) {
    const std::string disk = folder_ + "\\disk\\";
    ASSERT_TRUE(k4p::createFolder(disk.c_str()));
    k4test::writeUniformPng(disk + "a.png", 8, 8, {0, 0, 0, 255});
    k4test::writeFile(folder_ + "\\k4-qb-texmgr.ini", "[file search]\ndirectory = " + disk + "\n");
    open();
    pick({0});
    click(K4QB_ID_ATTACH);
    EXPECT_EQ(layers()->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_EQ(layers()->getCurFolder(), disk);
    EXPECT_EQ(layers()->getFolderDropDown()->getCurFolder(), disk);
    EXPECT_EQ(sourceIcon(), window_->getIcon(K4QB_RES_SHELLICON15));
    // To the game and back: each source keeps its folder.
    click(K4QB_ID_OUTSOURCE);
    EXPECT_EQ(layers()->getCurSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_STREQ(layers()->getCurFolder(), "data\\textures\\");
    EXPECT_EQ(sourceIcon(), window_->getIcon(K4QB_RES_GAMEICON));
    click(K4QB_ID_OUTSOURCE);
    EXPECT_EQ(layers()->getCurFolder(), disk);
    // A folder chosen in the drop-down (the parent) is kept; a file attached
    // to a texture that has layers does not move it.
    K4QBFolderDropDown* folders = layers()->getFolderDropDown();
    SendMessageA(folders->getWindow(), CB_SETCURSEL, folders->getCurIndex() - 1, 0);
    SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_OUTFOLDERS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(folders->getWindow()));
    SendMessageA(folders->getWindow(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(layers()->getCurFolder(), folder_ + "\\");
    click(K4QB_ID_ATTACH);
    EXPECT_EQ(shown().size(), 2u);
    EXPECT_EQ(layers()->getCurFolder(), folder_ + "\\");

    // Without the game: the message, and the file system stays.
    window_.reset();
    TestWindow alone(folder_);
    alone.initialize(nullptr, SW_SHOWNORMAL);
    command(&alone, IDM_VIEW_MODE_LAYERED);
    k4test::MsgBoxWatcher watcher;
    command(&alone, K4QB_ID_OUTSOURCE);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, "Functionality Disabled");
    EXPECT_EQ(watcher.boxes()[0].text,
              "Quellbury is not installed!\nThis function is currently unavailable.");
    EXPECT_EQ(alone.getTLControls()->getCurSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(GetDlgItem(alone.getWindow(), K4QB_ID_OUTSOURCE),
                                                   BM_GETIMAGE, IMAGE_ICON, 0)),
              alone.getIcon(K4QB_RES_SHELLICON15));
}

// Into the game's folder below the install folder, in the chosen format and
// under the typed name; a folder that cannot be made and an empty texture
// fail with the message and write nothing.
TEST_F(LayersPanel, SaveTextureTellsTheOutcome) {
    const std::string blocked = folder_ + "\\blocked", out = folder_ + "\\out";
    ASSERT_TRUE(k4p::createFolder(blocked.c_str()) && k4p::createFolder(out.c_str()));
    k4test::writeFile(blocked + "\\data", "a file where the folder must go");
    k4test::seeInstallPath(blocked.c_str());
    open();
    k4test::MsgBoxWatcher watcher;
    click(IDM_FILE_SAVE);
    ASSERT_EQ(watcher.waitForBoxes(1), 1u);
    EXPECT_EQ(watcher.boxes()[0].text,
              "An error occurred attempted to save texture file untitled.dds");
    EXPECT_EQ(watcher.boxes()[0].caption, "Error");

    pick({kBlue, kRedHalf});
    click(K4QB_ID_ATTACH);
    SetWindowTextA(control(K4QB_ID_FILENAME), "layered.dds");
    SendMessageA(control(K4QB_ID_FORMAT), CB_SETCURSEL, 3, 0); // 32-bit ARGB
    click(IDM_FILE_SAVE);
    ASSERT_EQ(watcher.waitForBoxes(2), 2u);
    EXPECT_EQ(watcher.boxes()[1].text,
              "An error occurred attempted to save texture file layered.dds");
    k4p::FolderListing listing;
    k4p::FindItem item;
    int entries = 0;
    for (bool more = listing.open((blocked + "\\*").c_str()); more && listing.next(&item);) {
        entries += item.name[0] != '.';
    }
    EXPECT_EQ(entries, 1) << "only the blocking file";

    k4test::seeInstallPath(out.c_str());
    click(IDM_FILE_SAVE);
    ASSERT_EQ(watcher.waitForBoxes(3), 3u);
    EXPECT_EQ(watcher.boxes()[2].text, "Texture file layered.dds has been successfully saved!");
    EXPECT_EQ(watcher.boxes()[2].caption, "Texture Saved");
    const std::string saved = out + "\\data\\textures\\layered.dds";
    auto read = [&](k4codec::ImageInfo* info) {
        std::vector<uint8_t> bytes;
        k4codec::Image image;
        EXPECT_EQ(k4codec::readFileBytes(saved.c_str(), &bytes), k4codec::kOk);
        EXPECT_EQ(k4codec::ddsReadImage(bytes.data(), bytes.size(), &image, info), k4codec::kOk);
        return image;
    };
    k4codec::ImageInfo info;
    k4codec::Image image = read(&info);
    ASSERT_EQ(info.width, 64u);
    EXPECT_EQ(info.format, k4codec::kFmtA8R8G8B8);
    // Half-transparent red over blue over transparent black (B, G, R, A).
    const uint8_t* centre = &image.levels[0][(32 * 64 + 32) * 4];
    const int expected[4] = {127, 0, 128, 191};
    for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(centre[c], expected[c], 2) << c;
    }
    SendMessageA(control(K4QB_ID_FORMAT), CB_SETCURSEL, 11, 0); // the list's last
    click(IDM_FILE_SAVE);
    ASSERT_EQ(watcher.waitForBoxes(4), 4u);
    read(&info);
    EXPECT_EQ(info.format, k4codec::kFmtL8);
}

TEST_F(LayersPanel, ModeSwitchControlsAndLayout) {
    HWND main = open()->getWindow();
    EXPECT_FALSE(IsWindowVisible(control(K4QB_ID_LAYERLIST)));
    click(IDM_VIEW_MODE_LAYERED);
    K4QBLayerPreview* worker = layers()->getPreview();
    ASSERT_NE(worker, nullptr);
    EXPECT_TRUE(worker->isRunning());
    EXPECT_EQ(windowText(control(K4QB_ID_FILENAME)), "untitled.dds");
    EXPECT_EQ(SendMessageA(control(K4QB_ID_FORMAT), CB_GETCOUNT, 0, 0), 12);
    EXPECT_EQ(windowText(control(K4QB_ID_FORMAT)), "DXT1 (on/off transparency)");
    EXPECT_EQ(SendMessageA(control(K4QB_ID_LAYERLIST), LB_GETITEMHEIGHT, 0, 0), 17);
    EXPECT_EQ(SendMessageA(control(K4QB_ID_OUTFOLDERS), CB_GETITEMHEIGHT, 0, 0), 21);
    EXPECT_EQ(SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(control(K4QB_ID_MOVEUP)),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    // Painting the main window or the panel has the worker draw again. (The
    // worker takes the request before it waits for the device, so the drawing
    // is what tells.)
    for (HWND painted : {main, panel_->getPanelWindow()}) {
        ASSERT_TRUE(pumpUntil([&] { return !worker->isDirty(); }));
        uint32_t drawn = 0;
        {
            K4QBD3DUse use(window_.get());
            drawn = worker->getDrawCount();
            RedrawWindow(painted, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        EXPECT_TRUE(pumpUntil([&] { return worker->getDrawCount() > drawn; }));
    }

    // At any size the panel's controls fill the column without overlapping.
    for (SIZE client : {SIZE{400, 300}, SIZE{1000, 700}}) {
        setClientSize(main, client.cx, client.cy);
        pump();
        const int r = window_->getFSRightBound(), b = window_->getImagePanelBottomBound();
        std::vector<HWND> column = visibleChildren(main);
        for (HWND panel : {panel_->getPanelWindow(), panel_->getCaptionBox()}) {
            column.erase(std::remove(column.begin(), column.end(), panel), column.end());
        }
        EXPECT_GE(column.size(), 14u);
        expectLaidOut(main, {0, 0, r, b}, column);
    }

    // "Search for More Textures" goes back: the worker stops, the panel hides.
    click(K4QB_ID_MORETEXTURES);
    EXPECT_EQ(window_->getMode(), K4QB_MODE_FIND);
    EXPECT_EQ(layers()->getPreview(), nullptr);
    EXPECT_FALSE(IsWindowVisible(control(K4QB_ID_MOVEUP)));
    EXPECT_TRUE(IsWindowVisible(control(K4QB_ID_FILELIST)));
}

} // namespace
