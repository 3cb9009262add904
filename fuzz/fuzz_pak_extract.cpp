// Fuzz target: loading a pak archive from arbitrary bytes, reading everything
// its directory offers and extracting every entry into a scratch cache
// folder. Besides crashes, leaks and reads outside the buffers it checks what
// loading and extraction promise: every record is either listed or left out,
// a failed extraction leaves no file at its target, no temporary file
// survives, and nothing is written outside the cache folder. The archive is
// read from memory; the cache lies in /dev/shm where there is one, so that
// writing costs little.
#include "content/pak_archive.h"

#include "foundation/k4cstring.h"
#include "fuzz/memory_file.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    size_t touched = 0;
    for (int32_t i = 0; i < archive->getFolderCount(); ++i) {
        touched += std::strlen(archive->getFolderName(i)) +
                   static_cast<size_t>(archive->getFolderFileCount(i));
    }
    for (int32_t i = 0; i < archive->getSkippedCount(); ++i) {
        touched += std::strlen(archive->getSkipped(i).reason);
    }
    for (int32_t i = 0; i < archive->getPairCount(); ++i) {
        touched += static_cast<size_t>(archive->getPair(i)[0] & 1);
    }
    if (archive->getFileCount() + archive->getSkippedCount() != archive->getHeader().fileCount ||
        touched == SIZE_MAX) {
        std::abort();
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
            // Only an earlier entry of the same name may have put a file
            // there (another entry's folder may stand there: "a" beside "a\b").
            k4p::FileStatus status;
            if (extracted.count(slashes(target.getText())) == 0 &&
                k4p::getFileStatus(target.getText(), &status) && !status.directory) {
                std::abort();
            }
        }
    }
    archive.reset();

    // The scratch folder holds exactly the files reported as extracted: no
    // temporary or half-written ones, whatever the entries are called, and
    // nothing outside the cache.
    std::set<std::string> found;
    std::error_code error;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (!item.is_directory()) {
            found.insert(item.path().string());
        }
    }
    std::filesystem::remove_all(folder, error);
    if (found != extracted) {
        std::abort();
    }
    return 0;
}
