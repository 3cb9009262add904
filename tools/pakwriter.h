// Pak archive writer for test fixtures, fuzz seeds, benchmarks and sample
// content. The program itself never writes archives.
//
// Writes versions below 5 (40-byte header) and 5 or more (52-byte header),
// with stored, compressed, chained ("zcmp" after a stored block header) and
// wrapped (a compressed block whose content is a "zcmp" wrapper) entries, any
// number of folders with any NUL padding between their names, and raw 32-byte
// name fields. Every field can be overridden so that tests can build the
// corrupt variants they need; nothing here validates what it writes.
//
// Uses only the standard library and zlib, and shares no code with the reader,
// so that a misreading of the format in one does not hide in the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class K4QBPakEncoding {
    Stored,     // block header with stored flag 1, then the content
    Compressed, // block header with stored flag 0, then a zlib stream
    Chained,    // stored block header, "zcmp", compressed block header, zlib stream
    Wrapped,    // compressed block whose inflated content is a "zcmp" wrapper
};

// Where things ended up in the written file, for tests that patch bytes.
struct K4QBPakLayout {
    size_t headerSize = 0;
    size_t fileTableOffset = 0;
    size_t pairTableOffset = 0;
    size_t namesOffset = 0;
    size_t namesSize = 0;
    std::vector<size_t> folderOffsets; // offset of each folder name in the names block
    std::vector<size_t> dataOffsets;   // data block of each entry
    std::vector<size_t> recordOffsets; // file record of each entry
    size_t fileSize = 0;
};

struct K4QBPakWriterEntry {
    int folder = 0;   // index into the archive's folders
    std::string name; // written into the 32-byte field; longer names are cut at 32
    std::vector<uint8_t> content;
    K4QBPakEncoding encoding = K4QBPakEncoding::Compressed;
    int zlibLevel = 6;
    int32_t wordA = 0, wordB = 0, wordD = 0, wordE = 0;
    int32_t blockWord0 = 0;
    uint32_t folderWordExtraBits = 0; // bit 0 and bits 15..31 of the folder word
    uint32_t wrapperStoredFlag = 0;   // the reader ignores it; tests set it to prove that

    // Corrupt variants.
    std::optional<int32_t> folderOffset; // raw offset put into the folder word
    std::optional<int32_t> dataOffset;   // written into the record instead of the real one
    std::optional<int32_t> size;         // stated size of the last block header
    std::optional<int32_t> packedSize;   // stated packed size of the last block header
    std::optional<int32_t> wrapperSize;  // stated size inside the wrapper
    std::optional<int32_t> wrapperPackedSize;
    bool damageStream = false;  // flip bytes in the middle of the (innermost) zlib stream
    size_t truncateWrapper = 0; // when non-zero, the wrapped content is cut to this many bytes
};

struct K4QBPakWriterFolder {
    std::string name;
    int extraNuls = 0; // NUL bytes after the terminating one
};

class K4QBPakWriter {
public:
    explicit K4QBPakWriter(int32_t version = 5);

    // Appends a folder name to the names block and returns its index. Readers
    // take NUL bytes after a name as padding, so an empty name is only found
    // when it comes first.
    int addFolder(const std::string& name, int extraNuls = 0);
    // Index of the folder with this exact name, adding it when missing.
    int folder(const std::string& name, int extraNulsIfNew = 0);
    // Appends a file record; the returned entry may be adjusted until build().
    K4QBPakWriterEntry& addFile(const std::string& folderName, const std::string& name,
                                const std::vector<uint8_t>& content,
                                K4QBPakEncoding encoding = K4QBPakEncoding::Compressed);
    K4QBPakWriterEntry& entry(size_t index) { return entries_[index]; }
    size_t entryCount() const { return entries_.size(); }
    void addPair(int32_t first, int32_t second) { pairs_.push_back({first, second}); }

    // Header fields and their corrupt variants.
    int32_t version;
    int32_t headerWord1 = 0x4B34;
    int32_t headerWord2 = 0;
    int32_t extension[3] = {0, 0, 0};
    std::optional<int32_t> fileCount, pairCount, folderCount, namesSize;
    std::optional<int32_t> fileTableOffset, pairTableOffset, namesOffset;
    bool dropFinalNul = false; // names block without its last NUL byte
    size_t truncateTo = 0;     // when non-zero, the file is cut to this many bytes

    std::vector<uint8_t> build(K4QBPakLayout* layout = nullptr) const;
    // False when the file cannot be written.
    bool writeTo(const std::string& path, K4QBPakLayout* layout = nullptr) const;

private:
    std::vector<K4QBPakWriterFolder> folders_;
    std::vector<K4QBPakWriterEntry> entries_;
    std::vector<std::pair<int32_t, int32_t>> pairs_;
};

// Content that is easy to recognise and compresses moderately well.
std::vector<uint8_t> k4qbPakSampleContent(size_t size, uint32_t seed);

// Writes the fuzz seed corpus (valid archives of every kind plus corrupt
// variants) into a folder, creating it. Returns the number of files written,
// or -1 when the folder or a file cannot be written.
int k4qbWritePakSeeds(const std::string& folder);
// The same for the registry's merge: inputs of two or three archives each
// (see fuzz/fuzz_pak_merge.cpp).
int k4qbWritePakMergeSeeds(const std::string& folder);
