// Scratch folders, file helpers and a trace logger for the content tests.
// Paths are written the Windows way and go through the platform seam, so the
// same tests run natively and under Wine.
#pragma once

#include "foundation/k4clogger.h"
#include "foundation/k4cstring.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"
#include "tools/pakwriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace k4ctest {

// An empty folder of its own for the running test, below K4_TEST_TMP.
std::string scratchFolder();
using k4test::readFile;
using k4test::removeTree;
using k4test::writeFile;
// Every file below a folder, as paths relative to it with backslashes, sorted.
std::vector<std::string> listTree(const std::string& folder);

std::vector<uint8_t> bytes(const std::string& text);
std::string text(const std::vector<uint8_t>& bytes);

// Writes the archive and gives it a modification time.
void writePak(const K4QBPakWriter& writer, const std::string& path, int64_t time = 1500000000,
              K4QBPakLayout* layout = nullptr);

// The error code a call throws, or null when it throws nothing.
const char* thrownBy(const std::function<void()>& call);

// Expects the statement to throw exactly this error code; takes "<<" notes.
#define EXPECT_THROWS_CODE(statement, code)                                                        \
    EXPECT_STREQ(::k4ctest::thrownBy([&] { statement; }), code)

// A debug logger at TRACE writing into a file, so that the traced paths run
// and their lines can be checked.
class TraceLog {
public:
    explicit TraceLog(const std::string& path);
    ~TraceLog();
    K4CDebugLogger* get() { return logger_; }
    std::string contents() const;
    // True when a line's message (after time stamp and level) starts with
    // `start` and holds `part` somewhere behind it.
    bool hasLine(const std::string& start, const std::string& part = "") const;

private:
    std::string path_;
    K4CDebugLogger* logger_;
};

} // namespace k4ctest
