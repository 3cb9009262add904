// End to end: the real k4qb-texmgr.exe, copied alone into a folder of its
// own, started with a fixture install registered and once with the game not
// installed; closed with WM_CLOSE like the user closes it.
#include "content/install_path.h"
#include "tests/texmgr/texmgr_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace texmgrtest;

// The install location in the registry, put back as it was afterwards
// (the Wine prefix is shared with other runs).
class InstallLocation {
public:
    InstallLocation() {
        char value[1024] = {0};
        DWORD size = sizeof value;
        DWORD type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, K4QB_INSTALL_KEY, 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            if (RegQueryValueExA(key, K4QB_INSTALL_VALUE, nullptr, &type,
                                 reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                type == REG_SZ) {
                hadValue_ = true;
                previous_ = value;
            }
            RegCloseKey(key);
        }
    }
    ~InstallLocation() {
        if (hadValue_) {
            set(previous_.c_str());
        } else {
            remove();
        }
    }
    void set(const char* folder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, K4QB_INSTALL_KEY, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, K4QB_INSTALL_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                       static_cast<DWORD>(strlen(folder) + 1));
        RegCloseKey(key);
    }
    void remove() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, K4QB_INSTALL_KEY, 0, KEY_WRITE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, K4QB_INSTALL_VALUE);
            RegCloseKey(key);
        }
    }

private:
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
    HWND main = nullptr;
    // Bounded wait for the window (the splash stays up for a while first).
    for (int i = 0; i < 600 && main == nullptr; ++i) {
        HWND found = FindWindowA("K4QBTexMgrWindow", "Dunmore's Quellbury Texture Manager");
        DWORD owner = 0;
        if (found != nullptr) {
            GetWindowThreadProcessId(found, &owner);
        }
        if (found != nullptr && owner == process.dwProcessId && IsWindowVisible(found)) {
            main = found;
        } else if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) {
            break;
        }
    }
    run.windowSeen = main != nullptr;
    if (main != nullptr) {
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
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

TEST(Program, StartsAndClosesWithAndWithoutTheGame) {
    std::string folder = k4test::testFolder("texmgr");
    std::string install = writeFixtureInstall(folder);
    InstallLocation location;

    std::string withGame = folder + "\\with-game";
    k4p::createFolder(withGame.c_str());
    location.set(install.c_str());
    ProgramRun first = runProgram(withGame);
    EXPECT_TRUE(first.windowSeen);
    EXPECT_EQ(first.exitCode, 0u);
    EXPECT_TRUE(isFolder(withGame + "\\log"));
    EXPECT_TRUE(isFolder(withGame + "\\cache"));
    std::string settings = k4test::readFile(withGame + "\\k4-qb-texmgr.ini");
    EXPECT_NE(settings.find("[window]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("[viewer]"), std::string::npos) << settings;

    std::string withoutGame = folder + "\\without-game";
    k4p::createFolder(withoutGame.c_str());
    location.remove();
    ProgramRun second = runProgram(withoutGame);
    EXPECT_TRUE(second.windowSeen);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(isFolder(withoutGame + "\\log"));
    EXPECT_NE(k4test::readFile(withoutGame + "\\k4-qb-texmgr.ini").find("[window]"),
              std::string::npos);
}

} // namespace
