// The file search's own rules, kept free of the window system so that the
// native build compiles and tests them too: the file types and their
// extensions, the pattern a search text becomes, the numbered sequence a
// file name belongs to, and how a folder relates to the current folder.
//
// Names and folders are single-byte texts; folders end with a backslash.
#pragma once

#include <cstdint>

class K4CString;

// One entry of the file-type list: its text and the range of
// K4QB_IMAGE_EXTENSIONS it searches.
struct K4QBFileType {
    const char* text;
    int32_t firstExtension;
    int32_t extensionCount;
};

inline constexpr int32_t K4QB_FILE_TYPE_COUNT = 6;
extern const K4QBFileType K4QB_FILE_TYPES[K4QB_FILE_TYPE_COUNT];
// ".dds", ".bmp", ".tga", ".jpg", ".jpeg", ".png", then ".psd" and ".xcf",
// which no file type selects.
inline constexpr int32_t K4QB_IMAGE_EXTENSION_COUNT = 8;
extern const char* const K4QB_IMAGE_EXTENSIONS[K4QB_IMAGE_EXTENSION_COUNT];

// The type whose text equals `text` exactly; 0 ("All Supported Images")
// when none does or the text is null.
int32_t k4qbFindFileType(const char* text);

// The pattern of one search: the text as typed when it holds "*" or "?",
// otherwise "*", the text and "*" (just "*" for an empty or null text); then
// the extension.
void k4qbSearchPattern(const char* text, const char* extension, K4CString* pattern);

// The first run of decimal digits of a name: where it starts and how long it
// is. False when the name holds no digit.
bool k4qbFindDigitRun(const char* name, int32_t* position, int32_t* length);

// True when `name` belongs to the numbered sequence of `clicked`, whose first
// run of digits stands at [position, position + length): it is at least
// position + length characters long, begins with the same `position`
// characters and has digits at the run's positions.
bool k4qbInSequence(const char* name, const char* clicked, int32_t position, int32_t length);

// Where the current folder stands to `path`, comparing both ASCII-lowered
// over the path's length: -1 not at or below it, 0 the path itself, 1 below
// it.
int32_t k4qbFolderRelation(const char* path, const char* current);

// The last component of a folder path that ends with a backslash: the text
// between its last two backslashes (or from the start).
void k4qbLastFolderName(const char* path, K4CString* name);
