// K4QBTexMgrOutputPanel: the output options' controls, folders and toggles.
#include "texmgr/k4qbtexmgroutputpanel.h"

#include "export/output_names.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4cwindowtext.h"
#include "resources/resource_ids.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbbuttonicon.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbtexmgranimpanel.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <cstring>

namespace {

constexpr const char* kNotInstalled = "Quellbury is not installed!\nThis function is currently "
                                      "unavailable.";
constexpr const char* kNotInstalledTitle = "Functionality Disabled";

} // namespace

K4QBTexMgrOutputPanel::K4QBTexMgrOutputPanel(K4QBTexMgrWindow* mainWindow,
                                             K4QBTexMgrAnimPanel* animPanel, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), animPanel_(animPanel), type_(k4export::kStaticOverlays),
      gameFolder_(k4export::kTextureRoot), parent_(nullptr), group_(nullptr), typeLabel_(nullptr),
      typeList_(nullptr), folderLabel_(nullptr), folders_(nullptr), sourceButton_(nullptr),
      sizeLabel_(nullptr), sizeList_(nullptr), formatLabel_(nullptr), formatList_(nullptr),
      nameLabel_(nullptr), nameField_(nullptr), nameButton_(nullptr), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTexMgrOutputPanel(%p, %p) = %p", (void*)mainWindow,
              (void*)animPanel, (void*)this);
    folders_ = new K4QBFolderDropDown(mainWindow_, logger_);
    K4C_TRACE(logger_, "Exit constructor K4QBTexMgrOutputPanel = %p", (void*)this);
}

K4QBTexMgrOutputPanel::~K4QBTexMgrOutputPanel() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTexMgrOutputPanel = %p", (void*)this);
    delete folders_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTexMgrOutputPanel = %p", (void*)this);
}

HWND K4QBTexMgrOutputPanel::createChild(HWND parent, DWORD exStyle, const char* className,
                                        const char* text, DWORD style, int32_t x, int32_t y,
                                        int32_t width, int32_t height, int32_t id) {
    return mainWindow_->createControl(parent, exStyle, className, text,
                                      WS_CHILD | WS_VISIBLE | style, x, y, width, height, id,
                                      "K4QBTexMgrOutputPanel::createChild", this);
}

void K4QBTexMgrOutputPanel::create(HWND parent) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::create(%p) = %p", (void*)parent, (void*)this);
    parent_ = parent;
    const DWORD list = CBS_DROPDOWNLIST | WS_VSCROLL;
    const DWORD edge = WS_EX_CLIENTEDGE;
    group_ = createChild(parent, 0, "BUTTON", "Output Options:", BS_GROUPBOX, 4, 4, 342, 160, 0);
    typeLabel_ = createChild(parent, 0, "STATIC", "Type:", SS_RIGHT, 10, 27, 66, 20, 0);
    typeList_ =
        createChild(parent, edge, "COMBOBOX", "", list, 80, 22, 182, 92, K4QB_ID_BATCH_TYPE);
    folderLabel_ = createChild(parent, 0, "STATIC", "Folder:", SS_RIGHT, 10, 55, 66, 20, 0);
    folders_->initialize(parent, 80, 50, 232, K4QB_ID_BATCH_FOLDERS);
    sourceButton_ =
        createChild(parent, 0, "BUTTON", "", BS_ICON, 316, 50, 24, 24, K4QB_ID_BATCH_SOURCE);
    sizeLabel_ = createChild(parent, 0, "STATIC", "Size:", SS_RIGHT, 10, 85, 66, 20, 0);
    sizeList_ =
        createChild(parent, edge, "COMBOBOX", "", list, 80, 80, 232, 92, K4QB_ID_BATCH_SIZE);
    formatLabel_ = createChild(parent, 0, "STATIC", "Format:", SS_RIGHT, 10, 113, 66, 20, 0);
    formatList_ =
        createChild(parent, edge, "COMBOBOX", "", list, 80, 108, 232, 92, K4QB_ID_BATCH_FORMAT);
    nameLabel_ =
        createChild(parent, 0, "STATIC", "Filename:", SS_RIGHT | WS_DISABLED, 10, 140, 66, 20, 0);
    nameField_ = createChild(parent, edge, "EDIT", k4export::kBasedOnOriginal,
                             ES_AUTOHSCROLL | WS_DISABLED, 80, 136, 232, 22, K4QB_ID_BATCH_NAME);
    nameButton_ =
        createChild(parent, 0, "BUTTON", "", BS_ICON, 316, 134, 24, 24, K4QB_ID_BATCH_NAMEBUTTON);

    WPARAM labelFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT));
    WPARAM listFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LISTFONT));
    for (HWND labelled : {group_, typeLabel_, folderLabel_, sizeLabel_, formatLabel_, nameLabel_}) {
        SendMessageA(labelled, WM_SETFONT, labelFont, TRUE);
    }
    for (HWND field : {typeList_, folders_->getWindow(), sizeList_, formatList_, nameField_}) {
        SendMessageA(field, WM_SETFONT, listFont, TRUE);
    }
    // A shared icon of the program's resources: the system frees it.
    HANDLE nameIcon =
        LoadImageA(mainWindow_->getAppInstance(), MAKEINTRESOURCEA(IDI_FILENAME_BUTTON), IMAGE_ICON,
                   16, 16, LR_SHARED);
    SendMessageA(nameButton_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(nameIcon));

    for (int32_t type = 0; type < k4export::kTypeCount; ++type) {
        SendMessageA(typeList_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(k4export::typeLabel(type)));
    }
    SendMessageA(formatList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k4export::kBestMatchLabel));
    for (int32_t format = 0; format < k4export::kFormatCount; ++format) {
        SendMessageA(formatList_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(k4export::formatLabel(format)));
    }
    SendMessageA(formatList_, CB_SETCURSEL, 0, 0);
    K4C_TRACE(logger_, "Exit K4QBTexMgrOutputPanel::create = %p", (void*)this);
}

void K4QBTexMgrOutputPanel::setType(int32_t type) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::setType(%d) = %p", type, (void*)this);
    if (type < 0) {
        type = static_cast<int32_t>(SendMessageA(typeList_, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageA(typeList_, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
    }
    type_ = k4export::checkedType(type);
    SendMessageA(sizeList_, CB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; i < k4export::sizeCount(type_); ++i) {
        SendMessageA(sizeList_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(k4export::sizeLabel(type_, i)));
    }
    SendMessageA(sizeList_, CB_SETCURSEL, 0, 0);
    animPanel_->enable(type_ == k4export::kAnimatedOverlays);
    K4C_TRACE(logger_, "Exit K4QBTexMgrOutputPanel::setType = %p", (void*)this);
}

void K4QBTexMgrOutputPanel::applyTypeFolder(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::applyTypeFolder(%s) = %p", folder,
              (void*)this);
    bool textures = type_ == k4export::kTextures;
    if (textures && folder != nullptr) {
        gameFolder_.assign(folder);
    } else if (!textures) {
        gameFolder_.assign(k4export::typeGameFolder(type_));
    }
    try {
        folders_->setToQuellbury(gameFolder_.getText(),
                                 textures ? k4export::kTextureRoot : gameFolder_.getText());
    } catch (const char* code) {
        reportContentError(code);
    }
    // As the drop-down took it (with a final backslash).
    gameFolder_.assign(folders_->getCurFolder());
    EnableWindow(folders_->getWindow(), textures ? TRUE : FALSE);
    showSourceIcon();
    K4C_TRACE(logger_, "Exit K4QBTexMgrOutputPanel::applyTypeFolder = %p", (void*)this);
}

void K4QBTexMgrOutputPanel::setFileSystemFolder(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::setFileSystemFolder(%s) = %p", folder,
              (void*)this);
    if (folder != nullptr) {
        fileSystemFolder_.assign(folder);
    }
    folders_->setToFolder(fileSystemFolder_.getText());
    // Without a folder the drop-down shows the documents folder: that is
    // where the files go, not the root of the drive an empty folder means.
    fileSystemFolder_.assign(folders_->getCurFolder());
    EnableWindow(folders_->getWindow(), TRUE);
    showSourceIcon();
    K4C_TRACE(logger_, "Exit K4QBTexMgrOutputPanel::setFileSystemFolder = %p", (void*)this);
}

void K4QBTexMgrOutputPanel::showSourceIcon() {
    bool game = folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME;
    HICON icon = mainWindow_->getIcon(game ? K4QB_RES_GAMEICON : K4QB_RES_SHELLICON15);
    k4qbShowButtonIcon(sourceButton_, icon);
}

bool K4QBTexMgrOutputPanel::onClicked(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::onClicked(%d) = %p", id, (void*)this);
    bool handled = true;
    if (id == K4QB_ID_BATCH_SOURCE) {
        onSourceClicked();
    } else if (id == K4QB_ID_BATCH_NAMEBUTTON) {
        toggleFileName();
    } else {
        handled = false;
    }
    K4C_TRACE(logger_, "Return %d from K4QBTexMgrOutputPanel::onClicked = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

void K4QBTexMgrOutputPanel::onSourceClicked() {
    if (folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME) {
        setFileSystemFolder(nullptr);
    } else if (mainWindow_->getQBContent() == nullptr) {
        MessageBoxA(parent_, kNotInstalled, kNotInstalledTitle, MB_OK);
    } else {
        applyTypeFolder(nullptr);
    }
}

void K4QBTexMgrOutputPanel::toggleFileName() {
    K4CString text;
    k4cGetWindowText(nameField_, &text);
    if (k4export::isBasedOnOriginal(text.getText())) {
        // The type's prefix, with the caret after it.
        const char* prefix = k4export::typePrefix(type_);
        EnableWindow(nameLabel_, TRUE);
        EnableWindow(nameField_, TRUE);
        SetFocus(nameField_);
        SetWindowTextA(nameField_, prefix);
        WPARAM caret = std::strlen(prefix);
        SendMessageA(nameField_, EM_SETSEL, caret, static_cast<LPARAM>(caret));
    } else {
        SetWindowTextA(nameField_, k4export::kBasedOnOriginal);
        EnableWindow(nameLabel_, FALSE);
        EnableWindow(nameField_, FALSE);
    }
}

bool K4QBTexMgrOutputPanel::onSelChange(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::onSelChange(%d) = %p", id, (void*)this);
    bool handled = true;
    if (id == K4QB_ID_BATCH_TYPE) {
        setType(-1);
    } else if (id == K4QB_ID_BATCH_FOLDERS) {
        try {
            folders_->onSelChange(k4export::typeGameFolder(type_));
        } catch (const char* code) {
            reportContentError(code);
        }
        bool game = folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME;
        (game ? gameFolder_ : fileSystemFolder_).assign(folders_->getCurFolder());
    } else {
        handled = false;
    }
    K4C_TRACE(logger_, "Return %d from K4QBTexMgrOutputPanel::onSelChange = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

void K4QBTexMgrOutputPanel::show(bool visible) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrOutputPanel::show(%d) = %p", visible ? 1 : 0, (void*)this);
    for (HWND control :
         {group_, typeLabel_, typeList_, folderLabel_, folders_->getWindow(), sourceButton_,
          sizeLabel_, sizeList_, formatLabel_, formatList_, nameLabel_, nameField_, nameButton_}) {
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrOutputPanel::show = %p", (void*)this);
}

int32_t K4QBTexMgrOutputPanel::getFolderSource() const {
    return folders_->getCurSource();
}

const char* K4QBTexMgrOutputPanel::getFolder() const {
    return getFolderSource() == K4QB_FOLDER_SOURCE_GAME ? gameFolder_.getText()
                                                        : fileSystemFolder_.getText();
}

int32_t K4QBTexMgrOutputPanel::getSizeIndex() const {
    return static_cast<int32_t>(SendMessageA(sizeList_, CB_GETCURSEL, 0, 0));
}

k4export::Format K4QBTexMgrOutputPanel::getFormat() const {
    return k4export::formatFromBatchIndex(
        static_cast<int32_t>(SendMessageA(formatList_, CB_GETCURSEL, 0, 0)));
}

void K4QBTexMgrOutputPanel::getFileName(K4CString* name) const {
    k4cGetWindowText(nameField_, name);
}

void K4QBTexMgrOutputPanel::reportContentError(const char* code) {
    K4CString text;
    text.appendFormat("The Quellbury content could not be read (%s).", code);
    mainWindow_->reportContentError(text.getText());
}
