// A full disk on demand (POSIX only): while a FileSizeLimit lives, no file of
// the process may grow past the given size; writes beyond it fail with EFBIG
// instead of raising SIGXFSZ, as writes to a full disk fail with ENOSPC.
// Pipes and terminals are not limited, so test output still flows.
#pragma once

#ifndef _WIN32

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace k4test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &old_), 0);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_;
    void (*oldHandler_)(int);
};

} // namespace k4test

#endif
