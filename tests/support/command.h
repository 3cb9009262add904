// Runs a qbtex command in-process with its arguments and captures what it
// prints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k4test {

struct CommandRun {
    int status;
    std::string out, err;
};

inline CommandRun runCommand(int (*command)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(&arg[0]);
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = command(static_cast<int>(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    return CommandRun{status, out, testing::internal::GetCapturedStderr()};
}

} // namespace k4test
