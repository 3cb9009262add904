// Pak archive writer: lays out header, data blocks, names block, pair table
// and file table, in that order, honouring every override of the description.
#include "tools/pakwriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const uint8_t kTag[4] = {'z', 'c', 'm', 'p'};

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void patch32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

std::vector<uint8_t> deflateBytes(const std::vector<uint8_t>& in, int level) {
    uLongf bound = compressBound(static_cast<uLong>(in.size()));
    std::vector<uint8_t> out(bound);
    if (compress2(out.data(), &bound, in.data(), static_cast<uLong>(in.size()), level) != Z_OK) {
        return {};
    }
    out.resize(bound);
    return out;
}

// Spoils the Adler-32 trailer, which zlib always checks, so that the damage is
// detected however the rest of the stream happens to decode.
void damage(std::vector<uint8_t>& stream) {
    if (!stream.empty()) {
        stream.back() ^= 0x5A;
    }
}

void putBlockHeader(std::vector<uint8_t>& out, int32_t word0, int32_t size, int32_t packed,
                    uint32_t stored) {
    put32(out, static_cast<uint32_t>(word0));
    put32(out, static_cast<uint32_t>(size));
    put32(out, static_cast<uint32_t>(packed));
    put32(out, stored);
}

std::vector<uint8_t> dataBlock(const K4QBPakWriterEntry& e) {
    std::vector<uint8_t> out;
    const int32_t contentSize = static_cast<int32_t>(e.content.size());
    switch (e.encoding) {
    case K4QBPakEncoding::Stored: {
        putBlockHeader(out, e.blockWord0, e.size.value_or(contentSize),
                       e.packedSize.value_or(contentSize), 1);
        out.insert(out.end(), e.content.begin(), e.content.end());
        break;
    }
    case K4QBPakEncoding::Compressed:
    case K4QBPakEncoding::Chained: {
        std::vector<uint8_t> stream = deflateBytes(e.content, e.zlibLevel);
        if (e.damageStream) {
            damage(stream);
        }
        if (e.encoding == K4QBPakEncoding::Chained) {
            putBlockHeader(out, e.blockWord0, 0, 0, 1);
            out.insert(out.end(), kTag, kTag + 4);
        }
        putBlockHeader(out, e.blockWord0, e.size.value_or(contentSize),
                       e.packedSize.value_or(static_cast<int32_t>(stream.size())), 0);
        out.insert(out.end(), stream.begin(), stream.end());
        break;
    }
    case K4QBPakEncoding::Wrapped: {
        std::vector<uint8_t> inner = deflateBytes(e.content, e.zlibLevel);
        if (e.damageStream) {
            damage(inner);
        }
        std::vector<uint8_t> wrapper(kTag, kTag + 4);
        put32(wrapper, static_cast<uint32_t>(e.blockWord0));
        put32(wrapper, static_cast<uint32_t>(e.wrapperSize.value_or(contentSize)));
        put32(wrapper, static_cast<uint32_t>(
                           e.wrapperPackedSize.value_or(static_cast<int32_t>(inner.size()))));
        put32(wrapper, e.wrapperStoredFlag);
        wrapper.insert(wrapper.end(), inner.begin(), inner.end());
        if (e.truncateWrapper != 0 && e.truncateWrapper < wrapper.size()) {
            wrapper.resize(e.truncateWrapper);
        }
        std::vector<uint8_t> outer = deflateBytes(wrapper, e.zlibLevel);
        putBlockHeader(out, e.blockWord0, e.size.value_or(static_cast<int32_t>(wrapper.size())),
                       e.packedSize.value_or(static_cast<int32_t>(outer.size())), 0);
        out.insert(out.end(), outer.begin(), outer.end());
        break;
    }
    }
    return out;
}

} // namespace

K4QBPakWriter::K4QBPakWriter(int32_t versionNumber) : version(versionNumber) {}

int K4QBPakWriter::addFolder(const std::string& name, int extraNuls) {
    folders_.push_back({name, extraNuls});
    return static_cast<int>(folders_.size() - 1);
}

int K4QBPakWriter::folder(const std::string& name, int extraNulsIfNew) {
    for (size_t i = 0; i < folders_.size(); ++i) {
        if (folders_[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return addFolder(name, extraNulsIfNew);
}

K4QBPakWriterEntry& K4QBPakWriter::addFile(const std::string& folderName, const std::string& name,
                                           const std::vector<uint8_t>& content,
                                           K4QBPakEncoding encoding) {
    K4QBPakWriterEntry e;
    e.folder = folder(folderName);
    e.name = name;
    e.content = content;
    e.encoding = encoding;
    entries_.push_back(std::move(e));
    return entries_.back();
}

std::vector<uint8_t> K4QBPakWriter::build(K4QBPakLayout* layoutOut) const {
    K4QBPakLayout layout;
    const bool extended = version >= 5;
    layout.headerSize = extended ? 52 : 40;
    std::vector<uint8_t> out(layout.headerSize, 0);

    for (const K4QBPakWriterEntry& e : entries_) {
        layout.dataOffsets.push_back(out.size());
        std::vector<uint8_t> block = dataBlock(e);
        out.insert(out.end(), block.begin(), block.end());
    }

    layout.namesOffset = out.size();
    for (const K4QBPakWriterFolder& f : folders_) {
        layout.folderOffsets.push_back(out.size() - layout.namesOffset);
        out.insert(out.end(), f.name.begin(), f.name.end());
        out.insert(out.end(), static_cast<size_t>(1 + std::max(0, f.extraNuls)), 0);
    }
    if (dropFinalNul && out.size() > layout.namesOffset) {
        out.pop_back();
    }
    layout.namesSize = out.size() - layout.namesOffset;

    layout.pairTableOffset = out.size();
    for (const auto& pair : pairs_) {
        put32(out, static_cast<uint32_t>(pair.first));
        put32(out, static_cast<uint32_t>(pair.second));
    }

    layout.fileTableOffset = out.size();
    for (size_t i = 0; i < entries_.size(); ++i) {
        const K4QBPakWriterEntry& e = entries_[i];
        layout.recordOffsets.push_back(out.size());
        put32(out, static_cast<uint32_t>(e.wordA));
        put32(out, static_cast<uint32_t>(e.wordB));
        put32(out, static_cast<uint32_t>(
                       e.dataOffset.value_or(static_cast<int32_t>(layout.dataOffsets[i]))));
        put32(out, static_cast<uint32_t>(e.wordD));
        put32(out, static_cast<uint32_t>(e.wordE));
        int32_t folderOffset = e.folderOffset.value_or(
            e.folder >= 0 && static_cast<size_t>(e.folder) < layout.folderOffsets.size()
                ? static_cast<int32_t>(layout.folderOffsets[e.folder])
                : 0);
        uint32_t folderWord = ((static_cast<uint32_t>(folderOffset) & 0x3FFFu) << 1) |
                              (e.folderWordExtraBits & ~0x7FFEu);
        put32(out, folderWord);
        uint8_t name[32] = {0};
        std::memcpy(name, e.name.data(), std::min<size_t>(32, e.name.size()));
        out.insert(out.end(), name, name + 32);
    }

    const int32_t folderTotal = static_cast<int32_t>(folders_.size());
    patch32(out, 0, static_cast<uint32_t>(version));
    patch32(out, 4, static_cast<uint32_t>(headerWord1));
    patch32(out, 8, static_cast<uint32_t>(headerWord2));
    patch32(out, 12,
            static_cast<uint32_t>(fileCount.value_or(static_cast<int32_t>(entries_.size()))));
    patch32(out, 16,
            static_cast<uint32_t>(pairCount.value_or(static_cast<int32_t>(pairs_.size()))));
    patch32(out, 20, static_cast<uint32_t>(folderCount.value_or(folderTotal)));
    patch32(out, 24,
            static_cast<uint32_t>(namesSize.value_or(static_cast<int32_t>(layout.namesSize))));
    size_t at = 28;
    if (extended) {
        for (int32_t word : extension) {
            patch32(out, at, static_cast<uint32_t>(word));
            at += 4;
        }
    }
    patch32(out, at,
            static_cast<uint32_t>(
                fileTableOffset.value_or(static_cast<int32_t>(layout.fileTableOffset))));
    patch32(out, at + 4,
            static_cast<uint32_t>(
                pairTableOffset.value_or(static_cast<int32_t>(layout.pairTableOffset))));
    patch32(out, at + 8,
            static_cast<uint32_t>(namesOffset.value_or(static_cast<int32_t>(layout.namesOffset))));

    if (truncateTo != 0 && truncateTo < out.size()) {
        out.resize(truncateTo);
    }
    layout.fileSize = out.size();
    if (layoutOut != nullptr) {
        *layoutOut = std::move(layout);
    }
    return out;
}

bool K4QBPakWriter::writeTo(const std::string& path, K4QBPakLayout* layout) const {
    std::vector<uint8_t> bytes = build(layout);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

std::vector<uint8_t> k4qbPakSampleContent(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        // Mostly a small alphabet so that zlib has something to do.
        uint32_t r = state >> 16;
        out[i] = (r & 7) == 0 ? static_cast<uint8_t>(r >> 3) : static_cast<uint8_t>('a' + (r % 6));
    }
    return out;
}
