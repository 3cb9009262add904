// K4QBTexMgrWindow: names, initialisation, layout, Direct3D settings and
// message dispatch. Commands, modes and menu state are in
// k4qbtexmgrwindow_commands.cpp.
#include "texmgr/k4qbtexmgrwindow.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "resources/resource_ids.h"
#include "shell/k4qbquad.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtlcontrols.h"
#include "textures/k4qbtexturecache.h"

namespace {

// Posted to itself after initialisation when the command line named files.
constexpr UINT kOpenStartupPaths = WM_APP + 1;

} // namespace

K4QBTexMgrWindow::K4QBTexMgrWindow(HINSTANCE instance, K4CDebugLogger* logger)
    : K4QBAppWindow(instance, logger), mode_(K4QB_MODE_FIND), textureCache_(nullptr),
      fsRightBound_(0), fsBottomBound_(0), imagePanelRightBound_(0), imagePanelBottomBound_(0),
      fsControls_(nullptr), tlControls_(nullptr), convertWindows_(nullptr), imagePanel_(nullptr),
      convertButton_(nullptr), attachButton_(nullptr), helpModule_(nullptr) {
    K4C_TRACE(getLogger(), "Enter constructor K4QBTexMgrWindow(%p, %p) = %p", (void*)instance,
              (void*)logger, (void*)this);
    convertWindows_ = new K4QBConvertWindowList(this, getLogger());
    K4C_TRACE(getLogger(), "Exit constructor K4QBTexMgrWindow = %p", (void*)this);
}

K4QBTexMgrWindow::~K4QBTexMgrWindow() {
    K4C_TRACE_NOTHROW(getLogger(), "Enter destructor K4QBTexMgrWindow = %p", (void*)this);
    // The convert windows go first: their runs use the device and the
    // texture cache. The image panel stops the layer preview that draws on
    // it.
    delete convertWindows_;
    convertWindows_ = nullptr;
    delete imagePanel_;
    imagePanel_ = nullptr;
    delete tlControls_;
    tlControls_ = nullptr;
    delete fsControls_;
    fsControls_ = nullptr;
    delete textureCache_;
    textureCache_ = nullptr;
    if (helpModule_ != nullptr) {
        FreeLibrary(helpModule_);
    }
    K4C_TRACE_NOTHROW(getLogger(), "Exit destructor K4QBTexMgrWindow = %p", (void*)this);
}

const char* K4QBTexMgrWindow::getAppINIFilename() {
    K4C_TRACE(getLogger(), "Enter and return %s from K4QBTexMgrWindow::getAppINIFilename = %p",
              "k4-qb-texmgr.ini", (void*)this);
    return "k4-qb-texmgr.ini";
}

const char* K4QBTexMgrWindow::getWndClassName() {
    K4C_TRACE(getLogger(), "Enter and return %s from K4QBTexMgrWindow::getWndClassName = %p",
              "K4QBTexMgrWindow", (void*)this);
    return "K4QBTexMgrWindow";
}

const char* K4QBTexMgrWindow::getWndTitle() {
    K4C_TRACE(getLogger(), "Enter and return %s from K4QBTexMgrWindow::getWndTitle = %p",
              K4QB_TEXMGR_TITLE, (void*)this);
    return K4QB_TEXMGR_TITLE;
}

const char* K4QBTexMgrWindow::createWndMenu() {
    K4C_TRACE(getLogger(), "Enter and return %d from K4QBTexMgrWindow::createWndMenu = %p",
              IDR_MAINMENU, (void*)this);
    return MAKEINTRESOURCEA(IDR_MAINMENU);
}

K4QBAppResources* K4QBTexMgrWindow::createResources() {
    K4QBAppResources* resources = new K4QBTexMgrResources(this, getLogger());
    K4C_TRACE(getLogger(), "Enter and return %p from K4QBTexMgrWindow::createResources = %p",
              (void*)resources, (void*)this);
    return resources;
}

K4QBTexMgrImagePanel* K4QBTexMgrWindow::getImagePanel() {
    K4C_TRACE(getLogger(), "Enter and return %p from K4QBTexMgrWindow::getImagePanel = %p",
              (void*)imagePanel_, (void*)this);
    return imagePanel_;
}

K4QBFSControls* K4QBTexMgrWindow::getFSControls() {
    K4C_TRACE(getLogger(), "Enter and return %p from K4QBTexMgrWindow::getFSControls = %p",
              (void*)fsControls_, (void*)this);
    return fsControls_;
}

K4QBTLControls* K4QBTexMgrWindow::getTLControls() {
    K4C_TRACE(getLogger(), "Enter and return %p from K4QBTexMgrWindow::getTLControls = %p",
              (void*)tlControls_, (void*)this);
    return tlControls_;
}

K4QBTextureCache* K4QBTexMgrWindow::getTextureCache() {
    K4C_TRACE(getLogger(), "Enter and return %p from K4QBTexMgrWindow::getTextureCache = %p",
              (void*)textureCache_, (void*)this);
    return textureCache_;
}

int32_t K4QBTexMgrWindow::getFSRightBound() {
    K4C_TRACE(getLogger(), "Enter and return %d from K4QBTexMgrWindow::getFSRightBound = %p",
              fsRightBound_, (void*)this);
    return fsRightBound_;
}

int32_t K4QBTexMgrWindow::getFSBottomBound() {
    K4C_TRACE(getLogger(), "Enter and return %d from K4QBTexMgrWindow::getFSBottomBound = %p",
              fsBottomBound_, (void*)this);
    return fsBottomBound_;
}

int32_t K4QBTexMgrWindow::getImagePanelRightBound() {
    K4C_TRACE(getLogger(),
              "Enter and return %d from K4QBTexMgrWindow::getImagePanelRightBound = %p",
              imagePanelRightBound_, (void*)this);
    return imagePanelRightBound_;
}

int32_t K4QBTexMgrWindow::getImagePanelBottomBound() {
    K4C_TRACE(getLogger(),
              "Enter and return %d from K4QBTexMgrWindow::getImagePanelBottomBound = %p",
              imagePanelBottomBound_, (void*)this);
    return imagePanelBottomBound_;
}

int32_t K4QBTexMgrWindow::getMode() {
    K4C_TRACE(getLogger(), "Enter and return %d from K4QBTexMgrWindow::getMode = %p", mode_,
              (void*)this);
    return mode_;
}

void K4QBTexMgrWindow::calcBounds(int32_t* fsRight, int32_t* fsBottom, int32_t* panelRight,
                                  int32_t* panelBottom) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::calcBounds(%p, %p, %p, %p) = %p",
              (void*)fsRight, (void*)fsBottom, (void*)panelRight, (void*)panelBottom, (void*)this);
    RECT client = {};
    GetClientRect(getWindow(), &client);
    int32_t width = client.right - client.left;
    int32_t height = client.bottom - client.top;
    int32_t right = (width - 15) >> 1;
    *fsRight = right < 216 ? 216 : right > 300 ? 300 : right;
    *fsBottom = height - 29;
    *panelRight = width - 1;
    *panelBottom = height - 1;
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::calcBounds = %p", (void*)this);
}

void K4QBTexMgrWindow::initialize(K4QBContentRegistry* content, int showCommand) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::initialize(%p, %d) = %p", (void*)content,
              showCommand, (void*)this);
    K4QBAppWindow::initialize(content, showCommand);
    calcBounds(&fsRightBound_, &fsBottomBound_, &imagePanelRightBound_, &imagePanelBottomBound_);

    fsControls_ = new K4QBFSControls(this, getLogger());
    tlControls_ = new K4QBTLControls(this, getLogger());
    imagePanel_ = new K4QBTexMgrImagePanel(this, getLogger());

    createButtons();
    checkControls();
    initModeToMenu();

    fsControls_->createControls(getWindow());
    tlControls_->createControls(getWindow());
    imagePanel_->createWindows();

    HFONT buttonFont = getFont(K4QB_RES_BUTTONFONT);
    SendMessageA(convertButton_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), TRUE);
    SendMessageA(attachButton_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), TRUE);

    try {
        initD3DDevice(D3DCREATE_MIXED_VERTEXPROCESSING);
    } catch (const char*) {
        initD3DDevice(D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    }
    textureCache_ = new K4QBTextureCache(getD3DDevice(), content);
    DragAcceptFiles(getWindow(), TRUE);
    if (!startupPaths_.empty()) {
        // Shown once the window runs, as a drop would be.
        PostMessageA(getWindow(), kOpenStartupPaths, 0, 0);
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::initialize = %p", (void*)this);
}

void K4QBTexMgrWindow::createButtons() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::createButtons = %p", (void*)this);
    HINSTANCE instance = getAppInstance();
    convertButton_ = CreateWindowExA(
        0, "BUTTON", "Convert To DDS", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, getWindow(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(K4QB_ID_CONVERT)), instance, nullptr);
    attachButton_ = CreateWindowExA(
        0, "BUTTON", "Attach As Layer", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, getWindow(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(K4QB_ID_ATTACH)), instance, nullptr);
    placeButtons(true);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::createButtons = %p", (void*)this);
}

void K4QBTexMgrWindow::checkControls() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::checkControls = %p", (void*)this);
    if (convertButton_ == nullptr || attachButton_ == nullptr) {
        k4cTraceThrow(getLogger(), K4QBERR_APP_INITERROR, "K4QBTexMgrWindow::checkControls",
                      (void*)this);
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::checkControls = %p", (void*)this);
}

void K4QBTexMgrWindow::placeButtons(bool repaint) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::placeButtons(%d) = %p", repaint ? 1 : 0,
              (void*)this);
    int32_t half = fsRightBound_ >> 1;
    MoveWindow(convertButton_, 4, fsBottomBound_, half - 8, 24, repaint ? TRUE : FALSE);
    MoveWindow(attachButton_, half + 4, fsBottomBound_, half - 8, 24, repaint ? TRUE : FALSE);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::placeButtons = %p", (void*)this);
}

LRESULT K4QBTexMgrWindow::onSize(WPARAM type) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onSize(%u) = %p", (unsigned)type, (void*)this);
    if (type == SIZE_MINIMIZED || imagePanel_ == nullptr) {
        // Sizes during the base's window creation come before the panels.
        K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onSize = %p", 0, (void*)this);
        return 0;
    }
    int32_t fsRight, fsBottom, panelRight, panelBottom;
    calcBounds(&fsRight, &fsBottom, &panelRight, &panelBottom);
    bool fsRightChanged = fsRight != fsRightBound_;
    bool fsBottomChanged = fsBottom != fsBottomBound_;
    bool panelRightChanged = panelRight != imagePanelRightBound_;
    bool panelBottomChanged = panelBottom != imagePanelBottomBound_;
    fsRightBound_ = fsRight;
    fsBottomBound_ = fsBottom;
    imagePanelRightBound_ = panelRight;
    imagePanelBottomBound_ = panelBottom;

    fsControls_->relayout(fsRightChanged, fsBottomChanged);
    tlControls_->relayout(fsRightChanged, panelBottomChanged);
    imagePanel_->relayout(panelRightChanged, panelBottomChanged);
    if (fsRightChanged || fsBottomChanged) {
        placeButtons(false);
    }
    InvalidateRect(getWindow(), nullptr, TRUE);
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onSize = %p", 0, (void*)this);
    return 0;
}

void K4QBTexMgrWindow::gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::gatherD3DPresentation(%p) = %p",
              (void*)parameters, (void*)this);
    // The back buffer has the screen's size; the preview scales to it.
    parameters->BackBufferWidth = static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN));
    parameters->BackBufferHeight = static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN));
    parameters->SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters->hDeviceWindow = imagePanel_ != nullptr ? imagePanel_->getPanelWindow() : nullptr;
    parameters->Windowed = TRUE;
    parameters->PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::gatherD3DPresentation = %p", (void*)this);
}

void K4QBTexMgrWindow::freeD3DResources() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::freeD3DResources = %p", (void*)this);
    if (imagePanel_ != nullptr) {
        imagePanel_->freeD3DResources();
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::freeD3DResources = %p", (void*)this);
}

void K4QBTexMgrWindow::startD3DDevice() {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::startD3DDevice = %p", (void*)this);
    IDirect3DDevice9* device = getD3DDevice();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetFVF(K4QB_QUAD_FVF);
    // A picture stretched over the panel must not blend its edge texels with
    // the opposite edge.
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    if (imagePanel_ != nullptr) {
        imagePanel_->startD3DDevice(device);
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::startD3DDevice = %p", (void*)this);
}

bool K4QBTexMgrWindow::isDialogMessage(MSG* message) {
    // The wheel goes to the window with the focus (the file list, say);
    // over the image panel it zooms the picture instead.
    const bool taken = (convertWindows_ != nullptr && convertWindows_->isDialogMessage(message)) ||
                       (imagePanel_ != nullptr && imagePanel_->takeWheel(message));
    K4C_TRACE(getLogger(), "Enter and return %d from K4QBTexMgrWindow::isDialogMessage(%p) = %p",
              taken ? 1 : 0, (void*)message, (void*)this);
    return taken;
}

LRESULT K4QBTexMgrWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::handleMessage(%u, %llu, %lld) = %p",
              (unsigned)message, (unsigned long long)wParam, (long long)lParam, (void*)this);
    pollD3DDevice();
    HWND window = getWindow();
    switch (message) {
    case WM_SETCURSOR:
        if (onSetCursor(reinterpret_cast<HWND>(wParam))) {
            return 1;
        }
        break;
    case WM_PAINT:
        if (tlControls_ != nullptr) {
            tlControls_->setPreviewDirty();
        }
        break;
    case WM_SIZE:
        return onSize(wParam);
    case WM_ENDSESSION:
        // The system ends the process once this returns: the runs stop in
        // order first, so the file being written ends whole.
        if (wParam != FALSE) {
            convertWindows_->stopRuns();
        }
        return 0;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case kOpenStartupPaths:
        openPaths(startupPaths_);
        startupPaths_.clear();
        return 0;
    case WM_DRAWITEM:
        return onDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
        return onMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_COMMAND: {
        int32_t id = LOWORD(wParam);
        bool handled = false;
        LRESULT result = 0;
        switch (HIWORD(wParam)) {
        case BN_CLICKED: // also menu commands
            handled = onClicked(id);
            break;
        case LBN_SELCHANGE: // CBN_SELCHANGE too, and what accelerator keys send
            handled = onSelChange(id, &result);
            break;
        case LBN_DBLCLK:
            handled = onDblClick(id);
            break;
        case CBN_DROPDOWN:
            handled = onDropDown(id);
            break;
        case CBN_CLOSEUP:
            handled = onCloseUp(id);
            break;
        default:
            break;
        }
        if (handled) {
            return result;
        }
        break;
    }
    case WM_SIZING:
        return onSizing(wParam, reinterpret_cast<RECT*>(lParam));
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool K4QBTexMgrWindow::onSetCursor(HWND under) {
    if (under != nullptr && (under == convertButton_ || under == attachButton_ ||
                             (tlControls_ != nullptr && tlControls_->isPushButton(under)))) {
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return true;
    }
    return false;
}

LRESULT K4QBTexMgrWindow::onMeasureItem(MEASUREITEMSTRUCT* item) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onMeasureItem(%p) = %p", (void*)item,
              (void*)this);
    // Items measure before the panels' controls exist.
    if (item->CtlID == static_cast<UINT>(K4QB_ID_FOLDERS) ||
        item->CtlID == static_cast<UINT>(K4QB_ID_OUTFOLDERS)) {
        item->itemHeight = K4QB_FOLDER_ITEM_HEIGHT;
    } else if (item->CtlID == static_cast<UINT>(K4QB_ID_FILELIST) && fsControls_ != nullptr) {
        fsControls_->getFileList()->measureItem(item);
    } else if (item->CtlID == static_cast<UINT>(K4QB_ID_LAYERLIST) && tlControls_ != nullptr) {
        tlControls_->getLayerList()->measureItem(item);
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onMeasureItem = %p", 1, (void*)this);
    return 1;
}

LRESULT K4QBTexMgrWindow::onDrawItem(const DRAWITEMSTRUCT* item) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onDrawItem(%p) = %p", (const void*)item,
              (void*)this);
    LRESULT result = 0;
    if (fsControls_ != nullptr && item->CtlID == static_cast<UINT>(K4QB_ID_FOLDERS)) {
        result = fsControls_->getFolderDropDown()->onDrawItem(item);
    } else if (fsControls_ != nullptr && item->CtlID == static_cast<UINT>(K4QB_ID_FILELIST)) {
        result = fsControls_->getFileList()->drawItem(item);
    } else if (tlControls_ != nullptr && item->CtlID == static_cast<UINT>(K4QB_ID_OUTFOLDERS)) {
        result = tlControls_->getFolderDropDown()->onDrawItem(item);
    } else if (tlControls_ != nullptr && item->CtlID == static_cast<UINT>(K4QB_ID_LAYERLIST)) {
        result = tlControls_->getLayerList()->drawItem(item);
    }
    K4C_TRACE(getLogger(), "Return %d from K4QBTexMgrWindow::onDrawItem = %p", (int)result,
              (void*)this);
    return result;
}
