// Searching the pak registry: search keys, exact lookups with extraction
// (getContent) and pattern searches into a file list (findContent).
#include "content/pak_registry.h"

#include "content/file_list.h"
#include "content/pak_archive.h"
#include "content/pak_wildcard.h"
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4ctrace.h"

#include <cstring>

void K4QBPakRegistry::initSearchStr(K4QBPakSearch* key, const char* name, const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::initSearchStr(%p, %s, %s) = %p", (void*)key, name,
              folder, (void*)this);
    key->name.assign(name);
    key->name.toLowerCase();
    key->folder.assign(folder);
    const int32_t length = key->folder.getLength();
    if (length > 0 && key->folder.getText()[length - 1] != '\\') {
        key->folder.appendChar('\\');
    }
    key->folder.toLowerCase();
    key->wildcardPosition = -1;
    key->wildcard = 0;
    K4C_DEBUG(logger_, "(In K4QBPakRegistry::initSearchStr) Filename = %s, Folder = %s",
              key->name.getText(), key->folder.getText());
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::initSearchStr = %p", (void*)this);
}

void K4QBPakRegistry::initWildcard(K4QBPakSearch* key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::initWildcard(%p) = %p", (void*)key, (void*)this);
    const char* name = key->name.getText();
    const char* first = std::strpbrk(name, "*?");
    key->wildcardPosition = first != nullptr ? static_cast<int32_t>(first - name) : -1;
    key->wildcard = first != nullptr ? *first : 0;
    K4C_DEBUG(logger_,
              "(In K4QBPakRegistry::initWildcard) First wildcard '%c' at character position %d",
              key->wildcard != 0 ? key->wildcard : ' ', key->wildcardPosition);
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::initWildcard = %p", (void*)this);
}

bool K4QBPakRegistry::searchForFolder(const K4QBPakSearch& key, int32_t* position) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::searchForFolder(%s) = %p", key.folder.getText(),
              (void*)this);
    bool found = false;
    auto* folder = folderMap_ != nullptr ? static_cast<K4QBPakFolder*>(folderMap_->get(
                                               key.folder.getText(), key.folder.getLength()))
                                         : nullptr;
    if (folder != nullptr) {
        found = true;
        *position = folder->index;
    } else {
        // Where the folder would stand: its sub-folders, if any, begin there.
        int32_t low = 0;
        int32_t high = folderCount_ - 1;
        while (low <= high) {
            int32_t middle = low + (high - low) / 2;
            if (std::strcmp(folders_[middle]->name, key.folder.getText()) < 0) {
                low = middle + 1;
            } else {
                high = middle - 1;
            }
        }
        *position = low;
    }
    K4C_TRACE(logger_, "Return %d (%d) from K4QBPakRegistry::searchForFolder = %p", found ? 1 : 0,
              *position, (void*)this);
    return found;
}

bool K4QBPakRegistry::searchInFolder(const K4QBPakFolder* folder, const char* name,
                                     int32_t* position) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::searchInFolder(%p, %s) = %p", (const void*)folder,
              name, (void*)this);
    bool found = false;
    int32_t low = 0;
    int32_t high = folder->fileCount - 1;
    *position = -1;
    if (folder->fileCount > 0) {
        while (low <= high) {
            int32_t middle = low + (high - low) / 2;
            int order = std::strcmp(name, folder->entries[middle]->name);
            if (order == 0) {
                found = true;
                low = middle;
                break;
            }
            if (order < 0) {
                high = middle - 1;
            } else {
                low = middle + 1;
            }
        }
        *position = low;
    }
    K4C_TRACE(logger_, "Return %d (%d) from K4QBPakRegistry::searchInFolder = %p", found ? 1 : 0,
              *position, (void*)this);
    return found;
}

bool K4QBPakRegistry::isBelow(const K4QBPakFolder* folder, const K4QBPakSearch& key) const {
    return std::strncmp(folder->name, key.folder.getText(), key.folder.getLength()) == 0;
}

K4QBPakEntry* K4QBPakRegistry::getFromFolder(const K4QBPakFolder* folder,
                                             const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::getFromFolder(%p, %p(%s)) = %p", (const void*)folder,
              (const void*)&key, key.name.getText(), (void*)this);
    int32_t position;
    K4QBPakEntry* entry =
        searchInFolder(folder, key.name.getText(), &position) ? folder->entries[position] : nullptr;
    K4C_TRACE(logger_, "Return %p from K4QBPakRegistry::getFromFolder = %p", (void*)entry,
              (void*)this);
    return entry;
}

K4QBPakEntry* K4QBPakRegistry::getFromFolders(int32_t start, const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::getFromFolders(%d, %p) = %p", start,
              (const void*)&key, (void*)this);
    K4QBPakEntry* entry = nullptr;
    for (int32_t i = start; i < folderCount_ && entry == nullptr && isBelow(folders_[i], key);
         ++i) {
        entry = getFromFolder(folders_[i], key);
    }
    K4C_TRACE(logger_, "Return %p from K4QBPakRegistry::getFromFolders = %p", (void*)entry,
              (void*)this);
    return entry;
}

bool K4QBPakRegistry::getContent(K4CString* output, const char* name, const char* folder,
                                 bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::getContent(%p, %s, %s, %d) = %p", (void*)output,
              name, folder, searchSubFolders ? 1 : 0, (void*)this);
    K4QBPakEntry* entry = nullptr;
    try {
        k4cOutOfMemoryAsError([&] {
            K4QBPakSearch key;
            initSearchStr(&key, name, folder);
            if (key.name.getLength() == 0 || output == nullptr) {
                return;
            }
            int32_t position;
            bool found = searchForFolder(key, &position);
            if (found) {
                entry = getFromFolder(folders_[position], key);
            }
            if (entry == nullptr && searchSubFolders) {
                entry = getFromFolders(found ? position + 1 : position, key);
            }
            if (entry != nullptr) {
                entry->archive->extractEntry(entry, output, rootFolder_.getText());
            }
        });
    } catch (const char* code) {
        k4cTraceThrow(logger_, code, "K4QBPakRegistry::getContent", (void*)this);
    }
    K4C_TRACE(logger_, "Return %d (%s) from K4QBPakRegistry::getContent = %p",
              entry != nullptr ? 1 : 0, entry != nullptr ? output->getText() : "", (void*)this);
    return entry != nullptr;
}

int32_t K4QBPakRegistry::findContent(K4QBFileList* list, const char* pattern, const char* folder,
                                     bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findContent(%p, %s, %s, %d) = %p", (void*)list,
              pattern, folder, searchSubFolders ? 1 : 0, (void*)this);
    K4QBPakSearch key;
    initSearchStr(&key, pattern, folder);
    int32_t added = 0;
    if (key.name.getLength() > 0 && list != nullptr) {
        initWildcard(&key);
        int32_t position;
        bool found = searchForFolder(key, &position);
        if (found) {
            added += findFromFolder(list, folders_[position], key);
        }
        if (searchSubFolders) {
            added += findFromFolders(list, found ? position + 1 : position, key);
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findContent = %p", added, (void*)this);
    return added;
}

int32_t K4QBPakRegistry::findFromFolder(K4QBFileList* list, const K4QBPakFolder* folder,
                                        const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findFromFolder(%p, %p(%s)) = %p", (void*)list,
              (const void*)folder, folder->name, (void*)this);
    int32_t added;
    if (key.wildcardPosition < 0) {
        added = findFromOne(list, folder, key);
    } else if (key.wildcardPosition == 0) {
        added = findFromAll(list, folder, key);
    } else {
        added = findFromSubset(list, folder, key);
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findFromFolder = %p", added, (void*)this);
    return added;
}

int32_t K4QBPakRegistry::findFromFolders(K4QBFileList* list, int32_t start,
                                         const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findFromFolders(%p, %d) = %p", (void*)list, start,
              (void*)this);
    int32_t added = 0;
    for (int32_t i = start; i < folderCount_ && isBelow(folders_[i], key); ++i) {
        added += findFromFolder(list, folders_[i], key);
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findFromFolders = %p", added, (void*)this);
    return added;
}

namespace {

// 1 when the list took the entry, 0 when it already held that name and folder.
int32_t addTo(K4QBFileList* list, K4QBGameFiles* source, const K4QBPakEntry* entry,
              const K4QBPakFolder* folder) {
    const int32_t before = list->getCount();
    list->addInOrder(source, entry->name, folder->name, true);
    return list->getCount() - before;
}

} // namespace

int32_t K4QBPakRegistry::findFromOne(K4QBFileList* list, const K4QBPakFolder* folder,
                                     const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findFromOne(%p, %p) = %p", (void*)list,
              (const void*)folder, (void*)this);
    int32_t position;
    int32_t added = 0;
    if (searchInFolder(folder, key.name.getText(), &position)) {
        added = addTo(list, this, folder->entries[position], folder);
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findFromOne = %p", added, (void*)this);
    return added;
}

int32_t K4QBPakRegistry::findFromAll(K4QBFileList* list, const K4QBPakFolder* folder,
                                     const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findFromAll(%p, %p) = %p", (void*)list,
              (const void*)folder, (void*)this);
    int32_t added = 0;
    for (int32_t i = 0; i < folder->fileCount; ++i) {
        const K4QBPakEntry* entry = folder->entries[i];
        K4C_DEBUG(logger_,
                  "(In K4QBPakRegistry::findFromAll) Comparing to filename %s in folder %s",
                  entry->name, folder->name);
        if (k4qbWildcardMatch(key.name.getText(), entry->name)) {
            added += addTo(list, this, entry, folder);
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findFromAll = %p", added, (void*)this);
    return added;
}

int32_t K4QBPakRegistry::findFromSubset(K4QBFileList* list, const K4QBPakFolder* folder,
                                        const K4QBPakSearch& key) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::findFromSubset(%p, %p) = %p", (void*)list,
              (const void*)folder, (void*)this);
    const int32_t p = key.wildcardPosition;
    const char* pattern = key.name.getText();
    K4CString prefix;
    prefix.appendSubstring(pattern, 0, p);
    int32_t position;
    searchInFolder(folder, prefix.getText(), &position);
    int32_t added = 0;
    for (int32_t i = position < 0 ? 0 : position; i < folder->fileCount; ++i) {
        const K4QBPakEntry* entry = folder->entries[i];
        if (std::strncmp(entry->name, pattern, static_cast<size_t>(p)) != 0) {
            break;
        }
        K4C_DEBUG(logger_,
                  "(In K4QBPakRegistry::findFromSubset) Comparing to filename %s in folder %s",
                  entry->name, folder->name);
        if (k4qbWildcardMatch(pattern + p, entry->name + p)) {
            added += addTo(list, this, entry, folder);
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::findFromSubset = %p", added, (void*)this);
    return added;
}
