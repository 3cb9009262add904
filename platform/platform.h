// The thin operating-system seam of the portable core.
//
// Everything above this header reaches files, folders, locks, time and the
// registry only through these calls. Paths are written the Windows way (with
// backslashes); the POSIX implementation maps them to slashes at the system
// call and matches wildcards without regard to case, as Windows does. There is
// a Win32 implementation (platform_win32.cpp) and a POSIX one (platform_posix.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

namespace k4p {

// fopen with a Windows-style path. "t" in the mode means text mode: CRLF line
// ends on Windows, plain LF on POSIX.
FILE* openFile(const char* path, const char* mode);

// Closes a stream without looking at the result, for streams that were only
// read or whose failure is already being reported. Where the close of a
// written stream matters, release() and fclose it by hand.
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// Creates one folder. False when it could not be created, also when it exists.
bool createFolder(const char* path);
// Creates a folder and every missing parent. True when the folder exists
// afterwards.
bool createFolderTree(const char* path);

struct FileStatus {
    bool directory = false;
    uint64_t size = 0;
    int64_t modifiedTime = 0; // seconds since 1970-01-01 UTC
};

// False when the path does not exist or cannot be examined.
bool getFileStatus(const char* path, FileStatus* status);
bool fileExists(const char* path);

// Sets a file's last-modification time (seconds since 1970-01-01 UTC); used by
// fixture tools that need archives of known age.
bool setFileModifiedTime(const char* path, int64_t seconds);

// Moves a finished file over its target in one step (replacing it).
bool moveFileReplace(const char* from, const char* to);
bool removeFile(const char* path);
bool removeFolder(const char* path);

// Why an atomic write failed.
enum class WriteError {
    None,
    DiskFull, // no room: the disk or the user's quota is full, or the file
              // would pass the largest size allowed to it
    Failed,   // anything else: the writer gave up, no file can be made in
              // that folder, the move into place was refused
};

// Writes a file so that it is never seen half-written: `write` fills a new
// temporary file (binary) in the target's folder and returns false on
// failure; the file is then flushed to the disk and moved over the target in
// one step. On any failure the temporary file is removed, the target is left
// as it was, the result is false and `error` (when given) says why; an
// exception from `write` passes on after the same clean-up. A replaced
// file's permissions stay (on POSIX its mode; atomic_file.cpp says what
// Windows keeps); a new file gets 0644. Paths of any length the system
// allows work (on Windows beyond MAX_PATH too). The one home for this
// mechanism: settings, extracted game files and image outputs all go
// through it.
bool writeFileAtomic(const char* target, const std::function<bool(FILE*)>& write,
                     WriteError* error = nullptr);
bool writeFileAtomic(const char* target, const void* bytes, size_t size,
                     WriteError* error = nullptr);

// For a batch that frees and allocates pictures of the same sizes over and
// over: freed memory stays with the process for the next picture instead of
// going back to the system, which makes every fresh page fault again (on
// virtual machines that hand memory back to the host, slowly). Nothing where
// the heap has no such setting.
void keepFreedMemory();

// Zero-filled memory for large long-lived tables (archive directories). Big
// blocks come straight from the system, where possible in huge pages, so that
// filling them costs few page faults; small ones from the heap. Throws
// std::bad_alloc when there is no memory, as new does. Free with the same
// size.
void* allocateLarge(size_t bytes);
void freeLarge(void* block, size_t bytes);

// One block of allocateLarge, freed with its owner.
class LargeBlock {
public:
    LargeBlock() = default;
    ~LargeBlock() { reset(); }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    // Frees the block held, then allocates a new one (std::bad_alloc as
    // allocateLarge; nothing is held then).
    void* allocate(size_t bytes) {
        reset();
        block_ = allocateLarge(bytes);
        size_ = bytes;
        return block_;
    }
    void reset() {
        freeLarge(block_, size_);
        block_ = nullptr;
        size_ = 0;
    }
    void* get() const { return block_; }

private:
    void* block_ = nullptr;
    size_t size_ = 0;
};

// Milliseconds since some fixed moment; wraps around like GetTickCount
// (every 49.7 days): for short intervals only, as differences.
uint32_t tickCount();
// Milliseconds since some fixed moment, never wrapping: for ages that may
// span days of uptime.
uint64_t tickCount64();
void sleepMs(uint32_t milliseconds);

// A recursive lock: the thread that holds it may enter again.
class RecursiveLock {
public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;
    void enter();
    bool tryEnter();
    void leave();

private:
    alignas(16) unsigned char storage_[64];
};

// One item of a folder listing.
struct FindItem {
    char name[260];
    bool directory;
    bool system;
    bool temporary;
    bool offline;
    // A symbolic link or a junction (the other fields describe its target):
    // listings that must stay inside a folder do not follow it.
    bool link;
    uint64_t size;
};

// Lists the items that match a pattern such as "C:\\Games\\Q\\data\\*.dds"
// (wildcards "*" and "?" in the last component only, matched without regard to
// case). As on Windows, listing "folder\\*" also yields "." and "..".
class FolderListing {
public:
    FolderListing() = default;
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;
    // False when the folder cannot be listed or nothing matches.
    bool open(const char* pattern);
    // False when there are no more items.
    bool next(FindItem* item);
    void close();

private:
    void* state_ = nullptr;
};

enum class RegistryRoot { LocalMachine, CurrentUser };

// Registry results, with the values Windows uses.
inline constexpr long kRegOk = 0;
inline constexpr long kRegNotFound = 2;
inline constexpr long kRegInvalidType = 13;
inline constexpr long kRegMoreData = 234;

// Reads a string value into `buffer` of `*size` bytes. On kRegOk the text is
// NUL-terminated inside the buffer (a stored value without terminator is
// terminated, never read past its end) and `*size` holds its length plus one.
// On kRegMoreData `*size` holds the bytes needed. Values that are not strings
// give kRegInvalidType.
long queryRegistryString(RegistryRoot root, const char* subkey, const char* valueName, char* buffer,
                         uint32_t* size);

// Only in the POSIX build, where an in-process store stands in for the
// registry so that tests can fill it.
#ifndef _WIN32
void setRegistryString(RegistryRoot root, const char* subkey, const char* valueName,
                       const char* text);
void setRegistryBinary(RegistryRoot root, const char* subkey, const char* valueName,
                       const void* bytes, size_t count);
void deleteRegistryValue(RegistryRoot root, const char* subkey, const char* valueName);
#endif

// Case-insensitive "*" and "?" match over a whole name, as the POSIX listing
// uses for the Windows rules. Exposed for tests.
bool wildcardMatchNoCase(const char* pattern, const char* name);

} // namespace k4p
