// K4QBTexMgrImagePanel: windows, "viewer" settings, menu handlers and the
// image preview's life.
#include "texmgr/k4qbtexmgrimagepanel.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4qbinifile.h"
#include "resources/resource_ids.h"
#include "shell/k4qbgdiresources.h"
#include "texmgr/k4qbdrawingwarmup.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "texmgr/k4qbtlcontrols.h"

#include <memory>

namespace {

// Posted by the preview's threads to the panel window, with the preview's
// serial: a new caption waits, a content error waits, loading has ended.
constexpr UINT kCaptionMessage = WM_APP + 1;
constexpr UINT kContentErrorMessage = WM_APP + 2;
constexpr UINT kLoadedMessage = WM_APP + 3;

constexpr int32_t kDefaultBackground = -8286209; // blue screen

struct MenuColour {
    int32_t id;
    D3DCOLOR colour;
};
constexpr MenuColour kBackgrounds[] = {
    {IDM_VIEW_BG_BLUE, K4QB_BG_BLUE},
    {IDM_VIEW_BG_GREEN, K4QB_BG_GREEN},
    {IDM_VIEW_BG_PURPLE, K4QB_BG_PURPLE},
    {IDM_VIEW_BG_BLACK, K4QB_BG_BLACK},
};

struct MenuRate {
    int32_t id;
    int32_t rate;
};
constexpr MenuRate kRates[] = {
    {IDM_VIEW_ANIM_NONE, 0},
    {IDM_VIEW_ANIM_1FPS, 1},
    {IDM_VIEW_ANIM_10FPS, 10},
    {IDM_VIEW_ANIM_30FPS, 30},
};

} // namespace

K4QBTexMgrImagePanel::K4QBTexMgrImagePanel(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), preview_(nullptr), warmUp_(nullptr), layersPanel_(nullptr),
      alpha_(true), background_(K4QB_BG_BLUE), animationRate_(1), placedWidth_(0), placedHeight_(0),
      dragging_(false), dragFrom_{0, 0}, wheelRest_(0), captionBox_(nullptr), panelWindow_(nullptr),
      classAtom_(0), instance_(nullptr), captionSerial_(0), contentErrorSerial_(0),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTexMgrImagePanel(%p, %p) = %p", (void*)mainWindow,
              (void*)logger, (void*)this);
    loadSettings();
    K4C_TRACE(logger_, "Exit constructor K4QBTexMgrImagePanel = %p", (void*)this);
}

K4QBTexMgrImagePanel::~K4QBTexMgrImagePanel() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTexMgrImagePanel = %p", (void*)this);
    delete warmUp_;
    destroyPreview();
    reapPreviews(true);
    stopLayerPreview();
    if (panelWindow_ != nullptr) {
        DestroyWindow(panelWindow_);
        panelWindow_ = nullptr;
    }
    if (classAtom_ != 0) {
        UnregisterClassA(MAKEINTATOM(classAtom_), instance_);
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTexMgrImagePanel = %p", (void*)this);
}

void K4QBTexMgrImagePanel::loadSettings() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::loadSettings = %p", (void*)this);
    K4QBIniFile* settings = mainWindow_->getINIFile();
    K4QBIniGroup* group = settings->getGroup("viewer");
    if (group == nullptr) {
        group = settings->addGroup("viewer");
    }
    bool alpha = group->getInt("alpha", -1) != 0;
    group->setInt("alpha", alpha ? 1 : 0);
    int32_t background = group->getInt("background", kDefaultBackground);
    group->setInt("background", background);
    int32_t rate = group->getInt("fps", 1);
    group->setInt("fps", rate);
    alpha_.store(alpha);
    background_.store(static_cast<D3DCOLOR>(background));
    animationRate_.store(rate);
    loadViewSettings(group);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::loadSettings = %p", (void*)this);
}

void K4QBTexMgrImagePanel::createWindows() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::createWindows = %p", (void*)this);
    HINSTANCE instance = mainWindow_->getAppInstance();
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor =
        static_cast<HCURSOR>(LoadImageA(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED));
    windowClass.hbrBackground = mainWindow_->getBrush();
    windowClass.lpszClassName = K4QB_IMAGEPANEL_CLASS;
    classAtom_ = RegisterClassExA(&windowClass);
    instance_ = instance;
    if (classAtom_ == 0) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBTexMgrImagePanel::createWindows",
                      (void*)this);
    }
    HWND main = mainWindow_->getWindow();
    captionBox_ = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 0, 0,
                                  main, nullptr, instance, nullptr);
    panelWindow_ =
        CreateWindowExA(WS_EX_STATICEDGE | WS_EX_WINDOWEDGE, K4QB_IMAGEPANEL_CLASS, "",
                        WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main, nullptr, instance, nullptr);
    if (captionBox_ == nullptr || panelWindow_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBTexMgrImagePanel::createWindows",
                      (void*)this);
    }
    SetWindowLongPtrA(panelWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    placeWindows(true);
    SendMessageA(captionBox_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT)), TRUE);
    checkSettingsInMenu();
    checkViewMenu();
    SetWindowTextA(captionBox_, K4QB_IMAGEPANEL_NO_CAPTION);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::createWindows = %p", (void*)this);
}

void K4QBTexMgrImagePanel::placeWindows(bool repaint) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::placeWindows(%d) = %p", repaint ? 1 : 0,
              (void*)this);
    int32_t r = mainWindow_->getFSRightBound();
    int32_t p = mainWindow_->getImagePanelRightBound();
    int32_t b = mainWindow_->getImagePanelBottomBound();
    MoveWindow(captionBox_, r + 4, 4, p - r - 8, b - 8, repaint ? TRUE : FALSE);
    MoveWindow(panelWindow_, r + 8, 20, p - r - 16, b - 32, repaint ? TRUE : FALSE);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::placeWindows = %p", (void*)this);
}

void K4QBTexMgrImagePanel::relayout(bool rightChanged, bool bottomChanged) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::relayout(%d, %d) = %p", rightChanged ? 1 : 0,
              bottomChanged ? 1 : 0, (void*)this);
    if (rightChanged || bottomChanged) {
        placeWindows(false);
        if (preview_ != nullptr) {
            preview_->setRebuild();
        }
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::relayout = %p", (void*)this);
}

void K4QBTexMgrImagePanel::checkMenuRange(int32_t first, int32_t last, int32_t checked) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::checkMenuRange(%d, %d, %d) = %p", first, last,
              checked, (void*)this);
    HMENU menu = mainWindow_->getMenu();
    for (int32_t id = first; id <= last; ++id) {
        CheckMenuItem(menu, static_cast<UINT>(id),
                      MF_BYCOMMAND | (id == checked ? MF_CHECKED : MF_UNCHECKED));
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::checkMenuRange = %p", (void*)this);
}

void K4QBTexMgrImagePanel::checkSettingsInMenu() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::checkSettingsInMenu = %p", (void*)this);
    checkMenuRange(IDM_VIEW_ALPHA_ON, IDM_VIEW_ALPHA_OFF,
                   alpha_.load() ? IDM_VIEW_ALPHA_ON : IDM_VIEW_ALPHA_OFF);
    int32_t backgroundItem = 0; // another colour checks no item
    for (const MenuColour& entry : kBackgrounds) {
        if (entry.colour == background_.load()) {
            backgroundItem = entry.id;
        }
    }
    checkMenuRange(IDM_VIEW_BG_BLUE, IDM_VIEW_BG_BLACK, backgroundItem);
    int32_t rateItem = 0;
    for (const MenuRate& entry : kRates) {
        if (entry.rate == animationRate_.load()) {
            rateItem = entry.id;
        }
    }
    checkMenuRange(IDM_VIEW_ANIM_NONE, IDM_VIEW_ANIM_30FPS, rateItem);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::checkSettingsInMenu = %p", (void*)this);
}

void K4QBTexMgrImagePanel::setAlphaFromMenu(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::setAlphaFromMenu(%d) = %p", id, (void*)this);
    bool on = id == IDM_VIEW_ALPHA_ON;
    alpha_.store(on);
    mainWindow_->getINIGroup("viewer")->setInt("alpha", on ? 1 : 0);
    checkMenuRange(IDM_VIEW_ALPHA_ON, IDM_VIEW_ALPHA_OFF, id);
    redrawPreview();
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::setAlphaFromMenu = %p", (void*)this);
}

void K4QBTexMgrImagePanel::setBackgroundFromMenu(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::setBackgroundFromMenu(%d) = %p", id,
              (void*)this);
    for (const MenuColour& entry : kBackgrounds) {
        if (entry.id == id) {
            background_.store(entry.colour);
            mainWindow_->getINIGroup("viewer")->setInt("background",
                                                       static_cast<int32_t>(entry.colour));
        }
    }
    checkMenuRange(IDM_VIEW_BG_BLUE, IDM_VIEW_BG_BLACK, id);
    redrawPreview();
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::setBackgroundFromMenu = %p", (void*)this);
}

void K4QBTexMgrImagePanel::redrawPreview() {
    // The choice shows at once, not at the next frame or change.
    if (preview_ != nullptr) {
        preview_->setRedraw();
    }
    if (K4QBLayerPreview* layers = layerPreview()) {
        layers->setDirty();
    }
}

void K4QBTexMgrImagePanel::setAnimationFromMenu(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::setAnimationFromMenu(%d) = %p", id,
              (void*)this);
    for (const MenuRate& entry : kRates) {
        if (entry.id == id) {
            animationRate_.store(entry.rate);
            mainWindow_->getINIGroup("viewer")->setInt("fps", entry.rate);
        }
    }
    checkMenuRange(IDM_VIEW_ANIM_NONE, IDM_VIEW_ANIM_30FPS, id);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::setAnimationFromMenu = %p", (void*)this);
}

void K4QBTexMgrImagePanel::destroyPreview() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBTexMgrImagePanel::destroyPreview = %p", (void*)this);
    K4QBImagePreview* preview = preview_;
    preview_ = nullptr;
    if (preview != nullptr) {
        preview->cancel();
        mainWindow_->setAppBusy(K4QB_BUSY_IDLE);
        try {
            retired_.push_back(preview);
        } catch (...) {
            // No room to put it aside: wait for it here (outside the Direct3D
            // lock, which its threads may need to finish their turn).
            delete preview;
        }
    }
    reapPreviews(false);
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBTexMgrImagePanel::destroyPreview = %p", (void*)this);
}

void K4QBTexMgrImagePanel::reapPreviews(bool wait) noexcept {
    size_t kept = 0;
    for (K4QBImagePreview* preview : retired_) {
        if (wait || preview->hasEnded()) {
            delete preview;
        } else {
            retired_[kept++] = preview;
        }
    }
    retired_.resize(kept);
}

K4QBLayerPreview* K4QBTexMgrImagePanel::layerPreview() const {
    return layersPanel_ != nullptr ? layersPanel_->getPreview() : nullptr;
}

void K4QBTexMgrImagePanel::stopLayerPreview() noexcept {
    if (layersPanel_ != nullptr) {
        layersPanel_->stopPreview();
    }
}

void K4QBTexMgrImagePanel::showLayeredTexture() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::showLayeredTexture = %p", (void*)this);
    destroyPreview();
    SetWindowTextA(captionBox_, K4QB_IMAGEPANEL_NO_CAPTION);
    layersPanel_ = mainWindow_->getTLControls();
    layersPanel_->startPreview(this);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::showLayeredTexture = %p", (void*)this);
}

void K4QBTexMgrImagePanel::showSelectedFiles(bool keepView) {
    K4QBFSControls* search = mainWindow_->getFSControls();
    showFiles(search->getCurSource(), search->getFileList(), keepView);
}

void K4QBTexMgrImagePanel::showFile(const char* folder, const char* name) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::showFile(%s, %s) = %p", folder, name,
              (void*)this);
    // A list of its own holding just the file, selected: the preview copies
    // the names it shows, so the list goes at once.
    K4QBFileListBox list(mainWindow_, logger_);
    list.create(panelWindow_, 0, 0, 0, 0, 0);
    list.searchFileSystem(name, folder);
    list.refresh();
    SendMessageA(list.getWindow(), LB_SETSEL, TRUE, 0);
    try {
        showFiles(0, &list, false);
    } catch (...) {
        DestroyWindow(list.getWindow());
        throw;
    }
    DestroyWindow(list.getWindow());
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::showFile = %p", (void*)this);
}

void K4QBTexMgrImagePanel::showFiles(int32_t source, K4QBFileListBox* list, bool keepView) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::showFiles(%d, %p, %d) = %p", source,
              (void*)list, keepView ? 1 : 0, (void*)this);
    stopLayerPreview();
    destroyPreview();
    if (!keepView) {
        K4QBPanelView view = getView();
        view.view.centreX = view.view.centreY = 0.5;
        view.level = 0;
        setView(view);
    }
    // Asked without the Direct3D lock, which a cancelled preview may hold for
    // a moment yet.
    if (mainWindow_->getD3DDevice() == nullptr || mainWindow_->isD3DDeviceLost()) {
        k4cTraceThrow(logger_, K4QBERR_APP_D3DERROR, "K4QBTexMgrImagePanel::showFiles",
                      (void*)this);
    }
    std::unique_ptr<K4QBImagePreview> preview(
        new K4QBImagePreview(source, mainWindow_, this, mainWindow_->getTextureCache(), logger_));
    preview->setFrames(list);
    mainWindow_->setAppBusy(K4QB_BUSY_BACKGROUND);
    try {
        preview->start();
    } catch (...) {
        mainWindow_->setAppBusy(K4QB_BUSY_IDLE);
        throw;
    }
    preview_ = preview.release();
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::showFiles = %p", (void*)this);
}

void K4QBTexMgrImagePanel::freeD3DResources() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::freeD3DResources = %p", (void*)this);
    if (preview_ != nullptr) {
        preview_->releaseVertexBuffers();
    }
    // Cancelled previews draw no more, but their buffers are in the default
    // pool too.
    for (K4QBImagePreview* preview : retired_) {
        preview->releaseVertexBuffers();
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::freeD3DResources = %p", (void*)this);
}

void K4QBTexMgrImagePanel::startD3DDevice(IDirect3DDevice9* device) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::startD3DDevice(%p) = %p", (void*)device,
              (void*)this);
    if (preview_ != nullptr) {
        preview_->createVertexBuffers(device);
    }
    if (warmUp_ == nullptr) {
        warmUp_ = new K4QBDrawingWarmUp(mainWindow_, logger_);
        warmUp_->start();
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::startD3DDevice = %p", (void*)this);
}

void K4QBTexMgrImagePanel::postCaption(uint32_t serial, const char* caption) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::postCaption(%u, %s) = %p", serial, caption,
              (void*)this);
    {
        K4CLockGuard guard(&captionLock_);
        postedCaption_.assign(caption);
        captionSerial_ = serial;
    }
    // Posted, never sent: the window thread may be waiting for the worker.
    PostMessageA(panelWindow_, kCaptionMessage, serial, 0);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::postCaption = %p", (void*)this);
}

void K4QBTexMgrImagePanel::postContentError(uint32_t serial, const char* text) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::postContentError(%u, %s) = %p", serial, text,
              (void*)this);
    {
        K4CLockGuard guard(&captionLock_);
        postedContentError_.assign(text);
        contentErrorSerial_ = serial;
    }
    PostMessageA(panelWindow_, kContentErrorMessage, serial, 0);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::postContentError = %p", (void*)this);
}

void K4QBTexMgrImagePanel::postLoaded(uint32_t serial) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::postLoaded(%u) = %p", serial, (void*)this);
    PostMessageA(panelWindow_, kLoadedMessage, serial, 0);
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::postLoaded = %p", (void*)this);
}

bool K4QBTexMgrImagePanel::isShown(uint32_t serial) const {
    return preview_ != nullptr && preview_->getSerial() == serial;
}

void K4QBTexMgrImagePanel::applyPosted(UINT message, WPARAM wParam) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrImagePanel::applyPosted(%u) = %p", (unsigned)message,
              (void*)this);
    // What a preview that is gone meanwhile posted is dropped.
    const uint32_t serial = static_cast<uint32_t>(wParam);
    if (isShown(serial)) {
        if (message == kLoadedMessage) {
            mainWindow_->setAppBusy(K4QB_BUSY_IDLE);
        } else {
            K4CString text;
            {
                K4CLockGuard guard(&captionLock_);
                if (message == kCaptionMessage && captionSerial_ == serial) {
                    text.assign(postedCaption_);
                } else if (message == kContentErrorMessage && contentErrorSerial_ == serial) {
                    text.assign(postedContentError_);
                    postedContentError_.clear();
                }
            }
            if (text.getLength() > 0 && message == kCaptionMessage) {
                SetWindowTextA(captionBox_, text.getText());
            } else if (text.getLength() > 0) {
                // The box runs a message loop meanwhile; the preview goes on.
                mainWindow_->reportContentError(text.getText());
            }
        }
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrImagePanel::applyPosted = %p", (void*)this);
}

LRESULT CALLBACK K4QBTexMgrImagePanel::windowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    K4QBTexMgrImagePanel* panel =
        reinterpret_cast<K4QBTexMgrImagePanel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (panel != nullptr) {
        try {
            if (message == kCaptionMessage || message == kContentErrorMessage ||
                message == kLoadedMessage) {
                panel->applyPosted(message, wParam);
                return 0;
            }
            if (panel->onMouse(message, wParam, lParam)) {
                return 0;
            }
            K4QBLayerPreview* layers = panel->layerPreview();
            const bool drawn = panel->preview_ != nullptr || layers != nullptr;
            if (message == WM_ERASEBKGND && drawn) {
                return 1; // the preview covers the whole window
            }
            if (message == WM_PAINT && drawn) {
                // Where the picture is copied in rather than presented,
                // nothing else restores an uncovered part before the worker's
                // next turn.
                PAINTSTRUCT paint;
                BeginPaint(window, &paint);
                EndPaint(window, &paint);
                if (panel->preview_ != nullptr) {
                    panel->preview_->setRedraw();
                } else {
                    layers->setDirty();
                }
                return 0;
            }
        } catch (...) {
            K4QBAppWindow::keepPendingError();
            return 0;
        }
        if (message == WM_DESTROY) {
            // The main window is going: stop drawing into this window first.
            if (panel->warmUp_ != nullptr) {
                panel->warmUp_->stop();
            }
            panel->destroyPreview();
            panel->reapPreviews(true);
            panel->stopLayerPreview();
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            panel->panelWindow_ = nullptr;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
