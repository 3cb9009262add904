// K4QBConvertWindowList: opening, placing and removing convert windows.
#include "texmgr/k4qbconvertwindowlist.h"

#include "foundation/k4ctrace.h"
#include "texmgr/k4qbtexmgrconvertwindow.h"

#include <memory>

K4QBConvertWindowList::K4QBConvertWindowList(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), logger_(logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBConvertWindowList(%p) = %p",
              (void*)mainWindow, (void*)this);
}

K4QBConvertWindowList::~K4QBConvertWindowList() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBConvertWindowList = %p", (void*)this);
    for (int32_t i = 0; i < windows_.getCount(); ++i) {
        delete get(i);
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBConvertWindowList = %p", (void*)this);
}

K4QBTexMgrConvertWindow* K4QBConvertWindowList::get(int32_t index) const {
    return static_cast<K4QBTexMgrConvertWindow*>(windows_.get(index));
}

int32_t K4QBConvertWindowList::indexOf(const K4QBTexMgrConvertWindow* window) const {
    for (int32_t i = 0; i < windows_.getCount(); ++i) {
        if (get(i) == window) {
            return i;
        }
    }
    return -1;
}

void K4QBConvertWindowList::stopRuns() {
    K4C_TRACE(logger_, "Enter K4QBConvertWindowList::stopRuns = %p", (void*)this);
    for (int32_t i = 0; i < windows_.getCount(); ++i) {
        if (get(i)->isRunning()) {
            get(i)->stop();
        }
    }
    K4C_TRACE(logger_, "Exit K4QBConvertWindowList::stopRuns = %p", (void*)this);
}

int32_t K4QBConvertWindowList::freeProgressSlot() const {
    int32_t slot = 0;
    for (bool taken = true; taken; slot += taken ? 1 : 0) {
        taken = false;
        for (int32_t i = 0; i < windows_.getCount() && !taken; ++i) {
            taken = get(i)->getProgressSlot() == slot;
        }
    }
    return slot;
}

void K4QBConvertWindowList::removeClosed() {
    for (int32_t i = windows_.getCount() - 1; i >= 0; --i) {
        if (get(i)->getWindow() == nullptr) {
            delete static_cast<K4QBTexMgrConvertWindow*>(windows_.removeAt(i));
        }
    }
}

K4QBTexMgrConvertWindow* K4QBConvertWindowList::openFromSelection(K4QBFileListBox* opener) {
    K4C_TRACE(logger_, "Enter K4QBConvertWindowList::openFromSelection(%p) = %p", (void*)opener,
              (void*)this);
    removeClosed();
    auto window = std::make_unique<K4QBTexMgrConvertWindow>(mainWindow_, this, logger_);
    // The client area centred on the screen, cascading by 64 pixels.
    int32_t d = 64 * (windows_.getCount() % 3) - 64;
    int32_t x = (GetSystemMetrics(SM_CXSCREEN) >> 1) + d - (K4QB_CONVERT_WIDTH >> 1);
    int32_t y = (GetSystemMetrics(SM_CYSCREEN) >> 1) + d - (K4QB_CONVERT_HEIGHT >> 1);
    window->create(opener, x, y);
    windows_.add(window.get());
    K4C_TRACE(logger_, "Return %p from K4QBConvertWindowList::openFromSelection = %p",
              (void*)window.get(), (void*)this);
    return window.release();
}

bool K4QBConvertWindowList::isDialogMessage(MSG* message) {
    for (int32_t i = 0; i < windows_.getCount(); ++i) {
        HWND window = get(i)->getWindow();
        if (window != nullptr && IsDialogMessageA(window, message)) {
            return true;
        }
    }
    return false;
}
