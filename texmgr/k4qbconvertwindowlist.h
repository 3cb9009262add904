// K4QBConvertWindowList: the main window's open convert windows. "Convert To
// DDS" opens one on the file search list's selection, placed so that its
// client area is centred on the screen and successive windows cascade by 64
// pixels (-64, 0, +64 in turn); closed windows are removed as the next one
// opens and when the list goes. The message loop asks the open windows in
// turn whether a message is a dialog message for them (Tab between their
// controls).
//
// Threads: the window thread only.
#pragma once

#include "foundation/k4cptrarray.h"

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBFileListBox;
class K4QBTexMgrConvertWindow;
class K4QBTexMgrWindow;

class K4QBConvertWindowList {
public:
    explicit K4QBConvertWindowList(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger = nullptr);
    // Destroys every convert window, stopping its run.
    ~K4QBConvertWindowList();
    K4QBConvertWindowList(const K4QBConvertWindowList&) = delete;
    K4QBConvertWindowList& operator=(const K4QBConvertWindowList&) = delete;

    // Opens a convert window on the opener's selected files and appends it.
    // Throws "K4QBERR_TEXMGR_NOFILESCHOSEN" when nothing is selected and
    // "K4QBERR_APP_INITERROR"; no window is kept then.
    K4QBTexMgrConvertWindow* openFromSelection(K4QBFileListBox* opener);
    // IsDialogMessage of each open window in list order; true once one took
    // the message.
    bool isDialogMessage(MSG* message);

    int32_t getCount() const { return windows_.getCount(); }
    K4QBTexMgrConvertWindow* get(int32_t index) const;
    // The window's place in the list, or -1.
    int32_t indexOf(const K4QBTexMgrConvertWindow* window) const;
    // Stops every running window's run, each after the file it is writing.
    void stopRuns();
    // The lowest progress box slot that no window of the list holds.
    int32_t freeProgressSlot() const;

private:
    void removeClosed();

    K4QBTexMgrWindow* mainWindow_;
    K4CPtrArray windows_;
    K4CDebugLogger* logger_;
};
