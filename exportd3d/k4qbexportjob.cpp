// K4QBExportJob: the batch export worker (see k4qbexportjob.h).
#include "exportd3d/k4qbexportjob.h"

#include "codec/status.h"
#include "content/file_list.h"
#include "export/output_paths.h"
#include "exportd3d/k4qbtexturesave.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbthread.h"
#include "textures/k4qbtexturecache.h"

#include <cstdarg>
#include <new>

using k4export::PlannedOutput;

namespace {

constexpr const char* kReplaceQuestion =
    "One or more output files already exist!\r\nIs it OK to replace them?";
constexpr const char* kReplaceTitle = "Warning";
// How long "Done!" shows before the window is told to close.
constexpr uint32_t kDoneShownMs = 1000;

std::atomic<uint32_t> nextSerial{1};

} // namespace

K4QBExportJob::K4QBExportJob(K4QBAppWindow* appWindow, K4QBTextureCache* cache, HWND window,
                             const k4export::ExportRun& run, K4CDebugLogger* logger)
    : appWindow_(appWindow), cache_(cache), window_(window), folder_(run.settings.folder),
      installPath_(run.settings.installPath), fileName_(run.settings.fileName), run_(run),
      serial_(nextSerial.fetch_add(1)), thread_(nullptr), running_(false), finished_(false),
      failed_(0), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBExportJob(%p, %p, %p) = %p", (void*)appWindow,
              (void*)cache, (void*)window, (void*)this);
    run_.settings.folder = folder_.getText();
    run_.settings.installPath =
        run.settings.installPath != nullptr ? installPath_.getText() : nullptr;
    run_.settings.fileName = fileName_.getText();
    K4C_TRACE(logger_, "Exit constructor K4QBExportJob = %p", (void*)this);
}

K4QBExportJob::~K4QBExportJob() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBExportJob = %p", (void*)this);
    stop();
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBExportJob = %p", (void*)this);
}

void K4QBExportJob::start() {
    K4C_TRACE(logger_, "Enter K4QBExportJob::start = %p", (void*)this);
    k4export::planExport(run_, &plan_);
    k4export::prepareOutputFolders(run_.settings);
    if (!confirmOverwrite()) {
        k4cTraceThrow(logger_, K4QBERR_TEXMGR_USERCANCELLED, "K4QBExportJob::start", (void*)this);
    }
    running_.store(true);
    thread_ = k4qbStartThread(threadMain, this);
    if (thread_ == nullptr) {
        running_.store(false);
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBExportJob::start", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBExportJob::start = %p", (void*)this);
}

void K4QBExportJob::stop() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBExportJob::stop = %p", (void*)this);
    running_.store(false);
    k4qbEndThread(&thread_); // the worker never waits for this thread
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBExportJob::stop = %p", (void*)this);
}

bool K4QBExportJob::confirmOverwrite() {
    K4C_TRACE(logger_, "Enter K4QBExportJob::confirmOverwrite = %p", (void*)this);
    std::vector<int32_t> existing;
    k4export::findExistingOutputs(plan_, &existing);
    bool confirmed = existing.empty() ||
                     MessageBoxA(window_, kReplaceQuestion, kReplaceTitle, MB_YESNO) == IDYES;
    K4C_TRACE(logger_, "Return %d from K4QBExportJob::confirmOverwrite = %p", confirmed ? 1 : 0,
              (void*)this);
    return confirmed;
}

bool K4QBExportJob::takeStatus(K4CString* text, bool* disableStart) {
    std::lock_guard<std::mutex> hold(statusLock_);
    if (statuses_.empty()) {
        return false;
    }
    text->assign(statuses_.front().text);
    *disableStart = statuses_.front().disableStart;
    statuses_.pop_front();
    return true;
}

void K4QBExportJob::setStatus(bool disableStart, const char* format, ...) {
    Status status = {K4CString(), disableStart};
    va_list arguments;
    va_start(arguments, format);
    status.text.appendFormatV(format, arguments);
    va_end(arguments);
    {
        std::lock_guard<std::mutex> hold(statusLock_);
        statuses_.push_back(status);
    }
    // Posted, never sent: the window thread may be waiting for this worker.
    PostMessageA(window_, K4QB_WM_EXPORT_STATUS, serial_, 0);
}

unsigned __stdcall K4QBExportJob::threadMain(void* context) {
    K4QBExportJob* job = static_cast<K4QBExportJob*>(context);
    if (!k4qbRunWorker(job->logger_, "K4QBExportJob::run", [job] { job->run(); })) {
        try {
            job->setStatus(false, "The conversion stopped after an error (see the log).");
        } catch (...) {
            // Nothing more to tell with.
        }
    }
    job->finished_.store(true);
    return 0;
}

void K4QBExportJob::run() {
    K4C_TRACE(logger_, "Enter K4QBExportJob::run = %p", (void*)this);
    const std::vector<PlannedOutput>& outputs = plan_.outputs;
    bool waiting = false;
    for (size_t at = 0; running_.load() && at < outputs.size();) {
        const Outcome outcome = exportOutput(at);
        const PlannedOutput& output = outputs[at];
        if (outcome == Outcome::kNoDevice) {
            if (!waiting) {
                setStatus(false, "Waiting for the display device...");
                waiting = true;
            }
        } else {
            waiting = false;
            if (outcome == Outcome::kFailed || outcome == Outcome::kDiskFull) {
                failed_.fetch_add(1);
                setStatus(false, "Could not export %s%s", output.name.getText(),
                          outcome == Outcome::kDiskFull ? ": disk full" : "");
            } else if (running_.load() && output.thumbnail) {
                setStatus(false, "Thumbnail exported\r\n%s", output.name.getText());
            } else if (running_.load()) {
                setStatus(false, "File %d of %d exported\r\n%s", output.output + 1,
                          plan_.outputCount, output.name.getText());
            }
            // A file's own thumbnail was written with it.
            ++at;
            at +=
                at < outputs.size() && outputs[at].thumbnail && outputs[at].output == output.output
                    ? 1
                    : 0;
        }
        k4p::sleepMs(1);
    }
    if (running_.load()) {
        finish();
    }
    K4C_TRACE(logger_, "Exit K4QBExportJob::run = %p", (void*)this);
}

void K4QBExportJob::finish() {
    const int32_t failed = failed_.load();
    if (failed > 0) {
        // The window stays, so that the user can read what went wrong.
        int32_t total = 0;
        for (const PlannedOutput& output : plan_.outputs) {
            total += !output.thumbnail || output.output == plan_.outputCount ? 1 : 0;
        }
        setStatus(false, "Finished: %d of %d outputs could not be exported.", failed, total);
        return;
    }
    setStatus(true, "Done!");
    for (uint32_t waited = 0; waited < kDoneShownMs && running_.load(); waited += 10) {
        k4p::sleepMs(10);
    }
    if (running_.load()) {
        PostMessageA(window_, K4QB_WM_EXPORT_DONE, serial_, 0);
    }
}

IDirect3DTexture9* K4QBExportJob::sourceTexture(int32_t index) {
    const K4QBFileList& files = *run_.settings.files;
    return files.getSource(index) == nullptr
               ? cache_->getFromFolder(files.getName(index), files.getFolder(index))
               : cache_->getFromQuellbury(files.getName(index), files.getFolder(index));
}

HRESULT K4QBExportJob::write(IDirect3DTexture9* texture, const PlannedOutput& output,
                             const k4export::SourceDesc& source) {
    const k4export::OutputSize size = k4export::plannedSize(run_, output, source);
    const k4export::Format format = k4export::plannedFormat(run_, output, source);
    HRESULT result = D3DERR_INVALIDCALL;
    if (output.path.getLength() > 0) {
        convertTexture(texture, size.width, size.height, output.bandAspect, output.levelCount,
                       static_cast<D3DFORMAT>(format), output.path.getText(), logger_, &result);
    }
    return result;
}

K4QBExportJob::Outcome K4QBExportJob::exportOutput(size_t at) {
    K4C_TRACE(logger_, "Enter K4QBExportJob::exportOutput(%u) = %p", (unsigned)at, (void*)this);
    K4QBD3DUse use(appWindow_);
    if (use.device() == nullptr) {
        K4C_TRACE(logger_, "Return no device from K4QBExportJob::exportOutput = %p", (void*)this);
        return Outcome::kNoDevice;
    }
    const PlannedOutput& output = plan_.outputs[at];
    const PlannedOutput* thumbnail = !output.thumbnail && at + 1 < plan_.outputs.size() &&
                                             plan_.outputs[at + 1].thumbnail &&
                                             plan_.outputs[at + 1].output == output.output
                                         ? &plan_.outputs[at + 1]
                                         : nullptr;
    HRESULT result = E_FAIL;
    const char* failure = "not written";
    try {
        IDirect3DTexture9* texture = sourceTexture(output.source);
        D3DSURFACE_DESC desc;
        if (texture != nullptr && SUCCEEDED(texture->GetLevelDesc(0, &desc))) {
            const k4export::SourceDesc source = {desc.Width, desc.Height,
                                                 static_cast<k4export::Format>(desc.Format)};
            result = write(texture, output, source);
            if (result == S_OK && thumbnail != nullptr &&
                write(texture, *thumbnail, source) != S_OK) {
                K4C_LOGAT(logger_, K4C_LOG_WARNING,
                          "(In K4QBExportJob::exportOutput) Thumbnail %s not written",
                          thumbnail->path.getText());
            }
        }
    } catch (const char* code) {
        failure = code; // the cache's, e.g. a source that cannot be loaded
    } catch (const std::bad_alloc&) {
        failure = K4CERR_MEM_OUTOFMEMORY;
    }
    const bool written = result == S_OK;
    Outcome outcome = written                        ? Outcome::kWritten
                      : result == k4codec::kDiskFull ? Outcome::kDiskFull
                                                     : Outcome::kFailed;
    if (!written && use.device()->TestCooperativeLevel() != D3D_OK) {
        outcome = Outcome::kNoDevice; // lost while drawing: tried again once it is back
    } else if (!written) {
        K4C_LOGAT(logger_, K4C_LOG_WARNING, "(In K4QBExportJob::exportOutput) %s: %s",
                  output.name.getText(), failure);
    }
    K4C_TRACE(logger_, "Return %d from K4QBExportJob::exportOutput = %p", (int)outcome,
              (void*)this);
    return outcome;
}
