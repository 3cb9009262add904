// Shared pieces of the convert window tests: the real main window with its
// file search list on a folder of source images, convert windows opened on
// a selection of it through the main window's list of convert windows,
// driven with messages as their controls send them, and their outputs read
// back with the codec.
#pragma once

#include "codec/codec.h"
#include "content/install_path.h"
#include "exportd3d/k4qbexportjob.h"
#include "tests/support/checks.h"
#include "tests/support/registry.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbtexmgranimpanel.h"
#include "texmgr/k4qbtexmgrconvertwindow.h"
#include "texmgr/k4qbtexmgroutputpanel.h"

#include <map>
#include <set>

namespace converttest {

using texmgrtest::windowText;

inline HWND control(K4QBTexMgrConvertWindow* window, int id) {
    return GetDlgItem(window->getWindow(), id);
}

// A notification as the control sends it to the convert window.
inline void notify(K4QBTexMgrConvertWindow* window, int id, int code) {
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(control(window, id)));
}
inline void click(K4QBTexMgrConvertWindow* window, int id) {
    notify(window, id, BN_CLICKED);
}
// Chooses an entry of a combo box as the user does.
inline void choose(K4QBTexMgrConvertWindow* window, int id, int index) {
    SendMessageA(control(window, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    notify(window, id, CBN_SELCHANGE);
}
// Types into a number field and leaves it.
inline void type(K4QBTexMgrConvertWindow* window, int id, const std::string& text) {
    SetWindowTextA(control(window, id), text.c_str());
    notify(window, id, EN_KILLFOCUS);
}
inline int selection(K4QBTexMgrConvertWindow* window, int id) {
    return static_cast<int>(SendMessageA(control(window, id), CB_GETCURSEL, 0, 0));
}
inline std::string itemText(K4QBTexMgrConvertWindow* window, int id, int index) {
    char text[256] = {0};
    SendMessageA(control(window, id), CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

// Every text set on a convert window's status line, in order.
class StatusRecorder {
public:
    explicit StatusRecorder(K4QBTexMgrConvertWindow* window) : status_(window->getStatusWindow()) {
        texts().clear();
        previous() = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record)));
    }
    ~StatusRecorder() {
        if (IsWindow(status_)) {
            SetWindowLongPtrA(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous()));
        }
    }
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;
    static std::vector<std::string>& texts() {
        static std::vector<std::string> seen;
        return seen;
    }
    bool saw(const std::string& text) const {
        return std::find(texts().begin(), texts().end(), text) != texts().end();
    }

private:
    static WNDPROC& previous() {
        static WNDPROC proc = nullptr;
        return proc;
    }
    static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SETTEXT) {
            texts().push_back(reinterpret_cast<const char*>(lParam));
        }
        return CallWindowProcA(previous(), window, message, wParam, lParam);
    }
    HWND status_;
};

// A DDS file as its header describes it: "WxH FORMAT levels", or "<missing>"
// or "<bad>".
inline std::string ddsShape(const std::string& path) {
    std::vector<uint8_t> bytes;
    k4codec::ImageInfo info;
    if (k4codec::readFileBytes(path.c_str(), &bytes) != k4codec::kOk) {
        return "<missing>";
    }
    if (k4codec::ddsReadHeader(bytes.data(), bytes.size(), &info) != k4codec::kOk) {
        return "<bad>";
    }
    return std::to_string(info.width) + "x" + std::to_string(info.height) + " " +
           k4codec::formatName(info.format) + " " + std::to_string(info.mipLevels);
}

// The files below a folder with their shapes, by path relative to it.
inline std::map<std::string, std::string> outputTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    k4test::walkTree(folder, [&](const std::string& path, bool directory) {
        if (!directory) {
            files[path] = ddsShape(folder + "\\" + path);
        }
    });
    return files;
}

// The main window with its file search on the folder "src" of the test's
// folder (images are written there before open()), and convert windows on
// selections of it, writing into "out" unless told otherwise.
class ConvertTest : public texmgrtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        src_ = folder_ + "\\src";
        out_ = folder_ + "\\out";
        ASSERT_TRUE(k4p::createFolder(src_.c_str()));
        ASSERT_TRUE(k4p::createFolder(out_.c_str()));
        k4test::writeFile(folder_ + "\\k4-qb-texmgr.ini",
                          "[file search]\nsource = File System\ndirectory = " + src_ + "\\\n");
    }
    void TearDown() override {
        window_.reset();
        if (installed_) {
            k4test::deleteRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                        K4QB_INSTALL_VALUE);
            k4qbForgetInstallPath();
        }
    }

    void writeImage(const std::string& name, uint32_t size = 32) {
        k4test::writeUniformPng(src_ + "\\" + name, size, size, {200, 100, 50, 255});
    }
    // The game installed in the fixture's install folder, for game outputs.
    void install() {
        k4test::storeRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                   K4QB_INSTALL_VALUE, true, folder_ + "\\install");
        k4qbForgetInstallPath();
        installed_ = true;
    }
    // Opens the main window (first call), whose list the convert windows
    // join as "Convert To DDS" adds them.
    void openMain() {
        if (!window_) {
            open();
            list_ = window_->getConvertWindows();
        }
    }
    // A convert window on these files of the list (by name), with its outputs
    // in "out" (an empty folder: the file system as the window starts).
    K4QBTexMgrConvertWindow* openConvert(const std::vector<std::string>& names,
                                         const std::string& folder = "out") {
        openMain();
        K4QBFileListBox* files = window_->getFSControls()->getFileList();
        std::vector<int> positions;
        for (const std::string& name : names) {
            for (int32_t i = 0; i < files->getEntryCount(); ++i) {
                if (name == files->getEntryFileName(i)) {
                    positions.push_back(i);
                }
            }
        }
        EXPECT_EQ(positions.size(), names.size());
        select(positions);
        K4QBTexMgrConvertWindow* convert = list_->openFromSelection(files);
        if (!folder.empty()) {
            convert->getOutputPanel()->setFileSystemFolder((folder_ + "\\" + folder).c_str());
        }
        return convert;
    }
    // Pumps until the window has closed itself after its run.
    bool waitUntilClosed(K4QBTexMgrConvertWindow* convert) {
        return k4test::pumpUntil([&] { return convert->getWindow() == nullptr; });
    }
    bool waitForStatus(const std::string& text) {
        return k4test::pumpUntil([&] {
            return StatusRecorder::texts().size() > 0 && StatusRecorder::texts().back() == text;
        });
    }

    std::string src_, out_;
    K4QBConvertWindowList* list_ = nullptr; // the main window's
    bool installed_ = false;
};

} // namespace converttest
