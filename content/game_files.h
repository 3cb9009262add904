// K4QBGameFiles: the one interface over every source of game files.
//
// A game folder is a path relative to the game's install folder, with
// backslashes and usually a trailing backslash ("data\textures\"); the empty
// text is the install folder. File names are plain names. getContent gives the
// path of a file on disk that holds a game file (the loose file, or a copy
// extracted into the cache folder); findContent adds the files matching a
// pattern with "*" and "?" to a file list and returns how many it added.
//
// Threads. No source takes a lock of its own; every source is made on the
// start-up thread before any other thread exists, and its index never changes
// afterwards.
// - getContent: the texture cache asks for game files on the user-interface
//   thread and on the preview and export workers, always inside the Direct3D
//   lock (beginD3DUse/endD3DUse of the application window). That lock is what
//   keeps two calls apart, and they must be kept apart: getContent may
//   extract, which moves an archive's stream (pak_archive.h).
// - findContent and the browsing operations: the user-interface thread only
//   (searching and browsing in the file search panel and folder drop-down).
//   They only read, so they may run while a worker is inside getContent.
// The qbtex command has one thread.
#pragma once

#include <cstdint>

class K4CString;
class K4QBFileList;

inline constexpr int32_t K4QB_SOURCE_REGISTRY = 0;
inline constexpr int32_t K4QB_SOURCE_DATAFOLDER = 1;
inline constexpr int32_t K4QB_SOURCE_PAK = 2;

class K4QBGameFiles {
public:
    virtual ~K4QBGameFiles() = default;
    virtual int32_t getSourceType() = 0;
    // Owned by the source.
    virtual const char* getRootFolder() = 0;
    // True when the file was found and is available; `output` then holds its
    // path on disk.
    virtual bool getContent(K4CString* output, const char* name, const char* folder,
                            bool searchSubFolders) = 0;
    virtual int32_t findContent(K4QBFileList* list, const char* pattern, const char* folder,
                                bool searchSubFolders) = 0;
};
