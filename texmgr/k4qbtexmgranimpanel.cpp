// K4QBTexMgrAnimPanel: the animated overlay options' controls and limits.
#include "texmgr/k4qbtexmgranimpanel.h"

#include "content/file_list.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4cwindowtext.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbgdiresources.h"
#include "texmgr/k4qbfiledropdown.h"

namespace {

struct Field {
    int32_t id;
    int32_t defaultValue;
    int32_t minimum; // Max Count: the number of files instead
    int32_t maximum;
};

constexpr Field kFields[] = {
    {K4QB_ID_ANIM_SOURCERATE, 10, 1, 999},
    {K4QB_ID_ANIM_TARGETRATE, 10, 1, 999},
    {K4QB_ID_ANIM_START, 0, 0, 99},
    {K4QB_ID_ANIM_MAXCOUNT, 100, 0, 10000},
};

const Field* findField(int32_t id) {
    for (const Field& field : kFields) {
        if (field.id == id) {
            return &field;
        }
    }
    return nullptr;
}

} // namespace

K4QBTexMgrAnimPanel::K4QBTexMgrAnimPanel(K4QBAppWindow* appWindow, K4CDebugLogger* logger)
    : appWindow_(appWindow), parent_(nullptr), files_(nullptr), windows_(), thumbnails_(nullptr),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTexMgrAnimPanel(%p) = %p", (void*)appWindow,
              (void*)this);
    thumbnails_ = new K4QBFileDropDown(appWindow_, logger_);
    K4C_TRACE(logger_, "Exit constructor K4QBTexMgrAnimPanel = %p", (void*)this);
}

K4QBTexMgrAnimPanel::~K4QBTexMgrAnimPanel() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTexMgrAnimPanel = %p", (void*)this);
    delete thumbnails_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTexMgrAnimPanel = %p", (void*)this);
}

HWND K4QBTexMgrAnimPanel::createChild(HWND parent, DWORD exStyle, const char* className,
                                      const char* text, DWORD style, int32_t x, int32_t y,
                                      int32_t width, int32_t height, int32_t id) {
    return appWindow_->createControl(parent, exStyle, className, text,
                                     WS_CHILD | WS_VISIBLE | style, x, y, width, height, id,
                                     "K4QBTexMgrAnimPanel::createChild", this);
}

void K4QBTexMgrAnimPanel::create(HWND parent, const K4QBFileList* files) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrAnimPanel::create(%p, %p) = %p", (void*)parent,
              (const void*)files, (void*)this);
    parent_ = parent;
    files_ = files;
    const DWORD group = BS_GROUPBOX, label = SS_RIGHT, number = ES_NUMBER | WS_TABSTOP;
    const DWORD edge = WS_EX_CLIENTEDGE;
    HWND* w = windows_;
    w[0] =
        createChild(parent, 0, "BUTTON", "Animated Overlay Options:", group, 4, 170, 342, 154, 0);
    w[1] = createChild(parent, 0, "BUTTON", "Frame Rate: (frames per second)", group, 12, 186, 326,
                       46, 0);
    w[2] = createChild(parent, 0, "STATIC", "Source:", label, 16, 208, 72, 20, 0);
    w[3] =
        createChild(parent, edge, "EDIT", "10", number, 92, 204, 40, 22, K4QB_ID_ANIM_SOURCERATE);
    w[4] = createChild(parent, 0, "STATIC", "Target:", label, 166, 208, 72, 20, 0);
    w[5] =
        createChild(parent, edge, "EDIT", "10", number, 242, 204, 40, 22, K4QB_ID_ANIM_TARGETRATE);
    w[6] = createChild(parent, 0, "BUTTON", "Frame Positions:", group, 12, 238, 326, 76, 0);
    w[7] = createChild(parent, 0, "STATIC", "Start:", label, 16, 260, 72, 20, 0);
    w[8] = createChild(parent, edge, "EDIT", "0", number, 92, 256, 40, 22, K4QB_ID_ANIM_START);
    w[9] = createChild(parent, 0, "STATIC", "Max Count:", label, 166, 260, 72, 20, 0);
    w[10] =
        createChild(parent, edge, "EDIT", "100", number, 242, 256, 40, 22, K4QB_ID_ANIM_MAXCOUNT);
    w[11] = createChild(parent, 0, "STATIC", "Thumbnail:", label, 16, 286, 72, 20, 0);
    thumbnails_->create(parent, 92, 282, 230, 216, K4QB_ID_ANIM_THUMBNAIL);
    thumbnails_->showFiles(*files);

    WPARAM labelFont = reinterpret_cast<WPARAM>(appWindow_->getFont(K4QB_RES_LABELFONT));
    WPARAM listFont = reinterpret_cast<WPARAM>(appWindow_->getFont(K4QB_RES_LISTFONT));
    for (int32_t i = 0; i < kWindowCount; ++i) {
        bool field = GetDlgCtrlID(w[i]) != 0;
        SendMessageA(w[i], WM_SETFONT, field ? listFont : labelFont, TRUE);
    }
    SendMessageA(thumbnails_->getWindow(), WM_SETFONT, listFont, TRUE);
    K4C_TRACE(logger_, "Exit K4QBTexMgrAnimPanel::create = %p", (void*)this);
}

int32_t K4QBTexMgrAnimPanel::readField(int32_t id) {
    const Field* field = findField(id);
    int32_t value =
        field != nullptr ? k4cGetWindowInt(GetDlgItem(parent_, id), field->defaultValue) : 0;
    K4C_TRACE(logger_, "Enter and return %d from K4QBTexMgrAnimPanel::readField(%d) = %p", value,
              id, (void*)this);
    return value;
}

bool K4QBTexMgrAnimPanel::checkField(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrAnimPanel::checkField(%d) = %p", id, (void*)this);
    const Field* field = findField(id);
    if (field != nullptr) {
        int32_t minimum = id == K4QB_ID_ANIM_MAXCOUNT ? files_->getCount() : field->minimum;
        int32_t value = readField(id);
        value = value < minimum ? minimum : value;
        value = value > field->maximum ? field->maximum : value;
        k4cSetWindowInt(GetDlgItem(parent_, id), value);
    }
    K4C_TRACE(logger_, "Return %d from K4QBTexMgrAnimPanel::checkField = %p", field != nullptr,
              (void*)this);
    return field != nullptr;
}

void K4QBTexMgrAnimPanel::checkFields() {
    for (const Field& field : kFields) {
        checkField(field.id);
    }
}

int32_t K4QBTexMgrAnimPanel::getThumbnailIndex() {
    return thumbnails_->getSelectedPosition();
}

void K4QBTexMgrAnimPanel::show(bool visible) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrAnimPanel::show(%d) = %p", visible ? 1 : 0, (void*)this);
    for (HWND window : windows_) {
        ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    }
    ShowWindow(thumbnails_->getWindow(), visible ? SW_SHOW : SW_HIDE);
    K4C_TRACE(logger_, "Exit K4QBTexMgrAnimPanel::show = %p", (void*)this);
}

void K4QBTexMgrAnimPanel::enable(bool enabled) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrAnimPanel::enable(%d) = %p", enabled ? 1 : 0, (void*)this);
    for (HWND window : windows_) {
        EnableWindow(window, enabled ? TRUE : FALSE);
    }
    EnableWindow(thumbnails_->getWindow(), enabled ? TRUE : FALSE);
    K4C_TRACE(logger_, "Exit K4QBTexMgrAnimPanel::enable = %p", (void*)this);
}
