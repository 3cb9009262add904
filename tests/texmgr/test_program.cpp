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

constexpr k4p::RegistryRoot kRoot = k4p::RegistryRoot::LocalMachine;

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

TEST(Program, StartsAndClosesWithExitCodeZero) {
    std::string folder = k4test::testFolder("texmgr");
    std::string install = folder + "\\install";
    k4p::createFolderTree((install + "\\data\\textures").c_str());
    k4test::writeUniformPng(install + "\\data\\textures\\blue.png", 8, 8, {0, 0, 255, 255});
    // Removed again afterwards, as the content tests do.
    k4test::storeRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE, true,
                               std::string(install.c_str(), install.size() + 1));

    std::string program = folder + "\\program";
    k4p::createFolder(program.c_str());
    std::string exe = program + "\\k4qb-texmgr.exe";
    ASSERT_TRUE(CopyFileA(programPath().c_str(), exe.c_str(), FALSE)) << programPath();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               program.c_str(), &startup, &process));
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
    EXPECT_NE(main, nullptr);
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
    }
    DWORD exitCode = 1234;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    k4test::deleteRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE);

    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(k4p::fileExists((program + "\\log").c_str()));
    EXPECT_TRUE(k4p::fileExists((program + "\\cache").c_str()));
    std::string settings = k4test::readFile(program + "\\k4-qb-texmgr.ini");
    EXPECT_NE(settings.find("[window]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("[viewer]"), std::string::npos) << settings;
}

} // namespace
