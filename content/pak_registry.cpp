// K4QBPakRegistry: creation from the game or a folder, browsing, accessors.
// Building the index is in pak_registry_build.cpp, searching in
// pak_registry_search.cpp.
#include "content/pak_registry.h"

#include "content/install_path.h"
#include "content/pak_archive.h"
#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4cptrarray.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Pak names in a fixed order, whatever order the file system lists them in,
// so that duplicates of equal age resolve the same everywhere.
bool pakNameBefore(const K4CString* a, const K4CString* b) {
    const char* x = a->getText();
    const char* y = b->getText();
    for (; *x != 0 && lowerAscii(*x) == lowerAscii(*y); ++x, ++y) {
    }
    unsigned char cx = static_cast<unsigned char>(lowerAscii(*x));
    unsigned char cy = static_cast<unsigned char>(lowerAscii(*y));
    return cx != cy ? cx < cy : std::strcmp(a->getText(), b->getText()) < 0;
}

// Windows also matches "*.pak" against the short name of "x.pakold".
bool endsWithPak(const char* name) {
    size_t length = std::strlen(name);
    if (length < 4) {
        return false;
    }
    const char* tail = name + length - 4;
    return tail[0] == '.' && lowerAscii(tail[1]) == 'p' && lowerAscii(tail[2]) == 'a' &&
           lowerAscii(tail[3]) == 'k';
}

} // namespace

K4QBPakRegistry::K4QBPakRegistry(const char* rootFolder, K4CDebugLogger* logger)
    : rootFolder_(rootFolder), fileCount_(0), folderCount_(0), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBPakRegistry(%s, %p) = %p", rootFolder, (void*)logger,
              (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBPakRegistry = %p", (void*)this);
}

K4QBPakRegistry::~K4QBPakRegistry() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBPakRegistry = %p", (void*)this);
    clearFolders();
    // The archives go with archives_.
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBPakRegistry = %p", (void*)this);
}

K4QBPakRegistry* K4QBPakRegistry::CreateFromGame(const char* rootFolder, K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBPakRegistry::CreateFromGame(%s, %p)", rootFolder, (void*)logger);
    std::unique_ptr<K4QBPakRegistry> registry;
    try {
        k4cOutOfMemoryAsError([&] {
            const char* install = getInstallPath();
            if (install == nullptr) {
                throw K4QBERR_PAK_NOTINSTALLED;
            }
            K4CString pakFolder(install);
            pakFolder.appendPath("data\\pak", false);
            registry.reset(CreateFromPath(pakFolder.getText(), rootFolder));
        });
    } catch (const char* code) {
        K4C_DEBUG(logger, "Throw exception %s from K4QBPakRegistry::CreateFromGame", code);
        throw;
    }
    registry->setLogger(logger);
    K4C_TRACE(logger, "Return %p from K4QBPakRegistry::CreateFromGame", (void*)registry.get());
    return registry.release();
}

K4QBPakRegistry* K4QBPakRegistry::CreateFromPath(const char* pakFolder, const char* rootFolder,
                                                 K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBPakRegistry::CreateFromPath(%s, %s, %p)", pakFolder, rootFolder,
              (void*)logger);
    std::unique_ptr<K4QBPakRegistry> registry;
    try {
        k4cOutOfMemoryAsError([&] {
            registry.reset(new K4QBPakRegistry(rootFolder, logger));
            registry->loadArchives(pakFolder != nullptr ? pakFolder : "");
            registry->buildFolders();
        });
    } catch (const char* code) {
        K4C_DEBUG(logger, "Throw exception %s from K4QBPakRegistry::CreateFromPath", code);
        throw;
    }
    K4C_TRACE(logger, "Return %p from K4QBPakRegistry::CreateFromPath", (void*)registry.get());
    return registry.release();
}

void K4QBPakRegistry::loadArchives(const char* pakFolder) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::loadArchives(%s) = %p", pakFolder, (void*)this);
    K4CString pattern(pakFolder);
    pattern.appendPath("*.pak", false);
    K4COwningPtrArray<K4CString> names;
    k4p::FolderListing listing;
    if (listing.open(pattern.getText())) {
        k4p::FindItem item;
        while (listing.next(&item)) {
            if (item.directory || item.system || item.temporary || item.offline ||
                item.size >= (uint64_t{1} << 32) || !endsWithPak(item.name)) {
                continue;
            }
            names.add(std::make_unique<K4CString>(item.name));
        }
    }
    std::unique_ptr<const K4CString*[]> sorted(new const K4CString*[names.getCount() + 1]);
    for (int32_t i = 0; i < names.getCount(); ++i) {
        sorted[i] = names.get(i);
    }
    std::sort(sorted.get(), sorted.get() + names.getCount(), pakNameBefore);
    K4CString path;
    for (int32_t i = 0; i < names.getCount(); ++i) {
        path.assign(pakFolder);
        path.appendPath(sorted[i]->getText(), false);
        K4C_DEBUG(logger_, "(In K4QBPakRegistry::loadArchives) Loading %s", path.getText());
        archives_.add(
            std::unique_ptr<K4QBPakArchive>(K4QBPakArchive::loadFromFile(path.getText(), logger_)));
    }
    K4C_TRACE(logger_, "Exit K4QBPakRegistry::loadArchives = %p", (void*)this);
}

int32_t K4QBPakRegistry::getSourceType() {
    K4C_TRACE(logger_, "Enter and return %d from K4QBPakRegistry::getSourceType = %p",
              K4QB_SOURCE_PAK, (void*)this);
    return K4QB_SOURCE_PAK;
}

const char* K4QBPakRegistry::getRootFolder() {
    K4C_TRACE(logger_, "Enter and return %s from K4QBPakRegistry::getRootFolder = %p",
              rootFolder_.getText(), (void*)this);
    return rootFolder_.getText();
}

int32_t K4QBPakRegistry::getSubFolderCount(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::getSubFolderCount(%s) = %p", folder, (void*)this);
    int32_t count = 0;
    if (folder != nullptr && folderMap_ != nullptr) {
        auto* found = static_cast<K4QBPakFolder*>(folderMap_->get(folder));
        count = found != nullptr ? found->subFolderCount : 0;
    }
    K4C_TRACE(logger_, "Return %d from K4QBPakRegistry::getSubFolderCount = %p", count,
              (void*)this);
    return count;
}

const char* K4QBPakRegistry::getSubFolder(const char* folder, int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBPakRegistry::getSubFolder(%s, %d) = %p", folder, index,
              (void*)this);
    K4QBPakFolder* parent = nullptr;
    if (folder != nullptr && folderMap_ != nullptr) {
        parent = static_cast<K4QBPakFolder*>(folderMap_->get(folder));
    }
    if (parent == nullptr || index < 0 || index >= parent->subFolderCount) {
        K4C_DEBUG(logger_, "Throw exception %s from K4QBPakRegistry::getSubFolder = %p",
                  K4QBERR_PAK_OUTOFRANGE, (void*)this);
        throw K4QBERR_PAK_OUTOFRANGE;
    }
    const char* result = parent->subFolders[index]->name;
    K4C_TRACE(logger_, "Return %s from K4QBPakRegistry::getSubFolder = %p", result, (void*)this);
    return result;
}

int32_t K4QBPakRegistry::getArchiveCount() const {
    return archives_.getCount();
}

K4QBPakArchive* K4QBPakRegistry::getArchive(int32_t index) const {
    return archives_.get(index);
}

const K4QBPakFolder* K4QBPakRegistry::getFolder(int32_t index) const {
    if (index < 0 || index >= folderCount_) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return folders_[index];
}

void K4QBPakRegistry::setLogger(K4CDebugLogger* logger) {
    logger_ = logger;
    for (int32_t i = 0; i < archives_.getCount(); ++i) {
        archives_.get(i)->setLogger(logger);
    }
}
