// K4QBFolderDropDown: the folder chooser, an owner-drawn drop-down list that
// shows a small indented folder tree with icons, in one of two modes:
//  - file system: "My Documents" and every drive as roots; under the root that
//    holds the current folder, the chain of folders down to it and its
//    sub-folders (a folder inside the documents folder shows under "My
//    Documents" only);
//  - game content: the game's folder tree (the content registry's browsing)
//    from a root folder along the path to the current folder, with the
//    sub-folders of every folder on the way.
// Choosing an entry makes it the current folder, rebuilds the list around it
// and opens the list again at the chosen folder's parent, so the user walks
// the tree a level at a time.
//
// One class for every folder chooser (the file search panel's, the output
// folders of the layers panel and the convert window). All drop-downs share
// one K4QBFolderResources set: the first made creates it, the last destroyed
// frees it. The owner forwards WM_DRAWITEM to onDrawItem and the combo box's
// selection change to onSelChange, and measures the items 21 pixels high.
//
// Threads: the window thread only (it browses the game content).
#pragma once

#include "foundation/k4cptrarray.h"
#include "foundation/k4cstring.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBFolderResources;

// Current sources.
inline constexpr int32_t K4QB_FOLDER_SOURCE_FILES = 0;
inline constexpr int32_t K4QB_FOLDER_SOURCE_GAME = 1;
inline constexpr UINT K4QB_FOLDER_ITEM_HEIGHT = 21;

// Where the system keeps the user's documents folder (value "Personal").
inline constexpr const char* K4QB_SHELL_FOLDERS_KEY =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct K4QBFolderEntry {
    int32_t level; // indentation, 0 for a root
    HICON icon;    // of the shared folder resources
    K4CString name;
    K4CString path; // ends with a backslash
};

class K4QBFolderDropDown {
public:
    // Reads the documents folder and counts this drop-down in the shared
    // resources. Throws "K4QBERR_APP_INITERROR" when the documents folder is
    // unknown or the resources cannot be made.
    explicit K4QBFolderDropDown(K4QBAppWindow* appWindow, K4CDebugLogger* logger = nullptr);
    // Frees the entries; the last drop-down frees the shared resources.
    ~K4QBFolderDropDown();
    K4QBFolderDropDown(const K4QBFolderDropDown&) = delete;
    K4QBFolderDropDown& operator=(const K4QBFolderDropDown&) = delete;

    // Creates the combo box (216 pixels high with its list). Throws
    // "K4QBERR_APP_INITERROR".
    void initialize(HWND parent, int32_t x, int32_t y, int32_t width, int32_t id);

    HWND getWindow() const { return window_; }
    int32_t getCurSource() const { return curSource_; }
    const char* getCurFolder() const { return curFolder_.getText(); }

    // File-system mode at the folder (the documents folder when empty or
    // null).
    void setToFolder(const char* folder);
    // Game mode at the folder (the root when empty or null) below the root.
    // Errors of the game content pass to the caller.
    void setToQuellbury(const char* folder, const char* root);

    // The combo box's selection changed: the chosen entry becomes the current
    // folder (game mode below `root`), and the list opens again with the
    // chosen folder's parent at its top. Returns 0.
    LRESULT onSelChange(const char* root);
    // Draws one entry: indented by its level, its icon, its name (bold and
    // highlighted when selected). Returns 1.
    LRESULT onDrawItem(const DRAWITEMSTRUCT* item);
    // Returns 1; the owner sets the height.
    LRESULT onMeasureItem();
    // Deletes every entry; no current entry.
    void clearFolders();

    // The list as built: entries in list order and the current one (-1 when
    // none).
    int32_t getEntryCount() const { return entries_->getCount(); }
    const K4QBFolderEntry* getEntry(int32_t index) const { return entries_->get(index); }
    int32_t getCurIndex() const { return curIndex_; }
    const char* getDocumentsFolder() const { return documents_.getText(); }
    // The shared set while any drop-down lives, else null.
    static K4QBFolderResources* getFolderResources() { return resources_; }

private:
    void init();
    void clearList();
    void addFolder(int32_t level, int32_t icon, const char* name, const char* path);
    void addFSRootBranch(const char* path, int32_t icon, const char* name);
    void addFSInterFolders(const char* rootPath);
    void addFSSubFolders(int32_t level);
    void addQBBranch(int32_t level, const char* name, const char* path);
    void addQBSubFolders(int32_t level, const char* path);
    int32_t isSubFolder(const char* path);
    void setCurFolder(const char* folder, const char* fallback);

    K4QBAppWindow* appWindow_;
    K4CString documents_;
    std::unique_ptr<K4COwningPtrArray<K4QBFolderEntry>> entries_;
    int32_t curSource_;
    K4CString curFolder_;
    int32_t curIndex_;
    HWND window_;
    K4CDebugLogger* logger_;

    static K4QBFolderResources* resources_;
    static int32_t liveCount_;
};
