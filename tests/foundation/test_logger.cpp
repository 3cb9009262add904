// The debug log: file names, levels, line shapes, day roll-over, and lines
// that cannot be written, which must not block other threads.
#include "foundation/errors.h"
#include "foundation/k4clogger.h"
#include "tests/support/checks.h"
#include "tests/support/wait.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

// A file name whose clock the test sets.
class SteppedFilename : public K4CTimedFilename {
public:
    SteppedFilename(const char* folder, time_t start) : K4CTimedFilename(folder), now(start) {}
    std::atomic<time_t> now;

protected:
    time_t currentTime() override { return now; }
};

time_t localTime(int year, int month, int day, int hour, int minute) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

const time_t kMay14 = localTime(2008, 5, 14, 12, 0);

std::vector<std::string> lines(const std::string& path) {
    std::string text = k4test::readFile(path);
    std::vector<std::string> out;
    size_t start = 0;
    std::string eol = k4test::kEol;
    for (size_t end; (end = text.find(eol, start)) != std::string::npos; start = end + eol.size()) {
        out.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        out.push_back(text.substr(start) + "<unterminated>");
    }
    return out;
}

} // namespace

TEST(FoundationLogFilename, NameOfThePeriodInTheFolder) {
    for (const char* folder : {"C:\\app\\log", "C:\\app\\log\\"}) {
        EXPECT_STREQ(SteppedFilename(folder, kMay14).getFilename().getText(),
                     "C:\\app\\log\\texview-debug-2008-05-14.txt");
    }
}

TEST(FoundationLogger, LevelsFilterBeforeAnyFileIsMade) {
    EXPECT_THROWS_CODE(K4CDebugLogger logger(nullptr), K4CERR_LOG_ILLEGALARGUMENT);
    std::string folder = k4test::testFolder("foundation");
    K4CDebugLogger logger(new SteppedFilename(folder.c_str(), kMay14));
    EXPECT_EQ(logger.getLevel(), K4C_LOG_WARNING);
    for (int32_t bad : {6, -1}) {
        EXPECT_THROWS_CODE(logger.setLevel(bad), K4CERR_LOG_ILLEGALARGUMENT) << bad;
    }
    EXPECT_EQ(logger.getLevel(), K4C_LOG_WARNING);
    logger.log(K4C_LOG_TRACE, "trace %d", 1);
    logger.log(K4C_LOG_INFO, "info");
    EXPECT_TRUE(k4test::listTree(folder).empty());
    logger.log(K4C_LOG_WARNING, "warn %d", 2);
    EXPECT_EQ(k4test::listTree(folder).size(), 1u);
}

TEST(FoundationLogger, LineShapes) {
    std::string folder = k4test::testFolder("foundation");
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
    std::vector<std::string> written = lines(path);
    ASSERT_EQ(written.size(), 5u);
    const std::regex stamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d");
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::regex_match(written[i].substr(0, 16), stamp)) << written[i];
        written[i].erase(0, 16);
    }
    char nullPointer[32];
    std::snprintf(nullPointer, sizeof nullPointer, "%p", static_cast<void*>(nullptr));
    EXPECT_EQ(written,
              (std::vector<std::string>{std::string("\tTRACE\tEnter K4QBX::f(3) = ") + nullPointer,
                                        "\tERROR\tApplication error K4QBERR_APP_INITERROR",
                                        "  plain line", "\tno level name", "FATAL\tbare"}));
}

TEST(FoundationLogger, MovesToANewFileAfterMidnight) {
    std::string folder = k4test::testFolder("foundation");
    auto* name = new SteppedFilename(folder.c_str(), localTime(2008, 5, 14, 23, 59));
    K4CDebugLogger logger(name);
    logger.setTimestamps(false);
    logger.log(K4C_LOG_WARNING, "before midnight");
    name->now = localTime(2008, 5, 15, 0, 0);
    logger.log(K4C_LOG_WARNING, "after midnight");
    std::string first = folder + "\\texview-debug-2008-05-14.txt";
    EXPECT_EQ(lines(first), std::vector<std::string>{"WARNING\tbefore midnight"});
    EXPECT_EQ(lines(folder + "\\texview-debug-2008-05-15.txt"),
              std::vector<std::string>{"WARNING\tafter midnight"});
    // The old file is closed (Windows refuses to delete an open file).
    EXPECT_TRUE(k4p::removeFile(first.c_str()));
}

TEST(FoundationLogger, AnUnwritableLineThrowsAndReleasesTheLock) {
    std::string folder = k4test::testFolder("foundation");
    // The log folder's parent is a regular file: no line can be opened, even
    // for a user who may write anywhere.
    std::string blocker = folder + "\\not-a-folder";
    k4test::writeFile(blocker, "x");
    std::string logFolder = blocker + "\\log";
    K4CDebugLogger logger(new SteppedFilename(logFolder.c_str(), kMay14));
    // Had the first thread kept the lock, the second would wait until the
    // deadline.
    for (int line = 1; line <= 2; ++line) {
        const char* code = nullptr;
        k4test::TestThread([&] {
            code = k4test::thrownBy([&] { logger.log(K4C_LOG_ERROR, "line %d", line); });
        }).join();
        EXPECT_STREQ(code, K4CERR_LOG_IOERROR) << line;
    }
    EXPECT_STREQ(logger.getMessage(), "line 2");

    // Once the folder can be made, the next line opens the file again.
    ASSERT_TRUE(k4p::removeFile(blocker.c_str()));
    ASSERT_TRUE(k4p::createFolderTree(logFolder.c_str()));
    logger.setTimestamps(false);
    logger.log(K4C_LOG_ERROR, "three");
    EXPECT_EQ(lines(logFolder + "\\texview-debug-2008-05-14.txt"),
              std::vector<std::string>{"ERROR\tthree"});
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
    EXPECT_THROWS_CODE(logger.log(K4C_LOG_ERROR, "lost"), K4CERR_LOG_IOERROR);
    EXPECT_THROWS_CODE(logger.log(K4C_LOG_ERROR, "lost again"), K4CERR_LOG_IOERROR);
}
#endif

TEST(FoundationLogger, LinesFromManyThreadsNeverInterleave) {
    std::string folder = k4test::testFolder("foundation");
    auto* name = new SteppedFilename(folder.c_str(), kMay14);
    std::string path = name->getFilename().getText();
    const std::string padding(60, 'p');
    {
        K4CDebugLogger logger(name);
        logger.setTimestamps(false);
        std::vector<std::unique_ptr<k4test::TestThread>> threads;
        for (int t = 0; t < 4; ++t) {
            threads.push_back(std::make_unique<k4test::TestThread>([&, t] {
                for (int i = 0; i < 200; ++i) {
                    logger.log(K4C_LOG_WARNING, "thread %d line %d %s", t, i, padding.c_str());
                }
            }));
        }
    }
    // Every line whole and none lost.
    std::vector<std::string> written = lines(path), expected;
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 200; ++i) {
            expected.push_back("WARNING\tthread " + std::to_string(t) + " line " +
                               std::to_string(i) + " " + padding);
        }
    }
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
}
