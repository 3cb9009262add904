// K4QBContentRegistry: asking the game content sources in order.
#include "content/content_registry.h"

#include "content/pak_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cptrarray.h"
#include "foundation/k4ctrace.h"

#include <memory>
#include <utility>

K4QBContentRegistry::K4QBContentRegistry(K4CDebugLogger* logger)
    : pakSource_(nullptr), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBContentRegistry(%p) = %p", (void*)logger,
              (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBContentRegistry = %p", (void*)this);
}

K4QBContentRegistry::~K4QBContentRegistry() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBContentRegistry = %p", (void*)this);
    // The sources go with sources_, first to last.
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBContentRegistry = %p", (void*)this);
}

void K4QBContentRegistry::addSource(K4QBGameFiles* source) {
    std::unique_ptr<K4QBGameFiles> owned(source);
    K4C_TRACE(logger_, "Enter K4QBContentRegistry::addSource(%p) = %p", (void*)source, (void*)this);
    if (source == nullptr) {
        k4cTraceThrow(logger_, K4CERR_STR_ILLEGALARGUMENT, "K4QBContentRegistry::addSource",
                      (void*)this);
    }
    sources_.add(std::move(owned));
    if (pakSource_ == nullptr && source->getSourceType() == K4QB_SOURCE_PAK) {
        pakSource_ = static_cast<K4QBPakRegistry*>(source);
    }
    K4C_TRACE(logger_, "Exit from K4QBContentRegistry::addSource = %p", (void*)this);
}

int32_t K4QBContentRegistry::getSourceCount() const {
    return sources_.getCount();
}

K4QBGameFiles* K4QBContentRegistry::getSource(int32_t index) const {
    return sources_.get(index);
}

int32_t K4QBContentRegistry::getSourceType() {
    K4C_TRACE(logger_, "Enter and return %d from K4QBContentRegistry::getSourceType = %p",
              K4QB_SOURCE_REGISTRY, (void*)this);
    return K4QB_SOURCE_REGISTRY;
}

const char* K4QBContentRegistry::getRootFolder() {
    K4C_TRACE(logger_, "Enter and return %s from K4QBContentRegistry::getRootFolder = %p", "",
              (void*)this);
    return "";
}

bool K4QBContentRegistry::getContent(K4CString* output, const char* name, const char* folder,
                                     bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBContentRegistry::getContent(%p, %s, %s, %d) = %p", (void*)output,
              name, folder, searchSubFolders ? 1 : 0, (void*)this);
    bool found = false;
    k4cOutOfMemoryAsError([&] {
        for (int32_t i = 0; i < sources_.getCount() && !found; ++i) {
            found = getSource(i)->getContent(output, name, folder, searchSubFolders);
        }
    });
    K4C_TRACE(logger_, "Return %d from K4QBContentRegistry::getContent = %p", found ? 1 : 0,
              (void*)this);
    return found;
}

int32_t K4QBContentRegistry::findContent(K4QBFileList* list, const char* pattern,
                                         const char* folder, bool searchSubFolders) {
    K4C_TRACE(logger_, "Enter K4QBContentRegistry::findContent(%p, %s, %s, %d) = %p", (void*)list,
              pattern, folder, searchSubFolders ? 1 : 0, (void*)this);
    int32_t added = 0;
    k4cOutOfMemoryAsError([&] {
        for (int32_t i = 0; i < sources_.getCount(); ++i) {
            added += getSource(i)->findContent(list, pattern, folder, searchSubFolders);
        }
    });
    K4C_TRACE(logger_, "Return %d from K4QBContentRegistry::findContent = %p", added, (void*)this);
    return added;
}

int32_t K4QBContentRegistry::getSubFolderCount(const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBContentRegistry::getSubFolderCount(%s) = %p", folder,
              (void*)this);
    int32_t count = pakSource_ != nullptr ? pakSource_->getSubFolderCount(folder) : 0;
    K4C_TRACE(logger_, "Return %d from K4QBContentRegistry::getSubFolderCount = %p", count,
              (void*)this);
    return count;
}

const char* K4QBContentRegistry::getSubFolder(const char* folder, int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBContentRegistry::getSubFolder(%s, %d) = %p", folder, index,
              (void*)this);
    if (pakSource_ == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_PAK_OUTOFRANGE, "K4QBContentRegistry::getSubFolder",
                      (void*)this);
    }
    const char* name = pakSource_->getSubFolder(folder, index);
    K4C_TRACE(logger_, "Return %s from K4QBContentRegistry::getSubFolder = %p", name, (void*)this);
    return name;
}
