// K4QBLayeredTexture: the layers panel's list of layers, bottom first, each a
// file on disk (no source) or game content (its source), which the preview
// worker draws and the saver renders.
//
// Threads: the window thread changes the list while the preview worker reads
// it. Every change takes the list's own lock, and readers hold it through a
// K4QBLayerReader for as long as they use the entries, so nobody sees the list
// half-changed. A reader that loads textures (which may decode a large file
// or extract it from an archive) copies the list first (copyTo) and loads
// from the copy: the window thread's changes never wait for a decode. The
// lock is the list's own rather than the Direct3D lock:
// beginD3DUse refuses while the device is lost, and a worker may still be
// inside a bracket it opened before the loss, so that lock cannot guard
// changes made then. Lock order: the Direct3D lock first, then this one;
// nothing takes the Direct3D lock while holding this one.
#pragma once

#include "content/file_list.h"
#include "foundation/k4clock.h"

#include <cstdint>

class K4CDebugLogger;
class K4QBGameFiles;

class K4QBLayeredTexture {
public:
    explicit K4QBLayeredTexture(K4CDebugLogger* logger = nullptr);
    ~K4QBLayeredTexture();
    K4QBLayeredTexture(const K4QBLayeredTexture&) = delete;
    K4QBLayeredTexture& operator=(const K4QBLayeredTexture&) = delete;

    // Each takes the lock. Positions outside the list throw
    // "IndexOutOfBoundsException" and change nothing.
    // Adds a layer on top (duplicates allowed); returns its position. The
    // source is null for a file on disk.
    int32_t append(K4QBGameFiles* source, const char* name, const char* folder);
    void removeAt(int32_t index);
    // Towards the bottom (index 0) or the top; return the places moved, 0 at
    // the list's ends.
    int32_t moveUp(int32_t index);
    int32_t moveDown(int32_t index);
    void clear();
    int32_t getCount();
    // Replaces `copy`'s entries with the layers as they are now, in one
    // reading. Throws std::bad_alloc, leaving `copy` empty.
    void copyTo(K4QBFileList* copy);

private:
    friend class K4QBLayerReader;
    void checkIndex(int32_t index, const char* where);

    K4CWinCS lock_;
    K4QBFileList list_;
    K4CDebugLogger* logger_;
};

// Holds the list's lock while it lives: read the layers through list(). May
// nest on one thread.
class K4QBLayerReader {
public:
    explicit K4QBLayerReader(K4QBLayeredTexture* layers)
        : guard_(&layers->lock_), layers_(layers) {}
    K4QBLayerReader(const K4QBLayerReader&) = delete;
    K4QBLayerReader& operator=(const K4QBLayerReader&) = delete;
    const K4QBFileList& list() const { return layers_->list_; }

private:
    K4CLockGuard guard_;
    K4QBLayeredTexture* layers_;
};
