// The file search's rules: file types, search patterns, numbered sequences
// and folder relations.
#include "content/k4qbfindrules.h"

#include "foundation/k4cstring.h"

#include <cstring>

const K4QBFileType K4QB_FILE_TYPES[K4QB_FILE_TYPE_COUNT] = {
    {"All Supported Images", 0, 6},   {"(*.dds) DirectDraw Surface", 0, 1},
    {"(*.bmp) Windows Bitmap", 1, 1}, {"(*.tga) Truevision's TARGA", 2, 1},
    {"(*.jpg, *.jpeg) JPEG", 3, 2},   {"(*.png) Portable Network Graphics", 5, 1},
};

const char* const K4QB_IMAGE_EXTENSIONS[K4QB_IMAGE_EXTENSION_COUNT] = {
    ".dds", ".bmp", ".tga", ".jpg", ".jpeg", ".png", ".psd", ".xcf"};

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

} // namespace

int32_t k4qbFindFileType(const char* text) {
    for (int32_t i = 0; text != nullptr && i < K4QB_FILE_TYPE_COUNT; ++i) {
        if (std::strcmp(K4QB_FILE_TYPES[i].text, text) == 0) {
            return i;
        }
    }
    return 0;
}

void k4qbSearchPattern(const char* text, const char* extension, K4CString* pattern) {
    const char* typed = text != nullptr ? text : "";
    if (std::strpbrk(typed, "*?") != nullptr) {
        pattern->assign(typed);
    } else {
        pattern->assign("*");
        if (*typed != 0) {
            pattern->append(typed);
            pattern->appendChar('*');
        }
    }
    pattern->append(extension);
}

bool k4qbFindDigitRun(const char* name, int32_t* position, int32_t* length) {
    const char* first = name != nullptr ? std::strpbrk(name, "0123456789") : nullptr;
    if (first == nullptr) {
        return false;
    }
    const char* end = first;
    while (isDigit(*end)) {
        ++end;
    }
    *position = static_cast<int32_t>(first - name);
    *length = static_cast<int32_t>(end - first);
    return true;
}

bool k4qbInSequence(const char* name, const char* clicked, int32_t position, int32_t length) {
    if (static_cast<int64_t>(std::strlen(name)) < static_cast<int64_t>(position) + length ||
        std::strncmp(name, clicked, static_cast<size_t>(position)) != 0) {
        return false;
    }
    for (int32_t i = position; i < position + length; ++i) {
        if (!isDigit(name[i])) {
            return false;
        }
    }
    return true;
}

int32_t k4qbFolderRelation(const char* path, const char* current) {
    size_t i = 0;
    for (; path[i] != 0; ++i) {
        if (lowerAscii(path[i]) != lowerAscii(current[i])) {
            return -1; // also where the current folder is shorter
        }
    }
    return current[i] == 0 ? 0 : 1;
}

void k4qbLastFolderName(const char* path, K4CString* name) {
    size_t end = std::strlen(path);
    if (end > 0 && path[end - 1] == '\\') {
        --end;
    }
    size_t start = end;
    while (start > 0 && path[start - 1] != '\\') {
        --start;
    }
    name->clear();
    name->appendSubstring(path, static_cast<int32_t>(start), static_cast<int32_t>(end - start));
}
