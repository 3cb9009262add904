// The debug log: level filtering, line shapes, file names, day roll-over,
// failures that must not block other threads.
#include "foundation/errors.h"
#include "foundation/k4clogger.h"
#include "test_support.h"

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

// A daily file name whose clock the test sets.
class SteppedFilename : public K4CTimedFilename {
public:
    SteppedFilename(const char* folder, time_t start, Period period = DAILY)
        : K4CTimedFilename(folder, period), now(start) {}
    std::atomic<time_t> now;

protected:
    time_t currentTime() override { return now; }
};

time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    std::string eol = k4test::kEol;
    for (size_t end; (end = text.find(eol, start)) != std::string::npos; start = end + eol.size()) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start) + "<unterminated>");
    }
    return lines;
}

template <typename F> void expectLogError(F operation) {
    try {
        operation();
        ADD_FAILURE() << "no error code thrown";
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_LOG_IOERROR)) << code;
    }
}

bool isTimestamp(const std::string& s) {
    const char* shape = "dddd-dd-dd dd:dd";
    if (s.size() != std::strlen(shape)) {
        return false;
    }
    for (size_t i = 0; i < s.size(); ++i) {
        if (shape[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

const time_t kMay14 = localTime(2008, 5, 14, 12, 0, 0);

} // namespace

TEST(FoundationLogFilename, DailyNameInTheFolder) {
    SteppedFilename daily("C:\\app\\log", kMay14);
    EXPECT_EQ(daily.getStampWidth(), 10);
    EXPECT_STREQ(daily.getFilename().getText(), "C:\\app\\log\\texview-debug-2008-05-14.txt");
    SteppedFilename slash("C:\\app\\log\\", kMay14);
    EXPECT_STREQ(slash.getFilename().getText(), "C:\\app\\log\\texview-debug-2008-05-14.txt");
    SteppedFilename bare("", kMay14);
    EXPECT_STREQ(bare.getFilename().getText(), "texview-debug-2008-05-14.txt");
    // Other periods get a placeholder of their own stamp's width.
    SteppedFilename monthly("log", kMay14, K4CTimedFilename::MONTHLY);
    EXPECT_STREQ(monthly.getFilename().getText(), "log\\texview-debug-2008-05.txt");
    SteppedFilename hourly("log", kMay14, K4CTimedFilename::HOURLY);
    EXPECT_STREQ(hourly.getFilename().getText(), "log\\texview-debug-2008-05-14-12.txt");
}

TEST(FoundationLogger, ConstructionAndLevels) {
    try {
        K4CDebugLogger logger(nullptr);
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_LOG_ILLEGALARGUMENT));
    }
    K4CDebugLogger logger(new SteppedFilename("", kMay14));
    EXPECT_EQ(logger.getLevel(), K4C_LOG_WARNING);
    for (int32_t bad : {6, -1}) {
        try {
            logger.setLevel(bad);
            ADD_FAILURE() << bad;
        } catch (const char* code) {
            EXPECT_TRUE(k4cIsError(code, K4CERR_LOG_ILLEGALARGUMENT));
        }
        EXPECT_EQ(logger.getLevel(), K4C_LOG_WARNING);
    }
    logger.setLevel(K4C_LOG_TRACE);
    EXPECT_EQ(logger.getLevel(), K4C_LOG_TRACE);
    logger.setLevel(K4C_LOG_FATAL);
    EXPECT_EQ(logger.getLevel(), K4C_LOG_FATAL);
}

TEST(FoundationLogger, LinesBelowTheLevelCreateNoFile) {
    std::string folder = k4test::scratchFolder();
    auto* name = new SteppedFilename(folder.c_str(), kMay14);
    std::string path = name->getFilename().getText();
    K4CDebugLogger logger(name);
    logger.log(K4C_LOG_TRACE, "trace %d", 1);
    logger.log(K4C_LOG_DEBUG, "debug %s", "x");
    logger.log(K4C_LOG_INFO, "info");
    EXPECT_FALSE(k4p::fileExists(path.c_str()));
    logger.log(K4C_LOG_WARNING, "warn %d", 2);
    EXPECT_TRUE(k4p::fileExists(path.c_str()));
}

TEST(FoundationLogger, LineShapes) {
    std::string folder = k4test::scratchFolder();
    auto* name = new SteppedFilename(folder.c_str(), kMay14);
    std::string path = name->getFilename().getText();
    {
        K4CDebugLogger logger(name);
        logger.setLevel(K4C_LOG_TRACE);
        logger.log(K4C_LOG_TRACE, "Enter K4QBX::f(%d) = %p", 3, static_cast<void*>(nullptr));
        logger.log(K4C_LOG_ERROR, "Application error %s", K4QBERR_APP_INITERROR);
        EXPECT_STREQ(logger.getMessage(), "Application error K4QBERR_APP_INITERROR");
        logger.log("plain %s", "line");
        logger.log(7, "no level name");
        logger.setTimestamps(false);
        logger.log(K4C_LOG_FATAL, "bare");
    }
    std::vector<std::string> lines = splitLines(k4test::readFile(path));
    ASSERT_EQ(lines.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(isTimestamp(lines[i].substr(0, 16))) << lines[i];
    }
    char nullPointer[32];
    std::snprintf(nullPointer, sizeof nullPointer, "%p", static_cast<void*>(nullptr));
    EXPECT_EQ(lines[0].substr(16), std::string("\tTRACE\tEnter K4QBX::f(3) = ") + nullPointer);
    EXPECT_EQ(lines[1].substr(16), "\tERROR\tApplication error K4QBERR_APP_INITERROR");
    EXPECT_EQ(lines[2].substr(16), "  plain line");
    EXPECT_EQ(lines[3].substr(16), "\tno level name");
    EXPECT_EQ(lines[4], "FATAL\tbare");
}

TEST(FoundationLogger, MovesToANewFileAfterMidnight) {
    std::string folder = k4test::scratchFolder();
    auto* name = new SteppedFilename(folder.c_str(), localTime(2008, 5, 14, 23, 59, 0));
    K4CDebugLogger logger(name);
    logger.log(K4C_LOG_WARNING, "before midnight");
    name->now = localTime(2008, 5, 15, 0, 0, 0);
    logger.log(K4C_LOG_WARNING, "after midnight");
    std::string first = folder + "\\texview-debug-2008-05-14.txt";
    std::string second = folder + "\\texview-debug-2008-05-15.txt";
    std::vector<std::string> a = splitLines(k4test::readFile(first));
    std::vector<std::string> b = splitLines(k4test::readFile(second));
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].substr(16), "\tWARNING\tbefore midnight");
    EXPECT_EQ(b[0].substr(16), "\tWARNING\tafter midnight");
    // The old file is closed (Windows refuses to delete an open file).
    EXPECT_TRUE(k4p::removeFile(first.c_str()));
}

TEST(FoundationLogger, AnUnwritableLineThrowsAndReleasesTheLock) {
    std::string folder = k4test::scratchFolder();
    // The log folder's parent is a regular file: no line can be opened, even
    // for a user who may write anywhere.
    std::string blocker = folder + "\\not-a-folder";
    k4test::writeFile(blocker, "x");
    std::string logFolder = blocker + "\\log";
    K4CDebugLogger logger(new SteppedFilename(logFolder.c_str(), kMay14));

    std::thread first([&] { expectLogError([&] { logger.log(K4C_LOG_ERROR, "one %d", 1); }); });
    first.join();
    // Had the first thread kept the lock, this one would wait forever.
    std::thread second([&] { expectLogError([&] { logger.log(K4C_LOG_ERROR, "two"); }); });
    second.join();
    EXPECT_STREQ(logger.getMessage(), "two");
    expectLogError([&] { logger.log("three"); });

    // Once the folder can be made, the next line opens the file again.
    ASSERT_TRUE(k4p::removeFile(blocker.c_str()));
    ASSERT_TRUE(k4p::createFolder(blocker.c_str()));
    ASSERT_TRUE(k4p::createFolder(logFolder.c_str()));
    logger.log(K4C_LOG_ERROR, "four");
    std::vector<std::string> lines =
        splitLines(k4test::readFile(logFolder + "\\texview-debug-2008-05-14.txt"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(16), "\tERROR\tfour");
}

#ifndef _WIN32
TEST(FoundationLogger, AFailedWriteIsReportedAndRetried) {
    // A device that accepts the open and refuses every write.
    class FullDevice : public K4CLogFilename {
    public:
        const K4CString& getFilename() override { return name_; }

    private:
        K4CString name_{"\\dev\\full"};
    };
    if (!k4p::fileExists("\\dev\\full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    K4CDebugLogger logger(new FullDevice());
    expectLogError([&] { logger.log(K4C_LOG_ERROR, "lost"); });
    expectLogError([&] { logger.log(K4C_LOG_ERROR, "lost again"); });
}
#endif

TEST(FoundationLogger, LinesFromManyThreadsNeverInterleave) {
    std::string folder = k4test::scratchFolder();
    auto* name = new SteppedFilename(folder.c_str(), kMay14);
    std::string path = name->getFilename().getText();
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    {
        K4CDebugLogger logger(name);
        logger.setTimestamps(false);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&logger, t] {
                for (int i = 0; i < kLines; ++i) {
                    logger.log(K4C_LOG_WARNING, "thread %d line %d %s", t, i,
                               "padding-padding-padding-padding-padding-padding");
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    std::vector<std::string> lines = splitLines(k4test::readFile(path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        int t = -1;
        int i = -1;
        char tail[64] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "WARNING\tthread %d line %d %63s", &t, &i, tail), 3)
            << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(i, next[t]++) << line; // each thread's lines in its own order
        EXPECT_STREQ(tail, "padding-padding-padding-padding-padding-padding");
    }
}
