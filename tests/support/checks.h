// What tests check after an operation: the error code it threw and the files
// it left behind.
#pragma once

#include "tests/support/scratch.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace k4test {

// The error code a call throws, or null when it throws none.
inline const char* thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const char* code) {
        return code;
    }
    return nullptr;
}

// Expects the statement to throw exactly this error code; takes "<<" notes.
#define EXPECT_THROWS_CODE(statement, code)                                                        \
    EXPECT_STREQ(::k4test::thrownBy([&] { statement; }), code)

// Every file below a folder, as paths relative to it with backslashes, sorted.
inline std::vector<std::string> listTree(const std::string& folder) {
    std::vector<std::string> files;
    walkTree(folder, [&](const std::string& path, bool directory) {
        if (!directory) {
            files.push_back(path);
        }
    });
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace k4test
