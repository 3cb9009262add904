// Helpers of the foundation tests: the shared scratch and check helpers, a
// scratch folder of the foundation's own, and the line end of text mode.
#pragma once

#include "tests/support/checks.h"
#include "tests/support/scratch.h"

#include <string>

namespace k4test {

inline std::string scratchFolder() {
    return testFolder("foundation");
}

#ifdef _WIN32
inline constexpr const char* kEol = "\r\n";
#else
inline constexpr const char* kEol = "\n";
#endif

} // namespace k4test
