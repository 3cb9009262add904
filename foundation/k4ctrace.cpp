// The trace-and-throw helpers of k4ctrace.h.
#include "foundation/k4ctrace.h"

void k4cTraceThrow(K4CDebugLogger* logger, const char* code, const char* where, const void* self) {
    K4C_DEBUG(logger, "Throw %s from %s = %p", code, where, self);
    throw code;
}

void k4cTraceThrow(K4CDebugLogger* logger, const char* code, const char* where) {
    K4C_DEBUG(logger, "Throw %s from %s", code, where);
    throw code;
}
