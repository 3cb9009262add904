// Moving pixels between Direct3D 9 surfaces and the codec library: whole
// surfaces read in their own format from any pool (render targets through a
// system-memory copy), rectangles written into lockable surfaces or, in the
// default pool, through a system-memory surface and UpdateSurface.
#pragma once

#include "codec/d3dx/k4d3dx.h"
#include "codec/image.h"

#include <cstdint>
#include <vector>

namespace k4d3dx {

// Codec results and D3D results share their numbers (codec/status.h).
// The codec's results are Direct3D's, except that a picture too large is
// undecodable data to the D3DX-named calls, as to d3dx9.
inline HRESULT toHresult(k4codec::HResult result) {
    return result == k4codec::kTooLarge ? D3DXERR_INVALIDDATA : static_cast<HRESULT>(result);
}

// Every filter d3dx9 accepts: D3DX_DEFAULT, or NONE to BOX in the low byte
// with mirror, dither and sRGB flags.
bool validFilter(DWORD filter);

// Bytes of the whole surface in its format (rows packed, DXT by block rows).
HRESULT readSurface(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc,
                    std::vector<uint8_t>* bytes);

// Writes `bytes` (packed rows of the rectangle's size, in the surface's
// format) into `rect` of the surface; the whole surface when rect is null.
HRESULT writeSurface(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc, const RECT* rect,
                     const std::vector<uint8_t>& bytes);

// Copies packed rows into or out of a locked rectangle.
void copyToLocked(const D3DLOCKED_RECT& locked, k4codec::Format format, uint32_t width,
                  uint32_t height, const uint8_t* src);
void copyFromLocked(const D3DLOCKED_RECT& locked, k4codec::Format format, uint32_t width,
                    uint32_t height, uint8_t* dst);

// Releases a COM pointer when it leaves scope.
template <typename T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* object) : object_(object) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }
    T* get() const { return object_; }
    T** out() { return &object_; }
    T* operator->() const { return object_; }
    T* detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

private:
    T* object_ = nullptr;
};

} // namespace k4d3dx
