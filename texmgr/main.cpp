// The texture manager program: the main window handed to the shell's
// start-up, which runs everything and always returns 0. Files and folders
// named on the command line ("Open with", a file association) are shown as
// if they had been dropped onto the window.
#include "shell/k4qbstartup.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    K4QBTexMgrWindow* window = new K4QBTexMgrWindow(instance);
    // The wide command line: names the ANSI code page cannot spell survive.
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr) {
        std::vector<std::wstring> paths(arguments + 1, arguments + count);
        window->setStartupPaths(paths);
        LocalFree(arguments);
    }
    return k4qbRunApplication(instance, showCommand, window);
}
