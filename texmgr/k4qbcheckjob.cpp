// K4QBCheckJob: the check window's worker (see k4qbcheckjob.h).
#include "texmgr/k4qbcheckjob.h"

#include "export/texture_fix.h"
#include "export/texture_scan.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbthread.h"

#include <exception>

namespace {

std::atomic<uint32_t> nextSerial{1};

} // namespace

K4QBCheckJob::K4QBCheckJob(const Task& task, HWND window, UINT doneMessage, K4CDebugLogger* logger)
    : task_(task), window_(window), doneMessage_(doneMessage), serial_(nextSerial.fetch_add(1)),
      thread_(nullptr), stop_(false), progress_(0), textureFolder_(true), fixed_(0),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBCheckJob(%d, %s) = %p",
              static_cast<int>(task.kind), task.folder.c_str(), (void*)this);
}

K4QBCheckJob::~K4QBCheckJob() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBCheckJob = %p", (void*)this);
    stop();
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBCheckJob = %p", (void*)this);
}

void K4QBCheckJob::start() {
    K4C_TRACE(logger_, "Enter K4QBCheckJob::start = %p", (void*)this);
    thread_ = k4qbStartThread(threadMain, this);
    if (thread_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBCheckJob::start", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBCheckJob::start = %p", (void*)this);
}

void K4QBCheckJob::stop() noexcept {
    stop_.store(true);
    k4qbEndThread(&thread_); // the worker never waits for this thread
}

unsigned __stdcall K4QBCheckJob::threadMain(void* context) {
    auto* job = static_cast<K4QBCheckJob*>(context);
    if (!k4qbRunWorker(job->logger_, "K4QBCheckJob::run", [job] { job->run(); })) {
        job->failure_ = "The work stopped after an error (see the log).";
    }
    // Posted, never sent: the window thread may be waiting for this worker.
    PostMessageA(job->window_, job->doneMessage_, job->serial_, 0);
    return 0;
}

void K4QBCheckJob::run() {
    K4C_TRACE(logger_, "Enter K4QBCheckJob::run = %p", (void*)this);
    switch (task_.kind) {
    case Kind::Overrides: {
        k4export::ScanControl control;
        control.stop = &stop_;
        k4export::findOverrides(task_.folder, task_.cache.c_str(), control, &overrides_);
        problems_ = overrides_.problems;
        break;
    }
    case Kind::Fix:
        for (const k4export::FixAction& action : task_.fixes) {
            if (stop_.load()) {
                return;
            }
            const k4export::FixOutcome outcome = k4export::runFix(task_.folder, action);
            if (outcome.done) {
                ++fixed_;
            } else {
                fixFailures_.push_back(outcome.problem);
            }
        }
        check();
        break;
    case Kind::Check:
        check();
        break;
    }
    K4C_TRACE(logger_, "Exit K4QBCheckJob::run = %p", (void*)this);
}

void K4QBCheckJob::check() {
    k4export::ScanControl control;
    control.stop = &stop_;
    control.progress = [this](int32_t files) { progress_.store(files); };
    k4export::GameNames game;
    if (!task_.game.empty()) {
        k4export::gatherGameNames(task_.game, task_.gameLooseFiles, control, &game, &problems_);
    }
    std::vector<k4export::CheckedFile> files;
    const k4export::ScanResult result = k4export::scanTextures(task_.folder, control, &files);
    textureFolder_ = result != k4export::ScanResult::NoTextureFolder;
    if (result == k4export::ScanResult::Done) {
        k4export::checkTextures(files, task_.game.empty() ? nullptr : &game, &report_);
        progress_.store(report_.fileCount);
    }
}
