// K4QBExportJob: one batch export run of a convert window on a worker thread.
// The outputs (files, names, paths, levels, thumbnails, the files asked about
// before replacing) are the export plan's (export/export_plan.h); each output
// is drawn and written by convertTexture with the program's device, the
// source as the texture cache loads it.
//
// The window learns of the run only through posted messages, so it never
// waits for the worker and the worker never waits for it: the worker queues
// each status text and posts K4QB_WM_EXPORT_STATUS, upon which the window
// takes the queued texts (takeStatus), and posts K4QB_WM_EXPORT_DONE about a
// second after "Done!". Both carry the job's serial number in wParam, so a
// message of a job that is gone can be told apart.
//
// Outputs: one at a time, in plan order, with a millisecond between them so
// that other users of the device get their turn. While the device is lost the
// worker waits (the status says so) and goes on when it is back. Any other
// failure (a source that cannot be loaded, a cache error code, an output that
// cannot be drawn or written) skips that output with the status "Could not
// export NAME" (": disk full" added when its disk had no room for it); the
// others are still written. A run with failures ends with
// a status that counts them and does not close the window. Every file goes
// to a temporary file beside its target first, so a stopped run or a full
// disk never leaves half a DDS. A thumbnail of a static overlay or backdrop
// that cannot be written is logged and not counted.
//
// Threads: the window thread creates, starts and stops the job; stop waits
// for the worker, which ends after the output it is writing. The worker runs
// through k4qbRunWorker and touches the device and the cache only inside a
// K4QBD3DUse bracket.
#pragma once

#include "export/export_plan.h"
#include "foundation/k4cstring.h"

#include <windows.h>

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBTextureCache;

// Posted to the convert window (wParam: the job's serial number).
inline constexpr UINT K4QB_WM_EXPORT_DONE = WM_USER + 1;
inline constexpr UINT K4QB_WM_EXPORT_STATUS = WM_USER + 2;

class K4QBExportJob {
public:
    // Nothing is owned. The run's texts are copied; its file list must
    // outlive the job. `window` owns the overwrite question and receives the
    // posts.
    K4QBExportJob(K4QBAppWindow* appWindow, K4QBTextureCache* cache, HWND window,
                  const k4export::ExportRun& run, K4CDebugLogger* logger = nullptr);
    // Stops the worker, waiting for it.
    ~K4QBExportJob();
    K4QBExportJob(const K4QBExportJob&) = delete;
    K4QBExportJob& operator=(const K4QBExportJob&) = delete;

    // Creates the output folders, asks before replacing files that exist and
    // starts the worker. Throws "K4QBERR_TEXMGR_USERCANCELLED" when the user
    // declines (nothing is written, no thread started) and
    // "K4QBERR_APP_INITERROR" when the thread cannot be started.
    void start();
    // Clears running and waits for the worker to end.
    void stop() noexcept;

    // The oldest status text not yet taken, and whether the start button is
    // to be disabled with it (with "Done!"); false when none is queued.
    bool takeStatus(K4CString* text, bool* disableStart);
    uint32_t getSerial() const { return serial_; }
    // True once the worker has ended (finished, stopped or failed).
    bool isFinished() const { return finished_.load(); }
    int32_t getFailedCount() const { return failed_.load(); }
    const k4export::ExportPlan& getPlan() const { return plan_; }

private:
    enum class Outcome { kWritten, kFailed, kDiskFull, kNoDevice };

    static unsigned __stdcall threadMain(void* job);
    void run();
    bool confirmOverwrite();
    // The file at plan position `at` and the thumbnail after it, if any.
    Outcome exportOutput(size_t at);
    HRESULT write(IDirect3DTexture9* texture, const k4export::PlannedOutput& output,
                  const k4export::SourceDesc& source);
    IDirect3DTexture9* sourceTexture(int32_t index);
    void setStatus(bool disableStart, const char* format, ...) K4C_PRINTF(3, 4);
    void finish();

    K4QBAppWindow* appWindow_;
    K4QBTextureCache* cache_;
    HWND window_;
    K4CString folder_;
    K4CString installPath_;
    K4CString fileName_;
    k4export::ExportRun run_;
    k4export::ExportPlan plan_;
    uint32_t serial_;
    HANDLE thread_;
    std::atomic<bool> running_;
    std::atomic<bool> finished_;
    std::atomic<int32_t> failed_;
    struct Status {
        K4CString text;
        bool disableStart;
    };
    std::mutex statusLock_;
    std::deque<Status> statuses_; // guarded by statusLock_
    K4CDebugLogger* logger_;
};
