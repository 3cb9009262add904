// K4QBFSControls: the file search panel's controls, settings, search and
// events.
#include "texmgr/k4qbfscontrols.h"

#include "content/k4qbfindrules.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4qbinifile.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbbuttonicon.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbredrawpause.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <cstring>

namespace {

constexpr const char* kGroup = "file search";

void setDefault(K4QBIniGroup* group, const char* key, const char* value) {
    if (group->findKeyIndex(key) < 0) {
        group->setString(key, value);
    }
}

} // namespace

K4QBFSControls::K4QBFSControls(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), frame_(nullptr), folders_(nullptr), sourceButton_(nullptr),
      searchLabel_(nullptr), searchText_(nullptr), searchButton_(nullptr), typeLabel_(nullptr),
      fileType_(nullptr), filesFrame_(nullptr), fileList_(nullptr), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBFSControls(%p) = %p", (void*)mainWindow, (void*)this);
    K4QBIniGroup* group = settings();
    setDefault(group, "source", K4QB_SOURCE_FILES_NAME);
    setDefault(group, "quellbury-folder", K4QB_GAME_TEXTURE_ROOT);
    setDefault(group, "file-type", K4QB_FILE_TYPES[0].text);
    if (mainWindow_->getQBContent() == nullptr) {
        group->setString("source", K4QB_SOURCE_FILES_NAME);
    }
    folders_ = new K4QBFolderDropDown(mainWindow_, logger_);
    fileList_ = new K4QBFileListBox(mainWindow_, logger_);
    K4C_TRACE(logger_, "Exit constructor K4QBFSControls = %p", (void*)this);
}

K4QBFSControls::~K4QBFSControls() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBFSControls = %p", (void*)this);
    delete fileList_;
    delete folders_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBFSControls = %p", (void*)this);
}

K4QBIniGroup* K4QBFSControls::settings() {
    K4QBIniGroup* group = mainWindow_->getINIGroup(kGroup);
    return group != nullptr ? group : mainWindow_->getINIFile()->addGroup(kGroup);
}

int32_t K4QBFSControls::getCurSource() const {
    return folders_->getCurSource();
}

HWND K4QBFSControls::createChild(HWND parent, DWORD exStyle, const char* className,
                                 const char* text, DWORD style, int32_t id) {
    // Placed by placeControls.
    return mainWindow_->createControl(parent, exStyle, className, text, style, 0, 0, 0, 0, id,
                                      "K4QBFSControls::createChild", this);
}

void K4QBFSControls::createControls(HWND parent) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::createControls(%p) = %p", (void*)parent, (void*)this);
    const DWORD visible = WS_CHILD | WS_VISIBLE;
    frame_ = createChild(parent, 0, "BUTTON", "", visible | BS_GROUPBOX, 0);
    folders_->initialize(parent, 8, 20, mainWindow_->getFSRightBound() - 44, K4QB_ID_FOLDERS);
    sourceButton_ = createChild(parent, 0, "BUTTON", "", visible | BS_ICON, K4QB_ID_SOURCE);
    searchLabel_ = createChild(parent, 0, "STATIC", "Search:", visible | SS_LEFTNOWORDWRAP, 0);
    searchText_ = createChild(parent, WS_EX_CLIENTEDGE, "EDIT", "", visible, K4QB_ID_SEARCHTEXT);
    searchButton_ = createChild(parent, 0, "BUTTON", "", visible | BS_ICON, K4QB_ID_SEARCH);
    typeLabel_ = createChild(parent, 0, "STATIC", "Type:", visible | SS_LEFTNOWORDWRAP, 0);
    fileType_ = createChild(parent, WS_EX_CLIENTEDGE, "COMBOBOX", "",
                            visible | WS_VSCROLL | CBS_DROPDOWNLIST, K4QB_ID_FILETYPE);
    filesFrame_ = createChild(parent, 0, "BUTTON", "Texture Files:", visible | BS_GROUPBOX, 0);
    fileList_->create(parent, 0, 0, 0, 0, K4QB_ID_FILELIST);
    placeControls(true);

    WPARAM labelFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT));
    WPARAM listFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LISTFONT));
    for (HWND labelled : {frame_, searchLabel_, typeLabel_, filesFrame_}) {
        SendMessageA(labelled, WM_SETFONT, labelFont, TRUE);
    }
    SendMessageA(searchText_, WM_SETFONT, listFont, TRUE);
    SendMessageA(fileType_, WM_SETFONT, listFont, TRUE);
    SendMessageA(searchButton_, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(mainWindow_->getIcon(K4QB_RES_SHELLICON45)));

    K4QBIniGroup* group = settings();
    try {
        const char* source = group->getString("source");
        if (source != nullptr && std::strcmp(source, K4QB_SOURCE_FILES_NAME) != 0) {
            folders_->setToQuellbury(group->getString("quellbury-folder"), K4QB_GAME_TEXTURE_ROOT);
        } else {
            folders_->setToFolder(group->getString("directory"));
        }
    } catch (const char* code) {
        mainWindow_->reportUnreadableContent(code);
    }
    showSource();
    fillFileTypes();
    search();
    K4C_TRACE(logger_, "Exit K4QBFSControls::createControls = %p", (void*)this);
}

void K4QBFSControls::placeControls(bool repaint) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::placeControls(%d) = %p", repaint ? 1 : 0,
              (void*)this);
    int32_t r = mainWindow_->getFSRightBound();
    int32_t b = mainWindow_->getFSBottomBound();
    BOOL paint = repaint ? TRUE : FALSE;
    MoveWindow(frame_, 4, 4, r - 8, 100, paint);
    MoveWindow(folders_->getWindow(), 8, 20, r - 44, 216, paint);
    MoveWindow(sourceButton_, r - 34, 19, 24, 24, paint);
    MoveWindow(searchLabel_, 8, 54, 54, 18, paint);
    MoveWindow(searchText_, 62, 50, r - 98, 22, paint);
    MoveWindow(searchButton_, r - 34, 48, 24, 24, paint);
    MoveWindow(typeLabel_, 8, 80, 54, 18, paint);
    MoveWindow(fileType_, 62, 76, r - 70, 216, paint);
    MoveWindow(filesFrame_, 4, 108, r - 8, b - 112, paint);
    MoveWindow(fileList_->getWindow(), 8, 124, r - 16, b - 132, paint);
    K4C_TRACE(logger_, "Exit K4QBFSControls::placeControls = %p", (void*)this);
}

void K4QBFSControls::relayout(bool rightChanged, bool bottomChanged) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::relayout(%d, %d) = %p", rightChanged ? 1 : 0,
              bottomChanged ? 1 : 0, (void*)this);
    if (rightChanged || bottomChanged) {
        placeControls(false);
    }
    K4C_TRACE(logger_, "Exit K4QBFSControls::relayout = %p", (void*)this);
}

void K4QBFSControls::show(bool visible) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::show(%d) = %p", visible ? 1 : 0, (void*)this);
    for (HWND control :
         {frame_, folders_->getWindow(), sourceButton_, searchLabel_, searchText_, searchButton_,
          typeLabel_, fileType_, filesFrame_, fileList_->getWindow()}) {
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    K4C_TRACE(logger_, "Exit K4QBFSControls::show = %p", (void*)this);
}

void K4QBFSControls::showSource() {
    K4C_TRACE(logger_, "Enter K4QBFSControls::showSource = %p", (void*)this);
    bool game = folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME;
    K4CString text(game ? K4QB_SOURCE_GAME_NAME : K4QB_SOURCE_FILES_NAME);
    text.appendChar(':');
    SetWindowTextA(frame_, text.getText());
    // The icon of the source shown (as the layers panel's folder button does).
    HICON icon = mainWindow_->getIcon(game ? K4QB_RES_GAMEICON : K4QB_RES_SHELLICON15);
    k4qbShowButtonIcon(sourceButton_, icon);
    K4C_TRACE(logger_, "Exit K4QBFSControls::showSource = %p", (void*)this);
}

void K4QBFSControls::fillFileTypes() {
    K4C_TRACE(logger_, "Enter K4QBFSControls::fillFileTypes = %p", (void*)this);
    SendMessageA(fileType_, CB_RESETCONTENT, 0, 0);
    for (const K4QBFileType& type : K4QB_FILE_TYPES) {
        SendMessageA(fileType_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type.text));
    }
    int32_t chosen = k4qbFindFileType(settings()->getString("file-type"));
    SendMessageA(fileType_, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    K4C_TRACE(logger_, "Exit K4QBFSControls::fillFileTypes = %p", (void*)this);
}

void K4QBFSControls::search() {
    K4C_TRACE(logger_, "Enter K4QBFSControls::search = %p", (void*)this);
    LRESULT type = SendMessageA(fileType_, CB_GETCURSEL, 0, 0);
    if (type < 0 || type >= K4QB_FILE_TYPE_COUNT) {
        K4C_TRACE(logger_, "Exit K4QBFSControls::search = %p", (void*)this);
        return;
    }
    const char* failure = nullptr;
    {
        K4QBBusyScope busy(mainWindow_, K4QB_BUSY_WAIT);
        fileList_->clear();
        K4CString text(GetWindowTextLengthA(searchText_) + 1);
        GetWindowTextA(searchText_, text.getBuffer(), text.getCapacity() + 1);
        text.updateLength();
        const K4QBFileType& chosen = K4QB_FILE_TYPES[type];
        const char* folder = folders_->getCurFolder();
        K4CString pattern;
        for (int32_t i = 0; i < chosen.extensionCount; ++i) {
            k4qbSearchPattern(text.getText(), K4QB_IMAGE_EXTENSIONS[chosen.firstExtension + i],
                              &pattern);
            try {
                if (folders_->getCurSource() == K4QB_FOLDER_SOURCE_FILES) {
                    fileList_->searchFileSystem(pattern.getText(), folder);
                } else {
                    fileList_->searchGameContent(pattern.getText(), folder);
                }
            } catch (const char* code) {
                // What was found stays listed; the other types are still
                // searched, and the first error is told once.
                failure = failure != nullptr ? failure : code;
            }
        }
        fileList_->refresh();
    }
    if (failure != nullptr) {
        mainWindow_->reportUnreadableContent(failure);
    }
    K4C_TRACE(logger_, "Exit K4QBFSControls::search = %p", (void*)this);
}

void K4QBFSControls::onSourceClicked() {
    K4C_TRACE(logger_, "Enter K4QBFSControls::onSourceClicked = %p", (void*)this);
    K4QBIniGroup* group = settings();
    if (folders_->getCurSource() == K4QB_FOLDER_SOURCE_FILES) {
        if (!mainWindow_->checkGameInstalled()) {
            K4C_TRACE(logger_, "Exit K4QBFSControls::onSourceClicked = %p", (void*)this);
            return;
        }
        group->setString("source", K4QB_SOURCE_GAME_NAME);
        try {
            folders_->setToQuellbury(group->getString("quellbury-folder"), K4QB_GAME_TEXTURE_ROOT);
        } catch (const char* code) {
            mainWindow_->reportUnreadableContent(code);
        }
    } else {
        group->setString("source", K4QB_SOURCE_FILES_NAME);
        folders_->setToFolder(group->getString("directory"));
    }
    showSource();
    search();
    K4C_TRACE(logger_, "Exit K4QBFSControls::onSourceClicked = %p", (void*)this);
}

bool K4QBFSControls::onSelChange(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::onSelChange(%d) = %p", id, (void*)this);
    bool handled = true;
    if (id == K4QB_ID_FOLDERS) {
        try {
            folders_->onSelChange(K4QB_GAME_TEXTURE_ROOT);
        } catch (const char* code) {
            mainWindow_->reportUnreadableContent(code);
        }
        bool game = folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME;
        settings()->setString(game ? "quellbury-folder" : "directory", folders_->getCurFolder());
        search();
    } else if (id == K4QB_ID_FILETYPE) {
        LRESULT type = SendMessageA(fileType_, CB_GETCURSEL, 0, 0);
        if (type >= 0 && type < K4QB_FILE_TYPE_COUNT) {
            settings()->setString("file-type", K4QB_FILE_TYPES[type].text);
        }
        search();
    } else {
        handled = false;
    }
    K4C_TRACE(logger_, "Return %d from K4QBFSControls::onSelChange = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

void K4QBFSControls::showDiskFolder(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::showDiskFolder(%s) = %p", folder, (void*)this);
    K4QBIniGroup* group = settings();
    group->setString("source", K4QB_SOURCE_FILES_NAME);
    group->setString("directory", folder);
    folders_->setToFolder(folder);
    showSource();
    search();
    K4C_TRACE(logger_, "Exit K4QBFSControls::showDiskFolder = %p", (void*)this);
}

int32_t K4QBFSControls::selectFiles(const char* const* names, int32_t count) {
    K4C_TRACE(logger_, "Enter K4QBFSControls::selectFiles(%d) = %p", count, (void*)this);
    HWND list = fileList_->getWindow();
    K4QBRedrawPause pause(list);
    int32_t found = 0;
    for (int32_t i = 0; i < fileList_->getEntryCount(); ++i) {
        bool chosen = false;
        for (int32_t j = 0; j < count && !chosen; ++j) {
            chosen = _stricmp(fileList_->getEntryFileName(i), names[j]) == 0;
        }
        SendMessageA(list, LB_SETSEL, chosen ? TRUE : FALSE, static_cast<LPARAM>(i));
        found += chosen ? 1 : 0;
    }
    K4C_TRACE(logger_, "Return %d from K4QBFSControls::selectFiles = %p", found, (void*)this);
    return found;
}

bool K4QBFSControls::onDblClick() {
    K4C_TRACE(logger_, "Enter K4QBFSControls::onDblClick = %p", (void*)this);
    int32_t count = 0;
    const int32_t* selected = fileList_->getSelectedPositions(&count);
    bool single = count == 1;
    int32_t first = 0, length = 0;
    if (single) {
        // A copy: the name's text lives in the list, which stays as it is,
        // but the selection array is refilled by the next query.
        K4CString clicked(fileList_->getEntryFileName(selected[0]));
        if (k4qbFindDigitRun(clicked.getText(), &first, &length)) {
            HWND list = fileList_->getWindow();
            // Each change of selection would redraw the list at once.
            K4QBRedrawPause pause(list);
            for (int32_t i = 0; i < fileList_->getEntryCount(); ++i) {
                bool member = k4qbInSequence(fileList_->getEntryFileName(i), clicked.getText(),
                                             first, length);
                SendMessageA(list, LB_SETSEL, member ? TRUE : FALSE, static_cast<LPARAM>(i));
            }
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBFSControls::onDblClick = %p", single ? 1 : 0,
              (void*)this);
    return single;
}
