// Safe-name rules for archive folder and file names (see pak_names.h).
#include "content/pak_names.h"

#include <cstring>

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

bool sameNoCase(const char* a, size_t length, const char* b) {
    if (std::strlen(b) != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (upper(a[i]) != b[i]) {
            return false;
        }
    }
    return true;
}

// Windows treats these as devices whatever extension follows, and ignores
// trailing spaces before the extension ("NUL .txt").
bool isDeviceName(const char* component, size_t length) {
    size_t base = 0;
    while (base < length && component[base] != '.') {
        ++base;
    }
    while (base > 0 && component[base - 1] == ' ') {
        --base;
    }
    if (base != 3 && base != 4 && base != 6 && base != 7) {
        return false; // the common case, decided at once
    }
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (sameNoCase(component, base, device)) {
            return true;
        }
    }
    if (base == 4 && (sameNoCase(component, 3, "COM") || sameNoCase(component, 3, "LPT"))) {
        unsigned char digit = static_cast<unsigned char>(component[3]);
        // Also the superscript digits 1, 2 and 3 of the Windows code page.
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

// Bytes that may not appear in a Windows name: control characters and
// / : < > " | ? * and the backslash (which separates components).
struct ForbiddenBytes {
    bool table[256] = {};
    ForbiddenBytes() {
        for (int c = 0; c < 0x20; ++c) {
            table[c] = true;
        }
        for (const char* p = "/:<>\"|?*\\"; *p != 0; ++p) {
            table[static_cast<unsigned char>(*p)] = true;
        }
    }
};

const ForbiddenBytes kForbidden;

const char* checkComponent(const char* component, size_t length) {
    if (length == 0) {
        return "empty path component";
    }
    if ((length == 1 && component[0] == '.') ||
        (length == 2 && component[0] == '.' && component[1] == '.')) {
        return "\".\" or \"..\" component";
    }
    for (size_t i = 0; i < length; ++i) {
        if (kForbidden.table[static_cast<unsigned char>(component[i])]) {
            return "character not allowed in a Windows name";
        }
    }
    char last = component[length - 1];
    if (last == '.' || last == ' ') {
        return "name ends in a dot or a space";
    }
    if (isDeviceName(component, length)) {
        return "device name";
    }
    return nullptr;
}

} // namespace

const char* k4qbCheckPakFolderName(const char* name) {
    if (name == nullptr) {
        return "no name";
    }
    const char* start = name;
    while (*start != 0) {
        const char* end = std::strchr(start, '\\');
        if (end == nullptr) {
            return "folder name does not end in a backslash";
        }
        if (const char* reason = checkComponent(start, static_cast<size_t>(end - start))) {
            return reason;
        }
        start = end + 1;
    }
    return nullptr;
}

const char* k4qbCheckPakFileName(const char* name) {
    if (name == nullptr) {
        return "no name";
    }
    return checkComponent(name, std::strlen(name));
}
