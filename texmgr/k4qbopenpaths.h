// Files and folders handed to the program from outside (dropped from
// Explorer, or named on the command line), sorted into what it can show.
//
// Paths arrive as UTF-16; the program's paths are single-byte texts in the
// ANSI code page. A path the code page holds exactly is taken as it is (any
// length: the platform seam lifts MAX_PATH). Folders the code page cannot
// spell are taken in their short 8.3 form, which the file system makes of
// plain letters. A file is listed and loaded by its own long name, so a file
// name the code page cannot spell is left out and named in the message.
#pragma once

#include <string>
#include <vector>

struct K4QBOpenedPaths {
    std::vector<std::string> folders; // each ending with a backslash
    std::vector<std::string> images;  // files of the types the program reads
    // The folder of the first of them: the folder itself, or the file's.
    std::string firstFolder;
    // For the message: names not found, names the code page cannot spell,
    // and names of files of other types.
    std::vector<std::string> missing;
    std::vector<std::string> unspellable;
    std::vector<std::string> unread;
};

// The single-byte path of a UTF-16 path; false when there is none.
bool k4qbNarrowPath(const std::wstring& wide, std::string* path);
// Whether the UTF-16 path names an existing file or folder (any length).
bool k4qbPathExists(const std::wstring& wide);

// Sorts the paths, in their order.
K4QBOpenedPaths k4qbSortOpenedPaths(const std::vector<std::wstring>& paths);

// The folder part of a path (up to and with its last backslash) and the name.
std::string k4qbFolderOf(const std::string& path);
std::string k4qbNameOf(const std::string& path);

// The message naming what was left out; empty when nothing was.
std::string k4qbLeftOutMessage(const K4QBOpenedPaths& opened);
