// Where errors stop: the outermost frames of the program's threads.
//
// Failures travel as error codes, but the runtime may also throw (running out
// of memory throws std::bad_alloc). Nothing may leave a thread's function, a
// window procedure or a destructor, because that ends the program without a
// word and the settings are lost. So:
//   - the message loop's caller catches everything and reports it (k4qbstartup);
//   - a window procedure catches everything and hands it to the message loop
//     (K4QBAppWindow::keepPendingError);
//   - a worker thread runs its body through k4qbRunWorker, which catches
//     everything, logs it when it can and lets the worker stop in order;
//   - destructors and clear() trace with K4C_TRACE_NOTHROW.
#pragma once

#include <exception>

class K4CDebugLogger;

// The text that names an error: the code itself, "K4CERR_MEM_OUTOFMEMORY"
// for std::bad_alloc, else the exception's what(), else "unknown exception".
// Valid while `error` lives.
const char* k4qbErrorText(const std::exception_ptr& error) noexcept;

// Logs "(In <where>) Stopped by <error>" at ERROR, unless the line cannot be
// written either.
void k4qbLogWorkerStop(K4CDebugLogger* logger, const char* where,
                       const std::exception_ptr& error) noexcept;

// Runs a worker thread's body; nothing leaves. Returns false when an error
// stopped the body (it is logged as above).
template <typename Body>
bool k4qbRunWorker(K4CDebugLogger* logger, const char* where, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        k4qbLogWorkerStop(logger, where, std::current_exception());
        return false;
    }
}
