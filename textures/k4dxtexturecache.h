// K4DXTextureCache: device textures loaded from image files, keyed by path.
//
// A path is loaded once and kept until the cache is destroyed or an
// out-of-memory load evicts it. Eviction frees the least recently used
// entries first, in windows of 65.536 seconds (the upper 16 bits of the tick
// count), and among entries of one window the less used first. Loading is
// retried once after an eviction, and only when the first load ran out of
// memory (D3DERR_OUTOFVIDEOMEMORY or E_OUTOFMEMORY).
//
// No lock of its own: every method is called with the application's Direct3D
// lock held (K4QBD3DUse), from any thread: the window thread, the image
// preview's worker and loader, the layered preview and the export. The cache
// owns one reference to each texture; callers never release what it returns.
//
// A caller that must not hold the lock while a file decodes (the image
// preview's loader) loads in steps: findTexture and getTextureTarget with the
// lock; k4d3dx::decodeTextureFile (and k4d3dx::completeTextureLevels) without
// it; addDecodedTexture with it. A caller in a hurry for the first picture
// may add the texture with only its top level (and the levels the file
// holds) filled, then complete the levels without the lock and hand them to
// completeDecodedTexture, which puts a complete texture in the entry's place
// (filling the first one in place would wait for its drawing to finish).
// Until then the lower levels are blank: nothing in the program samples them
// (no mip filter is set). Callers never keep a texture past their bracket.
// The first texture it replaces is kept (one at most, up to 2048 x 2048) for
// the next decoded texture of the same size, format and levels: a new
// texture's memory, in the driver's copy and the device's, costs more than
// decoding the picture. It goes when memory runs out and with the cache.
// The memory check, the tick source and both loads are virtual so that tests
// can set a budget, move time and simulate memory exhaustion.
#pragma once

#include "codec/d3dx/k4d3dx.h"

#include <cstdint>

class K4CDebugLogger;
class K4CHashMap;
class K4CPtrArray;

class K4DXTextureCache {
public:
    // The device is not owned; the logger is optional.
    explicit K4DXTextureCache(IDirect3DDevice9* device, K4CDebugLogger* logger = nullptr);
    virtual ~K4DXTextureCache();
    K4DXTextureCache(const K4DXTextureCache&) = delete;
    K4DXTextureCache& operator=(const K4DXTextureCache&) = delete;

    // The texture for the path, loaded on a miss. Throws
    // "K4DXERR_RES_LOADERROR" when it cannot be loaded; nothing is cached then.
    IDirect3DTexture9* getTexture(const char* path);
    // The folder joined with the name by a backslash (none added when the
    // folder is empty or ends in one), then getTexture.
    IDirect3DTexture9* getFromFolder(const char* name, const char* folder);

    // The cached texture of the path (a hit, as in getTexture), or null.
    IDirect3DTexture9* findTexture(const char* path);
    // What the device creates, asked once.
    const k4d3dx::TextureTarget& getTextureTarget();
    // Caches a texture decoded without the lock (or returns the one cached
    // meanwhile). Out of memory evicts and retries once, as getTexture; a
    // format the device refuses at this size is loaded again by getTexture.
    // Throws "K4DXERR_RES_LOADERROR".
    IDirect3DTexture9* addDecodedTexture(const char* path, const k4d3dx::DecodedTexture& decoded);
    // Replaces `texture`, added incomplete, by one with every level of
    // `decoded`, when the path still holds it (it may have been evicted
    // meanwhile). Without the memory for it the first one stays.
    void completeDecodedTexture(const char* path, IDirect3DTexture9* texture,
                                const k4d3dx::DecodedTexture& decoded);

    // The loader's direct way (k4d3dx::planDirectTexture): a texture for the
    // plan, not cached yet, its top level locked into `locked`: the spare
    // when it fits (its other levels blank again), else a new one. Null when
    // none can be had; the caller then loads the usual way.
    IDirect3DTexture9* beginDirectTexture(const k4d3dx::DirectTexture& plan,
                                          D3DLOCKED_RECT* locked);
    // Unlocks a texture of beginDirectTexture. When `filled`, caches it
    // under the path and returns it (or the one cached meanwhile); otherwise
    // lets it go and returns null. Throws std::bad_alloc when the entry
    // cannot be made (the texture then let go).
    IDirect3DTexture9* endDirectTexture(const char* path, IDirect3DTexture9* texture, bool filled,
                                        const k4codec::ImageInfo& info);
    // The path holds `texture` still (it may have been evicted meanwhile).
    bool holds(const char* path, IDirect3DTexture9* texture) const;

    // Drops the texture of the path, so that its next use loads the file
    // again (the texture check rewrote it). Nothing when it is not cached.
    void forget(const char* path);

    // Inspection.
    int32_t getEntryCount() const;
    uint32_t getTotalPixelCount() const { return totalPixelCount_; }
    // 0 when the path is not cached.
    int32_t getUseCount(const char* path) const;
    bool isCached(const char* path) const;
    IDirect3DDevice9* getDevice() const { return device_; }

protected:
    // True while the cache is above a memory budget and must evict before
    // a load. There is no budget by default.
    virtual bool checkMemThreshold();
    // Image information of the file; false when its header cannot be read.
    virtual bool loadTextureInfo(const char* path, D3DXIMAGE_INFO* info);
    // Loads the file into a new managed texture on the cache's device.
    virtual HRESULT loadTexture(const char* path, IDirect3DTexture9** texture);
    // Milliseconds that never wrap (a 32-bit count would rank the textures
    // used after 49.7 days of uptime as the oldest).
    virtual uint64_t currentTicks();

    // Estimated pixels of a file: W x H plus MipLevels halvings.
    uint32_t calcPixelCount(const D3DXIMAGE_INFO& info);
    // Evicts room for the file (its estimate rounded up to 64 Ki pixels);
    // false when the file's header cannot be read.
    bool freeForTexture(const char* path);
    // Evicts in sorted order until n pixels are freed or nothing is left;
    // returns the pixels freed.
    uint32_t freeByPixelCount(uint32_t n);
    void makeSortedEntries();
    // Evicts the next entry of the sorted array; returns its pixels (0 when
    // the array is used up).
    uint32_t releaseSortedEntry();
    void freeSortedEntries();

    K4CDebugLogger* logger_;

private:
    struct Entry;
    static uint32_t texturePixelCount(IDirect3DTexture9* texture);
    static int compareEntries(const void* a, const void* b);
    void removeEntry(Entry* entry);
    IDirect3DTexture9* hit(Entry* entry);
    void evictAboveThreshold();
    IDirect3DTexture9* addEntry(const char* path, IDirect3DTexture9* texture);
    void releaseSpare();
    static constexpr uint64_t kMaxSparePixels = 2048u * 2048u;

    IDirect3DDevice9* device_;
    K4CHashMap* entries_;
    // The map cannot be walked, so the entries are also kept in insertion
    // order for sorting and destruction.
    K4CPtrArray* entryList_;
    uint32_t totalPixelCount_;
    Entry** sortedEntries_;
    int32_t sortedCount_;
    int32_t sortedPosition_;
    k4d3dx::TextureTarget* target_; // asked at the first use
    IDirect3DTexture9* spare_;      // replaced by a complete texture; owned
};
