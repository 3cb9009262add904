// Writing a file through a temporary file beside it and one move into place.
#include "platform/platform.h"
#include "platform/platform_internal.h"

#include <string>

namespace k4p {

bool writeFileAtomic(const char* target, const std::function<bool(FILE*)>& write) {
    if (target == nullptr || *target == 0 || !write) {
        return false;
    }
    std::string tempPath;
    FILE* file = detail::createTempFileBeside(target, &tempPath);
    if (file == nullptr) {
        return false;
    }
    bool ok = false;
    try {
        ok = write(file);
    } catch (...) {
        std::fclose(file);
        removeFile(tempPath.c_str());
        throw;
    }
    ok = ok && detail::flushToDisk(file);
    ok = std::fclose(file) == 0 && ok;
    ok = ok && moveFileReplace(tempPath.c_str(), target);
    if (!ok) {
        removeFile(tempPath.c_str());
    }
    return ok;
}

bool writeFileAtomic(const char* target, const void* bytes, size_t size) {
    return writeFileAtomic(target, [bytes, size](FILE* file) {
        return size == 0 || (bytes != nullptr && std::fwrite(bytes, 1, size, file) == size);
    });
}

} // namespace k4p
