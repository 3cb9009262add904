// POSIX implementation of the platform seam, so that the portable core builds
// and is tested natively. Backslashes become slashes at each system call; the
// registry is an in-process store that tests fill.
#include "platform/platform.h"
#include "platform/platform_internal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace k4p {
namespace {

std::string nativePath(const char* path) {
    std::string out = path ? path : "";
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

int lowerAscii(int c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

} // namespace

FILE* openFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) {
        return nullptr;
    }
    std::string m;
    for (const char* p = mode; *p; ++p) {
        if (*p != 't') {
            m += *p;
        }
    }
    return std::fopen(nativePath(path).c_str(), m.c_str());
}

bool createFolder(const char* path) {
    return ::mkdir(nativePath(path).c_str(), 0777) == 0;
}

bool getFileStatus(const char* path, FileStatus* status) {
    struct stat st;
    if (path == nullptr || ::stat(nativePath(path).c_str(), &st) != 0) {
        return false;
    }
    if (status != nullptr) {
        status->directory = S_ISDIR(st.st_mode);
        status->size = static_cast<uint64_t>(st.st_size);
        status->modifiedTime = static_cast<int64_t>(st.st_mtime);
    }
    return true;
}

bool fileExists(const char* path) {
    return getFileStatus(path, nullptr);
}

bool setFileModifiedTime(const char* path, int64_t seconds) {
    if (path == nullptr) {
        return false;
    }
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, nativePath(path).c_str(), times, 0) == 0;
}

// These two finish or undo an atomic write: without memory for the paths
// they fail like any other failure instead of leaving the temporary file.
bool moveFileReplace(const char* from, const char* to) {
    try {
        return ::rename(nativePath(from).c_str(), nativePath(to).c_str()) == 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void keepFreedMemory() {
#ifdef __GLIBC__
    // Blocks up to 64 MiB (a 4096 x 4096 picture) from the heap, which keeps
    // up to 256 MiB of freed memory before it shrinks.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

bool removeFile(const char* path) {
    try {
        return ::unlink(nativePath(path).c_str()) == 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool removeFolder(const char* path) {
    return ::rmdir(nativePath(path).c_str()) == 0;
}

namespace detail {

FILE* createTempFileBeside(const char* target, std::string* tempPath) {
    if (target == nullptr || tempPath == nullptr) {
        return nullptr;
    }
    std::string pattern = std::string(target) + ".tmp-XXXXXX";
    std::string native = nativePath(pattern.c_str());
    // mkstemp makes the file private; the finished file should have the
    // permissions of the file it replaces, or the usual ones of a new file.
    // Only the permission bits: a set-user-ID bit must not pass to new content.
    mode_t mode = 0644;
    struct stat replaced;
    if (::stat(nativePath(target).c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode)) {
        mode = replaced.st_mode & 0777;
    }
    int fd = ::mkstemp(native.data());
    if (fd < 0) {
        return nullptr;
    }
    ::fchmod(fd, mode);
    FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(native.c_str());
        return nullptr;
    }
    // Give back the name in the caller's own spelling (same separators).
    pattern.replace(pattern.size() - 6, 6, native, native.size() - 6, 6);
    *tempPath = std::move(pattern); // nothing may fail once the file exists
    return file;
}

bool flushToDisk(FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool lastFailureWasNoRoom() {
    // EFBIG: the file would pass the size limit of the process or of the file system.
    return errno == ENOSPC || errno == EDQUOT || errno == EFBIG;
}

} // namespace detail

namespace detail {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kSmallPage = 4096;
} // namespace

void* mapLarge(size_t bytes) {
    // Aligned to a huge page so that the kernel can back the whole huge pages
    // of the block with them; the tail stays in small pages, wasting nothing.
    const size_t size = (bytes + kSmallPage - 1) & ~(kSmallPage - 1);
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    const uintptr_t end = start + size + kHugePage;
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    if (end > aligned + size) {
        ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    }
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), size & ~(kHugePage - 1), MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void unmapLarge(void* block, size_t bytes) {
    ::munmap(block, (bytes + kSmallPage - 1) & ~(kSmallPage - 1));
}

} // namespace detail

uint64_t tickCount64() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint32_t tickCount() {
    return static_cast<uint32_t>(tickCount64());
}

void sleepMs(uint32_t milliseconds) {
    struct timespec ts;
    ts.tv_sec = milliseconds / 1000;
    ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

static_assert(sizeof(std::recursive_mutex) <= 64, "lock storage too small");

RecursiveLock::RecursiveLock() {
    new (storage_) std::recursive_mutex();
}
RecursiveLock::~RecursiveLock() {
    std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->~recursive_mutex();
}
void RecursiveLock::enter() {
    std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->lock();
}
bool RecursiveLock::tryEnter() {
    return std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->try_lock();
}
void RecursiveLock::leave() {
    std::launder(reinterpret_cast<std::recursive_mutex*>(storage_))->unlock();
}

namespace {

struct ListingState {
    DIR* dir = nullptr;
    std::string folder;
    std::string pattern;
    bool literal = false; // pattern without wildcards: at most one item
    bool literalDone = false;
};

bool fillItem(const std::string& folder, const char* name, unsigned char type, FindItem* item) {
    size_t len = std::strlen(name);
    if (len >= sizeof(item->name)) {
        return false;
    }
    std::string full = folder.empty() ? std::string(name) : folder + "/" + name;
    struct stat st;
    if (::stat(full.c_str(), &st) != 0) {
        return false; // vanished or dangling link: not listed, as Windows would not
    }
    std::memcpy(item->name, name, len + 1);
    item->directory = S_ISDIR(st.st_mode);
    item->system = false;
    item->temporary = false;
    item->offline = false;
    struct stat own;
    item->link = type == DT_LNK ||
                 (type == DT_UNKNOWN && ::lstat(full.c_str(), &own) == 0 && S_ISLNK(own.st_mode));
    item->size = item->directory ? 0 : static_cast<uint64_t>(st.st_size);
    return true;
}

} // namespace

FolderListing::~FolderListing() {
    close();
}

bool FolderListing::open(const char* pattern) {
    close();
    if (pattern == nullptr || *pattern == 0) {
        return false;
    }
    std::string native = nativePath(pattern);
    size_t slash = native.find_last_of('/');
    auto owned = std::make_unique<ListingState>();
    ListingState* state = owned.get();
    if (slash == std::string::npos) {
        state->folder = ".";
        state->pattern = native;
    } else {
        state->folder = slash == 0 ? "/" : native.substr(0, slash);
        state->pattern = native.substr(slash + 1);
    }
    if (state->pattern == "*.*") {
        state->pattern = "*"; // Windows lets "*.*" match names without a dot
    }
    state->literal = state->pattern.find_first_of("*?") == std::string::npos;
    state->dir = ::opendir(state->folder.c_str());
    if (state->dir == nullptr || state->pattern.empty()) {
        if (state->dir) {
            ::closedir(state->dir);
        }
        return false;
    }
    state_ = owned.release();
    // Windows reports "nothing matched" from the first call: peek for one.
    FindItem probe;
    long position = ::telldir(state->dir);
    if (!next(&probe)) {
        close();
        return false;
    }
    ::seekdir(state->dir, position);
    state->literalDone = false;
    return true;
}

bool FolderListing::next(FindItem* item) {
    auto* state = static_cast<ListingState*>(state_);
    if (state == nullptr || item == nullptr) {
        return false;
    }
    if (state->literal && state->literalDone) {
        return false;
    }
    while (struct dirent* entry = ::readdir(state->dir)) {
        if (!wildcardMatchNoCase(state->pattern.c_str(), entry->d_name)) {
            continue;
        }
        if (fillItem(state->folder, entry->d_name, entry->d_type, item)) {
            state->literalDone = state->literal;
            return true;
        }
    }
    return false;
}

void FolderListing::close() {
    auto* state = static_cast<ListingState*>(state_);
    if (state != nullptr) {
        if (state->dir) {
            ::closedir(state->dir);
        }
        delete state;
        state_ = nullptr;
    }
}

namespace {

struct StoredValue {
    bool isString;
    std::string bytes;
};

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, StoredValue>& registryStore() {
    static std::map<std::string, StoredValue> store;
    return store;
}

std::string registryKey(RegistryRoot root, const char* subkey, const char* valueName) {
    std::string key = root == RegistryRoot::LocalMachine ? "HKLM\\" : "HKCU\\";
    for (const char* p = subkey ? subkey : ""; *p; ++p) {
        key += static_cast<char>(lowerAscii(static_cast<unsigned char>(*p)));
    }
    key += '|';
    for (const char* p = valueName ? valueName : ""; *p; ++p) {
        key += static_cast<char>(lowerAscii(static_cast<unsigned char>(*p)));
    }
    return key;
}

} // namespace

long queryRegistryString(RegistryRoot root, const char* subkey, const char* valueName, char* buffer,
                         uint32_t* size) {
    if (size == nullptr) {
        return 87; // ERROR_INVALID_PARAMETER
    }
    std::lock_guard<std::mutex> guard(registryMutex());
    auto it = registryStore().find(registryKey(root, subkey, valueName));
    if (it == registryStore().end()) {
        return kRegNotFound;
    }
    if (!it->second.isString) {
        return kRegInvalidType;
    }
    const std::string& bytes = it->second.bytes;
    size_t textLength = strnlen(bytes.data(), bytes.size());
    if (buffer == nullptr || *size < textLength + 1) {
        *size = static_cast<uint32_t>(textLength + 1);
        return kRegMoreData;
    }
    std::memcpy(buffer, bytes.data(), textLength);
    buffer[textLength] = 0;
    *size = static_cast<uint32_t>(textLength + 1);
    return kRegOk;
}

void setRegistryString(RegistryRoot root, const char* subkey, const char* valueName,
                       const char* text) {
    std::lock_guard<std::mutex> guard(registryMutex());
    registryStore()[registryKey(root, subkey, valueName)] = {true, std::string(text ? text : "")};
}

void setRegistryBinary(RegistryRoot root, const char* subkey, const char* valueName,
                       const void* bytes, size_t count) {
    std::lock_guard<std::mutex> guard(registryMutex());
    registryStore()[registryKey(root, subkey, valueName)] = {
        false, std::string(static_cast<const char*>(bytes), count)};
}

void deleteRegistryValue(RegistryRoot root, const char* subkey, const char* valueName) {
    std::lock_guard<std::mutex> guard(registryMutex());
    registryStore().erase(registryKey(root, subkey, valueName));
}

} // namespace k4p
