// K4QBFileList: sorted, duplicate-free entries with block-packed texts.
#include "content/file_list.h"

#include "foundation/errors.h"

#include <cstring>

namespace {

constexpr int32_t kInitialBlocks = 16;
constexpr int32_t kInitialEntries = 256;

int compareEntry(const char* name, const char* folder, const K4QBFileListEntry& e) {
    int byName = std::strcmp(name, e.name);
    return byName != 0 ? byName : std::strcmp(folder, e.folder);
}

} // namespace

K4QBFileList::K4QBFileList()
    : blockCapacity_(kInitialBlocks), blockCount_(1), blockUsed_(0),
      blocks_(new char*[kInitialBlocks]), writePosition_(nullptr), entryCapacity_(kInitialEntries),
      entryCount_(0), entries_(new K4QBFileListEntry[kInitialEntries]), ownTexts_(nullptr),
      ownTextCount_(0), ownTextCapacity_(0) {
    blocks_[0] = new char[kBlockSize];
    writePosition_ = blocks_[0];
}

K4QBFileList::~K4QBFileList() {
    for (int32_t i = 0; i < blockCount_; ++i) {
        delete[] blocks_[i];
    }
    for (int32_t i = 0; i < ownTextCount_; ++i) {
        delete[] ownTexts_[i];
    }
    delete[] ownTexts_;
    delete[] blocks_;
    delete[] entries_;
}

void K4QBFileList::checkIndex(int32_t index) const {
    if (index < 0 || index >= entryCount_) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
}

void K4QBFileList::copyTexts(const char* name, const char* folder, const char** nameCopy,
                             const char** folderCopy) {
    const size_t nameLength = std::strlen(name);
    const size_t folderLength = std::strlen(folder);
    const size_t needed = nameLength + folderLength + 2;
    char* at;
    if (needed >= static_cast<size_t>(kBlockSize)) {
        // Would not fit even an empty block: storage of its own.
        if (ownTextCount_ == ownTextCapacity_) {
            int32_t capacity = ownTextCapacity_ == 0 ? 4 : ownTextCapacity_ * 2;
            char** grown = new char*[capacity];
            for (int32_t i = 0; i < ownTextCount_; ++i) {
                grown[i] = ownTexts_[i];
            }
            delete[] ownTexts_;
            ownTexts_ = grown;
            ownTextCapacity_ = capacity;
        }
        at = new char[needed];
        ownTexts_[ownTextCount_++] = at;
    } else {
        if (static_cast<size_t>(blockUsed_) + needed >= static_cast<size_t>(kBlockSize)) {
            if (blockCount_ == blockCapacity_) {
                char** grown = new char*[static_cast<size_t>(blockCapacity_) * 2];
                std::memcpy(grown, blocks_, sizeof(char*) * blockCount_);
                delete[] blocks_;
                blocks_ = grown;
                blockCapacity_ *= 2;
            }
            blocks_[blockCount_] = new char[kBlockSize];
            writePosition_ = blocks_[blockCount_++];
            blockUsed_ = 0;
        }
        at = writePosition_;
        writePosition_ += needed;
        blockUsed_ += static_cast<int32_t>(needed);
    }
    std::memcpy(at, name, nameLength + 1);
    std::memcpy(at + nameLength + 1, folder, folderLength + 1);
    *nameCopy = at;
    *folderCopy = at + nameLength + 1;
}

void K4QBFileList::insertAt(int32_t index, const K4QBFileListEntry& entry) {
    if (entryCount_ == entryCapacity_) {
        K4QBFileListEntry* grown = new K4QBFileListEntry[static_cast<size_t>(entryCapacity_) * 2];
        std::memcpy(grown, entries_, sizeof(K4QBFileListEntry) * entryCount_);
        delete[] entries_;
        entries_ = grown;
        entryCapacity_ *= 2;
    }
    std::memmove(entries_ + index + 1, entries_ + index,
                 sizeof(K4QBFileListEntry) * (entryCount_ - index));
    entries_[index] = entry;
    ++entryCount_;
}

int32_t K4QBFileList::addInOrder(K4QBGameFiles* source, const char* name, const char* folder,
                                 bool keepTexts) {
    name = name != nullptr ? name : "";
    folder = folder != nullptr ? folder : "";
    int32_t low = 0;
    int32_t high = entryCount_ - 1;
    while (low <= high) {
        int32_t middle = low + (high - low) / 2;
        int order = compareEntry(name, folder, entries_[middle]);
        if (order == 0) {
            return middle;
        }
        if (order < 0) {
            high = middle - 1;
        } else {
            low = middle + 1;
        }
    }
    K4QBFileListEntry entry{source, folder, name};
    if (!keepTexts) {
        copyTexts(name, folder, &entry.name, &entry.folder);
    }
    insertAt(low, entry);
    return low;
}

int32_t K4QBFileList::append(K4QBGameFiles* source, const char* name, const char* folder) {
    K4QBFileListEntry entry{source, nullptr, nullptr};
    copyTexts(name != nullptr ? name : "", folder != nullptr ? folder : "", &entry.name,
              &entry.folder);
    insertAt(entryCount_, entry);
    return entryCount_ - 1;
}

void K4QBFileList::removeAt(int32_t index) {
    checkIndex(index);
    std::memmove(entries_ + index, entries_ + index + 1,
                 sizeof(K4QBFileListEntry) * (entryCount_ - index - 1));
    --entryCount_;
}

int32_t K4QBFileList::moveUp(int32_t index) {
    checkIndex(index);
    if (index == 0) {
        return 0;
    }
    K4QBFileListEntry held = entries_[index - 1];
    entries_[index - 1] = entries_[index];
    entries_[index] = held;
    return 1;
}

int32_t K4QBFileList::moveDown(int32_t index) {
    checkIndex(index);
    if (index == entryCount_ - 1) {
        return 0;
    }
    K4QBFileListEntry held = entries_[index + 1];
    entries_[index + 1] = entries_[index];
    entries_[index] = held;
    return 1;
}

void K4QBFileList::clear() {
    for (int32_t i = 1; i < blockCount_; ++i) {
        delete[] blocks_[i];
    }
    for (int32_t i = 0; i < ownTextCount_; ++i) {
        delete[] ownTexts_[i];
    }
    ownTextCount_ = 0;
    blockCount_ = 1;
    blockUsed_ = 0;
    writePosition_ = blocks_[0];
    entryCount_ = 0;
}

K4QBGameFiles* K4QBFileList::getSource(int32_t index) const {
    checkIndex(index);
    return entries_[index].source;
}

const char* K4QBFileList::getFolder(int32_t index) const {
    checkIndex(index);
    return entries_[index].folder;
}

const char* K4QBFileList::getName(int32_t index) const {
    checkIndex(index);
    return entries_[index].name;
}
