// Creating a folder with its missing parents, on top of the one-level call.
#include "platform/platform.h"

#include <string>

namespace k4p {

bool createFolderTree(const char* path) {
    if (path == nullptr || *path == 0) {
        return false;
    }
    std::string text(path);
    // Each prefix that ends before a separator is a parent; the drive ("C:")
    // and the root are skipped because creating them always fails.
    for (size_t i = 1; i < text.size(); ++i) {
        if ((text[i] == '\\' || text[i] == '/') && text[i - 1] != ':' && text[i - 1] != '\\' &&
            text[i - 1] != '/') {
            createFolder(text.substr(0, i).c_str());
        }
    }
    createFolder(text.c_str());
    FileStatus status;
    return getFileStatus(text.c_str(), &status) && status.directory;
}

} // namespace k4p
