// K4QBGameFiles: the one interface over every source of game files.
//
// A game folder is a path relative to the game's install folder, with
// backslashes and usually a trailing backslash ("data\textures\"); the empty
// text is the install folder. File names are plain names. getContent gives the
// path of a file on disk that holds a game file (the loose file, or a copy
// extracted into the cache folder); findContent adds the files matching a
// pattern with "*" and "?" to a file list and returns how many it added.
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
