// Fuzz target: loading a pak archive's directory from arbitrary bytes, then
// reading everything the directory offers. Errors are expected; crashes,
// leaks and reads outside the buffers are not.
#include "content/pak_archive.h"

#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string archivePath() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/k4-fuzz-pak-" +
           std::to_string(static_cast<long>(getpid())) + ".pak";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = archivePath();
    FILE* file = k4p::openFile(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size > 0) {
        std::fwrite(data, 1, size, file);
    }
    std::fclose(file);
    try {
        K4QBPakArchive* archive = K4QBPakArchive::loadFromFile(path.c_str());
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
        if (archive->getFileCount() + archive->getSkippedCount() !=
                archive->getHeader().fileCount ||
            touched == SIZE_MAX) {
            std::abort(); // every record is either listed or left out
        }
        delete archive;
    } catch (const char*) {
    }
    return 0;
}
