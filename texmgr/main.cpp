// The texture manager program: the main window handed to the shell's
// start-up, which runs everything and always returns 0.
#include "shell/k4qbstartup.h"
#include "texmgr/k4qbtexmgrwindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return k4qbRunApplication(instance, showCommand, new K4QBTexMgrWindow(instance));
}
