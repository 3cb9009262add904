// A debug logger writing to a file the test names, at TRACE unless told
// otherwise, whose file can be made unwritable on demand (the way a full disk
// or a removed folder fails every line) and writable again.
//
//   k4test::TestLog log(folder + "\\trace.txt");
//   Thing thing(log.get());
//   log.breakFile(true);   // every line now throws "K4CERR_LOG_IOERROR"
#pragma once

#include "foundation/k4clogfilename.h"
#include "foundation/k4clogger.h"
#include "tests/support/scratch.h"

#include <atomic>
#include <memory>
#include <string>

namespace k4test {

class TestLog {
public:
    explicit TestLog(const std::string& path, int32_t level = K4C_LOG_TRACE) : path_(path) {
        name_ = new Name(path, path + "-missing-folder\\unwritable.txt");
        logger_.reset(new K4CDebugLogger(name_));
        logger_->setLevel(level);
    }
    K4CDebugLogger* get() { return logger_.get(); }
    std::string text() { return readFile(path_); }
    bool has(const std::string& part) { return text().find(part) != std::string::npos; }
    // Lines go to a file in a folder that does not exist while broken.
    void breakFile(bool broken) { name_->broken = broken; }

private:
    class Name : public K4CLogFilename {
    public:
        Name(const std::string& good, const std::string& bad)
            : good_(good.c_str()), bad_(bad.c_str()) {}
        const K4CString& getFilename() override { return broken ? bad_ : good_; }
        std::atomic<bool> broken{false};

    private:
        K4CString good_;
        K4CString bad_;
    };
    std::string path_;
    Name* name_; // owned by the logger
    std::unique_ptr<K4CDebugLogger> logger_;
};

} // namespace k4test
