// K4QBTextureCache: game content names resolved to files, then cached.
#include "textures/k4qbtexturecache.h"

#include "content/content_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"

K4QBTextureCache::K4QBTextureCache(IDirect3DDevice9* device, K4QBContentRegistry* content,
                                   K4CDebugLogger* logger)
    : K4DXTextureCache(device, logger), content_(content) {
    K4C_TRACE(logger_, "Enter constructor K4QBTextureCache(%p, %p, %p) = %p", (void*)device,
              (void*)content, (void*)logger, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBTextureCache = %p", (void*)this);
}

K4QBTextureCache::~K4QBTextureCache() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTextureCache = %p", (void*)this);
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTextureCache = %p", (void*)this);
}

IDirect3DTexture9* K4QBTextureCache::getFromQuellbury(const char* name, const char* folder) {
    K4C_TRACE(logger_, "Enter K4QBTextureCache::getFromQuellbury(%s, %s) = %p", name, folder,
              (void*)this);
    K4CString path;
    getQuellburyPath(name, folder, &path);
    IDirect3DTexture9* texture = getTexture(path.getText());
    K4C_TRACE(logger_, "Return %p from K4QBTextureCache::getFromQuellbury = %p", (void*)texture,
              (void*)this);
    return texture;
}

void K4QBTextureCache::getQuellburyPath(const char* name, const char* folder, K4CString* path) {
    if (content_ == nullptr || !content_->getContent(path, name, folder, false)) {
        k4cTraceThrow(logger_, K4DXERR_RES_LOADERROR, "K4QBTextureCache::getFromQuellbury",
                      (void*)this);
    }
}
