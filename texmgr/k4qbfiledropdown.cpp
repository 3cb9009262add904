// K4QBFileDropDown: the file list in a drop-down list.
#include "texmgr/k4qbfiledropdown.h"

#include "content/file_list.h"
#include "foundation/k4ctrace.h"

K4QBFileDropDown::K4QBFileDropDown(K4QBAppWindow* appWindow, K4CDebugLogger* logger)
    : K4QBFileControl(appWindow, "COMBOBOX", logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBFileDropDown(%p, %p) = %p", (void*)appWindow,
              (void*)logger, (void*)this);
}

K4QBFileDropDown::~K4QBFileDropDown() {
    K4C_TRACE_NOTHROW(logger_, "Enter and exit destructor K4QBFileDropDown = %p", (void*)this);
}

void K4QBFileDropDown::create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                              int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBFileDropDown::create(%p, %d, %d, %d, %d, %d) = %p", (void*)parent,
              x, y, width, height, id, (void*)this);
    createWindow(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_OWNERDRAWFIXED | CBS_DROPDOWNLIST, parent,
                 x, y, width, height, id);
    K4C_TRACE(logger_, "Exit K4QBFileDropDown::create = %p", (void*)this);
}

void K4QBFileDropDown::showFiles(const K4QBFileList& files) {
    K4C_TRACE(logger_, "Enter K4QBFileDropDown::showFiles(%p) = %p", (const void*)&files,
              (void*)this);
    list_->clear();
    for (int32_t i = 0; i < files.getCount(); ++i) {
        // Already sorted and without repeats, so every entry lands at its
        // own index.
        list_->addInOrder(files.getSource(i), files.getName(i), files.getFolder(i), true);
    }
    refresh();
    SendMessageA(window_, CB_SETCURSEL, 0, 0);
    K4C_TRACE(logger_, "Exit K4QBFileDropDown::showFiles = %p", (void*)this);
}

int32_t K4QBFileDropDown::getSelectedPosition() {
    int32_t position = static_cast<int32_t>(SendMessageA(window_, CB_GETCURSEL, 0, 0));
    K4C_TRACE(logger_, "Enter and return %d from K4QBFileDropDown::getSelectedPosition = %p",
              position, (void*)this);
    return position;
}
