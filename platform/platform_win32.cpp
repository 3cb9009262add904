// Win32 implementation of the platform seam.
#include "platform/platform.h"
#include "platform/platform_internal.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace k4p {
namespace {

// The ANSI calls stop at MAX_PATH characters. Paths are therefore handed to
// the wide calls, converted as the ANSI calls would (the ANSI code page), and
// long ones are made absolute with the "\\?\" prefix, which lifts the limit.
std::wstring widePath(const char* path) {
    int count = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (count <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), count);
    wide.resize(static_cast<size_t>(count - 1));
    if (wide.size() < MAX_PATH - 12 || wide.compare(0, 4, L"\\\\?\\") == 0) {
        return wide;
    }
    DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return wide;
    }
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return wide;
    }
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2); // \\server\share\...
    }
    return L"\\\\?\\" + full;
}

std::wstring wideText(const char* text) {
    std::wstring wide;
    for (const char* p = text; *p; ++p) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return wide;
}

} // namespace

FILE* openFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) {
        return nullptr;
    }
    return _wfopen(widePath(path).c_str(), wideText(mode).c_str());
}

bool createFolder(const char* path) {
    return path != nullptr && CreateDirectoryW(widePath(path).c_str(), nullptr) != 0;
}

bool getFileStatus(const char* path, FileStatus* status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr ||
        !GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data)) {
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

// These two finish or undo an atomic write: without memory for the paths
// they fail like any other failure instead of leaving the temporary file.
bool moveFileReplace(const char* from, const char* to) {
    try {
        return from != nullptr && to != nullptr &&
               MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void keepFreedMemory() {
    // The process heap has no such setting.
}

bool removeFile(const char* path) {
    try {
        return path != nullptr && DeleteFileW(widePath(path).c_str()) != 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool removeFolder(const char* path) {
    return path != nullptr && RemoveDirectoryW(widePath(path).c_str()) != 0;
}

namespace detail {

FILE* createTempFileBeside(const char* target, std::string* tempPath) {
    if (target == nullptr || tempPath == nullptr) {
        return nullptr;
    }
    static volatile LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long stamp = (GetCurrentProcessId() << 16) ^ GetTickCount() ^
                              static_cast<unsigned long>(InterlockedIncrement(&counter));
        char suffix[16];
        wsprintfA(suffix, ".tmp-%08lx", stamp);
        std::string path = std::string(target) + suffix;
        HANDLE handle = CreateFileW(widePath(path.c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return nullptr;
        }
        int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            removeFile(path.c_str());
            return nullptr;
        }
        FILE* file = _fdopen(fd, "wb");
        if (file == nullptr) {
            _close(fd);
            removeFile(path.c_str());
            return nullptr;
        }
        *tempPath = std::move(path); // nothing may fail once the file exists
        return file;
    }
    return nullptr;
}

bool flushToDisk(FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool lastFailureWasNoRoom() {
    // The C runtime's writes report ENOSPC; the system's own calls (flush,
    // create, move) leave the Windows error. A full quota is a full disk.
    const DWORD error = GetLastError();
    return errno == ENOSPC || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

} // namespace detail

namespace detail {

void* mapLarge(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void unmapLarge(void* block, size_t) {
    VirtualFree(block, 0, MEM_RELEASE);
}

} // namespace detail

uint32_t tickCount() {
    return GetTickCount();
}

uint64_t tickCount64() {
    return GetTickCount64();
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
    WIN32_FIND_DATAW data;
    bool pending = false; // data holds an item not yet handed out
};

void fillItem(const WIN32_FIND_DATAW& data, FindItem* item) {
    // Converted as the ANSI listing would: characters outside the code page
    // become '?'.
    int length = WideCharToMultiByte(CP_ACP, 0, data.cFileName, -1, item->name, sizeof(item->name),
                                     nullptr, nullptr);
    item->name[length > 0 ? length - 1 : 0] = 0;
    item->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item->system = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    item->temporary = (data.dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY) != 0;
    item->offline = (data.dwFileAttributes & FILE_ATTRIBUTE_OFFLINE) != 0;
    // Symbolic links and junctions; other reparse points (cloud
    // placeholders, deduplicated files) are files. 0xA000000C is
    // IO_REPARSE_TAG_SYMLINK, which MinGW declares for drivers only.
    item->link =
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (data.dwReserved0 == 0xA000000Cu || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
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
    auto state = std::make_unique<ListingState>();
    state->handle = FindFirstFileW(widePath(pattern).c_str(), &state->data);
    if (state->handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    state->pending = true;
    state_ = state.release();
    return true;
}

bool FolderListing::next(FindItem* item) {
    auto* state = static_cast<ListingState*>(state_);
    if (state == nullptr || item == nullptr) {
        return false;
    }
    if (!state->pending && !FindNextFileW(state->handle, &state->data)) {
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
