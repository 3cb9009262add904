// Helpers of the content tests: scratch folders and archives, file lists as
// text, and the install location in the registry.
#pragma once

#include "content/file_list.h"
#include "content/install_path.h"
#include "content/pak_archive.h"
#include "foundation/k4cstring.h"
#include "tests/support/checks.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"
#include "tests/support/test_log.h"
#include "tools/pakwriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace k4ctest {

// An empty folder of its own for the running test.
inline std::string scratchFolder() {
    return k4test::testFolder("content");
}

inline std::vector<uint8_t> bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// "name@folder" for each entry of a file list, in list order.
inline std::string listed(const K4QBFileList& list) {
    std::string out;
    for (int32_t i = 0; i < list.getCount(); ++i) {
        out += (i > 0 ? " " : "") + std::string(list.getName(i)) + "@" + list.getFolder(i);
    }
    return out;
}

// Writes the archive and gives it a modification time.
inline void writePak(const K4QBPakWriter& writer, const std::string& path,
                     int64_t time = 1500000000) {
    std::vector<uint8_t> content = writer.build();
    k4test::writeFile(path, std::string(content.begin(), content.end()));
    ASSERT_TRUE(k4p::setFileModifiedTime(path.c_str(), time)) << path;
}

// One archive, x.pak, loaded from a scratch folder that also holds an empty
// cache folder to extract into.
struct PakFixture {
    std::string folder = scratchFolder();
    std::string cache = folder + "\\cache";
    std::unique_ptr<K4QBPakArchive> archive;

    explicit PakFixture(const K4QBPakWriter& writer) {
        EXPECT_TRUE(k4p::createFolder(cache.c_str()));
        load(writer);
    }
    K4QBPakArchive* load(const K4QBPakWriter& writer) {
        writePak(writer, folder + "\\x.pak");
        archive.reset(K4QBPakArchive::loadFromFile((folder + "\\x.pak").c_str()));
        return archive.get();
    }
    // Extracts entry `index` under `root` (the cache when null); returns the
    // inflation count, and the path in `path`.
    int32_t extract(int32_t index, std::string* path = nullptr, const char* root = nullptr) {
        K4CString out;
        int32_t count =
            archive->extractEntry(archive->getEntry(index), &out, root ? root : cache.c_str());
        if (path != nullptr) {
            *path = out.getText();
        }
        return count;
    }
};

// The game's install location as the registry tells it; null: not installed.
// Unless told otherwise, what the program read before is forgotten.
inline void setInstallPath(const char* path, bool forget = true) {
    if (forget) {
        k4qbForgetInstallPath();
    }
    if (path != nullptr) {
        k4test::storeRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                   K4QB_INSTALL_VALUE, true, path);
    } else {
        k4test::deleteRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                    K4QB_INSTALL_VALUE);
    }
}

} // namespace k4ctest
