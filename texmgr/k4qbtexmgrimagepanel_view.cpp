// K4QBTexMgrImagePanel: looking closer. The zoom and pan of both previews
// (the wheel around the pointer, a left drag, the View menu), the mip level,
// the texture's facts and the compressed preview; where a picture goes on
// the panel at the view (placeOnCanvas).
//
// Fitted, a picture is placed as the panel always placed it: shrunk into
// the panel and stretched over the screen-sized back buffer, which is shown
// over the whole panel. Zoomed, it is drawn pixel for pixel into the part of
// the back buffer of the panel's size, and only that part is shown, so that
// texels land on whole panel pixels.
#include "texmgr/k4qbtexmgrimagepanel.h"

#include "foundation/k4ctrace.h"
#include "foundation/k4qbinifile.h"
#include "resources/resource_ids.h"
#include "shell/k4qbquad.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <windowsx.h>

namespace {

// The "viewer" setting of Show Texture Info.
constexpr const char* kInfoKey = "texture-info";

struct PreviewChoice {
    int32_t id;
    k4codec::Format format;
};
constexpr PreviewChoice kPreviewChoices[] = {
    {IDM_VIEW_PREVIEW_ORIGINAL, k4codec::kFmtUnknown},
    {IDM_VIEW_PREVIEW_DXT1, k4codec::kFmtDXT1},
    {IDM_VIEW_PREVIEW_DXT3, k4codec::kFmtDXT3},
    {IDM_VIEW_PREVIEW_DXT5, k4codec::kFmtDXT5},
};

} // namespace

K4QBPanelView K4QBTexMgrImagePanel::getView() const {
    K4CLockGuard guard(&viewLock_);
    return view_;
}

void K4QBTexMgrImagePanel::setView(const K4QBPanelView& view) {
    K4CLockGuard guard(&viewLock_);
    view_ = view;
}

void K4QBTexMgrImagePanel::loadViewSettings(K4QBIniGroup* group) {
    const bool info = group->getInt(kInfoKey, 0) != 0;
    group->setInt(kInfoKey, info ? 1 : 0);
    view_.info = info;
}

void K4QBTexMgrImagePanel::panelSize(int32_t* width, int32_t* height) const {
    RECT client = {0, 0, 0, 0};
    GetClientRect(panelWindow_, &client);
    *width = client.right;
    *height = client.bottom;
}

K4QBCanvasPlacement K4QBTexMgrImagePanel::placeOnCanvas(int32_t width, int32_t height) {
    placedWidth_.store(width);
    placedHeight_.store(height);
    const k4view::View view = getView().view;
    if (view.fit) {
        return K4QBLayerCanvas::placeOnCanvas(width, height);
    }
    int32_t pw = 0, ph = 0;
    panelSize(&pw, &ph);
    const k4view::Rect at =
        k4view::placeAt(view, static_cast<uint32_t>(width), static_cast<uint32_t>(height), pw, ph);
    K4QBCanvasPlacement placement = {};
    placement.rect = {static_cast<LONG>(at.left), static_cast<LONG>(at.top),
                      static_cast<LONG>(at.right), static_cast<LONG>(at.bottom)};
    // 1:1 copies each texel whatever the filter; point sampling says so.
    placement.sharp = view.step >= 0;
    placement.partial = true;
    const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    placement.source = {0, 0, pw < screenWidth ? pw : screenWidth,
                        ph < screenHeight ? ph : screenHeight};
    return placement;
}

k4view::Rect K4QBTexMgrImagePanel::shownRect(uint32_t width, uint32_t height) const {
    const k4view::View view = getView().view;
    int32_t pw = 0, ph = 0;
    panelSize(&pw, &ph);
    if (!view.fit) {
        return k4view::placeAt(view, width, height, pw, ph);
    }
    // The fit in panel pixels: the placement on a back buffer of the panel's
    // own size.
    const K4QBPreviewFit fit = k4qbFitPreview(
        static_cast<int32_t>(width), static_cast<int32_t>(height), pw + 1, ph + 1, pw + 1, ph + 1);
    k4view::Rect rect;
    rect.left = fit.rect.left;
    rect.top = fit.rect.top;
    rect.right = fit.rect.right;
    rect.bottom = fit.rect.bottom;
    return rect;
}

void K4QBTexMgrImagePanel::zoomTo(bool fit, int32_t step, const POINT* at) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::zoomTo(%d, %d, %p) = %p", fit ? 1 : 0, step,
              (const void*)at, (void*)this);
    K4QBPanelView view = getView();
    const int32_t width = placedWidth_.load(), height = placedHeight_.load();
    int32_t pw = 0, ph = 0;
    panelSize(&pw, &ph);
    if (fit) {
        view.view.fit = true;
    } else if (at != nullptr && width > 0 && height > 0) {
        view.view =
            k4view::zoomAround(shownRect(width, height), step, width, height, pw, ph, at->x, at->y);
    } else {
        // The menu's zoom keeps the picture point at the panel's centre (the
        // picture's centre when it was fitted).
        if (view.view.fit) {
            view.view.centreX = view.view.centreY = 0.5;
        }
        view.view.fit = false;
        view.view.step = step;
        if (width > 0 && height > 0) {
            view.view = k4view::clampView(view.view, width, height, pw, ph);
        }
    }
    setView(view);
    checkViewMenu();
    viewChanged();
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::zoomTo = %p", (void*)this);
}

void K4QBTexMgrImagePanel::zoomBy(int32_t steps, const POINT* at) {
    const k4view::View view = getView().view;
    const int32_t width = placedWidth_.load(), height = placedHeight_.load();
    double scale = k4view::zoomFactor(view.step);
    if (view.fit) {
        const k4view::Rect shown = shownRect(width > 0 ? width : 1, height > 0 ? height : 1);
        scale = width > 0 ? static_cast<double>(shown.width()) / width : 1.0;
    }
    int32_t step = view.fit ? 0 : view.step;
    for (int32_t i = 0; i < steps; ++i) {
        step = k4view::stepAbove(scale);
        scale = k4view::zoomFactor(step);
    }
    for (int32_t i = 0; i > steps; --i) {
        step = k4view::stepBelow(scale);
        scale = k4view::zoomFactor(step);
    }
    zoomTo(false, step, at);
}

void K4QBTexMgrImagePanel::viewChanged() {
    redrawPreview();
}

void K4QBTexMgrImagePanel::restartPreview() {
    if (preview_ != nullptr) {
        showSelectedFiles(true);
    }
}

void K4QBTexMgrImagePanel::setLevel(int32_t level) {
    K4QBPanelView view = getView();
    const int32_t count = preview_ != nullptr ? preview_->getShownLevelCount() : 1;
    if (level >= count) {
        level = count - 1;
    }
    if (level < 0) {
        level = 0;
    }
    if (static_cast<uint32_t>(level) == view.level) {
        return;
    }
    view.level = static_cast<uint32_t>(level);
    setView(view);
    if (view.previewAs != k4codec::kFmtUnknown) {
        restartPreview(); // the compressed pixels are the level's own
    } else if (preview_ != nullptr) {
        preview_->refreshCaption();
    }
}

void K4QBTexMgrImagePanel::checkViewMenu() {
    const K4QBPanelView view = getView();
    HMENU menu = mainWindow_->getMenu();
    CheckMenuItem(menu, IDM_VIEW_ZOOM_FIT, MF_BYCOMMAND | (view.view.fit ? MF_CHECKED : 0));
    CheckMenuItem(menu, IDM_VIEW_ZOOM_ACTUAL,
                  MF_BYCOMMAND | (!view.view.fit && view.view.step == 0 ? MF_CHECKED : 0));
    CheckMenuItem(menu, IDM_VIEW_TEXTURE_INFO, MF_BYCOMMAND | (view.info ? MF_CHECKED : 0));
    for (const PreviewChoice& choice : kPreviewChoices) {
        CheckMenuItem(menu, static_cast<UINT>(choice.id),
                      MF_BYCOMMAND | (choice.format == view.previewAs ? MF_CHECKED : 0));
    }
    CheckMenuItem(menu, IDM_VIEW_DIFFERENCE, MF_BYCOMMAND | (view.difference ? MF_CHECKED : 0));
}

bool K4QBTexMgrImagePanel::onViewCommand(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::onViewCommand(%d) = %p", id, (void*)this);
    bool handled = true;
    K4QBPanelView view = getView();
    switch (id) {
    case IDM_VIEW_ZOOM_IN:
        zoomBy(1, nullptr);
        break;
    case IDM_VIEW_ZOOM_OUT:
        zoomBy(-1, nullptr);
        break;
    case IDM_VIEW_ZOOM_ACTUAL:
        zoomTo(false, 0, nullptr);
        break;
    case IDM_VIEW_ZOOM_FIT:
        zoomTo(true, 0, nullptr);
        break;
    case IDM_VIEW_LEVEL_NEXT:
        setLevel(static_cast<int32_t>(view.level) + 1);
        break;
    case IDM_VIEW_LEVEL_PREVIOUS:
        setLevel(static_cast<int32_t>(view.level) - 1);
        break;
    case IDM_VIEW_TEXTURE_INFO:
        view.info = !view.info;
        setView(view);
        mainWindow_->getINIGroup("viewer")->setInt(kInfoKey, view.info ? 1 : 0);
        checkViewMenu();
        restartPreview(); // the facts are read with the files
        break;
    case IDM_VIEW_DIFFERENCE:
        view.difference = !view.difference;
        setView(view);
        checkViewMenu();
        if (view.previewAs != k4codec::kFmtUnknown) {
            restartPreview();
        }
        break;
    default:
        handled = false;
        for (const PreviewChoice& choice : kPreviewChoices) {
            if (choice.id == id) {
                handled = true;
                if (view.previewAs != choice.format) {
                    view.previewAs = choice.format;
                    setView(view);
                    checkViewMenu();
                    restartPreview();
                }
            }
        }
        break;
    }
    K4C_TRACE(logger_, "Return %d from K4QBTexMgrImagePanel::onViewCommand = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

bool K4QBTexMgrImagePanel::takeWheel(const MSG* message) {
    if (message->message != WM_MOUSEWHEEL || panelWindow_ == nullptr ||
        !IsWindowVisible(panelWindow_) || placedWidth_.load() <= 0) {
        return false;
    }
    POINT at = {GET_X_LPARAM(message->lParam), GET_Y_LPARAM(message->lParam)};
    if (message->hwnd != panelWindow_ && WindowFromPoint(at) != panelWindow_) {
        return false; // over the file list, it scrolls the list
    }
    ScreenToClient(panelWindow_, &at);
    wheelRest_ += GET_WHEEL_DELTA_WPARAM(message->wParam);
    const int32_t notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches != 0) {
        zoomBy(notches, &at);
    }
    return true;
}

bool K4QBTexMgrImagePanel::onMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEWHEEL: {
        MSG wheel = {panelWindow_, message, wParam, lParam, 0, {0, 0}};
        return takeWheel(&wheel);
    }
    case WM_LBUTTONDOWN: {
        int32_t pw = 0, ph = 0;
        panelSize(&pw, &ph);
        const int32_t width = placedWidth_.load(), height = placedHeight_.load();
        if (width > 0 && k4view::canPan(getView().view, width, height, pw, ph)) {
            dragging_ = true;
            dragFrom_ = at;
            SetCapture(panelWindow_);
        }
        return true;
    }
    case WM_MOUSEMOVE:
        if (dragging_ && (at.x != dragFrom_.x || at.y != dragFrom_.y)) {
            int32_t pw = 0, ph = 0;
            panelSize(&pw, &ph);
            K4QBPanelView view = getView();
            view.view = k4view::panBy(view.view, placedWidth_.load(), placedHeight_.load(), pw, ph,
                                      at.x - dragFrom_.x, at.y - dragFrom_.y);
            setView(view);
            dragFrom_ = at;
            viewChanged();
        }
        return dragging_;
    case WM_LBUTTONUP:
        if (dragging_) {
            ReleaseCapture(); // WM_CAPTURECHANGED ends the drag
        }
        return true;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return true;
    default:
        return false;
    }
}
