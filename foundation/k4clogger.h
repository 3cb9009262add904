// The debug log: K4CLogger writes formatted lines to the file its file-name
// source names (switching files when the name changes, e.g. after midnight);
// K4CDebugLogger adds levels and drops lines below its minimum level before
// doing any work.
//
// Every line is written and flushed under a recursive lock, so lines from
// different threads never interleave. A line that cannot be written (open,
// write, flush or close failure) throws "K4CERR_LOG_IOERROR" after the lock is
// left; the next line tries to open the file again. The logger does not create
// the log folder. Running out of memory for a line throws
// "K4CERR_MEM_OUTOFMEMORY", also after the lock is left.
//
// Callers trace through a possibly null pointer:
//   if (logger) logger->log(K4C_LOG_TRACE, "Enter K4QBX::doIt(%d) = %p", n, this);
#pragma once

#include "foundation/k4cformat.h"
#include "foundation/k4clock.h"
#include "foundation/k4clogfilename.h"
#include "foundation/k4cstring.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>

inline constexpr int32_t K4C_LOG_TRACE = 0;
inline constexpr int32_t K4C_LOG_DEBUG = 1;
inline constexpr int32_t K4C_LOG_INFO = 2;
inline constexpr int32_t K4C_LOG_WARNING = 3;
inline constexpr int32_t K4C_LOG_ERROR = 4;
inline constexpr int32_t K4C_LOG_FATAL = 5;

class K4CLogger {
public:
    // Takes ownership of the source; null throws "K4CERR_LOG_ILLEGALARGUMENT".
    // No file is opened yet.
    explicit K4CLogger(K4CLogFilename* filenameSource);
    virtual ~K4CLogger();
    K4CLogger(const K4CLogger&) = delete;
    K4CLogger& operator=(const K4CLogger&) = delete;

    // "%Y-%m-%d %H:%M" in local time into `out` (at least 20 characters).
    virtual void formatTimestamp(char* out);
    // A line without level: time stamp, two spaces, message.
    virtual void log(const char* format, ...) K4C_PRINTF(2, 3);

    // The text of the last formatted message, without time stamp and level.
    // Read it on the thread that logged, or while no other thread logs.
    const char* getMessage() const { return message_->getText(); }
    void setTimestamps(bool on) { timestamps_ = on; }
    bool getTimestamps() const { return timestamps_; }

protected:
    // Writes one line under the lock: [stamp + separator] [prefix] message.
    void writeLine(const char* stampSeparator, const char* prefix, const char* format,
                   va_list arguments);

private:
    FILE* getFile();
    void closeFile();

    std::unique_ptr<K4CLogFilename> filenameSource_;
    bool timestamps_;
    std::unique_ptr<K4CString> currentFilename_;
    FILE* file_;
    std::unique_ptr<K4CCriticalSection> lock_;
    std::unique_ptr<K4CFormatSegments> segments_;
    std::unique_ptr<K4CString> message_;
};

class K4CDebugLogger : public K4CLogger {
public:
    explicit K4CDebugLogger(K4CLogFilename* filenameSource);

    using K4CLogger::log;
    // Written when level >= the minimum level: stamp, tab, level name and
    // tab, message.
    virtual void log(int32_t level, const char* format, ...) K4C_PRINTF(3, 4);
    // The same with the arguments already gathered (for wrappers).
    void logV(int32_t level, const char* format, va_list arguments);

    // 0 (TRACE) to 5 (FATAL); anything else throws
    // "K4CERR_LOG_ILLEGALARGUMENT" and keeps the level.
    void setLevel(int32_t level);
    int32_t getLevel() const { return level_.load(std::memory_order_relaxed); }
    // True when a line of this level would be written.
    bool isEnabled(int32_t level) const { return level >= getLevel(); }

    // "TRACE\t" ... "FATAL\t", or "" outside 0 to 5.
    static const char* levelName(int32_t level);

private:
    // Set by the user-interface thread, read by any thread before its lock.
    std::atomic<int32_t> level_;
};
