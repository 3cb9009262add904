// K4QBPakArchive::extractEntry: reading an entry's block headers and content,
// inflating it, and writing it atomically under a root folder.
//
// Block headers are checked before anything is allocated (pak_format.h), and a
// zlib stream must inflate to exactly the stated size: no byte that was not
// produced by the stream ever reaches the disk. The content is written to a
// temporary file in the target folder and moved into place when whole.
#include "content/pak_archive.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <zlib.h>

#include <cstring>
#include <memory>

namespace {

using Buffer = std::unique_ptr<uint8_t[]>;

Buffer allocate(int32_t size) {
    return Buffer(new uint8_t[size > 0 ? size : 1]);
}

// Inflates exactly `size` bytes; false when the stream is damaged, ends early
// or holds more.
bool inflateExactly(const uint8_t* packed, int32_t packedSize, uint8_t* out, int32_t size) {
    uLongf produced = static_cast<uLongf>(size);
    int result = uncompress(out, &produced, packed, static_cast<uLong>(packedSize));
    return result == Z_OK && produced == static_cast<uLongf>(size);
}

} // namespace

int32_t K4QBPakArchive::extractEntry(K4QBPakEntry* entry, K4CString* outputPath,
                                     const char* rootFolder) {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::extractEntry(%p, %p, %s) = %p", (void*)entry,
              (void*)outputPath, rootFolder, (void*)this);
    if (entry == nullptr || entry->archive != this || outputPath == nullptr ||
        rootFolder == nullptr) {
        k4cTraceThrow(logger_, K4CERR_STR_ILLEGALARGUMENT, "K4QBPakArchive::extractEntry",
                      (void*)this);
    }
    const char* folderName = folderNames_[entry->folderIndex].name;
    int32_t inflations = 0;
    try {
        k4cOutOfMemoryAsError([&] {
            outputPath->assign(rootFolder);
            outputPath->appendPath(folderName, false);
            outputPath->appendPath(entry->name, false);
            k4p::FileStatus existing;
            if (k4p::getFileStatus(outputPath->getText(), &existing)) {
                if (existing.directory) {
                    // Another entry's folder ("a" beside "a\b"): no file of
                    // this name can be made, and the folder is not its content.
                    K4C_DEBUG(logger_, "(In K4QBPakArchive::extractEntry) %s is a folder",
                              outputPath->getText());
                    throw K4CEXC_IO;
                }
                return;
            }
            openStream();
            int64_t position = entry->dataOffset;
            readBlockHeaders(entry, &position);
            Buffer content(readContent(entry, &inflations));
            createFolders(rootFolder, folderName);
            writeAtomically(outputPath->getText(), content.get(), entry->block.size);
            releaseStream();
        });
    } catch (const char* code) {
        releaseAfterFailure();
        k4cTraceThrow(logger_, code, "K4QBPakArchive::extractEntry", (void*)this);
    }
    K4C_TRACE(logger_, "Return %d (%s) from K4QBPakArchive::extractEntry = %p", inflations,
              outputPath->getText(), (void*)this);
    return inflations;
}

void K4QBPakArchive::readBlockHeaders(K4QBPakEntry* entry, int64_t* position) {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readBlockHeaders(%p) = %p", (void*)entry,
              (void*)this);
    uint8_t bytes[K4QB_PAK_BLOCK_HEADER_SIZE];
    seekTo(*position);
    readBytes(bytes, sizeof bytes);
    k4qbDecodeBlockHeader(bytes, &entry->block);
    *position += sizeof bytes;
    // A stored header followed by "zcmp" is replaced by the header after the
    // tag. Each step consumes 20 bytes of the file, so the walk ends.
    while (entry->block.storedFlag != 0) {
        uint8_t tag[4];
        const uint64_t left = streamSize_ - static_cast<uint64_t>(*position);
        const size_t peek = left < sizeof tag ? static_cast<size_t>(left) : sizeof tag;
        readBytes(tag, peek);
        if (peek < sizeof tag || std::memcmp(tag, K4QB_PAK_TAG, sizeof tag) != 0) {
            seekTo(*position); // not a tag: the content starts right here
            break;
        }
        readBytes(bytes, sizeof bytes);
        k4qbDecodeBlockHeader(bytes, &entry->block);
        *position += sizeof tag + sizeof bytes;
    }
    if (const char* reason = k4qbCheckBlockHeader(entry->block, *position, streamSize_)) {
        K4C_DEBUG(logger_, "(In K4QBPakArchive::readBlockHeaders) %s: %s", entry->name, reason);
        k4cTraceThrow(logger_, K4QBERR_PAK_IOERROR, "K4QBPakArchive::readBlockHeaders",
                      (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::readBlockHeaders = %p", (void*)this);
}

// The stream stands at the content when this is called.
uint8_t* K4QBPakArchive::readContent(K4QBPakEntry* entry, int32_t* inflations) {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::readContent(%p) = %p", (void*)entry, (void*)this);
    const K4QBPakBlockHeader block = entry->block;
    Buffer content = allocate(block.size);
    if (block.storedFlag != 0) {
        readBytes(content.get(), static_cast<size_t>(block.size));
    } else {
        Buffer packed = allocate(block.packedSize);
        readBytes(packed.get(), static_cast<size_t>(block.packedSize));
        if (!inflateExactly(packed.get(), block.packedSize, content.get(), block.size)) {
            k4cTraceThrow(logger_, K4QBERR_PAK_IOERROR, "K4QBPakArchive::readContent", (void*)this);
        }
        ++*inflations;
    }
    const size_t length = static_cast<size_t>(block.size);
    if (length >= sizeof K4QB_PAK_TAG && std::memcmp(content.get(), K4QB_PAK_TAG, 4) == 0) {
        K4QBPakBlockHeader wrapper = {0, 0, 0, 0};
        if (length >= K4QB_PAK_WRAPPER_SIZE) {
            k4qbDecodeBlockHeader(content.get() + 4, &wrapper);
        }
        const char* reason = k4qbCheckWrapper(wrapper, length);
        if (reason != nullptr) {
            K4C_DEBUG(logger_, "(In K4QBPakArchive::readContent) %s: %s", entry->name, reason);
            k4cTraceThrow(logger_, K4QBERR_PAK_IOERROR, "K4QBPakArchive::readContent", (void*)this);
        }
        entry->block = wrapper;
        Buffer unwrapped = allocate(wrapper.size);
        if (!inflateExactly(content.get() + K4QB_PAK_WRAPPER_SIZE, wrapper.packedSize,
                            unwrapped.get(), wrapper.size)) {
            k4cTraceThrow(logger_, K4QBERR_PAK_IOERROR, "K4QBPakArchive::readContent", (void*)this);
        }
        ++*inflations;
        content = std::move(unwrapped);
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakArchive::readContent = %p", entry->block.size,
              (void*)this);
    return content.release();
}

void K4QBPakArchive::createFolders(const char* rootFolder, const char* folderName) {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::createFolders(%s, %s) = %p", rootFolder, folderName,
              (void*)this);
    // Failures are left to show when the file is created.
    K4CString folder(rootFolder);
    for (const char* start = folderName; *start != 0;) {
        const char* end = std::strchr(start, '\\');
        if (end == nullptr) {
            break;
        }
        if (folder.getLength() > 0 && folder.getText()[folder.getLength() - 1] != '\\') {
            folder.appendChar('\\');
        }
        folder.appendSubstring(start, 0, static_cast<int32_t>(end - start));
        k4p::createFolder(folder.getText());
        start = end + 1;
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::createFolders = %p", (void*)this);
}

void K4QBPakArchive::writeAtomically(const char* target, const uint8_t* content, int32_t size) {
    K4C_TRACE(logger_, "Enter K4QBPakArchive::writeAtomically(%s, %p, %d) = %p", target,
              (const void*)content, size, (void*)this);
    k4p::WriteError error;
    if (!k4p::writeFileAtomic(target, content, static_cast<size_t>(size), &error)) {
        k4cTraceThrow(logger_, error == k4p::WriteError::DiskFull ? K4CERR_IO_DISKFULL : K4CEXC_IO,
                      "K4QBPakArchive::writeAtomically", this);
    }
    K4C_TRACE(logger_, "Exit K4QBPakArchive::writeAtomically = %p", (void*)this);
}
