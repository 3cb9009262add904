// The platform seam must behave the same in both builds: Windows wildcard
// rules, listings with "." and "..", atomic replacement, and registry strings
// that are terminated safely.
#include "platform/platform.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"

#include <cstring>
#include <set>
#include <string>

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

TEST(PlatformWildcard, MatchesLikeWindowsWithoutRegardToCase) {
    EXPECT_TRUE(k4p::wildcardMatchNoCase("*.DDS", "brick.dds"));
    EXPECT_TRUE(k4p::wildcardMatchNoCase("b?ick*", "BRICK_01.tga"));
    EXPECT_TRUE(k4p::wildcardMatchNoCase("*", ""));
    EXPECT_FALSE(k4p::wildcardMatchNoCase("?", ""));
    EXPECT_FALSE(k4p::wildcardMatchNoCase("*.dds", "brick.dds.bak"));
    EXPECT_TRUE(k4p::wildcardMatchNoCase("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaab"));
    EXPECT_FALSE(k4p::wildcardMatchNoCase("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"));
    EXPECT_FALSE(k4p::wildcardMatchNoCase(nullptr, "a"));
}

TEST(PlatformListing, ListsMatchesWithDotEntriesAndFlags) {
    std::string folder = k4test::testFolder("platform");
    k4test::writeFile(folder + "\\Brick.DDS", "x");
    k4test::writeFile(folder + "\\stone.tga", "yy");
    k4p::createFolder((folder + "\\sub").c_str());

    std::set<std::string> all = list(folder + "\\*");
    EXPECT_EQ(all, (std::set<std::string>{"./", "../", "Brick.DDS", "stone.tga", "sub/"}));
    EXPECT_EQ(list(folder + "\\*.dds"), (std::set<std::string>{"Brick.DDS"}));
    EXPECT_EQ(list(folder + "\\brick.dds"), (std::set<std::string>{"Brick.DDS"}));

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

    // A failing writer leaves the old file and no temporary file behind.
    EXPECT_FALSE(k4p::writeFileAtomic(target.c_str(), [](FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(k4test::readFile(target), "new");
    EXPECT_EQ(list(folder + "\\*"), (std::set<std::string>{"./", "../", "settings.ini"}));

    // A folder that does not exist: nothing written, false.
    EXPECT_FALSE(k4p::writeFileAtomic((folder + "\\missing\\x.bin").c_str(), "x", 1));
}

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

namespace {
const char* kKey = "Software\\K4QB Platform Test";
void store(const char* name, bool isString, const std::string& bytes) {
    k4test::storeRegistryValue(k4p::RegistryRoot::CurrentUser, kKey, name, isString, bytes);
}
} // namespace

TEST(PlatformRegistry, StringsAreTerminatedAndOnlyStringsAccepted) {
    store("Path", true, "C:\\Games\\Q");
    store("NoNul", true, "ABCDEFGH"); // without a terminator in the Windows registry
    store("Number", false, std::string(4, '\7'));
    char buffer[64];
    uint32_t size = sizeof buffer;
    ASSERT_EQ(k4p::queryRegistryString(k4p::RegistryRoot::CurrentUser, kKey, "Path", buffer, &size),
              k4p::kRegOk);
    EXPECT_STREQ(buffer, "C:\\Games\\Q");
    EXPECT_EQ(size, 11u);

    // A buffer that holds the eight bytes but not a terminator asks for more.
    char exact[8];
    std::memset(exact, 'z', sizeof exact);
    size = sizeof exact;
    long result =
        k4p::queryRegistryString(k4p::RegistryRoot::CurrentUser, kKey, "NoNul", exact, &size);
    EXPECT_EQ(result, k4p::kRegMoreData);
    EXPECT_GE(size, 9u);
    size = sizeof buffer;
    ASSERT_EQ(
        k4p::queryRegistryString(k4p::RegistryRoot::CurrentUser, kKey, "NoNul", buffer, &size),
        k4p::kRegOk);
    EXPECT_STREQ(buffer, "ABCDEFGH");

    size = sizeof buffer;
    EXPECT_EQ(
        k4p::queryRegistryString(k4p::RegistryRoot::CurrentUser, kKey, "Number", buffer, &size),
        k4p::kRegInvalidType);
    size = sizeof buffer;
    EXPECT_NE(
        k4p::queryRegistryString(k4p::RegistryRoot::CurrentUser, kKey, "Missing", buffer, &size),
        k4p::kRegOk);
}
