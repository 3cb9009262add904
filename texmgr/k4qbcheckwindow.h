// K4QBCheckWindow: the results window of File, "Check Textures..." and
// "Show Overridden Textures".
//
// Checking: the folder field names what is checked (at first the game's
// install folder, whose loose files are checked against its archives; any
// other folder is checked as a mod of that game), "Check" checks it again.
// The list shows one row per finding (severity, file, rule, detail) sorted by
// severity, then path; the selected row's whole detail shows below it; a
// double click previews the file in the main window's image panel. "Fix
// Selected" and "Fix All" run the fixes of the findings (every original into
// FOLDER\texture-check-backup\ first) and check again.
//
// Overrides: one row per loose file below data\ that hides an archived entry
// (the path, the archive, both pictures' size and format); selecting a row
// previews the loose file, or with "Show Original" checked the archived
// entry, extracted into the program's cache by the game content.
//
// The list holds no texts of its own (LBS_NODATA): rows are drawn from the
// results, so 100,000 findings fill it at once. All work runs on a
// K4QBCheckJob; the window shows its progress and takes its results when it
// posts its end, so it stays responsive. One window at a time, owned by the
// main window, which closes it when it goes; closing it stops the job
// (waiting for it) and frees the object.
//
// Threads: the window thread only.
#pragma once

#include <windows.h>

#include "export/texture_check.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class K4CDebugLogger;
class K4QBCheckJob;
class K4QBTexMgrWindow;

inline constexpr const char* K4QB_CHECK_CLASS = "K4QBCheckWindow";
inline constexpr const char* K4QB_CHECK_TITLE = "Check Textures";
inline constexpr const char* K4QB_OVERRIDES_TITLE = "Overridden Textures";

// Control ids of the check window.
inline constexpr int32_t K4QB_ID_CHECK_FOLDER = 1201;
inline constexpr int32_t K4QB_ID_CHECK_RUN = 1202;
inline constexpr int32_t K4QB_ID_CHECK_LIST = 1203;
inline constexpr int32_t K4QB_ID_CHECK_DETAIL = 1204;
inline constexpr int32_t K4QB_ID_CHECK_FIXSELECTED = 1205;
inline constexpr int32_t K4QB_ID_CHECK_FIXALL = 1206;
inline constexpr int32_t K4QB_ID_CHECK_ORIGINAL = 1207;
inline constexpr int32_t K4QB_ID_CHECK_STATUS = 1208;

// One row of the list.
struct K4QBCheckRow {
    int32_t rank = 0;        // 0 error, 1 warning, 2 override: the sort key before the path
    std::string columns[4];  // severity, file, rule, detail (overrides: -, file, archive, sizes)
    std::string path;        // the file, relative to the folder
    int32_t fix = -1;        // index of its fix action, -1 when none
    std::string entryFolder; // overrides: the archived entry's game folder
    std::string entryName;   // and name
};

class K4QBCheckWindow {
public:
    enum class Mode { Check, Overrides };

    // The open window (made when there is none), brought to the front, and
    // the work of `mode` started: a check of the folder field (at first the
    // install folder), or the overrides of the game. Throws
    // "K4QBERR_APP_INITERROR".
    static K4QBCheckWindow* open(K4QBTexMgrWindow* mainWindow, Mode mode,
                                 K4CDebugLogger* logger = nullptr);
    // The open window, or null.
    static K4QBCheckWindow* getOpen() { return open_; }

    // Checks `folder` (the field takes the text).
    void checkFolder(const char* folder);

    HWND getWindow() const { return window_; }
    Mode getMode() const { return mode_; }
    // A job is running.
    bool isBusy() const { return job_ != nullptr; }
    const std::vector<K4QBCheckRow>& getRows() const { return rows_; }

private:
    K4QBCheckWindow(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger);
    ~K4QBCheckWindow();
    K4QBCheckWindow(const K4QBCheckWindow&) = delete;
    K4QBCheckWindow& operator=(const K4QBCheckWindow&) = delete;

    // Makes the window and its controls; *owned becomes true once the window
    // exists, which frees this object when it goes.
    void create(bool* owned);
    void createControls();
    HWND createChild(DWORD exStyle, const char* className, const char* text, DWORD style, int32_t x,
                     int32_t y, int32_t width, int32_t height, int32_t id);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCommand(int32_t code, int32_t id);
    void drawRow(const DRAWITEMSTRUCT* item);

    // The install folder of the game content; empty without the game.
    std::string installFolder() const;
    void startJob(int32_t kind);
    void startFix(bool selectedOnly);
    void takeResults();
    // Drops the fixed files' textures from the texture cache.
    void forgetFixed(const std::vector<k4export::FixAction>& fixes);
    void showRows();
    void setStatus(const std::string& text);
    void enableButtons();
    // The selected row's detail; in overrides mode its preview as well.
    void onSelection();
    // Previews a row's file (or, with "Show Original", its archived entry).
    void preview(int32_t row);
    int32_t caretRow() const;

    static K4QBCheckWindow* open_;
    K4QBTexMgrWindow* mainWindow_;
    Mode mode_;
    std::string checked_; // the folder the rows are of
    std::unique_ptr<K4QBCheckJob> job_;
    k4export::CheckReport report_;
    std::vector<k4export::FixAction> pendingFixes_; // of the next fix job
    std::vector<K4QBCheckRow> rows_;
    HWND window_;
    HWND folderEdit_;
    HWND list_;
    HWND detail_;
    HWND status_;
    HWND fixSelected_;
    HWND fixAll_;
    HWND original_;
    HWND runButton_;
    K4CDebugLogger* logger_;
};
