// Tracing helpers of the content classes. Each class keeps an optional
// K4CDebugLogger pointer; a null logger means nothing is logged, and lines
// below the logger's level cost one comparison inside log().
#pragma once

#include "foundation/k4clogger.h"

#define K4QB_TRACE(logger, ...)                                                                    \
    do {                                                                                           \
        if (logger) {                                                                              \
            (logger)->log(K4C_LOG_TRACE, __VA_ARGS__);                                             \
        }                                                                                          \
    } while (0)

#define K4QB_DEBUG(logger, ...)                                                                    \
    do {                                                                                           \
        if (logger) {                                                                              \
            (logger)->log(K4C_LOG_DEBUG, __VA_ARGS__);                                             \
        }                                                                                          \
    } while (0)

// For destructors: a log line that cannot be written must not end the program
// (a destructor cannot pass an error code on), so its failure is dropped.
#define K4QB_TRACE_DTOR(logger, ...)                                                               \
    do {                                                                                           \
        try {                                                                                      \
            K4QB_TRACE(logger, __VA_ARGS__);                                                       \
        } catch (const char*) {                                                                    \
        }                                                                                          \
    } while (0)
