// Start-up of the program: the debug logger and content registry factories,
// and the whole run from splash to shutdown behind the outermost error
// boundary. The executable's WinMain constructs its main window and hands it
// to k4qbRunApplication.
#pragma once

#include <windows.h>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBContentRegistry;

// A logger writing "<folder>\log\texview-debug-<date>.txt" (the folder is
// created, an existing one is fine), at minimum level WARNING. A null or empty
// application folder gives the relative folder "log".
K4CDebugLogger* CreateDebugLogger(const char* appFolder);

// The game content: the loose data folder (source 0), then the pak registry
// extracting into "<folder>\cache" (source 1). Throws the failing source's
// code unchanged ("K4QBERR_PAK_NOTINSTALLED" when the game is not installed).
K4QBContentRegistry* CreateContentRegistry(const char* appFolder, K4CDebugLogger* logger);

// Runs the program with this (constructed, not yet initialised) main window,
// which it takes over:
// splash, logger, content registry, initialize, message loop with the
// accelerators, then deletes the window, the registry and the logger in this
// order. Error codes are logged as "Application error %s" and shown in a
// message box; nothing escapes. Always returns 0.
int k4qbRunApplication(HINSTANCE instance, int showCommand, K4QBAppWindow* mainWindow);

// The message loop: every message is offered to the main window's
// isDialogMessage, then to the accelerators (for its window), then translated
// and dispatched. Returns when the quit message arrives; a retrieval failure
// logs "Windows error %d" and shows the error box. Throws what the window
// throws.
void k4qbRunMessageLoop(K4QBAppWindow* mainWindow, HACCEL accelerators, K4CDebugLogger* logger);

// The error box: a modal message box without owner, the default caption, OK.
void k4qbShowErrorBox(const char* text);
