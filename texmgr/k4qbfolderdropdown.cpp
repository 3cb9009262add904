// K4QBFolderDropDown: building the folder tree of the file system and of the
// game content, choosing a folder, drawing the entries.
#include "texmgr/k4qbfolderdropdown.h"

#include "content/content_registry.h"
#include "content/k4qbfindrules.h"
#include "foundation/errors.h"
#include "foundation/k4cregistry.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbfolderresources.h"
#include "texmgr/k4qbredrawpause.h"

#include <shlobj.h>

#include <cstring>

K4QBFolderResources* K4QBFolderDropDown::resources_ = nullptr;
int32_t K4QBFolderDropDown::liveCount_ = 0;

namespace {

constexpr int32_t kListHeight = 216;

// The folder-resource icon of a drive type; -1 for drives that are left out.
int32_t driveIcon(UINT type) {
    switch (type) {
    case DRIVE_REMOVABLE:
        return K4QB_FOLDER_ICON_REMOVABLE;
    case DRIVE_FIXED:
        return K4QB_FOLDER_ICON_FIXED;
    case DRIVE_REMOTE:
        return K4QB_FOLDER_ICON_REMOTE;
    case DRIVE_CDROM:
        return K4QB_FOLDER_ICON_CDROM;
    case DRIVE_RAMDISK:
        return K4QB_FOLDER_ICON_RAMDISK;
    default:
        return -1; // unknown type, or no root directory
    }
}

} // namespace

K4QBFolderDropDown::K4QBFolderDropDown(K4QBAppWindow* appWindow, K4CDebugLogger* logger)
    : appWindow_(appWindow), curSource_(K4QB_FOLDER_SOURCE_FILES), curIndex_(-1), window_(nullptr),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBFolderDropDown(%p) = %p", (void*)appWindow,
              (void*)this);
    init();
    K4C_TRACE(logger_, "Exit constructor K4QBFolderDropDown = %p", (void*)this);
}

K4QBFolderDropDown::~K4QBFolderDropDown() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBFolderDropDown = %p", (void*)this);
    entries_.reset();
    if (--liveCount_ == 0) {
        delete resources_;
        resources_ = nullptr;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBFolderDropDown = %p", (void*)this);
}

void K4QBFolderDropDown::init() {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::init = %p", (void*)this);
    // The registry value the system keeps for older programs; where a profile
    // lacks it, the shell still knows the folder.
    if (!k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, K4QB_SHELL_FOLDERS_KEY, "Personal",
                               &documents_)) {
        char path[MAX_PATH] = {0};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) {
            k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBFolderDropDown::init", (void*)this);
        }
        documents_.assign(path);
    }
    entries_.reset(new K4COwningPtrArray<K4QBFolderEntry>());
    if (liveCount_ == 0) {
        auto* resources = new K4QBFolderResources(appWindow_, logger_);
        try {
            resources->init();
        } catch (...) {
            delete resources;
            throw;
        }
        resources_ = resources;
    }
    ++liveCount_;
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::init = %p", (void*)this);
}

void K4QBFolderDropDown::initialize(HWND parent, int32_t x, int32_t y, int32_t width, int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::initialize(%p, %d, %d, %d, %d) = %p",
              (void*)parent, x, y, width, id, (void*)this);
    window_ = CreateWindowExA(
        0, "COMBOBOX", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_OWNERDRAWFIXED | CBS_DROPDOWNLIST, x, y, width,
        kListHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        appWindow_->getAppInstance(), nullptr);
    if (window_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBFolderDropDown::initialize",
                      (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::initialize = %p", (void*)this);
}

void K4QBFolderDropDown::clearFolders() {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::clearFolders = %p", (void*)this);
    entries_.reset(new K4COwningPtrArray<K4QBFolderEntry>());
    curIndex_ = -1;
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::clearFolders = %p", (void*)this);
}

void K4QBFolderDropDown::clearList() {
    // The box first: its items point at the entries.
    SendMessageA(window_, CB_RESETCONTENT, 0, 0);
    clearFolders();
}

void K4QBFolderDropDown::setCurFolder(const char* folder, const char* fallback) {
    curFolder_.assign(folder != nullptr && *folder != 0 ? folder : fallback);
    int32_t length = curFolder_.getLength();
    if (length == 0 || curFolder_.getText()[length - 1] != '\\') {
        curFolder_.appendChar('\\');
    }
}

void K4QBFolderDropDown::addFolder(int32_t level, int32_t icon, const char* name,
                                   const char* path) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addFolder(%d, %d, %s, %s) = %p", level, icon,
              name, path, (void*)this);
    auto entry = std::make_unique<K4QBFolderEntry>();
    entry->level = level;
    entry->icon = resources_->getIcon(icon);
    entry->name.assign(name);
    entry->path.assign(path);
    int32_t length = entry->path.getLength();
    if (length == 0 || entry->path.getText()[length - 1] != '\\') {
        entry->path.appendChar('\\');
    }
    K4QBFolderEntry* added = entries_->add(std::move(entry));
    SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(added));
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addFolder = %p", (void*)this);
}

int32_t K4QBFolderDropDown::isSubFolder(const char* path) {
    int32_t relation = k4qbFolderRelation(path, curFolder_.getText());
    K4C_TRACE(logger_, "Enter and return %d from K4QBFolderDropDown::isSubFolder(%s) = %p",
              relation, path, (void*)this);
    return relation;
}

void K4QBFolderDropDown::setToFolder(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::setToFolder(%s) = %p", folder, (void*)this);
    K4QBRedrawPause quiet(window_);
    clearList();
    curSource_ = K4QB_FOLDER_SOURCE_FILES;
    setCurFolder(folder, documents_.getText());
    addFSRootBranch(documents_.getText(), K4QB_FOLDER_ICON_DOCUMENTS, "My Documents");
    DWORD drives = GetLogicalDrives();
    for (int32_t letter = 0; letter < 26; ++letter) {
        if ((drives & (DWORD{1} << letter)) == 0) {
            continue;
        }
        char root[4] = {static_cast<char>('A' + letter), ':', '\\', 0};
        int32_t icon = driveIcon(GetDriveTypeA(root));
        if (icon >= 0) {
            char name[3] = {root[0], ':', 0};
            addFSRootBranch(root, icon, name);
        }
    }
    SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(curIndex_), 0);
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::setToFolder = %p", (void*)this);
}

void K4QBFolderDropDown::addFSRootBranch(const char* path, int32_t icon, const char* name) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addFSRootBranch(%s, %d, %s) = %p", path, icon,
              name, (void*)this);
    addFolder(0, icon, name, path);
    const K4QBFolderEntry* root = entries_->get(entries_->getCount() - 1);
    // A folder inside the documents folder shows under "My Documents" only.
    // (Compared as whole folders, without regard to case: a sibling such as
    // "Documents2" is not inside "Documents".)
    K4CString documentsRoot(documents_.getText(), "");
    bool inDocuments = isSubFolder(documentsRoot.getText()) >= 0;
    int32_t relation = isSubFolder(root->path.getText());
    if ((inDocuments && icon != K4QB_FOLDER_ICON_DOCUMENTS) || relation < 0) {
        K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addFSRootBranch = %p", (void*)this);
        return;
    }
    int32_t rootDepth = root->path.countBackslashes();
    if (relation == 0) {
        curIndex_ = entries_->getCount() - 1;
    } else {
        addFSInterFolders(root->path.getText());
    }
    addFSSubFolders(curFolder_.countBackslashes() - rootDepth + 1);
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addFSRootBranch = %p", (void*)this);
}

void K4QBFolderDropDown::addFSInterFolders(const char* rootPath) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addFSInterFolders(%s) = %p", rootPath,
              (void*)this);
    K4CString path(rootPath);
    K4CString component;
    int32_t first = path.countBackslashes();
    int32_t last = curFolder_.countBackslashes() - 1;
    for (int32_t i = first; i <= last; ++i) {
        curFolder_.getPathComponent(i, &component);
        path.append(component);
        path.appendChar('\\');
        addFolder(i - first + 1, i == last ? K4QB_FOLDER_ICON_CURRENT : K4QB_FOLDER_ICON_FOLDER,
                  component.getText(), path.getText());
    }
    if (first <= last) {
        curIndex_ = entries_->getCount() - 1;
    }
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addFSInterFolders = %p", (void*)this);
}

void K4QBFolderDropDown::addFSSubFolders(int32_t level) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addFSSubFolders(%d) = %p", level, (void*)this);
    // A folder that cannot be listed has no sub-folders to show.
    K4CString pattern(curFolder_.getText(), "*");
    K4CString path;
    k4p::FolderListing listing;
    k4p::FindItem item;
    for (bool more = listing.open(pattern.getText()); more && listing.next(&item);) {
        if (!item.directory || std::strcmp(item.name, ".") == 0 ||
            std::strcmp(item.name, "..") == 0) {
            continue;
        }
        path.assign(curFolder_);
        path.append(item.name);
        addFolder(level, K4QB_FOLDER_ICON_FOLDER, item.name, path.getText());
    }
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addFSSubFolders = %p", (void*)this);
}

void K4QBFolderDropDown::setToQuellbury(const char* folder, const char* root) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::setToQuellbury(%s, %s) = %p", folder, root,
              (void*)this);
    K4QBRedrawPause quiet(window_);
    clearList();
    curSource_ = K4QB_FOLDER_SOURCE_GAME;
    setCurFolder(folder, root);
    addQBBranch(0, root, root);
    SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(curIndex_), 0);
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::setToQuellbury = %p", (void*)this);
}

void K4QBFolderDropDown::addQBBranch(int32_t level, const char* name, const char* path) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addQBBranch(%d, %s, %s) = %p", level, name, path,
              (void*)this);
    int32_t relation = isSubFolder(path);
    addFolder(level, relation == 0 ? K4QB_FOLDER_ICON_CURRENT : K4QB_FOLDER_ICON_FOLDER, name,
              path);
    if (relation == 0) {
        curIndex_ = entries_->getCount() - 1;
    }
    if (relation >= 0) {
        addQBSubFolders(level + 1, path);
    }
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addQBBranch = %p", (void*)this);
}

void K4QBFolderDropDown::addQBSubFolders(int32_t level, const char* path) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::addQBSubFolders(%d, %s) = %p", level, path,
              (void*)this);
    K4QBContentRegistry* content = appWindow_->getQBContent();
    int32_t count = content != nullptr ? content->getSubFolderCount(path) : 0;
    K4CString name;
    for (int32_t i = 0; i < count; ++i) {
        const char* child = content->getSubFolder(path, i); // owned by the registry
        k4qbLastFolderName(child, &name);
        addQBBranch(level, name.getText(), child);
    }
    K4C_TRACE(logger_, "Exit K4QBFolderDropDown::addQBSubFolders = %p", (void*)this);
}

LRESULT K4QBFolderDropDown::onSelChange(const char* root) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::onSelChange(%s) = %p", root, (void*)this);
    LRESULT selected = SendMessageA(window_, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < entries_->getCount()) {
        // A copy: rebuilding the list deletes the entry.
        K4CString path(entries_->get(static_cast<int32_t>(selected))->path);
        if (curSource_ == K4QB_FOLDER_SOURCE_FILES) {
            setToFolder(path.getText());
        } else {
            setToQuellbury(path.getText(), root);
        }
        SendMessageA(window_, CB_SHOWDROPDOWN, TRUE, 0);
        if (curIndex_ >= 0 && entries_->get(curIndex_)->level > 0) {
            // The parent is the nearest entry above with a smaller level (in
            // the game tree the entry right above may be a sibling).
            int32_t level = entries_->get(curIndex_)->level;
            int32_t parent = curIndex_ - 1;
            while (parent > 0 && entries_->get(parent)->level >= level) {
                --parent;
            }
            // Told to the list itself: Wine's combo box does not pass
            // CB_SETTOPINDEX on to its open list.
            COMBOBOXINFO info = {};
            info.cbSize = sizeof info;
            HWND list = GetComboBoxInfo(window_, &info) ? info.hwndList : nullptr;
            if (list != nullptr) {
                SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(parent), 0);
            } else {
                SendMessageA(window_, CB_SETTOPINDEX, static_cast<WPARAM>(parent), 0);
            }
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBFolderDropDown::onSelChange = %p", 0, (void*)this);
    return 0;
}

LRESULT K4QBFolderDropDown::onMeasureItem() {
    K4C_TRACE(logger_, "Enter and return %d from K4QBFolderDropDown::onMeasureItem = %p", 1,
              (void*)this);
    return 1;
}

LRESULT K4QBFolderDropDown::onDrawItem(const DRAWITEMSTRUCT* item) {
    K4C_TRACE(logger_, "Enter K4QBFolderDropDown::onDrawItem(%p) = %p", (const void*)item,
              (void*)this);
    int32_t index = static_cast<int32_t>(item->itemID);
    if (item->itemID != static_cast<UINT>(-1) && index >= 0 && index < entries_->getCount()) {
        const K4QBFolderEntry* entry = entries_->get(index);
        bool selected = (item->itemState & ODS_SELECTED) != 0;
        int32_t x = item->rcItem.left + 2 + 16 * entry->level;
        int32_t y = item->rcItem.top + 2;
        HDC dc = item->hDC;
        HFONT font = selected ? resources_->getFont(K4QB_RES_FOLDERFONT)
                              : appWindow_->getFont(K4QB_RES_LISTFONT);
        HGDIOBJ oldFont = SelectObject(dc, font);
        COLORREF oldText =
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        COLORREF oldBack = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        ExtTextOutA(dc, x + 19, y + 1, ETO_OPAQUE | ETO_CLIPPED, &item->rcItem,
                    entry->name.getText(), static_cast<UINT>(entry->name.getLength()), nullptr);
        SetBkColor(dc, oldBack);
        SetTextColor(dc, oldText);
        SelectObject(dc, oldFont);
        DrawIconEx(dc, x, y, entry->icon, 16, 16, 0, nullptr, DI_NORMAL);
    }
    K4C_TRACE(logger_, "Return %d from K4QBFolderDropDown::onDrawItem = %p", 1, (void*)this);
    return 1;
}
