// K4QBTexMgrOutputPanel: the output options of a convert window, its upper
// left: output type (1101), folder drop-down (1102) with its source button
// (1103, the file system or the game), size (1104), format (1105, Best Match
// first) and file name (1106) with the "(Based on original)" toggle (1107).
// The export reads them when a run starts; the tables behind the lists are
// export/output_tables.h.
//
// The folder follows the type only when the window is set up and when the
// source button switches to the game: overlays and backdrops then point at
// their fixed game folders with the drop-down locked, textures let the user
// choose below "data\textures\". On the file system the export folder is
// always the folder the drop-down shows (the documents folder at first), so
// a run never writes where the user cannot see it would.
//
// An error of the game content while the drop-down browses it is shown by
// the main window; the panel keeps what it has.
//
// Threads: the window thread only.
#pragma once

#include "export/output_tables.h"
#include "foundation/k4cstring.h"

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBFolderDropDown;
class K4QBTexMgrAnimPanel;
class K4QBTexMgrWindow;

// Control ids of the panel.
inline constexpr int32_t K4QB_ID_BATCH_TYPE = 1101;
inline constexpr int32_t K4QB_ID_BATCH_FOLDERS = 1102;
inline constexpr int32_t K4QB_ID_BATCH_SOURCE = 1103;
inline constexpr int32_t K4QB_ID_BATCH_SIZE = 1104;
inline constexpr int32_t K4QB_ID_BATCH_FORMAT = 1105;
inline constexpr int32_t K4QB_ID_BATCH_NAME = 1106;
inline constexpr int32_t K4QB_ID_BATCH_NAMEBUTTON = 1107;

class K4QBTexMgrOutputPanel {
public:
    // The animated overlay options are enabled with the type "Animated
    // Overlays". Throws "K4QBERR_APP_INITERROR" when the folder drop-down
    // cannot be made.
    K4QBTexMgrOutputPanel(K4QBTexMgrWindow* mainWindow, K4QBTexMgrAnimPanel* animPanel,
                          K4CDebugLogger* logger = nullptr);
    // Frees the folder drop-down; the windows go with their parent.
    ~K4QBTexMgrOutputPanel();
    K4QBTexMgrOutputPanel(const K4QBTexMgrOutputPanel&) = delete;
    K4QBTexMgrOutputPanel& operator=(const K4QBTexMgrOutputPanel&) = delete;

    // Makes the controls in `parent`, fills the type and format lists and
    // selects Best Match. Throws "K4QBERR_APP_INITERROR".
    void create(HWND parent);
    // Selects the type (-1: the type list's selection), fills the size list
    // with the type's presets, the first selected, and enables the animated
    // overlay options for animated overlays only.
    void setType(int32_t type);
    // The game at the type's fixed folder, locked; for textures the game
    // folder `folder` (or the current one) below "data\textures\".
    void applyTypeFolder(const char* folder);
    // The file system at `folder` (or the current one; the documents folder
    // at first), unlocked.
    void setFileSystemFolder(const char* folder);
    // Buttons 1103 and 1107; false for other ids.
    bool onClicked(int32_t id);
    // Selection changes of 1101 and 1102; false for other ids.
    bool onSelChange(int32_t id);
    void show(bool visible);

    // What a run reads.
    int32_t getType() const { return type_; }
    // 0 the file system, 1 the game.
    int32_t getFolderSource() const;
    // The file-system folder or the game folder, by source.
    const char* getFolder() const;
    // The size list's selection (-1 when none).
    int32_t getSizeIndex() const;
    k4export::Format getFormat() const;
    void getFileName(K4CString* name) const;

    K4QBFolderDropDown* getFolderDropDown() const { return folders_; }

private:
    HWND createChild(HWND parent, DWORD exStyle, const char* className, const char* text,
                     DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id);
    void showSourceIcon();
    void toggleFileName();
    void onSourceClicked();
    void reportContentError(const char* code);

    K4QBTexMgrWindow* mainWindow_;
    K4QBTexMgrAnimPanel* animPanel_;
    int32_t type_;
    K4CString fileSystemFolder_;
    K4CString gameFolder_;
    HWND parent_;
    HWND group_;
    HWND typeLabel_;
    HWND typeList_;
    HWND folderLabel_;
    K4QBFolderDropDown* folders_;
    HWND sourceButton_;
    HWND sizeLabel_;
    HWND sizeList_;
    HWND formatLabel_;
    HWND formatList_;
    HWND nameLabel_;
    HWND nameField_;
    HWND nameButton_;
    K4CDebugLogger* logger_;
};
