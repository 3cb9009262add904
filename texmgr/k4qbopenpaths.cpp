// Paths from outside sorted into folders, pictures and what is left out
// (see k4qbopenpaths.h).
#include "texmgr/k4qbopenpaths.h"

#include "content/k4qbfindrules.h"
#include "platform/platform.h"

#include <windows.h>

#include <cstring>

namespace {

// The exact single-byte form in the ANSI code page, if there is one.
bool exactNarrow(const std::wstring& wide, std::string* narrow) {
    if (wide.empty()) {
        return false;
    }
    BOOL lossy = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy) {
        return false;
    }
    narrow->assign(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()),
                        &(*narrow)[0], length, nullptr, &lossy);
    return !lossy;
}

// The name as the user would recognise it, for the message.
std::string shownName(const std::wstring& wide) {
    const size_t slash = wide.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
    const int length = WideCharToMultiByte(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string shown(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), &shown[0],
                            length, nullptr, nullptr);
    }
    return shown;
}

// With the prefix that lifts MAX_PATH when the path needs it.
std::wstring longPath(const std::wstring& wide) {
    if (wide.size() < MAX_PATH - 12 || wide.compare(0, 4, L"\\\\?\\") == 0) {
        return wide;
    }
    return L"\\\\?\\" + wide;
}

// Absolute, with backslashes (a command line may name a path relative to
// the current folder).
std::wstring absolutePath(const std::wstring& given) {
    const DWORD needed = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length =
        needed > 0 ? GetFullPathNameW(given.c_str(), needed, &full[0], nullptr) : 0;
    if (length == 0 || length >= needed) {
        return given;
    }
    full.resize(length);
    return full;
}

bool readsType(const std::string& name) {
    const K4QBFileType& all = K4QB_FILE_TYPES[0]; // "All Supported Images"
    for (int32_t i = 0; i < all.extensionCount; ++i) {
        const char* extension = K4QB_IMAGE_EXTENSIONS[all.firstExtension + i];
        const size_t length = std::strlen(extension);
        if (name.size() > length && _stricmp(name.c_str() + name.size() - length, extension) == 0) {
            return true;
        }
    }
    return false;
}

void appendList(std::string* text, const char* heading, const std::vector<std::string>& names) {
    if (names.empty()) {
        return;
    }
    *text += heading;
    for (const std::string& name : names) {
        *text += "\n    " + name;
    }
    *text += "\n";
}

} // namespace

bool k4qbNarrowPath(const std::wstring& wide, std::string* path) {
    if (exactNarrow(wide, path)) {
        return true;
    }
    // A folder may be reached by its short form. A file only by its long
    // name, which the listing and the preview know it by; its folder may be
    // short.
    std::wstring asked = longPath(wide);
    const DWORD attributes = GetFileAttributesW(asked.c_str());
    std::string name;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const size_t slash = asked.find_last_of(L"\\/");
        if (slash == std::wstring::npos || !exactNarrow(asked.substr(slash + 1), &name)) {
            return false;
        }
        asked.erase(slash + 1);
    }
    const DWORD needed = GetShortPathNameW(asked.c_str(), nullptr, 0);
    if (needed == 0) {
        return false;
    }
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(asked.c_str(), &shortPath[0], needed);
    if (length == 0 || length >= needed) {
        return false;
    }
    shortPath.resize(length);
    if (shortPath.compare(0, 4, L"\\\\?\\") == 0 && shortPath.size() < MAX_PATH + 4) {
        shortPath.erase(0, 4);
    }
    if (!exactNarrow(shortPath, path)) {
        return false;
    }
    if (!name.empty()) {
        if (path->back() != '\\') {
            *path += '\\';
        }
        *path += name;
    }
    return true;
}

bool k4qbPathExists(const std::wstring& wide) {
    return !wide.empty() && GetFileAttributesW(longPath(wide).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string k4qbFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string k4qbNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

K4QBOpenedPaths k4qbSortOpenedPaths(const std::vector<std::wstring>& paths) {
    K4QBOpenedPaths opened;
    for (const std::wstring& given : paths) {
        const std::wstring wide = absolutePath(given);
        std::string path;
        k4p::FileStatus status;
        if (!k4qbPathExists(wide)) {
            opened.missing.push_back(shownName(wide));
        } else if (!k4qbNarrowPath(wide, &path) || !k4p::getFileStatus(path.c_str(), &status)) {
            opened.unspellable.push_back(shownName(wide));
        } else if (status.directory) {
            while (path.size() > 3 && path.back() == '\\') {
                path.pop_back(); // one backslash at the end, as folders have here
            }
            opened.folders.push_back(path.back() == '\\' ? path : path + "\\");
            if (opened.firstFolder.empty()) {
                opened.firstFolder = opened.folders.back();
            }
        } else if (readsType(path)) {
            opened.images.push_back(path);
            if (opened.firstFolder.empty()) {
                opened.firstFolder = k4qbFolderOf(path);
            }
        } else {
            opened.unread.push_back(shownName(wide));
        }
    }
    return opened;
}

std::string k4qbLeftOutMessage(const K4QBOpenedPaths& opened) {
    std::string text;
    appendList(&text, "These files or folders were not found:", opened.missing);
    if (!text.empty() && !opened.unspellable.empty()) {
        text += "\n";
    }
    appendList(&text,
               "These files have characters in their names that the texture manager cannot "
               "use; please rename them:",
               opened.unspellable);
    if (!text.empty() && !opened.unread.empty()) {
        text += "\n";
    }
    appendList(&text,
               "These files are left out (the texture manager shows DDS, BMP, TGA, JPEG and PNG "
               "pictures):",
               opened.unread);
    return text;
}
