// Tracing helpers of the shell classes: the content classes' TRACE and DEBUG
// shapes plus a line at any level. A null logger means nothing is logged.
#pragma once

#include "content/content_log.h"

#define K4QB_LOGAT(logger, level, ...)                                                             \
    do {                                                                                           \
        if (logger) {                                                                              \
            (logger)->log((level), __VA_ARGS__);                                                   \
        }                                                                                          \
    } while (0)
