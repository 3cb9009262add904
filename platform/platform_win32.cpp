// Win32 implementation of the platform seam.
#include "platform/platform.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace k4p {

FILE* openFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) {
        return nullptr;
    }
    return std::fopen(path, mode);
}

bool createFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool getFileStatus(const char* path, FileStatus* status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        return false;
    }
    if (status != nullptr) {
        status->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        status->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
        // FILETIME counts 100 ns steps since 1601-01-01.
        status->modifiedTime = static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
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
    HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    bool ok = SetFileTime(handle, nullptr, nullptr, &time) != 0;
    CloseHandle(handle);
    return ok;
}

bool moveFileReplace(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* path) {
    return DeleteFileA(path) != 0;
}

bool removeFolder(const char* path) {
    return RemoveDirectoryA(path) != 0;
}

FILE* createTempFileBeside(const char* target, char* tempPath, size_t tempPathSize) {
    if (target == nullptr || tempPath == nullptr) {
        return nullptr;
    }
    size_t length = std::strlen(target);
    // target + ".tmp-" + 8 hex digits + NUL
    if (length + 14 > tempPathSize) {
        return nullptr;
    }
    static volatile LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long stamp = (GetCurrentProcessId() << 16) ^ GetTickCount() ^
                              static_cast<unsigned long>(InterlockedIncrement(&counter));
        wsprintfA(tempPath, "%s.tmp-%08lx", target, stamp);
        HANDLE handle = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return nullptr;
        }
        CloseHandle(handle);
        FILE* file = std::fopen(tempPath, "wb");
        if (file == nullptr) {
            DeleteFileA(tempPath);
        }
        return file;
    }
    return nullptr;
}

namespace {
constexpr size_t kLargeBlock = size_t{1} << 20;
} // namespace

void* allocateLarge(size_t bytes) {
    if (bytes < kLargeBlock) {
        return std::calloc(bytes > 0 ? bytes : 1, 1);
    }
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void freeLarge(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
    if (bytes < kLargeBlock) {
        std::free(block);
        return;
    }
    VirtualFree(block, 0, MEM_RELEASE);
}

uint32_t tickCount() {
    return GetTickCount();
}

void sleepMs(uint32_t milliseconds) {
    Sleep(milliseconds);
}

static_assert(sizeof(CRITICAL_SECTION) <= 64, "lock storage too small");

RecursiveLock::RecursiveLock() {
    InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
RecursiveLock::~RecursiveLock() {
    DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
void RecursiveLock::enter() {
    EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}
bool RecursiveLock::tryEnter() {
    return TryEnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)) != 0;
}
void RecursiveLock::leave() {
    LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}

namespace {

struct ListingState {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data;
    bool pending = false; // data holds an item not yet handed out
};

void fillItem(const WIN32_FIND_DATAA& data, FindItem* item) {
    std::memcpy(item->name, data.cFileName, sizeof(item->name));
    item->name[sizeof(item->name) - 1] = 0;
    item->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item->system = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    item->temporary = (data.dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY) != 0;
    item->offline = (data.dwFileAttributes & FILE_ATTRIBUTE_OFFLINE) != 0;
    item->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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
    auto* state = new ListingState();
    state->handle = FindFirstFileA(pattern, &state->data);
    if (state->handle == INVALID_HANDLE_VALUE) {
        delete state;
        return false;
    }
    state->pending = true;
    state_ = state;
    return true;
}

bool FolderListing::next(FindItem* item) {
    auto* state = static_cast<ListingState*>(state_);
    if (state == nullptr || item == nullptr) {
        return false;
    }
    if (!state->pending && !FindNextFileA(state->handle, &state->data)) {
        return false;
    }
    state->pending = false;
    fillItem(state->data, item);
    return true;
}

void FolderListing::close() {
    auto* state = static_cast<ListingState*>(state_);
    if (state != nullptr) {
        FindClose(state->handle);
        delete state;
        state_ = nullptr;
    }
}

long queryRegistryString(RegistryRoot root, const char* subkey, const char* valueName, char* buffer,
                         uint32_t* size) {
    if (size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY key;
    LONG result =
        RegOpenKeyExA(root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                      subkey, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    DWORD type = 0;
    DWORD bytes = buffer ? *size : 0;
    result =
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            return kRegInvalidType;
        }
    }
    if (result == ERROR_MORE_DATA || (result == ERROR_SUCCESS && buffer == nullptr)) {
        *size = bytes + 1; // room for a terminator the stored value may lack
        return kRegMoreData;
    }
    if (result != ERROR_SUCCESS) {
        return result;
    }
    // The stored value need not end in a NUL: terminate within what was read.
    size_t length = strnlen(buffer, bytes);
    if (length >= *size) {
        *size = static_cast<uint32_t>(length + 1);
        return kRegMoreData;
    }
    buffer[length] = 0;
    *size = static_cast<uint32_t>(length + 1);
    return kRegOk;
}

} // namespace k4p
