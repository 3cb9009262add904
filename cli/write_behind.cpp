#include "cli/write_behind.h"

#include <system_error>
#include <utility>

namespace qbtex {

WriteBehind::WriteBehind() {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread: write() writes at once.
    }
}

WriteBehind::~WriteBehind() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            closing_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void WriteBehind::write(std::string path, std::vector<uint8_t> bytes, Done done) {
    if (!thread_.joinable()) {
        writeNow(path, bytes, done);
        return;
    }
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !pending_; });
    path_ = std::move(path);
    bytes_ = std::move(bytes);
    done_ = std::move(done);
    pending_ = true;
    hold.unlock();
    changed_.notify_all();
}

void WriteBehind::finish() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !pending_; });
}

void WriteBehind::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] { return pending_ || closing_; });
        if (!pending_) {
            return;
        }
        const std::string path = std::move(path_);
        const std::vector<uint8_t> bytes = std::move(bytes_);
        const Done done = std::move(done_);
        hold.unlock();
        writeNow(path, bytes, done);
        hold.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

void WriteBehind::writeNow(const std::string& path, const std::vector<uint8_t>& bytes,
                           const Done& done) {
    k4p::WriteError error = k4p::WriteError::None;
    bool written = false;
    try {
        written = k4p::writeFileAtomic(path.c_str(), bytes.data(), bytes.size(), &error);
    } catch (...) {
        // Not written (out of memory): said so below.
    }
    try {
        done(written, error);
    } catch (...) {
        // The caller's bookkeeping failed (out of memory); the file stands.
    }
}

} // namespace qbtex
