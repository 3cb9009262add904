// The pak archive format: on-disk structures, limits, and the checks that run
// before anything is allocated or read from an archive.
//
// All numbers are 32-bit little-endian words, read as signed. The header is
// 40 bytes below version 5 and 52 from version 5 on (three extension words
// before the table offsets). A file record is 56 bytes; a data block starts
// with a 16-byte block header, possibly chained ("zcmp" and another header
// after a stored one), and content may be wrapped (a 20-byte "zcmp" header in
// front of a zlib stream). Archives come from outside: every count, size and
// offset is checked against the file size first. No state: any thread.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t K4QB_PAK_EXTENDED_VERSION = 5;
inline constexpr size_t K4QB_PAK_HEADER_SIZE = 40;
inline constexpr size_t K4QB_PAK_EXTENDED_HEADER_SIZE = 52;
inline constexpr size_t K4QB_PAK_RECORD_SIZE = 56;
inline constexpr size_t K4QB_PAK_PAIR_SIZE = 8;
inline constexpr size_t K4QB_PAK_BLOCK_HEADER_SIZE = 16;
inline constexpr size_t K4QB_PAK_WRAPPER_SIZE = 20;
inline constexpr size_t K4QB_PAK_NAME_SIZE = 32;
// Only names that start in the first 16 KiB of the names block can be
// referred to: the folder word holds 14 bits of offset.
inline constexpr int32_t K4QB_PAK_FOLDER_OFFSET_LIMIT = 0x4000;
// No texture comes near this; anything larger is taken as corruption rather
// than allocated.
inline constexpr int32_t K4QB_PAK_MAX_CONTENT = 1 << 30;
// deflate cannot expand by more than 1032:1; the margin covers stream headers.
inline constexpr int64_t K4QB_PAK_MAX_INFLATE_RATIO = 1040;
inline constexpr int64_t K4QB_PAK_INFLATE_SLACK = 4096;
inline constexpr uint8_t K4QB_PAK_TAG[4] = {'z', 'c', 'm', 'p'};

// The header as read (extension words 0 below version 5).
struct K4QBPakHeader {
    int32_t version;
    int32_t headerWord1;
    int32_t headerWord2;
    int32_t fileCount;
    int32_t pairCount;
    int32_t folderCount;
    int32_t namesSize;
    int32_t extension[3];
    int32_t fileTableOffset;
    int32_t pairTableOffset;
    int32_t namesOffset;
};

// One record of the file table, exactly as stored.
struct K4QBPakRecord {
    int32_t wordA;
    int32_t wordB;
    int32_t dataOffset;
    int32_t wordD;
    int32_t wordE;
    int32_t folderWord;
    char name[K4QB_PAK_NAME_SIZE];
};
static_assert(sizeof(K4QBPakRecord) == K4QB_PAK_RECORD_SIZE, "file record layout");

struct K4QBPakBlockHeader {
    int32_t word0;
    int32_t size;
    int32_t packedSize;
    int32_t storedFlag;
};
static_assert(sizeof(K4QBPakBlockHeader) == K4QB_PAK_BLOCK_HEADER_SIZE, "block header layout");

inline int32_t k4qbReadWord(const uint8_t* bytes) {
    uint32_t v = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                 (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return static_cast<int32_t>(v);
}

// Decodes and checks the header from the first `available` bytes of a file of
// `fileSize` bytes. Allocates nothing. Returns null when the header is sound,
// otherwise the reason it is not: too short, negative counts or offsets,
// tables or names block reaching past the end of the file, more folders than
// the names block can hold.
const char* k4qbDecodePakHeader(const uint8_t* bytes, size_t available, uint64_t fileSize,
                                K4QBPakHeader* header);

// Decodes a file record: words, and the name cut at its 32nd byte, with every
// byte after the first NUL cleared and A to Z lowered, so that names compare
// with memcmp exactly as with strcmp.
void k4qbDecodePakRecord(const uint8_t* bytes, K4QBPakRecord* record);

void k4qbDecodeBlockHeader(const uint8_t* bytes, K4QBPakBlockHeader* header);

// Checks the block header that describes the content starting at `position`
// of a file of `fileSize` bytes. Null when sound, otherwise the reason.
const char* k4qbCheckBlockHeader(const K4QBPakBlockHeader& header, int64_t position,
                                 uint64_t fileSize);

// Checks the sizes of a wrapper found at the start of `available` bytes of
// content. Null when sound, otherwise the reason.
const char* k4qbCheckWrapper(const K4QBPakBlockHeader& wrapper, size_t available);
