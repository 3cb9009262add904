// K4QBTexMgrWindow: menu commands, button clicks and list notifications,
// modes, debug levels, the About box and the help file.
#include "texmgr/k4qbtexmgrwindow.h"

#include "foundation/errors.h"
#include "foundation/k4clogger.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "texmgr/k4qbcheckwindow.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbsaveimage.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtlcontrols.h"

#include <cstring>

namespace {

constexpr const char* kCreditsLine =
    "Written by Dunmore for the Quellbury content makers; previews through Direct3D 9.";
constexpr const char* kNoFilesChosen = "Please choose at least one image file to convert";
constexpr const char* kContentErrorTitle = "Quellbury Content";
constexpr const char* kNotInstalled = "Quellbury is not installed!\nThis function is currently "
                                      "unavailable.";
constexpr const char* kNotInstalledTitle = "Functionality Disabled";

// HtmlHelpA of hhctrl.ocx, found at run time so that the program starts
// without the help viewer.
typedef HWND(WINAPI* HtmlHelpFunction)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT kHelpDisplayTopic = 0; // HH_DISPLAY_TOPIC

} // namespace

bool K4QBTexMgrWindow::onClicked(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onClicked(%d) = %p", id, (void*)this);
    bool handled = true;
    switch (id) {
    case IDM_FILE_NEW:
        setMode(IDM_VIEW_MODE_LAYERED);
        tlControls_->newTexture();
        break;
    case IDM_FILE_SAVE:
        setMode(IDM_VIEW_MODE_LAYERED);
        tlControls_->saveTexture();
        break;
    case IDM_FILE_EXIT:
        PostMessageA(getWindow(), WM_CLOSE, 0, 0);
        break;
    case IDM_FILE_CHECK_TEXTURES:
        K4QBCheckWindow::open(this, K4QBCheckWindow::Mode::Check, getLogger());
        break;
    case IDM_FILE_SHOW_OVERRIDES:
        if (checkGameInstalled()) {
            K4QBCheckWindow::open(this, K4QBCheckWindow::Mode::Overrides, getLogger());
        }
        break;
    case IDM_FILE_SAVE_IMAGE:
        K4QBSaveImage(this).run();
        break;
    case IDM_VIEW_MODE_FIND:
    case IDM_VIEW_MODE_LAYERED:
        setMode(id);
        break;
    case IDM_VIEW_MODE_TOGGLE:
        setMode(mode_ == K4QB_MODE_FIND ? IDM_VIEW_MODE_LAYERED : IDM_VIEW_MODE_FIND);
        break;
    case IDM_VIEW_ALPHA_ON:
    case IDM_VIEW_ALPHA_OFF:
        imagePanel_->setAlphaFromMenu(id);
        break;
    case IDM_VIEW_BG_BLUE:
    case IDM_VIEW_BG_GREEN:
    case IDM_VIEW_BG_PURPLE:
    case IDM_VIEW_BG_BLACK:
        imagePanel_->setBackgroundFromMenu(id);
        break;
    case IDM_VIEW_ANIM_NONE:
    case IDM_VIEW_ANIM_1FPS:
    case IDM_VIEW_ANIM_10FPS:
    case IDM_VIEW_ANIM_30FPS:
        imagePanel_->setAnimationFromMenu(id);
        break;
    case IDM_DEBUG_WARNINGS:
    case IDM_DEBUG_INFO:
    case IDM_DEBUG_DEBUG:
    case IDM_DEBUG_TRACE:
        setDebugLevel(id);
        break;
    case IDM_HELP_CONTENTS:
        showHelp();
        break;
    case IDM_HELP_ABOUT:
        showAbout();
        break;
    case K4QB_ID_CONVERT:
        try {
            convertWindows_->openFromSelection(fsControls_->getFileList());
        } catch (const char* code) {
            if (std::strcmp(code, K4QBERR_TEXMGR_NOFILESCHOSEN) != 0) {
                throw;
            }
            MessageBoxA(getWindow(), kNoFilesChosen, nullptr, MB_OK);
        }
        break;
    case K4QB_ID_SOURCE:
        fsControls_->onSourceClicked();
        break;
    case K4QB_ID_SEARCH:
        fsControls_->search();
        break;
    case K4QB_ID_ATTACH:
        tlControls_->attach(fsControls_->getFileList());
        setMode(IDM_VIEW_MODE_LAYERED);
        break;
    case K4QB_ID_MORETEXTURES:
        setMode(IDM_VIEW_MODE_FIND);
        break;
    default:
        handled = imagePanel_->onViewCommand(id) || tlControls_->onClicked(id);
        break;
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onClicked = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

bool K4QBTexMgrWindow::onSelChange(int32_t id, LRESULT* result) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onSelChange(%d, %p) = %p", id, (void*)result,
              (void*)this);
    bool handled = false;
    *result = 0;
    if (id == K4QB_ID_FILELIST) {
        imagePanel_->showSelectedFiles();
        handled = true;
    } else if (id == K4QB_ID_FOLDERS || id == K4QB_ID_FILETYPE) {
        handled = fsControls_->onSelChange(id);
    } else if (id == K4QB_ID_OUTFOLDERS) {
        *result = tlControls_->onSelChange();
        handled = true;
    } else if (id < K4QB_ID_FIRST_CONTROL) {
        // Accelerator keys arrive as commands with notification code 1.
        handled = onClicked(id);
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onSelChange = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

bool K4QBTexMgrWindow::onDblClick(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onDblClick(%d) = %p", id, (void*)this);
    bool handled = id == K4QB_ID_FILELIST;
    if (handled && fsControls_->onDblClick()) {
        imagePanel_->showSelectedFiles();
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onDblClick = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

bool K4QBTexMgrWindow::onDropDown(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onDropDown(%d) = %p", id, (void*)this);
    bool handled = id == K4QB_ID_FOLDERS;
    if (handled) {
        SetFocus(fsControls_->getFolderDropDown()->getWindow());
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onDropDown = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

bool K4QBTexMgrWindow::onCloseUp(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onCloseUp(%d) = %p", id, (void*)this);
    bool handled = id == K4QB_ID_FOLDERS;
    if (handled && GetFocus() == fsControls_->getFolderDropDown()->getWindow()) {
        SetFocus(fsControls_->getFileList()->getWindow());
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onCloseUp = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

void K4QBTexMgrWindow::reportContentError(const char* text) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::reportContentError(%s) = %p", text,
              (void*)this);
    K4C_LOGAT(getLogger(), K4C_LOG_ERROR, "(In K4QBTexMgrWindow::reportContentError) %s", text);
    MessageBoxA(getWindow(), text, kContentErrorTitle, MB_OK | MB_ICONWARNING);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::reportContentError = %p", (void*)this);
}

void K4QBTexMgrWindow::reportUnreadableContent(const char* code) {
    K4CString text;
    text.appendFormat("The Quellbury content could not be read (%s).", code);
    reportContentError(text.getText());
}

bool K4QBTexMgrWindow::checkGameInstalled() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::checkGameInstalled = %p", (void*)this);
    const bool installed = getQBContent() != nullptr;
    if (!installed) {
        MessageBoxA(getWindow(), kNotInstalled, kNotInstalledTitle, MB_OK);
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::checkGameInstalled = %p",
              installed ? 1 : 0, (void*)this);
    return installed;
}

void K4QBTexMgrWindow::checkMenuRange(int32_t first, int32_t last, int32_t checked) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::checkMenuRange(%d, %d, %d) = %p", first, last,
              checked, (void*)this);
    HMENU menu = getMenu();
    for (int32_t id = first; id <= last; ++id) {
        CheckMenuItem(menu, static_cast<UINT>(id),
                      MF_BYCOMMAND | (id == checked ? MF_CHECKED : MF_UNCHECKED));
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::checkMenuRange = %p", (void*)this);
}

void K4QBTexMgrWindow::initModeToMenu() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::initModeToMenu = %p", (void*)this);
    CheckMenuItem(getMenu(), IDM_VIEW_MODE_FIND, MF_BYCOMMAND | MF_CHECKED);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::initModeToMenu = %p", (void*)this);
}

void K4QBTexMgrWindow::setModeForMenu(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::setModeForMenu(%d) = %p", id, (void*)this);
    checkMenuRange(IDM_VIEW_MODE_FIND, IDM_VIEW_MODE_LAYERED, id);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::setModeForMenu = %p", (void*)this);
}

void K4QBTexMgrWindow::setMode(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::setMode(%d) = %p", id, (void*)this);
    setModeForMenu(id);
    if (id == IDM_VIEW_MODE_FIND) {
        tlControls_->show(false);
        fsControls_->show(true);
        ShowWindow(convertButton_, SW_SHOW);
        ShowWindow(attachButton_, SW_SHOW);
        imagePanel_->showSelectedFiles();
        mode_ = K4QB_MODE_FIND;
    } else {
        fsControls_->show(false);
        tlControls_->show(true);
        ShowWindow(convertButton_, SW_HIDE);
        ShowWindow(attachButton_, SW_HIDE);
        imagePanel_->showLayeredTexture();
        mode_ = K4QB_MODE_LAYERED;
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::setMode = %p", (void*)this);
}

void K4QBTexMgrWindow::setDebugLevelFromMenu(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::setDebugLevelFromMenu(%d) = %p", id,
              (void*)this);
    checkMenuRange(IDM_DEBUG_WARNINGS, IDM_DEBUG_TRACE, id);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::setDebugLevelFromMenu = %p", (void*)this);
}

void K4QBTexMgrWindow::setDebugLevel(int32_t id) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::setDebugLevel(%d) = %p", id, (void*)this);
    setDebugLevelFromMenu(id);
    // 241 Warnings, 242 Info, 243 Debug, 244 Trace.
    int32_t level = K4C_LOG_WARNING - (id - IDM_DEBUG_WARNINGS);
    if (getLogger() != nullptr) {
        getLogger()->setLevel(level);
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::setDebugLevel = %p", (void*)this);
}

void K4QBTexMgrWindow::showAbout() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::showAbout = %p", (void*)this);
    K4CString text(K4QB_TEXMGR_VERSION_LINE);
    text.append("\n");
    text.append(kCreditsLine);
    MessageBoxA(getWindow(), text.getText(), K4QB_TEXMGR_TITLE, MB_OK);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::showAbout = %p", (void*)this);
}

void K4QBTexMgrWindow::showHelp() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::showHelp = %p", (void*)this);
    if (helpModule_ == nullptr) {
        helpModule_ = LoadLibraryA("hhctrl.ocx");
    }
    HtmlHelpFunction htmlHelp = helpModule_ != nullptr
                                    ? reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(
                                          GetProcAddress(helpModule_, "HtmlHelpA")))
                                    : nullptr;
    if (htmlHelp != nullptr) {
        // The file beside the program when it is there, so that help opens
        // whatever the working folder; else the bare name, as the viewer
        // looks it up.
        K4CString path(getAppFolder().getText(), K4QB_TEXMGR_HELP_FILE);
        const char* file = k4p::fileExists(path.getText()) ? path.getText() : K4QB_TEXMGR_HELP_FILE;
        htmlHelp(getWindow(), file, kHelpDisplayTopic, 0);
    } else {
        K4C_DEBUG(getLogger(), "(In K4QBTexMgrWindow::showHelp) No HTML Help viewer");
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::showHelp = %p", (void*)this);
}
