// D3DXSaveTextureToFileA: every level of a 2D texture read back in its own
// format and written as one DDS file by the codec's DDS writer, beside the
// target first and then moved into place, so a failure leaves no file and
// keeps an older one.
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"

#include "codec/codec.h"

#include <new>

using k4d3dx::ComRef;
using k4d3dx::toHresult;

extern "C" HRESULT WINAPI D3DXSaveTextureToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                                 LPDIRECT3DBASETEXTURE9 pSrcTexture,
                                                 CONST PALETTEENTRY* /*pSrcPalette*/) {
    if (pDestFile == nullptr || pSrcTexture == nullptr || DestFormat != D3DXIFF_DDS ||
        pSrcTexture->GetType() != D3DRTYPE_TEXTURE) {
        return D3DERR_INVALIDCALL;
    }
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(pSrcTexture);
    D3DSURFACE_DESC desc;
    HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr)) {
        return hr;
    }
    if (!k4codec::isConvertible(desc.Format)) {
        return D3DERR_INVALIDCALL;
    }
    k4codec::Image image;
    image.width = desc.Width;
    image.height = desc.Height;
    image.format = desc.Format;
    try {
        image.levels.resize(texture->GetLevelCount());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (UINT level = 0; level < image.levels.size(); ++level) {
        D3DSURFACE_DESC levelDesc;
        ComRef<IDirect3DSurface9> surface;
        hr = texture->GetLevelDesc(level, &levelDesc);
        if (SUCCEEDED(hr)) {
            hr = texture->GetSurfaceLevel(level, surface.out());
        }
        if (SUCCEEDED(hr)) {
            hr = k4d3dx::readSurface(surface.get(), levelDesc, &image.levels[level]);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    std::vector<uint8_t> bytes;
    hr = toHresult(k4codec::ddsWriteImage(image, &bytes));
    if (FAILED(hr)) {
        return hr;
    }
    // A file that cannot be written is the caller's path at fault, unless
    // its disk is full.
    const k4codec::HResult written = k4codec::writeFileAtomic(pDestFile, bytes);
    return written == k4codec::kOk         ? S_OK
           : written == k4codec::kDiskFull ? toHresult(written)
                                           : D3DERR_INVALIDCALL;
}
