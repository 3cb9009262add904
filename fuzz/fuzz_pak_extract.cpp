// Fuzz target: loading a pak archive from arbitrary bytes and extracting every
// entry of its directory into a scratch cache folder. Besides crashes and
// leaks it checks what extraction promises: a failed extraction leaves no
// file at its target, no temporary file survives, and nothing is written
// outside the cache folder. The archive is read from memory; the cache lies
// in /dev/shm where there is one, so that writing costs little.
#include "content/pak_archive.h"

#include "foundation/k4cstring.h"
#include "fuzz/memory_file.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace {

std::string scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = k4p::fileExists("/dev/shm")   ? "/dev/shm"
                       : tmp != nullptr && *tmp != 0 ? tmp
                                                     : "/tmp";
    return base + "/k4-fuzz-pak-extract-" + std::to_string(static_cast<long>(getpid()));
}

std::string slashes(std::string path) {
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
    return path;
}

// Counts the files below a folder and removes them, with the folders. A file
// that is not among `expected` (paths with slashes) is unexpected: a leftover
// temporary file or a half-written one.
int removeTree(const std::string& folder, const std::set<std::string>& expected,
               bool* sawUnexpected) {
    int files = 0;
    k4p::FolderListing listing;
    if (listing.open((folder + "/*").c_str())) {
        k4p::FindItem item;
        while (listing.next(&item)) {
            std::string name = item.name;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + "/" + name;
            if (item.directory) {
                files += removeTree(path, expected, sawUnexpected);
            } else {
                *sawUnexpected = *sawUnexpected || expected.count(path) == 0;
                k4p::removeFile(path.c_str());
                ++files;
            }
        }
    }
    listing.close();
    k4p::removeFolder(folder.c_str());
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = scratch();
    static const std::string cache = folder + "/cache";
    std::unique_ptr<K4QBPakArchive> archive;
    try {
        archive.reset(K4QBPakArchive::loadFromStream(k4fuzzOpenInput(data, size), "fuzz.pak"));
    } catch (const char*) {
        return 0;
    }
    k4p::createFolder(folder.c_str());
    k4p::createFolder(cache.c_str());
    K4CString target;
    std::set<std::string> extracted;
    for (int32_t i = 0; i < archive->getFileCount(); ++i) {
        try {
            archive->extractEntry(archive->getEntry(i), &target, cache.c_str());
            extracted.insert(slashes(target.getText()));
        } catch (const char*) {
            // Only an earlier entry of the same name may have put a file there.
            if (extracted.count(slashes(target.getText())) == 0 &&
                k4p::fileExists(target.getText())) {
                std::abort();
            }
        }
    }
    archive.reset();

    // The cache holds exactly the files reported as extracted (no temporary
    // or half-written ones, whatever the entries are called), and nothing but
    // the cache lies in the scratch folder.
    bool unexpected = false;
    removeTree(cache, extracted, &unexpected);
    bool strayFiles = removeTree(folder, {}, &unexpected) != 0;
    if (unexpected || strayFiles) {
        std::abort();
    }
    return 0;
}
