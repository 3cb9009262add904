// A soak run of the Windows program: the real main window built in-process
// over the demo game, as the program builds it (logger, content registry of
// the installed game), driven as a user would for about a quarter of an hour
// (under Wine on this machine), in ten equal rounds of
//  - 200 selections in the file list over every folder of the demo textures:
//    each file alone, several files at once and the flame series by a double
//    click on one frame, with the animation at 10 frames a second;
//  - 20 mode switches (view layered texture and back to find textures);
//  - 5 convert windows opened on game files (animated overlays, backdrops,
//    static overlays in turn), run, and closed by themselves when done;
//  - 5 layered saves (a backdrop under two overlays, "Save Texture", the
//    answer box closed);
//  - 1 device reset (a lost device played as the GUI tests do, while an
//    animation plays).
// Selections made to pick layers and convert sources come on top.
//
// At the start, after the first round (warm: every texture cached, every
// kind of window made once) and after every round it prints the process's
// private bytes and working set, its handle count (GetProcessHandleCount)
// and its GDI and USER objects (GetGuiResources). Wine 8 reports 0 for these
// three, so beside them come the counts of tests/support/gui_objects.h: the
// handles found in use, the entries of the process's GDI handle table and
// the process's windows; and the blocks in use in the C runtime's heap, the
// program's own allocations. Before each line the same file is selected three
// times, so that the cancelled previews waiting to be deleted are alike at
// every line.
//
//   soak_bench.exe [ROUNDS [STEP]]   (10; each round is a tenth of the run;
//                                     STEP: that kind of step alone)
//
// The demo install is written afresh below the bench's folder by the built
// k4demogame.exe and seen as the installed game by this process only. Convert
// runs write into its folders, as they do by default for game files, and
// their outputs are deleted after each run; layered saves write untitled.dds
// there. Exit status 0 when every step did what it should; the figures are
// printed, not judged (the README states the target).
#include "bench/texmgr_bench_window.h"
#include "bench/win_bench.h"
#include "content/content_registry.h"
#include "content/install_path.h"
#include "exportd3d/k4qblayerpreview.h"
#include "foundation/k4clogger.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "shell/k4qbstartup.h"
#include "tests/support/gui_objects.h"
#include "texmgr/k4qbconvertwindowlist.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrconvertwindow.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "texmgr/k4qbtlcontrols.h"
#include "textures/k4qbtexturecache.h"

#include <malloc.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using k4bench::nowMs;
using k4bench::pump;

// --- figures ---

struct Figures {
    double privateMiB = 0, workingSetMiB = 0;
    DWORD handles = 0, gdi = 0, user = 0;
    uint32_t handleTable = 0, gdiTable = 0, windows = 0;
    uint64_t heapBlocks = 0, heapBytes = 0;
    int32_t cached = 0;
};

// The blocks in use in the C runtime's heap, which holds the program's own
// allocations (the system's and the driver's are elsewhere): a leak of the
// program shows here whatever the rest of the process does.
void heapInUse(Figures* figures) {
    HANDLE heap = reinterpret_cast<HANDLE>(_get_heap_handle());
    if (!HeapLock(heap)) {
        return;
    }
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++figures->heapBlocks;
            figures->heapBytes += entry.cbData;
        }
    }
    HeapUnlock(heap);
}

Figures measure(K4QBTexMgrWindow* window) {
    Figures figures;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        // Wine fills only the shorter record, whose PagefileUsage (the
        // commit charge, as PrivateUsage on Windows) is the process's
        // anonymous memory, resident or swapped.
        SIZE_T privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
        figures.privateMiB = static_cast<double>(privateBytes) / (1024.0 * 1024.0);
        figures.workingSetMiB = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
    }
    GetProcessHandleCount(GetCurrentProcess(), &figures.handles);
    figures.handleTable = k4test::handleTableEntries();
    figures.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    figures.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    figures.gdiTable = k4test::gdiTableObjects();
    figures.windows = k4test::processWindows();
    heapInUse(&figures);
    figures.cached = window->getTextureCache()->getEntryCount();
    return figures;
}

void printHeader() {
    std::printf("%-15s %9s %9s %7s %6s %4s %4s %9s %7s %12s %9s %6s %7s\n", "", "private",
                "working", "handles", "probed", "GDI", "USER", "GDI table", "windows",
                "heap blocks", "heap KiB", "cached", "seconds");
}

void printFigures(const char* label, const Figures& f, double seconds) {
    std::printf("%-15s %5.1f MiB %5.1f MiB %7lu %6u %4lu %4lu %9u %7u %12llu %9.1f %6d %7.0f\n",
                label, f.privateMiB, f.workingSetMiB, static_cast<unsigned long>(f.handles),
                f.handleTable, static_cast<unsigned long>(f.gdi),
                static_cast<unsigned long>(f.user), f.gdiTable, f.windows,
                static_cast<unsigned long long>(f.heapBlocks),
                static_cast<double>(f.heapBytes) / 1024.0, f.cached, seconds);
    std::fflush(stdout);
}

double percent(double from, double to) {
    return from > 0 ? (to - from) * 100.0 / from : 0;
}

long grown(DWORD from, DWORD to) {
    return static_cast<long>(to) - static_cast<long>(from);
}

// --- the scratch folder and the demo install ---

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// Every file and folder below a folder.
void listTree(const std::string& folder, std::set<std::string>* paths) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..") {
                paths->insert(folder + "\\" + name);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    listTree(folder + "\\" + name, paths);
                }
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
}

// The built generator's path in the form this process opens.
std::string builtPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

bool writeDemoInstall(const std::string& install) {
    std::string exe = builtPath(K4_DEMOGAME_EXE);
    std::string commandLine = "\"" + exe + "\" \"" + install + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    DWORD exitCode = 1;
    WaitForSingleObject(process.hProcess, 120000);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

// The game seen as installed at `install` by this process: the location is
// read once per process and kept, so the registry value goes again at once.
bool seeInstalled(const std::string& install) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, K4QB_INSTALL_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool stored = RegSetValueExA(key, K4QB_INSTALL_VALUE, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(install.c_str()),
                                 static_cast<DWORD>(install.size() + 1)) == ERROR_SUCCESS;
    k4qbForgetInstallPath();
    bool seen = stored && getInstallPath() != nullptr && install == getInstallPath();
    RegDeleteValueA(key, K4QB_INSTALL_VALUE);
    RegCloseKey(key);
    return seen;
}

// --- message boxes ---

// Every message box the window thread shows is answered with OK by a thread
// timer, which the box's own message loop runs. The last text is kept in
// memory of its own and the boxes counted, so that the bench's heap does not
// grow with them (the heap's growth is a figure of the run).
char lastBoxText[1024] = {0};
size_t boxCount = 0;
size_t strayBoxes = 0; // boxes that did not report a save

BOOL CALLBACK findBox(HWND window, LPARAM found) {
    char className[16] = {0};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The box handles the posted answer before the next timer message, which
// comes only when its queue is empty.
void CALLBACK answerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&box));
    if (box != nullptr) {
        GetDlgItemTextA(box, 0xFFFF, lastBoxText, sizeof lastBoxText);
        ++boxCount;
        if (std::strstr(lastBoxText, "successfully saved") == nullptr) {
            std::fprintf(stderr, "soak_bench: a message box said: %s\n", lastBoxText);
            ++strayBoxes;
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

// --- the window and its driver ---

// The program's window with its settings, log and cache in the bench's
// folder, and a lost device to play as the GUI tests do.
class BenchWindow : public k4bench::TexMgrWindow {
public:
    BenchWindow(const std::string& folder, K4CDebugLogger* logger)
        : k4bench::TexMgrWindow(folder, logger) {}
    // The state the next polls see instead of the device's own (D3D_OK: its
    // own).
    HRESULT playedDeviceState = D3D_OK;

protected:
    HRESULT checkD3DDeviceState() override {
        return playedDeviceState != D3D_OK ? playedDeviceState
                                           : K4QBTexMgrWindow::checkD3DDeviceState();
    }
};

struct Selection {
    std::string folder;
    std::vector<std::string> names;
    bool doubleClick = false;
};

struct Tally {
    int selections = 0, extraSelections = 0, switches = 0, converts = 0, saves = 0, resets = 0;
};

class Soak {
public:
    Soak(BenchWindow* window, std::string textures)
        : window_(window), textures_(std::move(textures)) {}

    const std::string& failure() const { return failure_; }
    const Tally& tally() const { return tally_; }

    // Every folder of the drop-down at the texture root with the selections
    // over its files: each alone, the first five together, and in a folder
    // with the flame series a double click on its third frame.
    bool plan() {
        K4QBFolderDropDown* folders = window_->getFSControls()->getFolderDropDown();
        std::vector<std::string> paths;
        for (int32_t i = 0; i < folders->getEntryCount(); ++i) {
            paths.push_back(folders->getEntry(i)->path.getText());
        }
        for (const std::string& folder : paths) {
            if (!chooseFolder(folder)) {
                return false;
            }
            std::vector<std::string> names = listed();
            for (const std::string& name : names) {
                plan_.push_back({folder, {name}, false});
            }
            if (names.size() >= 2) {
                plan_.push_back({folder,
                                 {names.begin(), names.begin() + std::min<size_t>(names.size(), 5)},
                                 false});
            }
            for (const std::string& name : names) {
                if (name == "overlay_flame_02.dds") {
                    plan_.push_back({folder, {name}, true});
                }
            }
        }
        return !plan_.empty() || fail("no files in the demo folders");
    }

    // `count` selections of the plan, in turn.
    bool selections(int count) {
        for (int i = 0; i < count; ++i) {
            const Selection& next = plan_[next_++ % plan_.size()];
            if (!select(next)) {
                return false;
            }
            ++tally_.selections;
        }
        return true;
    }

    // Pairs of mode switches: to the layered view and back.
    bool switchModes(int pairs) {
        for (int i = 0; i < pairs; ++i) {
            command(IDM_VIEW_MODE_TOGGLE);
            K4QBLayerPreview* preview = window_->getTLControls()->getPreview();
            if (window_->getMode() != K4QB_MODE_LAYERED || preview == nullptr ||
                !waitFor([&] { return preview->getDrawCount() > 0; })) {
                return fail("the layered view drew nothing");
            }
            command(IDM_VIEW_MODE_TOGGLE);
            if (window_->getMode() != K4QB_MODE_FIND || !waitForDrawing(false)) {
                return fail("back in find-textures mode, the preview drew nothing");
            }
            tally_.switches += 2;
        }
        return true;
    }

    // A convert window on one of three kinds of game files, run until it
    // closes itself.
    bool convert() {
        static const Selection kinds[] = {
            {"data\\textures\\overlays\\",
             {"overlay_flame_00.dds", "overlay_flame_01.dds", "overlay_flame_02.dds",
              "overlay_flame_03.dds"}},
            {"data\\textures\\backdrops\\", {"bd_sunset_hills.dds", "bd_forest_mist.dds"}},
            {"data\\textures\\", {"brick_red.dds", "cobbles.dds"}}};
        if (!select(kinds[tally_.converts % 3])) {
            return false;
        }
        ++tally_.extraSelections;
        K4QBConvertWindowList* list = window_->getConvertWindows();
        command(K4QB_ID_CONVERT);
        K4QBTexMgrConvertWindow* convert =
            list->getCount() > 0 ? list->get(list->getCount() - 1) : nullptr;
        if (convert == nullptr || convert->getWindow() == nullptr || convert->isRunning()) {
            return fail("no convert window opened");
        }
        std::set<std::string> before, after;
        listTree(textures_, &before);
        HWND start = GetDlgItem(convert->getWindow(), K4QB_ID_CONVERT_START);
        SendMessageA(convert->getWindow(), WM_COMMAND,
                     MAKEWPARAM(K4QB_ID_CONVERT_START, BN_CLICKED),
                     reinterpret_cast<LPARAM>(start));
        if (!waitFor([&] { return convert->getWindow() == nullptr; }, 120000)) {
            return fail("a convert run did not end by itself");
        }
        // The outputs went where a user's go, into the game's folders; they
        // go again, so that every run writes new files.
        listTree(textures_, &after);
        if (after.size() <= before.size()) {
            return fail("a convert run wrote nothing");
        }
        for (auto path = after.rbegin(); path != after.rend(); ++path) {
            if (before.count(*path) == 0 && !DeleteFileA(path->c_str())) {
                RemoveDirectoryA(path->c_str());
            }
        }
        ++tally_.converts;
        return true;
    }

    // A new layered texture of a backdrop under two overlays, saved.
    bool layeredSave() {
        command(IDM_FILE_NEW);
        command(IDM_VIEW_MODE_FIND);
        const Selection layers[] = {
            {"data\\textures\\backdrops\\", {"bd_sunset_hills.dds"}},
            {"data\\textures\\overlays\\", {"overlay_flame_03.dds", "overlay_vignette.tga"}}};
        for (const Selection& selection : layers) {
            command(IDM_VIEW_MODE_FIND);
            if (!select(selection)) {
                return false;
            }
            ++tally_.extraSelections;
            command(K4QB_ID_ATTACH);
        }
        K4QBTLControls* panel = window_->getTLControls();
        K4QBLayerPreview* preview = panel->getPreview();
        if (panel->getLayers()->getCount() != 3 || preview == nullptr ||
            !waitFor([&] { return preview->getDrawCount() > 0; })) {
            return fail("the layered texture was not built");
        }
        const size_t boxes = boxCount;
        command(IDM_FILE_SAVE);
        if (boxCount != boxes + 1 ||
            std::strcmp(lastBoxText, "Texture file untitled.dds has been successfully saved!") !=
                0) {
            return fail("the layered save did not succeed");
        }
        command(IDM_VIEW_MODE_FIND);
        ++tally_.saves;
        return true;
    }

    // The device lost while the flame series plays, then reset; the
    // animation goes on.
    bool deviceReset() {
        if (!select({"data\\textures\\overlays\\", {"overlay_flame_02.dds"}, true})) {
            return false;
        }
        ++tally_.extraSelections;
        window_->playedDeviceState = D3DERR_DEVICELOST;
        SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
        bool lost = window_->isD3DDeviceLost();
        pause(200);
        window_->playedDeviceState = D3DERR_DEVICENOTRESET;
        SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
        window_->playedDeviceState = D3D_OK;
        if (!lost || window_->isD3DDeviceLost() || !waitForDrawing(true)) {
            return fail("the device was not lost and reset, or the animation stopped");
        }
        ++tally_.resets;
        return true;
    }

    // The same file selected three times, with pauses: the cancelled
    // previews waiting to be deleted (one, cancelled just now) are alike
    // wherever this is called.
    bool settle() {
        for (int i = 0; i < 3; ++i) {
            if (!select({"data\\textures\\", {"brick_red.dds"}})) {
                return false;
            }
            ++tally_.extraSelections;
            pause(300);
        }
        return true;
    }

private:
    bool fail(const std::string& what) {
        failure_ = what;
        return false;
    }

    void command(int id) {
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }

    // Pumps until the condition holds (bounded, so a broken build cannot
    // hang the run).
    bool waitFor(const std::function<bool()>& condition, double limitMs = 60000) {
        double until = nowMs() + limitMs;
        while (!condition()) {
            if (nowMs() > until) {
                return condition();
            }
            pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
        }
        pump();
        return true;
    }

    void pause(double ms) {
        double until = nowMs() + ms;
        while (nowMs() < until) {
            pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    // The current preview drew (again, when `more`: two drawings after the
    // call) and, with several frames, loaded all of them.
    bool waitForDrawing(bool more) {
        K4QBImagePreview* preview = window_->getImagePanel()->getImagePreview();
        if (preview == nullptr) {
            return false;
        }
        uint32_t drawn = more ? preview->getDrawCount() + 2 : 1;
        return waitFor([&] {
            return preview->getDrawCount() >= drawn &&
                   preview->getLoadedCount() == preview->getFrameCount();
        });
    }

    std::vector<std::string> listed() {
        K4QBFileListBox* list = window_->getFSControls()->getFileList();
        std::vector<std::string> names;
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            names.push_back(list->getEntryFileName(i));
        }
        return names;
    }

    // Chooses the game folder in the search panel's drop-down as the user
    // does (which searches it), unless it is the current one.
    bool chooseFolder(const std::string& path) {
        K4QBFolderDropDown* folders = window_->getFSControls()->getFolderDropDown();
        if (path == folders->getCurFolder()) {
            return true;
        }
        for (int32_t i = 0; i < folders->getEntryCount(); ++i) {
            if (path == folders->getEntry(i)->path.getText()) {
                HWND box = folders->getWindow();
                SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
                SendMessageA(window_->getWindow(), WM_COMMAND,
                             MAKEWPARAM(K4QB_ID_FOLDERS, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(box));
                SendMessageA(box, CB_SHOWDROPDOWN, FALSE, 0);
                return path == folders->getCurFolder() || fail("cannot choose " + path);
            }
        }
        return fail("no folder " + path + " in the drop-down");
    }

    // Selects the named files of the folder as the list box does (or double
    // clicks the one named) and waits for the preview's drawing.
    bool select(const Selection& selection) {
        if (!chooseFolder(selection.folder)) {
            return false;
        }
        K4QBFileListBox* list = window_->getFSControls()->getFileList();
        HWND box = list->getWindow();
        SendMessageA(box, LB_SETSEL, FALSE, -1);
        for (const std::string& name : selection.names) {
            int32_t at = 0;
            while (at < list->getEntryCount() && name != list->getEntryFileName(at)) {
                ++at;
            }
            if (at == list->getEntryCount()) {
                return fail(name + " is not in " + selection.folder);
            }
            SendMessageA(box, LB_SETSEL, TRUE, at);
        }
        SendMessageA(
            window_->getWindow(), WM_COMMAND,
            MAKEWPARAM(K4QB_ID_FILELIST, selection.doubleClick ? LBN_DBLCLK : LBN_SELCHANGE),
            reinterpret_cast<LPARAM>(box));
        return waitForDrawing(false) || fail("no drawing of " + selection.names[0]);
    }

    BenchWindow* window_;
    std::string textures_;
    std::vector<Selection> plan_;
    size_t next_ = 0;
    Tally tally_;
    std::string failure_;
};

// Seconds spent in each kind of step.
struct Times {
    double selections = 0, switches = 0, converts = 0, saves = 0, resets = 0;
};

bool timed(double* seconds, const std::function<bool()>& step) {
    double start = nowMs();
    bool ok = step();
    *seconds += (nowMs() - start) / 1000;
    return ok;
}

// One round: a tenth of the whole run; with `only`, the steps of that name
// alone (to find which one a growth comes from).
bool runRound(Soak* soak, Times* times, const std::string& only) {
    auto step = [&](const char* name, double* seconds, const std::function<bool()>& body) {
        return (!only.empty() && only != name) || timed(seconds, body);
    };
    for (int block = 0; block < 5; ++block) {
        if (!step("selections", &times->selections, [&] { return soak->selections(40); }) ||
            !step("switches", &times->switches, [&] { return soak->switchModes(2); }) ||
            !step("converts", &times->converts, [&] { return soak->convert(); }) ||
            !step("saves", &times->saves, [&] { return soak->layeredSave(); }) ||
            (block == 2 && !step("resets", &times->resets, [&] { return soak->deviceReset(); }))) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string only = argc > 2 ? argv[2] : "";
    if (rounds < 1) {
        std::fprintf(stderr, "usage: soak_bench [ROUNDS [selections|switches|converts|saves|"
                             "resets]]\n");
        return 2;
    }
    char exePath[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    std::string folder = exePath;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\soak-bench-tmp";
    removeTree(folder);
    std::string install = folder + "\\install";
    if (!k4p::createFolderTree(folder.c_str()) || !writeDemoInstall(install) ||
        !seeInstalled(install)) {
        std::fprintf(stderr, "soak_bench: cannot write or install the demo game in %s\n",
                     install.c_str());
        return 1;
    }
    // The file search panel starts on the game content's textures.
    FILE* settings = k4p::openFile((folder + "\\k4-qb-texmgr.ini").c_str(), "wt");
    if (settings == nullptr ||
        std::fputs("[file search]\nsource = Quellbury Content\n", settings) < 0 ||
        std::fclose(settings) != 0) {
        std::fprintf(stderr, "soak_bench: cannot write the settings in %s\n", folder.c_str());
        return 1;
    }

    int status = 0;
    std::unique_ptr<K4CDebugLogger> logger;
    std::unique_ptr<K4QBContentRegistry> content;
    try {
        logger.reset(CreateDebugLogger((folder + "\\").c_str()));
        content.reset(CreateContentRegistry((folder + "\\").c_str(), logger.get()));
        BenchWindow window(folder, logger.get());
        window.initialize(content.get(), SW_SHOWNORMAL);
        pump();
        UINT_PTR answering = SetTimer(nullptr, 0, 50, answerBox);
        SendMessageA(window.getWindow(), WM_COMMAND, MAKEWPARAM(IDM_VIEW_ANIM_10FPS, BN_CLICKED),
                     0);
        Soak soak(&window, install + "\\data\\textures");
        const double start = nowMs();
        bool ok = soak.plan() && soak.settle();
        std::printf("soak_bench: the demo game in %s, %d rounds of 200 selections, 20 mode "
                    "switches, 5 convert runs, 5 layered saves, 1 device reset\n",
                    install.c_str(), rounds);
        printHeader();
        Figures first = measure(&window), warm = first, last = first;
        printFigures("start", first, 0);
        Times times;
        for (int r = 1; r <= rounds && ok; ++r) {
            ok = runRound(&soak, &times, only) && soak.settle();
            if (ok) {
                last = measure(&window);
                char label[32];
                std::snprintf(label, sizeof label, r == 1 ? "round 1 (warm)" : "round %d", r);
                printFigures(label, last, (nowMs() - start) / 1000);
                if (r == 1) {
                    warm = last;
                }
            }
        }
        KillTimer(nullptr, answering);
        const Tally& done = soak.tally();
        std::printf("done: %d selections (and %d to pick layers, convert sources and settle), "
                    "%d mode switches, %d convert runs, %d layered saves, %d device resets\n",
                    done.selections, done.extraSelections, done.switches, done.converts, done.saves,
                    done.resets);
        if (!ok) {
            std::fprintf(stderr, "soak_bench: %s\n", soak.failure().c_str());
            status = 1;
        } else {
            std::printf("seconds in selections %.0f, mode switches %.0f, convert runs %.0f, "
                        "layered saves %.0f, device resets %.0f\n",
                        times.selections, times.switches, times.converts, times.saves,
                        times.resets);
            std::printf("from warm to end: private %+.1f %%, working set %+.1f %%, handles %+ld "
                        "(probed %+ld), GDI objects %+ld (GDI table %+ld), USER objects %+ld "
                        "(windows %+ld); C runtime heap %+lld blocks, %+lld bytes\n",
                        percent(warm.privateMiB, last.privateMiB),
                        percent(warm.workingSetMiB, last.workingSetMiB),
                        grown(warm.handles, last.handles),
                        grown(warm.handleTable, last.handleTable), grown(warm.gdi, last.gdi),
                        grown(warm.gdiTable, last.gdiTable), grown(warm.user, last.user),
                        grown(warm.windows, last.windows),
                        static_cast<long long>(last.heapBlocks - warm.heapBlocks),
                        static_cast<long long>(last.heapBytes - warm.heapBytes));
            if (last.handles == 0 || (last.gdi == 0 && last.user == 0)) {
                std::printf("0 from GetProcessHandleCount or GetGuiResources: not reported here "
                            "(Wine); the probed columns count instead\n");
            }
        }
        if (strayBoxes > 0) {
            status = 1;
        }
    } catch (const char* code) {
        std::fprintf(stderr, "soak_bench: %s\n", code);
        status = 1;
    }
    content.reset();
    logger.reset();
    return status;
}
