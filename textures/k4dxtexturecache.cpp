// K4DXTextureCache: loading, hits and least-recently-used eviction.
#include "textures/k4dxtexturecache.h"

#include "foundation/errors.h"
#include "foundation/k4chashmap.h"
#include "foundation/k4cptrarray.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>
#include <memory>

struct K4DXTextureCache::Entry {
    char* name; // also the map key
    IDirect3DTexture9* texture;
    uint64_t lastUsed; // tickCount64
    int32_t useCount;
    uint32_t pixelCount;
};

K4DXTextureCache::K4DXTextureCache(IDirect3DDevice9* device, K4CDebugLogger* logger)
    : logger_(logger), device_(device), entries_(new K4CHashMap(79, 0.75f)),
      entryList_(new K4CPtrArray()), totalPixelCount_(0), sortedEntries_(nullptr), sortedCount_(0),
      sortedPosition_(-1), target_(nullptr), spare_(nullptr) {
    K4C_TRACE(logger_, "Enter constructor K4DXTextureCache(%p, %p) = %p", (void*)device,
              (void*)logger, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4DXTextureCache = %p", (void*)this);
}

K4DXTextureCache::~K4DXTextureCache() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4DXTextureCache = %p", (void*)this);
    for (int32_t i = 0; i < entryList_->getCount(); ++i) {
        Entry* entry = static_cast<Entry*>(entryList_->get(i));
        entries_->remove(entry->name);
        delete[] entry->name;
        entry->texture->Release();
        delete entry;
    }
    delete entryList_;
    delete entries_;
    delete[] sortedEntries_;
    delete target_;
    releaseSpare();
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4DXTextureCache = %p", (void*)this);
}

void K4DXTextureCache::releaseSpare() {
    if (spare_ != nullptr) {
        spare_->Release();
        spare_ = nullptr;
    }
}

bool K4DXTextureCache::checkMemThreshold() {
    K4C_TRACE(logger_, "Enter and return %d from K4DXTextureCache::checkMemThreshold = %p", 0,
              (void*)this);
    return false;
}

bool K4DXTextureCache::loadTextureInfo(const char* path, D3DXIMAGE_INFO* info) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::loadTextureInfo(%s, %p) = %p", path, (void*)info,
              (void*)this);
    bool ok = D3DXGetImageInfoFromFileA(path, info) == S_OK;
    K4C_TRACE(logger_, "Return %d from K4DXTextureCache::loadTextureInfo = %p", ok ? 1 : 0,
              (void*)this);
    return ok;
}

HRESULT K4DXTextureCache::loadTexture(const char* path, IDirect3DTexture9** texture) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::loadTexture(%s, %p) = %p", path, (void*)texture,
              (void*)this);
    k4codec::ImageInfo info{};
    HRESULT result = k4d3dx::createTextureFromFile(device_, path, texture, &info);
    if (result == S_OK && info.warning[0] != 0) {
        // Damage the reader worked around: the picture shows, the log says why
        // it may look wrong.
        K4C_LOGAT(logger_, K4C_LOG_WARNING, "(In K4DXTextureCache::loadTexture) %s: %s", path,
                  info.warning);
    }
    K4C_TRACE(logger_, "Return %ld from K4DXTextureCache::loadTexture = %p", (long)result,
              (void*)this);
    return result;
}

uint64_t K4DXTextureCache::currentTicks() {
    const uint64_t now = k4p::tickCount64();
    K4C_TRACE(logger_, "Enter and return %llu from K4DXTextureCache::currentTicks = %p",
              static_cast<unsigned long long>(now), (void*)this);
    return now;
}

IDirect3DTexture9* K4DXTextureCache::hit(Entry* entry) {
    entry->lastUsed = currentTicks();
    entry->useCount += 1;
    entry->texture->PreLoad();
    K4C_DEBUG(logger_, "(In K4DXTextureCache::getTexture) Found texture %s in cache", entry->name);
    return entry->texture;
}

void K4DXTextureCache::evictAboveThreshold() {
    if (checkMemThreshold()) {
        makeSortedEntries();
        while (checkMemThreshold() && releaseSortedEntry() > 0) {
        }
        freeSortedEntries();
    }
}

IDirect3DTexture9* K4DXTextureCache::addEntry(const char* path, IDirect3DTexture9* texture) {
    Entry* entry = new Entry();
    size_t length = std::strlen(path);
    entry->name = new char[length + 1];
    std::memcpy(entry->name, path, length + 1);
    entry->texture = texture;
    entry->lastUsed = currentTicks();
    entry->useCount = 1;
    entry->pixelCount = texturePixelCount(texture);
    entries_->put(entry->name, entry);
    entryList_->add(entry);
    totalPixelCount_ += entry->pixelCount;
    K4C_DEBUG(logger_,
              "(In K4DXTextureCache::getTexture) Created texture %s, total pixel count now at %u",
              path, totalPixelCount_);
    return texture;
}

IDirect3DTexture9* K4DXTextureCache::getTexture(const char* path) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::getTexture(%s) = %p", path, (void*)this);
    if (path == nullptr) {
        K4C_DEBUG(logger_, "Throw exception %s from K4DXTextureCache::getTexture = %p",
                  K4DXERR_RES_LOADERROR, (void*)this);
        throw K4DXERR_RES_LOADERROR;
    }
    Entry* found = static_cast<Entry*>(entries_->get(path));
    if (found != nullptr) {
        IDirect3DTexture9* texture = hit(found);
        K4C_TRACE(logger_, "Return %p from K4DXTextureCache::getTexture = %p", (void*)texture,
                  (void*)this);
        return texture;
    }
    K4C_DEBUG(logger_, "(In K4DXTextureCache::getTexture) Texture %s not found in cache", path);

    evictAboveThreshold();
    IDirect3DTexture9* texture = nullptr;
    HRESULT result = loadTexture(path, &texture);
    if (result == D3DERR_OUTOFVIDEOMEMORY || result == E_OUTOFMEMORY) {
        K4C_DEBUG(logger_, "(In K4DXTextureCache::getTexture) Texture not loaded: out of memory");
        releaseSpare();
        if (freeForTexture(path)) {
            texture = nullptr;
            result = loadTexture(path, &texture);
            K4C_DEBUG(logger_,
                      "(In K4DXTextureCache::getTexture) Freed memory and attempted again: %d",
                      (int)result);
        }
    }
    if (result != S_OK || texture == nullptr) {
        K4C_DEBUG(logger_, "Throw exception %s from K4DXTextureCache::getTexture = %p",
                  K4DXERR_RES_LOADERROR, (void*)this);
        throw K4DXERR_RES_LOADERROR;
    }
    addEntry(path, texture);
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::getTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

IDirect3DTexture9* K4DXTextureCache::findTexture(const char* path) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::findTexture(%s) = %p", path, (void*)this);
    Entry* found = path != nullptr ? static_cast<Entry*>(entries_->get(path)) : nullptr;
    IDirect3DTexture9* texture = found != nullptr ? hit(found) : nullptr;
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::findTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

const k4d3dx::TextureTarget& K4DXTextureCache::getTextureTarget() {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::getTextureTarget = %p", (void*)this);
    if (target_ == nullptr) {
        std::unique_ptr<k4d3dx::TextureTarget> target(new k4d3dx::TextureTarget());
        // Without an answer nothing is creatable: every decode then fails
        // and the caller loads through getTexture.
        k4d3dx::queryTextureTarget(device_, target.get());
        target_ = target.release();
    }
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::getTextureTarget = %p", (void*)target_,
              (void*)this);
    return *target_;
}

IDirect3DTexture9* K4DXTextureCache::addDecodedTexture(const char* path,
                                                       const k4d3dx::DecodedTexture& decoded) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::addDecodedTexture(%s) = %p", path, (void*)this);
    if (path == nullptr) {
        k4cTraceThrow(logger_, K4DXERR_RES_LOADERROR, "K4DXTextureCache::addDecodedTexture",
                      (void*)this);
    }
    if (Entry* found = static_cast<Entry*>(entries_->get(path))) {
        IDirect3DTexture9* texture = hit(found);
        K4C_TRACE(logger_, "Return %p from K4DXTextureCache::addDecodedTexture = %p",
                  (void*)texture, (void*)this);
        return texture;
    }
    evictAboveThreshold();
    IDirect3DTexture9* texture = nullptr;
    HRESULT result = E_FAIL;
    if (spare_ != nullptr) {
        result = k4d3dx::refillDecodedTexture(spare_, decoded);
        if (SUCCEEDED(result)) {
            texture = spare_;
            spare_ = nullptr;
        } else if (result != D3DERR_INVALIDCALL) {
            releaseSpare(); // it fits but cannot be filled
        }
    }
    if (texture == nullptr) {
        result = k4d3dx::createDecodedTexture(device_, decoded, &texture);
    }
    if (result == D3DERR_OUTOFVIDEOMEMORY || result == E_OUTOFMEMORY) {
        K4C_DEBUG(logger_, "(In K4DXTextureCache::getTexture) Texture not loaded: out of memory");
        releaseSpare();
        if (freeForTexture(path)) {
            texture = nullptr;
            result = k4d3dx::createDecodedTexture(device_, decoded, &texture);
            K4C_DEBUG(logger_,
                      "(In K4DXTextureCache::getTexture) Freed memory and attempted again: %d",
                      (int)result);
        }
        if (result != S_OK) {
            k4cTraceThrow(logger_, K4DXERR_RES_LOADERROR, "K4DXTextureCache::addDecodedTexture",
                          (void*)this);
        }
    } else if (result != S_OK) {
        // The device refused the format at this size: the whole load tries
        // the next ones.
        texture = getTexture(path);
        K4C_TRACE(logger_, "Return %p from K4DXTextureCache::addDecodedTexture = %p",
                  (void*)texture, (void*)this);
        return texture;
    }
    if (decoded.info.warning[0] != 0) {
        K4C_LOGAT(logger_, K4C_LOG_WARNING, "(In K4DXTextureCache::loadTexture) %s: %s", path,
                  decoded.info.warning);
    }
    addEntry(path, texture);
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::addDecodedTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

void K4DXTextureCache::completeDecodedTexture(const char* path, IDirect3DTexture9* texture,
                                              const k4d3dx::DecodedTexture& decoded) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::completeDecodedTexture(%s, %p) = %p", path,
              (void*)texture, (void*)this);
    Entry* found = path != nullptr ? static_cast<Entry*>(entries_->get(path)) : nullptr;
    IDirect3DTexture9* complete = nullptr;
    if (found != nullptr && found->texture == texture && decoded.complete() &&
        k4d3dx::createDecodedTexture(device_, decoded, &complete) == S_OK) {
        releaseSpare();
        D3DSURFACE_DESC desc;
        // Up to 2048 x 2048: a larger spare would hold too much memory.
        if (found->texture->GetLevelDesc(0, &desc) == D3D_OK &&
            static_cast<uint64_t>(desc.Width) * desc.Height <= kMaxSparePixels) {
            spare_ = found->texture;
        } else {
            found->texture->Release();
        }
        found->texture = complete;
    }
    K4C_TRACE(logger_, "Exit K4DXTextureCache::completeDecodedTexture = %p", (void*)this);
}

IDirect3DTexture9* K4DXTextureCache::beginDirectTexture(const k4d3dx::DirectTexture& plan,
                                                        D3DLOCKED_RECT* locked) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::beginDirectTexture(%ux%u) = %p", plan.width,
              plan.height, (void*)this);
    evictAboveThreshold();
    IDirect3DTexture9* texture = nullptr;
    D3DSURFACE_DESC desc;
    if (spare_ != nullptr && spare_->GetLevelCount() == plan.levels &&
        spare_->GetLevelDesc(0, &desc) == D3D_OK && desc.Width == plan.width &&
        desc.Height == plan.height && desc.Format == static_cast<D3DFORMAT>(plan.format)) {
        // It held another picture: its lower levels blank until the chain
        // is made, as in a new texture.
        if (SUCCEEDED(k4d3dx::blankTextureLevels(spare_, 1))) {
            texture = spare_;
            spare_ = nullptr;
        } else {
            releaseSpare();
        }
    }
    if (texture == nullptr && FAILED(device_->CreateTexture(plan.width, plan.height, plan.levels, 0,
                                                            static_cast<D3DFORMAT>(plan.format),
                                                            D3DPOOL_MANAGED, &texture, nullptr))) {
        texture = nullptr;
    }
    if (texture != nullptr && FAILED(texture->LockRect(0, locked, nullptr, 0))) {
        texture->Release();
        texture = nullptr;
    }
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::beginDirectTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

IDirect3DTexture9* K4DXTextureCache::endDirectTexture(const char* path, IDirect3DTexture9* texture,
                                                      bool filled, const k4codec::ImageInfo& info) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::endDirectTexture(%s, %p, %d) = %p", path,
              (void*)texture, filled ? 1 : 0, (void*)this);
    texture->UnlockRect(0);
    IDirect3DTexture9* cached = nullptr;
    Entry* found = filled && path != nullptr ? static_cast<Entry*>(entries_->get(path)) : nullptr;
    if (found != nullptr) {
        cached = hit(found); // loaded meanwhile by another preview
        texture->Release();
    } else if (filled && path != nullptr) {
        try {
            cached = addEntry(path, texture);
        } catch (...) {
            texture->Release();
            throw;
        }
        if (info.warning[0] != 0) {
            K4C_LOGAT(logger_, K4C_LOG_WARNING, "(In K4DXTextureCache::loadTexture) %s: %s", path,
                      info.warning);
        }
    } else {
        texture->Release();
    }
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::endDirectTexture = %p", (void*)cached,
              (void*)this);
    return cached;
}

bool K4DXTextureCache::holds(const char* path, IDirect3DTexture9* texture) const {
    const Entry* found = path != nullptr ? static_cast<const Entry*>(entries_->get(path)) : nullptr;
    return found != nullptr && found->texture == texture;
}

IDirect3DTexture9* K4DXTextureCache::getFromFolder(const char* name, const char* folder) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::getFromFolder(%s, %s) = %p", name, folder,
              (void*)this);
    K4CString path(folder, name);
    IDirect3DTexture9* texture = getTexture(path.getText());
    K4C_TRACE(logger_, "Return %p from K4DXTextureCache::getFromFolder = %p", (void*)texture,
              (void*)this);
    return texture;
}

int32_t K4DXTextureCache::getEntryCount() const {
    K4C_TRACE(logger_, "Enter and return %d from K4DXTextureCache::getEntryCount = %p",
              entryList_->getCount(), (const void*)this);
    return entryList_->getCount();
}

int32_t K4DXTextureCache::getUseCount(const char* path) const {
    Entry* entry = static_cast<Entry*>(entries_->get(path));
    int32_t uses = entry != nullptr ? entry->useCount : 0;
    K4C_TRACE(logger_, "Enter and return %d from K4DXTextureCache::getUseCount = %p", uses,
              (const void*)this);
    return uses;
}

void K4DXTextureCache::forget(const char* path) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::forget(%s) = %p", path, (void*)this);
    Entry* found = path != nullptr ? static_cast<Entry*>(entries_->get(path)) : nullptr;
    if (found != nullptr) {
        removeEntry(found);
    }
    K4C_TRACE(logger_, "Exit K4DXTextureCache::forget = %p", (void*)this);
}

bool K4DXTextureCache::isCached(const char* path) const {
    bool cached = entries_->get(path) != nullptr;
    K4C_TRACE(logger_, "Enter and return %d from K4DXTextureCache::isCached = %p", cached ? 1 : 0,
              (const void*)this);
    return cached;
}

uint32_t K4DXTextureCache::texturePixelCount(IDirect3DTexture9* texture) {
    uint32_t pixels = 0;
    DWORD levels = texture->GetLevelCount();
    for (DWORD level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc;
        if (texture->GetLevelDesc(level, &desc) == D3D_OK) {
            pixels += desc.Width * desc.Height;
        }
    }
    return pixels;
}

uint32_t K4DXTextureCache::calcPixelCount(const D3DXIMAGE_INFO& info) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::calcPixelCount(%p) = %p", (const void*)&info,
              (void*)this);
    K4C_DEBUG(logger_,
              "(In K4DXTextureCache::calcPixelCount) Width = %d, Height = %d, MipLevels = %d",
              (int)info.Width, (int)info.Height, (int)info.MipLevels);
    uint32_t width = info.Width;
    uint32_t height = info.Height;
    uint32_t pixels = width * height;
    for (UINT level = 0; level < info.MipLevels; ++level) {
        width >>= 1;
        height >>= 1;
        pixels += width * height;
    }
    K4C_TRACE(logger_, "Return %u from K4DXTextureCache::calcPixelCount = %p", pixels, (void*)this);
    return pixels;
}

bool K4DXTextureCache::freeForTexture(const char* path) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::freeForTexture(%s) = %p", path, (void*)this);
    D3DXIMAGE_INFO info = {};
    if (!loadTextureInfo(path, &info)) {
        K4C_TRACE(logger_, "Return %d from K4DXTextureCache::freeForTexture = %p", 0, (void*)this);
        return false;
    }
    uint32_t target = (calcPixelCount(info) + 65536u) & ~0xFFFFu;
    freeByPixelCount(target);
    K4C_TRACE(logger_, "Return %d (%u) from K4DXTextureCache::freeForTexture = %p", 1, target,
              (void*)this);
    return true;
}

uint32_t K4DXTextureCache::freeByPixelCount(uint32_t n) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::freeByPixelCount(%u) = %p", n, (void*)this);
    makeSortedEntries();
    uint32_t freed = 0;
    while (freed < n && sortedPosition_ + 1 < sortedCount_) {
        freed += releaseSortedEntry();
    }
    freeSortedEntries();
    K4C_TRACE(logger_, "Return %u from K4DXTextureCache::freeByPixelCount = %p", freed,
              (void*)this);
    return freed;
}

int K4DXTextureCache::compareEntries(const void* a, const void* b) {
    const Entry* left = *static_cast<Entry* const*>(a);
    const Entry* right = *static_cast<Entry* const*>(b);
    const uint64_t leftWindow = left->lastUsed >> 16;
    const uint64_t rightWindow = right->lastUsed >> 16;
    if (leftWindow != rightWindow) {
        return leftWindow < rightWindow ? -1 : 1;
    }
    if (left->useCount != right->useCount) {
        return left->useCount < right->useCount ? -1 : 1;
    }
    return 0;
}

void K4DXTextureCache::makeSortedEntries() {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::makeSortedEntries = %p", (void*)this);
    delete[] sortedEntries_;
    sortedCount_ = entryList_->getCount();
    sortedEntries_ = new Entry*[sortedCount_ > 0 ? sortedCount_ : 1];
    for (int32_t i = 0; i < sortedCount_; ++i) {
        sortedEntries_[i] = static_cast<Entry*>(entryList_->get(i));
    }
    std::qsort(sortedEntries_, static_cast<size_t>(sortedCount_), sizeof(Entry*), compareEntries);
    sortedPosition_ = -1;
    K4C_DEBUG(logger_, "(In K4DXTextureCache::makeSortedEntries) Sorted %d entries",
              (int)sortedCount_);
    K4C_TRACE(logger_, "Exit K4DXTextureCache::makeSortedEntries = %p", (void*)this);
}

void K4DXTextureCache::removeEntry(Entry* entry) {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::removeEntry(%p) = %p", (void*)entry, (void*)this);
    for (int32_t i = 0; i < entryList_->getCount(); ++i) {
        if (entryList_->get(i) == entry) {
            entryList_->removeAt(i);
            break;
        }
    }
    entries_->remove(entry->name);
    totalPixelCount_ -= entry->pixelCount;
    delete[] entry->name;
    entry->texture->Release();
    delete entry;
    K4C_TRACE(logger_, "Exit K4DXTextureCache::removeEntry = %p", (void*)this);
}

uint32_t K4DXTextureCache::releaseSortedEntry() {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::releaseSortedEntry = %p", (void*)this);
    if (sortedEntries_ == nullptr || sortedPosition_ + 1 >= sortedCount_) {
        K4C_TRACE(logger_, "Return %u from K4DXTextureCache::releaseSortedEntry = %p", 0u,
                  (void*)this);
        return 0;
    }
    sortedPosition_ += 1;
    Entry* entry = sortedEntries_[sortedPosition_];
    K4C_DEBUG(logger_, "(In K4DXTextureCache::releaseSortedEntry) Releasing entry %d, named %s",
              (int)sortedPosition_, entry->name);
    uint32_t pixels = entry->pixelCount;
    removeEntry(entry);
    sortedEntries_[sortedPosition_] = nullptr;
    K4C_DEBUG(logger_,
              "(In K4DXTextureCache::releaseSortedEntry) Freed %u pixels, now at %u "
              "totalPixelCount",
              pixels, totalPixelCount_);
    K4C_TRACE(logger_, "Return %u from K4DXTextureCache::releaseSortedEntry = %p", pixels,
              (void*)this);
    return pixels;
}

void K4DXTextureCache::freeSortedEntries() {
    K4C_TRACE(logger_, "Enter K4DXTextureCache::freeSortedEntries = %p", (void*)this);
    delete[] sortedEntries_;
    sortedEntries_ = nullptr;
    sortedCount_ = 0;
    sortedPosition_ = -1;
    K4C_TRACE(logger_, "Exit K4DXTextureCache::freeSortedEntries = %p", (void*)this);
}
