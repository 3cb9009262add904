// K4QBGameDataFolder: finding loose game files with the operating system's
// folder listing.
#include "content/game_data_folder.h"

#include "content/file_list.h"
#include "content/install_path.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <cstring>
#include <memory>

namespace {

bool isDotName(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

K4QBGameDataFolder::K4QBGameDataFolder(const char* folder)
    : rootFolder_(new K4CString(folder)), logger_(nullptr) {}

K4QBGameDataFolder::~K4QBGameDataFolder() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBGameDataFolder = %p", (void*)this);
    delete rootFolder_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBGameDataFolder = %p", (void*)this);
}

K4QBGameDataFolder* K4QBGameDataFolder::CreateFromGame(K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBGameDataFolder::CreateFromGame(%p)", (void*)logger);
    std::unique_ptr<K4QBGameDataFolder> source;
    try {
        k4cOutOfMemoryAsError([&] {
            const char* install = getInstallPath();
            if (install == nullptr) {
                throw K4QBERR_PAK_NOTINSTALLED;
            }
            source.reset(CreateFromPath(install));
        });
    } catch (const char* code) {
        K4C_DEBUG(logger, "Throw exception %s from K4QBGameDataFolder::CreateFromGame", code);
        throw;
    }
    source->setLogger(logger);
    K4C_TRACE(logger, "Return %p from K4QBGameDataFolder::CreateFromGame", (void*)source.get());
    return source.release();
}

K4QBGameDataFolder* K4QBGameDataFolder::CreateFromPath(const char* folder) {
    K4CString pattern(folder != nullptr ? folder : "");
    pattern.appendPath("*", false);
    k4p::FolderListing listing;
    if (folder == nullptr || !listing.open(pattern.getText())) {
        throw K4QBERR_PAK_INVALIDPATH;
    }
    return new K4QBGameDataFolder(folder);
}

int32_t K4QBGameDataFolder::getSourceType() {
    K4C_TRACE(logger_, "Enter and return %d from K4QBGameDataFolder::getSourceType = %p",
              K4QB_SOURCE_DATAFOLDER, (void*)this);
    return K4QB_SOURCE_DATAFOLDER;
}

const char* K4QBGameDataFolder::getRootFolder() {
    K4C_TRACE(logger_, "Enter and return %s from K4QBGameDataFolder::getRootFolder = %p",
              rootFolder_->getText(), (void*)this);
    return rootFolder_->getText();
}

bool K4QBGameDataFolder::getFromFile(K4CString* output, const char* name, const char* folderPath) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::getFromFile(%p, %s, %s) = %p", (void*)output,
              name, folderPath, (void*)this);
    output->assign(folderPath);
    output->appendPath(name, false);
    k4p::FolderListing listing;
    k4p::FindItem item;
    bool found = listing.open(output->getText()) && listing.next(&item);
    if (found) {
        // The listing's spelling, which is the one that opens on every system.
        output->assign(folderPath);
        output->appendPath(item.name, false);
    }
    K4C_TRACE(logger_, "Return %d from K4QBGameDataFolder::getFromFile = %p", found ? 1 : 0,
              (void*)this);
    return found;
}

bool K4QBGameDataFolder::getFromFolders(K4CString* output, const char* name,
                                        const char* folderPath) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::getFromFolders(%p, %s, %s) = %p", (void*)output,
              name, folderPath, (void*)this);
    bool found = false;
    K4CString pattern(folderPath);
    pattern.appendPath("*", false);
    k4p::FolderListing listing;
    if (listing.open(pattern.getText())) {
        k4p::FindItem item;
        K4CString child;
        while (!found && listing.next(&item)) {
            if (!item.directory || isDotName(item.name)) {
                continue;
            }
            child.assign(folderPath);
            child.appendPath(item.name, false);
            found = getFromFile(output, name, child.getText()) ||
                    getFromFolders(output, name, child.getText());
        }
    }
    K4C_TRACE(logger_, "Return %d from K4QBGameDataFolder::getFromFolders = %p", found ? 1 : 0,
              (void*)this);
    return found;
}

bool K4QBGameDataFolder::getContent(K4CString* output, const char* name, const char* folder,
                                    bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::getContent(%p, %s, %s, %d) = %p", (void*)output,
              name, folder, searchSubFolders ? 1 : 0, (void*)this);
    bool found = false;
    if (output != nullptr) {
        // Wildcards would make the listing return some other file.
        if (name != nullptr && *name != 0 && std::strpbrk(name, "*?") == nullptr) {
            K4CString folderPath(rootFolder_->getText());
            folderPath.appendPath(folder != nullptr ? folder : "", false);
            found = getFromFile(output, name, folderPath.getText()) ||
                    (searchSubFolders && getFromFolders(output, name, folderPath.getText()));
        }
        if (!found) {
            output->clear();
        }
    }
    K4C_TRACE(logger_, "Return %d (%s) from K4QBGameDataFolder::getContent = %p", found ? 1 : 0,
              found ? output->getText() : "", (void*)this);
    return found;
}

int32_t K4QBGameDataFolder::findContent(K4QBFileList* list, const char* pattern, const char* folder,
                                        bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::findContent(%p, %s, %s, %d) = %p", (void*)list,
              pattern, folder, searchSubFolders ? 1 : 0, (void*)this);
    int32_t added = 0;
    if (list != nullptr && pattern != nullptr && *pattern != 0) {
        K4CString lowPattern(pattern);
        lowPattern.toLowerCase();
        K4CString lowFolder(folder);
        lowFolder.toLowerCase();
        const int32_t length = lowFolder.getLength();
        if (length > 0 && lowFolder.getText()[length - 1] != '\\') {
            lowFolder.appendChar('\\');
        }
        const int32_t before = list->getCount();
        findFromFiles(list, lowPattern.getText(), lowFolder.getText());
        if (searchSubFolders) {
            findFromFolders(list, lowPattern.getText(), lowFolder.getText());
        }
        added = list->getCount() - before;
    }
    K4C_TRACE(logger_, "Return %d from K4QBGameDataFolder::findContent = %p", added, (void*)this);
    return added;
}

void K4QBGameDataFolder::findFromFiles(K4QBFileList* list, const char* pattern,
                                       const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::findFromFiles(%p, %s, %s) = %p", (void*)list,
              pattern, folder, (void*)this);
    K4CString search(rootFolder_->getText());
    search.appendPath(folder, false);
    search.appendPath(pattern, false);
    K4C_DEBUG(logger_, "(In K4QBGameDataFolder::findFromFiles) Starting search for file pattern %s",
              search.getText());
    k4p::FolderListing listing;
    if (listing.open(search.getText())) {
        k4p::FindItem item;
        while (listing.next(&item)) {
            if (item.directory || item.system || item.temporary || item.offline) {
                continue;
            }
            K4C_DEBUG(logger_,
                      "(In K4QBGameDataFolder::findFromFiles) Found matching file %s in folder %s",
                      item.name, folder);
            list->addInOrder(this, item.name, folder, false);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBGameDataFolder::findFromFiles = %p", (void*)this);
}

void K4QBGameDataFolder::findFromFolders(K4QBFileList* list, const char* pattern,
                                         const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBGameDataFolder::findFromFolders(%p, %s, %s) = %p", (void*)list,
              pattern, folder, (void*)this);
    K4CString search(rootFolder_->getText());
    search.appendPath(folder, false);
    search.appendPath("*", false);
    K4C_DEBUG(logger_,
              "(In K4QBGameDataFolder::findFromFolders) Starting search for folder pattern %s",
              search.getText());
    k4p::FolderListing listing;
    if (listing.open(search.getText())) {
        k4p::FindItem item;
        K4CString child;
        while (listing.next(&item)) {
            if (!item.directory || isDotName(item.name)) {
                continue;
            }
            K4C_DEBUG(logger_,
                      "(In K4QBGameDataFolder::findFromFolders) Found sub-folder %s in folder %s",
                      item.name, folder);
            child.assign(folder);
            child.append(item.name);
            child.toLowerCase();
            child.appendChar('\\');
            findFromFiles(list, pattern, child.getText());
            findFromFolders(list, pattern, child.getText());
        }
    }
    K4C_TRACE(logger_, "Exit K4QBGameDataFolder::findFromFolders = %p", (void*)this);
}
