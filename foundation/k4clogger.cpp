// K4CLogger and K4CDebugLogger: formatting a line, getting the right file for
// it and writing it under the lock. Error codes leave only after the lock is
// released (K4CLockGuard), so a failed line never blocks other threads.
#include "foundation/k4clogger.h"

#include "foundation/errors.h"

#include <cstring>

namespace {

constexpr int32_t kTimestampSize = 20;

const char* const kLevelNames[] = {"TRACE\t",   "DEBUG\t", "INFO\t",
                                   "WARNING\t", "ERROR\t", "FATAL\t"};

} // namespace

K4CLogger::K4CLogger(K4CLogFilename* filenameSource)
    : filenameSource_(filenameSource), timestamps_(true), file_(nullptr) {
    if (filenameSource == nullptr) {
        throw K4CERR_LOG_ILLEGALARGUMENT;
    }
    currentFilename_.reset(new K4CString());
    segments_.reset(new K4CFormatSegments());
    message_.reset(new K4CString(1023));
    lock_.reset(new K4CWinCS());
}

K4CLogger::~K4CLogger() {
    lock_->enter();
    if (file_ != nullptr && std::fclose(file_) == 0) {
        currentFilename_->clear();
    }
    file_ = nullptr;
    lock_->leave();
}

void K4CLogger::formatTimestamp(char* out) {
    struct tm local;
    if (!k4cLocalTime(time(nullptr), &local) ||
        strftime(out, kTimestampSize, "%Y-%m-%d %H:%M", &local) == 0) {
        out[0] = 0;
    }
}

// Forgets the open file whether or not it closes cleanly.
void K4CLogger::closeFile() {
    FILE* file = file_;
    file_ = nullptr;
    currentFilename_->clear();
    if (std::fclose(file) != 0) {
        throw K4CERR_LOG_IOERROR;
    }
}

FILE* K4CLogger::getFile() {
    const K4CString& name = filenameSource_->getFilename();
    if (file_ != nullptr && !currentFilename_->equals(name.getText())) {
        closeFile();
    }
    if (file_ == nullptr) {
        file_ = k4p::openFile(name.getText(), "at");
        if (file_ == nullptr) {
            throw K4CERR_LOG_IOERROR;
        }
        currentFilename_->assign(name);
    }
    return file_;
}

void K4CLogger::writeLine(const char* stampSeparator, const char* prefix, const char* format,
                          va_list arguments) {
    K4CLockGuard guard(lock_.get());
    // The message is formatted first so that it is readable through
    // getMessage even when the line cannot be written.
    FILE* file = k4cOutOfMemoryAsError([&] {
        message_->clear();
        segments_->appendFormatted(message_.get(), format, arguments);
        return getFile();
    });
    bool failed = false;
    if (timestamps_) {
        char stamp[kTimestampSize];
        formatTimestamp(stamp);
        failed |= std::fputs(stamp, file) < 0 || std::fputs(stampSeparator, file) < 0;
    }
    failed |= std::fputs(prefix, file) < 0;
    failed |= std::fputs(message_->getText(), file) < 0 || std::fputc('\n', file) == EOF;
    failed |= std::fflush(file) != 0 || std::ferror(file) != 0;
    if (failed) {
        // Drop the broken stream: the next line opens the file afresh instead
        // of failing on the stream's sticky error state for the rest of the day.
        try {
            closeFile();
        } catch (const char*) {
        }
        throw K4CERR_LOG_IOERROR;
    }
}

void K4CLogger::log(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    try {
        writeLine("  ", "", format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

K4CDebugLogger::K4CDebugLogger(K4CLogFilename* filenameSource)
    : K4CLogger(filenameSource), level_(K4C_LOG_WARNING) {}

const char* K4CDebugLogger::levelName(int32_t level) {
    return level >= K4C_LOG_TRACE && level <= K4C_LOG_FATAL ? kLevelNames[level] : "";
}

void K4CDebugLogger::setLevel(int32_t level) {
    if (level < K4C_LOG_TRACE || level > K4C_LOG_FATAL) {
        throw K4CERR_LOG_ILLEGALARGUMENT;
    }
    level_.store(level, std::memory_order_relaxed);
}

void K4CDebugLogger::log(int32_t level, const char* format, ...) {
    if (!isEnabled(level)) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    try {
        writeLine("\t", levelName(level), format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

void K4CDebugLogger::logV(int32_t level, const char* format, va_list arguments) {
    if (isEnabled(level)) {
        writeLine("\t", levelName(level), format, arguments);
    }
}
