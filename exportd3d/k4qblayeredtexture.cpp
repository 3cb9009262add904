// K4QBLayeredTexture: the layer list behind its lock.
#include "exportd3d/k4qblayeredtexture.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"

K4QBLayeredTexture::K4QBLayeredTexture(K4CDebugLogger* logger) : logger_(logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBLayeredTexture = %p", (void*)this);
}

K4QBLayeredTexture::~K4QBLayeredTexture() {
    K4C_TRACE_NOTHROW(logger_, "Enter and exit destructor K4QBLayeredTexture = %p", (void*)this);
}

int32_t K4QBLayeredTexture::append(K4QBGameFiles* source, const char* name, const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::append(%p, %s, %s) = %p", (void*)source, name,
              folder, (void*)this);
    K4CLockGuard guard(&lock_);
    const int32_t index = list_.append(source, name, folder);
    K4C_TRACE(logger_, "Return %d from K4QBLayeredTexture::append = %p", index, (void*)this);
    return index;
}

void K4QBLayeredTexture::removeAt(int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::removeAt(%d) = %p", index, (void*)this);
    K4CLockGuard guard(&lock_);
    checkIndex(index, "K4QBLayeredTexture::removeAt");
    list_.removeAt(index);
    K4C_TRACE(logger_, "Exit K4QBLayeredTexture::removeAt = %p", (void*)this);
}

int32_t K4QBLayeredTexture::moveUp(int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::moveUp(%d) = %p", index, (void*)this);
    K4CLockGuard guard(&lock_);
    checkIndex(index, "K4QBLayeredTexture::moveUp");
    const int32_t moved = list_.moveUp(index);
    K4C_TRACE(logger_, "Return %d from K4QBLayeredTexture::moveUp = %p", moved, (void*)this);
    return moved;
}

int32_t K4QBLayeredTexture::moveDown(int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::moveDown(%d) = %p", index, (void*)this);
    K4CLockGuard guard(&lock_);
    checkIndex(index, "K4QBLayeredTexture::moveDown");
    const int32_t moved = list_.moveDown(index);
    K4C_TRACE(logger_, "Return %d from K4QBLayeredTexture::moveDown = %p", moved, (void*)this);
    return moved;
}

void K4QBLayeredTexture::clear() {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::clear = %p", (void*)this);
    K4CLockGuard guard(&lock_);
    list_.clear();
    K4C_TRACE(logger_, "Exit K4QBLayeredTexture::clear = %p", (void*)this);
}

void K4QBLayeredTexture::copyTo(K4QBFileList* copy) {
    K4C_TRACE(logger_, "Enter K4QBLayeredTexture::copyTo(%p) = %p", (void*)copy, (void*)this);
    copy->clear();
    K4CLockGuard guard(&lock_);
    try {
        for (int32_t i = 0; i < list_.getCount(); ++i) {
            copy->append(list_.getSource(i), list_.getName(i), list_.getFolder(i));
        }
    } catch (...) {
        copy->clear();
        throw;
    }
    K4C_TRACE(logger_, "Exit K4QBLayeredTexture::copyTo after %d layers = %p", copy->getCount(),
              (void*)this);
}

void K4QBLayeredTexture::checkIndex(int32_t index, const char* where) {
    if (index < 0 || index >= list_.getCount()) {
        k4cTraceThrow(logger_, K4CEXC_INDEXOUTOFBOUNDS, where, (void*)this);
    }
}

int32_t K4QBLayeredTexture::getCount() {
    K4CLockGuard guard(&lock_);
    const int32_t count = list_.getCount();
    K4C_TRACE(logger_, "Enter and return %d from K4QBLayeredTexture::getCount = %p", count,
              (void*)this);
    return count;
}
