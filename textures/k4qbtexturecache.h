// K4QBTextureCache: the texture cache that also resolves names in the game
// content (loose files or archived files extracted into the cache folder).
#pragma once

#include "textures/k4dxtexturecache.h"

class K4CString;
class K4QBContentRegistry;

class K4QBTextureCache : public K4DXTextureCache {
public:
    // The content registry is not owned and may be null (game not installed:
    // every getFromQuellbury fails).
    K4QBTextureCache(IDirect3DDevice9* device, K4QBContentRegistry* content,
                     K4CDebugLogger* logger = nullptr);
    ~K4QBTextureCache() override;

    // The texture of the named game file in the game folder; throws
    // "K4DXERR_RES_LOADERROR" when the content has no such file or it cannot
    // be loaded.
    IDirect3DTexture9* getFromQuellbury(const char* name, const char* folder);
    // The file getFromQuellbury loads (extracted from an archive when needed);
    // throws as getFromQuellbury. With the Direct3D lock held, as the rest.
    void getQuellburyPath(const char* name, const char* folder, K4CString* path);

    K4QBContentRegistry* getGameContent() const { return content_; }

private:
    K4QBContentRegistry* content_;
};
