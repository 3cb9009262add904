// Getting pictures in and out of the real main window: Save Image As of a
// file in the game's archives (a PNG equal to the codec's decoding, a DDS
// equal byte for byte to the entry, BMP keeping alpha in 32 bits), several
// files into a folder with the question before replacing, the game's own
// files refused; files dropped onto the window (a real HDROP: long and
// non-ASCII paths, missing files and other types named in one message) in
// both modes; and the program started with files on its command line.
#include "codec/codec.h"
#include "codec/convert.h"
#include "content/install_path.h"
#include "content/pak_registry.h"
#include "resources/resource_ids.h"
#include "tests/support/msgbox_watcher.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbsaveimage.h"
#include "texmgr/k4qbtlcontrols.h"
#include "tools/pakwriter.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

using namespace texmgrtest;

std::wstring wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    out.resize(
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], int(out.size())));
    return out;
}

bool writeWide(const std::wstring& path, const imgwrite::Bytes& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    const bool written =
        file != nullptr && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file != nullptr && fclose(file) == 0 && written;
}

imgwrite::Bytes png(uint32_t w, uint32_t h, imgwrite::Pixel colour) {
    std::vector<uint16_t> samples;
    for (uint32_t i = 0; i < w * h; ++i) {
        samples.insert(samples.end(), {colour.r, colour.g, uint16_t(i % 256), colour.a});
    }
    return imgwrite::writePng({}, w, h, samples);
}

std::vector<k4codec::Rgba> decoded(const std::vector<uint8_t>& bytes) {
    k4codec::Image image;
    k4codec::ImageInfo info;
    std::vector<k4codec::Rgba> pixels;
    EXPECT_EQ(k4codec::readImage(bytes.data(), bytes.size(), &image, &info), k4codec::kOk);
    EXPECT_EQ(k4codec::decodeLevel(image, 0, &pixels), k4codec::kOk);
    return pixels;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    k4codec::readFileBytes(path.c_str(), &bytes);
    return bytes;
}

// Removes these files and then folders when the test ends, however it ends:
// the scratch folder's cleaning lists names in the code page and would not
// find them.
struct WideLeftovers {
    std::vector<std::wstring> files, folders;
    ~WideLeftovers() {
        for (const std::wstring& file : files) {
            DeleteFileW(file.c_str());
        }
        for (const std::wstring& folder : folders) {
            RemoveDirectoryW(folder.c_str());
        }
    }
};

// Sends a drop of these paths as Explorer does: a real HDROP, which the
// window frees.
void drop(HWND window, const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const std::wstring& path : paths) {
        chars += path.size() + 1;
    }
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    wchar_t* at = reinterpret_cast<wchar_t*>(files + 1);
    for (const std::wstring& path : paths) {
        at = std::copy(path.begin(), path.end(), at) + 1;
    }
    GlobalUnlock(memory);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// The game install of WindowTest with an archive too, in data\textures\:
// pakphoto.png (16 x 8 with alpha) and pakwall.dds (8 x 8, two DXT1 levels).
class OpenAndSave : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        photo_ = png(16, 8, {200, 40, 0, 100});
        imgwrite::DdsOptions dds;
        dds.width = dds.height = 8;
        dds.mipCount = 2;
        dds.flags |= 0x20000;
        dds.fourCC = imgwrite::fourCC("DXT1");
        wall_ = imgwrite::writeDds(dds, imgwrite::Bytes(5 * 8, 0x3C));
        K4QBPakWriter pak(5);
        pak.addFile("data\\textures\\", "pakphoto.png", photo_);
        pak.addFile("data\\textures\\", "pakwall.dds", wall_);
        const std::string paks = folder_ + "\\install\\data\\pak", cache = folder_ + "\\cache";
        ASSERT_TRUE(k4p::createFolderTree(paks.c_str()) && k4p::createFolder(cache.c_str()));
        ASSERT_TRUE(pak.writeTo(paks + "\\textures.pak"));
        content_.addSource(K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
        out_ = folder_ + "\\out\\";
        ASSERT_TRUE(k4p::createFolder(out_.c_str()));
    }
    int position(const std::string& name) {
        K4QBFileListBox* list = window_->getFSControls()->getFileList();
        for (int i = 0; i < list->getEntryCount(); ++i) {
            if (name == list->getEntryFileName(i)) {
                return i;
            }
        }
        ADD_FAILURE() << name << " not listed";
        return -1;
    }
    std::vector<std::string> selectedNames() {
        K4QBFileListBox* list = window_->getFSControls()->getFileList();
        int32_t count = 0;
        const int32_t* selected = list->getSelectedPositions(&count);
        std::vector<std::string> names;
        for (int32_t i = 0; i < count; ++i) {
            names.push_back(list->getEntryFileName(selected[i]));
        }
        return names;
    }
    imgwrite::Bytes photo_, wall_;
    std::string out_;
};

TEST_F(OpenAndSave, SaveImageAsWritesTheDecodedPictureOrTheStoredBytes) {
    open();
    K4QBSaveImage saver(window_.get());
    EXPECT_EQ(saver.saveEntry(position("pakphoto.png"), (out_ + "photo.png").c_str(),
                              k4codec::ExportType::Png),
              "");
    EXPECT_EQ(decoded(fileBytes(out_ + "photo.png")), decoded(photo_));
    EXPECT_EQ(saver.saveEntry(position("pakwall.dds"), (out_ + "wall.dds").c_str(),
                              k4codec::ExportType::Dds),
              "");
    EXPECT_EQ(fileBytes(out_ + "wall.dds"), wall_);
    // Alpha into BMP: the 32-bit variant, alpha kept.
    EXPECT_EQ(saver.saveEntry(position("pakphoto.png"), (out_ + "photo.bmp").c_str(),
                              k4codec::ExportType::Bmp),
              "");
    const std::vector<uint8_t> bmp = fileBytes(out_ + "photo.bmp");
    ASSERT_GT(bmp.size(), 30u);
    EXPECT_EQ(bmp[28], 32);
    EXPECT_EQ(decoded(bmp), decoded(photo_));

    // The game's own files are never written: a loose texture, an archive.
    const std::string loose = folder_ + "\\install\\data\\textures\\blue.png";
    const std::vector<uint8_t> before = fileBytes(loose);
    for (const std::string& target : {loose, folder_ + "\\install\\data\\pak\\textures.pak"}) {
        const std::string error =
            saver.saveEntry(position("pakphoto.png"), target.c_str(), k4codec::ExportType::Png);
        EXPECT_NE(error.find("is one of Quellbury's own files"), std::string::npos) << error;
    }
    EXPECT_EQ(fileBytes(loose), before);
    // A picture that cannot be read says so; nothing is written.
    EXPECT_NE(saver
                  .saveEntry(position("broken.png"), (out_ + "broken.png").c_str(),
                             k4codec::ExportType::Png)
                  .find("could not be saved"),
              std::string::npos);
    EXPECT_FALSE(k4p::fileExists((out_ + "broken.png").c_str()));
}

// The command with the standard dialog, answered as a user would.
TEST_F(OpenAndSave, SaveImageAsThroughTheDialog) {
    open();
    select({position("pakphoto.png")});
    const std::string target = out_ + "chosen.tga";
    std::atomic<bool> answered{false};
    std::thread user([&] {
        HWND dialog = nullptr;
        k4test::waitUntil([&] {
            dialog = FindWindowA("#32770", "Save Image As");
            // The file name: edt1, or the combo box cmb13 with its edit.
            HWND name = dialog != nullptr ? GetDlgItem(dialog, 0x480) : nullptr;
            HWND combo = dialog != nullptr ? GetDlgItem(dialog, 0x47C) : nullptr;
            if (name == nullptr && combo != nullptr) {
                name = reinterpret_cast<HWND>(SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0));
            }
            if (name != nullptr) {
                SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                answered = true;
            }
            return answered.load();
        });
        if (!answered && dialog != nullptr) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); // never leave the test hanging
        }
    });
    command(window_.get(), IDM_FILE_SAVE_IMAGE);
    user.join();
    ASSERT_TRUE(answered.load());
    const std::vector<uint8_t> tga = fileBytes(target);
    ASSERT_GT(tga.size(), 18u);
    EXPECT_EQ(tga[2], 2); // a TGA, as its name said
    EXPECT_EQ(decoded(tga), decoded(photo_));
}

TEST_F(OpenAndSave, SeveralFilesGoIntoAFolderAsPngAfterAYes) {
    open();
    select({position("pakphoto.png"), position("pakwall.dds")});
    K4QBSaveImage saver(window_.get());
    EXPECT_EQ(saver.saveSelectionToFolder(out_.c_str()), "");
    EXPECT_EQ(decoded(fileBytes(out_ + "pakphoto.png")), decoded(photo_));
    EXPECT_EQ(decoded(fileBytes(out_ + "pakwall.png")), decoded(wall_));
    k4test::writeFile(out_ + "pakwall.png", "mine");
    {
        k4test::MsgBoxWatcher no(IDNO);
        EXPECT_EQ(saver.saveSelectionToFolder(out_.c_str()), "");
        ASSERT_EQ(no.waitForBoxes(1), 1u);
        EXPECT_EQ(no.boxes()[0].text,
                  "2 of the files already exist in " + out_ + ". Is it OK to replace them?");
    }
    EXPECT_EQ(k4test::readFile(out_ + "pakwall.png"), "mine");
    k4test::MsgBoxWatcher yes(IDYES);
    EXPECT_EQ(saver.saveSelectionToFolder(out_.c_str()), "");
    EXPECT_EQ(decoded(fileBytes(out_ + "pakwall.png")), decoded(wall_));
}

// Three pictures dropped from Explorer: one with a non-ASCII name of the
// code page, one below a path longer than MAX_PATH; then missing files,
// a name the code page cannot spell and other types, named in one message;
// then in the layered view, with a folder the code page cannot spell.
TEST_F(OpenAndSave, DroppedFilesAreSelectedAndPreviewedOrAttachedAsLayers) {
    const std::string disk = folder_ + "\\disk\\";
    ASSERT_TRUE(k4p::createFolder(disk.c_str()));
    const std::wstring accented = wide(disk) + L"gr\u00fcn.png";
    const std::wstring foreign = wide(disk) + L"\u65e5\u672c";
    ASSERT_TRUE(writeWide(wide(disk) + L"a.png", png(64, 64, {255, 0, 0, 255})));
    ASSERT_TRUE(writeWide(wide(disk) + L"b.png", png(32, 32, {0, 255, 0, 255})));
    WideLeftovers leftovers{{foreign + L".png", foreign + L"\\c.png"}, {foreign}};
    ASSERT_TRUE(writeWide(accented, png(16, 16, {0, 0, 255, 255})));
    ASSERT_TRUE(writeWide(foreign + L".png", png(4, 4, {0, 0, 255, 255})));
    ASSERT_TRUE(CreateDirectoryW(foreign.c_str(), nullptr));
    ASSERT_TRUE(writeWide(foreign + L"\\c.png", png(4, 4, {0, 0, 255, 255})));
    k4test::writeFile(disk + "notes.txt", "not a picture");
    std::string deep = disk;
    while (deep.size() < MAX_PATH + 20) {
        deep += "a folder with a rather long name to pass the limit\\";
    }
    ASSERT_TRUE(k4p::createFolderTree(deep.c_str()));
    ASSERT_TRUE(writeWide(wide(deep) + L"deep.png", png(8, 8, {9, 9, 9, 255})));
    ASSERT_TRUE(k4p::createFolder((disk + "sub").c_str()));
    ASSERT_TRUE(writeWide(wide(disk) + L"sub\\d.png", png(4, 4, {1, 1, 1, 255})));
    open();
    const HWND main = window_->getWindow();

    drop(main, {wide(disk) + L"a.png", wide(disk) + L"b.png", accented});
    EXPECT_EQ(window_->getFSControls()->getCurSource(), 0);
    EXPECT_EQ(std::string(window_->getFSControls()->getFolderDropDown()->getCurFolder()), disk);
    EXPECT_EQ(selectedNames().size(), 3u);
    ASSERT_TRUE(waitForCaption("a.png (64 by 64)")) << caption();
    EXPECT_EQ(panel_->getImagePreview()->getFrameCount(), 3);
    ASSERT_TRUE(pumpUntil([&] { return panel_->getImagePreview()->getLoadedCount() == 3; }));
    EXPECT_EQ(panel_->getImagePreview()->getFrame(2)->imageWidth, 16) << "the accented name loads";

    {
        k4test::MsgBoxWatcher watcher;
        drop(main, {wide(disk) + L"missing.png", wide(disk) + L"notes.txt", foreign + L".png",
                    wide(disk) + L"b.png"});
        ASSERT_EQ(watcher.waitForBoxes(1), 1u);
        const std::string text = watcher.boxes()[0].text;
        EXPECT_NE(text.find("missing.png"), std::string::npos) << text;
        EXPECT_NE(text.find("notes.txt"), std::string::npos) << text;
        EXPECT_NE(text.find("cannot use"), std::string::npos) << text;
        EXPECT_EQ(text.find("b.png"), std::string::npos) << text;
    }
    EXPECT_EQ(selectedNames(), std::vector<std::string>{"b.png"});
    drop(main, {wide(deep) + L"deep.png"});
    EXPECT_TRUE(waitForCaption("deep.png (8 by 8)")) << caption();
    // A dropped folder opens that folder, its pictures listed.
    drop(main, {wide(disk) + L"sub"});
    EXPECT_EQ(std::string(window_->getFSControls()->getFolderDropDown()->getCurFolder()),
              disk + "sub\\");
    EXPECT_GE(position("d.png"), 0);

    command(window_.get(), IDM_VIEW_MODE_LAYERED);
    drop(main, {wide(disk) + L"b.png", wide(disk) + L"a.png", foreign + L"\\c.png"});
    K4QBLayerListBox* layers = window_->getTLControls()->getLayerList();
    ASSERT_EQ(layers->getEntryCount(), 3);
    EXPECT_EQ(std::string(layers->getEntryFileName(0)), "b.png");
    EXPECT_EQ(std::string(layers->getEntryFileName(1)), "a.png");
    EXPECT_EQ(std::string(layers->getEntryFolder(0)), disk);
    // The folder the code page cannot spell, by its short form: it loads.
    EXPECT_EQ(std::string(layers->getEntryFileName(2)), "c.png");
    k4codec::ImageInfo info;
    std::vector<uint8_t> bytes =
        fileBytes(std::string(layers->getEntryFolder(2)) + layers->getEntryFileName(2));
    EXPECT_EQ(k4codec::readImageHeader(bytes.data(), bytes.size(), &info), k4codec::kOk);
}

// The program started with a file (in a folder the code page cannot spell)
// and a missing one on its command line, as "Open with" does: it shows the
// file and names the missing one.
TEST(OpenFromCommandLine, ShowsTheFileAndNamesTheMissingOne) {
    const std::string folder = k4test::testFolder("texmgr");
    const std::wstring pictures = wide(folder) + L"\\\u00e9t\u00e9 \u65e5";
    ASSERT_TRUE(CreateDirectoryW(pictures.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring picture = pictures + L"\\\u00e9t\u00e9.png";
    WideLeftovers leftovers{{picture}, {pictures}};
    ASSERT_TRUE(writeWide(picture, png(32, 16, {1, 2, 3, 255})));
    const std::string program = folder + "\\program";
    k4p::createFolder(program.c_str());
    std::string built = K4_TEXMGR_EXE;
    if (built[0] == '/') {
        built = "Z:" + built;
    }
    for (char& c : built) {
        c = c == '/' ? '\\' : c;
    }
    const std::string exe = program + "\\k4qb-texmgr.exe";
    ASSERT_TRUE(CopyFileA(built.c_str(), exe.c_str(), FALSE));
    std::wstring commandLine =
        L"\"" + wide(exe) + L"\" \"" + picture + L"\" \"" + wide(folder) + L"\\gone.dds\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               wide(program).c_str(), &startup, &process));
    // The message names the missing file; the panel's caption the shown one.
    std::string message, caption;
    auto ofProcess = [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == process.dwProcessId;
    };
    k4test::waitUntil(
        [&] {
            HWND box = FindWindowA("#32770", "Dunmore's Quellbury Texture Manager");
            if (box != nullptr && ofProcess(box) && message.empty()) {
                char text[1024] = {0};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                message = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            HWND main = FindWindowA("K4QBTexMgrWindow", "Dunmore's Quellbury Texture Manager");
            for (HWND child = main != nullptr && ofProcess(main)
                                  ? FindWindowExA(main, nullptr, "Button", nullptr)
                                  : nullptr;
                 child != nullptr; child = FindWindowExA(main, child, "Button", nullptr)) {
                char text[512] = {0};
                GetWindowTextA(child, text, sizeof text);
                caption = strstr(text, "(32 by 16)") != nullptr ? text : caption;
            }
            return !message.empty() && !caption.empty();
        },
        90000);
    HWND main = FindWindowA("K4QBTexMgrWindow", "Dunmore's Quellbury Texture Manager");
    PostMessageA(main != nullptr && ofProcess(main) ? main : nullptr, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 99); // never left to trouble the next tests
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_NE(message.find("gone.dds"), std::string::npos) << message;
    EXPECT_NE(caption.find("(32 by 16)"), std::string::npos) << caption;
}

} // namespace
