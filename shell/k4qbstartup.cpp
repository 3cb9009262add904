// Start-up: splash, debug logger, content registry, main window, message loop
// and shutdown, inside the program's outermost error boundary.
#include "shell/k4qbstartup.h"

#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "content/pak_registry.h"
#include "foundation/errors.h"
#include "foundation/k4clogfilename.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbsplash.h"

#include <cstdio>

namespace {

// The application folder with a backslash (unless empty or already there)
// and the name.
void besideApplication(K4CString* path, const char* appFolder, const char* name) {
    path->assign(appFolder);
    if (path->getLength() > 0 && path->getText()[path->getLength() - 1] != '\\') {
        path->appendChar('\\');
    }
    path->append(name);
}

// Writes the error line ("Application error %s" or "Windows error %d") and
// shows what it says. When the line cannot be written (the logger throws), the
// box shows the same text made here, so the user still learns what happened
// and the run ends in order.
void reportError(K4CDebugLogger* logger, const char* format, const char* text, int number) {
    if (logger == nullptr) {
        return;
    }
    char made[256];
    if (text != nullptr) {
        snprintf(made, sizeof made, format, text);
    } else {
        snprintf(made, sizeof made, format, number);
    }
    const char* shown = made;
    try {
        if (text != nullptr) {
            logger->log(K4C_LOG_ERROR, format, text);
        } else {
            logger->log(K4C_LOG_ERROR, format, number);
        }
        shown = logger->getMessage();
    } catch (...) {
        shown = made;
    }
    k4qbShowErrorBox(shown);
}

// Steps 1 to 6 of the run: the splash with the logger and content registry
// made behind it. Returns the registry or null.
K4QBContentRegistry* prepareContent(HINSTANCE instance, K4QBAppWindow* mainWindow,
                                    K4CDebugLogger** loggerOut) {
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, 0));
    K4QBSplash* splash = nullptr;
    try {
        splash = new K4QBSplash(picture);
        splash->show();
    } catch (const char*) {
        // No splash: no status lines and no pauses; not reported.
        splash = nullptr;
    }
    if (splash != nullptr) {
        splash->setStatus("Initializing debug logger...");
    }
    K4CDebugLogger* logger = CreateDebugLogger(mainWindow->getAppFolder().getText());
    *loggerOut = logger;
    mainWindow->setLogger(logger);

    if (splash != nullptr) {
        splash->setStatus("Initializing Quellbury content registry...");
    }
    K4QBContentRegistry* content = nullptr;
    try {
        content = CreateContentRegistry(mainWindow->getAppFolder().getText(), logger);
    } catch (const char*) {
        content = nullptr;
        if (splash != nullptr) {
            splash->setStatus("Could not find Quellbury content!\nCertain features will be "
                              "disabled.");
            k4p::sleepMs(1500);
        }
    }
    if (splash != nullptr) {
        splash->setStatus("Shamefully keeping opening graphic up for an extra second :)");
        k4p::sleepMs(1000);
        splash->hide();
        delete splash; // deletes the picture too
    } else if (picture != nullptr) {
        DeleteObject(picture);
    }
    return content;
}

} // namespace

K4CDebugLogger* CreateDebugLogger(const char* appFolder) {
    K4CString folder;
    besideApplication(&folder, appFolder != nullptr ? appFolder : "", "log");
    // An existing folder is fine; a missing one shows when the first line is
    // written.
    k4p::createFolder(folder.getText());
    K4CTimedFilename* filename = new K4CTimedFilename(folder.getText());
    try {
        return new K4CDebugLogger(filename);
    } catch (const char*) {
        delete filename;
        throw;
    }
}

K4QBContentRegistry* CreateContentRegistry(const char* appFolder, K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter CreateContentRegistry(%s, %p)", appFolder, (void*)logger);
    K4CString cache;
    besideApplication(&cache, appFolder != nullptr ? appFolder : "", "cache");
    k4p::createFolder(cache.getText());
    K4QBContentRegistry* registry = new K4QBContentRegistry(logger);
    try {
        registry->addSource(K4QBGameDataFolder::CreateFromGame(logger));
        registry->addSource(K4QBPakRegistry::CreateFromGame(cache.getText(), logger));
    } catch (const char* code) {
        delete registry;
        k4cTraceThrow(logger, code, "CreateContentRegistry");
    }
    K4C_TRACE(logger, "Return %p from CreateContentRegistry", (void*)registry);
    return registry;
}

void k4qbShowErrorBox(const char* text) {
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}

void k4qbRunMessageLoop(K4QBAppWindow* mainWindow, HACCEL accelerators, K4CDebugLogger* logger) {
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            return;
        }
        if (got == -1) {
            reportError(logger, "Windows error %d", nullptr, (int)GetLastError());
            return;
        }
        if (!mainWindow->isDialogMessage(&message)) {
            if (accelerators != nullptr &&
                TranslateAcceleratorA(mainWindow->getWindow(), accelerators, &message)) {
                K4C_LOGAT(logger, K4C_LOG_INFO, "Accelerator key %u", (unsigned)message.message);
            } else {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        std::exception_ptr pending = K4QBAppWindow::takePendingError();
        if (pending) {
            std::rethrow_exception(pending);
        }
    }
}

int k4qbRunApplication(HINSTANCE instance, int showCommand, K4QBAppWindow* mainWindow) {
    K4CDebugLogger* logger = nullptr;
    K4QBContentRegistry* content = nullptr;
    K4QBSplash::initWindowMap();
    try {
        content = prepareContent(instance, mainWindow, &logger);
        try {
            mainWindow->initialize(content, showCommand);
            HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
            k4qbRunMessageLoop(mainWindow, accelerators, logger);
        } catch (...) {
            // Error codes, and anything else the runtime throws (memory
            // exhaustion): logged and shown alike, then an orderly end.
            std::exception_ptr error = std::current_exception();
            reportError(logger, "Application error %s", k4qbErrorText(error), 0);
        }
    } catch (...) {
        // Only the logger's own creation fails here; nothing to log through.
        k4qbShowErrorBox(k4qbErrorText(std::current_exception()));
    }
    // The window first (it saves its settings and may still log), then what
    // it used.
    delete mainWindow;
    delete content;
    delete logger;
    K4QBSplash::freeWindowMap();
    return 0;
}
