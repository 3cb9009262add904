// K4QBPakArchive: loading an archive's directory, accessors and the stream
// control. Extraction is in pak_extract.cpp.
#include "content/pak_archive.h"

#include "content/pak_names.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <cstring>
#include <new>

namespace {

// File records are read in slices of this many: small enough to stay in the
// cache, large enough that reads cost little.
constexpr int32_t kRecordsPerRead = 1024;

} // namespace

K4QBPakArchive::K4QBPakArchive(const char* path, K4CDebugLogger* logger)
    : modificationTime_(0), header_(), entries_(nullptr), entryCount_(0), stream_(nullptr),
      streamSize_(0), directorySize_(0), directoryRead_(false), keepOpen_(false), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBPakArchive(%s, %p) = %p", path, (void*)logger,
              (void*)this);
    size_t length = std::strlen(path);
    path_.reset(new char[length + 1]);
    std::memcpy(path_.get(), path, length + 1);
    K4C_TRACE(logger_, "Exit constructor K4QBPakArchive = %p", (void*)this);
}

K4QBPakArchive::~K4QBPakArchive() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBPakArchive = %p", (void*)this);
    if (stream_ != nullptr) {
        std::fclose(stream_); // nothing was written through it; a failure loses nothing
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBPakArchive = %p", (void*)this);
}

K4QBPakArchive* K4QBPakArchive::loadFromFile(const char* path, K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBPakArchive::loadFromFile(%s, %p)", path, (void*)logger);
    std::unique_ptr<K4QBPakArchive> archive;
    try {
        k4cOutOfMemoryAsError([&] {
            if (path == nullptr) {
                throw K4CEXC_IO;
            }
            archive.reset(new K4QBPakArchive(path, logger));
            k4p::FileStatus status;
            if (k4p::getFileStatus(path, &status)) {
                archive->modificationTime_ = status.modifiedTime;
            }
            archive->keepOpen();
            archive->readDirectory();
            archive->closeStream();
        });
    } catch (const char* code) {
        k4cTraceThrow(logger, code, "K4QBPakArchive::loadFromFile");
    }
    K4C_TRACE(logger, "Return %p from K4QBPakArchive::loadFromFile", (void*)archive.get());
    return archive.release();
}

K4QBPakArchive* K4QBPakArchive::loadFromStream(FILE* stream, const char* path,
                                               K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBPakArchive::loadFromStream(%p, %s, %p)", (void*)stream, path,
              (void*)logger);
    k4p::UniqueFile owned(stream);
    std::unique_ptr<K4QBPakArchive> archive;
    try {
        k4cOutOfMemoryAsError([&] {
            if (stream == nullptr || path == nullptr) {
                throw K4CEXC_IO;
            }
            archive.reset(new K4QBPakArchive(path, logger));
            archive->adoptStream(owned.release());
            archive->readDirectory();
        });
    } catch (const char* code) {
        k4cTraceThrow(logger, code, "K4QBPakArchive::loadFromStream");
    }
    K4C_TRACE(logger, "Return %p from K4QBPakArchive::loadFromStream", (void*)archive.get());
    return archive.release();
}

void K4QBPakArchive::adoptStream(FILE* stream) {
    stream_ = stream;
    keepOpen_ = true;
    long end = -1;
    if (std::fseek(stream_, 0, SEEK_END) != 0 || (end = std::ftell(stream_)) < 0 ||
        std::fseek(stream_, 0, SEEK_SET) != 0) {
        k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::adoptStream", (void*)this);
    }
    streamSize_ = static_cast<uint64_t>(end);
}

void K4QBPakArchive::readDirectory() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readDirectory = %p", (void*)this);
    readHeader();
    readPairs();
    readNames();
    readFileTable();
    directorySize_ = streamSize_;
    directoryRead_ = true;
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readDirectory = %p", (void*)this);
}

void K4QBPakArchive::readHeader() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readHeader = %p", (void*)this);
    uint8_t bytes[K4QB_PAK_EXTENDED_HEADER_SIZE];
    size_t available = streamSize_ < sizeof bytes ? static_cast<size_t>(streamSize_) : sizeof bytes;
    readBytes(bytes, available);
    if (const char* reason = k4qbDecodePakHeader(bytes, available, streamSize_, &header_)) {
        K4C_DEBUG(logger_, "(In K4QBPakArchive::readHeader) Refused %s: %s", path_.get(), reason);
        k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::readHeader", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readHeader = %p", (void*)this);
}

void K4QBPakArchive::readPairs() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readPairs = %p", (void*)this);
    const size_t words = 2 * static_cast<size_t>(header_.pairCount);
    pairs_.reset(new int32_t[words + 1]);
    if (words > 0) {
        seekTo(header_.pairTableOffset);
        std::unique_ptr<uint8_t[]> raw(new uint8_t[4 * words]);
        readBytes(raw.get(), 4 * words);
        for (size_t i = 0; i < words; ++i) {
            pairs_[i] = k4qbReadWord(raw.get() + 4 * i);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readPairs = %p", (void*)this);
}

void K4QBPakArchive::readNames() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readNames = %p", (void*)this);
    const int32_t size = header_.namesSize;
    names_.reset(new char[static_cast<size_t>(size) + 1]);
    names_[size] = 0;
    folderNames_.reset(new K4QBPakFolderName[static_cast<size_t>(header_.folderCount) + 1]);
    if (size > 0) {
        seekTo(header_.namesOffset);
        readBytes(names_.get(), static_cast<size_t>(size));
    }
    const char* reason = nullptr;
    if (size > 0 && names_[size - 1] != 0) {
        reason = "names block does not end in a NUL byte";
    }
    int32_t at = 0;
    for (int32_t i = 0; i < header_.folderCount && reason == nullptr; ++i) {
        if (at >= size) {
            reason = "fewer names than the folder count";
            break;
        }
        folderNames_[i].offset = at;
        folderNames_[i].name = names_.get() + at;
        folderNames_[i].fileCount = 0;
        folderNames_[i].unsafe = nullptr;
        at += static_cast<int32_t>(std::strlen(names_.get() + at));
        while (at < size && names_[at] == 0) {
            ++at;
        }
    }
    if (reason != nullptr) {
        K4C_DEBUG(logger_, "(In K4QBPakArchive::readNames) Refused %s: %s", path_.get(), reason);
        k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::readNames", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readNames = %p", (void*)this);
}

void K4QBPakArchive::skip(int32_t record, const K4QBPakRecord& decoded, int32_t folderOffset,
                          const char* reason) {
    K4QBPakSkipped s;
    s.record = record;
    s.folderOffset = folderOffset;
    std::memcpy(s.name, decoded.name, sizeof s.name);
    s.reason = reason;
    skipped_.push_back(s);
    K4C_DEBUG(logger_, "(In K4QBPakArchive::readFileTable) Left out record %d (%s): %s", record,
              s.name, reason);
}

void K4QBPakArchive::readFileTable() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readFileTable = %p", (void*)this);
    const int32_t folderCount = header_.folderCount;
    // Which folder starts at each referable offset (-1: none), and whether
    // that folder's name may become a path.
    const int32_t slots = header_.namesSize < K4QB_PAK_FOLDER_OFFSET_LIMIT
                              ? header_.namesSize
                              : K4QB_PAK_FOLDER_OFFSET_LIMIT;
    std::unique_ptr<int32_t[]> slotTable(new int32_t[static_cast<size_t>(slots) + 1]);
    for (int32_t i = 0; i < slots; ++i) {
        slotTable[i] = -1;
    }
    for (int32_t i = 0; i < folderCount; ++i) {
        if (folderNames_[i].offset < slots) {
            slotTable[folderNames_[i].offset] = i;
        }
        folderNames_[i].unsafe = k4qbCheckPakFolderName(folderNames_[i].name);
    }
    // The largest table of the program: one block, filled in file-table order.
    entries_ = static_cast<K4QBPakEntry*>(
        entryBlock_.allocate(sizeof(K4QBPakEntry) * (static_cast<size_t>(header_.fileCount) + 1)));
    const int32_t slice = header_.fileCount < kRecordsPerRead ? header_.fileCount : kRecordsPerRead;
    std::unique_ptr<uint8_t[]> raw(
        new uint8_t[static_cast<size_t>(slice) * K4QB_PAK_RECORD_SIZE + 1]);
    if (header_.fileCount > 0) {
        seekTo(header_.fileTableOffset);
    }
    for (int32_t first = 0; first < header_.fileCount; first += slice) {
        int32_t count = header_.fileCount - first < slice ? header_.fileCount - first : slice;
        readBytes(raw.get(), static_cast<size_t>(count) * K4QB_PAK_RECORD_SIZE);
        for (int32_t r = 0; r < count; ++r) {
            K4QBPakRecord decoded;
            k4qbDecodePakRecord(raw.get() + static_cast<size_t>(r) * K4QB_PAK_RECORD_SIZE,
                                &decoded);
            const int32_t folderOffset = (decoded.folderWord >> 1) & 0x3FFF;
            const int32_t folder = folderOffset < slots ? slotTable[folderOffset] : -1;
            const char* reason = nullptr;
            if (folder < 0) {
                reason = "folder offset is not the start of a listed folder name";
            } else if (folderNames_[folder].unsafe != nullptr) {
                reason = folderNames_[folder].unsafe;
            } else {
                reason = k4qbCheckPakFileName(decoded.name);
            }
            if (reason != nullptr) {
                skip(first + r, decoded, folderOffset, reason);
                continue;
            }
            K4QBPakEntry& e = entries_[entryCount_++];
            e.archive = this;
            e.wordA = decoded.wordA;
            e.wordB = decoded.wordB;
            e.dataOffset = decoded.dataOffset;
            e.wordD = decoded.wordD;
            e.wordE = decoded.wordE;
            e.folderWord = decoded.folderWord;
            std::memcpy(e.name, decoded.name, sizeof e.name);
            e.folderOffset = static_cast<uint16_t>(folderOffset);
            e.folderIndex = folder;
            e.block = K4QBPakBlockHeader{0, 0, 0, 0};
            ++folderNames_[folder].fileCount;
        }
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readFileTable = %p", (void*)this);
}

void K4QBPakArchive::seekTo(int64_t offset) {
    if (offset < 0 || static_cast<uint64_t>(offset) > streamSize_ || offset > 0x7FFFFFFF ||
        std::fseek(stream_, static_cast<long>(offset), SEEK_SET) != 0) {
        k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::seekTo", (void*)this);
    }
}

void K4QBPakArchive::readBytes(void* buffer, size_t count) {
    if (count > 0 && std::fread(buffer, 1, count, stream_) != count) {
        k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::readBytes", (void*)this);
    }
}

K4QBPakEntry* K4QBPakArchive::getEntry(int32_t index) {
    if (index < 0 || index >= entryCount_) {
        k4cTraceThrow(logger_, K4CEXC_INDEXOUTOFBOUNDS, "K4QBPakArchive::getEntry", (void*)this);
    }
    return &entries_[index];
}

const char* K4QBPakArchive::getFolderName(int32_t index) const {
    if (index < 0 || index >= header_.folderCount) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return folderNames_[index].name;
}

int32_t K4QBPakArchive::getFolderFileCount(int32_t index) const {
    if (index < 0 || index >= header_.folderCount) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return folderNames_[index].fileCount;
}

const char* K4QBPakArchive::getFolderRefusal(int32_t index) const {
    if (index < 0 || index >= header_.folderCount) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return folderNames_[index].unsafe;
}

const char* K4QBPakArchive::getNameAt(int32_t offset) const {
    if (offset < 0 || offset >= header_.namesSize) {
        return nullptr;
    }
    return names_.get() + offset;
}

const int32_t* K4QBPakArchive::getPair(int32_t index) const {
    if (index < 0 || index >= header_.pairCount) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return pairs_.get() + 2 * static_cast<size_t>(index);
}

const K4QBPakSkipped& K4QBPakArchive::getSkipped(int32_t index) const {
    if (index < 0 || index >= getSkippedCount()) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return skipped_[index];
}

void K4QBPakArchive::openStream() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::openStream = %p", (void*)this);
    if (stream_ == nullptr) {
        FILE* stream = k4p::openFile(path_.get(), "rb");
        k4p::FileStatus status;
        if (stream == nullptr || !k4p::getFileStatus(path_.get(), &status) || status.directory) {
            if (stream != nullptr) {
                std::fclose(stream);
            }
            k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::openStream", (void*)this);
        }
        stream_ = stream;
        streamSize_ = status.size;
        if (directoryRead_ && !isFileAsLoaded(status)) {
            stream_ = nullptr;
            std::fclose(stream); // only read from
            k4cTraceThrow(logger_, K4QBERR_PAK_CHANGED, "K4QBPakArchive::openStream", (void*)this);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::openStream = %p", (void*)this);
}

// The open stream is at its start.
bool K4QBPakArchive::isFileAsLoaded(const k4p::FileStatus& status) {
    // The time is known only for archives loaded from their file.
    bool same = status.size == directorySize_ &&
                (modificationTime_ == 0 || status.modifiedTime == modificationTime_);
    uint8_t bytes[K4QB_PAK_EXTENDED_HEADER_SIZE];
    const size_t available =
        streamSize_ < sizeof bytes ? static_cast<size_t>(streamSize_) : sizeof bytes;
    K4QBPakHeader header;
    same = same && std::fread(bytes, 1, available, stream_) == available &&
           k4qbDecodePakHeader(bytes, available, streamSize_, &header) == nullptr &&
           std::memcmp(&header, &header_, sizeof header) == 0;
    if (!same) {
        K4C_DEBUG(logger_,
                  "(In K4QBPakArchive::openStream) %s changed since it was loaded: %llu bytes, "
                  "modified at %lld; loaded with %llu bytes, modified at %lld",
                  path_.get(), static_cast<unsigned long long>(status.size),
                  static_cast<long long>(status.modifiedTime),
                  static_cast<unsigned long long>(directorySize_),
                  static_cast<long long>(modificationTime_));
    }
    return same;
}

void K4QBPakArchive::keepOpen() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::keepOpen = %p", (void*)this);
    openStream();
    keepOpen_ = true;
    K4C_TRACE(logger_, "Exit K4QBPakArchive::keepOpen = %p", (void*)this);
}

void K4QBPakArchive::closeStream() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::closeStream = %p", (void*)this);
    keepOpen_ = false;
    if (stream_ != nullptr) {
        FILE* stream = stream_;
        stream_ = nullptr;
        if (std::fclose(stream) != 0) {
            k4cTraceThrow(logger_, K4CEXC_IO, "K4QBPakArchive::closeStream", (void*)this);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::closeStream = %p", (void*)this);
}

void K4QBPakArchive::releaseStream() {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::releaseStream = %p", (void*)this);
    if (!keepOpen_) {
        closeStream();
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::releaseStream = %p", (void*)this);
}

void K4QBPakArchive::releaseAfterFailure() {
    // The first error is the one the caller hears about; a failing close of a
    // stream we only read from adds nothing to it.
    if (!keepOpen_ && stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
}
