// Naming any exception, and the last words of a worker thread.
#include "shell/k4qberrorboundary.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"

#include <new>

const char* k4qbErrorText(const std::exception_ptr& error) noexcept {
    if (!error) {
        return "unknown exception";
    }
    try {
        std::rethrow_exception(error);
    } catch (const char* code) {
        return code != nullptr ? code : "unknown exception";
    } catch (const std::bad_alloc&) {
        return K4CERR_MEM_OUTOFMEMORY; // named as the code the rest of the program uses
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "unknown exception";
    }
}

void k4qbLogWorkerStop(K4CDebugLogger* logger, const char* where,
                       const std::exception_ptr& error) noexcept {
    K4C_LOGAT_NOTHROW(logger, K4C_LOG_ERROR, "(In %s) Stopped by %s", where, k4qbErrorText(error));
}
