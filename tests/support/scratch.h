// Scratch folders and whole-file helpers shared by every test executable.
// Paths are written the Windows way and go through the platform seam, so the
// same tests run natively and under Wine.
#pragma once

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace k4test {

// The line end of files written in text mode.
#ifdef _WIN32
inline constexpr const char* kEol = "\r\n";
#else
inline constexpr const char* kEol = "\n";
#endif

// The scratch root: K4_TEST_TMP (a Unix path also works under Wine, through
// drive Z:), else a folder in the working directory. Created when missing.
inline std::string scratchRoot() {
    const char* root = std::getenv("K4_TEST_TMP");
    std::string path = root != nullptr && *root != 0 ? root : "k4-test-tmp";
#ifdef _WIN32
    if (path[0] == '/') {
        path = "Z:" + path;
    }
#endif
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    k4p::createFolderTree(path.c_str());
    return path;
}

// Calls `visit` for every file and folder below `folder`, a folder after
// what it holds, with its path relative to `folder`. A link is visited as a
// file and never followed (tests make links out of their folder, and loops).
inline void walkTree(const std::string& folder,
                     const std::function<void(const std::string&, bool directory)>& visit,
                     const std::string& prefix = "") {
    k4p::FolderListing listing;
    k4p::FindItem item;
    for (bool more = listing.open((folder + "\\" + prefix + "*").c_str());
         more && listing.next(&item);) {
        const std::string name = item.name;
        if (name != "." && name != "..") {
            const bool directory = item.directory && !item.link;
            if (directory) {
                walkTree(folder, visit, prefix + name + "\\");
            }
            visit(prefix + name, directory);
        }
    }
}

inline void removeTree(const std::string& folder) {
    walkTree(folder, [&](const std::string& path, bool directory) {
        const std::string full = folder + "\\" + path;
        directory ? k4p::removeFolder(full.c_str()) : k4p::removeFile(full.c_str());
    });
    k4p::removeFolder(folder.c_str());
}

// An empty folder of its own for the running test, below the scratch root in
// a folder for the test executable's area.
inline std::string testFolder(const char* area) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string base = scratchRoot() + "\\" + area;
    k4p::createFolder(base.c_str());
    std::string folder = base + "\\" + info->test_suite_name() + "." + info->name();
    removeTree(folder);
    EXPECT_TRUE(k4p::createFolder(folder.c_str())) << folder;
    return folder;
}

// A path in the running test's own folder (testFolder), which is made empty
// when the test first asks; tests that ctest runs at the same time never
// share a file.
inline std::string testPath(const char* area, const std::string& name) {
    static std::string owner, folder;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string current = std::string(info->test_suite_name()) + "." + info->name();
    if (current != owner) {
        owner = current;
        folder = testFolder(area);
    }
    return folder + "\\" + name;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    FILE* file = k4p::openFile(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

// The file's bytes, or "<missing>".
inline std::string readFile(const std::string& path) {
    FILE* file = k4p::openFile(path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        bytes += static_cast<char>(c);
    }
    std::fclose(file);
    return bytes;
}

} // namespace k4test
