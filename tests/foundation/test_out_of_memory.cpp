// Running out of memory anywhere while loading or saving settings, growing a map or
// logging a line: the error code K4CERR_MEM_OUTOFMEMORY and no leak.
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4clogger.h"
#include "foundation/k4qbinifile.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/checks.h"

#include <memory>
#include <string>

TEST(FoundationOutOfMemory, LoadingSettings) {
    std::string path = k4test::testFolder("foundation") + "\\k4-qb-texmgr.ini";
    std::string text = "version = 2\n";
    for (int g = 0; g < 20; ++g) {
        text += "[Group " + std::to_string(g) + "]\n";
        for (int k = 0; k < 20; ++k) {
            text += "Key" + std::to_string(k) + " = " + std::string(k * 10, 'v') + "\n";
        }
    }
    k4test::writeFile(path, text);
    long allocations = k4test::failEachAllocation(
        [&] { std::unique_ptr<K4QBIniFile> settings(K4QBIniFile::load(path.c_str())); });
    EXPECT_GT(allocations, 800);
}

TEST(FoundationOutOfMemory, SavingSettingsKeepsTheOldFile) {
    std::string folder = k4test::testFolder("foundation");
    std::string path = folder + "\\k4-qb-texmgr.ini";
    K4QBIniFile settings;
    settings.addGroup("window")->setInt("left", 10);
    // Out of memory, or a failed write when the paths of the final move
    // cannot be made: either way the old file stays whole and nothing is
    // left beside it.
    long allocations = k4test::failEachAllocation(
        [&] { settings.save(path.c_str()); },
        [&](long) {
            const std::string text = k4test::readFile(path);
            EXPECT_TRUE(text == "old" || text.find("left = 10") != std::string::npos) << text;
            EXPECT_EQ(k4test::listTree(folder).size(), 1u);
            k4test::writeFile(path, "old");
        },
        nullptr);
    EXPECT_GT(allocations, 3);
}

TEST(FoundationOutOfMemory, GrowingAMapKeepsIt) {
    std::vector<std::string> keys;
    for (int i = 0; i < 200; ++i) {
        keys.push_back("key" + std::to_string(i));
    }
    k4test::failEachAllocation([&] {
        k4cOutOfMemoryAsError([&] {
            K4CHashMap map;
            for (size_t i = 0; i < keys.size(); ++i) {
                map.put(keys[i].c_str(), &keys[i]);
            }
            for (size_t i = 0; i < keys.size(); ++i) {
                if (map.get(keys[i].c_str()) != &keys[i]) {
                    throw "lost a key";
                }
            }
        });
    });
}

TEST(FoundationOutOfMemory, MakingALoggerAndLoggingALine) {
    std::string folder = k4test::testFolder("foundation");
    std::string longText(5000, 'x'); // longer than the message buffer
    k4test::failEachAllocation([&] {
        k4cOutOfMemoryAsError([&] {
            K4CDebugLogger logger(new K4CTimedFilename(folder.c_str()));
            logger.log(K4C_LOG_ERROR, "%s", longText.c_str());
        });
    });
}
