// K4QBFSControls: the file search panel of the find-textures mode, the upper
// left of the main window. The user chooses where to look (the file system or
// the game content, source button 1002), the folder (folder drop-down 1001),
// the image types (1005) and a name text (1003, search button 1004); the
// matches fill the file list (1006), whose selection the image panel shows.
// A double click on a numbered file selects its whole sequence.
//
// The choices live in the settings group "file search": "source" ("File
// System" or "Quellbury Content"; always "File System" at start without game
// content), "directory", "quellbury-folder" (default "data\textures\") and
// "file-type" (default "All Supported Images").
//
// A folder that cannot be listed gives an empty list. An error of the game
// content while browsing or searching is shown in a message box; the panel
// keeps what it has and the program goes on.
//
// Threads: the window thread only.
#pragma once

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBFileListBox;
class K4QBFolderDropDown;
class K4QBIniGroup;
class K4QBTexMgrWindow;

// Control ids of the panel.
inline constexpr int32_t K4QB_ID_FOLDERS = 1001;
inline constexpr int32_t K4QB_ID_SOURCE = 1002;
inline constexpr int32_t K4QB_ID_SEARCHTEXT = 1003;
inline constexpr int32_t K4QB_ID_SEARCH = 1004;
inline constexpr int32_t K4QB_ID_FILETYPE = 1005;
inline constexpr int32_t K4QB_ID_FILELIST = 1006;

// The game folder the panel browses below, and the source names of the
// settings and the frame.
inline constexpr const char* K4QB_GAME_TEXTURE_ROOT = "data\\textures\\";
inline constexpr const char* K4QB_SOURCE_FILES_NAME = "File System";
inline constexpr const char* K4QB_SOURCE_GAME_NAME = "Quellbury Content";

class K4QBFSControls {
public:
    // Makes sure the settings group "file search" holds every key (writing
    // the defaults) and falls back to the file system without game content.
    // Throws "K4QBERR_APP_INITERROR" when the folder drop-down cannot be made.
    explicit K4QBFSControls(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger = nullptr);
    ~K4QBFSControls();
    K4QBFSControls(const K4QBFSControls&) = delete;
    K4QBFSControls& operator=(const K4QBFSControls&) = delete;

    // Creates the controls from the main window's file-search bounds, shows
    // the stored source and folder, fills the file types and searches.
    // Throws "K4QBERR_APP_INITERROR".
    void createControls(HWND parent);
    // Moves the controls to the main window's bounds when either changed.
    void relayout(bool rightChanged, bool bottomChanged);
    void show(bool visible);

    // Source button: switches between the file system and the game content
    // (refused with a message box without game content), then searches.
    void onSourceClicked();
    // Fills the file list with the matches of the current folder, type and
    // text.
    void search();
    // The folder drop-down (1001) or the file type (1005) changed: store the
    // choice and search. True when the id is one of these.
    bool onSelChange(int32_t id);
    // Double click in the file list: with exactly one file selected, select
    // its numbered sequence. True when exactly one file was selected.
    bool onDblClick();
    // Shows a folder on disk (ending with a backslash; files dropped onto
    // the window): the file system as the source, the folder stored as
    // "directory", and the search with the current type and text.
    void showDiskFolder(const char* folder);
    // Selects exactly the listed files of these names (compared without
    // regard to case); returns how many were found.
    int32_t selectFiles(const char* const* names, int32_t count);

    K4QBFileListBox* getFileList() const { return fileList_; }
    K4QBFolderDropDown* getFolderDropDown() const { return folders_; }
    // 0 file system, 1 game content.
    int32_t getCurSource() const;
    HWND getFrame() const { return frame_; }

private:
    K4QBIniGroup* settings();
    HWND createChild(HWND parent, DWORD exStyle, const char* className, const char* text,
                     DWORD style, int32_t id);
    void placeControls(bool repaint);
    void showSource();
    void fillFileTypes();

    K4QBTexMgrWindow* mainWindow_;
    HWND frame_;
    K4QBFolderDropDown* folders_;
    HWND sourceButton_;
    HWND searchLabel_;
    HWND searchText_;
    HWND searchButton_;
    HWND typeLabel_;
    HWND fileType_;
    HWND filesFrame_;
    K4QBFileListBox* fileList_;
    K4CDebugLogger* logger_;
};
