// A convert run onto a disk without room (a tiny tmpfs the test run mounts):
// each output is reported as not exported for that reason, none is left
// half-written or as a temporary file, and the file already there stays.
#include "tests/exportd3d/convert_test_support.h"
#include "tests/support/msgbox_watcher.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

using namespace converttest;

using ConvertDisk = ConvertTest;

// The names of the files in a folder.
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    k4test::walkTree(folder, [&](const std::string& path, bool) { names.insert(path); });
    return names;
}

TEST_F(ConvertDisk, AFullDiskIsSaidToBeOneAndNothingIsLeftHalfWritten) {
    const char* root = std::getenv("K4_TEST_TMP");
    ASSERT_NE(root, nullptr);
    const std::string disk = std::string(root) + "\\full-disk";
    if (k4p::fileExists((disk + "\\unavailable").c_str())) {
        GTEST_SKIP() << k4test::readFile(disk + "\\unavailable");
    }
    ASSERT_TRUE(k4p::fileExists((disk + "\\mounted").c_str())) << "full_disk.sh mounts " << disk;
    const std::string old(4096, 'o');
    k4test::writeFile(disk + "\\a.dds", old);
    // The rest of the disk filled, a kilobyte at a time.
    for (int i = 0, full = 0; !full; ++i) {
        FILE* filler = std::fopen((disk + "\\fill" + std::to_string(i)).c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::string chunk(1024, 'f');
        full = std::fwrite(chunk.data(), 1, chunk.size(), filler) != chunk.size() ||
               std::fflush(filler) != 0;
        full = std::fclose(filler) != 0 || full;
    }
    const std::set<std::string> before = namesIn(disk);

    writeImage("a.png", 64);
    writeImage("b.png", 64);
    K4QBTexMgrConvertWindow* cw = openConvert({"a.png", "b.png"}, "");
    cw->getOutputPanel()->setFileSystemFolder((disk + "\\").c_str());
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kTextures);
    choose(cw, K4QB_ID_BATCH_FORMAT, 3);
    StatusRecorder statuses(cw);
    k4test::MsgBoxWatcher yes(IDYES); // a.dds is there already
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(waitForStatus("Finished: 2 of 2 outputs could not be exported."));
    EXPECT_TRUE(statuses.saw("Could not export a.dds: disk full"));
    EXPECT_TRUE(statuses.saw("Could not export b.dds: disk full"));
    EXPECT_EQ(namesIn(disk), before) << "no output and no temporary file left";
    EXPECT_EQ(k4test::readFile(disk + "\\a.dds"), old);
    click(cw, K4QB_ID_CONVERT_START); // Stop
}

} // namespace
