// The platform seam must behave the same in both builds: Windows wildcard
// rules, listings with "." and "..", folders and atomic replacement. Registry
// strings are checked through their reader in the foundation tests.
#include "platform/platform.h"
#include "tests/support/file_limit.h"
#include "tests/support/scratch.h"

#include <algorithm>
#include <set>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

std::set<std::string> list(const std::string& pattern) {
    std::set<std::string> names;
    k4p::FolderListing listing;
    if (!listing.open(pattern.c_str())) {
        return names;
    }
    k4p::FindItem item;
    while (listing.next(&item)) {
        names.insert(std::string(item.name) + (item.directory ? "/" : ""));
    }
    return names;
}

} // namespace

TEST(PlatformListing, ListsMatchesWithDotEntriesAndFlags) {
    std::string folder = k4test::testFolder("platform");
    k4test::writeFile(folder + "\\Brick.DDS", "x");
    k4test::writeFile(folder + "\\stone.tga", "yy");
    k4test::writeFile(folder + "\\brick.dds.bak", "z");
    k4p::createFolder((folder + "\\sub").c_str());
    // The POSIX build matches the patterns itself; Wine's are the system's.
    const std::pair<const char*, std::set<std::string>> cases[] = {
        {"*", {"./", "../", "Brick.DDS", "brick.dds.bak", "stone.tga", "sub/"}},
        {"*.dds", {"Brick.DDS"}},
        {"brick.dds", {"Brick.DDS"}},
        {"B?ICK*", {"Brick.DDS", "brick.dds.bak"}},
        {"*o*e*", {"stone.tga"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list(folder + "\\" + c.first), c.second) << c.first;
    }

    k4p::FolderListing listing;
    EXPECT_FALSE(listing.open((folder + "\\*.png").c_str())) << "nothing matches";
    EXPECT_FALSE(listing.open((folder + "\\missing\\*").c_str())) << "no such folder";

    ASSERT_TRUE(listing.open((folder + "\\stone.tga").c_str()));
    k4p::FindItem item;
    ASSERT_TRUE(listing.next(&item));
    EXPECT_EQ(item.size, 2u);
    EXPECT_FALSE(item.directory);
    EXPECT_FALSE(listing.next(&item));
}

TEST(PlatformFiles, AtomicWriteReplacesWholeOrNothing) {
    std::string folder = k4test::testFolder("platform");
    std::string target = folder + "\\settings.ini";
    k4test::writeFile(target, "old");

    bool sawOld = false;
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), [&](FILE* file) {
        sawOld =
            k4test::readFile(target) == "old"; // the target stays whole while the new file grows
        return std::fputs("new", file) >= 0;
    }));
    EXPECT_TRUE(sawOld);
    EXPECT_EQ(k4test::readFile(target), "new");

    // Every failure leaves the old file and no temporary file behind, and
    // says whether the disk was full.
    const auto unchanged = [&] {
        return k4test::readFile(target) == "new" &&
               list(folder + "\\*") == std::set<std::string>{"./", "../", "settings.ini"};
    };
    k4p::WriteError error = k4p::WriteError::None;
    EXPECT_FALSE(k4p::writeFileAtomic(
        target.c_str(),
        [](FILE* file) {
            std::fputs("half", file);
            return false;
        },
        &error));
    EXPECT_EQ(error, k4p::WriteError::Failed);
    EXPECT_TRUE(unchanged());
    EXPECT_THROW(k4p::writeFileAtomic(target.c_str(),
                                      [](FILE* file) -> bool {
                                          std::fputs("half", file);
                                          throw 7;
                                      }),
                 int);
    EXPECT_TRUE(unchanged());
#ifndef _WIN32
    k4test::FileSizeLimit full(1024);
    const std::string big(100000, 'x');
    // The writer's own write fails, or (2000 bytes stay in the stream's
    // buffer) the flush after it.
    for (size_t size : {big.size(), size_t{2000}}) {
        error = k4p::WriteError::None;
        EXPECT_FALSE(k4p::writeFileAtomic(target.c_str(), big.data(), size, &error)) << size;
        EXPECT_EQ(error, k4p::WriteError::DiskFull) << size;
        EXPECT_TRUE(unchanged()) << size;
    }
#endif
}

#ifndef _WIN32
TEST(PlatformFiles, AtomicReplaceKeepsThePermissions) {
    std::string target = k4test::testFolder("platform") + "\\private.ini";
    std::string native = target;
    std::replace(native.begin(), native.end(), '\\', '/');
    const auto mode = [&] {
        struct stat st;
        return ::stat(native.c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000;
    };
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "new", 3));
    EXPECT_EQ(mode(), 0644u);
    // Set-user-ID must not pass to new content.
    for (auto [before, after] :
         {std::pair<mode_t, mode_t>{0600, 0600}, {0751, 0751}, {04755, 0755}}) {
        ASSERT_EQ(::chmod(native.c_str(), before), 0);
        ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "again", 5));
        EXPECT_EQ(mode(), after) << std::oct << before;
    }
}
#endif

TEST(PlatformFiles, AtomicWriteWorksOnLongPaths) {
    // Longer than MAX_PATH and than any fixed path buffer, in components
    // every file system takes.
    std::string folder = k4test::testFolder("platform");
    for (int i = 0; i < 12; ++i) {
        folder += "\\" + std::string(100, static_cast<char>('a' + i));
    }
    ASSERT_TRUE(k4p::createFolderTree(folder.c_str()));
    std::string target = folder + "\\file.dds";
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "one", 3));
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "two", 3));
    EXPECT_EQ(k4test::readFile(target), "two");
    EXPECT_EQ(list(folder + "\\*"), (std::set<std::string>{"./", "../", "file.dds"}));
}

TEST(PlatformFiles, StatusAndFolders) {
    std::string folder = k4test::testFolder("platform");
    std::string path = folder + "\\five.bin";
    k4test::writeFile(path, "12345");
    k4p::FileStatus status;
    ASSERT_TRUE(k4p::getFileStatus(path.c_str(), &status));
    EXPECT_EQ(status.size, 5u);
    EXPECT_FALSE(status.directory);
    EXPECT_GT(status.modifiedTime, 1000000000);
    ASSERT_TRUE(k4p::getFileStatus(folder.c_str(), &status));
    EXPECT_TRUE(status.directory);
    EXPECT_FALSE(k4p::getFileStatus((folder + "\\none").c_str(), &status));
    EXPECT_FALSE(k4p::createFolder(folder.c_str())) << "exists already";
    std::string deep = folder + "\\a\\b/c\\";
    EXPECT_TRUE(k4p::createFolderTree(deep.c_str()));
    EXPECT_TRUE(k4p::createFolderTree(deep.c_str())) << "existing folders are fine";
    EXPECT_FALSE(k4p::createFolderTree((path + "\\sub").c_str())) << "below a file";
    EXPECT_TRUE(k4p::removeFile(path.c_str()));
    EXPECT_FALSE(k4p::fileExists(path.c_str()));
}
