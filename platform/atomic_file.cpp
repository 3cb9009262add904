// Writing a file through a temporary file beside it and one move into place.
//
// Whatever fails (the writer, a write or flush for want of room, the close,
// the move), the temporary file is removed and the target stays as it was;
// the caller learns whether the failure was a full disk, so that it can say
// so instead of blaming the data.
//
// Permissions: on POSIX the new file takes the replaced file's permission
// bits (not set-user-ID, set-group-ID or sticky), or 0644 when there was
// none; owner and group are those of the writing process, as for any new
// file. On Windows the moved file keeps the temporary file's attributes and
// the access rules it inherited from the folder, like any new file there;
// the replaced file's own attributes (read-only, hidden) and access rules
// are not carried over.
#include "platform/platform.h"
#include "platform/platform_internal.h"

#include <cerrno>
#include <string>

namespace k4p {

bool writeFileAtomic(const char* target, const std::function<bool(FILE*)>& write,
                     WriteError* error) {
    const auto failed = [error](bool noRoom) {
        if (error != nullptr) {
            *error = noRoom ? WriteError::DiskFull : WriteError::Failed;
        }
        return false;
    };
    if (target == nullptr || *target == 0 || !write) {
        return failed(false);
    }
    errno = 0; // what a step reports must come from this write
    std::string tempPath;
    FILE* file = detail::createTempFileBeside(target, &tempPath);
    if (file == nullptr) {
        return failed(detail::lastFailureWasNoRoom());
    }
    bool ok = false;
    try {
        ok = write(file);
    } catch (...) {
        std::fclose(file);
        removeFile(tempPath.c_str());
        throw;
    }
    // A write the stream saw fail says why the writer gave up.
    bool noRoom = !ok && std::ferror(file) && detail::lastFailureWasNoRoom();
    if (ok && !detail::flushToDisk(file)) {
        ok = false;
        noRoom = detail::lastFailureWasNoRoom();
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        noRoom = detail::lastFailureWasNoRoom();
    }
    if (ok && !moveFileReplace(tempPath.c_str(), target)) {
        ok = false;
        noRoom = detail::lastFailureWasNoRoom();
    }
    if (!ok) {
        removeFile(tempPath.c_str());
        return failed(noRoom);
    }
    if (error != nullptr) {
        *error = WriteError::None;
    }
    return true;
}

bool writeFileAtomic(const char* target, const void* bytes, size_t size, WriteError* error) {
    return writeFileAtomic(
        target,
        [bytes, size](FILE* file) {
            return size == 0 || (bytes != nullptr && std::fwrite(bytes, 1, size, file) == size);
        },
        error);
}

} // namespace k4p
