// End to end: the real k4qb-texmgr.exe, copied alone into a folder of its
// own, started with the demo game (written by k4demogame.exe) registered,
// driven from this process as a user would (switch to the game's content,
// choose the overlays folder, search, double-click a frame of the flame
// series) until the image panel plays the animation, and closed with WM_CLOSE
// like the user closes it. (Without the game: the start-up and main window
// tests.)
#include "content/install_path.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

constexpr k4p::RegistryRoot kRoot = k4p::RegistryRoot::LocalMachine;

// A built program, in the form this process opens.
std::string builtPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

// Starts a program with a working folder of its own.
PROCESS_INFORMATION startProgram(const std::string& exe, const std::string& arguments,
                                 const std::string& folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\" " + arguments;
    EXPECT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &process))
        << exe;
    return process;
}

// Waits for the end (killing the process after the limit); the exit code.
DWORD endOf(PROCESS_INFORMATION process, DWORD limitMs) {
    if (WaitForSingleObject(process.hProcess, limitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
    }
    DWORD exitCode = 1234;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// What the user does in the shown main window, and what the image panel
// shows then: the frames' names and sizes in turn, and changing pixels that
// are not the panel's grey.
void playFlameSeries(HWND main) {
    auto command = [&](int id, int code) {
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
    };
    command(1002, BN_CLICKED); // source: the game's content
    HWND folders = GetDlgItem(main, 1001);
    SendMessageA(folders, CB_SETCURSEL, 3, 0); // data\textures\ backdrops effects overlays
    command(1001, CBN_SELCHANGE);
    SendMessageA(folders, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageA(GetDlgItem(main, 1003), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("flame"));
    command(1004, BN_CLICKED);
    HWND list = GetDlgItem(main, 1006);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 8) << "overlay_flame_00.dds to 07";
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    command(1006, LBN_DBLCLK);
    EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 8);

    HWND panel = FindWindowExA(main, nullptr, "K4QBTexMgrImagePanel", nullptr);
    ASSERT_NE(panel, nullptr);
    RECT client;
    GetClientRect(panel, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    ClientToScreen(panel, &centre);
    std::set<std::string> captions;
    std::set<COLORREF> colours;
    EXPECT_TRUE(k4test::waitUntil([&] {
        for (HWND box = nullptr; (box = FindWindowExA(main, box, "Button", nullptr)) != nullptr;) {
            char text[128] = {0};
            GetWindowTextA(box, text, sizeof text);
            int frame = -1;
            if (sscanf(text, "overlay_flame_%d.dds (256 by 256)", &frame) == 1) {
                captions.insert(text);
            }
        }
        HDC screen = GetDC(nullptr);
        COLORREF colour = GetPixel(screen, centre.x, centre.y);
        ReleaseDC(nullptr, screen);
        // Drawn frames only: neither the grey around a picture nor the
        // window's background before the first drawing.
        if (!captions.empty() && colour != RGB(0x33, 0x33, 0x33) && colour != RGB(243, 242, 231) &&
            colour != CLR_INVALID) {
            colours.insert(colour);
        }
        return captions.size() >= 2 && colours.size() >= 2;
    })) << captions.size()
        << " captions, " << colours.size() << " colours";
}

TEST(Program, PlaysTheDemoGamesFlameSeriesAndClosesWithExitCodeZero) {
    std::string folder = k4test::testFolder("texmgr");
    std::string install = folder + "\\demo";
    ASSERT_EQ(
        endOf(startProgram(builtPath(K4_DEMOGAME_EXE), "\"" + install + "\"", folder), 120000), 0u);
    // Removed again afterwards, as the content tests do.
    k4test::storeRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE, true,
                               std::string(install.c_str(), install.size() + 1));

    std::string program = folder + "\\program";
    k4p::createFolder(program.c_str());
    std::string exe = program + "\\k4qb-texmgr.exe";
    ASSERT_TRUE(CopyFileA(builtPath(K4_TEXMGR_EXE).c_str(), exe.c_str(), FALSE)) << K4_TEXMGR_EXE;
    PROCESS_INFORMATION process = startProgram(exe, "", program);
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
    if (main != nullptr) {
        playFlameSeries(main);
    }
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD exitCode = endOf(process, 60000);
    k4test::deleteRegistryValue(kRoot, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE);

    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(k4p::fileExists((program + "\\log").c_str()));
    EXPECT_TRUE(k4p::fileExists((program + "\\cache\\data\\textures\\overlays").c_str()))
        << "the frames were extracted beside the program";
    std::string settings = k4test::readFile(program + "\\k4-qb-texmgr.ini");
    for (const char* line : {"[window]", "[viewer]", "source = Quellbury Content",
                             "quellbury-folder = data\\textures\\overlays\\"}) {
        EXPECT_NE(settings.find(line), std::string::npos) << line << " in " << settings;
    }
}

} // namespace
