// File controls: filling, showing and drawing file lists.
#include "texmgr/k4qbfilecontrol.h"

#include "content/content_registry.h"
#include "content/file_list.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbgdiresources.h"
#include "texmgr/k4qbredrawpause.h"

#include <cstring>

namespace {

constexpr UINT kItemHeight = 17;

} // namespace

K4QBFileControl::K4QBFileControl(K4QBAppWindow* appWindow, const char* className,
                                 K4CDebugLogger* logger)
    : appWindow_(appWindow), list_(new K4QBFileList()), className_(className), window_(nullptr),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBFileControl(%p, %s, %p) = %p", (void*)appWindow,
              className, (void*)logger, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBFileControl = %p", (void*)this);
}

K4QBFileControl::~K4QBFileControl() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBFileControl = %p", (void*)this);
    delete list_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBFileControl = %p", (void*)this);
}

void K4QBFileControl::createWindow(DWORD style, HWND parent, int32_t x, int32_t y, int32_t width,
                                   int32_t height, int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBFileControl::createWindow(%lu, %p, %d, %d, %d, %d, %d) = %p",
              (unsigned long)style, (void*)parent, x, y, width, height, id, (void*)this);
    window_ = CreateWindowExA(WS_EX_CLIENTEDGE, className_, "", style, x, y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              appWindow_->getAppInstance(), nullptr);
    if (window_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBFileControl::createWindow", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBFileControl::createWindow = %p", (void*)this);
}

void K4QBFileControl::refresh() {
    K4C_TRACE(logger_, "Enter K4QBFileControl::refresh = %p", (void*)this);
    K4QBRedrawPause quiet(window_);
    SendMessageA(window_, resetMessage(), 0, 0);
    for (int32_t i = 0; i < list_->getCount(); ++i) {
        // Owner-drawn items without strings: the added value is the item data.
        SendMessageA(window_, addMessage(), 0, static_cast<LPARAM>(i));
    }
    K4C_TRACE(logger_, "Exit K4QBFileControl::refresh = %p", (void*)this);
}

int32_t K4QBFileControl::searchFileSystem(const char* pattern, const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBFileControl::searchFileSystem(%s, %s) = %p", pattern, folder,
              (void*)this);
    int32_t found = 0;
    K4CString path(folder, pattern);
    k4p::FolderListing listing;
    k4p::FindItem item;
    for (bool more = listing.open(path.getText()); more && listing.next(&item);) {
        if (!item.directory && !item.system && !item.temporary && !item.offline) {
            list_->addInOrder(nullptr, item.name, folder, false);
            ++found;
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBFileControl::searchFileSystem = %p", found, (void*)this);
    return found;
}

int32_t K4QBFileControl::searchGameContent(const char* pattern, const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBFileControl::searchGameContent(%s, %s) = %p", pattern, folder,
              (void*)this);
    K4QBContentRegistry* content = appWindow_->getQBContent();
    int32_t found = content != nullptr ? content->findContent(list_, pattern, folder, false) : 0;
    K4C_TRACE(logger_, "Return %d from K4QBFileControl::searchGameContent = %p", found,
              (void*)this);
    return found;
}

void K4QBFileControl::clear() {
    K4C_TRACE(logger_, "Enter K4QBFileControl::clear = %p", (void*)this);
    list_->clear();
    K4C_TRACE(logger_, "Exit K4QBFileControl::clear = %p", (void*)this);
}

int32_t K4QBFileControl::getEntryCount() {
    K4C_TRACE(logger_, "Enter and return %d from K4QBFileControl::getEntryCount = %p",
              list_->getCount(), (void*)this);
    return list_->getCount();
}

K4QBGameFiles* K4QBFileControl::getEntrySource(int32_t index) {
    K4QBGameFiles* source = list_->getSource(index);
    K4C_TRACE(logger_, "Enter and return %p from K4QBFileControl::getEntrySource = %p",
              (void*)source, (void*)this);
    return source;
}

const char* K4QBFileControl::getEntryFolder(int32_t index) {
    const char* folder = list_->getFolder(index);
    K4C_TRACE(logger_, "Enter and return %s from K4QBFileControl::getEntryFolder = %p", folder,
              (void*)this);
    return folder;
}

const char* K4QBFileControl::getEntryFileName(int32_t index) {
    const char* name = list_->getName(index);
    K4C_TRACE(logger_, "Enter and return %s from K4QBFileControl::getEntryFileName = %p", name,
              (void*)this);
    return name;
}

LRESULT K4QBFileControl::measureItem(MEASUREITEMSTRUCT* item) {
    K4C_TRACE(logger_, "Enter K4QBFileControl::measureItem(%p) = %p", (void*)item, (void*)this);
    item->itemHeight = kItemHeight;
    K4C_TRACE(logger_, "Return %d from K4QBFileControl::measureItem = %p", 1, (void*)this);
    return 1;
}

LRESULT K4QBFileControl::drawItem(const DRAWITEMSTRUCT* item) {
    K4C_TRACE(logger_, "Enter K4QBFileControl::drawItem(%p) = %p", (const void*)item, (void*)this);
    if (item->itemID == static_cast<UINT>(-1)) {
        K4C_TRACE(logger_, "Return %d from K4QBFileControl::drawItem = %p", 1, (void*)this);
        return 1;
    }
    int32_t position = static_cast<int32_t>(item->itemData);
    const char* name =
        position >= 0 && position < list_->getCount() ? list_->getName(position) : "";
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    HDC dc = item->hDC;
    COLORREF oldText =
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    COLORREF oldBack = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    HGDIOBJ oldFont = SelectObject(dc, appWindow_->getFont(K4QB_RES_LISTFONT));
    ExtTextOutA(dc, item->rcItem.left + 3, item->rcItem.top + 1, ETO_OPAQUE | ETO_CLIPPED,
                &item->rcItem, name, static_cast<UINT>(std::strlen(name)), nullptr);
    SelectObject(dc, oldFont);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    K4C_TRACE(logger_, "Return %d from K4QBFileControl::drawItem = %p", 1, (void*)this);
    return 1;
}

K4QBFileListBox::K4QBFileListBox(K4QBAppWindow* appWindow, K4CDebugLogger* logger)
    : K4QBFileControl(appWindow, "LISTBOX", logger), selectionCapacity_(128), selectionCount_(0),
      selection_(new int32_t[128]) {
    K4C_TRACE(logger_, "Enter constructor K4QBFileListBox(%p, %p) = %p", (void*)appWindow,
              (void*)logger, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBFileListBox = %p", (void*)this);
}

K4QBFileListBox::~K4QBFileListBox() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBFileListBox = %p", (void*)this);
    delete[] selection_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBFileListBox = %p", (void*)this);
}

void K4QBFileListBox::create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                             int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBFileListBox::create(%p, %d, %d, %d, %d, %d) = %p", (void*)parent,
              x, y, width, height, id, (void*)this);
    createWindow(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                     LBS_EXTENDEDSEL | LBS_MULTIPLESEL,
                 parent, x, y, width, height, id);
    K4C_TRACE(logger_, "Exit K4QBFileListBox::create = %p", (void*)this);
}

const int32_t* K4QBFileListBox::getSelectedPositions(int32_t* count) {
    K4C_TRACE(logger_, "Enter K4QBFileListBox::getSelectedPositions(%p) = %p", (void*)count,
              (void*)this);
    int32_t selected = static_cast<int32_t>(SendMessageA(window_, LB_GETSELCOUNT, 0, 0));
    if (selected < 0) {
        selected = 0;
    }
    if (selected > selectionCapacity_) {
        // The smallest multiple of 128 above the number selected.
        int32_t capacity = (selected / 128 + 1) * 128;
        delete[] selection_;
        selection_ = new int32_t[capacity];
        selectionCapacity_ = capacity;
    }
    selectionCount_ = 0;
    if (selected > 0) {
        // LB_GETSELITEMS fills an array of INT, which is 32 bits here.
        static_assert(sizeof(INT) == sizeof(int32_t), "INT is 32 bits");
        LRESULT got = SendMessageA(window_, LB_GETSELITEMS, static_cast<WPARAM>(selected),
                                   reinterpret_cast<LPARAM>(selection_));
        selectionCount_ = got > 0 ? static_cast<int32_t>(got) : 0;
    }
    *count = selectionCount_;
    K4C_TRACE(logger_, "Return %p (%d) from K4QBFileListBox::getSelectedPositions = %p",
              (void*)selection_, selectionCount_, (void*)this);
    return selection_;
}
