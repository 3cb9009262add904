// K4QBFileDropDown: a drop-down list of files, one owner-drawn line per entry
// with the file name (the thumbnail choice of the animated overlay options).
// Its window is a combo box with fixed-height owner-drawn items; the owner
// forwards WM_MEASUREITEM and WM_DRAWITEM to measureItem and drawItem.
//
// Threads: the window thread only.
#pragma once

#include "texmgr/k4qbfilecontrol.h"

class K4QBFileDropDown : public K4QBFileControl {
public:
    explicit K4QBFileDropDown(K4QBAppWindow* appWindow, K4CDebugLogger* logger = nullptr);
    ~K4QBFileDropDown() override;

    void create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t id) override;
    // Lists every file of `files` in its order, so that an item's position is
    // the file's index there, and selects the first. The texts are not
    // copied: `files` must outlive the control's list.
    void showFiles(const K4QBFileList& files);
    // The selected position, or -1.
    int32_t getSelectedPosition();

protected:
    UINT resetMessage() const override { return CB_RESETCONTENT; }
    UINT addMessage() const override { return CB_ADDSTRING; }
};
