// Helpers of the content tests: scratch folders and archives, the install
// location in the registry, and a trace logger whose lines can be checked.
// Paths are written the Windows way and go through the platform seam, so the
// same tests run natively and under Wine.
#pragma once

#include "foundation/k4clogger.h"
#include "tests/support/checks.h"
#include "tests/support/scratch.h"
#include "tools/pakwriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class K4QBFileList;

namespace k4ctest {

// An empty folder of its own for the running test.
inline std::string scratchFolder() {
    return k4test::testFolder("content");
}

inline std::vector<uint8_t> bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// "name@folder" for each entry of a file list, in list order.
std::string listed(const K4QBFileList& list);

// Writes the archive and gives it a modification time.
void writePak(const K4QBPakWriter& writer, const std::string& path, int64_t time = 1500000000);

// The game's install location as the registry tells it; null: not installed.
// Unless told otherwise, what the program read before is forgotten.
void setInstallPath(const char* path, bool forget = true);

// A debug logger at TRACE writing into a file.
class TraceLog {
public:
    explicit TraceLog(const std::string& path);
    K4CDebugLogger* get() { return logger_.get(); }
    // The messages of the lines written so far (without time stamp and level).
    std::vector<std::string> messages() const;

private:
    std::string path_;
    std::unique_ptr<K4CDebugLogger> logger_;
};

} // namespace k4ctest
