// K4QBTexMgrConvertWindow: a top-level window "Convert To DDS" that turns the
// image files chosen in the file search list into DDS files in one run. It
// keeps its own copy of the chosen files (sorted by file name, then folder,
// each once: the order of export and of the names shown), the output options
// (K4QBTexMgrOutputPanel) and the animated overlay options
// (K4QBTexMgrAnimPanel). "Start" (1141) shrinks it to a progress box at the
// right of the work area, stacked upwards in the lowest slot no other running
// box holds (kept for the whole run), and runs a K4QBExportJob; "Stop" ends
// the run (the files written so far stay) and brings the full window back;
// "Cancel" (1142), closing it or the end of a run without failures destroys
// the window. Several convert windows may run at the same time.
//
// The initial type: Backdrops when every name begins with "bd_" (any case);
// Animated Overlays for two or more names of one numbered series (the first
// name's first run of digits, the same text before it and digits in its
// place in every other name); Static Overlays otherwise. Files from disk
// start with the output folder on the file system (the documents folder),
// game files with the game folder of the type.
//
// The anim fields are brought within their limits when a run starts too, so
// that a value typed just before "Start" counts as checked.
//
// Threads: the window thread. The job's worker reaches the window only
// through posted messages (see k4qbexportjob.h).
#pragma once

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4CHashMap;
class K4QBConvertWindowList;
class K4QBExportJob;
class K4QBFileList;
class K4QBFileListBox;
class K4QBTexMgrAnimPanel;
class K4QBTexMgrOutputPanel;
class K4QBTexMgrWindow;

inline constexpr const char* K4QB_CONVERT_CLASS = "K4QBTexMgrConvertWindow";
inline constexpr const char* K4QB_CONVERT_TITLE = "Convert To DDS";
inline constexpr int32_t K4QB_CONVERT_WIDTH = 576;
inline constexpr int32_t K4QB_CONVERT_HEIGHT = 336; // plus the caption
inline constexpr int32_t K4QB_PROGRESS_WIDTH = 228;
inline constexpr int32_t K4QB_PROGRESS_HEIGHT = 96; // plus the caption

// Control ids of the window's own buttons.
inline constexpr int32_t K4QB_ID_CONVERT_START = 1141;
inline constexpr int32_t K4QB_ID_CONVERT_CANCEL = 1142;

class K4QBTexMgrConvertWindow {
public:
    // Counts the window among the process's convert windows; the list gives
    // the free slots for the progress box.
    K4QBTexMgrConvertWindow(K4QBTexMgrWindow* mainWindow, K4QBConvertWindowList* list,
                            K4CDebugLogger* logger = nullptr);
    // Stops the run, destroys the window, frees the panels and the files; the
    // last convert window unregisters the class.
    ~K4QBTexMgrConvertWindow();
    K4QBTexMgrConvertWindow(const K4QBTexMgrConvertWindow&) = delete;
    K4QBTexMgrConvertWindow& operator=(const K4QBTexMgrConvertWindow&) = delete;

    // Builds the window at (x, y) from the opener's selection. Throws
    // "K4QBERR_TEXMGR_NOFILESCHOSEN" (no window is made) and
    // "K4QBERR_APP_INITERROR".
    void create(K4QBFileListBox* opener, int32_t x, int32_t y);

    // The buttons' actions.
    void start();
    void stop();
    // Stops the run and destroys the window; the object stays until its
    // list removes it.
    void cancel();

    // Null once the window is closed.
    HWND getWindow() const { return window_; }
    bool isRunning() const { return running_; }
    // The place of the progress box while running (0 at the bottom), else -1.
    int32_t getProgressSlot() const { return progressSlot_; }
    HWND getStatusWindow() const { return status_; }
    K4QBTexMgrOutputPanel* getOutputPanel() const { return output_; }
    K4QBTexMgrAnimPanel* getAnimPanel() const { return anim_; }
    const K4QBFileList* getFiles() const { return files_; }
    // The running or finished job, else null.
    K4QBExportJob* getJob() const { return job_; }

    static int32_t getInstanceCount() { return instanceCount_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCommand(int32_t code, int32_t id);
    void takeFiles(K4QBFileListBox* opener);
    void registerClass();
    void createControls();
    HWND createChild(DWORD exStyle, const char* className, const char* text, DWORD style, int32_t x,
                     int32_t y, int32_t width, int32_t height, int32_t id);
    void initialize();
    void showOptions(bool visible);
    void placeProgressBox();
    void stopJob();
    void detach();

    K4QBTexMgrWindow* mainWindow_;
    K4QBConvertWindowList* list_;
    bool running_;
    int32_t progressSlot_;
    bool firstIsGame_;
    K4QBFileList* files_;
    K4QBExportJob* job_;
    HWND window_;
    K4QBTexMgrOutputPanel* output_;
    K4QBTexMgrAnimPanel* anim_;
    HWND filesGroup_;
    HWND fileNames_;
    HWND status_;
    HWND startButton_;
    HWND cancelButton_;
    K4CDebugLogger* logger_;

    static int32_t instanceCount_;
    static ATOM classAtom_;
    static K4CHashMap* windows_; // window handle -> object
};
