// File controls: window controls that show a K4QBFileList, one owner-drawn
// line per entry with the file name, and fill it from a folder on disk or
// from the game content.
//
// K4QBFileListBox is a list box with multiple selection (the file search
// panel's list). The single-selection list of the layers panel
// (K4QBLayerListBox) and the drop-down list of the overlay options come with
// those panels. The window
// that owns a control forwards WM_MEASUREITEM and WM_DRAWITEM for it to
// measureItem and drawItem.
#pragma once

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBFileList;
class K4QBGameFiles;

class K4QBFileControl {
public:
    // The application window provides the game content and the list font.
    K4QBFileControl(K4QBAppWindow* appWindow, const char* className,
                    K4CDebugLogger* logger = nullptr);
    virtual ~K4QBFileControl();
    K4QBFileControl(const K4QBFileControl&) = delete;
    K4QBFileControl& operator=(const K4QBFileControl&) = delete;

    // Makes the control's window; throws "K4QBERR_APP_INITERROR".
    virtual void create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                        int32_t id) = 0;

    // Empties the control and adds one item per list entry, in order, with
    // the entry's position as item data.
    void refresh();
    // Adds the files of the folder (which ends with a backslash) that match
    // the pattern, skipping directories and system, temporary and offline
    // files; returns how many. A folder that cannot be listed adds nothing.
    int32_t searchFileSystem(const char* pattern, const char* folder);
    // Adds the game content's matches; 0 without game content. Errors of the
    // game content pass to the caller.
    int32_t searchGameContent(const char* pattern, const char* folder);
    void clear();

    int32_t getEntryCount();
    // Null for a file on disk.
    K4QBGameFiles* getEntrySource(int32_t index);
    const char* getEntryFolder(int32_t index);
    const char* getEntryFileName(int32_t index);
    HWND getWindow() const { return window_; }

    // Items are 17 pixels high; returns 1.
    LRESULT measureItem(MEASUREITEMSTRUCT* item);
    // Draws the item's file name, highlighted when selected; returns 1.
    LRESULT drawItem(const DRAWITEMSTRUCT* item);

protected:
    void createWindow(DWORD style, HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t id);
    virtual UINT resetMessage() const = 0;
    virtual UINT addMessage() const = 0;

    K4QBAppWindow* appWindow_;
    K4QBFileList* list_;
    const char* className_;
    HWND window_;
    K4CDebugLogger* logger_;
};

class K4QBFileListBox : public K4QBFileControl {
public:
    explicit K4QBFileListBox(K4QBAppWindow* appWindow, K4CDebugLogger* logger = nullptr);
    ~K4QBFileListBox() override;

    void create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t id) override;
    // The selected positions in ascending order (owned by the control, valid
    // until the next call) and their number in *count. The array grows to the
    // smallest multiple of 128 above the number selected.
    const int32_t* getSelectedPositions(int32_t* count);

protected:
    UINT resetMessage() const override { return LB_RESETCONTENT; }
    UINT addMessage() const override { return LB_ADDSTRING; }

private:
    int32_t selectionCapacity_;
    int32_t selectionCount_;
    int32_t* selection_;
};
