// K4QBFileList: the (source, file name, folder) entries that searches find.
//
// Filled by searches it stays sorted by file name, then folder (byte order),
// and holds each pair once. Texts are either copied into shared 16 KiB blocks
// (an entry's two texts never span two blocks; texts too long for a block get
// storage of their own) or, for sources whose memory outlives the list, kept
// as pointers. Removing an entry leaves its texts in the blocks until clear().
//
// Threads: no lock; one thread at a time. The file search panel owns its list
// and fills and reads it on the user-interface thread.
#pragma once

#include <cstdint>

class K4QBGameFiles;

struct K4QBFileListEntry {
    K4QBGameFiles* source; // not owned; null for a file found on disk
    const char* folder;
    const char* name;
};

class K4QBFileList {
public:
    static constexpr int32_t kBlockSize = 16384;

    K4QBFileList();
    ~K4QBFileList();
    K4QBFileList(const K4QBFileList&) = delete;
    K4QBFileList& operator=(const K4QBFileList&) = delete;

    // Inserts in order and returns the position; when the name and folder are
    // already listed, returns that entry's position and changes nothing.
    // With keepTexts the caller's texts are referenced, not copied. Null texts
    // count as empty.
    int32_t addInOrder(K4QBGameFiles* source, const char* name, const char* folder, bool keepTexts);
    // Appends without ordering or duplicate check, copying the texts.
    int32_t append(K4QBGameFiles* source, const char* name, const char* folder);
    // Bad positions throw "IndexOutOfBoundsException".
    void removeAt(int32_t index);
    // Swap with the neighbour; return the places moved (0 at the end).
    int32_t moveUp(int32_t index);
    int32_t moveDown(int32_t index);
    // Frees every block but the first and forgets all entries.
    void clear();

    int32_t getCount() const { return entryCount_; }
    K4QBGameFiles* getSource(int32_t index) const;
    const char* getFolder(int32_t index) const;
    const char* getName(int32_t index) const;

    int32_t getBlockCount() const { return blockCount_; }
    int32_t getBlockUsed() const { return blockUsed_; }
    int32_t getEntryCapacity() const { return entryCapacity_; }

private:
    void checkIndex(int32_t index) const;
    void copyTexts(const char* name, const char* folder, const char** nameCopy,
                   const char** folderCopy);
    void insertAt(int32_t index, const K4QBFileListEntry& entry);

    int32_t blockCapacity_;
    int32_t blockCount_;
    int32_t blockUsed_;
    char** blocks_;
    char* writePosition_;
    int32_t entryCapacity_;
    int32_t entryCount_;
    K4QBFileListEntry* entries_;
    // Texts that do not fit a block, each in its own allocation.
    char** ownTexts_;
    int32_t ownTextCount_;
    int32_t ownTextCapacity_;
};
