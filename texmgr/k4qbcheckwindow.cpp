// K4QBCheckWindow: the window, its controls and list, and the jobs it runs
// (see k4qbcheckwindow.h).
#include "texmgr/k4qbcheckwindow.h"

#include "content/content_registry.h"
#include "content/game_files.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "foundation/k4cwindowtext.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbcheckjob.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"

#include <algorithm>
#include <cstring>
#include <set>

K4QBCheckWindow* K4QBCheckWindow::open_ = nullptr;

namespace {

constexpr int32_t kWidth = 760;
constexpr int32_t kHeight = 480;
constexpr int32_t kRowHeight = 17;
constexpr UINT kJobDone = WM_APP + 21;
constexpr UINT_PTR kProgressTimer = 1;
// Column lefts in the list, and their titles in each mode.
constexpr int32_t kColumns[4] = {4, 72, 396, 508};
constexpr const char* kCheckTitles[4] = {"Severity", "File", "Rule", "Detail"};
constexpr const char* kOverrideTitles[4] = {"", "Loose file", "Archive", "Loose / archived"};

std::string folderOf(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string nameOf(const std::string& path) {
    return path.substr(folderOf(path).size());
}

std::string picture(bool read, const k4export::TextureHeader& header) {
    return read ? std::to_string(header.width) + "x" + std::to_string(header.height) + " " +
                      header.formatText
                : "unreadable";
}

std::string sameFolderKey(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
        path.pop_back();
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return path;
}

} // namespace

K4QBCheckWindow::K4QBCheckWindow(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), mode_(Mode::Check), window_(nullptr), folderEdit_(nullptr),
      list_(nullptr), detail_(nullptr), status_(nullptr), fixSelected_(nullptr), fixAll_(nullptr),
      original_(nullptr), runButton_(nullptr), logger_(logger) {}

K4QBCheckWindow::~K4QBCheckWindow() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBCheckWindow = %p", (void*)this);
    job_.reset(); // stops and waits; the worker never waits for this thread
    if (open_ == this) {
        open_ = nullptr;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBCheckWindow = %p", (void*)this);
}

K4QBCheckWindow* K4QBCheckWindow::open(K4QBTexMgrWindow* mainWindow, Mode mode,
                                       K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBCheckWindow::open(%p, %d)", (void*)mainWindow,
              static_cast<int>(mode));
    if (open_ == nullptr) {
        auto* window = new K4QBCheckWindow(mainWindow, logger);
        bool owned = false; // once its window exists, the window frees it (WM_NCDESTROY)
        try {
            window->create(&owned);
        } catch (...) {
            if (!owned) {
                delete window;
            }
            throw;
        }
        open_ = window;
    }
    K4QBCheckWindow* self = open_;
    ShowWindow(self->window_, SW_SHOWNORMAL);
    SetForegroundWindow(self->window_);
    self->mode_ = mode;
    SetWindowTextA(self->window_, mode == Mode::Check ? K4QB_CHECK_TITLE : K4QB_OVERRIDES_TITLE);
    if (mode == Mode::Check && GetWindowTextLengthA(self->folderEdit_) == 0) {
        SetWindowTextA(self->folderEdit_, self->installFolder().c_str());
    }
    self->startJob(static_cast<int32_t>(mode == Mode::Check ? K4QBCheckJob::Kind::Check
                                                            : K4QBCheckJob::Kind::Overrides));
    K4C_TRACE(logger, "Return %p from K4QBCheckWindow::open", (void*)self);
    return self;
}

void K4QBCheckWindow::create(bool* owned) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(mainWindow_->getAppInstance(), K4QB_CHECK_CLASS, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProc;
        // No icon or brush in the class: they belong to the main window that
        // made the first check window, and the class outlives it.
        wc.hInstance = mainWindow_->getAppInstance();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = K4QB_CHECK_CLASS;
        if (RegisterClassExA(&wc) == 0) {
            k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBCheckWindow::create", (void*)this);
        }
    }
    RECT size = {0, 0, kWidth, kHeight};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectEx(&size, style, FALSE, WS_EX_WINDOWEDGE);
    // Owned by the main window: above it, and closed with it.
    window_ =
        CreateWindowExA(WS_EX_WINDOWEDGE, K4QB_CHECK_CLASS, K4QB_CHECK_TITLE, style, CW_USEDEFAULT,
                        CW_USEDEFAULT, size.right - size.left, size.bottom - size.top,
                        mainWindow_->getWindow(), nullptr, mainWindow_->getAppInstance(), this);
    if (window_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBCheckWindow::create", (void*)this);
    }
    *owned = true;
    SendMessageA(window_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(mainWindow_->getIcon(K4QB_RES_LARGEICON)));
    SendMessageA(window_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(mainWindow_->getIcon(K4QB_RES_SMALLICON)));
    try {
        createControls();
    } catch (...) {
        K4C_DEBUG(logger_, "(In K4QBCheckWindow::create) No controls; the window goes");
        DestroyWindow(window_); // frees this object
        throw;
    }
}

HWND K4QBCheckWindow::createChild(DWORD exStyle, const char* className, const char* text,
                                  DWORD style, int32_t x, int32_t y, int32_t width, int32_t height,
                                  int32_t id) {
    HWND child =
        mainWindow_->createControl(window_, exStyle, className, text, WS_CHILD | WS_VISIBLE | style,
                                   x, y, width, height, id, "K4QBCheckWindow::createChild", this);
    SendMessageA(child, WM_SETFONT,
                 reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT)), FALSE);
    return child;
}

void K4QBCheckWindow::createControls() {
    createChild(0, "STATIC", "Folder:", 0, 8, 12, 48, 18, 0);
    folderEdit_ = createChild(WS_EX_CLIENTEDGE, "EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 60, 8, 588,
                              24, K4QB_ID_CHECK_FOLDER);
    runButton_ = createChild(0, "BUTTON", "Check", WS_TABSTOP, 656, 8, 96, 24, K4QB_ID_CHECK_RUN);
    for (int32_t c = 0; c < 4; ++c) {
        const int32_t right = c < 3 ? kColumns[c + 1] : kWidth - 16;
        createChild(0, "STATIC", "", SS_LEFT, 8 + kColumns[c], 40, right - kColumns[c] - 4, 16, 0);
    }
    list_ = createChild(WS_EX_CLIENTEDGE, "LISTBOX", "",
                        LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_EXTENDEDSEL | LBS_NOTIFY |
                            LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                        8, 58, kWidth - 16, 326, K4QB_ID_CHECK_LIST);
    SendMessageA(list_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LISTFONT)), FALSE);
    detail_ = createChild(0, "STATIC", "", SS_LEFT | SS_NOPREFIX, 8, 390, kWidth - 16, 44,
                          K4QB_ID_CHECK_DETAIL);
    fixSelected_ = createChild(0, "BUTTON", "Fix Selected", WS_TABSTOP, 8, 444, 120, 26,
                               K4QB_ID_CHECK_FIXSELECTED);
    fixAll_ =
        createChild(0, "BUTTON", "Fix All", WS_TABSTOP, 136, 444, 96, 26, K4QB_ID_CHECK_FIXALL);
    original_ = createChild(0, "BUTTON", "Show Original", BS_AUTOCHECKBOX | WS_TABSTOP, 244, 448,
                            130, 20, K4QB_ID_CHECK_ORIGINAL);
    status_ = createChild(0, "STATIC", "", SS_LEFT | SS_NOPREFIX, 384, 450, kWidth - 392, 18,
                          K4QB_ID_CHECK_STATUS);
}

std::string K4QBCheckWindow::installFolder() const {
    K4QBContentRegistry* content = mainWindow_->getQBContent();
    for (int32_t i = 0; content != nullptr && i < content->getSourceCount(); ++i) {
        if (content->getSource(i)->getSourceType() == K4QB_SOURCE_DATAFOLDER) {
            return content->getSource(i)->getRootFolder();
        }
    }
    return std::string();
}

void K4QBCheckWindow::checkFolder(const char* folder) {
    SetWindowTextA(folderEdit_, folder);
    mode_ = Mode::Check;
    SetWindowTextA(window_, K4QB_CHECK_TITLE);
    startJob(static_cast<int32_t>(K4QBCheckJob::Kind::Check));
}

void K4QBCheckWindow::startJob(int32_t kind) {
    K4C_TRACE(logger_, "Enter K4QBCheckWindow::startJob(%d) = %p", kind, (void*)this);
    job_.reset(); // a new request replaces the one under way
    K4QBCheckJob::Task task;
    task.kind = static_cast<K4QBCheckJob::Kind>(kind);
    const std::string install = installFolder();
    if (task.kind == K4QBCheckJob::Kind::Overrides) {
        task.folder = install;
        K4QBContentRegistry* content = mainWindow_->getQBContent();
        for (int32_t i = 0; content != nullptr && i < content->getSourceCount(); ++i) {
            if (content->getSource(i)->getSourceType() == K4QB_SOURCE_PAK) {
                task.cache = content->getSource(i)->getRootFolder(); // the program's cache
            }
        }
    } else {
        K4CString folder;
        k4cGetWindowText(folderEdit_, &folder);
        task.folder = folder.getText();
        task.game = install;
        task.gameLooseFiles = sameFolderKey(task.folder) != sameFolderKey(install);
        task.fixes = task.kind == K4QBCheckJob::Kind::Fix ? pendingFixes_ : task.fixes;
    }
    if (task.folder.empty()) {
        setStatus(mode_ == Mode::Check ? "Type the folder to check (a mod laid out like the game)."
                                       : "Quellbury is not installed.");
        K4C_TRACE(logger_, "Exit K4QBCheckWindow::startJob = %p", (void*)this);
        return;
    }
    job_ = std::make_unique<K4QBCheckJob>(task, window_, kJobDone, logger_);
    job_->start();
    SetTimer(window_, kProgressTimer, 200, nullptr);
    setStatus(task.kind == K4QBCheckJob::Kind::Overrides ? "Reading the archives..."
              : task.kind == K4QBCheckJob::Kind::Fix     ? "Fixing..."
                                                         : "Checking...");
    enableButtons();
    K4C_TRACE(logger_, "Exit K4QBCheckWindow::startJob = %p", (void*)this);
}

void K4QBCheckWindow::startFix(bool selectedOnly) {
    std::set<int32_t> chosen;
    if (selectedOnly) {
        const int32_t count = static_cast<int32_t>(SendMessageA(list_, LB_GETSELCOUNT, 0, 0));
        std::vector<int> selected(static_cast<size_t>(std::max(count, 0)));
        if (count > 0) {
            SendMessageA(list_, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(selected.data()));
        }
        for (int row : selected) {
            if (row >= 0 && row < static_cast<int>(rows_.size()) && rows_[row].fix >= 0) {
                chosen.insert(rows_[row].fix);
            }
        }
    } else {
        for (size_t i = 0; i < report_.fixes.size(); ++i) {
            chosen.insert(static_cast<int32_t>(i));
        }
    }
    if (chosen.empty()) {
        setStatus(selectedOnly ? "None of the selected findings can be fixed." : "Nothing to fix.");
        return;
    }
    pendingFixes_.clear();
    for (int32_t fix : chosen) {
        pendingFixes_.push_back(report_.fixes[static_cast<size_t>(fix)]);
    }
    // The fix works on the folder the findings are of.
    SetWindowTextA(folderEdit_, checked_.c_str());
    startJob(static_cast<int32_t>(K4QBCheckJob::Kind::Fix));
}

void K4QBCheckWindow::takeResults() {
    K4C_TRACE(logger_, "Enter K4QBCheckWindow::takeResults = %p", (void*)this);
    KillTimer(window_, kProgressTimer);
    std::unique_ptr<K4QBCheckJob> job = std::move(job_);
    job->stop(); // already ended: only joins, so its results are all there
    rows_.clear();
    std::string status;
    if (job->getTask().kind == K4QBCheckJob::Kind::Overrides) {
        for (const k4export::GameOverride& entry : job->getOverrides().overrides) {
            K4QBCheckRow row;
            row.rank = 2;
            row.columns[1] = entry.path;
            row.columns[2] = nameOf(entry.archive);
            row.columns[3] = picture(entry.looseRead, entry.loose) + " / " +
                             picture(entry.archivedRead, entry.archived);
            row.path = entry.path;
            row.entryFolder = entry.folder;
            row.entryName = entry.name;
            rows_.push_back(row);
        }
        checked_ = job->getTask().folder;
        status = std::to_string(rows_.size()) + " loose files hide archived ones.";
    } else {
        report_ = job->getReport();
        checked_ = job->getTask().folder;
        for (const k4export::Finding& finding : report_.findings) {
            K4QBCheckRow row;
            row.rank = static_cast<int32_t>(finding.severity);
            row.columns[0] = k4export::severityName(finding.severity);
            row.columns[1] = finding.path;
            row.columns[2] = k4export::ruleName(finding.rule);
            row.columns[3] = finding.detail;
            row.path = finding.path;
            row.fix = finding.fix;
            rows_.push_back(row);
        }
        std::stable_sort(rows_.begin(), rows_.end(),
                         [](const K4QBCheckRow& a, const K4QBCheckRow& b) {
                             return a.rank != b.rank ? a.rank < b.rank : a.path < b.path;
                         });
        const k4export::CheckCounts counts = k4export::countFindings(report_);
        if (job->getTask().kind == K4QBCheckJob::Kind::Fix) {
            forgetFixed(job->getTask().fixes);
            status = "Fixed " + std::to_string(job->getFixedCount()) + " of " +
                     std::to_string(job->getTask().fixes.size()) + ". ";
        }
        status += !job->hasTextureFolder()
                      ? std::string("The folder has no data\\textures folder.")
                      : std::to_string(report_.fileCount) +
                            " files checked: " + std::to_string(counts.errors) + " errors, " +
                            std::to_string(counts.warnings) + " warnings, " +
                            std::to_string(counts.fixable) + " fixable.";
    }
    for (const std::string& failure : job->getFixFailures()) {
        status += " Not fixed: " + failure + ".";
    }
    for (const std::string& problem : job->getProblems()) {
        status += " Not read: " + problem + ".";
    }
    status += job->getFailure().empty() ? "" : " " + job->getFailure();
    showRows();
    setStatus(status);
    enableButtons();
    K4C_TRACE(logger_, "Exit K4QBCheckWindow::takeResults = %p", (void*)this);
}

void K4QBCheckWindow::forgetFixed(const std::vector<k4export::FixAction>& fixes) {
    const std::vector<k4export::FixAction> none;
    // The texture cache keeps a texture by its path: the files written (and
    // those moved away) load again when next shown.
    K4QBD3DUse use(mainWindow_);
    K4QBTextureCache* cache = mainWindow_->getTextureCache();
    for (const k4export::FixAction& action : use.device() != nullptr ? fixes : none) {
        for (const k4export::FixOutput& output : action.outputs) {
            cache->forget((checked_ + "\\" + output.path).c_str());
        }
        for (const std::string& original : action.originals) {
            cache->forget((checked_ + "\\" + original).c_str());
        }
    }
}

void K4QBCheckWindow::showRows() {
    const char* const* titles = mode_ == Mode::Check ? kCheckTitles : kOverrideTitles;
    int32_t c = 0;
    for (HWND child = GetWindow(window_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT at;
        GetWindowRect(child, &at);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&at), 2);
        if (at.top == 40 && c < 4) {
            SetWindowTextA(child, titles[c++]);
        }
    }
    SendMessageA(list_, LB_SETCOUNT, rows_.size(), 0);
    SendMessageA(list_, LB_SETCARETINDEX, 0, FALSE);
    InvalidateRect(list_, nullptr, TRUE);
    SetWindowTextA(detail_, "");
}

void K4QBCheckWindow::setStatus(const std::string& text) {
    SetWindowTextA(status_, text.c_str());
}

void K4QBCheckWindow::enableButtons() {
    const bool idle = job_ == nullptr;
    const bool checking = mode_ == Mode::Check;
    EnableWindow(runButton_, idle);
    EnableWindow(fixSelected_, idle && checking && !report_.fixes.empty());
    EnableWindow(fixAll_, idle && checking && !report_.fixes.empty());
    EnableWindow(original_, !checking);
}

int32_t K4QBCheckWindow::caretRow() const {
    const LRESULT caret = SendMessageA(list_, LB_GETCARETINDEX, 0, 0);
    return caret >= 0 && caret < static_cast<LRESULT>(rows_.size()) ? static_cast<int32_t>(caret)
                                                                    : -1;
}

void K4QBCheckWindow::onSelection() {
    const int32_t row = caretRow();
    SetWindowTextA(detail_,
                   row >= 0 ? (rows_[row].columns[1] + ": " + rows_[row].columns[3]).c_str() : "");
    if (mode_ == Mode::Overrides && row >= 0) {
        preview(row);
    }
}

void K4QBCheckWindow::preview(int32_t row) {
    K4C_TRACE(logger_, "Enter K4QBCheckWindow::preview(%d) = %p", row, (void*)this);
    const K4QBCheckRow& shown = rows_[static_cast<size_t>(row)];
    std::string path = checked_ + "\\" + shown.path;
    if (mode_ == Mode::Overrides && SendMessageA(original_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        // The archived entry, extracted by the game's archives (inside the
        // Direct3D lock, as every use of the game content).
        K4QBContentRegistry* content = mainWindow_->getQBContent();
        K4CString extracted;
        bool found = false;
        try {
            K4QBD3DUse use(mainWindow_);
            for (int32_t i = 0; use.device() != nullptr && content != nullptr &&
                                i < content->getSourceCount() && !found;
                 ++i) {
                K4QBGameFiles* source = content->getSource(i);
                found = source->getSourceType() == K4QB_SOURCE_PAK &&
                        source->getContent(&extracted, shown.entryName.c_str(),
                                           shown.entryFolder.c_str(), false);
            }
        } catch (const char* code) {
            setStatus(std::string("The archived entry could not be extracted (") + code + ").");
            return;
        }
        if (!found) {
            setStatus("The archived entry could not be extracted.");
            return;
        }
        path = extracted.getText();
    }
    if (shown.path.empty() || shown.path.back() == '\\') {
        return; // a folder (a link, a name not valid): nothing to show
    }
    try {
        mainWindow_->getImagePanel()->showFile(folderOf(path).c_str(), nameOf(path).c_str());
    } catch (const char* code) {
        setStatus(std::string("No preview now (") + code + ").");
    }
    K4C_TRACE(logger_, "Exit K4QBCheckWindow::preview = %p", (void*)this);
}

void K4QBCheckWindow::drawRow(const DRAWITEMSTRUCT* item) {
    if (item->itemID == static_cast<UINT>(-1) || item->itemID >= rows_.size()) {
        return;
    }
    const K4QBCheckRow& row = rows_[item->itemID];
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    HDC dc = item->hDC;
    FillRect(dc, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    for (int32_t c = 0; c < 4; ++c) {
        COLORREF colour = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        if (c == 0 && !selected) {
            colour = row.rank == 0 ? RGB(192, 0, 0) : RGB(160, 96, 0);
        }
        SetTextColor(dc, colour);
        RECT cell = item->rcItem;
        cell.left = item->rcItem.left + kColumns[c];
        cell.right = c < 3 ? item->rcItem.left + kColumns[c + 1] - 6 : item->rcItem.right - 2;
        DrawTextA(dc, row.columns[c].c_str(), -1, &cell,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                      (c == 1 ? DT_PATH_ELLIPSIS : 0));
    }
    if ((item->itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(dc, &item->rcItem);
    }
}

LRESULT CALLBACK K4QBCheckWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* created = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(created->lpCreateParams));
        }
        auto* self = reinterpret_cast<K4QBCheckWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self == nullptr) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
            delete self;
            return DefWindowProcA(window, message, wParam, lParam);
        }
        if (self->window_ == nullptr) {
            self->window_ = window; // messages sent while CreateWindowEx runs
        }
        return self->handleMessage(message, wParam, lParam);
    } catch (...) {
        // For the message loop, which reports it.
        K4QBAppWindow::keepPendingError();
        return 0;
    }
}

LRESULT K4QBCheckWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (onCommand(HIWORD(wParam), LOWORD(wParam))) {
            return 0;
        }
        break;
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kRowHeight;
        return TRUE;
    case WM_DRAWITEM:
        drawRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, mainWindow_->getBrush());
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), mainWindow_->getAppBGColor());
        return reinterpret_cast<LRESULT>(mainWindow_->getBrush());
    case WM_TIMER:
        if (wParam == kProgressTimer && job_ != nullptr &&
            job_->getTask().kind != K4QBCheckJob::Kind::Overrides) {
            setStatus(
                (job_->getTask().kind == K4QBCheckJob::Kind::Fix ? "Fixing... " : "Checking... ") +
                std::to_string(job_->getProgress()) + " files");
        }
        return 0;
    case kJobDone:
        if (job_ != nullptr && wParam == job_->getSerial()) {
            takeResults();
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window_);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

bool K4QBCheckWindow::onCommand(int32_t code, int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBCheckWindow::onCommand(%d, %d) = %p", code, id, (void*)this);
    bool handled = true;
    if (id == K4QB_ID_CHECK_RUN && code == BN_CLICKED) {
        mode_ = Mode::Check;
        SetWindowTextA(window_, K4QB_CHECK_TITLE);
        startJob(static_cast<int32_t>(K4QBCheckJob::Kind::Check));
    } else if (id == K4QB_ID_CHECK_FIXSELECTED && code == BN_CLICKED) {
        startFix(true);
    } else if (id == K4QB_ID_CHECK_FIXALL && code == BN_CLICKED) {
        startFix(false);
    } else if (id == K4QB_ID_CHECK_ORIGINAL && code == BN_CLICKED) {
        onSelection();
    } else if (id == K4QB_ID_CHECK_LIST && code == LBN_SELCHANGE) {
        onSelection();
    } else if (id == K4QB_ID_CHECK_LIST && code == LBN_DBLCLK) {
        onSelection(); // previews in the overrides mode
        if (mode_ == Mode::Check && caretRow() >= 0) {
            preview(caretRow());
        }
    } else {
        handled = false;
    }
    K4C_TRACE(logger_, "Return %d from K4QBCheckWindow::onCommand = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}
