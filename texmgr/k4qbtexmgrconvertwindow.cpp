// K4QBTexMgrConvertWindow: the window, its controls, the initial type, and
// starting, stopping and cancelling a run.
#include "texmgr/k4qbtexmgrconvertwindow.h"

#include "content/file_list.h"
#include "content/install_path.h"
#include "content/k4qbfindrules.h"
#include "exportd3d/k4qbexportjob.h"
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfiledropdown.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbtexmgranimpanel.h"
#include "texmgr/k4qbtexmgroutputpanel.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <cstring>
#include <memory>

int32_t K4QBTexMgrConvertWindow::instanceCount_ = 0;
ATOM K4QBTexMgrConvertWindow::classAtom_ = 0;
K4CHashMap* K4QBTexMgrConvertWindow::windows_ = nullptr;

namespace {

bool beginsWithBd(const char* name) {
    return (name[0] == 'b' || name[0] == 'B') && (name[1] == 'd' || name[1] == 'D') &&
           name[2] == '_';
}

// Backdrops, animated overlays for a numbered series, else static overlays.
int32_t initialType(const K4QBFileList& files) {
    bool backdrops = true;
    for (int32_t i = 0; i < files.getCount(); ++i) {
        backdrops = backdrops && beginsWithBd(files.getName(i));
    }
    if (backdrops) {
        return k4export::kBackdrops;
    }
    int32_t position = 0, length = 0;
    bool series = files.getCount() >= 2 && k4qbFindDigitRun(files.getName(0), &position, &length);
    for (int32_t i = 1; series && i < files.getCount(); ++i) {
        series = k4qbInSequence(files.getName(i), files.getName(0), position, length);
    }
    return series ? k4export::kAnimatedOverlays : k4export::kStaticOverlays;
}

RECT workArea() {
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

} // namespace

K4QBTexMgrConvertWindow::K4QBTexMgrConvertWindow(K4QBTexMgrWindow* mainWindow,
                                                 K4QBConvertWindowList* list,
                                                 K4CDebugLogger* logger)
    : mainWindow_(mainWindow), list_(list), running_(false), progressSlot_(-1), firstIsGame_(false),
      files_(new K4QBFileList()), job_(nullptr), window_(nullptr), output_(nullptr), anim_(nullptr),
      filesGroup_(nullptr), fileNames_(nullptr), status_(nullptr), startButton_(nullptr),
      cancelButton_(nullptr), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTexMgrConvertWindow(%p, %p) = %p", (void*)mainWindow,
              (void*)list, (void*)this);
    if (windows_ == nullptr) {
        windows_ = new K4CHashMap();
    }
    ++instanceCount_;
    K4C_TRACE(logger_, "Exit constructor K4QBTexMgrConvertWindow = %p", (void*)this);
}

K4QBTexMgrConvertWindow::~K4QBTexMgrConvertWindow() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTexMgrConvertWindow = %p", (void*)this);
    stopJob();
    if (window_ != nullptr) {
        DestroyWindow(window_); // WM_DESTROY detaches it
    }
    delete output_;
    delete anim_;
    delete files_;
    if (--instanceCount_ == 0) {
        if (classAtom_ != 0) {
            UnregisterClassA(K4QB_CONVERT_CLASS, mainWindow_->getAppInstance());
            classAtom_ = 0;
        }
        delete windows_;
        windows_ = nullptr;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTexMgrConvertWindow = %p", (void*)this);
}

void K4QBTexMgrConvertWindow::create(K4QBFileListBox* opener, int32_t x, int32_t y) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrConvertWindow::create(%p, %d, %d) = %p", (void*)opener, x,
              y, (void*)this);
    takeFiles(opener);
    registerClass();
    window_ =
        CreateWindowExA(WS_EX_WINDOWEDGE, K4QB_CONVERT_CLASS, K4QB_CONVERT_TITLE,
                        WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                        K4QB_CONVERT_WIDTH, K4QB_CONVERT_HEIGHT + GetSystemMetrics(SM_CYCAPTION),
                        nullptr, nullptr, mainWindow_->getAppInstance(), nullptr);
    if (window_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBTexMgrConvertWindow::create",
                      (void*)this);
    }
    // Keyed by the handle's bytes in this object, which stay while it is in.
    windows_->put(&window_, sizeof window_, this);
    anim_ = new K4QBTexMgrAnimPanel(mainWindow_, logger_);
    output_ = new K4QBTexMgrOutputPanel(mainWindow_, anim_, logger_);
    output_->create(window_);
    anim_->create(window_, files_);
    createControls();
    initialize();
    K4C_TRACE(logger_, "Exit K4QBTexMgrConvertWindow::create = %p", (void*)this);
}

void K4QBTexMgrConvertWindow::takeFiles(K4QBFileListBox* opener) {
    int32_t count = 0;
    const int32_t* chosen = opener->getSelectedPositions(&count);
    if (count == 0) {
        k4cTraceThrow(logger_, K4QBERR_TEXMGR_NOFILESCHOSEN, "K4QBTexMgrConvertWindow::takeFiles",
                      (void*)this);
    }
    firstIsGame_ = opener->getEntrySource(chosen[0]) != nullptr;
    for (int32_t i = 0; i < count; ++i) {
        files_->addInOrder(opener->getEntrySource(chosen[i]), opener->getEntryFileName(chosen[i]),
                           opener->getEntryFolder(chosen[i]), false);
    }
}

void K4QBTexMgrConvertWindow::registerClass() {
    if (classAtom_ != 0) {
        return;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = mainWindow_->getAppInstance();
    wc.hIcon = mainWindow_->getIcon(K4QB_RES_LARGEICON);
    wc.hIconSm = mainWindow_->getIcon(K4QB_RES_SMALLICON);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = mainWindow_->getBrush();
    wc.lpszClassName = K4QB_CONVERT_CLASS;
    classAtom_ = RegisterClassExA(&wc);
    if (classAtom_ == 0) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBTexMgrConvertWindow::registerClass",
                      (void*)this);
    }
}

HWND K4QBTexMgrConvertWindow::createChild(DWORD exStyle, const char* className, const char* text,
                                          DWORD style, int32_t x, int32_t y, int32_t width,
                                          int32_t height, int32_t id) {
    return mainWindow_->createControl(window_, exStyle, className, text, WS_CHILD | style, x, y,
                                      width, height, id, "K4QBTexMgrConvertWindow::createChild",
                                      this);
}

void K4QBTexMgrConvertWindow::createControls() {
    const DWORD visible = WS_VISIBLE;
    filesGroup_ = createChild(0, "BUTTON", "", visible | BS_GROUPBOX, 352, 4, 212, 256, 0);
    fileNames_ = createChild(WS_EX_CLIENTEDGE, "EDIT", "",
                             visible | ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL, 356,
                             20, 204, 236, 0);
    status_ = createChild(0, "STATIC", "", SS_CENTER, 4, 4, 212, 48, 0);
    startButton_ = createChild(0, "BUTTON", "Start", visible | WS_TABSTOP, 352, 268, 212, 24,
                               K4QB_ID_CONVERT_START);
    cancelButton_ = createChild(0, "BUTTON", "Cancel", visible | WS_TABSTOP, 352, 298, 212, 24,
                                K4QB_ID_CONVERT_CANCEL);
    WPARAM labelFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT));
    SendMessageA(filesGroup_, WM_SETFONT, labelFont, TRUE);
    SendMessageA(status_, WM_SETFONT, labelFont, TRUE);
    SendMessageA(fileNames_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LISTFONT)), TRUE);
    WPARAM buttonFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_BUTTONFONT));
    SendMessageA(startButton_, WM_SETFONT, buttonFont, TRUE);
    SendMessageA(cancelButton_, WM_SETFONT, buttonFont, TRUE);
}

void K4QBTexMgrConvertWindow::initialize() {
    output_->setType(initialType(*files_));
    if (firstIsGame_) {
        output_->applyTypeFolder(nullptr);
    } else {
        output_->setFileSystemFolder(nullptr);
    }
    K4CString text;
    text.appendFormat("%d Image Files:", files_->getCount());
    SetWindowTextA(filesGroup_, text.getText());
    text.clear();
    for (int32_t i = 0; i < files_->getCount(); ++i) {
        text.append(i > 0 ? "\r\n" : "");
        text.append(files_->getName(i));
    }
    SetWindowTextA(fileNames_, text.getText());
}

void K4QBTexMgrConvertWindow::showOptions(bool visible) {
    output_->show(visible);
    anim_->show(visible);
    ShowWindow(cancelButton_, visible ? SW_SHOW : SW_HIDE);
}

void K4QBTexMgrConvertWindow::placeProgressBox() {
    const RECT work = workArea();
    const int32_t height = K4QB_PROGRESS_HEIGHT + GetSystemMetrics(SM_CYCAPTION);
    // Stacked upwards from the bottom: the run keeps the lowest slot no other
    // running box holds, however the list of windows changes meanwhile. When
    // the column is full the next one starts again at the bottom.
    if (progressSlot_ < 0) {
        progressSlot_ = list_ != nullptr ? list_->freeProgressSlot() : 0;
    }
    const int32_t slots = (work.bottom - work.top) / height;
    const int32_t slot = slots > 0 ? progressSlot_ % slots : 0;
    const int32_t y = work.bottom - height * (slot + 1);
    SetWindowPos(window_, nullptr, work.right - K4QB_PROGRESS_WIDTH, y < work.top ? work.top : y,
                 K4QB_PROGRESS_WIDTH, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void K4QBTexMgrConvertWindow::start() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrConvertWindow::start = %p", (void*)this);
    // Only an animated overlay reads these fields; other types leave the
    // disabled fields as they stand.
    if (output_->getType() == k4export::kAnimatedOverlays) {
        anim_->checkFields();
    }
    showOptions(false);
    SetWindowTextA(status_, "Beginning conversion...");
    ShowWindow(status_, SW_SHOW);
    MoveWindow(startButton_, 4, 64, 212, 24, TRUE);
    SetWindowTextA(startButton_, "Stop");
    placeProgressBox();
    running_ = true;

    K4CString fileName;
    output_->getFileName(&fileName);
    k4export::ExportRun run;
    run.settings.type = output_->getType();
    run.settings.folderSource = output_->getFolderSource();
    run.settings.folder = output_->getFolder();
    run.settings.installPath = getInstallPath();
    run.settings.fileName = fileName.getText();
    run.settings.files = files_;
    run.settings.start = anim_->readField(K4QB_ID_ANIM_START);
    run.settings.maxCount = anim_->readField(K4QB_ID_ANIM_MAXCOUNT);
    run.sizeIndex = output_->getSizeIndex();
    run.format = output_->getFormat();
    run.sourceRate = anim_->readField(K4QB_ID_ANIM_SOURCERATE);
    run.targetRate = anim_->readField(K4QB_ID_ANIM_TARGETRATE);
    run.thumbnailIndex = anim_->getThumbnailIndex();
    auto job = std::make_unique<K4QBExportJob>(mainWindow_, mainWindow_->getTextureCache(), window_,
                                               run, logger_);
    try {
        job->start();
    } catch (const char* code) {
        job.reset();
        stop();
        if (std::strcmp(code, K4QBERR_TEXMGR_USERCANCELLED) != 0) {
            throw;
        }
    }
    if (job != nullptr && running_ && window_ != nullptr) {
        job_ = job.release();
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrConvertWindow::start = %p", (void*)this);
}

void K4QBTexMgrConvertWindow::stopJob() {
    // The worker ends after the output it is writing; it never waits for
    // this thread.
    delete job_;
    job_ = nullptr;
}

void K4QBTexMgrConvertWindow::stop() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrConvertWindow::stop = %p", (void*)this);
    stopJob();
    if (window_ != nullptr) {
        const RECT work = workArea();
        const int32_t caption = GetSystemMetrics(SM_CYCAPTION);
        int32_t y = work.bottom - caption - (K4QB_CONVERT_HEIGHT - 1);
        SetWindowPos(window_, nullptr, work.right - (K4QB_CONVERT_WIDTH - 1), y < 48 ? 48 : y,
                     K4QB_CONVERT_WIDTH, K4QB_CONVERT_HEIGHT + caption,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        MoveWindow(startButton_, 352, 268, 212, 24, TRUE);
        SetWindowTextA(startButton_, "Start");
        EnableWindow(startButton_, TRUE);
        ShowWindow(status_, SW_HIDE);
        showOptions(true);
    }
    running_ = false;
    progressSlot_ = -1;
    K4C_TRACE(logger_, "Exit K4QBTexMgrConvertWindow::stop = %p", (void*)this);
}

void K4QBTexMgrConvertWindow::cancel() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrConvertWindow::cancel = %p", (void*)this);
    stopJob();
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    K4C_TRACE(logger_, "Exit K4QBTexMgrConvertWindow::cancel = %p", (void*)this);
}

void K4QBTexMgrConvertWindow::detach() {
    stopJob();
    windows_->remove(&window_, sizeof window_);
    window_ = nullptr;
    running_ = false;
    progressSlot_ = -1;
}

LRESULT CALLBACK K4QBTexMgrConvertWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
    try {
        auto* self =
            windows_ != nullptr
                ? static_cast<K4QBTexMgrConvertWindow*>(windows_->get(&window, sizeof window))
                : nullptr;
        if (self == nullptr || self->window_ != window) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        return self->handleMessage(message, wParam, lParam);
    } catch (...) {
        // For the message loop, which reports it.
        K4QBAppWindow::keepPendingError();
        return 0;
    }
}

LRESULT K4QBTexMgrConvertWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
    case WM_COMMAND:
        if (onCommand(HIWORD(wParam), LOWORD(wParam))) {
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID == static_cast<UINT>(K4QB_ID_BATCH_FOLDERS) && output_ != nullptr) {
            return output_->getFolderDropDown()->onDrawItem(item);
        } else if (item->CtlID == static_cast<UINT>(K4QB_ID_ANIM_THUMBNAIL) && anim_ != nullptr) {
            return anim_->getThumbnails()->drawItem(item);
        }
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlID == static_cast<UINT>(K4QB_ID_BATCH_FOLDERS)) {
            item->itemHeight = K4QB_FOLDER_ITEM_HEIGHT;
            return 1;
        } else if (item->CtlID == static_cast<UINT>(K4QB_ID_ANIM_THUMBNAIL) && anim_ != nullptr) {
            return anim_->getThumbnails()->measureItem(item);
        }
        break;
    }
    case WM_SETCURSOR: {
        HWND under = reinterpret_cast<HWND>(wParam);
        if (under != nullptr && (under == startButton_ || under == cancelButton_)) {
            SetCursor(LoadCursorA(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), mainWindow_->getAppBGColor());
        return reinterpret_cast<LRESULT>(mainWindow_->getBrush());
    case WM_CLOSE:
        cancel();
        return 0;
    case K4QB_WM_EXPORT_DONE:
        if (job_ != nullptr && wParam == job_->getSerial()) {
            cancel();
        }
        return 0;
    case K4QB_WM_EXPORT_STATUS:
        if (job_ != nullptr && wParam == job_->getSerial()) {
            K4CString text;
            bool disableStart = false;
            while (job_->takeStatus(&text, &disableStart)) {
                SetWindowTextA(status_, text.getText());
                if (disableStart) {
                    EnableWindow(startButton_, FALSE);
                }
            }
        }
        return 0;
    case WM_DESTROY:
        detach();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool K4QBTexMgrConvertWindow::onCommand(int32_t code, int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTexMgrConvertWindow::onCommand(%d, %d) = %p", code, id,
              (void*)this);
    bool handled = true;
    if (code == BN_CLICKED && id == K4QB_ID_CONVERT_START) {
        running_ ? stop() : start();
    } else if (code == BN_CLICKED && id == K4QB_ID_CONVERT_CANCEL) {
        cancel();
    } else if (code == BN_CLICKED) {
        handled = output_->onClicked(id);
    } else if (code == CBN_SELCHANGE) {
        handled = output_->onSelChange(id);
    } else if (code == EN_KILLFOCUS) {
        handled = anim_->checkField(id);
    } else {
        handled = false;
    }
    K4C_TRACE(logger_, "Return %d from K4QBTexMgrConvertWindow::onCommand = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}
