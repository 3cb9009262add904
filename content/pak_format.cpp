// Decoding and checking of the pak archive's fixed structures. Nothing here
// allocates or touches a file: callers check first, then read.
#include "content/pak_format.h"

#include <cstring>

namespace {

// True when [offset, offset + count * width) lies inside the file.
bool fits(int32_t offset, int32_t count, size_t width, uint64_t fileSize) {
    if (offset < 0 || count < 0) {
        return false;
    }
    uint64_t end = static_cast<uint64_t>(offset) + static_cast<uint64_t>(count) * width;
    return end <= fileSize;
}

} // namespace

const char* k4qbDecodePakHeader(const uint8_t* bytes, size_t available, uint64_t fileSize,
                                K4QBPakHeader* header) {
    if (available < K4QB_PAK_HEADER_SIZE || fileSize < K4QB_PAK_HEADER_SIZE) {
        return "file shorter than a header";
    }
    std::memset(header, 0, sizeof(*header));
    header->version = k4qbReadWord(bytes);
    const bool extended = header->version >= K4QB_PAK_EXTENDED_VERSION;
    const size_t headerSize = extended ? K4QB_PAK_EXTENDED_HEADER_SIZE : K4QB_PAK_HEADER_SIZE;
    if (available < headerSize || fileSize < headerSize) {
        return "file shorter than a header";
    }
    header->headerWord1 = k4qbReadWord(bytes + 0x04);
    header->headerWord2 = k4qbReadWord(bytes + 0x08);
    header->fileCount = k4qbReadWord(bytes + 0x0C);
    header->pairCount = k4qbReadWord(bytes + 0x10);
    header->folderCount = k4qbReadWord(bytes + 0x14);
    header->namesSize = k4qbReadWord(bytes + 0x18);
    size_t at = 0x1C;
    if (extended) {
        for (int32_t& word : header->extension) {
            word = k4qbReadWord(bytes + at);
            at += 4;
        }
    }
    header->fileTableOffset = k4qbReadWord(bytes + at);
    header->pairTableOffset = k4qbReadWord(bytes + at + 4);
    header->namesOffset = k4qbReadWord(bytes + at + 8);

    if (header->fileCount < 0 || header->pairCount < 0 || header->folderCount < 0 ||
        header->namesSize < 0) {
        return "negative count or size";
    }
    if (!fits(header->fileTableOffset, header->fileCount, K4QB_PAK_RECORD_SIZE, fileSize)) {
        return "file table outside the file";
    }
    if (!fits(header->pairTableOffset, header->pairCount, K4QB_PAK_PAIR_SIZE, fileSize)) {
        return "pair table outside the file";
    }
    if (!fits(header->namesOffset, header->namesSize, 1, fileSize)) {
        return "names block outside the file";
    }
    // Every name takes at least its NUL byte.
    if (header->folderCount > header->namesSize) {
        return "more folders than the names block can hold";
    }
    return nullptr;
}

void k4qbDecodePakRecord(const uint8_t* bytes, K4QBPakRecord* record) {
    record->wordA = k4qbReadWord(bytes);
    record->wordB = k4qbReadWord(bytes + 4);
    record->dataOffset = k4qbReadWord(bytes + 8);
    record->wordD = k4qbReadWord(bytes + 12);
    record->wordE = k4qbReadWord(bytes + 16);
    record->folderWord = k4qbReadWord(bytes + 20);
    // The 32nd byte always counts as NUL; everything from the first NUL on is
    // cleared so that whole fields compare like strcmp.
    std::memcpy(record->name, bytes + 24, K4QB_PAK_NAME_SIZE - 1);
    record->name[K4QB_PAK_NAME_SIZE - 1] = 0;
    const void* nul = std::memchr(record->name, 0, K4QB_PAK_NAME_SIZE);
    const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - record->name);
    std::memset(record->name + length, 0, K4QB_PAK_NAME_SIZE - length);
    for (size_t i = 0; i < length; ++i) {
        char c = record->name[i];
        record->name[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
}

void k4qbDecodeBlockHeader(const uint8_t* bytes, K4QBPakBlockHeader* header) {
    header->word0 = k4qbReadWord(bytes);
    header->size = k4qbReadWord(bytes + 4);
    header->packedSize = k4qbReadWord(bytes + 8);
    header->storedFlag = k4qbReadWord(bytes + 12);
}

namespace {

const char* checkSizes(int32_t size, int32_t packedSize, bool stored, int64_t available) {
    if (size < 0 || size > K4QB_PAK_MAX_CONTENT) {
        return "content size negative or too large";
    }
    if (stored) {
        return size > available ? "stored content reaches past the end" : nullptr;
    }
    if (packedSize < 0 || packedSize > available) {
        return "packed size negative or past the end";
    }
    if (size > packedSize * K4QB_PAK_MAX_INFLATE_RATIO + K4QB_PAK_INFLATE_SLACK) {
        return "content size beyond what the packed bytes can hold";
    }
    return nullptr;
}

} // namespace

const char* k4qbCheckBlockHeader(const K4QBPakBlockHeader& header, int64_t position,
                                 uint64_t fileSize) {
    int64_t available = static_cast<int64_t>(fileSize) - position;
    if (position < 0 || available < 0) {
        return "data block outside the file";
    }
    return checkSizes(header.size, header.packedSize, header.storedFlag != 0, available);
}

const char* k4qbCheckWrapper(const K4QBPakBlockHeader& wrapper, size_t available) {
    if (available < K4QB_PAK_WRAPPER_SIZE) {
        return "wrapped content shorter than its header";
    }
    // The wrapper's own stored flag is not consulted: its stream is always inflated.
    return checkSizes(wrapper.size, wrapper.packedSize, false,
                      static_cast<int64_t>(available - K4QB_PAK_WRAPPER_SIZE));
}
