// Fuzz target: loading a pak archive's directory from arbitrary bytes, read
// from memory, then reading everything the directory offers. Errors are
// expected; crashes, leaks and reads outside the buffers are not.
#include "content/pak_archive.h"

#include "fuzz/memory_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<K4QBPakArchive> archive;
    try {
        archive.reset(K4QBPakArchive::loadFromStream(k4fuzzOpenInput(data, size), "fuzz.pak"));
    } catch (const char*) {
        return 0;
    }
    size_t touched = 0;
    for (int32_t i = 0; i < archive->getFolderCount(); ++i) {
        touched += std::strlen(archive->getFolderName(i));
        touched += static_cast<size_t>(archive->getFolderFileCount(i));
    }
    for (int32_t i = 0; i < archive->getFileCount(); ++i) {
        const K4QBPakEntry* entry = archive->getEntry(i);
        touched += std::strlen(entry->name);
        touched += std::strlen(archive->getFolderName(entry->folderIndex));
    }
    for (int32_t i = 0; i < archive->getSkippedCount(); ++i) {
        touched += std::strlen(archive->getSkipped(i).reason);
    }
    for (int32_t i = 0; i < archive->getPairCount(); ++i) {
        touched += static_cast<size_t>(archive->getPair(i)[0] & 1);
    }
    if (archive->getFileCount() + archive->getSkippedCount() != archive->getHeader().fileCount ||
        touched == SIZE_MAX) {
        std::abort(); // every record is either listed or left out
    }
    return 0;
}
