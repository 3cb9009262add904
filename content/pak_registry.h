// K4QBPakRegistry: all pak archives of the game merged into one index of
// folders, each with its files sorted by name; source type 2 of the game
// content.
//
// Built once by CreateFromPath and unchanged afterwards. A file present in
// several archives is kept once: the copy of the most recently modified
// archive, and on equal times the copy of the archive loaded first (archives
// load in name order); a file one archive lists more than once is kept from
// its first record. Lookups are a map lookup for the folder and a binary
// search for the name; getContent extracts into the root (cache) folder.
// Names are matched lowered (archives store them lowered); folders are keyed
// by their exact bytes, so the browsing operations take exact folder texts.
//
// Threads: built on the start-up thread before any other thread exists, and
// read-only afterwards, so findContent and browsing (user-interface thread)
// may run while getContent runs on a worker. getContent extracts through an
// archive, whose stream may serve one extraction at a time: its callers keep
// it to one thread at a time, which in the program the Direct3D lock does
// (game_files.h). The registry takes no lock of its own; that is also why an
// archive rewritten while the program runs is not indexed again: getContent
// of its entries fails with "K4QBERR_PAK_CHANGED" (pak_archive.h) until the
// program starts again.
#pragma once

#include "content/game_files.h"
#include "foundation/k4cptrarray.h"
#include "foundation/k4cstring.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>

class K4CDebugLogger;
class K4CHashMap;
class K4QBPakArchive;
struct K4QBPakEntry;

// A file of a folder while the index is built: the first 16 bytes of its name
// as two big-endian numbers, so that most comparisons touch no entry.
struct K4QBPakSortItem {
    uint64_t key[2];
    K4QBPakEntry* entry;
};

struct K4QBPakFolder {
    int32_t index;    // in the sorted folder list
    const char* name; // in the names block of the first archive listing it
    int32_t nameLength;
    int32_t subFolderCount; // immediate sub-folders
    int32_t fileCount;
    int32_t sortedCount;    // merged items at the start of `items`
    int32_t pendingCount;   // items of the last archive behind them
    K4QBPakEntry** entries; // after building: fileCount entries sorted by name
    K4QBPakSortItem* items; // only while building
    // The immediate sub-folders in sorted order, so that browsing takes any
    // of them at once instead of walking every folder below this one.
    K4QBPakFolder** subFolders;
}; // entries, items and subFolders point into blocks of the registry

// The search key of one request: the name and folder lowered, the folder
// ending in a backslash unless empty, and the first wildcard of the name.
struct K4QBPakSearch {
    K4CString name;
    K4CString folder;
    int32_t wildcardPosition = -1;
    char wildcard = 0;
};

class K4QBPakRegistry : public K4QBGameFiles {
public:
    // The archives of the game's "data\pak" folder below the install folder.
    // Throws "K4QBERR_PAK_NOTINSTALLED" when the game is not installed.
    static K4QBPakRegistry* CreateFromGame(const char* rootFolder, K4CDebugLogger* logger);
    // Every "*.pak" file of pakFolder; a missing or empty folder gives an
    // empty registry. A load error ends the creation with that error, running
    // out of memory with "K4CERR_MEM_OUTOFMEMORY"; nothing is left then.
    static K4QBPakRegistry* CreateFromPath(const char* pakFolder, const char* rootFolder,
                                           K4CDebugLogger* logger = nullptr);
    ~K4QBPakRegistry() override;
    K4QBPakRegistry(const K4QBPakRegistry&) = delete;
    K4QBPakRegistry& operator=(const K4QBPakRegistry&) = delete;

    int32_t getSourceType() override;
    const char* getRootFolder() override;
    bool getContent(K4CString* output, const char* name, const char* folder,
                    bool searchSubFolders) override;
    int32_t findContent(K4QBFileList* list, const char* pattern, const char* folder,
                        bool searchSubFolders) override;

    // Exact folder text: no lowering, no backslash added. 0 for an unknown
    // folder.
    int32_t getSubFolderCount(const char* folder);
    // The index-th immediate sub-folder in sorted order, owned by the
    // registry. "K4QBERR_PAK_OUTOFRANGE" for an unknown folder or index.
    const char* getSubFolder(const char* folder, int32_t index);

    int32_t getFileCount() const { return fileCount_; }
    int32_t getFolderCount() const { return folderCount_; }
    int32_t getArchiveCount() const;
    K4QBPakArchive* getArchive(int32_t index) const;
    // Sorted folders and their sorted entries, for listing everything.
    const K4QBPakFolder* getFolder(int32_t index) const;
    void setLogger(K4CDebugLogger* logger);

private:
    K4QBPakRegistry(const char* rootFolder, K4CDebugLogger* logger);
    void loadArchives(const char* pakFolder);

    // Building (pak_registry_build.cpp).
    void buildFolders();
    void resFolderMap();
    void resFolders();
    // Counts the immediate sub-folders of folder `index` and, when `out` is
    // given, stores them there in sorted order.
    int32_t resSubFolderCount(int32_t index, K4QBPakFolder** out);
    void resFolderFiles();
    void mergeLastLoad();
    int32_t mergeFolder(K4QBPakFolder* folder, K4QBPakSortItem* out);
    void resFileCount();
    void freeMergeFiles();
    void clearFolders();

    // Searching (pak_registry_search.cpp).
    void initSearchStr(K4QBPakSearch* key, const char* name, const char* folder);
    void initWildcard(K4QBPakSearch* key);
    bool searchForFolder(const K4QBPakSearch& key, int32_t* position);
    bool searchInFolder(const K4QBPakFolder* folder, const char* name, int32_t* position);
    K4QBPakEntry* getFromFolder(const K4QBPakFolder* folder, const K4QBPakSearch& key);
    K4QBPakEntry* getFromFolders(int32_t start, const K4QBPakSearch& key);
    int32_t findFromFolder(K4QBFileList* list, const K4QBPakFolder* folder,
                           const K4QBPakSearch& key);
    int32_t findFromFolders(K4QBFileList* list, int32_t start, const K4QBPakSearch& key);
    int32_t findFromOne(K4QBFileList* list, const K4QBPakFolder* folder, const K4QBPakSearch& key);
    int32_t findFromAll(K4QBFileList* list, const K4QBPakFolder* folder, const K4QBPakSearch& key);
    int32_t findFromSubset(K4QBFileList* list, const K4QBPakFolder* folder,
                           const K4QBPakSearch& key);
    bool isBelow(const K4QBPakFolder* folder, const K4QBPakSearch& key) const;

    K4CString rootFolder_;
    K4COwningPtrArray<K4QBPakArchive> archives_;
    int32_t fileCount_;
    int32_t folderCount_;
    std::unique_ptr<K4CHashMap> folderMap_;
    // Every folder's record in one block, and pointers to them sorted by name.
    std::unique_ptr<K4QBPakFolder[]> folderBlock_;
    std::unique_ptr<K4QBPakFolder*[]> folders_;
    // Every folder's immediate sub-folders, in one block.
    std::unique_ptr<K4QBPakFolder*[]> subFolderBlock_;
    // Every folder's entries, in one block.
    k4p::LargeBlock entryBlock_;
    // While building: every folder's items in one block, and one merge
    // buffer for all folders, as large as the largest.
    k4p::LargeBlock itemBlock_;
    std::unique_ptr<K4QBPakSortItem[]> mergeBuffer_;
    K4CDebugLogger* logger_;
};
