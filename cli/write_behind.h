// A file written on a thread of its own while the caller makes the next
// one: every file is flushed to the disk before it replaces its target, and
// a worker that waited for that would leave its core idle (on a slow disk
// for longer than the file took to make).
#pragma once

#include "platform/platform.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qbtex {

class WriteBehind {
public:
    // Runs on the writer's thread once the file is written (or not).
    using Done = std::function<void(bool written, k4p::WriteError error)>;

    WriteBehind();
    // Waits for the file being written. Never throws.
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Waits until the file handed over before is written, then hands this
    // one over; written at once where the writer's thread could not start.
    void write(std::string path, std::vector<uint8_t> bytes, Done done);
    // Waits until the file handed over is written.
    void finish();

private:
    void run();
    static void writeNow(const std::string& path, const std::vector<uint8_t>& bytes,
                         const Done& done);

    std::mutex lock_;
    std::condition_variable changed_;
    bool pending_ = false; // guarded by lock_, with the three below
    bool closing_ = false;
    std::string path_;
    std::vector<uint8_t> bytes_;
    Done done_;
    std::thread thread_;
};

} // namespace qbtex
