// K4QBPakArchive: the directory of one pak archive, kept in memory, and the
// extraction of one of its files into a folder on disk.
//
// Loading reads the header, the pair table, the names block and the file
// table (see pak_format.h), after checking every count, size and offset
// against the file size. A file record is left out of the directory, and
// listed among the skipped records with the reason, when its folder offset is
// not the start of a listed folder name or when its folder or file name is
// not safe to use as a path (pak_names.h); such entries can never be found or
// extracted. The archive file is open only while loading and while
// extracting, unless a caller keeps it open for a batch.
//
// Extraction writes to a temporary file beside the target and moves it into
// place only when complete, so a target that exists is always whole. Errors
// are thrown as codes: "IOException" for file trouble and malformed
// directories, "K4QBERR_PAK_IOERROR" for block headers and zlib streams that
// do not hold what they state.
//
// A game patched while the program runs rewrites its archives under the
// directory read at start-up, whose offsets then point anywhere. Every later
// opening of the file compares its size, its modification time (seconds) and
// its header with those the directory was read from, and refuses a changed
// file with "K4QBERR_PAK_CHANGED" before reading any content. The directory
// is not read again: the registry's index, which other threads search without
// a lock, points into it. Not caught: a rewrite within the same second that
// keeps the size and the header.
//
// Threads: loaded once, on the start-up thread (the registry's creation). The
// directory never changes afterwards and may be read from any thread, except
// an entry's block header fields, which its extraction rewrites. extractEntry
// and the stream control change the open stream, the keep-open flag and those
// fields, so they must never run on two threads at once. The archive takes no
// lock: its owner guards it, in the program the Direct3D lock, inside which
// the texture cache asks for every game file (game_files.h).
#pragma once

#include "content/pak_format.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class K4CDebugLogger;
class K4CString;
class K4QBPakArchive;

// One file of the archive. Kept small and in one array per archive: an
// install has hundreds of thousands of them.
struct K4QBPakEntry {
    K4QBPakArchive* archive; // not owned
    int32_t wordA;
    int32_t wordB;
    int32_t dataOffset;
    int32_t wordD;
    int32_t wordE;
    int32_t folderWord;
    char name[K4QB_PAK_NAME_SIZE]; // lowered; NUL from the first NUL on
    uint16_t folderOffset;         // (folder word >> 1) & 0x3FFF
    int32_t folderIndex;           // into the archive's folder names
    K4QBPakBlockHeader block;      // the last block header read; zero until extracted
};

struct K4QBPakFolderName {
    int32_t offset;     // of the name in the names block
    const char* name;   // inside the names block, not a copy
    int32_t fileCount;  // entries of the directory in this folder
    const char* unsafe; // why the name may not become a path; null when it may
};

// A file record left out of the directory.
struct K4QBPakSkipped {
    int32_t record;                // position in the file table
    int32_t folderOffset;          // as stated by the record
    char name[K4QB_PAK_NAME_SIZE]; // as decoded (lowered)
    const char* reason;
};

class K4QBPakArchive {
public:
    // Loads the directory of the archive at `path`; the caller owns the
    // result. Throws "IOException" when the file cannot be read or its
    // directory is malformed, "K4CERR_MEM_OUTOFMEMORY" when memory runs out;
    // nothing is left allocated or open then.
    static K4QBPakArchive* loadFromFile(const char* path, K4CDebugLogger* logger = nullptr);
    // The same from a stream open for binary reading (a file, or bytes held
    // in memory), which the archive takes over, also when loading fails. The
    // stream stays open as after keepOpen, so extraction reads from it until
    // closeStream; after that openStream opens `path`. The modification time
    // is 0.
    static K4QBPakArchive* loadFromStream(FILE* stream, const char* path,
                                          K4CDebugLogger* logger = nullptr);
    ~K4QBPakArchive();
    K4QBPakArchive(const K4QBPakArchive&) = delete;
    K4QBPakArchive& operator=(const K4QBPakArchive&) = delete;

    // Makes the entry's content a file at root, folder name and file name
    // joined with backslashes, and puts that path into `outputPath`. Returns
    // the number of zlib inflations done: 0 when the file was already there.
    // Throws "IOException" (also when that path is a folder, such as another
    // entry's), "K4CERR_IO_DISKFULL", "K4QBERR_PAK_IOERROR",
    // "K4QBERR_PAK_CHANGED" or "K4CERR_MEM_OUTOFMEMORY".
    int32_t extractEntry(K4QBPakEntry* entry, K4CString* outputPath, const char* rootFolder);

    // Stream control. openStream opens the file for binary reading unless it
    // is open ("K4QBERR_PAK_CHANGED" when the file is no longer the one the
    // directory was read from); keepOpen also makes extractEntry leave it
    // open; closeStream
    // closes it and clears the flag ("IOException" when the close fails);
    // releaseStream closes it unless the flag is set.
    void openStream();
    void keepOpen();
    void closeStream();
    void releaseStream();
    bool isStreamOpen() const { return stream_ != nullptr; }

    const char* getPath() const { return path_.get(); }
    int64_t getModificationTime() const { return modificationTime_; }
    const K4QBPakHeader& getHeader() const { return header_; }
    // Entries of the directory, in file-table order.
    int32_t getFileCount() const { return entryCount_; }
    K4QBPakEntry* getEntry(int32_t index);
    int32_t getFolderCount() const { return header_.folderCount; }
    const char* getFolderName(int32_t index) const;
    int32_t getFolderFileCount(int32_t index) const;
    // Null when the folder name may become a path, otherwise the reason.
    const char* getFolderRefusal(int32_t index) const;
    // The text at an offset of the names block; null outside it.
    const char* getNameAt(int32_t offset) const;
    int32_t getPairCount() const { return header_.pairCount; }
    const int32_t* getPair(int32_t index) const;
    int32_t getSkippedCount() const { return static_cast<int32_t>(skipped_.size()); }
    const K4QBPakSkipped& getSkipped(int32_t index) const;

    void setLogger(K4CDebugLogger* logger) { logger_ = logger; }

private:
    K4QBPakArchive(const char* path, K4CDebugLogger* logger);
    void adoptStream(FILE* stream);
    void readDirectory();
    void readHeader();
    void readPairs();
    void readNames();
    void readFileTable();
    void skip(int32_t record, const K4QBPakRecord& decoded, int32_t folderOffset,
              const char* reason);
    void seekTo(int64_t offset);
    void readBytes(void* buffer, size_t count);
    void readBlockHeaders(K4QBPakEntry* entry, int64_t* position);
    uint8_t* readContent(K4QBPakEntry* entry, int32_t* inflations);
    void writeAtomically(const char* target, const uint8_t* content, int32_t size);
    void createFolders(const char* rootFolder, const char* folderName);
    void releaseAfterFailure();
    bool isFileAsLoaded(const k4p::FileStatus& status);

    std::unique_ptr<char[]> path_;
    int64_t modificationTime_;
    K4QBPakHeader header_;
    k4p::LargeBlock entryBlock_;
    K4QBPakEntry* entries_; // in entryBlock_
    int32_t entryCount_;
    std::unique_ptr<int32_t[]> pairs_; // two words a pair
    std::unique_ptr<char[]> names_;    // namesSize bytes and a guard NUL
    std::unique_ptr<K4QBPakFolderName[]> folderNames_;
    std::vector<K4QBPakSkipped> skipped_;
    FILE* stream_;
    uint64_t streamSize_;    // size of the file when the stream was opened
    uint64_t directorySize_; // size of the file the directory was read from
    bool directoryRead_;     // later openings check that the file is unchanged
    bool keepOpen_;
    K4CDebugLogger* logger_;
};
