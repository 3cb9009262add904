// The platform seam must behave the same in both builds: Windows wildcard
// rules, listings with "." and "..", atomic replacement, and registry strings
// that are terminated safely.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string scratchFolder(const char* name) {
    const char* base = std::getenv("K4_TEST_TMP");
    std::string root = base ? base : ".";
    k4p::createFolder(root.c_str());
    std::string folder = root + "\\platform-" + name;
    k4p::createFolder(folder.c_str());
    return folder;
}

void writeFile(const std::string& path, const char* text) {
    FILE* file = k4p::openFile(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fputs(text, file);
    std::fclose(file);
}

std::string readFile(const std::string& path) {
    FILE* file = k4p::openFile(path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    std::string text;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        text += static_cast<char>(c);
    }
    std::fclose(file);
    return text;
}

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
    std::string folder = scratchFolder("listing");
    writeFile(folder + "\\Brick.DDS", "x");
    writeFile(folder + "\\stone.tga", "yy");
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
    std::string folder = scratchFolder("replace");
    std::string target = folder + "\\settings.ini";
    writeFile(target, "old");

    bool sawOld = false;
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), [&](FILE* file) {
        sawOld = readFile(target) == "old"; // the target stays whole while the new file grows
        return std::fputs("new", file) >= 0;
    }));
    EXPECT_TRUE(sawOld);
    EXPECT_EQ(readFile(target), "new");

    // A failing writer leaves the old file and no temporary file behind.
    EXPECT_FALSE(k4p::writeFileAtomic(target.c_str(), [](FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(list(folder + "\\*"), (std::set<std::string>{"./", "../", "settings.ini"}));

    // A folder that does not exist: nothing written, false.
    EXPECT_FALSE(k4p::writeFileAtomic((folder + "\\missing\\x.bin").c_str(), "x", 1));
}

TEST(PlatformFiles, AtomicWriteWorksOnLongPaths) {
    // Longer than MAX_PATH and than any fixed path buffer, in components
    // every file system takes.
    std::string folder = scratchFolder("long");
    for (int i = 0; i < 12; ++i) {
        folder += "\\" + std::string(100, static_cast<char>('a' + i));
    }
    ASSERT_TRUE(k4p::createFolderTree(folder.c_str()));
    std::string target = folder + "\\file.dds";
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "one", 3));
    ASSERT_TRUE(k4p::writeFileAtomic(target.c_str(), "two", 3));
    EXPECT_EQ(readFile(target), "two");
    EXPECT_EQ(list(folder + "\\*"), (std::set<std::string>{"./", "../", "file.dds"}));
}

TEST(PlatformFiles, StatusAndFolders) {
    std::string folder = scratchFolder("status");
    std::string path = folder + "\\five.bin";
    writeFile(path, "12345");
    k4p::FileStatus status;
    ASSERT_TRUE(k4p::getFileStatus(path.c_str(), &status));
    EXPECT_EQ(status.size, 5u);
    EXPECT_FALSE(status.directory);
    EXPECT_GT(status.modifiedTime, 1000000000);
    ASSERT_TRUE(k4p::getFileStatus(folder.c_str(), &status));
    EXPECT_TRUE(status.directory);
    EXPECT_FALSE(k4p::createFolder(folder.c_str())) << "exists already";
    EXPECT_FALSE(k4p::getFileStatus((folder + "\\none").c_str(), &status));
    EXPECT_TRUE(k4p::removeFile(path.c_str()));
    EXPECT_FALSE(k4p::fileExists(path.c_str()));
}

TEST(PlatformFiles, FolderTreeCreatesMissingParents) {
    std::string folder = scratchFolder("tree");
    std::string deep = folder + "\\a\\b/c\\";
    EXPECT_TRUE(k4p::createFolderTree(deep.c_str()));
    EXPECT_TRUE(k4p::createFolderTree(deep.c_str())) << "existing folders are fine";
    writeFile(folder + "\\file", "x");
    EXPECT_FALSE(k4p::createFolderTree((folder + "\\file\\sub").c_str()));
}

namespace {
const char* kKey = "Software\\K4QB Platform Test";

#ifdef _WIN32
void storeRaw(const char* name, DWORD type, const void* bytes, DWORD count) {
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), count),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
#else
void storeRaw(const char* name, bool isString, const void* bytes, size_t count) {
    if (isString) {
        k4p::setRegistryString(k4p::RegistryRoot::CurrentUser, kKey, name,
                               std::string(static_cast<const char*>(bytes), count).c_str());
    } else {
        k4p::setRegistryBinary(k4p::RegistryRoot::CurrentUser, kKey, name, bytes, count);
    }
}
#endif
} // namespace

TEST(PlatformRegistry, StringsAreTerminatedAndOnlyStringsAccepted) {
#ifdef _WIN32
    storeRaw("Path", REG_SZ, "C:\\Games\\Q", 11);
    storeRaw("NoNul", REG_SZ, "ABCDEFGH", 8); // stored without a terminator
    DWORD number = 7;
    storeRaw("Number", REG_DWORD, &number, sizeof number);
#else
    storeRaw("Path", true, "C:\\Games\\Q", 10);
    storeRaw("NoNul", true, "ABCDEFGH", 8);
    int number = 7;
    storeRaw("Number", false, &number, sizeof number);
#endif
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
