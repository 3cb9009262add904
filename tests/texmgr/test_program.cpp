// End to end: the real k4qb-texmgr.exe, copied alone into a folder of its
// own, started with a fixture install registered and closed with WM_CLOSE like
// the user closes it. (Without the game: the start-up and main window tests.)
#include "content/install_path.h"
#include "tests/support/images.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The install location in the registry, put back as it was afterwards
// (the Wine prefix is shared with other runs).
class InstallLocation {
public:
    InstallLocation() {
        char value[1024];
        uint32_t size = sizeof value;
        hadValue_ = k4p::queryRegistryString(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE, value,
                                             &size) == k4p::kRegOk;
        previous_ = hadValue_ ? value : "";
    }
    ~InstallLocation() {
        if (hadValue_) {
            set(previous_.c_str());
        } else {
            k4test::deleteRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE);
        }
    }
    void set(const char* folder) {
        k4test::storeRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE, true,
                                   std::string(folder, strlen(folder) + 1));
    }

private:
    static constexpr k4p::RegistryRoot kRoot = k4p::RegistryRoot::LocalMachine;
    bool hadValue_ = false;
    std::string previous_;
};

// The built program, in the form this process opens.
std::string programPath() {
    std::string path = K4_TEXMGR_EXE;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

struct ProgramRun {
    DWORD exitCode = 1234;
    bool windowSeen = false;
};

// Starts the copy in `folder`, waits for its main window, closes it and
// waits for the process to end.
ProgramRun runProgram(const std::string& folder) {
    ProgramRun run;
    std::string exe = folder + "\\k4qb-texmgr.exe";
    EXPECT_TRUE(CopyFileA(programPath().c_str(), exe.c_str(), FALSE)) << programPath();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << exe;
        return run;
    }
    // The splash stays up for a while first.
    HWND main = nullptr;
    k4test::waitUntil(
        [&] {
            HWND found = FindWindowA("K4QBTexMgrWindow", "Dunmore's Quellbury Texture Manager");
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            main = owner == process.dwProcessId && IsWindowVisible(found) ? found : nullptr;
            return main != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        },
        60000);
    run.windowSeen = main != nullptr;
    if (main != nullptr) {
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

bool isFolder(const std::string& path) {
    k4p::FileStatus status;
    return k4p::getFileStatus(path.c_str(), &status) && status.directory;
}

TEST(Program, StartsAndClosesWithExitCodeZero) {
    std::string folder = k4test::testFolder("texmgr");
    std::string install = folder + "\\install";
    k4p::createFolderTree((install + "\\data\\textures").c_str());
    k4test::writeUniformPng(install + "\\data\\textures\\blue.png", 8, 8, {0, 0, 255, 255});
    InstallLocation location;
    location.set(install.c_str());

    std::string program = folder + "\\program";
    k4p::createFolder(program.c_str());
    ProgramRun run = runProgram(program);
    EXPECT_TRUE(run.windowSeen);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(isFolder(program + "\\log"));
    EXPECT_TRUE(isFolder(program + "\\cache"));
    std::string settings = k4test::readFile(program + "\\k4-qb-texmgr.ini");
    EXPECT_NE(settings.find("[window]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("[viewer]"), std::string::npos) << settings;
}

} // namespace
