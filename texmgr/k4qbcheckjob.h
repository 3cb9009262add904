// K4QBCheckJob: the work of the check window on a thread of its own: a
// check of a folder's textures, fixes followed by a check again, or the list
// of loose files that hide archived ones (export/texture_check.h,
// texture_fix.h, game_archives.h).
//
// Thread rules: the window thread makes the job, starts it and reads its
// results only after the job posted its end (the window's message with the
// job's serial as wParam); progress is an atomic count any thread reads.
// The worker touches no window but posting that one message, never waits
// for the window thread, and takes no device lock: it reads and writes
// files only, and loads archives of its own, so it shares nothing with the
// program's content registry. stop() (and the destructor) ask it to end and
// wait; a check stops within a file, a fix between two fixes. Nothing leaves
// the worker (k4qbRunWorker): an error ends the job with its text in
// failure().
#pragma once

#include <windows.h>

#include "export/game_archives.h"
#include "export/texture_check.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class K4CDebugLogger;

class K4QBCheckJob {
public:
    enum class Kind { Check, Fix, Overrides };

    struct Task {
        Kind kind = Kind::Check;
        std::string folder;                     // checked and fixed; the install for Overrides
        std::string game;                       // the install whose textures count; empty: none
        bool gameLooseFiles = true;             // its loose files count too (not when checked)
        std::vector<k4export::FixAction> fixes; // Fix
        std::string cache;                      // Overrides: where archived entries are extracted
    };

    // Posts `doneMessage` to `window` when done.
    K4QBCheckJob(const Task& task, HWND window, UINT doneMessage, K4CDebugLogger* logger = nullptr);
    ~K4QBCheckJob();
    K4QBCheckJob(const K4QBCheckJob&) = delete;
    K4QBCheckJob& operator=(const K4QBCheckJob&) = delete;

    // Throws "K4QBERR_APP_INITERROR" when the thread cannot start.
    void start();
    void stop() noexcept;

    uint32_t getSerial() const { return serial_; }
    const Task& getTask() const { return task_; }
    // Files looked at so far (any thread).
    int32_t getProgress() const { return progress_.load(); }

    // After the end: the check (Check, and Fix's check afterwards), the
    // fixes that failed with why, the overrides, the archives or folders
    // that could not be read, and an error that ended the job.
    const k4export::CheckReport& getReport() const { return report_; }
    bool hasTextureFolder() const { return textureFolder_; }
    const std::vector<std::string>& getFixFailures() const { return fixFailures_; }
    int32_t getFixedCount() const { return fixed_; }
    const k4export::OverrideReport& getOverrides() const { return overrides_; }
    const std::vector<std::string>& getProblems() const { return problems_; }
    const std::string& getFailure() const { return failure_; }

private:
    static unsigned __stdcall threadMain(void* job);
    void run();
    void check();

    Task task_;
    HWND window_;
    UINT doneMessage_;
    uint32_t serial_;
    HANDLE thread_;
    std::atomic<bool> stop_;
    std::atomic<int32_t> progress_;
    k4export::CheckReport report_;
    bool textureFolder_;
    std::vector<std::string> fixFailures_;
    int32_t fixed_;
    k4export::OverrideReport overrides_;
    std::vector<std::string> problems_;
    std::string failure_;
    K4CDebugLogger* logger_;
};
