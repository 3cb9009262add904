// Tracing through an optional debug logger, for every layer of the program.
//
// Each class keeps a K4CDebugLogger pointer; a null logger means nothing is
// logged, and lines below the logger's level cost one comparison inside log().
// A line that cannot be written throws "K4CERR_LOG_IOERROR" (k4clogger.h):
// use K4C_TRACE_NOTHROW where no code may leave (destructors, clear(),
// worker threads' last words).
#pragma once

#include "foundation/k4clogger.h"

#define K4C_LOGAT(logger, level, ...)                                                              \
    do {                                                                                           \
        if (logger) {                                                                              \
            (logger)->log((level), __VA_ARGS__);                                                   \
        }                                                                                          \
    } while (0)

#define K4C_TRACE(logger, ...) K4C_LOGAT(logger, K4C_LOG_TRACE, __VA_ARGS__)
#define K4C_DEBUG(logger, ...) K4C_LOGAT(logger, K4C_LOG_DEBUG, __VA_ARGS__)

// A line whose failure is dropped: for places that must not throw.
#define K4C_LOGAT_NOTHROW(logger, level, ...)                                                      \
    do {                                                                                           \
        try {                                                                                      \
            K4C_LOGAT(logger, level, __VA_ARGS__);                                                 \
        } catch (...) {                                                                            \
        }                                                                                          \
    } while (0)

#define K4C_TRACE_NOTHROW(logger, ...) K4C_LOGAT_NOTHROW(logger, K4C_LOG_TRACE, __VA_ARGS__)

// Logs "Throw <code> from <where> = <self>" at DEBUG, then throws the code.
// Without `self` (static functions) the line ends after the method's name.
// When the line itself cannot be written, the logger's code is thrown
// instead, as from any other trace line.
[[noreturn]] void k4cTraceThrow(K4CDebugLogger* logger, const char* code, const char* where,
                                const void* self);
[[noreturn]] void k4cTraceThrow(K4CDebugLogger* logger, const char* code, const char* where);
