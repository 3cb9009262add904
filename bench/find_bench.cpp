// Find-textures figures of the Windows program, in the real main window built
// in-process (as the GUI tests build it), each mode in a fresh process:
//
//   find_bench.exe search INSTALLDIR [RUNS]
//       The file search panel's search (the search button, "All Supported
//       Images", empty text, then the text "wall") in the largest folder of a
//       game install, e.g. the 500,000-file one of startup_bench_install: the
//       pak registry and the loose data folder searched, the list filled and
//       painted.
//   find_bench.exe folders [RUNS]
//       The folder drop-down over a game folder with 10,000 sub-folders
//       (written by this program): switching the panel to the game's content,
//       which builds the list and searches; choosing that folder again, which
//       rebuilds the list, opens it again and searches; opening the built list.
//
// The first run of each is the first in the process (cold); then the best of
// RUNS (default 7) more. Milliseconds, including the painting that follows.
#include "bench/win_bench.h"
#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "content/pak_registry.h"
#include "platform/platform.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbfscontrols.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "tools/pakwriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

using k4bench::nowMs;
using k4bench::pump;

constexpr int kSubFolders = 10000;

class BenchWindow : public K4QBTexMgrWindow {
public:
    explicit BenchWindow(const std::string& folder)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), nullptr) {
        setAppFolder((folder + "\\").c_str());
    }
};

// First run and best of the rest of an action, each followed by the painting
// it causes; `between` runs untimed before each run.
void measure(
    const char* label, int runs, const std::function<void()>& action,
    const std::function<void()>& between = [] {}) {
    double first = 0, best = 1e30;
    for (int run = 0; run <= runs; ++run) {
        between();
        pump();
        double start = nowMs();
        action();
        pump();
        double took = nowMs() - start;
        if (run == 0) {
            first = took;
        } else {
            best = std::min(best, took);
        }
    }
    std::printf("  %-52s first %9.2f ms   best of %d %9.2f ms\n", label, first, runs, best);
}

bool writeSettings(const std::string& folder, const std::string& lines) {
    FILE* file = k4p::openFile((folder + "\\k4-qb-texmgr.ini").c_str(), "wt");
    bool ok = file != nullptr && std::fputs(("[file search]\n" + lines).c_str(), file) >= 0;
    return file != nullptr && std::fclose(file) == 0 && ok;
}

void command(K4QBTexMgrWindow* window, int id, int code) {
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(window->getWindow(), id)));
}

int searchBench(const std::string& folder, const std::string& install, int runs) {
    std::string cache = folder + "\\cache";
    k4p::createFolder(cache.c_str());
    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath(install.c_str()));
    K4QBPakRegistry* paks =
        K4QBPakRegistry::CreateFromPath((install + "\\data\\pak").c_str(), cache.c_str());
    content.addSource(paks);
    const K4QBPakFolder* largest = nullptr;
    for (int32_t i = 0; i < paks->getFolderCount(); ++i) {
        if (largest == nullptr || paks->getFolder(i)->fileCount > largest->fileCount) {
            largest = paks->getFolder(i);
        }
    }
    if (largest == nullptr || !writeSettings(folder, "source = Quellbury Content\n")) {
        std::fprintf(stderr, "find_bench: no archived files in %s\n", install.c_str());
        return 1;
    }
    BenchWindow window(folder);
    window.initialize(&content, SW_SHOWNORMAL);
    pump();
    K4QBFSControls* panel = window.getFSControls();
    panel->getFolderDropDown()->setToQuellbury(largest->name, K4QB_GAME_TEXTURE_ROOT);
    std::printf("search in %s (%d archived files of %d), list filled and painted:\n", largest->name,
                largest->fileCount, paks->getFileCount());
    HWND text = GetDlgItem(window.getWindow(), K4QB_ID_SEARCHTEXT);
    int32_t found = 0;
    measure("\"All Supported Images\", no text", runs, [&] {
        command(&window, K4QB_ID_SEARCH, BN_CLICKED);
        found = panel->getFileList()->getEntryCount();
    });
    std::printf("  (%d files listed)\n", found);
    SetWindowTextA(text, "wall");
    measure("\"All Supported Images\", text wall", runs, [&] {
        command(&window, K4QB_ID_SEARCH, BN_CLICKED);
        found = panel->getFileList()->getEntryCount();
    });
    std::printf("  (%d files listed)\n", found);
    return 0;
}

int foldersBench(const std::string& folder, int runs) {
    std::string paks = folder + "\\wide\\data\\pak", cache = folder + "\\cache";
    k4p::createFolderTree(paks.c_str());
    k4p::createFolder(cache.c_str());
    K4QBPakWriter pak(5);
    pak.addFolder("data\\textures\\");
    for (int i = 0; i < kSubFolders; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "data\\textures\\set%05d\\", i);
        pak.addFile(name, "a.dds", {'x'});
        pak.addFile(std::string(name) + "mips\\", "b.dds", {'x'});
    }
    if (!pak.writeTo(paks + "\\wide.pak") || !writeSettings(folder, "source = File System\n")) {
        std::fprintf(stderr, "find_bench: cannot write below %s\n", folder.c_str());
        return 1;
    }
    K4QBContentRegistry content;
    content.addSource(K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
    BenchWindow window(folder);
    window.initialize(&content, SW_SHOWNORMAL);
    pump();
    K4QBFolderDropDown* folders = window.getFSControls()->getFolderDropDown();
    HWND box = folders->getWindow();
    auto close = [&] { SendMessageA(box, CB_SHOWDROPDOWN, FALSE, 0); };
    std::printf("folder drop-down over data\\textures\\ with %d sub-folders (%d more below):\n",
                kSubFolders, kSubFolders);
    measure(
        "switch to the game's content (build, search)", runs,
        [&] { command(&window, K4QB_ID_SOURCE, BN_CLICKED); },
        [&] {
            if (folders->getCurSource() == K4QB_FOLDER_SOURCE_GAME) {
                command(&window, K4QB_ID_SOURCE, BN_CLICKED);
            }
        });
    std::printf("  (%d entries)\n", folders->getEntryCount());
    measure(
        "choose data\\textures\\ (rebuild, open again, search)", runs,
        [&] {
            SendMessageA(box, CB_SETCURSEL, 0, 0);
            command(&window, K4QB_ID_FOLDERS, CBN_SELCHANGE);
        },
        close);
    close();
    measure(
        "open the built list", runs, [&] { SendMessageA(box, CB_SHOWDROPDOWN, TRUE, 0); }, close);
    close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    bool search = mode == "search" && argc > 2;
    int runs = argc > (search ? 3 : 2) ? std::atoi(argv[search ? 3 : 2]) : 7;
    if ((!search && mode != "folders") || runs < 1) {
        std::fprintf(stderr, "usage: find_bench search INSTALLDIR [RUNS] | folders [RUNS]\n");
        return 2;
    }
    // A scratch folder beside the executable for the settings, cache and the
    // generated archive.
    char exePath[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    std::string folder = exePath;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\find-bench-tmp";
    k4p::createFolderTree(folder.c_str());
    try {
        return search ? searchBench(folder, argv[2], runs) : foldersBench(folder, runs);
    } catch (const char* code) {
        std::fprintf(stderr, "find_bench: %s\n", code);
        return 1;
    }
}
