// Building the pak registry's index: one folder per distinct folder name, and
// each archive's entries merged into their folders, archive by archive, so
// that every folder ends sorted by name with each name once.
#include "content/pak_registry.h"

#include "content/pak_archive.h"
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4cptrarray.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

uint64_t bigEndian(const char* bytes) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

// Names are NUL from their first NUL on (pak_format.h), so this orders them
// exactly as strcmp would.
int compareItems(const K4QBPakSortItem& a, const K4QBPakSortItem& b) {
    if (a.key[0] != b.key[0]) {
        return a.key[0] < b.key[0] ? -1 : 1;
    }
    if (a.key[1] != b.key[1]) {
        return a.key[1] < b.key[1] ? -1 : 1;
    }
    return std::memcmp(a.entry->name + 16, b.entry->name + 16, K4QB_PAK_NAME_SIZE - 16);
}

// Equal names in file-table order, which is the entries' order in memory.
bool itemBefore(const K4QBPakSortItem& a, const K4QBPakSortItem& b) {
    const int order = compareItems(a, b);
    return order != 0 ? order < 0 : a.entry < b.entry;
}

bool sameName(const K4QBPakSortItem& a, const K4QBPakSortItem& b) {
    return compareItems(a, b) == 0;
}

bool folderBefore(const K4QBPakFolder* a, const K4QBPakFolder* b) {
    return std::strcmp(a->name, b->name) < 0;
}

} // namespace

void K4QBPakRegistry::buildFolders() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::buildFolders = %p", (void*)this);
    resFolderMap();
    resFolders();
    resFolderFiles();
    resFileCount();
    freeMergeFiles();
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::buildFolders = %p", (void*)this);
}

void K4QBPakRegistry::resFolderMap() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::resFolderMap = %p", (void*)this);
    clearFolders();
    folderMap_.reset(new K4CHashMap(17));
    size_t names = 0;
    for (int32_t a = 0; a < archives_.getCount(); ++a) {
        names += static_cast<size_t>(archives_.get(a)->getFolderCount());
    }
    folderBlock_.reset(new K4QBPakFolder[names + 1]);
    folders_.reset(new K4QBPakFolder*[names + 1]);
    for (int32_t a = 0; a < archives_.getCount(); ++a) {
        K4QBPakArchive* archive = archives_.get(a);
        for (int32_t i = 0; i < archive->getFolderCount(); ++i) {
            // Folders whose names may not become paths hold no entries and
            // must not show up when browsing either.
            if (archive->getFolderRefusal(i) != nullptr) {
                continue;
            }
            const char* name = archive->getFolderName(i);
            auto* folder = static_cast<K4QBPakFolder*>(folderMap_->get(name));
            if (folder == nullptr) {
                folder = &folderBlock_[folderCount_];
                *folder = K4QBPakFolder{0,
                                        name,
                                        static_cast<int32_t>(std::strlen(name)),
                                        0,
                                        archive->getFolderFileCount(i),
                                        0,
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr};
                // Owned by the block before the map, which may fail to grow, sees it.
                folderMap_->put(name, folder);
                folders_[folderCount_++] = folder;
            } else {
                folder->fileCount += archive->getFolderFileCount(i);
            }
        }
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::resFolderMap = %p", (void*)this);
}

void K4QBPakRegistry::resFolders() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::resFolders = %p", (void*)this);
    std::sort(folders_.get(), folders_.get() + folderCount_, folderBefore);
    size_t total = 0;
    int32_t largest = 0;
    for (int32_t i = 0; i < folderCount_; ++i) {
        total += static_cast<size_t>(folders_[i]->fileCount);
        largest = std::max(largest, folders_[i]->fileCount);
    }
    auto* items =
        static_cast<K4QBPakSortItem*>(itemBlock_.allocate(sizeof(K4QBPakSortItem) * (total + 1)));
    mergeBuffer_.reset(new K4QBPakSortItem[static_cast<size_t>(largest) + 1]);
    size_t at = 0;
    size_t subFolders = 0;
    for (int32_t i = 0; i < folderCount_; ++i) {
        K4QBPakFolder* folder = folders_[i];
        folder->index = i;
        folder->items = items + at;
        at += static_cast<size_t>(folder->fileCount);
        folder->subFolderCount = resSubFolderCount(i, nullptr);
        subFolders += static_cast<size_t>(folder->subFolderCount);
    }
    subFolderBlock_.reset(new K4QBPakFolder*[subFolders + 1]);
    at = 0;
    for (int32_t i = 0; i < folderCount_; ++i) {
        folders_[i]->subFolders = subFolderBlock_.get() + at;
        at += static_cast<size_t>(resSubFolderCount(i, folders_[i]->subFolders));
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::resFolders = %p", (void*)this);
}

int32_t K4QBPakRegistry::resSubFolderCount(int32_t index, K4QBPakFolder** out) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::resSubFolderCount(%d, %p) = %p", index, (void*)out,
              (void*)this);
    const K4QBPakFolder* parent = folders_[index];
    int32_t count = 0;
    for (int32_t i = index + 1; i < folderCount_; ++i) {
        const char* name = folders_[i]->name;
        if (std::strncmp(name, parent->name, parent->nameLength) != 0) {
            break;
        }
        const char* slash = std::strchr(name + parent->nameLength, '\\');
        if (slash != nullptr && slash[1] == 0) {
            if (out != nullptr) {
                out[count] = folders_[i];
            }
            ++count;
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::resSubFolderCount = %p", count,
              (void*)this);
    return count;
}

void K4QBPakRegistry::resFolderFiles() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::resFolderFiles = %p", (void*)this);
    for (int32_t a = 0; a < archives_.getCount(); ++a) {
        K4QBPakArchive* archive = archives_.get(a);
        // One map lookup per folder name instead of one per entry.
        const int32_t names = archive->getFolderCount();
        std::unique_ptr<K4QBPakFolder*[]> byName(
            new K4QBPakFolder*[static_cast<size_t>(names) + 1]);
        for (int32_t i = 0; i < names; ++i) {
            byName[i] =
                archive->getFolderRefusal(i) != nullptr
                    ? nullptr
                    : static_cast<K4QBPakFolder*>(folderMap_->get(archive->getFolderName(i)));
        }
        const int32_t files = archive->getFileCount();
        for (int32_t e = 0; e < files; ++e) {
            K4QBPakEntry* entry = archive->getEntry(e);
            K4QBPakFolder* folder = byName[entry->folderIndex];
            K4QBPakSortItem& item = folder->items[folder->sortedCount + folder->pendingCount++];
            item.key[0] = bigEndian(entry->name);
            item.key[1] = bigEndian(entry->name + 8);
            item.entry = entry;
        }
        mergeLastLoad();
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::resFolderFiles = %p", (void*)this);
}

void K4QBPakRegistry::mergeLastLoad() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::mergeLastLoad = %p", (void*)this);
    for (int32_t i = 0; i < folderCount_; ++i) {
        K4QBPakFolder* folder = folders_[i];
        if (folder->pendingCount == 0) {
            continue;
        }
        K4QBPakSortItem* pending = folder->items + folder->sortedCount;
        const int32_t listed = folder->pendingCount;
        std::sort(pending, pending + listed, itemBefore);
        // A name the archive lists twice is kept once, from its first record:
        // left in, an older archive's second copy would outlive the merge
        // below, which takes one copy from each side.
        folder->pendingCount =
            static_cast<int32_t>(std::unique(pending, pending + listed, sameName) - pending);
        int32_t duplicates = listed - folder->pendingCount;
        int32_t merged = 0;
        if (folder->sortedCount > 0) {
            merged = mergeFolder(folder, mergeBuffer_.get());
            std::memcpy(folder->items, mergeBuffer_.get(),
                        sizeof(K4QBPakSortItem) *
                            (folder->sortedCount + folder->pendingCount - merged));
        }
        duplicates += merged;
        folder->fileCount -= duplicates;
        folder->sortedCount += folder->pendingCount - merged;
        K4C_DEBUG(logger_,
                  "(In K4QBPakRegistry::mergeLastLoad) Merged %d files into folder %s, with %d "
                  "duplicates, to a new total of %d sorted files",
                  listed, folder->name, duplicates, folder->sortedCount);
        folder->pendingCount = 0;
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::mergeLastLoad = %p", (void*)this);
}

int32_t K4QBPakRegistry::mergeFolder(K4QBPakFolder* folder, K4QBPakSortItem* out) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::mergeFolder(%p) = %p", (void*)folder, (void*)this);
    const K4QBPakSortItem* a = folder->items;
    const K4QBPakSortItem* aEnd = a + folder->sortedCount;
    const K4QBPakSortItem* b = aEnd;
    const K4QBPakSortItem* bEnd = b + folder->pendingCount;
    int32_t duplicates = 0;
    while (a < aEnd && b < bEnd) {
        int order = compareItems(*a, *b);
        if (order < 0) {
            *out++ = *a++;
        } else if (order > 0) {
            *out++ = *b++;
        } else {
            // The newer archive's copy wins; on equal times the earlier-loaded one.
            bool newer =
                b->entry->archive->getModificationTime() > a->entry->archive->getModificationTime();
            *out++ = newer ? *b : *a;
            ++a;
            ++b;
            ++duplicates;
        }
    }
    while (a < aEnd) {
        *out++ = *a++;
    }
    while (b < bEnd) {
        *out++ = *b++;
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::mergeFolder = %p", duplicates, (void*)this);
    return duplicates;
}

void K4QBPakRegistry::resFileCount() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::resFileCount = %p", (void*)this);
    fileCount_ = 0;
    for (int32_t i = 0; i < folderCount_; ++i) {
        fileCount_ += folders_[i]->fileCount;
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::resFileCount = %p", (void*)this);
}

void K4QBPakRegistry::freeMergeFiles() {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::freeMergeFiles = %p", (void*)this);
    // The merged runs become plain entry arrays of their final sizes.
    auto* entries = static_cast<K4QBPakEntry**>(
        entryBlock_.allocate(sizeof(K4QBPakEntry*) * (static_cast<size_t>(fileCount_) + 1)));
    size_t at = 0;
    for (int32_t i = 0; i < folderCount_; ++i) {
        K4QBPakFolder* folder = folders_[i];
        folder->entries = entries + at;
        for (int32_t e = 0; e < folder->fileCount; ++e) {
            folder->entries[e] = folder->items[e].entry;
        }
        at += static_cast<size_t>(folder->fileCount);
        folder->items = nullptr;
    }
    itemBlock_.reset();
    mergeBuffer_.reset();
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::freeMergeFiles = %p", (void*)this);
}

void K4QBPakRegistry::clearFolders() {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBPakRegistry::clearFolders = %p", (void*)this);
    folders_.reset();
    subFolderBlock_.reset();
    folderBlock_.reset();
    folderMap_.reset();
    entryBlock_.reset();
    itemBlock_.reset();
    mergeBuffer_.reset();
    folderCount_ = 0;
    fileCount_ = 0;
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBPakRegistry::clearFolders = %p", (void*)this);
}
